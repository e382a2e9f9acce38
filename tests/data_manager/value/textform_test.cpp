// SPDX-License-Identifier: Apache-2.0
//
// The text form DATA[:UNIT[:TYPE]]: parsing, its errors, printing, and the round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using namespace sorvexa_test;

TEST(TextForm, PrintedTextParsesBackToAnEqualValue) {
  struct Pool {
    DataTypeId::Type type;
    const char* unit;
    std::vector<double> elements;
  };
  const Pool pools[] = {{DataTypeId::Double, "m^(1/2)/s^(3/2)", {0.333333, -2.5, 0, 1e-05, 123456, -1e+100}},
                        {DataTypeId::Double, "degC", {1, 2, 3, 4, 5, 6}},
                        {DataTypeId::Int, "kg*m/s^2", {INT_MIN, INT_MAX, 0, -7, 1, 2}},
                        {DataTypeId::UInt, "1", {UINT_MAX, 0, 1, 42, 7, 8}}};
  for (const Pool& pool : pools) {
    for (const Dimension d : {Dimension(0, 0), Dimension(3, 0), Dimension(0, 2), Dimension(1, 1), Dimension(2, 3)}) {
      const auto n = static_cast<std::ptrdiff_t>(d.getNumElements());
      const Value v =
          valueOf(pool.type, d, std::vector<double>(pool.elements.begin(), pool.elements.begin() + n), pool.unit);
      EXPECT_EQ(value(v.toString()), v) << v.toString();
    }
  }
}

TEST(TextForm, ParsesEveryShapeWithOptionalBracketsAndDefaults) {
  struct Row {
    const char* text;
    Value expected;
  };
  const Row rows[] = {
      {"1", valueOf(DataTypeId::Double, Dimension(1, 1), {1})},
      {"[1]:1", valueOf(DataTypeId::Double, Dimension(1, 1), {1})},
      {"1::", valueOf(DataTypeId::Double, Dimension(1, 1), {1})},
      {"  [1,2]  ", valueOf(DataTypeId::Double, Dimension(1, 2), {1, 2})},
      {"[ 1,2 ]", valueOf(DataTypeId::Double, Dimension(1, 2), {1, 2})},
      {"[1,2,3;4,5,6]", valueOf(DataTypeId::Double, Dimension(2, 3), {1, 2, 3, 4, 5, 6})},
      {"1.5;2.5", valueOf(DataTypeId::Double, Dimension(2, 1), {1.5, 2.5})},
      {"[1e3, -2.5e-1 ;3,4]", valueOf(DataTypeId::Double, Dimension(2, 2), {1000, -0.25, 3, 4})},
      // Signs in every position a row has; only one sign is read.
      {"[+1.5,-.5;+.25,-7e-1]", valueOf(DataTypeId::Double, Dimension(2, 2), {1.5, -0.5, 0.25, -0.7})},
      {"[-1,inf;nan,-0]",
       valueOf(DataTypeId::Double, Dimension(2, 2),
               {-1, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), -0.0})},
      // Spelled with a sign or in capitals, the non-finite ones still reach the careful reader.
      {"[-inf,+INF,-nan,1]", valueOf(DataTypeId::Double, Dimension(1, 4),
                                     {-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::quiet_NaN(), 1})},
      {"[ ]", valueOf(DataTypeId::Double, Dimension(0, 0), {})},
      {"-", valueOf(DataTypeId::Double, Dimension(1, 0), {})},
      {"|", valueOf(DataTypeId::Double, Dimension(0, 1), {})},
      {"[-;-;-]", valueOf(DataTypeId::Double, Dimension(3, 0), {})},
      {"[|,|]", valueOf(DataTypeId::Double, Dimension(0, 2), {})},
      {"[1,2]: kg*m/s^2 ", valueOf(DataTypeId::Double, Dimension(1, 2), {1, 2}, "kg*m/s^2")},
      {"[1,-2;3,4]:s:int", valueOf(DataTypeId::Int, Dimension(2, 2), {1, -2, 3, 4}, "s")},
      {"[7]:m: uint ", valueOf(DataTypeId::UInt, Dimension(1, 1), {7}, "m")},
      {"[104,105]::char", valueOf(DataTypeId::Char, Dimension(1, 2), {'h', 'i'})},
      {"[1,0]:1:logical", valueOf(DataTypeId::UChar, Dimension(1, 2), {1, 0})},
      {"[-;-]:1:int", valueOf(DataTypeId::Int, Dimension(2, 0), {})},
      // Elements are read as doubles, then rounded half away from zero and saturated.
      {"[2.5,-2.5,1e10,-1e10]:1:int", valueOf(DataTypeId::Int, Dimension(1, 4), {3, -3, INT_MAX, INT_MIN})},
      {"[300,-5,nan]:1:uchar", valueOf(DataTypeId::UChar, Dimension(1, 3), {255, 0, 0})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(value(row.text), row.expected);
  }
}

