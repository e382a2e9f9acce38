#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Runs the same workloads through this library and through the libraries its users would pick instead (numpy, Pint,
astropy, Eigen) in one run, and prints one table: workload, library figure, competitor figure, ratio, target, met.

    /usr/bin/python3 bench/compare/compare.py [--build-dir build/bench] [--output build/bench/comparison.txt]

The library's figures come from the benchmark programs of --build-dir (run with a filter, reporting in JSON) and from
its first_unit_parse driver; Eigen's from bench/compare/eigen_matmul.cpp, which this script compiles with
-O3 -march=native; numpy, Pint and astropy run in this process, numpy's matrix product in child processes so that its
BLAS kernel can be forced. Every figure is the best of several repeats: on a busy machine the fastest repeat is the
one least disturbed.

ratio = the library's speed / the competitor's speed (the competitor's time over the library's, or the library's
throughput over the competitor's): above 1 the library is faster. A row with a target says "met" or "NOT MET".
"""

import argparse
import datetime
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import timeit

PYTHON = "/usr/bin/python3"
PACKAGES = ["python3-numpy", "python3-pint", "python3-astropy", "python3-threadpoolctl", "libeigen3-dev",
            "libopenblas0-pthread", "g++"]
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
OPENBLAS_VARIABLES = ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE")
REPEATS = 5  # repeats of every measurement; the best one counts
ROUNDS = 3  # the library and its competitors measured in turn this often, so a slow spell of the machine hits both


# ------------------------------------------------------------------------------------------------------------------
# Setup


def ensure_debian_python():
    """Re-runs this script under Debian's python3, whose numpy, Pint and astropy are the ones apt-get installs."""
    if os.path.realpath(sys.executable) != os.path.realpath(PYTHON) and os.path.exists(PYTHON):
        os.execv(PYTHON, [PYTHON] + sys.argv)


def ensure_packages():
    missing = []
    for package in PACKAGES:
        status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], capture_output=True, text=True)
        if "install ok installed" not in status.stdout:
            missing.append(package)
    if not missing:
        return
    if os.geteuid() != 0:
        sys.exit("Missing packages. Run: sudo apt-get install -y " + " ".join(missing))
    print("== installing " + " ".join(missing), flush=True)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "update", "-qq"], check=True, env=env)
    subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends"] + missing, check=True, env=env)


def cpu_flags():
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("flags"):
                    return set(line.split(":", 1)[1].split())
    except OSError:
        pass
    return set()


def cpu_model():
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def huge_page_mode():
    """The transparent huge page mode, the bracketed word of the kernel's setting ("madvise": only for memory that
    asks, as numpy's large arrays do)."""
    try:
        with open("/sys/kernel/mm/transparent_hugepage/enabled") as setting:
            text = setting.read()
        return text[text.index("[") + 1:text.index("]")]
    except (OSError, ValueError):
        return "unknown"


def load_average():
    try:
        return "%.2f %.2f %.2f" % os.getloadavg()
    except OSError:
        return "unknown"


# ------------------------------------------------------------------------------------------------------------------
# Measuring


def best_seconds(stmt, env, repeats=REPEATS, minimum=0.2):
    """The best time of one execution of stmt over several repeats, each running it often enough to last minimum
    seconds (the count found as timeit's autorange finds it)."""
    timer = timeit.Timer(stmt, globals=env)
    number = 1
    while timer.timeit(number) < minimum and number < 1 << 30:
        number *= 2
    return min(timer.repeat(repeats, number)) / number


