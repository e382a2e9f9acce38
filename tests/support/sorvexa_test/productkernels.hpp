// SPDX-License-Identifier: Apache-2.0
//
// Test-only access to each kernel of the blocked double product. The product's source is compiled into the test
// programs (productkernels.cpp, with the library's flags), so the tests run kernels the library would not choose on
// this processor without the library exporting anything for them.
#ifndef SORVEXA_TEST_PRODUCTKERNELS_HPP
#define SORVEXA_TEST_PRODUCTKERNELS_HPP

#include <cstddef>
#include <string>
#include <vector>

namespace sorvexa_test {

// The kernels, best first.
enum class ProductKernel { Avx512, Avx2, Portable };

inline constexpr ProductKernel kProductKernels[] = {ProductKernel::Avx512, ProductKernel::Avx2,
                                                    ProductKernel::Portable};

std::string productKernelName(ProductKernel kernel);
// Whether this processor runs kernel.
bool productKernelAvailable(ProductKernel kernel);
// The kernel the library's MTimes runs on this processor.
ProductKernel bestProductKernel();

// The m-by-p product of fa * a (m-by-n) and fb * b (n-by-p), row-major, through the blocked product with kernel at any
// size.
std::vector<double> blockedProduct(ProductKernel kernel, const std::vector<double>& a, double fa,
                                   const std::vector<double>& b, double fb, std::size_t m, std::size_t n,
                                   std::size_t p);

}  // namespace sorvexa_test

#endif  // SORVEXA_TEST_PRODUCTKERNELS_HPP
