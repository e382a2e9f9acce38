// SPDX-License-Identifier: Apache-2.0
#include "sorvexa_test/productkernels.hpp"

#include "kernel/operator/matrixproduct.hpp"

namespace sorvexa_test {

namespace detail = data_manager::detail;

namespace {

detail::ProductKernel toKernel(ProductKernel kernel) {
  switch (kernel) {
    case ProductKernel::Avx512:
      return detail::ProductKernel::Avx512;
    case ProductKernel::Avx2:
      return detail::ProductKernel::Avx2;
    case ProductKernel::Portable:
      break;
  }
  return detail::ProductKernel::Portable;
}

}  // namespace

std::string productKernelName(ProductKernel kernel) {
  switch (kernel) {
    case ProductKernel::Avx512:
      return "AVX-512";
    case ProductKernel::Avx2:
      return "AVX2";
    case ProductKernel::Portable:
      break;
  }
  return "portable";
}

bool productKernelAvailable(ProductKernel kernel) { return detail::productKernelAvailable(toKernel(kernel)); }

ProductKernel bestProductKernel() {
  switch (detail::bestProductKernel()) {
    case detail::ProductKernel::Avx512:
      return ProductKernel::Avx512;
    case detail::ProductKernel::Avx2:
      return ProductKernel::Avx2;
    case detail::ProductKernel::Portable:
      break;
  }
  return ProductKernel::Portable;
}

std::vector<double> blockedProduct(ProductKernel kernel, const std::vector<double>& a, double fa,
                                   const std::vector<double>& b, double fb, std::size_t m, std::size_t n,
                                   std::size_t p) {
  std::vector<double> result(m * p, 0.0);
  detail::blockedProduct(toKernel(kernel), result.data(), a.data(), detail::Scale<double>(fa), b.data(),
                         detail::Scale<double>(fb), m, n, p);
  return result;
}

}  // namespace sorvexa_test
