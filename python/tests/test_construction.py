# SPDX-License-Identifier: Apache-2.0
"""Values in: text, numbers, lists and numpy arrays, the dtype map, and dtype= conversions."""

import numpy as np
import pytest

import sorvexa as sx
from conftest import assert_error


@pytest.mark.parametrize("data, unit, shape, dtype", [
    ("[1,2;3,4]:km:int", None, (2, 2), np.int32),
    ("1.5", None, (1, 1), np.float64),
    (2.5, "m", (1, 1), np.float64),
    (7, None, (1, 1), np.float64),            # a Python int is a number: double, as in the text form
    ([1, 2, 3], "s", (1, 3), np.float64),
    ([[1, 2], [3, 4], [5, 6]], None, (3, 2), np.float64),
    ([], None, (1, 0), np.float64),
    (np.float64(3.0), None, (1, 1), np.float64),
    (np.array(4, dtype=np.int32), None, (1, 1), np.int32),
    (np.zeros(5, dtype=np.uint32), None, (1, 5), np.uint32),
    (np.zeros((2, 3), dtype=np.int8), None, (2, 3), np.int8),
    (np.zeros((0, 3), dtype=np.uint8), None, (0, 3), np.uint8),
    (np.array([True, False]), None, (1, 2), np.uint8),
])
def test_shapes_and_dtypes_follow_the_map(data, unit, shape, dtype):
    v = sx.Value(data, unit) if unit else sx.Value(data)
    assert v.shape == shape
    assert v.dtype == np.dtype(dtype)
    assert np.asarray(v).shape == shape


def test_array_elements_are_copied_in_row_order():
    source = np.arange(6, dtype=np.float64).reshape(2, 3)
    for data in (source, np.asfortranarray(source), source.T.copy().T, source[:, ::-1][:, ::-1]):
        np.testing.assert_array_equal(np.asarray(sx.Value(data, "m")), source)
    strided = np.arange(12.0)[::2]
    np.testing.assert_array_equal(np.asarray(sx.Value(strided)), [strided])


@pytest.mark.parametrize("dtype", [np.int64, np.float32, np.uint16, np.complex128, np.dtype(">f8"), object])
def test_other_dtypes_are_a_type_error_naming_the_five(dtype):
    with pytest.raises(TypeError, match="float64 .double., int32 .int., uint32 .uint., int8 .char., uint8 or bool"):
        sx.Value(np.zeros(2, dtype=dtype))


def test_more_than_two_dimensions_is_a_value_error():
    with pytest.raises(ValueError, match="at most 2 dimensions"):
        sx.Value(np.zeros((2, 2, 2)))


# dtype= converts with the library's rules: doubles round half away from zero and saturate, NaN gives 0.
@pytest.mark.parametrize("data, dtype, expected", [
    ([2.5, -2.5, 0.49, 1e10, -1e10, np.nan], "int", [3, -3, 0, 2147483647, -2147483648, 0]),
    ([255.5, -1, 300, 0.5], "uchar", [255, 0, 255, 1]),
    ([127.5, -128.5, -0.5], np.int8, [127, -128, -1]),
    ([4294967296.0, -3, 1.5], "uint32", [4294967295, 0, 2]),
    (np.array([70000, -70000], dtype=np.int32), "char", [127, -128]),
    (np.array([200], dtype=np.uint8), "double", [200.0]),
    (np.array([3, 2**40], dtype=np.int64), "int", [3, 2147483647]),
    (np.array([1.25], dtype=np.float32), float, [1.25]),
    (np.array([True, False]), "logical", [1, 0]),
])
def test_dtype_argument_converts_by_the_library_rules(data, dtype, expected):
    v = sx.Value(np.asarray(data) if isinstance(data, list) else data, dtype=dtype)
    np.testing.assert_array_equal(np.asarray(v)[0], expected)


@pytest.mark.parametrize("dtype", ["int64", np.float32, "quadruple", 3])
def test_unknown_dtype_argument_is_a_type_error(dtype):
    with pytest.raises(TypeError, match="dtype must be one of"):
        sx.Value([1.0], dtype=dtype)


@pytest.mark.parametrize("text, identifier", [
    ("[1,2;3]", "data_manager:value:InvalidStringDataSpecification"),
    ("1:1:x:y", "data_manager:value:InvalidStringValueSpecification"),
    ("[1]:m:float", "data_manager:value:InvalidStringTypeSpecification"),
    ("[1,abc]", "qtf:string:InvalidNumber"),
    ("1:knot", "unit_manager:parser:UnknownUnit"),
    ("1:m^", "unit_manager:parser:InvalidUnitExpression"),
])
def test_bad_text_raises_the_library_error(text, identifier):
    error = assert_error(lambda: sx.Value(text), identifier)
    assert isinstance(error, ValueError)
    assert len(error.arguments) == 4 and all(isinstance(a, str) for a in error.arguments)


def test_text_with_unit_or_dtype_arguments_is_refused():
    with pytest.raises(TypeError):
        sx.Value("[1,2]", "m")
    with pytest.raises(TypeError):
        sx.Value("[1,2]", dtype="int")


def test_unresolved_values_have_no_data_until_shared():
    u = sx.Value.unresolved("int", (1, 2), "km")
    assert (u.resolved, u.shape, u.dtype, u.unit) == (False, (1, 2), np.dtype(np.int32), "km")
    assert_error(lambda: np.asarray(u), "data_manager:value:QueryUnresolvedValue")
    assert_error(lambda: u + 1, "data_manager:value:QueryUnresolvedValue")
    r = sx.Value(np.array([[5, 6]], dtype=np.int32), "m")
    u.share(r)
    # Tied values read the other's numbers unchanged; the unit stays their own.
    assert u.resolved and u.unit == "km"
    np.testing.assert_array_equal(np.asarray(u), [[5, 6]])


@pytest.mark.parametrize("other, identifier", [
    (sx.Value("[1,2]:km:double"), "data_manager:value:InconsistentDataType"),
    (sx.Value("[1,2,3]:km:int"), "data_manager:value:InconsistentDimension"),
    (sx.Value("[1,2]:s:int"), "data_manager:value:InconsistentUnits"),
])
def test_failed_share_changes_nothing(other, identifier):
    u = sx.Value.unresolved("int", (1, 2), "m")
    error = assert_error(lambda: u.share(other), identifier)
    assert error.arguments[0] in ("Int", "1x2", "m")
    assert not u.resolved and other.resolved


def test_sharing_two_resolved_values_overresolves():
    a, b = sx.Value("[1]"), sx.Value("[2]")
    assert_error(lambda: a.share(b), "data_manager:value:OverresolvingValue")
    assert (float(a), float(b)) == (1.0, 2.0)
