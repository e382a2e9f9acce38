// SPDX-License-Identifier: Apache-2.0
//
// Edge tables. The integer operators on the extreme values of each integer type,
// paired, expanded from either scalar operand, and laid out over every length
// from 1 to 33 so that vectorised loops and their scalar tails both meet them,
// against 64-bit arithmetic reduced modulo 2^n; a zero divisor at the tail of
// each length. And every path that turns a double into an integer against the
// special doubles: the conversion of a Double second operand (rounding half away
// from zero and saturating), and the scale factors of the kernels, MPower,
// Power, concatenation and type-record conversions (truncating toward zero and
// keeping the low bits).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "data_manager/datatyperec.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "qtf/allocator.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/integers.hpp"
#include "sorvexa_test/operators.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::DataTypeRec;
using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;
using qtf::DataTypeId;
using qtf::Dimension;
using sorvexa_test::asDoubles;
using sorvexa_test::call;
using sorvexa_test::ChosenFactorContext;
using sorvexa_test::context;
using sorvexa_test::deepCopy;
using sorvexa_test::dividesByFirst;
using sorvexa_test::integerEdges;
using sorvexa_test::integerResult;
using sorvexa_test::isDivision;
using sorvexa_test::rowOf;
using sorvexa_test::valueOf;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();
constexpr std::uint32_t kMaxLength = 33;

const DataTypeId::Type kIntegerTypes[] = {DataTypeId::UChar, DataTypeId::Int, DataTypeId::UInt, DataTypeId::Char};

// Appends a line for a mismatch, up to a limit, so that one assertion reports a whole table.
class Mismatches {
 public:
  void add(const std::string& line) {
    if (++mCount <= 12) {
      mText += line + "\n";
    }
  }
  std::string report() const { return mCount == 0 ? "" : std::to_string(mCount) + " mismatches:\n" + mText; }

 private:
  int mCount = 0;
  std::string mText;
};

// The first elements of a row, enough to see a mismatch.
std::string show(const std::vector<double>& xs) {
  std::ostringstream out;
  out << "[";
  for (std::size_t i = 0; i < xs.size() && i < 8; ++i) {
    out << (i > 0 ? "," : "") << xs[i];
  }
  out << (xs.size() > 8 ? ",...]" : "]");
  return out.str();
}

std::string nameOf(ValueOpId::Type op) { return ValueOperator::getName(op); }

// The loop shapes an operator has: paired elements, a scalar first operand, a scalar second operand.
struct Shapes {
  bool paired;
  bool scalarFirst;
  bool scalarSecond;
};

Shapes shapesOf(ValueOpId::Type op) {
  switch (op) {
    case ValueOpId::UMinus:
    case ValueOpId::Abs:
      return {true, false, false};
    case ValueOpId::MrDivide:
      return {false, false, true};
    case ValueOpId::MlDivide:
      return {false, true, false};
    default:
      return {true, true, true};
  }
}

std::vector<double> asRow(const std::vector<std::int64_t>& xs) { return std::vector<double>(xs.begin(), xs.end()); }

void compare(Mismatches& mismatches, const std::string& where, const Value& first, const Value& second,
             ValueOpId::Type op, const std::vector<double>& expected) {
  const std::vector<double> got = asDoubles(call(op, first, second));
  if (got != expected) {
    mismatches.add(where + " gave " + show(got) + ", expected " + show(expected));
  }
}

