# SPDX-License-Identifier: Apache-2.0
import pytest
from hypothesis import settings

import sorvexa as sx

# No example database: the tests write nothing into the source tree.
settings.register_profile("sorvexa", database=None)
settings.load_profile("sorvexa")


def assert_error(call, identifier):
    """Runs call, which must raise sorvexa.Error with that identifier; returns the error."""
    with pytest.raises(sx.Error) as info:
        call()
    assert info.value.identifier == identifier, str(info.value)
    return info.value


def snapshot(value):
    """What must not change when an operation on value fails: its text, unit and element bytes."""
    return (value.type, value.shape, value.unit, value.resolved,
            bytes(value.magnitude.tobytes()) if value.resolved else None)
