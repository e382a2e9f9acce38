// SPDX-License-Identifier: Apache-2.0
//
// Printing with a chosen number of significant digits, the shortest exact form, and characters as numbers.
#include "data_manager/print.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using namespace sorvexa_test;

const std::vector<double> kDoubles = {1.0 / 3.0,
                                      -2.5,
                                      0.0,
                                      -0.0,
                                      0.1,
                                      1e-5,
                                      123456789.0,
                                      -1e+100,
                                      std::numeric_limits<double>::denorm_min(),
                                      std::numeric_limits<double>::max(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity()};

// The data text printf gives for the elements with %.Ng: the reference a stream of that precision agrees with.
std::string printfRow(const std::vector<double>& xs, int digits) {
  std::string out = "[";
  for (std::size_t i = 0; i < xs.size(); ++i) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, xs[i]);
    out += (i > 0 ? "," : "") + std::string(buffer);
  }
  return out + "]";
}

TEST(Printing, SignificantDigitsPrintAsPrintfDoes) {
  const Value v = rowOf(DataTypeId::Double, kDoubles);
  for (const int digits : {1, 2, 6, 10, 15, 17, 25, 60}) {
    SCOPED_TRACE(digits);
    EXPECT_EQ(data_manager::toString(v, digits), printfRow(kDoubles, digits) + ":1:double");
  }
  EXPECT_EQ(data_manager::toString(v, data_manager::PrintOptions{}), v.toString());
}

TEST(Printing, ShortestFormReadsBackToTheSameDoubles) {
  const Value v = rowOf(DataTypeId::Double, kDoubles);
  data_manager::PrintOptions shortest;
  shortest.significantDigits = 0;
  const std::string text = data_manager::toString(v, shortest);
  EXPECT_EQ(text.substr(0, 26), "[0.3333333333333333,-2.5,0");
  EXPECT_NE(text.find(",0.1,"), std::string::npos) << text;
  const Value back = value(text);
  ASSERT_EQ(back.getDimension(), v.getDimension());
  const std::vector<double> got = asDoubles(back);
  for (std::size_t i = 0; i < kDoubles.size(); ++i) {
    EXPECT_EQ(std::signbit(got[i]), std::signbit(kDoubles[i])) << i;
    EXPECT_EQ(got[i], kDoubles[i]) << i;
  }
}

TEST(Printing, CharactersPrintAsNumbersOnRequestAndEmptyShapesKeepTheirPlaceholders) {
  data_manager::PrintOptions numbers;
  numbers.charactersAsNumbers = true;
  struct Row {
    Value v;
    std::string asNumbers;
  };
  const Row rows[] = {
      {rowOf(DataTypeId::Char, {104, -128, 127, 0}), "[104,-128,127,0]:1:char"},
      {rowOf(DataTypeId::UChar, {255, 0, 1}), "[255,0,1]:1:uchar"},
      {valueOf(DataTypeId::Int, Dimension(2, 0), {}), "[-;-]:1:int"},
      {valueOf(DataTypeId::UChar, Dimension(0, 3), {}), "[|,|,|]:1:uchar"},
      {valueOf(DataTypeId::Double, Dimension(0, 0), {}), "[]:1:double"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(data_manager::toString(row.v, numbers), row.asNumbers);
    EXPECT_EQ(value(row.asNumbers), row.v) << row.asNumbers;
  }
  EXPECT_EQ(data_manager::toString(rowOf(DataTypeId::Char, {104, 105}), 6), "[h,i]:1:char");
}

TEST(Printing, NegativeDigitsAndUnresolvedValuesThrow) {
  EXPECT_THROW_ID(data_manager::toString(value("1"), -1), "data_manager:value:InvalidPrintPrecision");
  EXPECT_THROW_ID(data_manager::toString(unresolved(DataTypeId::Double, Dimension(1, 1)), 6),
                  "data_manager:value:QueryUnresolvedValue");
}

}  // namespace
