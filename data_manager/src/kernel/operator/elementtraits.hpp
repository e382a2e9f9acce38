// SPDX-License-Identifier: Apache-2.0
//
// Per-element-type arithmetic of the kernels: wrapping integer arithmetic (done in the unsigned type of the same width,
// since signed overflow is undefined behaviour) and operand scaling.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTTRAITS_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTTRAITS_HPP

#include <type_traits>

#include "kernel/elementtypes.hpp"
#include "kernel/numeric.hpp"

namespace data_manager::detail {

template <typename T>
inline constexpr bool kIsInteger = !std::is_same_v<T, double>;

// Integer results wrap modulo 2^8 or 2^32: compute in the unsigned type of the same width and read the low bits back
// with T's signedness.
template <typename T>
struct Arith {
  using U = std::make_unsigned_t<T>;
  static T add(T a, T b) noexcept { return static_cast<T>(static_cast<U>(static_cast<U>(a) + static_cast<U>(b))); }
  static T sub(T a, T b) noexcept { return static_cast<T>(static_cast<U>(static_cast<U>(a) - static_cast<U>(b))); }
  static T mul(T a, T b) noexcept {
    // unsigned char operands promote to int, whose product of two values below 256 cannot overflow.
    return static_cast<T>(static_cast<U>(static_cast<unsigned int>(static_cast<U>(a)) * static_cast<U>(b)));
  }
  static T neg(T a) noexcept {
    return static_cast<T>(static_cast<U>(0U - static_cast<unsigned int>(static_cast<U>(a))));
  }
};

template <>
struct Arith<double> {
  static double add(double a, double b) noexcept { return a + b; }
  static double sub(double a, double b) noexcept { return a - b; }
  static double mul(double a, double b) noexcept { return a * b; }
  static double neg(double a) noexcept { return -a; }
};

// An operand's scale factor applied to its elements: doubles multiply; integer types truncate the factor toward zero
// first and multiply in their own wrapping arithmetic, so a factor below 1 in magnitude scales every element to 0.
template <typename T>
class Scale {
 public:
  explicit Scale(double factor) noexcept : mFactor(truncateWrapped<T>(factor)), mIdentity(mFactor == T(1)) {}
  T operator()(T x) const noexcept { return Arith<T>::mul(mFactor, x); }
  bool isIdentity() const noexcept { return mIdentity; }

 private:
  T mFactor;
  bool mIdentity;
};

template <>
class Scale<double> {
 public:
  explicit Scale(double factor) noexcept : mFactor(factor), mIdentity(factor == 1.0) {}
  double operator()(double x) const noexcept { return mFactor * x; }
  bool isIdentity() const noexcept { return mIdentity; }

 private:
  double mFactor;
  bool mIdentity;
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTTRAITS_HPP