def run_library(program, name_filter, build_dir, repetitions=REPEATS, min_time=0.1):
    """Runs a benchmark program with a filter, its report in JSON, and returns {case: {"ns": the best real time,
    counters...}}."""
    path = os.path.join(build_dir, "bench", program)
    run = subprocess.run([path, "--benchmark_filter=" + name_filter, "--benchmark_repetitions=%d" % repetitions,
                          "--benchmark_min_time=%g" % min_time, "--benchmark_enable_random_interleaving=true",
                          "--benchmark_format=json"], capture_output=True, text=True)
    if run.returncode != 0 or not run.stdout.strip():
        sys.exit("%s --benchmark_filter='%s' failed:\n%s%s" % (path, name_filter, run.stdout, run.stderr))
    report = json.loads(run.stdout)
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    results = {}
    for case in report["benchmarks"]:
        if case.get("run_type") != "iteration" or case.get("error_occurred"):
            continue
        name = case["run_name"].split("/iterations:")[0]
        entry = {"ns": case["real_time"] * scale[case["time_unit"]]}
        for key, value in case.items():
            if isinstance(value, (int, float)) and key not in (
                    "real_time", "cpu_time", "iterations", "repetitions", "repetition_index", "threads",
                    "family_index", "per_family_instance_index"):
                entry[key] = value
        merge_results(results, {name: entry})
    return results


def merge_results(into, new):
    """Folds one set of run_library results into another: the best time and rate, the worst flag."""
    for name, entry in new.items():
        kept = into.setdefault(name, dict(entry))
        for key, value in entry.items():
            # times: the best; rates (bytes_per_second, GFLOP/s): the best; flags (bitwise_equal): the worst
            keep = min if key in ("ns", "bitwise_equal", "same_as_ostream") else max
            kept[key] = keep(kept.get(key, value), value)
    return into


def alternate(library, competitors):
    """Runs library() (returning run_library results) and every competitor (returning nanoseconds) in turn, ROUNDS
    times, and returns the merged library results and each competitor's best time."""
    results = {}
    best = {}
    for _ in range(ROUNDS):
        merge_results(results, library())
        for name, measure in competitors.items():
            ns = measure()
            best[name] = min(best.get(name, ns), ns)
    return results, best


def numpy_matmul_worker(sizes):
    """Child process: numpy's matrix product, with whatever BLAS settings the environment gives."""
    import numpy as np
    info = {}
    try:
        from threadpoolctl import threadpool_info
        blas = [pool for pool in threadpool_info() if pool.get("user_api") == "blas"]
        if blas:
            info = {key: blas[0].get(key) for key in ("internal_api", "version", "architecture", "threading_layer",
                                                        "num_threads", "filepath")}
    except ImportError:
        info = {"internal_api": "unknown (threadpoolctl missing)"}
    rng = np.random.default_rng(7)
    gflops = {}
    for n in sizes:
        a = rng.uniform(-1, 1, (n, n))
        b = rng.uniform(-1, 1, (n, n))
        seconds = best_seconds("np.matmul(a, b)", {"np": np, "a": a, "b": b}, repeats=7, minimum=0.1)
        gflops[str(n)] = 2.0 * n ** 3 / seconds / 1e9
    print(json.dumps({"blas": info, "gflops": gflops}))


def run_numpy_matmul(sizes, env_changes, env_removals=()):
    env = dict(os.environ)
    for key in env_removals:
        env.pop(key, None)
    env.update(env_changes)
    out = subprocess.run([PYTHON, os.path.abspath(__file__), "--numpy-matmul"] + [str(n) for n in sizes], env=env,
                         check=True, capture_output=True, text=True)
    return json.loads(out.stdout.strip().splitlines()[-1])


def build_eigen(build_dir, native):
    source = os.path.join(HERE, "eigen_matmul.cpp")
    target = os.path.join(build_dir, "compare", "eigen_matmul_" + ("native" if native else "sse2"))
    os.makedirs(os.path.dirname(target), exist_ok=True)
    if not os.path.exists(target) or os.path.getmtime(target) < os.path.getmtime(source):
        flags = ["-O3", "-march=native"] if native else ["-O3"]
        subprocess.run(["g++", "-std=c++17"] + flags + ["-DNDEBUG", "-DEIGEN_DONT_PARALLELIZE",
                                                        "-isystem", "/usr/include/eigen3", source, "-o", target],
                       check=True)
    return target


