# SPDX-License-Identifier: Apache-2.0
"""Indexing through SubsRef, with numpy's own indexing of the same matrix as the reference."""

import numpy as np
import pytest

import sorvexa as sx
from conftest import assert_error

MATRIX = np.arange(12, dtype=np.float64).reshape(3, 4)


def numpy_reference(key):
    """numpy's selection of MATRIX, kept two-dimensional as values always are."""
    if not isinstance(key, tuple):
        key = (key, slice(None))
    rows, cols = key
    rows = [rows] if isinstance(rows, int) else rows
    cols = [cols] if isinstance(cols, int) else cols
    return MATRIX[np.ix_(np.arange(3)[rows], np.arange(4)[cols])]


KEYS = [
    (1, 2), (-1, -1), 0, -2, (slice(None), 1), (slice(1, None), slice(None, None, 2)), (slice(None, None, -1), 0),
    ([2, 0, 2], slice(None)), (slice(None), [-1, 0]), (np.array([True, False, True]), slice(None)),
    (slice(None), [False, True, True, False]), (slice(2, 1), slice(None)), ([], [0]),
]


@pytest.mark.parametrize("key", KEYS, ids=[repr(k) for k in KEYS])
def test_indexing_selects_as_numpy(key):
    v = sx.Value(MATRIX, "m")
    result = v[key]
    assert result.unit == "m" and result.type == "double"
    np.testing.assert_array_equal(np.asarray(result), numpy_reference(key))


def test_a_mask_of_the_values_shape_selects_elements_in_row_order():
    v = sx.Value(MATRIX, "s")
    selected = v[v > sx.Value("6.5:s")]
    np.testing.assert_array_equal(np.asarray(selected), [MATRIX[MATRIX > 6.5]])
    assert selected.unit == "s"
    np.testing.assert_array_equal(np.asarray(v[np.asarray(v) < 2]), [[0, 1]])
    with pytest.raises(IndexError):
        v[np.zeros((2, 2), dtype=bool)]


@pytest.mark.parametrize("key", [(3, 0), (0, 4), (-4, 0), (0, [1, 9])])
def test_indices_outside_the_value_are_the_librarys_error(key):
    assert_error(lambda: sx.Value(MATRIX)[key], "qtf:subsref:IndexOutOfRange")


@pytest.mark.parametrize("key", [(np.array([True, False]), 0), (0, 1, 2), (0.5, 0), (True, 0)])
def test_malformed_indices_are_an_index_error(key):
    with pytest.raises(IndexError):
        sx.Value(MATRIX)[key]


def test_iteration_and_length_go_by_rows():
    v = sx.Value(MATRIX)
    assert len(v) == 3
    rows = list(v)
    assert [r.shape for r in rows] == [(1, 4)] * 3
    np.testing.assert_array_equal(np.asarray(rows[2]), MATRIX[2:3])


def test_a_subscripted_value_has_its_own_data():
    v = sx.Value(MATRIX)
    part = v[0]
    assert not np.shares_memory(np.asarray(part), np.asarray(v))
