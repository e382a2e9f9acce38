#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Measures the sorvexa Python package against numpy, Pint and astropy from one Python process, and prints one table
in the form of compare.py's: workload, library figure, competitor figure, ratio, target, met.

    /usr/bin/python3 bench/compare/python_compare.py [--package-dir build/python/python/package]
                                             [--bench-dir build/bench] [--quick]

Workloads: scalar a + b (m + m, m + km) and a < b, with the C++ library's own figure for the same call
(bench/operator_bench, when ./build.sh bench has built it) measured in the same rounds to show the split;
1e7-element m + km against numpy's a + 1e3*b; converting 1e6 elements from km to m; np.asarray(v) of 10 and of 1e7
elements (a view: its cost must not grow with the size).
The library and its competitors are measured in turn several times and each keeps its best figure, so that a slow
spell of a shared machine hits both; Python figures include the interpreter's loop, as timeit reports them.
ratio = the library's speed / the competitor's (above 1: the library is faster).
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

from compare import Table, best_seconds, ensure_debian_python, fmt_time, load_average, run_library  # noqa: E402


def measure(cases, rounds, repeats, minimum, extra=None):
    """{name: (stmt, env)} measured in turn rounds times; {name: best nanoseconds}. extra(), when given, runs in each
    round too and returns {name: nanoseconds} of its own, merged the same way."""
    best = {}
    for _ in range(rounds):
        found = dict(extra()) if extra else {}
        for name, (stmt, env) in cases.items():
            found[name] = best_seconds(stmt, env, repeats=repeats, minimum=minimum) * 1e9
        for name, ns in found.items():
            best[name] = min(best.get(name, ns), ns)
    return best


