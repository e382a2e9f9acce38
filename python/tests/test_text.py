# SPDX-License-Identifier: Apache-2.0
"""Text form, exact repr, equality, hashing and lowering."""

import math

import numpy as np
from hypothesis import given, settings
from hypothesis import strategies as st
from hypothesis.extra import numpy as hnp

import sorvexa as sx

ELEMENT_TYPES = [np.float64, np.int32, np.uint32, np.uint8, np.int8]


@settings(max_examples=80, deadline=None)
@given(data=st.data(), dtype=st.sampled_from(ELEMENT_TYPES), unit=st.sampled_from(["1", "km", "m/s^2", "degC"]))
def test_repr_reads_back_to_an_equal_value(data, dtype, unit):
    shape = data.draw(st.sampled_from([(1, 1), (2, 3), (0, 0), (0, 2), (3, 0)]))
    elements = hnp.arrays(dtype, shape, elements={"allow_nan": False} if dtype == np.float64 else None)
    v = sx.Value(data.draw(elements), unit)
    text = repr(v)
    assert text.startswith("sx.Value('") and text.endswith("')")
    back = eval(text, {"sx": sx})
    assert back.equals(v) and back.hash() == v.hash()


def test_str_is_the_library_text_form():
    assert str(sx.Value(np.array([[1, 2.5, 3], [4, 5, 6]]), "km")) == "[1,2.5,3;4,5,6]:km:double"
    assert str(sx.Value(1 / 3)) == "[0.333333]:1:double"
    assert str(sx.Value("[104,105]:1:char")) == "[h,i]:1:char"
    assert repr(sx.Value("[104,105]:1:char")) == "sx.Value('[104,105]:1:char')"
    assert str(sx.Value.unresolved("uint", (2, 3), "s")) == "sx.Value.unresolved('uint', (2, 3), 's')"


def test_equality_is_exact_and_hashes_follow_it():
    a = sx.Value("[1,2]:m")
    cases = [
        (sx.Value("[1,2]:m"), True), (sx.Value("[1,2]:km"), False), (sx.Value("[1;2]:m"), False),
        (sx.Value("[1,2]:m:int"), False), (sx.Value("[1000,2000]:m").to("km"), False),
    ]
    for other, equal in cases:
        assert a.equals(other) is equal, repr(other)
        if equal:
            assert a.hash() == other.hash()
    assert sx.Value("nan").equals(sx.Value("nan"))
    assert not sx.Value("0").equals(sx.Value("-0"))
    u = sx.Value.unresolved("double", (1, 1))
    assert not u.equals(u)
    assert u.hash() == sx.Value.unresolved("double", (1, 1)).hash()


def test_lowering_a_matrix_declares_a_variable_assigned_in_row_order():
    text = sx.Value("[1,2,3;4,5,6]:m").lower("x")
    lines = text.splitlines()
    assert lines[0] == "void f(void) {" and lines[1] == "  double x[2][3];"
    assigned = [line.strip() for line in lines if " = " in line]
    assert assigned == ["x[%d][%d] = %d;" % (i, j, 3 * i + j + 1) for i in range(2) for j in range(3)]
    assert lines[-1] == "result: x"


def test_lowering_a_scalar_declares_nothing_and_names_default_to_tmp():
    assert sx.Value("2.5").lower() == "void f(void) {\n}\nresult: 2.5"
    assert "  int tmp[1][2];" in sx.Value("[1,2]:1:int").lower()


def test_shortest_round_trip_of_awkward_doubles():
    for x in [0.1, 1 / 3, 5e-324, 1.7976931348623157e308, -2.5e-10, math.pi]:
        back = eval(repr(sx.Value(x)), {"sx": sx})
        assert float(back) == x
