// SPDX-License-Identifier: Apache-2.0
//
// Number: a unit's scale or offset, held as an exact fraction while the unit table's definitions allow it and as a
// wide-range long double approximation once pi, a fractional power or a 128-bit overflow gets involved. Conversions
// are computed in this form and rounded to double only once, at the end.
#ifndef UNIT_MANAGER_SRC_NUMBER_HPP
#define UNIT_MANAGER_SRC_NUMBER_HPP

#include <cstdint>
#include <string_view>

namespace unit_manager {
namespace detail {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

// A reduced fraction num/den with den > 0. Every operation reports overflow instead of wrapping; the most negative
// 128-bit value never occurs, so negation and absolute values are always defined.
struct Rational {
  Int128 num = 0;
  Int128 den = 1;

  // Reduces num/den into out; false for a zero denominator or a value out of range.
  static bool make(Int128 num, Int128 den, Rational& out) noexcept;
  static Rational fromInt(std::int64_t value) noexcept;

  bool isZero() const noexcept { return num == 0; }
  bool operator==(const Rational& other) const noexcept { return num == other.num && den == other.den; }
  bool operator!=(const Rational& other) const noexcept { return !(*this == other); }
};

// Each returns false, leaving out unspecified, when the exact result does not fit.
bool multiply(const Rational& a, const Rational& b, Rational& out) noexcept;
bool divide(const Rational& a, const Rational& b, Rational& out) noexcept;
bool add(const Rational& a, const Rational& b, Rational& out) noexcept;
bool subtract(const Rational& a, const Rational& b, Rational& out) noexcept;
// a to an integer power; a must be non-zero for a negative power.
bool power(const Rational& a, std::int64_t exponent, Rational& out) noexcept;
// The exact q-th root of a positive a, when numerator and denominator are perfect q-th powers.
bool root(const Rational& a, std::int64_t q, Rational& out) noexcept;
// The double nearest to a (ties to even).
double toDouble(const Rational& a) noexcept;
// Reads a decimal such as "0.0254", "4.4482216152605" or "1.602176634e-19" exactly; false for anything else.
bool parseDecimal(std::string_view text, Rational& out) noexcept;

// sig * 2^exp with 0.5 <= |sig| < 1, or sig == 0: a long double whose exponent cannot overflow, so that a product of
// large powers (ym^1000000) still divides into a finite ratio.
struct Wide {
  long double sig = 0.5L;
  std::int64_t exp = 1;

  static Wide fromLongDouble(long double value) noexcept;
  static Wide fromRational(const Rational& value) noexcept;
  long double toLongDouble() const noexcept;
  double toDouble() const noexcept;
};

class Number {
 public:
  // One, exactly.
  Number() noexcept : mExact(true), mRational(Rational::fromInt(1)) {}
  explicit Number(const Rational& value) noexcept;
  static Number approximate(const Wide& value) noexcept;
  static Number approximate(long double value) noexcept { return approximate(Wide::fromLongDouble(value)); }

  bool isExact() const noexcept { return mExact; }
  // The exact value; meaningful only when isExact().
  const Rational& rational() const noexcept { return mRational; }
  // The wide approximation, derived from the exact value when there is one.
  Wide wide() const noexcept { return mExact ? Wide::fromRational(mRational) : mWide; }
  bool isZero() const noexcept { return mExact ? mRational.isZero() : mWide.sig == 0.0L; }

  // Exact when both sides are exact and the result fits, approximate otherwise.
  Number operator*(const Number& other) const noexcept;
  // other must be non-zero.
  Number operator/(const Number& other) const noexcept;
  Number operator-(const Number& other) const noexcept;
  // The value (positive) to the power p/q, q > 0.
  Number pow(std::int64_t p, std::int64_t q) const noexcept;

  // The value rounded once to double.
  double toDouble() const noexcept;

 private:
  bool mExact;
  Rational mRational;
  // Meaningful only when !mExact: exact numbers never pay for a long double approximation they may not need.
  Wide mWide;
};

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_NUMBER_HPP
