# SPDX-License-Identifier: Apache-2.0
"""A smoke test of an installed sorvexa wheel, run from outside the source tree by .ci/run: the package must come
from site-packages, carry its libraries and give the library's results."""

import importlib.metadata
import os
import pickle

import numpy as np

import sorvexa as sx

assert "site-packages" in sx.__file__, sx.__file__
v = sx.Value(np.array([1.0, 2.0]), "km") + sx.Value("[3,4]:m")
assert str(v) == "[1.003,2.004]:km:double" and not np.asarray(v).flags.owndata
assert str(sx.Value("20:degC").to("degF")) == "[68]:degF:double"
try:
    sx.Value("1:m") + sx.Value("1:s")
    raise AssertionError("incommensurate units were added")
except sx.Error as error:
    assert error.identifier == "unit_manager:propagation:IncommensurateUnits"
try:
    np.cumsum(v)
    raise AssertionError("np.cumsum dropped the units")
except TypeError:
    pass
assert abs(float(np.sin(sx.Value("[30]:deg"))) - 0.5) <= np.spacing(0.5)
assert pickle.loads(pickle.dumps(v)).equals(v)
libraries = sorted(f for f in os.listdir(os.path.dirname(sx.__file__)) if f.startswith("libsorvexa_"))
assert len(libraries) == 4, libraries
assert sx.__version__ == importlib.metadata.version("sorvexa"), sx.__version__  # the libraries are the wheel's own
print("wheel smoke test passed:", v, "from", os.path.dirname(sx.__file__))
