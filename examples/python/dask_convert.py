#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Converts a long series of distances from miles to kilometres in chunks, on Dask's local process pool.

Each chunk is a sorvexa.Value: it is pickled to a worker process, converted there by the library, and pickled back.
The script checks the joined result against numpy's arithmetic and prints one line.

    PYTHONPATH=<where sorvexa is> /usr/bin/python3 examples/python/dask_convert.py [CHUNKS]
"""

import sys

import dask
import dask.bag
import numpy as np

import sorvexa as sx


def main():
    chunks = int(sys.argv[1]) if len(sys.argv) > 1 else 8
    miles = np.linspace(0.0, 500.0, 100_000)
    values = [sx.Value(part, "mi") for part in np.array_split(miles, chunks)]
    converted = dask.bag.from_sequence(values, npartitions=chunks).map(lambda v: v.to("km"))
    with dask.config.set(scheduler="processes", num_workers=2):
        parts = converted.compute()
    result = sx.horzcat(*parts)
    assert result.unit == "km" and result.shape == (1, miles.size)
    np.testing.assert_allclose(np.asarray(result)[0], miles * 1.609344, rtol=1e-15)
    print("converted %d distances in %d chunks on worker processes: %s km ... %s km"
          % (miles.size, chunks, np.asarray(result)[0, 1], np.asarray(result)[0, -1]))


if __name__ == "__main__":
    main()
