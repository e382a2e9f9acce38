// SPDX-License-Identifier: Apache-2.0
//
// Compiled with -ffp-contract=off: a fused multiply-add would round once where the product is defined to round twice.
#include "kernel/operator/matrixproduct.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

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
//
// Blocking for a core with a 32 KiB first-level, a 1 MiB second-level and a large shared third-level cache: a chunk
// of rows of A is packed for one k block (row panels of the tile height, k-major); B is packed one KC x NC panel at a
// time and run against every row panel of the chunk in turn. A row panel of A (at most 24 x 2048 doubles, 384 KiB)
// is used by every tile along its row and stays in the second-level cache while the B tiles stream past.
//
// The k blocks are deep because what a tile costs beyond its arithmetic is its pass over the result: 24 rows of the
// result loaded and stored once per k block, and at a power-of-two row stride all 24 lines fall into one set of the
// first-level cache. Measured at 1024 x 1024 on Zen 4, k blocks of 2048 instead of 384 (one pass instead of three)
// gain 5%, while the B tiles, read once per row panel, stream from the third-level cache at no visible cost; the first
// k block starts its tiles from zero instead of loading the zero-filled result, another 1%.
constexpr std::size_t kDepthBlock = 2048;  // KC: at most this many k values per packed panel
constexpr std::size_t kColumnPanel = 256;  // NC: columns of B packed at a time
// The packed A chunk holds at most this many doubles (16 MiB), so the scratch space stays bounded however tall A is;
// B is packed again for each chunk.
constexpr std::size_t kPackedAElements = std::size_t{1} << 21;
constexpr std::size_t kSmallProduct = 32 * 32 * 32;  // below this many multiply-adds the plain loop is faster

using TileFunction = void (*)(double* c, std::size_t ldc, const double* a, const double* b, std::size_t depth,
                              bool fresh);

// A register tile's shape and its kernel, which advances one full tile of the result (row stride ldc) by depth k;
// fresh, the tile starts from zero instead of from the result, which the first k block knows to be zero. Either way
// each sum starts from +0.0, as the naive loop's does.
// partialRows, where present, holds kernels for the first 1 ... rows of a tile, run at the bottom edge in place of a
// full tile on a scratch copy.
struct TileKernel {
  std::size_t rows;
  std::size_t columns;
  TileFunction multiply;
  const TileFunction* partialRows;
};

// Vectors of doubles at the alignment of a double that may alias doubles: they load from and store to any element of
// the result and the panels, without a copy the register allocator would have to see through.
using Vector2 = double __attribute__((vector_size(16), aligned(8), may_alias));

