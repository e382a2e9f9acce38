// SPDX-License-Identifier: Apache-2.0
#include "qtf/strings.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "sorvexa_test/expect.hpp"

namespace {

TEST(Tokenize, KeepsEmptyPiecesAndGivesOnePieceForEmptyText) {
  struct Row {
    char sep;
    const char* text;
    std::vector<std::string> pieces;
  };
  const Row rows[] = {{':', "", {""}},
                      {':', "1", {"1"}},
                      {':', "1::", {"1", "", ""}},
                      {':', ":", {"", ""}},
                      {',', "1,,2", {"1", "", "2"}},
                      {',', " a , b ", {" a ", " b "}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(qtf::tokenize(row.sep, row.text), row.pieces);
  }
}

TEST(Trim, RemovesAllKindsOfSurroundingWhiteSpaceOnly) {
  EXPECT_EQ(qtf::trim(" \t\r\n\f\va b\t "), "a b");
  EXPECT_EQ(qtf::trim("   "), "");
  EXPECT_EQ(qtf::trim("x"), "x");
}

TEST(StringToDouble, ReadsDecimalNumbersAndSpecialWords) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* text;
    double expected;
  };
  const Row rows[] = {{"0", 0.0},
                      {"-0", -0.0},
                      {"+1.5", 1.5},
                      {" 42 ", 42.0},
                      {".5", 0.5},
                      {"5.", 5.0},
                      {"-2.5E-3", -0.0025},
                      {"1e+2", 100.0},
                      {"inf", inf},
                      {"-Infinity", -inf},
                      {"+INF", inf},
                      {"-1e-400", -0.0},
                      {"4.9e-324", 4.9e-324},
                      {"\t3\n", 3.0},
                      {"1.7976931348623157e308", std::numeric_limits<double>::max()}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const double got = qtf_string_to_double(std::string(row.text));
    EXPECT_EQ(got, row.expected);
    EXPECT_EQ(std::signbit(got), std::signbit(row.expected));
  }
  EXPECT_TRUE(std::isnan(qtf_string_to_double(std::string("NaN"))));
  EXPECT_TRUE(std::isnan(qtf_string_to_double(std::string("-nan"))));
}

TEST(StringToDouble, RejectsEverythingElseWithTheTextAsArgument) {
  const char* rows[] = {"",  "   ",   "abc", "1x",     "1e",    "e5", "--1", "+-1", "0x10",  "1e999", "-1e999",
                        ".", "1.2.3", "1 2", "nan(1)", "infin", "+",  "1,5", "１",  "1e5e5", "in f"};
  for (const char* text : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(sorvexa_test::thrownMessage([&] { qtf_string_to_double(std::string(text)); }),
              (std::vector<std::string>{"qtf:string:InvalidNumber", text, "", "", ""}));
  }
}

}  // namespace
