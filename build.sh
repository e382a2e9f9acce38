#!/usr/bin/env bash
# Builds, tests and runs the project on a Debian machine.
#
#   ./build.sh demo            build and run a short dmcalc session
#   ./build.sh test            build (release, warnings as errors) and run every test
#   ./build.sh asan            the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./build.sh dev             debug build and tests
#   ./build.sh bench           the benchmarks (build/bench/results.txt), then the comparison (comparison.txt there)
#   ./build.sh consumer        install into build/install and build examples/consumer against it
#   ./build.sh format          reformat the sources with clang-format
#   ./build.sh format-check    fail when a source is not formatted
#   ./build.sh fuzz [SECONDS]  build the libFuzzer targets (clang-14), replay fuzz/corpus and fuzz/regressions through
#                              them, then fuzz each target for SECONDS (default 60)
#   ./build.sh valgrind        the release test binaries under valgrind memcheck
#   ./build.sh tsan            the threads test under ThreadSanitizer
#   ./build.sh python          build the sorvexa Python package (build/python) and run its tests
#   ./build.sh wheel           build the sorvexa wheel into build/wheel, offline
set -euo pipefail
cd "$(dirname "$0")"

JOBS=${JOBS:-2}
PACKAGES=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev clang-format)

ensure_packages() {
  local missing=()
  local p
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "== installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "Missing packages. Run: sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
}

build_preset() {
  cmake --preset "$1"
  cmake --build --preset "$1" -j "$JOBS"
}

PYTHON_PACKAGES=(pybind11-dev python3-dev python3-numpy python3-pytest python3-hypothesis python3-pint python3-dask
  python3-distributed python3-build python3-venv python3-setuptools python3-wheel python3-pip patchelf)
PYTHON=/usr/bin/python3  # Debian's: the one whose numpy, pytest and pybind11 apt-get installs

# The Python package in build/python: the libraries and the module, release, without the C++ tests.
build_python() {
  cmake -S . -B build/python -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORVEXA_BUILD_TESTS=OFF -DSORVEXA_BUILD_TOOLS=OFF \
    -DSORVEXA_BUILD_PYTHON=ON -DSORVEXA_WERROR=ON -DPython3_EXECUTABLE="$PYTHON"
  cmake --build build/python -j "$JOBS"
}

# pytest over python/tests with the built package first on the path; no test collected (exit 5) fails too.
test_python() {
  ensure_packages "${PYTHON_PACKAGES[@]}"
  build_python
  PYTHONPATH="$PWD/build/python/python/package" "$PYTHON" -m pytest -q -p no:cacheprovider python/tests
}

test_preset() {
  build_preset "$1"
  ctest --preset "$1"
}

cmd=${1:-test}
case "$cmd" in
  demo)
    ensure_packages
    build_preset release
    DMCALC=build/release/tools/dmcalc/dmcalc bash examples/demo.sh
    ;;
  test | release)
    ensure_packages
    test_preset release
    test_python
    ;;
  dev)
    ensure_packages
    test_preset dev
    ;;
  asan)
    ensure_packages
    test_preset asan
    ;;
  bench)
    ensure_packages python3
    build_preset bench
    mkdir -p build/bench
    : >build/bench/results.txt
    for b in build/bench/bench/*_bench; do
      echo "== $b"
      "$b" --benchmark_min_time=0.2 | tee -a build/bench/results.txt
    done
    # The same workloads through numpy, Pint, astropy and Eigen (installed by the script when missing).
    /usr/bin/python3 bench/compare/compare.py --build-dir build/bench --output build/bench/comparison.txt
    ;;
  consumer)
    ensure_packages
    build_preset release
    rm -rf build/install build/consumer
    cmake --install build/release --prefix "$PWD/build/install"
    cmake -S examples/consumer -B build/consumer -G Ninja -DCMAKE_PREFIX_PATH="$PWD/build/install"
    cmake --build build/consumer -j "$JOBS"
    LD_LIBRARY_PATH="$PWD/build/install/lib" build/consumer/consumer
    ;;
  format)
    git ls-files '*.cpp' '*.hpp' | xargs clang-format -i
    ;;
  format-check)
    ensure_packages
    git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror
    ;;
  fuzz)
    ensure_packages clang-14 libclang-rt-14-dev
    seconds=${2:-60}
    build_preset fuzz
    for target in value_text unit_text operation allocation_failure; do
      fuzzer=build/fuzz/fuzz/${target}_fuzzer
      artifacts=build/fuzz/artifacts/$target
      log=build/fuzz/$target.log
      mkdir -p "build/fuzz/work/$target" "$artifacts"
      # Every committed input once through the instrumented build, then fresh inputs; new ones go to build/fuzz/work.
      find "fuzz/corpus/$target" "fuzz/regressions/$target" -type f ! -name '.*' -print0 |
        xargs -0 "$fuzzer" -timeout=10 >"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
      if ! "$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "build/fuzz/work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzz $target: finding kept in $artifacts/; minimise it and add it to fuzz/regressions/$target/" >&2
        exit 1
      fi
      echo "fuzz $target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions in ${seconds} s"
    done
    ;;
  valgrind)
    ensure_packages valgrind
    build_preset release
    # Left out: death tests, which fork; time bounds, meant for native and sanitizer runs; and the exact prefix scales,
    # which the unit manager computes in long double, which valgrind carries out in 64 bits only.
    skip='*DeathTest*:*UnderASecond*:UnitTable.EveryPrefixedFormRoundTripsWithItsPowerOfTen'
    for binary in build/release/tests/*_tests build/release/tests/dmcalc/dmcalc_tests; do
      echo "== valgrind $binary"
      valgrind --soname-synonyms=somalloc=nouserintercepts --error-exitcode=1 --leak-check=full \
        --errors-for-leak-kinds=definite -q "$binary" --gtest_brief=1 --gtest_filter="-$skip"
    done
    ;;
  tsan)
    ensure_packages
    build_preset tsan
    TSAN_OPTIONS="halt_on_error=1" build/tsan/tests/reliability_threads_tests
    ;;
  python)
    test_python
    ;;
  wheel)
    ensure_packages "${PYTHON_PACKAGES[@]}"
    build_python
    # Stage the package with the libraries its module links, each found beside it through an $ORIGIN run path.
    stage=build/wheel-stage
    rm -rf "$stage" build/wheel
    mkdir -p "$stage" build/wheel
    cp -r build/python/python/package/sorvexa build/python/python/package/VERSION python/setup.py "$stage/"
    module=$(ls "$stage"/sorvexa/_core*.so)
    for lib in $(ldd "$module" | awk '/libsorvexa_/ {print $3}'); do
      cp -L "$lib" "$stage/sorvexa/$(basename "$lib")"
      patchelf --set-rpath '$ORIGIN' "$stage/sorvexa/$(basename "$lib")"
    done
    patchelf --set-rpath '$ORIGIN' "$module"
    [ "$(ls "$stage"/sorvexa/libsorvexa_*.so.* | wc -l)" -eq 4 ] || { echo "wheel: expected 4 libraries" >&2; exit 1; }
    "$PYTHON" -m build --wheel --no-isolation --outdir build/wheel "$stage"
    ls build/wheel/*.whl
    ;;
  *)
    sed -n '2,17p' "$0"
    exit 2
    ;;
esac
