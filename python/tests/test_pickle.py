# SPDX-License-Identifier: Apache-2.0
"""Lossless pickling and copying, also across processes."""

import copy
import multiprocessing
import pickle

import numpy as np
import pytest

import sorvexa as sx

VALUES = [
    "[1,2;3,4]:km:double", "[0.1,1e-300,-0,inf]:m/s^2", "[255,0]:1:uchar", "[-2147483648,7]:s:int",
    "[4294967295]:1:uint", "[-128,127]:1:char", "[]:degC", "[-;-]:K:int", "[|,|,|]:1:uint",
]


@pytest.mark.parametrize("text", VALUES)
def test_pickle_and_copies_are_exact(text):
    v = sx.Value(text)
    for protocol in range(2, pickle.HIGHEST_PROTOCOL + 1):
        assert pickle.loads(pickle.dumps(v, protocol)).equals(v)
    for c in (copy.copy(v), copy.deepcopy(v)):
        assert c.equals(v)


def test_nan_payloads_and_unresolved_values_survive():
    nan = sx.Value(np.array([np.frombuffer(b"\x01\x00\x00\x00\x00\x00\xf8\x7f", dtype=np.float64)[0]]))
    assert pickle.loads(pickle.dumps(nan)).magnitude.tobytes() == nan.magnitude.tobytes()
    u = pickle.loads(pickle.dumps(sx.Value.unresolved("char", (2, 3), "m/s")))
    assert (u.resolved, u.type, u.shape, u.unit) == (False, "char", (2, 3), "m/s")


def test_values_of_a_unit_system_come_back_into_it():
    system = sx.UnitSystem("furlong = 201.168 m")
    v = system.value([1, 2], "furlong")
    back = pickle.loads(pickle.dumps(v))
    assert back.system is v.system and back.equals(v)


def to_metres(value):
    return value.to("m")


def test_values_cross_a_process_pool():
    system = sx.UnitSystem("furlong = 201.168 m")
    values = [sx.Value([1.0, 2.0], "km"), system.value([1.0], "furlong"), sx.Value("[3]:mi:int")]
    with multiprocessing.get_context("spawn").Pool(2) as pool:
        results = pool.map(to_metres, values)
    assert [str(r) for r in results] == ["[1000,2000]:m:double", "[201.168]:m:double", "[4828]:m:int"]
