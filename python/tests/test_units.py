# SPDX-License-Identifier: Apache-2.0
"""User-defined unit systems and the unit table."""

import numpy as np
import pytest

import sorvexa as sx
from conftest import assert_error


def test_defined_units_convert_and_propagate():
    system = sx.UnitSystem("furlong = 201.168 m\nkph = km/h\ndozen = 12\ndegX = 5/9 K @ 255.37")
    assert float(system.value(1, "furlong").to("m")) == 201.168
    assert float(system.value(36, "kph").to("m/s")) == 10.0
    assert float(system.value(2, "dozen").to("1")) == 24.0
    np.testing.assert_allclose(float(system.value(0, "degX").to("K")), 255.37, rtol=1e-15)
    assert str(system.value(1, "furlong") / sx.Value("2:s", system=system)) == "[0.5]:furlong/s:double"
    assert list(system.units())[-4:] == ["furlong", "kph", "dozen", "degX"]


def test_definitions_belong_to_their_system():
    a = sx.UnitSystem("span = 2 m")
    b = sx.UnitSystem("span = 3 m")
    assert float(a.value(1, "span").to("m")) == 2.0
    assert float(b.value(1, "span").to("m")) == 3.0
    assert not a.value(1, "span").equals(b.value(1, "span"))
    assert_error(lambda: sx.Value("1:span"), "unit_manager:parser:UnknownUnit")
    assert "span" not in sx.units()


@pytest.mark.parametrize("text, identifier", [
    ("furlong 201.168 m", "unit_manager:definition:InvalidDefinition"),
    ("m = 2 s", "unit_manager:definition:DuplicateUnit"),
    ("km = 3 m", "unit_manager:definition:AmbiguousUnit"),
    ("wide = 3 nosuchunit", "unit_manager:definition:InvalidDefinition"),
])
def test_bad_definitions_are_refused_whole(text, identifier):
    system = sx.UnitSystem("good = 2 m")
    error = assert_error(lambda: system.define("fine = 3 m\n" + text), identifier)
    assert error.arguments[0] == "2"
    assert "fine" not in system.units() and "good" in system.units()
    assert_error(lambda: sx.UnitSystem(text), identifier)


def test_the_default_table_lists_the_built_in_units():
    table = sx.units()
    for symbol in ["m", "g", "degC", "psi", "kn", "ly"]:
        assert symbol in table
    assert table["in"] == "0.0254 m"
    assert sx.default_system() is sx.default_system()