TEST(IntegerEdges, AllPairsMatchAWiderReferenceInEveryLoopShapeAndLength) {
  const ValueOpId::Type ops[] = {ValueOpId::Plus,     ValueOpId::Minus,   ValueOpId::Times,   ValueOpId::UMinus,
                                 ValueOpId::Abs,      ValueOpId::RDivide, ValueOpId::LDivide, ValueOpId::MrDivide,
                                 ValueOpId::MlDivide, ValueOpId::Eq,      ValueOpId::Ne,      ValueOpId::Lt,
                                 ValueOpId::Gt,       ValueOpId::Le,      ValueOpId::Ge};
  Mismatches mismatches;
  for (const DataTypeId::Type type : kIntegerTypes) {
    const std::vector<std::int64_t> edges = integerEdges(type);
    for (const ValueOpId::Type op : ops) {
      const bool unary = ValueOperator::getNumOperands(op) == 1;
      // Every pair once, without the pairs that divide by zero (the last test below has those).
      std::vector<std::int64_t> as, bs;
      for (const std::int64_t a : edges) {
        for (const std::int64_t b : unary ? std::vector<std::int64_t>{0} : edges) {
          if (!isDivision(op) || (dividesByFirst(op) ? a : b) != 0) {
            as.push_back(a);
            bs.push_back(b);
          }
        }
      }
      const Shapes shapes = shapesOf(op);
      for (std::uint32_t n = 1; n <= kMaxLength; ++n) {
        // n consecutive pairs, starting where the previous length stopped, so every pair meets loop bodies and tails.
        std::vector<std::int64_t> a(n), b(n);
        for (std::uint32_t i = 0; i < n; ++i) {
          a[i] = as[(n * (n - 1) / 2 + i) % as.size()];
          b[i] = bs[(n * (n - 1) / 2 + i) % bs.size()];
        }
        const std::string where = qtf::get_type_name(type) + " " + nameOf(op) + " n=" + std::to_string(n);
        const Value rowA = rowOf(type, asRow(a)), rowB = rowOf(type, asRow(b));
        if (shapes.paired) {
          std::vector<double> expected;
          for (std::uint32_t i = 0; i < n; ++i) {
            expected.push_back(static_cast<double>(integerResult(type, op, a[i], b[i])));
          }
          compare(mismatches, where + " paired " + show(asRow(a)) + show(asRow(b)), rowA, unary ? rowA : rowB, op,
                  expected);
        }
        for (const std::int64_t s : edges) {
          const Value scalar = rowOf(type, {static_cast<double>(s)});
          if (shapes.scalarFirst && !(isDivision(op) && s == 0)) {
            std::vector<double> expected;
            for (std::uint32_t i = 0; i < n; ++i) {
              expected.push_back(static_cast<double>(integerResult(type, op, s, b[i])));
            }
            compare(mismatches, where + " scalar first " + std::to_string(s) + show(asRow(b)), scalar, rowB, op,
                    expected);
          }
          if (shapes.scalarSecond && !(isDivision(op) && !dividesByFirst(op) && s == 0)) {
            // With a scalar second operand LDivide divides by the row, which may hold a zero; skip those rows.
            bool zeroDivisor = false;
            std::vector<double> expected;
            for (std::uint32_t i = 0; i < n; ++i) {
              zeroDivisor = zeroDivisor || (dividesByFirst(op) && a[i] == 0);
              expected.push_back(zeroDivisor ? 0 : static_cast<double>(integerResult(type, op, a[i], s)));
            }
            if (!zeroDivisor) {
              compare(mismatches, where + " scalar second " + show(asRow(a)) + std::to_string(s), rowA, scalar, op,
                      expected);
            }
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches.report(), "");
}

TEST(IntegerEdges, AZeroDivisorAtTheTailOfAnyLengthThrowsAndLeavesTheOperandsAlone) {
  const ValueOpId::Type ops[] = {ValueOpId::RDivide, ValueOpId::LDivide, ValueOpId::MrDivide, ValueOpId::MlDivide};
  Mismatches mismatches;
  for (const DataTypeId::Type type : kIntegerTypes) {
    call(ValueOpId::RDivide, rowOf(type, {1}), rowOf(type, {1}));  // builds the type's operator table, which stays
    for (const ValueOpId::Type op : ops) {
      for (std::uint32_t n = 1; n <= kMaxLength; ++n) {
        std::vector<double> divisors(n, -1), dividends(n, 7);
        divisors.back() = 0;
        const bool scalarDivisor = op == ValueOpId::MrDivide || op == ValueOpId::MlDivide;
        const Value divisor = scalarDivisor ? rowOf(type, {0}) : rowOf(type, divisors);
        const Value dividend = rowOf(type, dividends);
        const Value& first = dividesByFirst(op) ? divisor : dividend;
        const Value& second = dividesByFirst(op) ? dividend : divisor;
        const Value firstBefore = deepCopy(first), secondBefore = deepCopy(second);
        const std::int64_t live = qtf::Allocator::liveBlocks();
        const std::string id = sorvexa_test::thrownIdentifier([&] { call(op, first, second); });
        if (id != "data_manager:value:IntegerDivisionByZero" || !(first == firstBefore) || !(second == secondBefore) ||
            qtf::Allocator::liveBlocks() != live) {
          mismatches.add(qtf::get_type_name(type) + " " + nameOf(op) + " n=" + std::to_string(n) + " threw '" + id +
                         "' or changed its operands or kept blocks");
        }
      }
    }
  }
  EXPECT_EQ(mismatches.report(), "");
}

// The special doubles, with MIN-1 and MAX+1 of every integer type among them.
const double kSpecials[] = {kNaN,  kInf,  -kInf,        0.0,          -0.0,          0.5,          -0.5,  -1.0, 256.0,
                            -129., 128.0, -2147483649., 2147483648.0, -2147483648.0, 4294967296.0, 1e308, kTiny};

// What each special double becomes in UChar, Int, UInt and Char under the two rules.
struct Expected {
  double asUChar, asInt, asUInt, asChar;
  double in(DataTypeId::Type type) const {
    switch (type) {
      case DataTypeId::UChar:
        return asUChar;
      case DataTypeId::Int:
        return asInt;
      case DataTypeId::UInt:
        return asUInt;
      default:
        return asChar;
    }
  }
};

// Truncated toward zero to 64 bits, low bits kept; NaN, infinities and magnitudes beyond 2^63 give 0.
const Expected kTruncated[] = {
    {0, 0, 0, 0},                       // NaN
    {0, 0, 0, 0},                       // inf
    {0, 0, 0, 0},                       // -inf
    {0, 0, 0, 0},                       // 0
    {0, 0, 0, 0},                       // -0
    {0, 0, 0, 0},                       // 0.5
    {0, 0, 0, 0},                       // -0.5
    {255, -1, 4294967295., -1},         // -1
    {0, 256, 256, 0},                   // 256
    {127, -129, 4294967167., 127},      // -129
    {128, 128, 128, -128},              // 128
    {255, 2147483647, 2147483647, -1},  // -2^31 - 1
    {0, -2147483648., 2147483648., 0},  // 2^31
    {0, -2147483648., 2147483648., 0},  // -2^31
    {0, 0, 0, 0},                       // 2^32
    {0, 0, 0, 0},                       // 1e308
    {0, 0, 0, 0},                       // smallest subnormal
};
// Rounded half away from zero and saturated at the type's range; NaN gives 0.
const Expected kSaturated[] = {
    {0, 0, 0, 0},                         // NaN
    {255, 2147483647, 4294967295., 127},  // inf
    {0, -2147483648., 0, -128},           // -inf
    {0, 0, 0, 0},                         // 0
    {0, 0, 0, 0},                         // -0
    {1, 1, 1, 1},                         // 0.5
    {0, -1, 0, -1},                       // -0.5
    {0, -1, 0, -1},                       // -1
    {255, 256, 256, 127},                 // 256
    {0, -129, 0, -128},                   // -129
    {128, 128, 128, 127},                 // 128
    {0, -2147483648., 0, -128},           // -2^31 - 1
    {255, 2147483647, 2147483648., 127},  // 2^31
    {0, -2147483648., 0, -128},           // -2^31
    {255, 2147483647, 4294967295., 127},  // 2^32
    {255, 2147483647, 4294967295., 127},  // 1e308
    {0, 0, 0, 0},                         // smallest subnormal
};
static_assert(std::size(kTruncated) == std::size(kSpecials) && std::size(kSaturated) == std::size(kSpecials),
              "one expectation per special double");

constexpr std::size_t kNumSpecials = std::size(kSpecials);

TEST(DoubleToInteger, ADoubleSecondOperandRoundsHalfAwayAndSaturatesAtEveryLength) {
  Mismatches mismatches;
  for (const DataTypeId::Type type : kIntegerTypes) {
    for (std::uint32_t n = 1; n <= kMaxLength; ++n) {
      std::vector<double> xs, expected;
      for (std::uint32_t i = 0; i < n; ++i) {
        const std::size_t k = (n + i) % kNumSpecials;
        xs.push_back(kSpecials[k]);
        expected.push_back(kSaturated[k].in(type));
      }
      // 0 + x is x once x is converted; the sum cannot wrap.
      compare(mismatches, qtf::get_type_name(type) + " plus " + show(xs), rowOf(type, std::vector<double>(n, 0)),
              rowOf(DataTypeId::Double, xs), ValueOpId::Plus, expected);
    }
  }
  EXPECT_EQ(mismatches.report(), "");
}

TEST(DoubleToInteger, KernelScaleFactorsTruncateAndKeepTheLowBitsAtEveryLength) {
  ChosenFactorContext factors;
  Mismatches mismatches;
  for (const DataTypeId::Type type : kIntegerTypes) {
    for (std::size_t k = 0; k < kNumSpecials; ++k) {
      const double s = kSpecials[k];
      for (std::uint32_t n = 1; n <= kMaxLength; ++n) {
        const Value ones = rowOf(type, std::vector<double>(n, 1), factors.context());
        const Value zeros = rowOf(type, std::vector<double>(n, 0), factors.context());
        const std::vector<double> expected(n, kTruncated[k].in(type));
        const std::string where = qtf::get_type_name(type) + " factor " + show({s}) + " n=" + std::to_string(n);
        factors.setFactors(s, 1);
        compare(mismatches, where + " first factor of uplus", ones, ones, ValueOpId::UPlus, expected);
        factors.setFactors(1, s);
        compare(mismatches, where + " second factor of plus", zeros, ones, ValueOpId::Plus, expected);
      }
    }
  }
  EXPECT_EQ(mismatches.report(), "");
}

TEST(DoubleToInteger, MPowerAppliesFactorsInDoubleAndTruncatesItsResult) {
  ChosenFactorContext factors;
  Mismatches mismatches;
  for (const DataTypeId::Type type : kIntegerTypes) {
    const Value one = rowOf(type, {1}, factors.context());
    for (std::size_t k = 0; k < kNumSpecials; ++k) {
      factors.setFactors(kSpecials[k], 1);  // (s * 1) ^ (1 * 1) is s
      compare(mismatches, qtf::get_type_name(type) + " mpower of " + show({kSpecials[k]}), one, one, ValueOpId::MPower,
              {kTruncated[k].in(type)});
    }
  }
  EXPECT_EQ(mismatches.report(), "");
}

TEST(DoubleToInteger, IntegerPowersThatLeaveTheTypeTruncateAndKeepTheLowBitsAtEveryLength) {
  struct Row {
    DataTypeId::Type type;
    double base, exponent;  // pow(base, exponent) is the double named in the comment
    double expected;
  };
  const Row rows[] = {
      {DataTypeId::Int, 0, -1, 0},              // inf
      {DataTypeId::Char, 0, -1, 0},             // inf
      {DataTypeId::UInt, 2, 4294967295., 0},    // inf
      {DataTypeId::Int, -2, 2147483647, 0},     // -inf
      {DataTypeId::Int, 2, -1, 0},              // 0.5
      {DataTypeId::Int, -2, -1, 0},             // -0.5
      {DataTypeId::Char, -2, -1, 0},            // -0.5
      {DataTypeId::Int, -2, -1075, 0},          // -0
      {DataTypeId::Int, 2, 31, -2147483648.},   // 2^31, MAX+1
      {DataTypeId::Int, -2, 31, -2147483648.},  // -2^31
      {DataTypeId::UInt, 2, 31, 2147483648.},   // 2^31
      {DataTypeId::UInt, 2, 32, 0},             // 2^32, MAX+1
      {DataTypeId::Int, 2, 32, 0},              // 2^32
      {DataTypeId::UChar, 2, 8, 0},             // 256, MAX+1
      {DataTypeId::UChar, 3, 5, 243},           // 243 stays
      {DataTypeId::Char, 2, 7, -128},           // 128, MAX+1
      {DataTypeId::Char, -2, 7, -128},          // -128 stays
      {DataTypeId::Int, 10, 308, 0},            // 1e308
      {DataTypeId::Int, 2, -1074, 0},           // the smallest subnormal
      {DataTypeId::Int, -2, 63, 0},             // -2^63: fits in 64 bits, low bits 0
      {DataTypeId::Char, -2, 63, 0},            // -2^63
      {DataTypeId::Int, 2, 63, 0},              // 2^63: beyond the 64-bit range
  };
  Mismatches mismatches;
  for (const Row& row : rows) {
    for (std::uint32_t n = 1; n <= kMaxLength; ++n) {
      const Value base = rowOf(row.type, std::vector<double>(n, row.base));
      const Value exponent = rowOf(row.type, {row.exponent});
      compare(mismatches,
              qtf::get_type_name(row.type) + " power " + std::to_string(row.base) + "^" + std::to_string(row.exponent) +
                  " n=" + std::to_string(n),
              base, exponent, ValueOpId::Power, std::vector<double>(n, row.expected));
    }
    compare(mismatches, qtf::get_type_name(row.type) + " mpower " + std::to_string(row.base),
            rowOf(row.type, {row.base}), rowOf(row.type, {row.exponent}), ValueOpId::MPower, {row.expected});
  }
  EXPECT_EQ(mismatches.report(), "");
}

TEST(DoubleToInteger, ConcatenationScalesTruncateAndKeepTheLowBitsAtEveryLength) {
  ChosenFactorContext factors;
  Mismatches mismatches;
  for (const DataTypeId::Type type : kIntegerTypes) {
    for (std::size_t k = 0; k < kNumSpecials; ++k) {
      factors.setFactors(1, kSpecials[k]);  // every operand, the lead too, is scaled by the second factor
      for (std::uint32_t n = 1; n <= kMaxLength; ++n) {
        const Value ones = rowOf(type, std::vector<double>(n, 1), factors.context());
        const std::vector<double> expected(2 * n, kTruncated[k].in(type));
        const std::string where =
            qtf::get_type_name(type) + " scale " + show({kSpecials[k]}) + " n=" + std::to_string(n);
        const std::vector<double> stacked = asDoubles(data_manager::vertcat(ones, ones));
        const std::vector<double> placed = asDoubles(data_manager::horzcat(ones, ones));
        if (stacked != expected || placed != expected) {
          mismatches.add(where + " gave " + show(stacked) + " and " + show(placed));
        }
      }
    }
  }
  EXPECT_EQ(mismatches.report(), "");
}

TEST(DoubleToInteger, TypeRecordConversionsTruncateAndKeepTheLowBitsAtEveryLength) {
  // Scales between units: exactly 1/2, 2 and 3, infinite, zero, 1e308 and about 1e-320 (subnormal).
  constexpr const char* kHalf = "h*ft/(d*in)";
  constexpr const char* kTwice = "d*in/(h*ft)";
  constexpr const char* kHuge = "Ym^6*Em/(ym^6*cm)";
  constexpr const char* kSubnormal = "ym^6*fm*cm/(Ym^6*Pm*m)";
  struct Row {
    DataTypeId::Type type;
    double x;
    const char* from;
    const char* to;
    double expected;  // x times the scale is the double named in the comment
  };
  const Row rows[] = {
      {DataTypeId::Int, 0, "zm^1000000", "ym^1000000", 0},        // NaN
      {DataTypeId::UChar, 0, "zm^1000000", "ym^1000000", 0},      // NaN
      {DataTypeId::Int, 1, "zm^1000000", "ym^1000000", 0},        // inf
      {DataTypeId::UInt, 7, "zm^1000000", "ym^1000000", 0},       // inf
      {DataTypeId::Char, -1, "zm^1000000", "ym^1000000", 0},      // -inf
      {DataTypeId::Int, -1, "ym^1000000", "zm^1000000", 0},       // -0
      {DataTypeId::Int, 1, kHalf, "1", 0},                        // 0.5
      {DataTypeId::UChar, 1, kHalf, "1", 0},                      // 0.5
      {DataTypeId::Char, -1, kHalf, "1", 0},                      // -0.5
      {DataTypeId::Int, -715827883, "yd", "ft", 2147483647},      // MIN-1
      {DataTypeId::Char, -43, "yd", "ft", 127},                   // MIN-1
      {DataTypeId::Int, 1073741824, kTwice, "1", -2147483648.},   // MAX+1 = 2^31
      {DataTypeId::Int, -1073741824, kTwice, "1", -2147483648.},  // -2^31
      {DataTypeId::UInt, 2147483648., kTwice, "1", 0},            // MAX+1 = 2^32
      {DataTypeId::UChar, 128, kTwice, "1", 0},                   // MAX+1
      {DataTypeId::Char, 64, kTwice, "1", -128},                  // MAX+1
      {DataTypeId::UInt, 1431655765, "yd", "ft", 4294967295.},    // stays in range
      {DataTypeId::Int, 1, kHuge, "1", 0},                        // 1e308
      {DataTypeId::UInt, 1, kHuge, "1", 0},                       // 1e308
      {DataTypeId::Int, 2147483647, kSubnormal, "1", 0},          // subnormal
      {DataTypeId::Char, -128, kSubnormal, "1", 0},               // -subnormal
  };
  Mismatches mismatches;
  for (const Row& row : rows) {
    const DataTypeRec record(context(), row.type, sorvexa_test::unit(row.to));
    for (std::uint32_t n = 1; n <= kMaxLength; ++n) {
      const Value source = valueOf(row.type, Dimension(1, n), std::vector<double>(n, row.x), row.from);
      const std::unique_ptr<Value> converted(source.createConvertedValue(record, false));
      const std::vector<double> got = asDoubles(*converted);
      if (got != std::vector<double>(n, row.expected)) {
        mismatches.add(qtf::get_type_name(row.type) + " " + std::to_string(row.x) + " " + row.from + " -> " + row.to +
                       " n=" + std::to_string(n) + " gave " + show(got));
      }
    }
  }
  EXPECT_EQ(mismatches.report(), "");
}

}  // namespace
