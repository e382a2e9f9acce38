// SPDX-License-Identifier: Apache-2.0
//
// Compiled with -ffp-contract=off: a fused multiply-add would round once where the product is defined to round twice.
#include "kernel/operator/matrixproduct.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "qtf/allocator.hpp"

namespace data_manager::detail {
namespace {

// Columns of the result handled per pass over a row block of B: a strip of result row i stays in cache while k runs.
constexpr std::size_t kColumnBlock = 256;

// The double product of larger matrices: blocked, packed and register-tiled. Each result element still receives its
// products one by one in ascending k, each product and each sum rounded on its own (no fused multiply-add: the
// kernels' targets carry no FMA and the file is built with -ffp-contract=off), so the result equals the naive loop bit
// for bit. Blocks of k only interrupt a running sum by storing it in the result and loading it again, which changes
// nothing.
constexpr std::size_t kDepthBlock = 256;             // KC: k values per packed panel
constexpr std::size_t kSmallProduct = 32 * 32 * 32;  // below this many multiply-adds the plain loop is faster

// Vectors of doubles at the alignment of a double that may alias doubles: they load from and store to any element of
// the result and the panels, without a copy the register allocator would have to see through.
using Vector2 = double __attribute__((vector_size(16), aligned(8), may_alias));
using Vector4 = double __attribute__((vector_size(32), aligned(8), may_alias));

// One register tile: Rows x (Vectors * Lanes) results, kept in Rows * Vectors accumulators while depth k values of the
// packed panels stream past. A row broadcasts its A value once per k; the B vectors of that k serve every row.
template <std::size_t Rows, std::size_t Vectors, typename V>
inline __attribute__((always_inline)) void multiplyTile(double* c, std::size_t ldc, const double* a, const double* b,
                                                        std::size_t depth) {
  constexpr std::size_t Lanes = sizeof(V) / sizeof(double);
  constexpr std::size_t kColumns = Vectors * Lanes;
  V acc[Rows][Vectors];
#pragma GCC unroll 16
  for (std::size_t r = 0; r < Rows; ++r) {
#pragma GCC unroll 16
    for (std::size_t v = 0; v < Vectors; ++v) acc[r][v] = *reinterpret_cast<const V*>(c + r * ldc + v * Lanes);
  }
#pragma GCC unroll 2
  for (std::size_t k = 0; k < depth; ++k) {
    V bv[Vectors];
#pragma GCC unroll 16
    for (std::size_t v = 0; v < Vectors; ++v) bv[v] = *reinterpret_cast<const V*>(b + k * kColumns + v * Lanes);
#pragma GCC unroll 16
    for (std::size_t r = 0; r < Rows; ++r) {
      V x;
#pragma GCC unroll 16
      for (std::size_t l = 0; l < Lanes; ++l) x[l] = a[k * Rows + r];
#pragma GCC unroll 16
      for (std::size_t v = 0; v < Vectors; ++v) {
        const V product = x * bv[v];
        acc[r][v] = acc[r][v] + product;
      }
    }
  }
#pragma GCC unroll 16
  for (std::size_t r = 0; r < Rows; ++r) {
#pragma GCC unroll 16
    for (std::size_t v = 0; v < Vectors; ++v) *reinterpret_cast<V*>(c + r * ldc + v * Lanes) = acc[r][v];
  }
}

// A register tile's shape and its kernel, which advances one full tile of the result (row stride ldc) by depth k.
struct TileKernel {
  std::size_t rows;
  std::size_t columns;
  void (*multiply)(double* c, std::size_t ldc, const double* a, const double* b, std::size_t depth);
  std::size_t rowBlock;  // MC: rows of A packed at a time, a multiple of rows, sized for the second-level cache
};

// Without AVX2 the processor has 16 vector registers of two doubles: 4x4 results take 8 of them.
void multiplyTilePortable(double* c, std::size_t ldc, const double* a, const double* b, std::size_t depth) {
  multiplyTile<4, 2, Vector2>(c, ldc, a, b, depth);
}

#if defined(__x86_64__)
// 16 registers of four doubles: 6x8 results take 12, the two B vectors 2, one broadcast and one product the last 2.
// Per k that is 12 multiplies and 12 adds (six cycles on two multiply and two add pipes) against 6 broadcasts from
// memory and 2 loads. Written with intrinsics: the compiler would otherwise merge the six broadcasts into one vector
// load and five shuffles, which compete with the arithmetic for the vector pipes.
__attribute__((target("avx2"))) void multiplyTileAvx2(double* c, std::size_t ldc, const double* a, const double* b,
                                                      std::size_t depth) {
  constexpr std::size_t kRows = 6;
  __m256d acc[kRows][2];
#pragma GCC unroll 6
  for (std::size_t r = 0; r < kRows; ++r) {
    acc[r][0] = _mm256_loadu_pd(c + r * ldc);
    acc[r][1] = _mm256_loadu_pd(c + r * ldc + 4);
  }
#pragma GCC unroll 2
  for (std::size_t k = 0; k < depth; ++k) {
    const __m256d b0 = _mm256_loadu_pd(b);
    const __m256d b1 = _mm256_loadu_pd(b + 4);
#pragma GCC unroll 6
    for (std::size_t r = 0; r < kRows; ++r) {
      const __m256d x = _mm256_broadcast_sd(a + r);
      acc[r][0] = _mm256_add_pd(acc[r][0], _mm256_mul_pd(x, b0));
      acc[r][1] = _mm256_add_pd(acc[r][1], _mm256_mul_pd(x, b1));
    }
    a += kRows;
    b += 8;
  }
#pragma GCC unroll 6
  for (std::size_t r = 0; r < kRows; ++r) {
    _mm256_storeu_pd(c + r * ldc, acc[r][0]);
    _mm256_storeu_pd(c + r * ldc + 4, acc[r][1]);
  }
}
#endif

const TileKernel& chooseKernel() {
  static const TileKernel portable{4, 4, &multiplyTilePortable, 64};
#if defined(__x86_64__)
  static const TileKernel avx2{6, 8, &multiplyTileAvx2, 96};
  static const TileKernel& chosen = __builtin_cpu_supports("avx2") ? avx2 : portable;
  return chosen;
#else
  return portable;
#endif
}

// Packs rows [i0, i0 + rows) and depths [k0, k0 + depth) of the scaled A into panels of mr rows, k-major, zero-padded.
void packA(double* out, const double* a, const Scale<double>& sa, std::size_t n, std::size_t mr, std::size_t i0,
           std::size_t rows, std::size_t k0, std::size_t depth) {
  for (std::size_t ir = 0; ir < rows; ir += mr) {
    const std::size_t valid = std::min(mr, rows - ir);
    for (std::size_t k = 0; k < depth; ++k) {
      for (std::size_t r = 0; r < valid; ++r) out[r] = sa(a[(i0 + ir + r) * n + k0 + k]);
      for (std::size_t r = valid; r < mr; ++r) out[r] = 0.0;
      out += mr;
    }
  }
}

// Packs depths [k0, k0 + depth) and columns [0, p) of the scaled B into panels of nr columns, k-major, zero-padded.
void packB(double* out, const double* b, const Scale<double>& sb, std::size_t p, std::size_t nr, std::size_t k0,
           std::size_t depth) {
  for (std::size_t jr = 0; jr < p; jr += nr) {
    const std::size_t valid = std::min(nr, p - jr);
    for (std::size_t k = 0; k < depth; ++k) {
      const double* row = b + (k0 + k) * p + jr;
      if (sb.isIdentity()) {
        std::memcpy(out, row, valid * sizeof(double));
      } else {
        for (std::size_t c = 0; c < valid; ++c) out[c] = sb(row[c]);
      }
      for (std::size_t c = valid; c < nr; ++c) out[c] = 0.0;
      out += nr;
    }
  }
}

// Runs the packed panels against the result. Full tiles are advanced in place; a tile at the right or bottom edge is
// copied to a scratch tile, advanced there and its valid part copied back.
void multiplyBlock(const TileKernel& kernel, double* result, std::size_t p, std::size_t i0, std::size_t rows,
                   const double* packedA, const double* packedB, std::size_t depth) {
  constexpr std::size_t kMaxTile = 64;
  double tile[kMaxTile];
  const std::size_t mr = kernel.rows, nr = kernel.columns;
  for (std::size_t jr = 0; jr < p; jr += nr) {
    const std::size_t columns = std::min(nr, p - jr);
    const double* b = packedB + jr * depth;
    for (std::size_t ir = 0; ir < rows; ir += mr) {
      const std::size_t tileRows = std::min(mr, rows - ir);
      double* c = result + (i0 + ir) * p + jr;
      const double* a = packedA + ir * depth;
      if (tileRows == mr && columns == nr) {
        kernel.multiply(c, p, a, b, depth);
        continue;
      }
      std::memset(tile, 0, sizeof tile);
      for (std::size_t r = 0; r < tileRows; ++r) std::memcpy(tile + r * nr, c + r * p, columns * sizeof(double));
      kernel.multiply(tile, nr, a, b, depth);
      for (std::size_t r = 0; r < tileRows; ++r) std::memcpy(c + r * p, tile + r * nr, columns * sizeof(double));
    }
  }
}

void blockedProduct(double* result, const double* a, const Scale<double>& sa, const double* b, const Scale<double>& sb,
                    std::size_t m, std::size_t n, std::size_t p) {
  const TileKernel& kernel = chooseKernel();
  const std::size_t paddedColumns = (p + kernel.columns - 1) / kernel.columns * kernel.columns;
  const qtf::BufferPtr blockA(qtf::Allocator::allocate(kernel.rowBlock * kDepthBlock * sizeof(double)));
  const qtf::BufferPtr blockB(qtf::Allocator::allocate(paddedColumns * kDepthBlock * sizeof(double)));
  auto* packedA = static_cast<double*>(blockA.get());
  auto* packedB = static_cast<double*>(blockB.get());
  for (std::size_t k0 = 0; k0 < n; k0 += kDepthBlock) {
    const std::size_t depth = std::min(kDepthBlock, n - k0);
    packB(packedB, b, sb, p, kernel.columns, k0, depth);
    for (std::size_t i0 = 0; i0 < m; i0 += kernel.rowBlock) {
      const std::size_t rows = std::min(kernel.rowBlock, m - i0);
      packA(packedA, a, sa, n, kernel.rows, i0, rows, k0, depth);
      multiplyBlock(kernel, result, p, i0, rows, packedA, packedB, depth);
    }
  }
}

}  // namespace

template <typename T>
void matrixProduct(T* result, const T* a, const Scale<T>& sa, const T* b, const Scale<T>& sb, std::size_t m,
                   std::size_t n, std::size_t p) {
  if constexpr (std::is_same_v<T, double>) {
    if (m * n * p >= kSmallProduct) {
      blockedProduct(result, a, sa, b, sb, m, n, p);
      return;
    }
  }
  // i-k-j order: for a fixed result element (i, j) the products still arrive in ascending k, so the sum is the naive
  // loop's, while the inner loop runs along contiguous rows of B and the result and vectorises.
  for (std::size_t j0 = 0; j0 < p; j0 += kColumnBlock) {
    const std::size_t j1 = std::min(p, j0 + kColumnBlock);
    for (std::size_t i = 0; i < m; ++i) {
      T* r = result + i * p;
      for (std::size_t k = 0; k < n; ++k) {
        const T x = sa(a[i * n + k]);
        const T* bk = b + k * p;
        if (sb.isIdentity()) {
          for (std::size_t j = j0; j < j1; ++j) {
            r[j] = Arith<T>::add(r[j], Arith<T>::mul(x, bk[j]));
          }
        } else {
          for (std::size_t j = j0; j < j1; ++j) {
            r[j] = Arith<T>::add(r[j], Arith<T>::mul(x, sb(bk[j])));
          }
        }
      }
    }
  }
}

template void matrixProduct<unsigned char>(unsigned char*, const unsigned char*, const Scale<unsigned char>&,
                                           const unsigned char*, const Scale<unsigned char>&, std::size_t, std::size_t,
                                           std::size_t);
template void matrixProduct<double>(double*, const double*, const Scale<double>&, const double*, const Scale<double>&,
                                    std::size_t, std::size_t, std::size_t);
template void matrixProduct<int>(int*, const int*, const Scale<int>&, const int*, const Scale<int>&, std::size_t,
                                 std::size_t, std::size_t);
template void matrixProduct<unsigned int>(unsigned int*, const unsigned int*, const Scale<unsigned int>&,
                                          const unsigned int*, const Scale<unsigned int>&, std::size_t, std::size_t,
                                          std::size_t);
template void matrixProduct<char>(char*, const char*, const Scale<char>&, const char*, const Scale<char>&, std::size_t,
                                  std::size_t, std::size_t);

}  // namespace data_manager::detail
