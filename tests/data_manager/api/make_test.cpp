// SPDX-License-Identifier: Apache-2.0
//
// Safe construction and the owning wrappers: the element type follows the C++ type, the element count is checked
// against the dimension before a single element is read, units are read by the context's own parser, and converted
// values come back in std::unique_ptr.
#include "data_manager/make.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data_manager/data_manager.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using namespace sorvexa_test;
namespace dm = data_manager;

template <typename T>
class MakeValueTyped : public ::testing::Test {};
using ElementCppTypes = ::testing::Types<unsigned char, double, int, unsigned int, char, signed char>;
TYPED_TEST_SUITE(MakeValueTyped, ElementCppTypes);

// The type name the text form uses for each C++ type.
template <typename T>
std::string typeText() {
  if (std::is_same_v<T, unsigned char>) return "uchar";
  if (std::is_same_v<T, double>) return "double";
  if (std::is_same_v<T, int>) return "int";
  if (std::is_same_v<T, unsigned int>) return "uint";
  return "char";
}

// Every form gives the value the text form describes: same type, dimension, unit and elements.
TYPED_TEST(MakeValueTyped, EveryFormDeducesTheElementType) {
  using T = TypeParam;
  const std::vector<T> elements = {T(1), T(2), T(3), T(4), T(5), T(100)};
  const Value expected = value("[1,2,3;4,5,100]:km:" + typeText<T>());
  const dm::Context& ctx = context();
  EXPECT_EQ(dm::makeValue(ctx, {2, 3}, elements, "km"), expected);
  EXPECT_EQ(dm::makeValue(ctx, {2, 3}, elements, std::string("km")), expected);
  EXPECT_EQ(dm::makeValue(ctx, {2, 3}, elements, unit("km")), expected);
  EXPECT_EQ(dm::makeValue(ctx, {2, 3}, elements.data(), elements.size(), "km"), expected);
  EXPECT_EQ(dm::makeValue(ctx, {2, 3}, {T(1), T(2), T(3), T(4), T(5), T(100)}, "km"), expected);
  EXPECT_EQ(dm::makeScalar(ctx, T(100), "km"), value("100:km:" + typeText<T>()));
  EXPECT_EQ(dm::makeScalar(ctx, T(100)), value("100:1:" + typeText<T>()));
}

// A buffer of exactly count elements is handed in, so a read past it would be an AddressSanitizer error.
TEST(MakeValue, CountIsCheckedAgainstTheDimensionBeforeAnyElementIsRead) {
  struct Row {
    std::size_t count;
    Dimension dimension;
    std::vector<std::string> thrown;
  };
  const Row rows[] = {
      {2, {3, 1}, {"data_manager:value:ElementCountMismatch", "2", "3x1", "", ""}},
      {5, {2, 3}, {"data_manager:value:ElementCountMismatch", "5", "2x3", "", ""}},
      {7, {2, 3}, {"data_manager:value:ElementCountMismatch", "7", "2x3", "", ""}},
      {1, {0, 0}, {"data_manager:value:ElementCountMismatch", "1", "0x0", "", ""}},
      {1, {1, 0}, {"data_manager:value:ElementCountMismatch", "1", "1x0", "", ""}},
      {0, {1, 1}, {"data_manager:value:ElementCountMismatch", "0", "1x1", "", ""}},
      {6, {2, 3}, {}},
      {1, {1, 1}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.count) + " elements for " + row.dimension.str());
    const std::unique_ptr<double[]> buffer(new double[row.count]());
    EXPECT_EQ(thrownMessage([&] { dm::makeValue(context(), row.dimension, buffer.get(), row.count, "m"); }),
              row.thrown);
    const std::vector<double> elements(row.count, 1.5);
    EXPECT_EQ(thrownMessage([&] { dm::makeValue(context(), row.dimension, elements, "m"); }), row.thrown);
  }
}

TEST(MakeValue, UntypedFormChecksTypeThenCountThenData) {
  const double two[] = {1, 2};
  struct Row {
    qtf::DataTypeId::Type type;
    Dimension dimension;
    const void* elements;
    std::size_t count;
    std::vector<std::string> thrown;
  };
  const Row rows[] = {
      {static_cast<qtf::DataTypeId::Type>(7), {2, 1}, two, 3, {"data_manager:value:InvalidDataType", "7", "", "", ""}},
      {DataTypeId::Unknown, {2, 1}, two, 2, {"data_manager:value:InvalidDataType", "-1", "", "", ""}},
      {DataTypeId::Double, {2, 1}, nullptr, 3, {"data_manager:value:ElementCountMismatch", "3", "2x1", "", ""}},
      {DataTypeId::Double, {2, 1}, nullptr, 2, {"data_manager:value:NullElementData", "2x1", "", "", ""}},
      {DataTypeId::Double, {0, 3}, nullptr, 0, {}},
      {DataTypeId::Char, {2, 1}, two, 2, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dimension.str());
    EXPECT_EQ(
        thrownMessage([&] { dm::makeValue(context(), row.type, row.dimension, row.elements, row.count, unit("m")); }),
        row.thrown);
  }
  EXPECT_EQ(dm::makeValue(context(), DataTypeId::Double, {0, 3}, nullptr, 0, unit("m")), value("[|,|,|]:m"));
}

// A unit context with a unit of its own ("furlong") in its parser and "m" as its default unit: text units and
// omitted units must come from the value's context, not from a parser or default of their own.
class FurlongUnits : public unit_manager::StandardContext {
 public:
  FurlongUnits() : mDefault(unit_manager::UnitExpression::parse("m")) {}
  const unit_manager::UnitExpression& defaultUnit() const override { return mDefault; }
  unit_manager::UnitParser* createUnitParser() const override { return new FurlongParser; }

