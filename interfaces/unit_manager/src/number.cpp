// SPDX-License-Identifier: Apache-2.0
#include "number.hpp"

#include <cmath>
#include <limits>

namespace unit_manager {
namespace detail {

namespace {

constexpr Int128 kMax128 = static_cast<Int128>(~static_cast<UInt128>(0) >> 1);
constexpr Int128 kMin128 = -kMax128 - 1;

// Wide exponents saturate here: far beyond any double, yet sums of two never reach the int64 limit.
constexpr std::int64_t kWideExpLimit = std::int64_t{1} << 40;

UInt128 absolute(Int128 value) noexcept {
  return value < 0 ? static_cast<UInt128>(0) - static_cast<UInt128>(value) : static_cast<UInt128>(value);
}

UInt128 gcd(UInt128 a, UInt128 b) noexcept {
  if ((a >> 64) == 0 && (b >> 64) == 0) {
    // Most values fit 64 bits, where division is a single instruction instead of a library call.
    std::uint64_t x = static_cast<std::uint64_t>(a);
    std::uint64_t y = static_cast<std::uint64_t>(b);
    while (y != 0) {
      const std::uint64_t r = x % y;
      x = y;
      y = r;
    }
    return x;
  }
  while (b != 0) {
    const UInt128 r = a % b;
    a = b;
    b = r;
  }
  return a;
}

// True when value lies strictly inside the int64 range, so that its negation and quotients stay in it too.
bool fitsInt64(Int128 value) noexcept {
  return value > std::numeric_limits<std::int64_t>::min() && value <= std::numeric_limits<std::int64_t>::max();
}

// a / b for b > 0 dividing a exactly, in 64 bits when both fit.
Int128 exactQuotient(Int128 a, Int128 b) noexcept {
  if (fitsInt64(a) && fitsInt64(b)) return static_cast<std::int64_t>(a) / static_cast<std::int64_t>(b);
  return a / b;
}

int bitLength(UInt128 value) noexcept {
  int bits = 0;
  while (value != 0) {
    value >>= 1;
    ++bits;
  }
  return bits;
}

bool powerUnsigned(UInt128 base, std::int64_t exponent, UInt128& out) noexcept {
  UInt128 result = 1;
  while (exponent > 0) {
    if ((exponent & 1) != 0 && __builtin_mul_overflow(result, base, &result)) return false;
    exponent >>= 1;
    if (exponent > 0 && __builtin_mul_overflow(base, base, &base)) return false;
  }
  out = result;
  return true;
}

bool integerRoot(UInt128 n, std::int64_t q, UInt128& out) noexcept {
  if (n < 2) {
    out = n;
    return true;
  }
  const long double estimate = std::round(std::pow(static_cast<long double>(n), 1.0L / static_cast<long double>(q)));
  const UInt128 centre = static_cast<UInt128>(estimate);
  for (UInt128 candidate = centre > 0 ? centre - 1 : 0; candidate <= centre + 1; ++candidate) {
    UInt128 p = 0;
    if (candidate > 1 && powerUnsigned(candidate, q, p) && p == n) {
      out = candidate;
      return true;
    }
  }
  return false;
}

std::int64_t clampWideExp(std::int64_t exp) noexcept {
  return exp > kWideExpLimit ? kWideExpLimit : (exp < -kWideExpLimit ? -kWideExpLimit : exp);
}

Wide normalise(long double sig, std::int64_t exp) noexcept {
  Wide w;
  if (sig == 0.0L) {
    w.sig = 0.0L;
    w.exp = 0;
    return w;
  }
  int shift = 0;
  w.sig = std::frexp(sig, &shift);
  w.exp = clampWideExp(exp + shift);
  return w;
}

Wide multiplyWide(const Wide& a, const Wide& b) noexcept { return normalise(a.sig * b.sig, a.exp + b.exp); }

Wide divideWide(const Wide& a, const Wide& b) noexcept {
  if (b.sig == 0.0L) return normalise(a.sig / b.sig, 0);  // inf or NaN, as long double division gives
  return normalise(a.sig / b.sig, a.exp - b.exp);
}

Wide subtractWide(const Wide& a, const Wide& b) noexcept {
  if (b.sig == 0.0L) return a;
  if (a.sig == 0.0L) return normalise(-b.sig, b.exp);
  const std::int64_t gap = a.exp - b.exp;
  if (gap > 80) return a;
  if (gap < -80) return normalise(-b.sig, b.exp);
  return normalise(a.sig - std::ldexp(b.sig, static_cast<int>(-gap)), a.exp);
}

Wide powerWide(const Wide& base, std::int64_t p, std::int64_t q) noexcept {
  if (q == 1 && p >= -64 && p <= 64) {
    // Small integer powers by repeated multiplication keep the full long double precision.
    Wide result = Wide::fromLongDouble(1.0L);
    Wide factor = p < 0 ? divideWide(result, base) : base;
    for (std::int64_t k = p < 0 ? -p : p; k > 0; k >>= 1) {
      if ((k & 1) != 0) result = multiplyWide(result, factor);
      if (k > 1) factor = multiplyWide(factor, factor);
    }
    return result;
  }
  const long double log2Base = std::log2(base.sig) + static_cast<long double>(base.exp);
  const long double t = log2Base * static_cast<long double>(p) / static_cast<long double>(q);
  const long double whole = std::floor(t);
  const long double limit = static_cast<long double>(kWideExpLimit);
  if (whole > limit) return normalise(0.5L, kWideExpLimit);
  if (whole < -limit) return normalise(0.5L, -kWideExpLimit);
  return normalise(std::exp2(t - whole), static_cast<std::int64_t>(whole));
}

}  // namespace

bool Rational::make(Int128 num, Int128 den, Rational& out) noexcept {
  if (den == 0 || num == kMin128 || den == kMin128) return false;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  if (fitsInt64(num) && fitsInt64(den)) {
    // Unit scales are mostly small: 64-bit division is one instruction, 128-bit division a library call.
    const auto n = static_cast<std::int64_t>(num);
    const auto d = static_cast<std::int64_t>(den);
    const auto g = static_cast<std::int64_t>(gcd(absolute(num), static_cast<UInt128>(den)));
    out.num = n / g;
    out.den = d / g;
    return true;
  }
  const UInt128 g = gcd(absolute(num), static_cast<UInt128>(den));
  out.num = num / static_cast<Int128>(g);
  out.den = den / static_cast<Int128>(g);
  return true;
}

Rational Rational::fromInt(std::int64_t value) noexcept {
  Rational r;
  r.num = value;
  r.den = 1;
  return r;
}

bool multiply(const Rational& a, const Rational& b, Rational& out) noexcept {
  // Cancelling across first keeps intermediate products as small as the result allows.
  const Int128 g1 = static_cast<Int128>(gcd(absolute(a.num), static_cast<UInt128>(b.den)));
  const Int128 g2 = static_cast<Int128>(gcd(absolute(b.num), static_cast<UInt128>(a.den)));
  Int128 num = 0;
  Int128 den = 0;
  if (__builtin_mul_overflow(exactQuotient(a.num, g1), exactQuotient(b.num, g2), &num)) return false;
  if (__builtin_mul_overflow(exactQuotient(a.den, g2), exactQuotient(b.den, g1), &den)) return false;
  return Rational::make(num, den, out);
}

bool divide(const Rational& a, const Rational& b, Rational& out) noexcept {
  Rational inverse;
  return Rational::make(b.den, b.num, inverse) && multiply(a, inverse, out);
}

bool add(const Rational& a, const Rational& b, Rational& out) noexcept {
  const Int128 g = static_cast<Int128>(gcd(static_cast<UInt128>(a.den), static_cast<UInt128>(b.den)));
  Int128 left = 0;
  Int128 right = 0;
  Int128 num = 0;
  Int128 den = 0;
  const Int128 bScale = exactQuotient(b.den, g);
  if (__builtin_mul_overflow(a.num, bScale, &left) || __builtin_mul_overflow(b.num, exactQuotient(a.den, g), &right) ||
      __builtin_add_overflow(left, right, &num) || __builtin_mul_overflow(a.den, bScale, &den)) {
    return false;
  }
  return Rational::make(num, den, out);
}

bool subtract(const Rational& a, const Rational& b, Rational& out) noexcept {
  Rational negated = b;
  negated.num = -b.num;
  return add(a, negated, out);
}

bool power(const Rational& a, std::int64_t exponent, Rational& out) noexcept {
  if (exponent == std::numeric_limits<std::int64_t>::min()) return false;
  Rational base = a;
  if (exponent < 0) {
    if (!Rational::make(a.den, a.num, base)) return false;
    exponent = -exponent;
  }
  Rational result = Rational::fromInt(1);
  while (exponent > 0) {
    if ((exponent & 1) != 0 && !multiply(result, base, result)) return false;
    exponent >>= 1;
    if (exponent > 0 && !multiply(base, base, base)) return false;
  }
  out = result;
  return true;
}

bool root(const Rational& a, std::int64_t q, Rational& out) noexcept {
  if (a.num <= 0 || q <= 0) return false;
  UInt128 num = 0;
  UInt128 den = 0;
  if (!integerRoot(static_cast<UInt128>(a.num), q, num) || !integerRoot(static_cast<UInt128>(a.den), q, den)) {
    return false;
  }
  return Rational::make(static_cast<Int128>(num), static_cast<Int128>(den), out);
}

double toDouble(const Rational& a) noexcept {
  if (a.num == 0) return 0.0;
  const UInt128 n = absolute(a.num);
  const UInt128 d = static_cast<UInt128>(a.den);
  // Long division to 55 significant bits, then round to odd: the last bit records whether anything non-zero was
  // cut off. Converting those 55 bits to double then rounds exactly as rounding the true quotient would.
  constexpr int kBits = 55;
  UInt128 quotient = n / d;
  UInt128 remainder = n % d;
  int exponent = 0;
  bool sticky = false;
  const int wholeBits = bitLength(quotient);
  if (wholeBits > kBits) {
    const int shift = wholeBits - kBits;
    sticky = (quotient & ((static_cast<UInt128>(1) << shift) - 1)) != 0;
    quotient >>= shift;
    exponent = shift;
  }
  while (bitLength(quotient) < kBits) {
    // remainder < d <= 2^127, so doubling it cannot wrap.
    remainder <<= 1;
    quotient <<= 1;
    if (remainder >= d) {
      remainder -= d;
      quotient |= 1;
    }
    --exponent;
  }
  if (sticky || remainder != 0) quotient |= 1;
  const double magnitude = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(quotient)), exponent);
  return a.num < 0 ? -magnitude : magnitude;
}