def run_eigen(build_dir, native, sizes):
    out = subprocess.run([build_eigen(build_dir, native)] + [str(n) for n in sizes], check=True, capture_output=True,
                         text=True, env=dict(os.environ, OMP_NUM_THREADS="1"))
    return json.loads(out.stdout)


def run_fresh(argv, count):
    """Runs a program that prints one JSON line count times, each in a fresh process."""
    return [json.loads(subprocess.run(argv, check=True, capture_output=True, text=True).stdout.strip().splitlines()[-1])
            for _ in range(count)]


PINT_FIRST = """
import json, time, pint
ureg = pint.UnitRegistry()
ureg.parse_units("m")
t0 = time.perf_counter_ns(); ureg.parse_units("kg*m/s^2"); t1 = time.perf_counter_ns()
print(json.dumps({"first_ns": t1 - t0}))
"""

ASTROPY_FIRST = """
import json, time
import astropy.units as u
u.Unit("m")
t0 = time.perf_counter_ns(); u.Unit("kg*m/s^2"); t1 = time.perf_counter_ns()
print(json.dumps({"first_ns": t1 - t0}))
"""


def spellings(count, start):
    """Distinct spellings of kg*m/s^2 (spaces between the tokens), as the unit benchmark makes them."""
    tokens = ["kg", "*", "m", "/", "s", "^", "2"]
    out = []
    for variant in range(start, start + count):
        out.append("".join(token + " " * ((variant >> (2 * t)) & 3) for t, token in enumerate(tokens)))
    return out


def best_distinct(parse, count=2000):
    """The best mean time per parse over passes of texts none of which was parsed before."""
    best = None
    for repeat in range(REPEATS):
        texts = spellings(count, repeat * count)
        t0 = timeit.default_timer()
        for text in texts:
            parse(text)
        seconds = (timeit.default_timer() - t0) / count
        best = seconds if best is None else min(best, seconds)
    return best


# ------------------------------------------------------------------------------------------------------------------
# The table


def fmt_time(ns):
    if ns < 1e3:
        return "%.3g ns" % ns
    if ns < 1e6:
        return "%.3g us" % (ns / 1e3)
    if ns < 1e9:
        return "%.3g ms" % (ns / 1e6)
    return "%.3g s" % (ns / 1e9)


def fmt_rate(value, unit):
    return "%.3g %s" % (value, unit)


class Table:
    def __init__(self):
        self.rows = []

    def add(self, workload, library, competitor, ratio, target="", met=None):
        self.rows.append({"workload": workload, "library": library, "competitor": competitor,
                          "ratio": ratio, "target": target, "met": met})

    def render(self):
        head = ("workload", "library", "competitor", "ratio", "target", "met")
        lines = []
        cells = []
        for row in self.rows:
            ratio = "" if row["ratio"] is None else ("%.3g" % row["ratio"])
            met = "" if row["met"] is None else ("met" if row["met"] else "NOT MET")
            cells.append((row["workload"], row["library"], row["competitor"], ratio, row["target"], met))
        widths = [max(len(str(c[i])) for c in cells + [head]) for i in range(len(head))]
        line = "  ".join("%-*s" % (w, h) for w, h in zip(widths, head)).rstrip()
        lines.append(line)
        lines.append("-" * len(line))
        for c in cells:
            lines.append("  ".join("%-*s" % (w, v) for w, v in zip(widths, c)).rstrip())
        return "\n".join(lines)


