// SPDX-License-Identifier: Apache-2.0
//
// The one set of integer references for tests and fuzz targets alike (no GoogleTest here): each integer type's range
// and edge values, reduction modulo 2^n, and the exact result of an operator computed in 64 bits.
#ifndef SORVEXA_TEST_INTEGERS_HPP
#define SORVEXA_TEST_INTEGERS_HPP

#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

#include "data_manager/valueopid.hpp"
#include "qtf/datatypeid.hpp"

namespace sorvexa_test {

// The values of an integer element type and its width in bits.
struct IntegerRange {
  std::int64_t lo;
  std::int64_t hi;
  int bits;
};

// type must be one of the four integer types.
inline IntegerRange rangeOf(qtf::DataTypeId::Type type) {
  switch (type) {
    case qtf::DataTypeId::UChar:
      return {0, 255, 8};
    case qtf::DataTypeId::Int:
      return {-2147483648LL, 2147483647LL, 32};
    case qtf::DataTypeId::UInt:
      return {0, 4294967295LL, 32};
    default:
      return {-128, 127, 8};
  }
}

// MIN, MIN+1, -1, 0, 1, 2, MAX-1 and MAX of an integer type, those the type holds, ascending and distinct.
inline std::vector<std::int64_t> integerEdges(qtf::DataTypeId::Type type) {
  const IntegerRange range = rangeOf(type);
  std::vector<std::int64_t> edges;
  for (const std::int64_t x : {range.lo, range.lo + 1, std::int64_t{-1}, std::int64_t{0}, std::int64_t{1},
                               std::int64_t{2}, range.hi - 1, range.hi}) {
    if (x >= range.lo && x <= range.hi && (edges.empty() || edges.back() < x)) {
      edges.push_back(x);
    }
  }
  return edges;
}

// x modulo 2^bits of an integer type, read with the type's signedness.
inline std::int64_t wrapInto(qtf::DataTypeId::Type type, std::int64_t x) {
  const IntegerRange range = rangeOf(type);
  const std::uint64_t modulus = std::uint64_t{1} << range.bits;
  const std::uint64_t r = static_cast<std::uint64_t>(x) & (modulus - 1);
  if (range.lo < 0 && r >= modulus / 2) {
    return static_cast<std::int64_t>(r) - static_cast<std::int64_t>(modulus);
  }
  return static_cast<std::int64_t>(r);
}

// x reduced modulo 2^w into T, w the width of T, without relying on a narrowing conversion.
template <typename T>
T wrapTo(std::int64_t x) {
  const std::uint64_t modulus = std::uint64_t{1} << std::numeric_limits<std::make_unsigned_t<T>>::digits;
  const std::uint64_t r = static_cast<std::uint64_t>(x) % modulus;  // x mod 2^64, then mod 2^w
  if (std::is_signed_v<T> && r >= modulus / 2) {
    return static_cast<T>(static_cast<std::int64_t>(r) - static_cast<std::int64_t>(modulus));
  }
  return static_cast<T>(r);
}

inline bool dividesByFirst(data_manager::ValueOpId::Type op) {
  return op == data_manager::ValueOpId::LDivide || op == data_manager::ValueOpId::MlDivide;
}

inline bool isDivision(data_manager::ValueOpId::Type op) {
  using data_manager::ValueOpId;
  return op == ValueOpId::RDivide || op == ValueOpId::LDivide || op == ValueOpId::MrDivide || op == ValueOpId::MlDivide;
}

inline bool isComparison(data_manager::ValueOpId::Type op) {
  return op >= data_manager::ValueOpId::Eq && op <= data_manager::ValueOpId::Ge;
}

// The exact result of op on operands of 32 bits or fewer, in 64 bits (products modulo 2^64), before reduction to the
// element type; comparisons give 0 or 1. Defined for Plus, Minus, Times, UMinus, Abs, the four divisions (whose
// divisor must not be 0) and the six comparisons.
inline std::int64_t wideReference(data_manager::ValueOpId::Type op, std::int64_t a, std::int64_t b) {
  using data_manager::ValueOpId;
  switch (op) {
    case ValueOpId::Plus:
      return a + b;
    case ValueOpId::Minus:
      return a - b;
    case ValueOpId::Times:
      return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
    case ValueOpId::UMinus:
      return -a;
    case ValueOpId::Abs:
      return a < 0 ? -a : a;
    case ValueOpId::Eq:
      return a == b;
    case ValueOpId::Ne:
      return a != b;
    case ValueOpId::Lt:
      return a < b;
    case ValueOpId::Gt:
      return a > b;
    case ValueOpId::Le:
      return a <= b;
    case ValueOpId::Ge:
      return a >= b;
    default:
      return dividesByFirst(op) ? b / a : a / b;
  }
}

// What an integer element of type holds for op's exact result: comparisons are logical, the rest wrap.
inline std::int64_t integerResult(qtf::DataTypeId::Type type, data_manager::ValueOpId::Type op, std::int64_t a,
                                  std::int64_t b) {
  const std::int64_t wide = wideReference(op, a, b);
  return isComparison(op) ? wide : wrapInto(type, wide);
}

}  // namespace sorvexa_test

#endif  // SORVEXA_TEST_INTEGERS_HPP