// One register tile: Rows x (Vectors * Lanes) results, kept in Rows * Vectors accumulators while depth k values of the
// packed panels stream past. A row broadcasts its A value once per k; the B vectors of that k serve every row.
template <std::size_t Rows, std::size_t Vectors, typename V>
inline __attribute__((always_inline)) void multiplyTile(double* c, std::size_t ldc, const double* a, const double* b,
                                                        std::size_t depth, bool fresh) {
  constexpr std::size_t Lanes = sizeof(V) / sizeof(double);
  constexpr std::size_t kColumns = Vectors * Lanes;
  V acc[Rows][Vectors];
#pragma GCC unroll 16
  for (std::size_t r = 0; r < Rows; ++r) {
#pragma GCC unroll 16
    for (std::size_t v = 0; v < Vectors; ++v) {
      acc[r][v] = fresh ? V{} : *reinterpret_cast<const V*>(c + r * ldc + v * Lanes);
    }
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

// Without AVX2 the processor has 16 vector registers of two doubles: 4x4 results take 8 of them.
void multiplyTilePortable(double* c, std::size_t ldc, const double* a, const double* b, std::size_t depth, bool fresh) {
  multiplyTile<4, 2, Vector2>(c, ldc, a, b, depth, fresh);
}

#if defined(__x86_64__)
// 16 registers of four doubles: 6x8 results take 12, the two B vectors 2, one broadcast and one product the last 2.
// Per k that is 12 multiplies and 12 adds (six cycles on two multiply and two add pipes) against 6 broadcasts from
// memory and 2 loads. Written with intrinsics: the compiler would otherwise merge the six broadcasts into one vector
// load and five shuffles, which compete with the arithmetic for the vector pipes.
__attribute__((target("avx2"))) void multiplyTileAvx2(double* c, std::size_t ldc, const double* a, const double* b,
                                                      std::size_t depth, bool fresh) {
  constexpr std::size_t kRows = 6;
  __m256d acc[kRows][2];
#pragma GCC unroll 6
  for (std::size_t r = 0; r < kRows; ++r) {
    acc[r][0] = fresh ? _mm256_setzero_pd() : _mm256_loadu_pd(c + r * ldc);
    acc[r][1] = fresh ? _mm256_setzero_pd() : _mm256_loadu_pd(c + r * ldc + 4);
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

// 32 registers of eight doubles. Zen 4 runs a 512-bit operation as two 256-bit halves, so the peak is that of AVX2 (a
// multiply and an add of eight doubles per cycle on its two multiply and two add pipes), but half as many
// instructions reach it, and an A value can come straight from memory as the multiply's embedded broadcast: per k one
// load of B, Rows multiplies and Rows adds, with no separate broadcast. 24 x 8 results take 24 accumulators; the B
// vector and the products in flight (a multiply takes three cycles) use most of the rest. Each accumulator sees one
// add every 24 cycles, far more than the add's latency. Measured on Zen 4 with the panels in cache, the 24 x 8 tile
// runs at 95% of peak; tiles two vectors wide (14 x 16, 12 x 16) or more (8 x 24, 6 x 32) need a broadcast per row and
// reach 65-75%. Stride is the packed panel's rows per k, larger than Rows for the panel at the bottom edge.
constexpr std::size_t kAvx512Rows = 24;

template <std::size_t Rows, std::size_t Stride>
__attribute__((target("avx512f"))) void multiplyRowsAvx512(double* c, std::size_t ldc, const double* a, const double* b,
                                                           std::size_t depth, bool fresh) {
  __m512d acc[Rows];
#pragma GCC unroll 24
  for (std::size_t r = 0; r < Rows; ++r) acc[r] = fresh ? _mm512_setzero_pd() : _mm512_loadu_pd(c + r * ldc);
#pragma GCC unroll 1
  for (std::size_t k = 0; k < depth; ++k) {
    const __m512d bv = _mm512_loadu_pd(b);
#pragma GCC unroll 24
    for (std::size_t r = 0; r < Rows; ++r) acc[r] = _mm512_add_pd(acc[r], _mm512_mul_pd(_mm512_set1_pd(a[r]), bv));
    a += Stride;
    b += 8;
  }
#pragma GCC unroll 24
  for (std::size_t r = 0; r < Rows; ++r) _mm512_storeu_pd(c + r * ldc, acc[r]);
}

template <std::size_t... Rows>
constexpr std::array<TileFunction, sizeof...(Rows)> avx512RowKernels(std::index_sequence<Rows...> /*rows*/) {
  return {&multiplyRowsAvx512<Rows + 1, kAvx512Rows>...};
}

constexpr std::array<TileFunction, kAvx512Rows> kAvx512PartialRows =
    avx512RowKernels(std::make_index_sequence<kAvx512Rows>());
#endif

const TileKernel kPortable{4, 4, &multiplyTilePortable, nullptr};
#if defined(__x86_64__)
const TileKernel kAvx2{6, 8, &multiplyTileAvx2, nullptr};
const TileKernel kAvx512{kAvx512Rows, 8, kAvx512PartialRows[kAvx512Rows - 1], kAvx512PartialRows.data()};
#endif

const TileKernel& tileKernel(ProductKernel kernel) noexcept {
  switch (kernel) {
#if defined(__x86_64__)
    case ProductKernel::Avx512:
      return kAvx512;
    case ProductKernel::Avx2:
      return kAvx2;
#endif
    default:
      return kPortable;
  }
}

// Packs rows [0, m) and depths [k0, k0 + depth) of the scaled A (row stride n) into panels of mr rows, k-major,
// zero-padded. Eight k at a time: the eight values of a row share a cache line, and the mr x 8 values written stay in
// the first-level cache, so neither side walks the rows of A at their stride one element at a time.
void packA(double* out, const double* a, const Scale<double>& sa, std::size_t n, std::size_t mr, std::size_t m,
           std::size_t k0, std::size_t depth) {
  constexpr std::size_t kStep = 8;
  for (std::size_t ir = 0; ir < m; ir += mr) {
    const std::size_t valid = std::min(mr, m - ir);
    double* panel = out + ir * depth;
    for (std::size_t kc = 0; kc < depth; kc += kStep) {
      const std::size_t count = std::min(kStep, depth - kc);
      for (std::size_t r = 0; r < valid; ++r) {
        const double* source = a + (ir + r) * n + k0 + kc;
        double* target = panel + kc * mr + r;
        for (std::size_t j = 0; j < count; ++j) target[j * mr] = sa(source[j]);
      }
      for (std::size_t r = valid; r < mr; ++r) {
        for (std::size_t j = 0; j < count; ++j) panel[(kc + j) * mr + r] = 0.0;
      }
    }
  }
}

// Packs depths [k0, k0 + depth) and columns [j0, j0 + width) of the scaled B (row stride p) into panels of Nr columns,
// k-major, zero-padded. Sixteen rows at a time: each row is read front to back, and each panel is written in runs.
template <std::size_t Nr>
void packB(double* out, const double* b, const Scale<double>& sb, std::size_t p, std::size_t k0, std::size_t depth,
           std::size_t j0, std::size_t width) {
  constexpr std::size_t kStep = 16;
  const std::size_t full = width / Nr;
  const std::size_t rest = width - full * Nr;
  for (std::size_t kc = 0; kc < depth; kc += kStep) {
    const std::size_t count = std::min(kStep, depth - kc);
    const double* rows = b + (k0 + kc) * p + j0;
    double* panel = out + kc * Nr;
    for (std::size_t s = 0; s < full; ++s, panel += depth * Nr, rows += Nr) {
      for (std::size_t k = 0; k < count; ++k) {
        if (sb.isIdentity()) {
          for (std::size_t c = 0; c < Nr; ++c) panel[k * Nr + c] = rows[k * p + c];
        } else {
          for (std::size_t c = 0; c < Nr; ++c) panel[k * Nr + c] = sb(rows[k * p + c]);
        }
      }
    }
    if (rest != 0) {
      for (std::size_t k = 0; k < count; ++k) {
        for (std::size_t c = 0; c < rest; ++c) panel[k * Nr + c] = sb(rows[k * p + c]);
        for (std::size_t c = rest; c < Nr; ++c) panel[k * Nr + c] = 0.0;
      }
    }
  }
}

void packB(double* out, const double* b, const Scale<double>& sb, std::size_t p, std::size_t nr, std::size_t k0,
           std::size_t depth, std::size_t j0, std::size_t width) {
  if (nr == 8) {
    packB<8>(out, b, sb, p, k0, depth, j0, width);
  } else {
    packB<4>(out, b, sb, p, k0, depth, j0, width);
  }
}

// Runs the packed panels against columns [j0, j0 + width) of the result (row stride p). Full tiles are advanced in
// place, and so are partial-row tiles where the kernel has kernels for them; any other tile at the right or bottom
// edge is copied to a scratch tile, advanced there and its valid part copied back. A row of tiles at a time: its A
// panel stays in the second-level cache while the B panels stream past, and the result is walked along its rows.
// fresh as for a tile.
void multiplyBlock(const TileKernel& kernel, double* result, std::size_t p, std::size_t m, const double* packedA,
                   const double* packedB, std::size_t depth, std::size_t j0, std::size_t width, bool fresh) {
  constexpr std::size_t kMaxTile = kAvx512Rows * 8;
  double tile[kMaxTile];
  const std::size_t mr = kernel.rows, nr = kernel.columns;
  for (std::size_t ir = 0; ir < m; ir += mr) {
    const std::size_t tileRows = std::min(mr, m - ir);
    const double* a = packedA + ir * depth;
    for (std::size_t jr = 0; jr < width; jr += nr) {
      const std::size_t columns = std::min(nr, width - jr);
      const double* b = packedB + jr * depth;
      double* c = result + ir * p + j0 + jr;
      if (columns == nr && tileRows == mr) {
        kernel.multiply(c, p, a, b, depth, fresh);
      } else if (columns == nr && kernel.partialRows != nullptr) {
        kernel.partialRows[tileRows - 1](c, p, a, b, depth, fresh);
      } else {
        std::memset(tile, 0, sizeof tile);
        if (!fresh) {
          for (std::size_t r = 0; r < tileRows; ++r) std::memcpy(tile + r * nr, c + r * p, columns * sizeof(double));
        }
        kernel.multiply(tile, nr, a, b, depth, false);
        for (std::size_t r = 0; r < tileRows; ++r) std::memcpy(c + r * p, tile + r * nr, columns * sizeof(double));
      }
    }
  }
}

struct WorkspaceRelease {
  void operator()(void* block) const noexcept { qtf::Allocator::deallocateWorkspace(block); }
};

}  // namespace

bool productKernelAvailable(ProductKernel kernel) noexcept {
  switch (kernel) {
#if defined(__x86_64__)
    case ProductKernel::Avx512:
      return __builtin_cpu_supports("avx512f");
    case ProductKernel::Avx2:
      return __builtin_cpu_supports("avx2");
#endif
    case ProductKernel::Portable:
      return true;
    default:
      return false;
  }
}

ProductKernel bestProductKernel() noexcept {
  static const ProductKernel best = productKernelAvailable(ProductKernel::Avx512) ? ProductKernel::Avx512
                                    : productKernelAvailable(ProductKernel::Avx2) ? ProductKernel::Avx2
                                                                                  : ProductKernel::Portable;
  return best;
}

void blockedProduct(ProductKernel choice, double* result, const double* a, const Scale<double>& sa, const double* b,
                    const Scale<double>& sb, std::size_t m, std::size_t n, std::size_t p) {
  const TileKernel& kernel = tileKernel(choice);
  const std::size_t mr = kernel.rows;
  const std::size_t panelColumns = std::min(p, kColumnPanel);
  const std::size_t paddedColumns = (panelColumns + kernel.columns - 1) / kernel.columns * kernel.columns;
  // k blocks of equal depth: a thin last block would pay a full pass over the result for few products.
  const std::size_t blocks = (n + kDepthBlock - 1) / kDepthBlock;
  const std::size_t depthBlock = blocks == 0 ? 0 : (n + blocks - 1) / blocks;
  const std::size_t chunkLimit = std::max(mr, kPackedAElements / std::max<std::size_t>(depthBlock, 1) / mr * mr);
  const std::size_t chunkRows = std::min(chunkLimit, (m + mr - 1) / mr * mr);
  // Both panels in the thread's workspace: the megabytes a large product packs into are taken fresh from the system
  // again and again otherwise, one page fault per 4 KiB, a quarter of a 512 x 512 product's time as measured.
  const std::unique_ptr<void, WorkspaceRelease> workspace(
      qtf::Allocator::allocateWorkspace((chunkRows + paddedColumns) * depthBlock * sizeof(double)));
  auto* packedA = static_cast<double*>(workspace.get());
  double* packedB = packedA + chunkRows * depthBlock;
  for (std::size_t k0 = 0; k0 < n; k0 += depthBlock) {
    const std::size_t depth = std::min(depthBlock, n - k0);
    for (std::size_t i0 = 0; i0 < m; i0 += chunkRows) {
      const std::size_t rows = std::min(chunkRows, m - i0);
      packA(packedA, a + i0 * n, sa, n, mr, rows, k0, depth);
      for (std::size_t j0 = 0; j0 < p; j0 += kColumnPanel) {
        const std::size_t width = std::min(kColumnPanel, p - j0);
        packB(packedB, b, sb, p, kernel.columns, k0, depth, j0, width);
        multiplyBlock(kernel, result + i0 * p, p, rows, packedA, packedB, depth, j0, width, k0 == 0);
      }
    }
  }
}

template <typename T>
void matrixProduct(T* result, const T* a, const Scale<T>& sa, const T* b, const Scale<T>& sb, std::size_t m,
                   std::size_t n, std::size_t p) {
  if constexpr (std::is_same_v<T, double>) {
    if (m * n * p >= kSmallProduct) {
      blockedProduct(bestProductKernel(), result, a, sa, b, sb, m, n, p);
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
