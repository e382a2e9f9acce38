// SPDX-License-Identifier: Apache-2.0
//
// Eigen's double matrix product, single-threaded, for the comparison script, which builds this file itself (with
// -O3 -march=native for the machine's best kernel, FMA included where the CPU has it, and once more without -march for
// plain SSE2). For each size given on the command line it times C = A * B (A, B random n-by-n, row-major like the
// library's values) and keeps the best of several repeats; it prints one line of JSON:
//   {"simd": "<Eigen's instruction sets>", "fma": true|false, "gflops": {"512": ..., "1024": ...}}
#include <Eigen/Dense>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Matrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
using Clock = std::chrono::steady_clock;

double bestGflops(Eigen::Index n) {
  const Matrix a = Matrix::Random(n, n);
  const Matrix b = Matrix::Random(n, n);
  Matrix c(n, n);
  c.noalias() = a * b;  // warm-up: pages, caches, clocks
  const double flops = 2.0 * static_cast<double>(n) * static_cast<double>(n) * static_cast<double>(n);
  // Enough products per repeat for about 0.1 s, then the best of 7 repeats.
  int count = 1;
  for (;;) {
    const Clock::time_point t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
      c.noalias() = a * b;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    if (seconds >= 0.1 || count >= 1 << 20) {
      break;
    }
    count *= 2;
  }
  double best = 0;
  for (int repeat = 0; repeat < 7; ++repeat) {
    const Clock::time_point t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
      c.noalias() = a * b;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const double rate = flops * count / seconds / 1e9;
    best = rate > best ? rate : best;
  }
  volatile double sink = c(0, 0);
  (void)sink;
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  Eigen::setNbThreads(1);
#ifdef EIGEN_VECTORIZE_FMA
  const bool fma = true;
#else
  const bool fma = false;
#endif
  std::printf("{\"simd\": \"%s\", \"fma\": %s, \"gflops\": {", Eigen::SimdInstructionSetsInUse(),
              fma ? "true" : "false");
  for (int i = 1; i < argc; ++i) {
    const long n = std::strtol(argv[i], nullptr, 10);
    std::printf("%s\"%ld\": %.3f", i > 1 ? ", " : "", n, bestGflops(static_cast<Eigen::Index>(n)));
    std::fflush(stdout);
  }
  std::printf("}}\n");
  return 0;
}
