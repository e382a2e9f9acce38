// SPDX-License-Identifier: Apache-2.0
#include "exponent.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace unit_manager {
namespace detail {

namespace {
constexpr std::int32_t kMaxPart = std::numeric_limits<std::int32_t>::max();
}  // namespace

bool Exponent::make(Int128 num, Int128 den, Exponent& out) noexcept {
  Rational r;
  if (!Rational::make(num, den, r)) return false;
  if (r.num > kMaxPart || r.num < -kMaxPart || r.den > kMaxPart) return false;
  out.num = static_cast<std::int32_t>(r.num);
  out.den = static_cast<std::int32_t>(r.den);
  return true;
}

bool addExponents(const Exponent& a, const Exponent& b, Exponent& out) noexcept {
  // 128-bit intermediates hold every product and sum of 32-bit parts.
  const Int128 num = static_cast<Int128>(a.num) * b.den + static_cast<Int128>(b.num) * a.den;
  return Exponent::make(num, static_cast<Int128>(a.den) * b.den, out);
}

bool multiplyExponents(const Exponent& a, const Exponent& b, Exponent& out) noexcept {
  return Exponent::make(static_cast<Int128>(a.num) * b.num, static_cast<Int128>(a.den) * b.den, out);
}

bool nearestSmallFraction(double x, Exponent& out) noexcept {
  if (!std::isfinite(x) || std::fabs(x) > static_cast<double>(kMaxPart) + 1.0) return false;
  for (std::int32_t q = 1; q <= 12; ++q) {
    const double p = std::nearbyint(x * q);
    if (std::fabs(x - p / q) <= 1e-9) {
      if (std::fabs(p) > static_cast<double>(kMaxPart)) return false;
      return Exponent::make(static_cast<Int128>(static_cast<std::int64_t>(p)), q, out);
    }
  }
  return false;
}

}  // namespace detail
}  // namespace unit_manager
