// SPDX-License-Identifier: Apache-2.0
//
// Typed element access: a view is refused unless its C++ type stores the value's element type, unresolved values
// have nothing to view, positions are checked by at(), and a view keeps the elements it shows alive.
#include "data_manager/access.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "data_manager/data_manager.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using namespace sorvexa_test;
namespace dm = data_manager;

// The fixed-width names of the element types are accepted; types with no element type of their own are not.
static_assert(dm::kIsElementType<std::uint8_t> && dm::kIsElementType<std::int8_t> && dm::kIsElementType<std::int32_t> &&
                  dm::kIsElementType<std::uint32_t> && dm::kIsElementType<double>,
              "the five element types");
static_assert(!dm::kIsElementType<bool> && !dm::kIsElementType<float> && !dm::kIsElementType<std::int64_t> &&
                  !dm::kIsElementType<std::uint16_t> && !dm::kIsElementType<const double>,
              "no other type");
static_assert(dm::ElementType<std::int8_t>::value == DataTypeId::Char, "int8_t stores Char elements");

TEST(ElementView, ReadsTheValuesOwnBufferRowByRow) {
  const Value v = value("[1,2,3;4,5,-6]:m:int");
  const dm::ElementView<int> view = dm::getElements<int>(v);
  EXPECT_EQ(view.data(), v.getGenericValue());
  EXPECT_EQ(view.size(), 6u);
  EXPECT_EQ(view.rows(), 2u);
  EXPECT_EQ(view.columns(), 3u);
  EXPECT_EQ(std::vector<int>(view.begin(), view.end()), (std::vector<int>{1, 2, 3, 4, 5, -6}));
  EXPECT_EQ(view.at(1, 0), 4);
  EXPECT_EQ(view.at(0, 2), 3);
  EXPECT_EQ(view[5], -6);
  EXPECT_TRUE(dm::getElements<double>(value("[]")).empty());
}

// Each reader asks for one C++ type; every value type but the reader's own is refused, naming both types.
TEST(ElementView, RefusesEveryTypeButTheValuesOwn) {
  struct Reader {
    const char* name;
    std::function<void(const Value&)> read;
  };
  const Reader readers[] = {
      {"uchar", [](const Value& v) { dm::getElements<unsigned char>(v); }},
      {"double", [](const Value& v) { dm::getElements<double>(v); }},
      {"int", [](const Value& v) { dm::getElements<int>(v); }},
      {"uint", [](const Value& v) { dm::getElements<unsigned int>(v); }},
      {"char", [](const Value& v) { dm::getElements<char>(v); }},
      {"char", [](const Value& v) { dm::getElements<signed char>(v); }},
  };
  const char* const valueTypes[] = {"uchar", "double", "int", "uint", "char"};
  for (const Reader& reader : readers) {
    for (const char* type : valueTypes) {
      SCOPED_TRACE(std::string(reader.name) + " from " + type);
      const std::vector<std::string> expected =
          std::string(reader.name) == type
              ? std::vector<std::string>{}
              : std::vector<std::string>{"data_manager:value:ElementTypeMismatch", reader.name, type, "", ""};
      EXPECT_EQ(thrownMessage([&] { reader.read(value(std::string("[1,2]:1:") + type)); }), expected);
    }
  }
}

TEST(ElementView, UntypedAccessChecksTheTypeBeforeTheData) {
  const Value pending = unresolved(DataTypeId::Int, {2, 2});
  EXPECT_THROW_ID(dm::getElements<int>(pending), "data_manager:value:QueryUnresolvedValue");
  EXPECT_EQ(thrownMessage([&] { dm::getElements<double>(pending); }),
            (std::vector<std::string>{"data_manager:value:ElementTypeMismatch", "double", "int", "", ""}));
  EXPECT_EQ(thrownMessage([&] { dm::getElements(value("1"), DataTypeId::Unknown); }),
            (std::vector<std::string>{"data_manager:value:ElementTypeMismatch", "-1", "double", "", ""}));
}

TEST(ElementView, AtRefusesPositionsOutsideTheDimension) {
  const dm::ElementView<double> view = dm::getElements<double>(value("[1,2,3;4,5,6]"));
  struct Row {
    std::function<double()> read;
    std::vector<std::string> thrown;
  };
  const Row rows[] = {
      {[&] { return view.at(5); }, {}},
      {[&] { return view.at(6); }, {"data_manager:value:ElementIndexOutOfRange", "6", "2x3", "", ""}},
      {[&] { return view.at(1, 2); }, {}},
      {[&] { return view.at(2, 0); }, {"data_manager:value:ElementIndexOutOfRange", "(2, 0)", "2x3", "", ""}},
      // Row 0, column 3 would be storage position 3, inside the buffer, yet it is no element of a 2x3 value.
      {[&] { return view.at(0, 3); }, {"data_manager:value:ElementIndexOutOfRange", "(0, 3)", "2x3", "", ""}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(thrownMessage(row.read), row.thrown);
  }
  EXPECT_THROW_ID(dm::getElements<double>(value("[]")).at(0), "data_manager:value:ElementIndexOutOfRange");
}

// Under AddressSanitizer a view that did not hold the data would read freed memory here.
TEST(ElementView, OutlivesTheValueItCameFrom) {
  const dm::ElementView<double> sum = dm::getElements<double>(value("[1,2]") + value("[3,4]"));
  EXPECT_EQ(std::accumulate(sum.begin(), sum.end(), 0.0), 10.0);

  Value tied = unresolved(DataTypeId::Double, {1, 2}, "km");
  std::unique_ptr<Value> source(new Value(value("[7,8]:m")));
  tied.share(*source);
  const dm::ElementView<double> view = dm::getElements<double>(tied);
  source.reset();
  tied = value("0");
  EXPECT_EQ(std::vector<double>(view.begin(), view.end()), (std::vector<double>{7, 8}));
}

}  // namespace