bool parseDecimal(std::string_view text, Rational& out) noexcept {
  std::size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  Int128 mantissa = 0;
  std::int64_t scale10 = 0;
  bool anyDigit = false;
  bool seenPoint = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !seenPoint) {
      seenPoint = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    if (__builtin_mul_overflow(mantissa, 10, &mantissa) || __builtin_add_overflow(mantissa, c - '0', &mantissa)) {
      return false;
    }
    if (seenPoint) --scale10;
    anyDigit = true;
  }
  if (!anyDigit) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negativeExp = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::int64_t exp10 = 0;
    bool anyExpDigit = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      exp10 = exp10 * 10 + (text[i] - '0');
      if (exp10 > 1000) return false;
      anyExpDigit = true;
    }
    if (!anyExpDigit) return false;
    scale10 += negativeExp ? -exp10 : exp10;
  }
  if (i != text.size()) return false;
  Rational ten = Rational::fromInt(10);
  Rational scale;
  if (!power(ten, scale10, scale)) return false;
  Rational value;
  if (!Rational::make(negative ? -mantissa : mantissa, 1, value)) return false;
  return multiply(value, scale, out);
}

Wide Wide::fromLongDouble(long double value) noexcept { return normalise(value, 0); }

Wide Wide::fromRational(const Rational& value) noexcept {
  return normalise(static_cast<long double>(value.num) / static_cast<long double>(value.den), 0);
}

