# SPDX-License-Identifier: Apache-2.0
"""The operators and sx.ops: same-type integer arithmetic and comparisons against numpy, units, errors."""

import operator

import numpy as np
import pytest
from hypothesis import given, settings
from hypothesis import strategies as st
from hypothesis.extra import numpy as hnp

import sorvexa as sx
from conftest import assert_error, snapshot

INTEGER_DTYPES = [np.uint8, np.int32, np.uint32, np.int8]
WRAPPING = [operator.add, operator.sub, operator.mul]
COMPARISONS = [operator.lt, operator.le, operator.eq, operator.ne, operator.gt, operator.ge]


@settings(max_examples=60, deadline=None)
@given(data=st.data(), dtype=st.sampled_from(INTEGER_DTYPES), op=st.sampled_from(WRAPPING + COMPARISONS))
def test_same_type_integer_operators_wrap_and_compare_as_numpy(data, dtype, op):
    shape = data.draw(st.sampled_from([(1, 1), (2, 3), (1, 4)]))
    a = data.draw(hnp.arrays(dtype, shape))
    b = data.draw(hnp.arrays(dtype, shape))
    with np.errstate(over="ignore"):
        expected = op(a, b)
    result = op(sx.Value(a), sx.Value(b))
    view = np.asarray(result)
    if op in COMPARISONS:
        assert result.type == "uchar"
        expected = expected.astype(np.uint8)
    assert view.dtype == expected.dtype
    np.testing.assert_array_equal(view, expected)


@settings(max_examples=40, deadline=None)
@given(a=hnp.arrays(np.float64, (2, 2)), b=hnp.arrays(np.float64, (2, 2)),
       op=st.sampled_from([operator.add, operator.sub, operator.mul, operator.truediv] + COMPARISONS))
def test_double_operators_follow_ieee_as_numpy(a, b, op):
    with np.errstate(all="ignore"):
        expected = op(a, b)
    result = np.asarray(op(sx.Value(a), sx.Value(b)))
    np.testing.assert_array_equal(result, expected.astype(result.dtype))


def test_integer_division_truncates_and_refuses_zero():
    a = sx.Value(np.array([-7, 7], dtype=np.int32))
    b = sx.Value(np.array([2, 2], dtype=np.int32))
    np.testing.assert_array_equal(np.asarray(a / b), [[-3, 3]])
    zero = sx.Value(np.array([1, 0], dtype=np.int32))
    before = snapshot(a)
    assert_error(lambda: a / zero, "data_manager:value:IntegerDivisionByZero")
    assert snapshot(a) == before


@pytest.mark.parametrize("expression, expected", [
    (lambda: sx.Value("[1,2]:m") + sx.Value("[3,4]:km"), "[3001,4002]:m:double"),
    (lambda: sx.Value("[1,2]:km") - sx.Value("500:m"), "[0.5,1.5]:km:double"),
    (lambda: sx.Value("2:m") * sx.Value("3:s"), "[6]:m*s:double"),
    (lambda: sx.Value("6:m") / sx.Value("3:s"), "[2]:m/s:double"),
    (lambda: sx.Value("3:m") ** 2, "[9]:m^2:double"),
    (lambda: sx.Value("[1,2;3,4]:m") @ sx.Value("[1;1]:s"), "[3;7]:m*s:double"),
    (lambda: -sx.Value("[1,-2]:K"), "[-1,2]:K:double"),
    (lambda: +sx.Value("[1,-2]:K"), "[1,-2]:K:double"),
    (lambda: abs(sx.Value("[1,-2]:K")), "[1,2]:K:double"),
    (lambda: 2 * sx.Value("[1,2]:m"), "[2,4]:m:double"),
    (lambda: sx.Value("[1,2]:m") + 0, "[1,2]:m:double"),
    (lambda: 1 / sx.Value("4:s"), "[0.25]:1/s:double"),
    (lambda: 2 ** sx.Value("3"), "[8]:1:double"),
    (lambda: sx.Value("[1,2]:m") * 2.5, "[2.5,5]:m:double"),
    (lambda: -0.0 * sx.Value("[1]:m"), "[-0]:m:double"),
    (lambda: True + sx.Value("[1,2]"), "[2,3]:1:double"),
    (lambda: sx.Value("[1,2]:m").T, "[1;2]:m:double"),
    (lambda: sx.Value("[1,2]:m").H, "[1;2]:m:double"),
    (lambda: sx.Value("[1,2]:m") + [3, 4], None),
])
def test_operators_propagate_units(expression, expected):
    if expected is None:
        assert_error(expression, "unit_manager:propagation:IncommensurateUnits")
    else:
        assert str(expression()) == expected