 private:
  struct FurlongParser : unit_manager::UnitParser {
    unit_manager::UnitExpression parse(const std::string& text) const override {
      return unit_manager::UnitParser::parse(text == "furlong" ? "hm" : text);
    }
  };
  unit_manager::UnitExpression mDefault;
};

TEST(MakeValue, UnitsComeFromTheValuesContext) {
  const FurlongUnits units;
  const std::unique_ptr<dm::Context> ctx = dm::makeContext(units);
  EXPECT_EQ(dm::makeScalar(*ctx, 2.0, "furlong").getUnit(), unit("hm"));
  EXPECT_EQ(dm::makeScalar(*ctx, 2.0).getUnit(), unit("m"));
  EXPECT_EQ(dm::makeValue(*ctx, {1, 2}, {1, 2}).getUnit(), unit("m"));
  EXPECT_THROW_ID(dm::makeScalar(*ctx, 2.0, "furlongs"), "unit_manager:parser:UnknownUnit");
  EXPECT_THROW_ID(dm::makeScalar(*ctx, 2.0, static_cast<const char*>(nullptr)),
                  "unit_manager:parser:InvalidUnitExpression");
  const std::unique_ptr<Value> inMetres = dm::convert(dm::makeScalar(*ctx, 2.0, "furlong"), "m", false);
  EXPECT_EQ(inMetres->getUnit(), unit("m"));
}

TEST(MakeContext, OwnsTheContextAndRefusesAUnitContextWithoutTimeUnit) {
  const unit_manager::StandardContext units;
  const std::unique_ptr<dm::Context> ctx = dm::makeContext(units);
  EXPECT_EQ(&ctx->getUnitContext(), &units);
  const unit_manager::StandardContext noTime(nullptr);
  EXPECT_THROW_ID(dm::makeContext(noTime), "data_manager:context:TimeUnitNotSpecified");
}

TEST(Convert, WrappersGiveTheConvertedValuesAndTheirErrors) {
  struct Row {
    const char* source;
    std::unique_ptr<Value> (*convert)(const Value&);
    const char* expected;  // or the identifier thrown
  };
  const Row rows[] = {
      {"[1,2.5]:km", [](const Value& v) { return dm::convert(v, "m", false); }, "[1000,2500]:m"},
      {"[1,2]:km:int", [](const Value& v) { return dm::convert(v, unit("m"), false); }, "[1000,2000]:m:int"},
      {"212:degF", [](const Value& v) { return dm::convert(v, "degC", true); }, "100:degC"},
      {"0:degC", [](const Value& v) { return dm::convert(v, "K", false); }, "0:K"},
      {"0:degC", [](const Value& v) { return dm::convert(v, "K", true); }, "273.15:K"},
      {"0:degC", [](const Value& v) { return dm::toLinear(v); }, "0:K"},
      {"0:degC", [](const Value& v) { return dm::toAffine(v); }, "273.15:K"},
      {"[1,2]:km/h", [](const Value& v) { return dm::toLinear(v); }, "[0.2777777777777778,0.5555555555555556]:m/s"},
      {"[1,2]:km",
       [](const Value& v) {
         return dm::convert(v, dm::DataTypeRec(context(), DataTypeId::Double, {1, 2}, unit("m")), false);
       },
       "[1000,2000]:m"},
      {"[1,2]:km",
       [](const Value& v) {
         return dm::convert(v, dm::DataTypeRec(context(), DataTypeId::Double, {2, 1}, unit("m")), false);
       },
       "data_manager:data_type_rec:InconsistentDimensions"},
      {"1:km:int", [](const Value& v) { return dm::toLinear(v); },
       "data_manager:data_type_rec:InvalidDataTypeConversion"},
      {"1:km", [](const Value& v) { return dm::convert(v, "s", false); }, "unit_manager:unit:IncommensurateUnits"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.source) + " -> " + row.expected);
    const Value source = value(row.source);
    if (std::string(row.expected).find("data_manager:") == 0 || std::string(row.expected).find("unit_manager:") == 0) {
      EXPECT_THROW_ID(row.convert(source), row.expected);
    } else {
      const std::unique_ptr<Value> converted = row.convert(source);
      ASSERT_NE(converted, nullptr);
      EXPECT_EQ(*converted, value(row.expected));
    }
    EXPECT_EQ(source, value(row.source));
  }
  EXPECT_THROW_ID(dm::convert(unresolved(DataTypeId::Double, {1, 1}, "km"), "m", false),
                  "data_manager:value:QueryUnresolvedValue");
}

}  // namespace

// A failed allocation anywhere in construction, a view or a conversion gives every block back and leaves the source
// value as it was.
TEST(MakeValue, FailedAllocationsGiveEveryBlockBack) {
  const std::vector<int> elements = {1, 2, 3, 4};
  Value named = value("[1,2]:km");
  named.getAttributes().setName("named");
  const Value before = deepCopy(named);
  struct Row {
    const char* what;
    std::function<void()> operation;
  };
  const Row rows[] = {
      {"from a vector",
       [&] {
         dm::makeValue(context(), {2, 2}, elements, "m/s");
       }},
      {"a scalar in the default unit", [&] { dm::makeScalar(context(), 2.5); }},
      {"a view of a named value", [&] { dm::getElements<double>(named); }},
      {"a conversion by unit text", [&] { dm::convert(named, "m", false); }},
      {"a context", [&] { dm::makeContext(context().getUnitContext()); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_GE(sweepAllocationFailures(row.operation, [&] { EXPECT_EQ(named, before); }), 1);
  }
}