long double Wide::toLongDouble() const noexcept {
  if (sig == 0.0L) return 0.0L;
  const std::int64_t e = exp > 20000 ? 20000 : (exp < -20000 ? -20000 : exp);
  return std::ldexp(sig, static_cast<int>(e));
}

double Wide::toDouble() const noexcept {
  if (sig == 0.0L || std::isnan(sig)) return static_cast<double>(sig);
  if (exp > 2000) return std::copysign(std::numeric_limits<double>::infinity(), static_cast<double>(sig));
  if (exp < -2000) return std::copysign(0.0, static_cast<double>(sig));
  return std::ldexp(static_cast<double>(sig), static_cast<int>(exp));
}

Number::Number(const Rational& value) noexcept : mExact(true), mRational(value) {}

Number Number::approximate(const Wide& value) noexcept {
  Number n;
  n.mExact = false;
  n.mRational = Rational();
  n.mWide = value;
  return n;
}

Number Number::operator*(const Number& other) const noexcept {
  if (mExact && mRational.num == mRational.den) return other;
  if (other.mExact && other.mRational.num == other.mRational.den) return *this;
  Rational r;
  if (mExact && other.mExact && multiply(mRational, other.mRational, r)) return Number(r);
  return approximate(multiplyWide(wide(), other.wide()));
}

Number Number::operator/(const Number& other) const noexcept {
  Rational r;
  if (mExact && other.mExact && divide(mRational, other.mRational, r)) return Number(r);
  return approximate(divideWide(wide(), other.wide()));
}

Number Number::operator-(const Number& other) const noexcept {
  Rational r;
  if (mExact && other.mExact && subtract(mRational, other.mRational, r)) return Number(r);
  return approximate(subtractWide(wide(), other.wide()));
}

Number Number::pow(std::int64_t p, std::int64_t q) const noexcept {
  if (p == 0 || (mExact && mRational.num == mRational.den)) return Number();
  if (mExact) {
    Rational base = mRational;
    Rational r;
    if ((q == 1 || root(mRational, q, base)) && power(base, p, r)) return Number(r);
  }
  return approximate(powerWide(wide(), p, q));
}

double Number::toDouble() const noexcept { return mExact ? detail::toDouble(mRational) : mWide.toDouble(); }

}  // namespace detail
}  // namespace unit_manager
