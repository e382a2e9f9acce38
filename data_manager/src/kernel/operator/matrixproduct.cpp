// SPDX-License-Identifier: Apache-2.0
//
// Compiled with -ffp-contract=off: a fused multiply-add would round once where the product is defined to round twice.
#include "kernel/operator/matrixproduct.hpp"

#include <algorithm>

namespace data_manager {
namespace {

// Columns of the result handled per pass over a row block of B: a strip of result row i stays in cache while k runs.
constexpr std::size_t kColumnBlock = 256;

}  // namespace

template <typename T>
void matrixProduct(T* result, const T* a, const Scale<T>& sa, const T* b, const Scale<T>& sb, std::size_t m,
                   std::size_t n, std::size_t p) {
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

}  // namespace data_manager
