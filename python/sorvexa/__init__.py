# SPDX-License-Identifier: Apache-2.0
"""sorvexa: matrices that carry physical units, computed by the sorvexa C++ library.

    import sorvexa as sx, numpy as np
    v = sx.Value(np.array([1.0, 2.0]), "km") + sx.Value("[3,4]:m")   # [1.003,2.004]:km:double
    np.asarray(v)                                                      # a read-only view, no copy
    sx.Value("20:degC").to("degF")                                     # [68]:degF:double

Every result comes from the library: units propagate through the operators and the numpy ufuncs listed in
Value.__array_ufunc__; other numpy functions raise TypeError rather than drop units. Library errors raise
sorvexa.Error (a ValueError) with .identifier and .arguments.
"""

from . import _core
from ._core import Error, UnitSystem, Value, __version__, default_system, horzcat, units, vertcat
from . import _value, ops

__all__ = ["Error", "UnitSystem", "Value", "default_system", "horzcat", "ops", "units", "vertcat"]