TEST(TextForm, MalformedTextFailsWithTheOffendingPieceAndLeaksNothing) {
  struct Row {
    const char* text;
    std::vector<std::string> thrown;  // identifier and arguments; another component's error: the first argument only
  };
  const char* const data = "data_manager:value:InvalidStringDataSpecification";
  const char* const type = "data_manager:value:InvalidStringTypeSpecification";
  const Row rows[] = {
      {"1:1:x:y", {"data_manager:value:InvalidStringValueSpecification", "1:1:x:y", "", "", ""}},
      {"[", {data, "[", "", "", ""}},
      {"]", {data, "]", "", "", ""}},
      {"", {data, "", "", "", ""}},
      {"   :m", {data, "   ", "", "", ""}},
      {" [1,2 :m", {data, " [1,2 ", "", "", ""}},
      {"1,2]", {data, "1,2]", "", "", ""}},
      {"[1,2;3]", {data, "1,2;3", "", "", ""}},
      {"[ 1;2,3 ]", {data, "1;2,3", "", "", ""}},
      {"[1,2;3,4,5]", {data, "1,2;3,4,5", "", "", ""}},
      {"[1,2;3,4;5,6,7;8]", {data, "1,2;3,4;5,6,7;8", "", "", ""}},
      {"[1,2;inf,3,nan]", {data, "1,2;inf,3,nan", "", "", ""}},
      {"[1,,2]", {data, "1,,2", "", "", ""}},
      {"[;1]", {data, ";1", "", "", ""}},
      {"[1,|]", {data, "1,|", "", "", ""}},
      {"[|,1]", {data, "|,1", "", "", ""}},
      {"[-;1]", {data, "-;1", "", "", ""}},
      {"[1;-]", {data, "1;-", "", "", ""}},
      {"[|,|;|,|]", {data, "|,|;|,|", "", "", ""}},
      {"[1,abc]", {"qtf:string:InvalidNumber", "abc"}},
      {"[1]:m:single", {type, "single", "", "", ""}},
      // Checked in order: brackets, unit, type, then the matrix.
      {"[1]:foo:single", {"unit_manager:parser:UnknownUnit", "foo"}},
      {"[1,2;3]:m:single", {type, "single", "", "", ""}},
      {"[1,2;3]:foo", {"unit_manager:parser:UnknownUnit", "foo"}},
      {"[1,2:foo:single", {data, "[1,2", "", "", ""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const std::int64_t before = qtf::Allocator::liveBlocks();
    std::vector<std::string> thrown = thrownMessage([&] { Value(context(), row.text); });
    thrown.resize(std::min(thrown.size(), row.thrown.size()));
    EXPECT_EQ(thrown, row.thrown);
    EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
  }
}

// Each text has two faults; the one met first when reading rows top to bottom (a row's element count before its
// numbers) and elements left to right (an element's placeholder checks before its number) decides.
TEST(TextForm, TheFirstFaultInReadingOrderDecides) {
  struct Row {
    const char* text;
    std::vector<std::string> thrown;  // identifier and first argument
  };
  const char* const data = "data_manager:value:InvalidStringDataSpecification";
  const char* const number = "qtf:string:InvalidNumber";
  const Row rows[] = {
      // A later row's count comes before its numbers.
      {"[1,2;3-]", {data, "1,2;3-"}},
      {"[1,2;x]", {data, "1,2;x"}},
      {"[1;2,x]", {data, "1;2,x"}},
      {"[1,2;3,4x,]", {data, "1,2;3,4x,"}},
      // An earlier row's numbers come before a later row's count.
      {"[x;1,2]", {number, "x"}},
      {"[1,2;3,x;4]", {number, "x"}},
      {"[-1,--2;3]", {number, "--2"}},
      {"[+-1,-+2;3]", {number, "+-1"}},
      {"[1,-+2;3]", {number, "-+2"}},
      {"[1,++2;3]", {number, "++2"}},
      {"[1,+;2]", {number, "+"}},
      // Within a row, left to right: a bad number before an empty element or a placeholder after it...
      {"[x,]", {number, "x"}},
      {"[1,x,,]", {number, "x"}},
      {"[x,|]", {number, "x"}},
      {"[1e999 ,-]", {number, "1e999 "}},
      {"[x;;]", {number, "x"}},
      {"[x,y]", {number, "x"}},
      // ... and an empty element or a placeholder before a bad number after it.
      {"[1,,x]", {data, "1,,x"}},
      {"[1,|,x]", {data, "1,|,x"}},
      {"[1,-,x]", {data, "1,-,x"}},
      {"[,x]", {data, ",x"}},
      // Placeholder shapes are checked without reading any number.
      {"[-;x]", {data, "-;x"}},
      {"[|,x]", {data, "|,x"}},
      {"[|;x]", {data, "|;x"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::vector<std::string> thrown = thrownMessage([&] { Value(context(), row.text); });
    thrown.resize(std::min(thrown.size(), row.thrown.size()));
    EXPECT_EQ(thrown, row.thrown);
  }
}

TEST(TextForm, PrintsRowsColumnsAndPlaceholdersWhateverTheStreamSettings) {
  struct Row {
    Value v;
    const char* text;
  };
  const Row rows[] = {
      {valueOf(DataTypeId::Double, Dimension(2, 3), {1, 2.5, 3, 4, 5, 6}), "[1,2.5,3;4,5,6]:1:double"},
      {valueOf(DataTypeId::Double, Dimension(3, 1), {1, 2, 3}, "kg*m/s^2"), "[1;2;3]:kg*m/s^2:double"},
      {valueOf(DataTypeId::Int, Dimension(1, 2), {INT_MIN, INT_MAX}, "km"), "[-2147483648,2147483647]:km:int"},
      {valueOf(DataTypeId::UInt, Dimension(1, 2), {0, UINT_MAX}), "[0,4294967295]:1:uint"},
      {valueOf(DataTypeId::Char, Dimension(1, 2), {'h', 'i'}), "[h,i]:1:char"},
      {valueOf(DataTypeId::UChar, Dimension(2, 1), {'h', 'i'}), "[h;i]:1:uchar"},
      {valueOf(DataTypeId::Double, Dimension(2, 0), {}), "[-;-]:1:double"},
      {valueOf(DataTypeId::Double, Dimension(0, 3), {}, "s"), "[|,|,|]:s:double"},
      {valueOf(DataTypeId::Int, Dimension(0, 0), {}), "[]:1:int"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(row.v.toString(), row.text);
    std::ostringstream stream;
    stream << std::fixed << std::setprecision(2) << std::showpos << row.v;
    EXPECT_EQ(stream.str(), row.text);
  }
}

TEST(TextForm, DoublesPrintAsADefaultStreamPrintsThem) {
  using limits = std::numeric_limits<double>;
  const std::vector<double> awkward = {1.0 / 3,
                                       1e6,
                                       1e-5,
                                       123456,
                                       1234567,
                                       999999.5,
                                       0.1,
                                       0.0001,
                                       -0.000123456789,
                                       -0.0,
                                       limits::infinity(),
                                       -limits::infinity(),
                                       limits::quiet_NaN(),
                                       -limits::quiet_NaN(),
                                       limits::denorm_min(),
                                       limits::min(),
                                       limits::max()};
  std::ostringstream all;
  for (const double& d : awkward) {
    std::ostringstream reference;
    reference << d;
    all << (&d == awkward.data() ? "" : ";") << d;
    EXPECT_EQ(valueOf(DataTypeId::Double, Dimension(1, 1), {d}).toString(), "[" + reference.str() + "]:1:double");
  }
  const Value column = valueOf(DataTypeId::Double, Dimension(static_cast<std::uint32_t>(awkward.size()), 1), awkward);
  EXPECT_EQ(column.toString(), "[" + all.str() + "]:1:double");
}

TEST(TextForm, UnresolvedValueDoesNotPrintAndLeavesTheStreamAlone) {
  const Value u = unresolved(DataTypeId::Double, Dimension(1, 2), "m");
  EXPECT_THROW_ID(u.toString(), "data_manager:value:QueryUnresolvedValue");
  std::ostringstream stream;
  stream << "before";
  EXPECT_THROW_ID(stream << u, "data_manager:value:QueryUnresolvedValue");
  EXPECT_EQ(stream.str(), "before");
  EXPECT_TRUE(stream.good());
}

}  // namespace
