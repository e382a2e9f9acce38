#!/usr/bin/env bash
# Builds, tests and runs the project on a Debian machine.
#
#   ./build.sh demo            build dmcalc (release, output in build/demo-build.log) and run a short session with it
#   ./build.sh test            build (release, warnings as errors) and run every test
#   ./build.sh asan            the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./build.sh dev             debug build and tests
#   ./build.sh bench           the benchmarks (build/bench/results.txt), then the comparison (comparison.txt there)
#                              and time against size (scaling.txt and scaling.png there)
#   ./build.sh consumer        install into build/install, check the installed dmcalc, and build examples/consumer
#                              against it (CMake and pkg-config) and as a subproject; no LD_LIBRARY_PATH anywhere
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

# build_preset PRESET [CONFIGURE ARGUMENT...]
build_preset() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@"
  cmake --build --preset "$preset" -j "$JOBS"
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

# test_preset PRESET [CONFIGURE ARGUMENT...]
test_preset() {
  build_preset "$@"
  ctest --preset "$1"
}

# One line from a fuzz log: executions, the last status line's coverage (cov, ft, corp) and the peak RSS.
fuzz_summary() {
  local log=$1 runs cov ft corp rss
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1)
  corp=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$log" | tail -n 1)
  echo "${runs:-0} executions, ${cov:-cov: ?}, ${ft:-ft: ?}, ${corp:-corp: ?}, peak RSS ${rss:-?} MB"
}

cmd=${1:-test}
case "$cmd" in
  demo)
    ensure_packages
    # Only the libraries and dmcalc, without warnings as errors (a newer compiler may warn about more); the build's
    # output is shown only when it fails.
    mkdir -p build
    log=build/demo-build.log
    echo "== building dmcalc (output in $log)"
    if ! { cmake --preset release -DSORVEXA_WERROR=OFF && cmake --build --preset release --target dmcalc -j "$JOBS"; } \
      >"$log" 2>&1; then
      cat "$log"
      echo "demo: the build failed; its output is above and in $log" >&2
      exit 1
    fi
    echo "== dmcalc is build/release/tools/dmcalc/dmcalc; cmake --install build/release --prefix DIR puts it in DIR/bin"
    DMCALC=build/release/tools/dmcalc/dmcalc bash examples/demo.sh
    ;;
  test | release)
    ensure_packages
    test_preset release -DSORVEXA_WERROR=ON
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
    # Time against size beside numpy: build/bench/scaling.txt and the plot scaling.png.
    /usr/bin/python3 bench/compare/scaling.py --build-dir build/bench --output build/bench/scaling.txt
    ;;
  consumer)
    ensure_packages pkg-config
    build_preset release
    unset LD_LIBRARY_PATH
    prefix=$PWD/build/install
    rm -rf build/install build/install-staged build/consumer build/consumer-pkg-config build/consumer-subproject
    # Installed in one place and used from another: nothing may depend on the prefix it was installed to.
    cmake --install build/release --prefix "$PWD/build/install-staged"
    mv build/install-staged "$prefix"
    out=$("$prefix/bin/dmcalc" plus 1:m 1:km)
    [ "$out" = "[1001]:m:double" ] || { echo "consumer: installed dmcalc printed '$out'" >&2; exit 1; }
    "$prefix/bin/dmcalc" --version
    if [ ! -f "$prefix/share/doc/sorvexa_data_manager_kernel/LICENSE" ]; then
      echo "consumer: no LICENSE installed" >&2
      exit 1
    fi
    echo "== consumer through find_package"
    cmake -S examples/consumer -B build/consumer -G Ninja -DCMAKE_PREFIX_PATH="$prefix"
    cmake --build build/consumer -j "$JOBS"
    build/consumer/consumer
    echo "== consumer through pkg-config"
    export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
    libdir=$(pkg-config --variable=libdir sorvexa_data_manager_kernel)
    mkdir -p build/consumer-pkg-config
    # shellcheck disable=SC2046 # the flags are words
    g++ -std=c++17 examples/consumer/main.cpp -o build/consumer-pkg-config/consumer \
      $(pkg-config --cflags --libs sorvexa_data_manager_kernel) -Wl,-rpath,"$libdir"
    build/consumer-pkg-config/consumer
    echo "== consumer with the libraries as a subproject (no tests or tools, no GoogleTest)"
    cmake -S examples/consumer -B build/consumer-subproject -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DSORVEXA_SOURCE_DIR="$PWD" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
    cmake --build build/consumer-subproject -j "$JOBS"
    build/consumer-subproject/consumer
    if [ -e build/consumer-subproject/sorvexa/tools ] || [ -e build/consumer-subproject/sorvexa/tests ]; then
      echo "consumer: the subproject built its tests or tools" >&2
      exit 1
    fi
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
    rss_mb=${FUZZ_RSS_MB:-1024}
    build_preset fuzz
    for target in value_text unit_text operation allocation_failure; do
      fuzzer=build/fuzz/fuzz/${target}_fuzzer
      artifacts=build/fuzz/artifacts/$target
      log=build/fuzz/$target.log
      mkdir -p "build/fuzz/work/$target" "$artifacts"
      # Every committed input once through the instrumented build, then fresh inputs; new ones go to build/fuzz/work.
      find "fuzz/corpus/$target" "fuzz/regressions/$target" -type f ! -name '.*' -print0 |
        xargs -0 "$fuzzer" -timeout=10 -rss_limit_mb="$rss_mb" >"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
      # The text targets try long inputs from the start (-len_control=0: more coverage in a minute, measured); the
      # step interpreters do better growing their inputs from the long seeds, as each byte there costs more work.
      # A run that grows past the RSS limit is a finding, as a leak would be.
      max_len=4096
      len_control=100
      case "$target" in
        value_text) max_len=16384 len_control=0 ;;
        unit_text) len_control=0 ;;
      esac
      if ! "$fuzzer" -max_total_time="$seconds" -max_len="$max_len" -len_control="$len_control" \
        -rss_limit_mb="$rss_mb" -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "build/fuzz/work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzz $target: finding kept in $artifacts/; minimise it and add it to fuzz/regressions/$target/" >&2
        exit 1
      fi
      echo "fuzz $target: $(fuzz_summary "$log") in ${seconds} s"
    done
    ;;
  valgrind)
    ensure_packages valgrind
    build_preset release
    # Left out: death tests, which fork; time bounds, meant for native and sanitizer runs; and the bit-exact scales
    # (the prefixed forms, the table as it stood before), which the unit manager computes in long double, which
    # valgrind carries out in 64 bits only.
    skip='*DeathTest*:*UnderASecond*:UnitTable.EveryPrefixedFormRoundTripsWithItsPowerOfTen'
    skip+=':UnitReference.NoTextValidBeforeChangesItsMeaning'
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
    sed -n '2,19p' "$0"
    exit 2
    ;;
esac