def compare(args):
    import numpy as np
    import pint
    import astropy
    import astropy.units as u

    build_dir = os.path.abspath(args.build_dir)
    flags = cpu_flags()
    notes = []
    table = Table()
    load_before = load_average()
    started = datetime.datetime.now()

    def step(text):
        print("== " + text, file=sys.stderr, flush=True)

    # --- scalar operations
    step("scalar operations")
    ureg = pint.UnitRegistry()
    env = {"a": np.float64(0.25), "b": np.float64(0.5)}
    pint_env = {"a": ureg.Quantity(0.25, "m"), "b": ureg.Quantity(0.5, "m"), "c": ureg.Quantity(0.0005, "km")}
    astropy_env = {"a": 0.25 * u.m, "b": 0.5 * u.m, "c": 0.0005 * u.km}
    lib, best = alternate(
        lambda: run_library("operator_bench", "^(Plus_double/1x1|Plus_double/1x1_m_km|Lt_double/1x1_m_km)/library",
                            build_dir),
        {"numpy": lambda: best_seconds("a + b", env) * 1e9,
         "pint_mm": lambda: best_seconds("a + b", pint_env) * 1e9,
         "pint_mkm": lambda: best_seconds("a + c", pint_env) * 1e9,
         "pint_lt": lambda: best_seconds("a < c", pint_env) * 1e9,
         "astropy_mm": lambda: best_seconds("a + b", astropy_env) * 1e9,
         "astropy_mkm": lambda: best_seconds("a + c", astropy_env) * 1e9,
         "astropy_lt": lambda: best_seconds("a < c", astropy_env) * 1e9})
    numpy_add, pint_mm, pint_mkm, pint_lt = best["numpy"], best["pint_mm"], best["pint_mkm"], best["pint_lt"]
    astropy_mm, astropy_mkm, astropy_lt = best["astropy_mm"], best["astropy_mkm"], best["astropy_lt"]

    t = lib["Plus_double/1x1/library"]["ns"]
    table.add("1x1 double Plus, m + m", fmt_time(t), "numpy float64 a + b: " + fmt_time(numpy_add), numpy_add / t,
              ">= 1 and <= 50 ns", numpy_add / t >= 1 and t <= 50)
    table.add("1x1 double Plus, m + m", fmt_time(t), "Pint m + m: " + fmt_time(pint_mm), pint_mm / t, ">= 50",
              pint_mm / t >= 50)
    table.add("1x1 double Plus, m + m", fmt_time(t), "astropy m + m: " + fmt_time(astropy_mm), astropy_mm / t)
    t = lib["Plus_double/1x1_m_km/library"]["ns"]
    table.add("1x1 double Plus, m + km", fmt_time(t), "Pint m + km: " + fmt_time(pint_mkm), pint_mkm / t,
              ">= 100 and <= 60 ns", pint_mkm / t >= 100 and t <= 60)
    table.add("1x1 double Plus, m + km", fmt_time(t), "astropy m + km: " + fmt_time(astropy_mkm), astropy_mkm / t)
    t = lib["Lt_double/1x1_m_km/library"]["ns"]
    table.add("1x1 double Lt, m < km", fmt_time(t), "Pint m < km: " + fmt_time(pint_lt), pint_lt / t,
              ">= 100 and <= 60 ns", pint_lt / t >= 100 and t <= 60)
    table.add("1x1 double Lt, m < km", fmt_time(t), "astropy m < km: " + fmt_time(astropy_lt), astropy_lt / t)

    # --- 1e7-element Plus
    step("1e7-element Plus")
    n = 10 ** 7
    rng = np.random.default_rng(1)
    a = rng.uniform(-1, 1, n)
    b = rng.uniform(-1, 1, n)
    wrapping = {}
    for name, dtype in (("uchar", np.uint8), ("char", np.int8), ("int", np.int32)):
        info = np.iinfo(dtype)
        wrapping[name] = {"x": rng.integers(info.min, info.max, n, dtype=dtype, endpoint=True),
                          "y": rng.integers(info.min, info.max, n, dtype=dtype, endpoint=True)}

    def gbs(dtype, ns):
        return 3 * n * np.dtype(dtype).itemsize / ns  # bytes per ns = GB/s

    competitors = {"scaled": lambda: best_seconds("a + 1e3 * b", {"a": a, "b": b}, minimum=0.1) * 1e9,
                   "plain": lambda: best_seconds("a + b", {"a": a, "b": b}, minimum=0.1) * 1e9}
    for name, env in wrapping.items():
        competitors[name] = lambda env=env: best_seconds("x + y", env, minimum=0.1) * 1e9
    lib, best = alternate(
        lambda: run_library("elementwise_bench", "^Plus_(double/1e7_m_km|double/1e7_m_m|uchar/1e7_m_m|char/1e7_m_m|"
                            "int/1e7_m_m)/(library|baseline)", build_dir, repetitions=REPEATS, min_time=0.2),
        competitors)
    numpy_scaled, numpy_plain = best["scaled"], best["plain"]
    t = lib["Plus_double/1e7_m_km/library"]["ns"]
    table.add("1e7 double Plus, m + km", fmt_rate(gbs("f8", t), "GB/s"),
              "numpy a + 1e3*b: " + fmt_rate(gbs("f8", numpy_scaled), "GB/s"), numpy_scaled / t, ">= 1.2",
              numpy_scaled / t >= 1.2)
    base = lib["Plus_double/1e7_m_km/baseline"]["ns"]
    table.add("1e7 double Plus, m + km", fmt_rate(gbs("f8", t), "GB/s"),
              "C++ loop, fresh buffer: " + fmt_rate(gbs("f8", base), "GB/s"), base / t)
    t = lib["Plus_double/1e7_m_m/library"]["ns"]
    table.add("1e7 double Plus, m + m", fmt_rate(gbs("f8", t), "GB/s"),
              "numpy a + b: " + fmt_rate(gbs("f8", numpy_plain), "GB/s"), numpy_plain / t)
    for name, dtype in (("uchar", np.uint8), ("char", np.int8), ("int", np.int32)):
        numpy_ns = best[name]
        t = lib["Plus_%s/1e7_m_m/library" % name]["ns"]
        table.add("1e7 %s Plus (wrapping)" % name, fmt_rate(gbs(dtype, t), "GB/s"),
                  "numpy %s x + y: " % np.dtype(dtype).name + fmt_rate(gbs(dtype, numpy_ns), "GB/s"), numpy_ns / t,
                  ">= 1", numpy_ns / t >= 1)
    del a, b, wrapping

    # --- matrix product
    step("matrix product (the naive 1024 loop takes seconds, the 2048 one in i-k-j order several more)")
    sizes = (512, 1024, 2048)
    cases = "|".join("%dx%d" % (n, n) for n in sizes)
    naive = run_library("product_bench", "^MTimes_double/(%s)/baseline" % cases, build_dir, repetitions=1)
    # The library, Eigen and numpy's OpenBLAS in turn, ROUNDS times, so that a slow spell of the machine hits all of
    # them; each keeps its best figure.
    lib, eigen, numpy_default = {}, None, None

    def best_rates(kept, new):
        if kept is not None:
            new["gflops"] = {n: max(g, kept["gflops"][n]) for n, g in new["gflops"].items()}
        return new

    for _ in range(ROUNDS):
        merge_results(lib, run_library("product_bench", "^MTimes_double/(%s)/library" % cases, build_dir,
                                       repetitions=3, min_time=0.2))
        eigen = best_rates(eigen, run_eigen(build_dir, True, sizes))
        numpy_default = best_rates(numpy_default, run_numpy_matmul(sizes, {"OPENBLAS_NUM_THREADS": "1"}))
    eigen_sse2 = run_eigen(build_dir, False, sizes)
    forced_kernel = "SkylakeX" if "avx512f" in flags else ("Haswell" if {"avx2", "fma"} <= flags else None)
    numpy_forced = None
    if forced_kernel is not None and numpy_default["blas"].get("internal_api") == "openblas":
        # Only in this run: both OpenBLAS variables unset, then the kernel forced.
        numpy_forced = run_numpy_matmul(sizes, {"OPENBLAS_NUM_THREADS": "1", "OPENBLAS_CORETYPE": forced_kernel},
                                        OPENBLAS_VARIABLES)
    for n in sizes:
        case = "MTimes_double/%dx%d" % (n, n)
        g = lib[case + "/library"]["GFLOP/s"] / 1e9
        equal = naive[case + "/baseline"].get("bitwise_equal") == 1
        library_text = fmt_rate(g, "GFLOP/s") + (", = naive bitwise" if equal else ", DIFFERS from naive")
        e = eigen["gflops"][str(n)]
        table.add("MTimes %dx%d double" % (n, n), library_text,
                  "Eigen -march=native%s, 1 thread: " % (" (FMA)" if eigen["fma"] else "") + fmt_rate(e, "GFLOP/s"),
                  g / e, ">= 1, bitwise equal", g / e >= 1 and equal)
        e = eigen_sse2["gflops"][str(n)]
        table.add("MTimes %dx%d double" % (n, n), library_text, "Eigen SSE2 only, 1 thread: " + fmt_rate(e, "GFLOP/s"),
                  g / e)
        x = numpy_default["gflops"][str(n)]
        table.add("MTimes %dx%d double" % (n, n), library_text,
                  "numpy matmul (%s), 1 thread: " % numpy_default["blas"].get("architecture", "?") +
                  fmt_rate(x, "GFLOP/s"), g / x, ">= 0.9, bitwise equal", g / x >= 0.9 and equal)
        if numpy_forced is not None:
            x = numpy_forced["gflops"][str(n)]
            table.add("MTimes %dx%d double" % (n, n), library_text,
                      "numpy matmul (%s forced), 1 thread: " % forced_kernel + fmt_rate(x, "GFLOP/s"), g / x)
        x = naive[case + "/baseline"]["GFLOP/s"] / 1e9
        order = "i-k-j order" if naive[case + "/baseline"].get("ikj_order") == 1 else "i-j-k"
        table.add("MTimes %dx%d double" % (n, n), library_text, "naive loop (%s): " % order + fmt_rate(x, "GFLOP/s"),
                  g / x)
    blas = numpy_default["blas"]
    notes.append("numpy BLAS: %s %s (%s), kernel %s, %s threads set for the product" % (
        blas.get("internal_api"), blas.get("version"), blas.get("filepath"), blas.get("architecture"),
        blas.get("num_threads")))
    inherited = ", ".join("%s=%s" % (k, os.environ[k]) for k in OPENBLAS_VARIABLES if k in os.environ)
    notes.append("OpenBLAS variables in this environment: " + (inherited or "none") +
                 " (kept for the default run; both unset in the forced run only)")
    if numpy_forced is not None:
        notes.append("forced run: OPENBLAS_CORETYPE=%s, kernel reported: %s" % (
            forced_kernel, numpy_forced["blas"].get("architecture")))
    elif forced_kernel is None:
        notes.append("no forced OpenBLAS run: this CPU has neither AVX-512 nor AVX2 with FMA")
    else:
        notes.append("no forced OpenBLAS run: numpy does not use OpenBLAS here")
    notes.append("Eigen -march=native: %s, FMA %s" % (eigen["simd"], "on" if eigen["fma"] else "off"))
    notes.append("transparent huge pages: %s (1e7-element results are fresh memory on every call, for numpy too)" %
                 huge_page_mode())

    # --- text
    step("text parse and print")
    lib = {}
    for _ in range(ROUNDS):
        merge_results(lib, run_library("value_bench", "^Text(Parse|Print)/1000x1000/(library|baseline)", build_dir,
                                       repetitions=3))
    values = np.random.default_rng(42).uniform(-1e4, 1e4, 10 ** 6)
    text = ",".join("%g" % v for v in values.tolist())
    mb = len(text) / 1e6
    parse_fromstring = best_seconds("np.fromstring(text, sep=',')", {"np": np, "text": text}, repeats=3)
    parse_split = best_seconds("np.array(text.split(','), dtype=np.float64)", {"np": np, "text": text}, repeats=3)
    import io
    matrix = values.reshape(1000, 1000)
    print_savetxt = best_seconds("np.savetxt(io.StringIO(), m, fmt='%.6g', delimiter=',')",
                                 {"np": np, "io": io, "m": matrix}, repeats=3)
    rate = lib["TextParse/1000x1000/library"]["bytes_per_second"] / 1e6
    base = lib["TextParse/1000x1000/baseline"]["bytes_per_second"] / 1e6
    table.add("text parse, 1e6 doubles", fmt_rate(rate, "MB/s"), "std::from_chars loop: " + fmt_rate(base, "MB/s"),
              rate / base, ">= 0.9", rate / base >= 0.9)
    table.add("text parse, 1e6 doubles", fmt_rate(rate, "MB/s"),
              "numpy fromstring: " + fmt_rate(mb / parse_fromstring, "MB/s"), rate / (mb / parse_fromstring))
    table.add("text parse, 1e6 doubles", fmt_rate(rate, "MB/s"),
              "np.array(text.split): " + fmt_rate(mb / parse_split, "MB/s"), rate / (mb / parse_split))
    rate = lib["TextPrint/1000x1000/library"]["bytes_per_second"] / 1e6
    base = lib["TextPrint/1000x1000/baseline"]["bytes_per_second"] / 1e6
    same = lib["TextPrint/1000x1000/library"].get("same_as_ostream") == 1
    table.add("text print, 1e6 doubles", fmt_rate(rate, "MB/s") + (", = ostream text" if same else ", DIFFERS"),
              "std::to_chars loop: " + fmt_rate(base, "MB/s"), rate / base, ">= 0.7, same text as ostream",
              rate / base >= 0.7 and same)
    table.add("text print, 1e6 doubles", fmt_rate(rate, "MB/s"),
              "numpy savetxt %.6g: " + fmt_rate(mb / print_savetxt, "MB/s"), rate / (mb / print_savetxt))

    # --- units
    step("unit parsing and propagation")
    lib = run_library("unit_manager_bench", "^(UnitParse/(repeated|distinct)|Propagate/rule2_m_km)/library",
                      build_dir)
    driver = os.path.join(build_dir, "bench", "first_unit_parse")
    fresh = run_fresh([driver], 9)
    warmed = run_fresh([driver, "g*cm/h^3"], 9)  # the parser's code run once on another compound unit first
    pint_fresh = run_fresh([PYTHON, "-c", PINT_FIRST], 3)
    astropy_fresh = run_fresh([PYTHON, "-c", ASTROPY_FIRST], 3)
    pint_repeated = best_seconds("ureg.parse_units('kg*m/s^2')", {"ureg": ureg}) * 1e9
    astropy_repeated = best_seconds("u.Unit('kg*m/s^2')", {"u": u}) * 1e9
    pint_distinct = best_distinct(ureg.parse_units) * 1e9
    astropy_distinct = best_distinct(u.Unit) * 1e9

    first = min(r["first_ns"] for r in fresh)
    median = statistics.median(r["first_ns"] for r in fresh)
    pint_first = min(r["first_ns"] for r in pint_fresh)
    astropy_first = min(r["first_ns"] for r in astropy_fresh)
    table.add("unit parse kg*m/s^2, first in a fresh process", fmt_time(first) + " (median %s)" % fmt_time(median),
              "Pint parse_units: " + fmt_time(pint_first), pint_first / first, "< 1 us", first < 1e3)
    table.add("unit parse kg*m/s^2, first in a fresh process", fmt_time(first),
              "astropy Unit: " + fmt_time(astropy_first), astropy_first / first)
    t = min(r["first_ns"] for r in warmed)
    table.add("unit parse kg*m/s^2, first, after parsing g*cm/h^3", fmt_time(t) + " (median %s)" % fmt_time(
        statistics.median(r["first_ns"] for r in warmed)), "", None)
    t = lib["UnitParse/distinct/library"]["ns"]
    table.add("unit parse, distinct spellings (first of each)", fmt_time(t), "Pint parse_units: " +
              fmt_time(pint_distinct), pint_distinct / t, "< 1 us", t < 1e3)
    table.add("unit parse, distinct spellings (first of each)", fmt_time(t), "astropy Unit: " +
              fmt_time(astropy_distinct), astropy_distinct / t)
    t = lib["UnitParse/repeated/library"]["ns"]
    table.add("unit parse kg*m/s^2, same text again", fmt_time(t), "Pint parse_units: " + fmt_time(pint_repeated),
              pint_repeated / t, "< 50 ns", t < 50)
    table.add("unit parse kg*m/s^2, same text again", fmt_time(t), "astropy Unit: " + fmt_time(astropy_repeated),
              astropy_repeated / t)
    t = min(r["first_propagate_ns"] for r in fresh)
    table.add("unit pair m + km, first in a process (propagation)", fmt_time(t), "", None)
    t = lib["Propagate/rule2_m_km/library"]["ns"]
    table.add("unit pair m + km again (propagation)", fmt_time(t), "", None, "< 50 ns", t < 50)

    # --- report
    header = [
        "Comparison with numpy, Pint, astropy and Eigen (%s)" % started.strftime("%Y-%m-%d %H:%M"),
        "machine: %s, %d CPUs, AVX2 %s, FMA %s, AVX-512 %s; load average %s before, %s after" % (
            cpu_model(), os.cpu_count() or 0, "yes" if "avx2" in flags else "no", "yes" if "fma" in flags else "no",
            "yes" if "avx512f" in flags else "no", load_before, load_average()),
        "versions: Python %s, numpy %s, Pint %s, astropy %s" % (platform.python_version(), np.__version__,
                                                              pint.__version__, astropy.__version__),
        "ratio = library speed / competitor speed (above 1: the library is faster); every figure is the best of "
        "several repeats",
    ]
    report = "\n".join(header + [""] + [table.render(), ""] + ["note: " + n for n in notes]) + "\n"
    met = [r for r in table.rows if r["met"] is not None]
    report += "targets met: %d of %d\n" % (sum(1 for r in met if r["met"]), len(met))
    # The same workloads from Python, through the sorvexa package when ./build.sh python has built it.
    package = os.path.join(ROOT, "build", "python", "python", "package")
    if os.path.isdir(os.path.join(package, "sorvexa")):
        step("sorvexa from Python")
        run = subprocess.run([PYTHON, os.path.join(HERE, "python_compare.py"), "--package-dir", package],
                             capture_output=True, text=True)
        report += "\n" + (run.stdout if run.returncode == 0 else "python_compare.py failed:\n" + run.stderr)
    else:
        report += "\nsorvexa from Python: not measured; run ./build.sh python first\n"
    print(report, end="")
    if args.output:
        os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
        with open(args.output, "w") as out:
            out.write(report)
        with open(os.path.splitext(args.output)[0] + ".json", "w") as out:
            json.dump({"rows": table.rows, "notes": notes, "header": header}, out, indent=1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "bench"),
                        help="a build tree with SORVEXA_BUILD_BENCH=ON (default: build/bench)")
    parser.add_argument("--output", default=None, help="also write the table to this file (and a .json beside it)")
    parser.add_argument("--numpy-matmul", nargs="+", type=int, metavar="N", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.numpy_matmul:
        numpy_matmul_worker(args.numpy_matmul)
        return
    ensure_debian_python()
    ensure_packages()
    if not os.path.exists(os.path.join(args.build_dir, "bench", "operator_bench")):
        sys.exit("no benchmark programs under %s: run ./build.sh bench (or build with -DSORVEXA_BUILD_BENCH=ON)" %
                 args.build_dir)
    if shutil.which("g++") is None:
        sys.exit("g++ is needed to build the Eigen driver")
    compare(args)


if __name__ == "__main__":
    main()
