#!/usr/bin/env bash
# Builds, tests and runs the project on a Debian machine.
#
#   ./build.sh demo            build and run a short dmcalc session
#   ./build.sh test            build (release, warnings as errors) and run every test
#   ./build.sh asan            the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./build.sh dev             debug build and tests
#   ./build.sh bench           build and run the benchmarks, writing build/bench/results.txt
#   ./build.sh consumer        install into build/install and build examples/consumer against it
#   ./build.sh format          reformat the sources with clang-format
#   ./build.sh format-check    fail when a source is not formatted
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
    ensure_packages
    build_preset bench
    mkdir -p build/bench
    for b in build/bench/bench/*_bench; do
      echo "== $b"
      "$b" --benchmark_min_time=0.2 | tee -a build/bench/results.txt
    done
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
  *)
    sed -n '2,12p' "$0"
    exit 2
    ;;
esac
