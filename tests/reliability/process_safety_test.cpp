// SPDX-License-Identifier: Apache-2.0
//
// The library runs inside its callers' processes, so no text may crash, abort,
// exhaust the stack or memory, or hang it. Deeply nested unit texts reached
// through the value text form are rejected as unit errors, and texts of a
// mebibyte in every shape the value text form has either parse or fail with a
// library error, quickly, taking no more memory than their size calls for.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "data_manager/value.hpp"
#include "qtf/allocator.hpp"
#include "qtf/messageexception.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::Value;
using qtf::Dimension;

constexpr std::size_t kMebibyte = std::size_t{1} << 20;

std::string repeat(const std::string& piece, std::size_t count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) {
    out += piece;
  }
  return out;
}

TEST(ProcessSafety, DeeplyNestedUnitsInAValueTextAreRejectedAsUnitErrors) {
  const std::string open(100000, '(');
  const std::string close(100000, ')');
  for (const std::string& unitText : {open, open + "m" + close, "m^" + open + "2" + close}) {
    EXPECT_THROW_ID(sorvexa_test::value("[1,2]:" + unitText), "unit_manager:parser:InvalidUnitExpression");
  }
}

struct BigText {
  const char* what;
  std::string text;
  const char* id;       // the error, or "" for a text that parses
  Dimension dimension;  // of a text that parses
};

// piece repeated to make a mebibyte.
std::string mebibyteOf(const std::string& piece) { return repeat(piece, kMebibyte / piece.size()); }
std::uint32_t countIn(const std::string& piece) { return static_cast<std::uint32_t>(kMebibyte / piece.size()); }

// Texts of a mebibyte in every shape of the form, well-formed and not.
std::vector<BigText> mebibyteTexts() {
  const char* const malformed = "data_manager:value:InvalidStringDataSpecification";
  const std::string half(kMebibyte / 2, ',');
  return {
      {"one row of numbers", "[" + mebibyteOf("1.5,") + "2]:m:double", "", Dimension(1, countIn("1.5,") + 1)},
      {"one column of numbers", "[" + mebibyteOf("-7;") + "8]::int", "", Dimension(countIn("-7;") + 1, 1)},
      {"rows without columns", "[" + mebibyteOf("-;") + "-]", "", Dimension(countIn("-;") + 1, 0)},
      {"columns without rows", "[" + mebibyteOf("|,") + "|]", "", Dimension(0, countIn("|,") + 1)},
      {"white space only", "[" + mebibyteOf(" ") + "]", "", Dimension(0, 0)},
      {"row separators only", "[" + mebibyteOf(";") + "]", malformed, Dimension()},
      {"element separators only", "[" + mebibyteOf(",") + "]", malformed, Dimension()},
      // The first row announces half a million columns and the rows half a million more: a matrix of 2^38 elements
      // that the text never fills. It must be rejected as malformed, not by trying to allocate two terabytes.
      {"a shape the elements do not fill", "[" + half + std::string(kMebibyte / 2, ';') + "]", malformed, Dimension()},
      {"a short last row", "[" + mebibyteOf("1,2;") + "1]", malformed, Dimension()},
      {"one number of a mebibyte of digits", "[" + mebibyteOf("9") + "]", "qtf:string:InvalidNumber", Dimension()},
      {"a unit of a mebibyte of factors", "[1]:" + mebibyteOf("m*") + "s", "", Dimension(1, 1)},
      {"a unit of a mebibyte of parentheses", "[1]:" + mebibyteOf("("), "unit_manager:parser:InvalidUnitExpression",
       Dimension()},
      {"a type of a mebibyte", "[1]:m:" + mebibyteOf("x"), "data_manager:value:InvalidStringTypeSpecification",
       Dimension()},
      {"a mebibyte of field separators", mebibyteOf(":"), "data_manager:value:InvalidStringValueSpecification",
       Dimension()},
  };
}

TEST(ProcessSafety, MebibyteValueTextsParseOrFailWithALibraryErrorAndReleaseEverything) {
  for (const BigText& big : mebibyteTexts()) {
    SCOPED_TRACE(big.what);
    const std::int64_t live = qtf::Allocator::liveBlocks();
    std::string id;
    Dimension dimension;
    try {
      dimension = sorvexa_test::value(big.text).getDimension();
    } catch (const qtf::MessageException& e) {
      id = e.identifier();
    } catch (const std::exception& e) {
      id = std::string("<") + e.what() + ">";
    }
    EXPECT_EQ(id, big.id);
    EXPECT_EQ(dimension, big.dimension);
    EXPECT_EQ(qtf::Allocator::liveBlocks(), live);
  }
}

// A safety bound, not a performance target: under the sanitizers too, no such text holds its caller for a second.
TEST(ProcessSafety, MebibyteValueTextsTakeUnderASecondEach) {
  for (const BigText& big : mebibyteTexts()) {
    const auto start = std::chrono::steady_clock::now();
    try {
      sorvexa_test::value(big.text);
    } catch (const std::exception&) {
      // The outcome is the other test's business.
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), 1.0) << big.what;
  }
}

}  // namespace
