# SPDX-License-Identifier: Apache-2.0
"""Objects going away in any order: views outlive values, values outlive their unit system's Python object."""

import gc
import weakref

import numpy as np

import sorvexa as sx


def test_a_view_keeps_its_value_alive():
    view = np.asarray(sx.Value(np.arange(1000.0), "m") * 2)
    magnitude = sx.Value("[7,8]:s").magnitude
    gc.collect()
    junk = [sx.Value(np.full(1000, 5.0)) for _ in range(50)]  # reuse freed memory, if it were freed
    del junk
    gc.collect()
    np.testing.assert_array_equal(view, [np.arange(1000.0) * 2])
    np.testing.assert_array_equal(magnitude, [[7, 8]])
    assert isinstance(view.base, sx.Value)


def test_values_outlive_their_unit_system_object():
    system = sx.UnitSystem("furlong = 201.168 m\nfortnight = 14 d")
    v = system.value([1, 2], "furlong/fortnight")
    alive = weakref.ref(system)
    del system
    gc.collect()
    assert alive() is None  # the Python object is gone; the value keeps what it needs
    w = (v + v).to("m/s")
    np.testing.assert_allclose(np.asarray(w), [[2 * 201.168 / 1209600, 4 * 201.168 / 1209600]], rtol=1e-15)
    assert v.unit == "furlong/fortnight" and "furlong" in v.system.units()
    assert sx.Value("[1]:m", system=v.system).unit == "m"


def test_tied_values_keep_the_data_they_read():
    u = sx.Value.unresolved("double", (1, 3), "km", system=sx.UnitSystem("leg = 3 m"))
    source = sx.UnitSystem("stride = 2 m").value([1, 2, 3], "stride")
    u.share(source)
    view = np.asarray(u)
    del source
    gc.collect()
    np.testing.assert_array_equal(np.asarray(u), [[1, 2, 3]])
    del u
    gc.collect()
    np.testing.assert_array_equal(view, [[1, 2, 3]])


def test_results_carry_their_operands_system_through_reused_objects():
    leg = sx.UnitSystem("leg = 3 m")
    legs = leg.value([1.0, 2.0], "leg")
    meters = sx.Value("[1,2]:m")
    alive = weakref.ref(leg)
    del leg
    kept = []
    for i in range(300):  # released objects come back as the next results; each must be whole and in its system
        a, b = legs * float(i), meters * float(i) + meters
        if i % 3 == 0:
            kept.append((i, a, b))
    del legs
    gc.collect()
    assert alive() is None
    for i, a, b in kept:
        assert str(a.to("m")) == str(sx.Value([3.0 * i, 6.0 * i], "m")) and "leg" in a.system.units()
        assert b.system is sx.default_system() and np.asarray(b).tolist() == [[i + 1.0, 2.0 * (i + 1)]]
