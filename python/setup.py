# SPDX-License-Identifier: Apache-2.0
"""Packs the built sorvexa package into a wheel; ./build.sh wheel stages the files and runs this offline:

    /usr/bin/python3 -m build --wheel --no-isolation <staging directory>

The staging directory holds this file and sorvexa/ with the extension module, the pure-Python files, the stubs and
the four shared libraries the module needs (found through its $ORIGIN run path)."""

import glob
import os

from setuptools import setup
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))


class BinaryDistribution(Distribution):
    """The wheel carries a compiled module, so it is tagged for this Python and platform."""

    def has_ext_modules(self):
        return True


def version():
    with open(os.path.join(HERE, "VERSION")) as f:
        return f.read().strip()


package_files = [os.path.basename(p) for p in glob.glob(os.path.join(HERE, "sorvexa", "*"))
                 if not p.endswith(".py")]

setup(
    name="sorvexa",
    version=version(),
    description="Matrices that carry physical units, computed by the sorvexa C++ library, for numpy users",
    license="Apache-2.0",
    python_requires=">=3.9",
    install_requires=["numpy"],
    packages=["sorvexa"],
    package_data={"sorvexa": package_files},
    distclass=BinaryDistribution,
    zip_safe=False,
)
