// SPDX-License-Identifier: Apache-2.0
//
// Every kernel of the blocked double product the processor runs, against the naive i-j-k loop bit for bit: shapes
// that end one short of, exactly at and one past each tile, depth block and column panel edge, scale factors on either
// operand, and values whose products overflow, vanish or carry a sign on zero.
#include "sorvexa_test/productkernels.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "sorvexa_test/operators.hpp"

namespace {

using namespace sorvexa_test;

// The naive loop: for each result element, the products of the scaled values added in ascending k from zero.
std::vector<double> naiveProduct(const std::vector<double>& a, double fa, const std::vector<double>& b, double fb,
                                 std::size_t m, std::size_t n, std::size_t p) {
  std::vector<double> result(m * p);
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = 0; j < p; ++j) {
      double sum = 0;
      for (std::size_t k = 0; k < n; ++k) sum += (fa * a[i * n + k]) * (fb * b[k * p + j]);
      result[i * p + j] = sum;
    }
  }
  return result;
}

TEST(ProductKernels, EveryKernelEqualsTheNaiveLoopBitForBitAtEveryBlockEdge) {
  struct Shape {
    std::size_t m, n, p;
    double fa, fb;
    bool special;  // values from a pool of zeros of both signs, huge, tiny and subnormal numbers
  };
  // Tiles are 24x8 (AVX-512), 6x8 (AVX2) and 4x4 (portable); k blocks split n evenly into blocks of at most 2048,
  // column panels hold 256 columns, and A is packed in chunks of at most 2^21 doubles: 2100 rows of depth 1025 take
  // two chunks.
  const Shape shapes[] = {{1, 1, 1, 1, 1, false},       {24, 16, 8, 1, 1, false},      {25, 385, 9, 1, 1, false},
                          {23, 384, 7, 1, 1, false},    {47, 20, 257, 0.5, -3, false}, {6, 1, 8, 1, 1, false},
                          {7, 769, 5, 0.1, 3, false},   {53, 33, 520, -2.5, 1, false}, {5, 3, 256, 1, 0.25, false},
                          {30, 50, 17, 1, -1, true},    {9, 400, 12, -1e300, 1, true}, {3, 0, 4, 1, 1, false},
                          {0, 5, 3, 1, 1, false},       {48, 8, 0, 1, 1, false},       {5, 2048, 9, 1, 1, false},
                          {26, 2049, 10, 0.5, 1, true}, {3, 4097, 3, 1, -0.1, false},  {2100, 1025, 9, -2, 0.5, false}};
  const double pool[] = {0.0, -0.0, 1e300, -1e300, 1e-300, -1e-300, std::numeric_limits<double>::denorm_min(),
                         1.0, -1.0, 0.5,   3.0,    -7.25,  1e-170,  std::numeric_limits<double>::max()};
  std::mt19937_64 random(20261209);
  std::uniform_real_distribution<double> real(-1.0, 1.0);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pool) - 1);
  std::size_t kernelsRun = 0;
  for (const ProductKernel kernel : kProductKernels) {
    if (!productKernelAvailable(kernel)) continue;
    ++kernelsRun;
    for (const Shape& s : shapes) {
      SCOPED_TRACE(productKernelName(kernel) + " " + std::to_string(s.m) + "x" + std::to_string(s.n) + "x" +
                   std::to_string(s.p) + " factors " + std::to_string(s.fa) + " " + std::to_string(s.fb));
      std::vector<double> a(s.m * s.n), b(s.n * s.p);
      const auto draw = [&] { return s.special ? pool[pick(random)] : real(random); };
      std::generate(a.begin(), a.end(), draw);
      std::generate(b.begin(), b.end(), draw);
      EXPECT_TRUE(sameDoubles(blockedProduct(kernel, a, s.fa, b, s.fb, s.m, s.n, s.p),
                              naiveProduct(a, s.fa, b, s.fb, s.m, s.n, s.p)));
    }
  }
  // The portable kernel runs everywhere; MTimes uses the first kernel of the list the processor runs.
  EXPECT_TRUE(productKernelAvailable(ProductKernel::Portable));
  const ProductKernel* best =
      std::find_if(std::begin(kProductKernels), std::end(kProductKernels), productKernelAvailable);
  EXPECT_EQ(bestProductKernel(), *best);
  EXPECT_GE(kernelsRun, 1U);
}

// The order of the additions shows: 1e16 + 1 rounds back to 1e16 before -1e16 cancels it, so the ascending sum is 0
// where any other grouping of the three products gives 1 or 2. And each product is rounded before its add:
// -0.01 + 0.1 * 0.1 is 2^-59 with 0.1 * 0.1 rounded to 0.010000000000000002 first, about 9.0e-19 from a fused
// multiply-add, which keeps the exact product.
TEST(ProductKernels, EveryKernelAddsInAscendingKAndRoundsEachProduct) {
  const std::size_t m = 30, n = 3, p = 20;
  std::vector<double> cancelling(m * n), rounding(m * 2), ones(n * p, 1.0), columns(2 * p);
  for (std::size_t i = 0; i < m; ++i) {
    cancelling[i * n] = 1e16;
    cancelling[i * n + 1] = 1.0;
    cancelling[i * n + 2] = -1e16;
    rounding[i * 2] = 1.0;
    rounding[i * 2 + 1] = 0.1;
  }
  for (std::size_t j = 0; j < p; ++j) {
    columns[j] = -0.01;
    columns[p + j] = 0.1;
  }
  for (const ProductKernel kernel : kProductKernels) {
    if (!productKernelAvailable(kernel)) continue;
    SCOPED_TRACE(productKernelName(kernel));
    EXPECT_TRUE(sameDoubles(blockedProduct(kernel, cancelling, 1, ones, 1, m, n, p), std::vector<double>(m * p, 0.0)));
    EXPECT_TRUE(
        sameDoubles(blockedProduct(kernel, rounding, 1, columns, 1, m, 2, p), std::vector<double>(m * p, 0x1p-59)));
  }
}

}  // namespace
