# SPDX-License-Identifier: Apache-2.0
"""The Python examples run and check their own results; the package reports the project's version."""

import os
import re
import subprocess
import sys

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


@pytest.mark.parametrize("script, args", [("dask_convert.py", ["4"])])
def test_example_runs(script, args):
    done = subprocess.run([sys.executable, os.path.join(ROOT, "examples", "python", script)] + args,
                          capture_output=True, text=True, timeout=240, env=dict(os.environ))
    assert done.returncode == 0, done.stderr
    assert "converted 100000 distances in 4 chunks" in done.stdout


def test_the_package_reports_the_project_version():
    import sorvexa as sx
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        project = re.search(r"project\([^)]*VERSION\s+([0-9.]+)", f.read()).group(1)
    assert sx.__version__ == project
