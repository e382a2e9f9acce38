# SPDX-License-Identifier: Apache-2.0
"""numpy in and out: zero-copy read-only views, and the ufuncs that are library operators."""

import math

import numpy as np
import pytest

import sorvexa as sx
from conftest import assert_error


@pytest.mark.parametrize("text, dtype", [
    ("[1,2;3,4]:m:double", np.float64), ("[1,2,3]:1:uchar", np.uint8), ("[-1,2]:s:int", np.int32),
    ("[7;8]:1:uint", np.uint32), ("[-5,6]:1:char", np.int8), ("[]:m", np.float64), ("[-;-]", np.float64),
])
def test_views_are_read_only_and_share_the_values_buffer(text, dtype):
    v = sx.Value(text)
    view = np.asarray(v)
    assert view.dtype == np.dtype(dtype) and view.shape == v.shape
    assert not view.flags.writeable
    if v.size:
        assert not view.flags.owndata
        assert np.shares_memory(view, v.magnitude)
        with pytest.raises(ValueError):
            view[0, 0] = 9


def test_views_equal_the_text():
    np.testing.assert_array_equal(np.asarray(sx.Value("[1,2.5,3;4,5,6]:km")), [[1, 2.5, 3], [4, 5, 6]])
    np.testing.assert_array_equal(sx.Value("[-1,2]:1:int").tolist(), [[-1, 2]])


def test_asarray_with_a_dtype_copies():
    v = sx.Value("[1,2]:m:int")
    converted = np.asarray(v, dtype=np.float64)
    assert converted.dtype == np.float64 and converted.flags.owndata
    np.testing.assert_array_equal(converted, [[1.0, 2.0]])


UNARY_MATH = [
    (np.sin, math.sin), (np.cos, math.cos), (np.tan, math.tan), (np.arcsin, math.asin), (np.arccos, math.acos),
    (np.arctan, math.atan), (np.log, math.log), (np.log10, math.log10), (np.sinh, math.sinh), (np.cosh, math.cosh),
    (np.tanh, math.tanh), (np.exp, math.exp), (np.sqrt, math.sqrt), (np.floor, math.floor), (np.ceil, math.ceil),
    (np.absolute, abs), (np.negative, lambda x: -x),
]


@pytest.mark.parametrize("ufunc, reference", UNARY_MATH, ids=[u.__name__ for u, _ in UNARY_MATH])
def test_math_ufuncs_agree_with_the_c_library(ufunc, reference):
    inputs = [0.0, 0.25, 0.5, 0.999, 1.5, 3.75, 10.0, -0.75]
    xs = [x for x in inputs if ufunc not in (np.log, np.log10, np.sqrt) or x > 0]
    xs = [x for x in xs if ufunc not in (np.arcsin, np.arccos) or abs(x) <= 1]
    result = ufunc(sx.Value(xs))
    expected = np.array([[reference(x) for x in xs]])
    np.testing.assert_array_max_ulp(np.asarray(result), expected, maxulp=1)


def test_sine_of_degrees_converts_the_angle():
    result = np.sin(sx.Value("[30]:deg"))
    assert result.unit == "1"
    np.testing.assert_array_max_ulp(np.asarray(result), np.array([[0.5]]), maxulp=1)


@pytest.mark.parametrize("ufunc, expected_unit", [
    (np.add, "m"), (np.subtract, "m"), (np.multiply, "m*km"), (np.divide, "m/km"), (np.matmul, "m*km"),
    (np.less, "1"), (np.greater_equal, "1"), (np.equal, "1"), (np.not_equal, "1"), (np.arctan2, "1"),
])
def test_binary_ufuncs_propagate_units(ufunc, expected_unit):
    result = ufunc(sx.Value("[2]:m"), sx.Value("[1]:km"))
    assert isinstance(result, sx.Value) and result.unit == expected_unit


def test_ufuncs_take_numpy_arrays_on_either_side():
    v = sx.Value("[1,2]")
    np.testing.assert_array_equal(np.asarray(np.add(np.array([10.0, 20.0]), v)), [[11, 22]])
    np.testing.assert_array_equal(np.asarray(np.array([10.0, 20.0]) - v), [[9, 18]])
    np.testing.assert_array_equal(np.asarray(np.array([1.0, 5.0]) > v), [[0, 1]])


@pytest.mark.parametrize("call", [
    lambda v: np.cumsum(v), lambda v: np.add.accumulate(v), lambda v: np.add.reduce(v), lambda v: np.sum(v),
    lambda v: np.mean(v), lambda v: np.floor_divide(v, v), lambda v: np.add(v, v, out=np.empty((1, 2))),
    lambda v: np.hypot(v, v), lambda v: np.concatenate([v, v]), lambda v: np.add.outer(v, v),
], ids=["cumsum", "accumulate", "reduce", "sum", "mean", "floor_divide", "out", "hypot", "concatenate", "outer"])
def test_numpy_calls_that_would_drop_units_raise_type_error(call):
    with pytest.raises(TypeError):
        call(sx.Value("[1,2]:m"))


def test_numpy_functions_that_are_library_operations():
    v = sx.Value("[1,2;3,4]:m")
    assert np.transpose(v).equals(v.T)
    assert np.vstack([v, sx.Value("[5,6]:km")]).equals(sx.Value("[1,2;3,4;5000,6000]:m"))
    assert np.hstack([v, v]).shape == (2, 4)
    assert (np.shape(v), np.ndim(v), np.size(v)) == ((2, 2), 2, 4)


def test_ufunc_errors_are_the_librarys():
    assert_error(lambda: np.add(sx.Value("1:m"), sx.Value("1:s")), "unit_manager:propagation:IncommensurateUnits")
    assert_error(lambda: np.sin(sx.Value("1:m:int")), "data_manager:value:InvalidMathOperatorType")