def library_calls(bench_dir):
    """The C++ figures of the same scalar operations (operator_bench, one call of ValueOperator::call and the result's
    release), {name: nanoseconds}; None when the benchmarks are not built."""
    if not os.path.exists(os.path.join(bench_dir, "bench", "operator_bench")):
        return None
    cases = {"Plus_double/1x1/library": "m+m C++", "Plus_double/1x1_m_km/library": "m+km C++",
             "Lt_double/1x1_m_km/library": "m<km C++"}

    def run():
        found = run_library("operator_bench", "^(Plus_double/1x1|Plus_double/1x1_m_km|Lt_double/1x1_m_km)/library",
                            bench_dir, repetitions=3)
        return {label: found[case]["ns"] for case, label in cases.items()}
    return run


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--package-dir", default=os.path.join(ROOT, "build", "python", "python", "package"),
                        help="where the built sorvexa package is (./build.sh python builds it there)")
    parser.add_argument("--bench-dir", default=os.path.join(ROOT, "build", "bench"),
                        help="the benchmark build (./build.sh bench) whose operator_bench gives the C++ figures")
    parser.add_argument("--quick", action="store_true", help="fewer repeats: a first look on a busy machine")
    args = parser.parse_args()
    ensure_debian_python()
    sys.path.insert(0, os.path.abspath(args.package_dir))
    try:
        import sorvexa as sx
    except ImportError as error:
        sys.exit("no sorvexa package under %s (%s): run ./build.sh python first" % (args.package_dir, error))
    import numpy as np
    import pint
    import astropy.units as u

    rounds, repeats, minimum = (2, 3, 0.05) if args.quick else (3, 5, 0.2)
    ureg = pint.UnitRegistry()
    Q = ureg.Quantity
    n_big, n_convert = 10_000_000, 1_000_000
    rng = np.random.default_rng(3)
    big_a, big_b = rng.uniform(0, 1, n_big), rng.uniform(0, 1, n_big)
    small = rng.uniform(0, 1, n_convert)
    env = {
        "np": np, "sx": sx, "u": u,
        "sm": sx.Value("1:m"), "sm2": sx.Value("2:m"), "skm": sx.Value("1:km"),
        "x": np.float64(1.0), "y": np.float64(2.0),
        "pm": Q(1.0, "m"), "pm2": Q(2.0, "m"), "pkm": Q(1.0, "km"),
        "am": 1.0 * u.m, "am2": 2.0 * u.m, "akm": 1.0 * u.km,
        "a": big_a, "b": big_b, "sa": sx.Value(big_a, "m"), "sb": sx.Value(big_b, "km"),
        "pa": Q(big_a, "m"), "pb": Q(big_b, "km"), "aa": big_a * u.m, "ab": big_b * u.km,
        "c": small, "sc": sx.Value(small, "km"), "pc": Q(small, "km"), "ac": small * u.km,
        "tiny": sx.Value(np.arange(10.0)), "huge": sx.Value(big_a),
    }
    scalar = {
        "m+m sorvexa": "sm + sm2", "m+m numpy": "x + y", "m+m pint": "pm + pm2", "m+m astropy": "am + am2",
        "m+km sorvexa": "sm + skm", "m+km pint": "pm + pkm", "m+km astropy": "am + akm",
        "m<km sorvexa": "sm < skm", "m<km numpy": "x < y", "m<km pint": "pm < pkm", "m<km astropy": "am < akm",
    }
    arrays = {
        "1e7 sorvexa": "sa + sb", "1e7 numpy": "a + 1e3*b", "1e7 pint": "pa + pb", "1e7 astropy": "aa + ab",
        "conv sorvexa": "sc.to('m')", "conv numpy": "1e3*c", "conv pint": "pc.to('m')", "conv astropy": "ac.to(u.m)",
        "asarray 10": "np.asarray(tiny)", "asarray 1e7": "np.asarray(huge)",
    }
    load_before = load_average()
    cpp = library_calls(os.path.abspath(args.bench_dir))
    # The scalar figures are a tenth of a microsecond, where a busy spell weighs most: twice the rounds.
    t = measure({k: (v, env) for k, v in scalar.items()}, 2 * rounds, repeats, minimum, cpp)
    t.update(measure({k: (v, env) for k, v in arrays.items()}, rounds, repeats, max(minimum, 0.1)))

    table = Table()
    for label, key in [("scalar m + m", "m+m"), ("scalar m + km", "m+km"), ("scalar m < km", "m<km")]:
        lib = t[key + " sorvexa"]
        numpy_key = key + " numpy" if key + " numpy" in t else "m+m numpy"
        within3 = key == "m+km"
        table.add(label + " vs numpy float64 scalar", fmt_time(lib), fmt_time(t[numpy_key]), t[numpy_key] / lib,
                  ">= 0.333 (within 3x)" if within3 else "", t[numpy_key] / lib >= 1 / 3 if within3 else None)
        table.add(label + " vs Pint", fmt_time(lib), fmt_time(t[key + " pint"]), t[key + " pint"] / lib,
                  ">= 20" if key == "m+km" else "", t[key + " pint"] / lib >= 20 if key == "m+km" else None)
        table.add(label + " vs astropy", fmt_time(lib), fmt_time(t[key + " astropy"]), t[key + " astropy"] / lib)
    # The split of the Python figure: the library's own call (operator_bench) and the rest (interpreter, binding).
    for label, key in [("scalar m + m", "m+m"), ("scalar m + km", "m+km"), ("scalar m < km", "m<km")]:
        if key + " C++" in t:
            lib, cxx = t[key + " sorvexa"], t[key + " C++"]
            table.add(label + ": C++ call (operator_bench) vs from Python", fmt_time(cxx), fmt_time(lib), cxx / lib,
                      "share of the Python time")
            table.add(label + ": interpreter + binding, beyond the C++ call", fmt_time(lib - cxx),
                      "numpy float64 a + b: " + fmt_time(t["m+m numpy"]), None)
    if cpp is None:
        print("note: no C++ figures (no operator_bench under %s: run ./build.sh bench)" % args.bench_dir)
    lib = t["1e7 sorvexa"]
    table.add("1e7 m + km vs numpy a + 1e3*b", fmt_time(lib), fmt_time(t["1e7 numpy"]), t["1e7 numpy"] / lib,
              ">= 1", t["1e7 numpy"] / lib >= 1)
    table.add("1e7 m + km vs Pint", fmt_time(lib), fmt_time(t["1e7 pint"]), t["1e7 pint"] / lib)
    table.add("1e7 m + km vs astropy", fmt_time(lib), fmt_time(t["1e7 astropy"]), t["1e7 astropy"] / lib)
    lib = t["conv sorvexa"]
    for name in ("numpy", "pint", "astropy"):
        table.add("convert 1e6 km -> m vs %s" % ("numpy 1e3*c" if name == "numpy" else name), fmt_time(lib),
                  fmt_time(t["conv " + name]), t["conv " + name] / lib)
    growth = t["asarray 1e7"] / t["asarray 10"]
    table.add("np.asarray(v): 1e7 elements vs 10", fmt_time(t["asarray 1e7"]), fmt_time(t["asarray 10"]),
              1 / growth, ">= 0.5 (no copy)", growth <= 2)
    print("sorvexa from Python against numpy %s, Pint %s, astropy (%s); load average %s before, %s after"
          % (np.__version__, pint.__version__, "quick" if args.quick else "full", load_before, load_average()))
    print(table.render())
    met = [r for r in table.rows if r["met"] is not None]
    print("targets met: %d of %d" % (sum(1 for r in met if r["met"]), len(met)))


if __name__ == "__main__":
    main()
