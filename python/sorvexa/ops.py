# SPDX-License-Identifier: Apache-2.0
"""The library's 42 operators by their names: ops.plus(a, b), ops.mldivide(a, b), ops.atan2(y, x), ops.sqrt(v), ...

"and", "or" and "not" are Python keywords: call them as ops.and_, ops.or_ and ops.not_ (getattr(ops, "and") works
too). Each takes one or two operands (sorvexa.Value, Python numbers, nested lists or numpy arrays, the latter read as
values in unit "1"); the first operand's element type decides the evaluation.
"""

import keyword

from . import _core


def _make(index, name, count):
    if count == 2:

        def operator(first, second):
            return _core.call(index, first, second)

        operator.__doc__ = "The library's %s operator on two operands." % name
    else:

        def operator(value):
            return _core.call(index, value)

        operator.__doc__ = "The library's %s operator on one operand." % name
    operator.__name__ = operator.__qualname__ = name
    return operator


names = []
for _index, (_name, _count) in enumerate(_core.operator_names()):
    globals()[_name] = _make(_index, _name, _count)
    if keyword.iskeyword(_name):
        globals()[_name + "_"] = globals()[_name]
    names.append(_name)

__all__ = [n + "_" if keyword.iskeyword(n) else n for n in names]
