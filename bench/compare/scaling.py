#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Measures how the library's cost grows with the size of the work, beside numpy's, in one run, and writes a table and
a log-log plot:

    /usr/bin/python3 bench/compare/scaling.py [--build-dir build/bench] [--output build/bench/scaling.txt]

Workloads: elementwise Plus of doubles in m and km (numpy: a + 1e3*b) from 1 to 1e8 elements, and MTimes of n-by-n
doubles from 8 to 2048 (numpy: matmul on one OpenBLAS thread, in a child process). The library's figures come from
the `scaling` program of --build-dir, its C++ calls; numpy's are calls from Python, which is how its users call it, so
at small sizes numpy's figure is mostly the interpreter's. When the Python package `sorvexa` can be imported (from
--sorvexa-path, default build/python/python/package), its Plus is measured from Python too.

ratio = numpy's time / the library's time: above 1 the library is faster. The plot (the --output path with .png) has
time against size per workload above and the ratio below, with the line ratio = 1 where the two cross.
"""

import argparse
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import compare  # noqa: E402  (the measuring helpers and the package installer of the comparison)

ROUNDS = 2  # library and numpy measured in turn this often; the best figure of each counts
PACKAGES = ["python3-matplotlib"]


def plus_sizes():
    """1, 3, 10, 30, ... 1e8, as the scaling program registers them."""
    sizes = []
    decade = 1
    while decade <= 10 ** 8:
        sizes.append(decade)
        if decade < 10 ** 8:
            sizes.append(3 * decade)
        decade *= 10
    return sizes


MTIMES_SIZES = [2 ** k for k in range(3, 12)]  # 8 to 2048


def minimum_seconds(n):
    """Time each repeat of a Plus of n elements runs: short for the small sizes, one call or two for the large."""
    return 0.05 if n <= 10 ** 6 else 0.01


def measure_numpy_plus(np, rng, sizes):
    times = {}
    for n in sizes:
        a = rng.uniform(-1, 1, n)
        b = rng.uniform(-1, 1, n)
        times[n] = compare.best_seconds("a + 1e3 * b", {"a": a, "b": b}, repeats=3, minimum=minimum_seconds(n)) * 1e9
        del a, b
    return times


def measure_python_plus(sx, np, rng, sizes):
    times = {}
    for n in sizes:
        a = sx.Value(rng.uniform(-1, 1, (1, n)), "m")
        b = sx.Value(rng.uniform(-1, 1, (1, n)), "km")
        times[n] = compare.best_seconds("a + b", {"a": a, "b": b}, repeats=3, minimum=minimum_seconds(n)) * 1e9
        del a, b
    return times


def load_sorvexa(path):
    """The Python package from path, or None (with the reason) when it cannot be imported."""
    if path and os.path.isdir(os.path.join(path, "sorvexa")):
        sys.path.insert(0, path)
    try:
        import sorvexa
        return sorvexa, None
    except ImportError as error:
        return None, str(error)


def fmt_count(n):
    """10000 and up as 1e4, 3e4, ...; smaller counts as they are."""
    if n < 10 ** 4:
        return str(n)
    exponent = len(str(n)) - 1
    return "%ge%d" % (n / 10 ** exponent, exponent)


def render(head, rows):
    widths = [max(len(str(row[i])) for row in rows + [head]) for i in range(len(head))]
    lines = ["  ".join("%-*s" % (w, h) for w, h in zip(widths, head)).rstrip()]
    lines.append("-" * len(lines[0]))
    lines += ["  ".join("%-*s" % (w, v) for w, v in zip(widths, row)).rstrip() for row in rows]
    return "\n".join(lines)


def crossing(sizes, ratios):
    """The sizes between which the ratio passes 1, as text."""
    found = []
    for (n0, r0), (n1, r1) in zip(zip(sizes, ratios), zip(sizes[1:], ratios[1:])):
        if (r0 - 1) * (r1 - 1) < 0:
            found.append("between %s and %s (%s)" % (fmt_count(n0), fmt_count(n1),
                                                    "library ahead above" if r1 > 1 else "numpy ahead above"))
    return "; ".join(found) if found else ("library ahead at every size" if min(ratios) >= 1
                                           else "numpy ahead at every size" if max(ratios) <= 1 else "no crossing")


def plot(path, plus, product):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    figure, axes = plt.subplots(2, 2, figsize=(12, 8), sharex="col", gridspec_kw={"height_ratios": [3, 2]})
    panels = (("Plus, doubles, m + km (numpy: a + 1e3*b)", "elements", plus),
              ("MTimes, n-by-n doubles (numpy: matmul, 1 thread)", "n", product))
    for column, (title, xlabel, data) in enumerate(panels):
        top, bottom = axes[0][column], axes[1][column]
        sizes = data["sizes"]
        for label, times, style in data["series"]:
            top.loglog(sizes, [times[n] * 1e-9 for n in sizes], style, label=label)
        top.set_title(title)
        top.set_ylabel("seconds per call")
        top.grid(True, which="both", alpha=0.3)
        top.legend()
        for label, ratios, style in data["ratios"]:
            bottom.loglog(sizes, ratios, style, label=label)
        bottom.axhline(1.0, color="grey", linewidth=1)
        bottom.set_ylabel("numpy time / library time")
        bottom.set_xlabel(xlabel)
        bottom.grid(True, which="both", alpha=0.3)
        bottom.legend()
    figure.suptitle("Cost against size: above the grey line the library is faster")
    figure.tight_layout()
    figure.savefig(path, dpi=100)


def run(args):
    import numpy as np

    build_dir = os.path.abspath(args.build_dir)
    sx, why_not = load_sorvexa(args.sorvexa_path)
    rng = np.random.default_rng(3)
    sizes = plus_sizes()

    library_plus, numpy_plus, python_plus, library_product, numpy_product = {}, {}, {}, {}, {}
    blas = {}
    for round_number in range(ROUNDS):
        print("== scaling, round %d of %d: Plus" % (round_number + 1, ROUNDS), file=sys.stderr, flush=True)
        # the large sizes one call a repetition, the small ones many
        results = compare.run_library("scaling", "^Scaling_Plus/[0-9]+/(library|baseline)$", build_dir,
                                      repetitions=3, min_time=0.02)
        compare.merge_results(library_plus, results)
        for n, ns in measure_numpy_plus(np, rng, sizes).items():
            numpy_plus[n] = min(numpy_plus.get(n, ns), ns)
        if sx is not None:
            for n, ns in measure_python_plus(sx, np, rng, sizes).items():
                python_plus[n] = min(python_plus.get(n, ns), ns)
        print("== scaling, round %d of %d: MTimes" % (round_number + 1, ROUNDS), file=sys.stderr, flush=True)
        compare.merge_results(library_product, compare.run_library("scaling", "^Scaling_MTimes/[0-9]+/library$",
                                                                   build_dir, repetitions=2, min_time=0.05))
        matmul = compare.run_numpy_matmul(MTIMES_SIZES, {"OPENBLAS_NUM_THREADS": "1"})
        blas = matmul["blas"]
        for n in MTIMES_SIZES:
            ns = 2.0 * n ** 3 / matmul["gflops"][str(n)]  # GFLOP/s back to nanoseconds a product
            numpy_product[n] = min(numpy_product.get(n, ns), ns)

    plus_library = {n: library_plus["Scaling_Plus/%d/library" % n]["ns"] for n in sizes}
    plus_loop = {n: library_plus["Scaling_Plus/%d/baseline" % n]["ns"] for n in sizes}
    product_library = {n: library_product["Scaling_MTimes/%d/library" % n]["ns"] for n in MTIMES_SIZES}

    head = ["elements", "library (C++)", "numpy a + 1e3*b", "ratio", "C++ loop", "library / loop"]
    if sx is not None:
        head += ["sorvexa (Python)", "ratio (Python)"]
    rows = []
    for n in sizes:
        row = [fmt_count(n), compare.fmt_time(plus_library[n]), compare.fmt_time(numpy_plus[n]),
               "%.3g" % (numpy_plus[n] / plus_library[n]), compare.fmt_time(plus_loop[n]),
               "%.3g" % (plus_loop[n] / plus_library[n])]
        if sx is not None:
            row += [compare.fmt_time(python_plus[n]), "%.3g" % (numpy_plus[n] / python_plus[n])]
        rows.append(row)
    plus_ratios = [numpy_plus[n] / plus_library[n] for n in sizes]
    product_rows = []
    for n in MTIMES_SIZES:
        library_g = 2.0 * n ** 3 / product_library[n]
        numpy_g = 2.0 * n ** 3 / numpy_product[n]
        product_rows.append([str(n), compare.fmt_time(product_library[n]), "%.3g" % library_g,
                             compare.fmt_time(numpy_product[n]), "%.3g" % numpy_g,
                             "%.3g" % (numpy_product[n] / product_library[n])])
    product_ratios = [numpy_product[n] / product_library[n] for n in MTIMES_SIZES]

    lines = ["Time against size, library and numpy in one run",
             "machine: %s, %d CPUs; load average %s at the end" % (compare.cpu_model(), os.cpu_count() or 0,
                                                                   compare.load_average()),
             "numpy %s, BLAS %s %s (kernel %s); every figure the best of %d rounds of repeats" % (
                 np.__version__, blas.get("internal_api"), blas.get("version"), blas.get("architecture"), ROUNDS),
             "ratio = numpy's time / the library's time (above 1: the library is faster)",
             "",
             "Plus, doubles, m + km (the km operand scaled by 1000), a fresh result each call",
             render(head, rows),
             "crossing: " + crossing(sizes, plus_ratios),
             "",
             "MTimes, n-by-n doubles (numpy matmul on one thread)",
             render(["n", "library", "GFLOP/s", "numpy", "GFLOP/s", "ratio"], product_rows),
             "crossing: " + crossing(MTIMES_SIZES, product_ratios),
             ""]
    if sx is None:
        lines.append("note: the Python package was not measured (%s); build it with ./build.sh python" % why_not)
    lines.append("note: numpy's figures are calls from Python; at small sizes they are mostly the interpreter's "
                 "cost, which the C++ figures do not pay")
    report = "\n".join(lines) + "\n"
    print(report, end="")

    plus_series = [("library (C++)", plus_library, "o-"), ("numpy a + 1e3*b (Python)", numpy_plus, "s-"),
                   ("C++ loop, fresh buffer", plus_loop, ":")]
    plus_ratio_series = [("numpy / library (C++)", plus_ratios, "o-")]
    if sx is not None:
        plus_series.insert(1, ("sorvexa (Python)", python_plus, "^-"))
        plus_ratio_series.append(("numpy / sorvexa (Python)", [numpy_plus[n] / python_plus[n] for n in sizes], "^-"))
    if args.output:
        os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
        with open(args.output, "w") as out:
            out.write(report)
        picture = os.path.splitext(args.output)[0] + ".png"
        plot(picture, {"sizes": sizes, "series": plus_series, "ratios": plus_ratio_series},
             {"sizes": MTIMES_SIZES, "series": [("library", product_library, "o-"),
                                                ("numpy matmul, 1 thread", numpy_product, "s-")],
              "ratios": [("numpy / library", product_ratios, "o-")]})
        print("written: %s and %s" % (args.output, picture))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", default=os.path.join(compare.ROOT, "build", "bench"),
                        help="a build tree with SORVEXA_BUILD_BENCH=ON (default: build/bench)")
    parser.add_argument("--output", default=None, help="write the table to this file and the plot beside it (.png)")
    parser.add_argument("--sorvexa-path", default=os.path.join(compare.ROOT, "build", "python", "python", "package"),
                        help="where the Python package is importable from, to measure it too")
    args = parser.parse_args()
    compare.ensure_debian_python()
    compare.PACKAGES = compare.PACKAGES + PACKAGES
    compare.ensure_packages()
    if not os.path.exists(os.path.join(args.build_dir, "bench", "scaling")):
        sys.exit("no scaling program under %s: run ./build.sh bench (or build with -DSORVEXA_BUILD_BENCH=ON)" %
                 args.build_dir)
    run(args)


if __name__ == "__main__":
    main()
