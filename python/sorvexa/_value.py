# SPDX-License-Identifier: Apache-2.0
"""The parts of sorvexa.Value that read best in Python: numpy's protocols, indexing and iteration."""

import numpy as np

from . import _core

_OPS = {name: index for index, (name, _) in enumerate(_core.operator_names())}

# numpy ufuncs and the library operators they are; any other ufunc would drop the units, so it raises TypeError.
UFUNCS = {
    np.add: "plus",
    np.subtract: "minus",
    np.multiply: "times",
    np.divide: "rdivide",
    np.power: "power",
    np.negative: "uminus",
    np.positive: "uplus",
    np.absolute: "abs",
    np.sin: "sin",
    np.cos: "cos",
    np.tan: "tan",
    np.arcsin: "asin",
    np.arccos: "acos",
    np.arctan: "atan",
    np.arctan2: "atan2",
    np.log: "log",
    np.log10: "log10",
    np.sinh: "sinh",
    np.cosh: "cosh",
    np.tanh: "tanh",
    np.exp: "exp",
    np.sqrt: "sqrt",
    np.floor: "floor",
    np.ceil: "ceil",
    np.isnan: "isnan",
    np.isinf: "isinf",
    np.logical_and: "and",
    np.logical_or: "or",
    np.logical_not: "not",
    np.less: "lt",
    np.less_equal: "le",
    np.greater: "gt",
    np.greater_equal: "ge",
    np.equal: "eq",
    np.not_equal: "ne",
    np.matmul: "mtimes",
}
_UFUNC_OPS = {ufunc: _OPS[name] for ufunc, name in UFUNCS.items()}


def _array_ufunc(self, ufunc, method, *inputs, **kwargs):
    """Evaluates the numpy ufuncs that are library operators (np.add, np.sin, np.matmul, ...) through the library,
    units propagating. Other ufuncs, ufunc methods (reduce, accumulate: np.cumsum, np.sum) and out=/where= raise
    TypeError rather than compute on the bare numbers."""
    op = _UFUNC_OPS.get(ufunc)
    if op is None:
        raise TypeError("numpy.%s is not a library operator; it would drop the units (use np.asarray(v) for the "
                        "bare numbers)" % ufunc.__name__)
    if method != "__call__":
        raise TypeError("numpy.%s.%s is not supported for sorvexa values: only the elementwise call is a library "
                        "operator" % (ufunc.__name__, method))
    if kwargs:
        raise TypeError("numpy.%s on sorvexa values takes no keyword arguments (%s)"
                        % (ufunc.__name__, ", ".join(sorted(kwargs))))
    return _core.call(op, *inputs)


def _transpose(value, axes=None):
    if axes is not None and tuple(axes) != (1, 0):
        raise TypeError("a value transposes only as a whole matrix")
    return value.T


def _stack(values, vertical):
    return (_core.vertcat if vertical else _core.horzcat)(*values)


_ARRAY_FUNCTIONS = {
    np.transpose: _transpose,
    np.vstack: lambda values: _stack(values, True),
    np.hstack: lambda values: _stack(values, False),
    np.shape: lambda value: value.shape,
    np.ndim: lambda value: value.ndim,
    np.size: lambda value: value.size,
}


def _array_function(self, func, types, args, kwargs):
    """numpy functions on values: np.transpose, np.vstack, np.hstack, np.shape, np.ndim and np.size go through the
    library; every other one raises TypeError, since it would compute on the numbers without their units."""
    impl = _ARRAY_FUNCTIONS.get(func)
    if impl is None:
        raise TypeError("numpy.%s is not defined for sorvexa values: it would drop the units (use np.asarray(v) "
                        "for the bare numbers)" % func.__name__)
    return impl(*args, **kwargs)


def _positions(key, extent, axis):
    """The 0-based positions a numpy-style index selects along one extent, or None for all of it. Negative positions
    count from the end; a position still outside the extent is left for the library to reject."""
    if isinstance(key, slice):
        if key == slice(None):
            return None
        return list(range(*key.indices(extent)))
    if isinstance(key, _core.Value):
        key = np.asarray(key)
    if isinstance(key, (bool, np.bool_)):
        raise IndexError("a boolean index selects along an extent: give a mask of length %d" % extent)
    if isinstance(key, (int, np.integer)):
        key = [key]
    array = np.asarray(key)
    if array.dtype == np.bool_:
        if array.ndim != 1 or array.shape[0] != extent:
            raise IndexError("a boolean mask for the %s needs %d entries, not %s" % (axis, extent, array.shape))
        return [int(i) for i in np.flatnonzero(array)]
    if array.ndim > 1 or (array.size and array.dtype.kind not in "iu"):
        raise IndexError("an index is an integer, a slice, a list of integers or a boolean mask")
    return [int(i) + extent if i < 0 else int(i) for i in array.reshape(-1).tolist()]


def _mask(key):
    """key as a boolean numpy array when it is a mask (a bool array, or a logical value such as v > 0), else None."""
    if isinstance(key, _core.Value):
        return np.asarray(key).astype(bool) if key.type == "uchar" else None
    if isinstance(key, np.ndarray) and key.dtype == np.bool_:
        return key
    return None


def _getitem(self, key):
    """v[i, j], v[i] (row i), slices, integer lists and boolean masks as numpy reads them (negative indices count
    from the end), selected through the library's SubsRef; the result is always a matrix. A mask of the value's own
    shape (such as v > 0) selects those elements, in row order, as a 1-by-k value."""
    rows, cols = self.shape
    if isinstance(key, tuple):
        if len(key) != 2:
            raise IndexError("a value takes one or two indices, not %d" % len(key))
        return self._subsref(_positions(key[0], rows, "rows"), _positions(key[1], cols, "columns"))
    mask = _mask(key)
    if mask is not None and mask.ndim == 2:
        if mask.shape != (rows, cols):
            raise IndexError("a mask of a %dx%d value has that shape, not %s" % (rows, cols, mask.shape))
        flat = _core.horzcat(*(self._subsref([r], None) for r in range(rows))) if rows > 1 else self
        return flat._subsref(None, [int(i) for i in np.flatnonzero(mask)])
    return self._subsref(_positions(key, rows, "rows"), None)


def _iter(self):
    """The rows, each a 1-by-n value."""
    for row in range(self.shape[0]):
        yield self._subsref([row], None)


def _tolist(self):
    """The elements as nested lists of Python numbers, one list per row."""
    return np.asarray(self).tolist()


def _restore(*state):
    return _core._restore(*state)


def _restore_system(*state):
    return _core._restore_system(*state)


def _reduce(self):
    """Pickles type, shape, unit text and element bytes (an unresolved value as unresolved), and the unit system
    when it is not the default one."""
    return _restore, self._state()


def _reduce_system(self):
    return _restore_system, self._state()


_core.Value.__reduce__ = _reduce
_core.UnitSystem.__reduce__ = _reduce_system
_core.Value.__array_ufunc__ = _array_ufunc
_core.Value.__array_function__ = _array_function
_core.Value.__getitem__ = _getitem
_core.Value.__iter__ = _iter
_core.Value.tolist = _tolist
