// SPDX-License-Identifier: Apache-2.0
//
// Compiled with -ffp-contract=off: a fused multiply-add would round once where the product is defined to round twice.
#include "kernel/operator/matrixproduct.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>

#include "kernel/operator/dispatch.hpp"
#include "qtf/allocator.hpp"

namespace data_manager::detail {
namespace {

// Columns of the result handled per pass over a row block of B: a strip of result row i stays in cache while k runs.
constexpr std::size_t kColumnBlock = 256;

// The double product of larger matrices: blocked, packed and register-tiled. Each result element still receives its
// products one by one in ascending k, each product and each sum rounded on its own (no fused multiply-add: the AVX2
// clone is built without FMA and the file with -ffp-contract=off), so the result equals the naive loop bit for bit.
// Blocks of k only interrupt a running sum by storing it in the result and loading it again, which changes nothing.
constexpr std::size_t kRowsPerTile = 4;              // MR: rows of the register tile
constexpr std::size_t kColumnsPerTile = 8;           // NR: columns of the register tile, two vectors of four doubles
constexpr std::size_t kDepthBlock = 256;             // KC: k values per packed panel
constexpr std::size_t kRowBlock = 64;                // MC: rows of A packed at a time (a multiple of MR)
constexpr std::size_t kSmallProduct = 32 * 32 * 32;  // below this many multiply-adds the plain loop is faster

using Vector4 = double __attribute__((vector_size(32), aligned(8)));

// Packs rows [i0, i0 + rows) and depths [k0, k0 + depth) of the scaled A into MR-row panels, k-major, zero-padded.
void packA(double* out, const double* a, const Scale<double>& sa, std::size_t n, std::size_t i0, std::size_t rows,
           std::size_t k0, std::size_t depth) {
  for (std::size_t ir = 0; ir < rows; ir += kRowsPerTile) {
    for (std::size_t k = 0; k < depth; ++k) {
      for (std::size_t r = 0; r < kRowsPerTile; ++r) {
        *out++ = ir + r < rows ? sa(a[(i0 + ir + r) * n + k0 + k]) : 0.0;
      }
    }
  }
}

// Packs depths [k0, k0 + depth) and columns [0, p) of the scaled B into NR-column panels, k-major, zero-padded.
void packB(double* out, const double* b, const Scale<double>& sb, std::size_t p, std::size_t k0, std::size_t depth) {
  for (std::size_t jr = 0; jr < p; jr += kColumnsPerTile) {
    for (std::size_t k = 0; k < depth; ++k) {
      const double* row = b + (k0 + k) * p + jr;
      for (std::size_t c = 0; c < kColumnsPerTile; ++c) {
        *out++ = jr + c < p ? sb(row[c]) : 0.0;
      }
    }
  }
}

// tile += packed A panel x packed B panel over depth k values, tile being MR x NR row-major.
inline void multiplyTile(double* tile, const double* a, const double* b, std::size_t depth) {
  Vector4 c[kRowsPerTile][2];
  for (std::size_t r = 0; r < kRowsPerTile; ++r) {
    std::memcpy(&c[r][0], tile + r * kColumnsPerTile, sizeof(Vector4));
    std::memcpy(&c[r][1], tile + r * kColumnsPerTile + 4, sizeof(Vector4));
  }
  for (std::size_t k = 0; k < depth; ++k) {
    Vector4 b0;
    Vector4 b1;
    std::memcpy(&b0, b + k * kColumnsPerTile, sizeof(Vector4));
    std::memcpy(&b1, b + k * kColumnsPerTile + 4, sizeof(Vector4));
    for (std::size_t r = 0; r < kRowsPerTile; ++r) {
      const double x = a[k * kRowsPerTile + r];
      const Vector4 broadcast = {x, x, x, x};
      const Vector4 p0 = broadcast * b0;
      const Vector4 p1 = broadcast * b1;
      c[r][0] = c[r][0] + p0;
      c[r][1] = c[r][1] + p1;
    }
  }
  for (std::size_t r = 0; r < kRowsPerTile; ++r) {
    std::memcpy(tile + r * kColumnsPerTile, &c[r][0], sizeof(Vector4));
    std::memcpy(tile + r * kColumnsPerTile + 4, &c[r][1], sizeof(Vector4));
  }
}

// Runs the packed panels against the result: every MR x NR tile is copied out, advanced by depth k values and copied
// back, the valid part only at the edges.
DATA_MANAGER_AVX2_CLONES void multiplyBlock(double* result, std::size_t p, std::size_t i0, std::size_t rows,
                                            const double* packedA, const double* packedB, std::size_t depth) {
  double tile[kRowsPerTile * kColumnsPerTile];
  for (std::size_t jr = 0; jr < p; jr += kColumnsPerTile) {
    const std::size_t columns = std::min(kColumnsPerTile, p - jr);
    const double* b = packedB + jr * depth;
    for (std::size_t ir = 0; ir < rows; ir += kRowsPerTile) {
      const std::size_t tileRows = std::min(kRowsPerTile, rows - ir);
      double* c = result + (i0 + ir) * p + jr;
      std::memset(tile, 0, sizeof tile);
      for (std::size_t r = 0; r < tileRows; ++r) {
        std::memcpy(tile + r * kColumnsPerTile, c + r * p, columns * sizeof(double));
      }
      multiplyTile(tile, packedA + ir * depth, b, depth);
      for (std::size_t r = 0; r < tileRows; ++r) {
        std::memcpy(c + r * p, tile + r * kColumnsPerTile, columns * sizeof(double));
      }
    }
  }
}

void blockedProduct(double* result, const double* a, const Scale<double>& sa, const double* b, const Scale<double>& sb,
                    std::size_t m, std::size_t n, std::size_t p) {
  const std::size_t paddedColumns = (p + kColumnsPerTile - 1) / kColumnsPerTile * kColumnsPerTile;
  const qtf::BufferPtr blockA(qtf::Allocator::allocate(kRowBlock * kDepthBlock * sizeof(double)));
  const qtf::BufferPtr blockB(qtf::Allocator::allocate(paddedColumns * kDepthBlock * sizeof(double)));
  auto* packedA = static_cast<double*>(blockA.get());
  auto* packedB = static_cast<double*>(blockB.get());
  for (std::size_t k0 = 0; k0 < n; k0 += kDepthBlock) {
    const std::size_t depth = std::min(kDepthBlock, n - k0);
    packB(packedB, b, sb, p, k0, depth);
    for (std::size_t i0 = 0; i0 < m; i0 += kRowBlock) {
      const std::size_t rows = std::min(kRowBlock, m - i0);
      packA(packedA, a, sa, n, i0, rows, k0, depth);
      multiplyBlock(result, p, i0, rows, packedA, packedB, depth);
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
