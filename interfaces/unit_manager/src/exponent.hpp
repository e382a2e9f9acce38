// SPDX-License-Identifier: Apache-2.0
//
// Exponent: the rational power p/q of one unit in an expression. Numerator and denominator stay within the symmetric
// 32-bit range (|p| <= 2^31 - 1), so negating or printing an exponent can never overflow.
#ifndef UNIT_MANAGER_SRC_EXPONENT_HPP
#define UNIT_MANAGER_SRC_EXPONENT_HPP

#include <cstdint>
#include <string>

#include "number.hpp"

namespace unit_manager {
namespace detail {

struct Exponent {
  std::int32_t num = 1;
  std::int32_t den = 1;

  // Reduces num/den into out; false for a zero denominator or a part outside the 32-bit range.
  static bool make(Int128 num, Int128 den, Exponent& out) noexcept;

  bool isZero() const noexcept { return num == 0; }
  bool operator==(const Exponent& other) const noexcept { return num == other.num && den == other.den; }
  bool operator!=(const Exponent& other) const noexcept { return !(*this == other); }
};

// Each returns false when the result leaves the 32-bit range.
bool addExponents(const Exponent& a, const Exponent& b, Exponent& out) noexcept;
bool multiplyExponents(const Exponent& a, const Exponent& b, Exponent& out) noexcept;

// The fraction p/q with the smallest q <= 12 that lies within 1e-9 of x; false when there is none or p overflows.
bool nearestSmallFraction(double x, Exponent& out) noexcept;

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_EXPONENT_HPP