def test_comparisons_and_logic_give_logical_values():
    a, b = sx.Value("[1,2,3]:m"), sx.Value("[0.002,0.002,0.002]:km")
    for result, expected in [(a < b, [1, 0, 0]), (a <= b, [1, 1, 0]), (a == b, [0, 1, 0]), (a != b, [1, 0, 1]),
                             (a > b, [0, 0, 1]), (a >= b, [0, 1, 1]), ((a < b) | (a > b), [1, 0, 1]),
                             ((a <= b) & (a >= b), [0, 1, 0]), (~(a == b), [1, 0, 1]), (2.5 > a / sx.Value("1:m"), [1, 1, 0])]:
        assert result.type == "uchar" and result.unit == "1"
        np.testing.assert_array_equal(np.asarray(result), [expected])
    assert_error(lambda: sx.Value("[1,nan]") & sx.Value("1"), "data_manager:value:CanNotConvertNanToLogical")


def test_affine_units_do_not_compare_by_their_numbers():
    assert_error(lambda: sx.Value("30:degC") > sx.Value("300:K"), "unit_manager:propagation:AffineUnitMismatch")


def test_failed_operator_leaves_operands_unchanged():
    a, b = sx.Value("[1,2]:m"), sx.Value("[3,4]:s")
    before = (snapshot(a), snapshot(b))
    error = assert_error(lambda: a + b, "unit_manager:propagation:IncommensurateUnits")
    assert error.arguments[:2] == ("m", "s")
    assert (snapshot(a), snapshot(b)) == before
    assert_error(lambda: a + sx.Value("[1,2,3]:m"), "data_manager:value:InvalidBinaryOperatorDimension")


def test_numbers_beyond_a_double_are_an_overflow_error():
    for make in [lambda: sx.Value("1") * 10**400, lambda: 10**400 - sx.Value("1"), lambda: sx.Value(10**400, "m")]:
        with pytest.raises(OverflowError):
            make()
    assert float(sx.Value("1") * (2**53 + 1)) == 2.0**53  # read as the nearest double, as numpy reads it


def test_unsupported_operands_are_a_type_error():
    for other in ["1", None, object(), {1: 2}]:
        with pytest.raises(TypeError):
            sx.Value("1") + other
    assert (sx.Value("1") == None) is False  # noqa: E711 - falls back to identity, as for other objects


def test_truth_and_numbers_of_one_by_one_values_only():
    assert bool(sx.Value("2")) and not bool(sx.Value("0:m")) and bool(sx.Value("nan"))
    assert float(sx.Value("7:1:int")) == 7.0 and int(sx.Value("-2.7")) == -2 and int(sx.Value("200:1:uchar")) == 200
    with pytest.raises(ValueError, match="ambiguous"):
        bool(sx.Value("[1,2]"))
    with pytest.raises(TypeError):
        float(sx.Value("[1,2]"))
    assert sx.Value.__hash__ is None


EXPECTED_NAMES = ["plus", "uplus", "minus", "uminus", "mtimes", "times", "mpower", "power", "mldivide", "mrdivide",
                  "ldivide", "rdivide", "eq", "ne", "lt", "gt", "le", "ge", "and", "or", "sin", "cos", "tan", "asin",
                  "acos", "atan", "atan2", "log", "log10", "sinh", "cosh", "tanh", "exp", "sqrt", "abs", "floor",
                  "ceil", "isinf", "isnan", "not", "transpose", "ctranspose"]


def test_every_library_operator_is_in_ops():
    assert sx.ops.names == EXPECTED_NAMES
    assert sx.ops.or_ is getattr(sx.ops, "or") and "not_" in sx.ops.__all__
    two = sx.Value("[4]")
    for name in EXPECTED_NAMES:
        function = getattr(sx.ops, name)
        result = function(two, sx.Value("2")) if function.__code__.co_argcount == 2 else function(sx.Value("[0.5]"))
        assert isinstance(result, sx.Value), name


@pytest.mark.parametrize("call, expected", [
    (lambda: sx.ops.mldivide(sx.Value("2:s"), sx.Value("[4,6]:m")), "[2,3]:m/s:double"),
    (lambda: sx.ops.ldivide(sx.Value("[2,4]"), sx.Value("[8,8]")), "[4,2]:1:double"),
    (lambda: sx.ops.mpower(sx.Value("2:m"), 3), "[8]:m^3:double"),
    (lambda: sx.ops.sqrt(sx.Value("[4,9]:m^2")), "[2,3]:m:double"),
    (lambda: sx.ops.isnan(sx.Value("[1,nan]")), None),
    (lambda: sx.ops.and_(sx.Value("[0,1]"), sx.Value("[1,1]")) | sx.ops.not_(sx.Value("[1,1]")), None),
])
def test_ops_reach_the_operators_without_python_syntax(call, expected):
    if expected is None:
        np.testing.assert_array_equal(np.asarray(call()), [[0, 1]])
    else:
        assert str(call()) == expected


def test_ops_check_the_operand_count():
    with pytest.raises(TypeError):
        sx._core.call(0, sx.Value("1"))
    with pytest.raises(TypeError):
        sx._core.call(3, sx.Value("1"), sx.Value("1"))
    assert_error(lambda: sx._core.call(42, sx.Value("1")), "data_manager:value:InvalidOperator")
