// SPDX-License-Identifier: Apache-2.0
//
// The main of every benchmark program.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
