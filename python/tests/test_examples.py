# SPDX-License-Identifier: Apache-2.0
"""The Python examples run and check their own results."""

import os
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
