# SPDX-License-Identifier: Apache-2.0
"""Unit conversion against Pint for the units both know, the affine flag, linear and affine."""

import numpy as np
import pint
import pytest

import sorvexa as sx
from conftest import assert_error, snapshot

UREG = pint.UnitRegistry()

# (our unit, Pint's spelling, target, Pint's spelling of the target)
CONVERSIONS = [
    ("km", "km", "m", "m"), ("mi", "mile", "ft", "ft"), ("in", "inch", "mm", "mm"), ("h", "hour", "s", "s"),
    ("psi", "psi", "Pa", "Pa"), ("atm", "atm", "bar", "bar"), ("lbf", "lbf", "N", "N"), ("mph", "mph", "m/s", "m/s"),
    ("kn", "knot", "km/h", "km/h"), ("gal", "gallon", "L", "L"), ("eV", "eV", "J", "J"), ("hp", "hp", "W", "W"),
    ("rpm", "rpm", "rad/s", "rad/s"), ("deg", "degree", "rad", "rad"), ("kWh", "kWh", "MJ", "MJ"),
    ("lbm", "lb", "kg", "kg"), ("Torr", "torr", "Pa", "Pa"), ("degC", "degC", "degF", "degF"),
    ("degF", "degF", "K", "K"), ("degR", "degR", "K", "K"), ("kg*m/s^2", "kg*m/s**2", "N", "N"),
]


@pytest.mark.parametrize("unit, pint_unit, target, pint_target", CONVERSIONS, ids=[c[0] + "-" + c[2] for c in CONVERSIONS])
def test_to_agrees_with_pint(unit, pint_unit, target, pint_target):
    xs = [-40.0, 0.0, 1.0, 20.0, 212.0, 1234.5]
    result = sx.Value(xs, unit).to(target)
    assert result.unit == target
    expected = UREG.Quantity(np.array(xs), pint_unit).to(pint_target).magnitude
    np.testing.assert_allclose(np.asarray(result)[0], expected, rtol=1e-12, atol=1e-12)


@pytest.mark.parametrize("text, target, affine, expected", [
    ("20:degC", "degF", True, 68.0),
    ("20:degC", "degF", False, 36.0),
    ("0:degC", "degF", True, 32.0),
    ("212:degF", "degC", True, 100.0),
    ("1:km", "m", True, 1000.0),
    ("1:in", "m", False, 0.0254),
])
def test_exact_conversions_are_exact(text, target, affine, expected):
    assert float(sx.Value(text).to(target, affine=affine)) == expected


def test_offsets_count_only_when_affine():
    v = sx.Value("[20]:degC")
    assert str(v.to("degF")) == "[68]:degF:double"
    assert str(v.linear()) == "[20]:K:double"
    assert str(v.affine()) == "[293.15]:K:double"
    assert str(sx.Value("[1]:psi").linear()).startswith("[6894.76]:kg/m/s^2")


def test_integer_values_convert_in_their_own_type():
    v = sx.Value("[3,-3]:km:int")
    result = v.to("m")
    assert result.type == "int"
    np.testing.assert_array_equal(np.asarray(result), [[3000, -3000]])
    assert_error(v.linear, "data_manager:data_type_rec:InvalidDataTypeConversion")


def test_failed_conversion_leaves_the_value_alone():
    v = sx.Value("[1,2]:m")
    before = snapshot(v)
    assert_error(lambda: v.to("s"), "unit_manager:unit:IncommensurateUnits")
    assert_error(lambda: v.to("furlong"), "unit_manager:parser:UnknownUnit")
    assert snapshot(v) == before
    assert_error(lambda: sx.Value.unresolved("double", (1, 1)).to("1"), "data_manager:value:QueryUnresolvedValue")
