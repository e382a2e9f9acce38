// SPDX-License-Identifier: Apache-2.0
//
// The kernel of the matrix product: result(i, j) accumulates s(A(i, k)) * s(B(k, j)) in ascending k, each product
// and each sum rounded (or wrapped) separately, so every result element equals the naive i-j-k loop bit for bit.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_MATRIXPRODUCT_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_MATRIXPRODUCT_HPP

#include <cstddef>
#include <cstdint>

#include "kernel/operator/elementtraits.hpp"

namespace data_manager::detail {

// result is m-by-p and zero-filled, a is m-by-n, b is n-by-p.
template <typename T>
void matrixProduct(T* result, const T* a, const Scale<T>& sa, const T* b, const Scale<T>& sb, std::size_t m,
                   std::size_t n, std::size_t p);

// The register-tile kernels of the blocked double product, best first. matrixProduct runs the best one the processor
// has; every kernel gives the naive loop's result bit for bit.
enum class ProductKernel { Avx512, Avx2, Portable };

// Whether this processor (as its CPUID reports it) runs kernel.
bool productKernelAvailable(ProductKernel kernel) noexcept;
// The kernel matrixProduct chooses, decided once.
ProductKernel bestProductKernel() noexcept;

// The blocked double product with kernel, which must be available, at any size; as matrixProduct otherwise.
void blockedProduct(ProductKernel kernel, double* result, const double* a, const Scale<double>& sa, const double* b,
                    const Scale<double>& sb, std::size_t m, std::size_t n, std::size_t p);

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_MATRIXPRODUCT_HPP
