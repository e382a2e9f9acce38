// SPDX-License-Identifier: Apache-2.0
//
// Bitwise equality and hashing of values, and their conversion into other units.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data_manager/datatyperec.hpp"
#include "data_manager/valueattributes.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::DataTypeRec;
using namespace sorvexa_test;

Value scalarWithBits(std::uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return valueOf(DataTypeId::Double, Dimension(1, 1), {d});
}

Value withAttributes(const char* text) {
  Value v = value(text);
  v.getAttributes().setName("a");
  v.getAttributes().setAnnotation("note");
  v.getAttributes().setAttributeValue(value("[3]"));
  return v;
}

TEST(ValueEquality, ComparesTypeDimensionUnitAndBytesButNotAttributes) {
  struct Row {
    const char* name;
    Value a, b;
    bool equal;
  };
  const Row rows[] = {
      {"same bytes, type, dimension and unit", value("[1,2;3,4]:m"), value("[1,2;3,4]:m"), true},
      {"attributes differ", withAttributes("[1,2;3,4]:m"), value("[1,2;3,4]:m"), true},
      {"last element", value("[1,2;3,4]:m"), value("[1,2;3,5]:m"), false},
      {"unit, no conversion", value("1000:m"), value("1:km"), false},
      {"2x2 against 4x1, same bytes", value("[1,2;3,4]:m"), value("[1;2;3;4]:m"), false},
      {"double against int", value("[1,2;3,4]:m"), value("[1,2;3,4]:m:int"), false},
      {"int against uint, same bytes", value("[1,2;3,4]:m:int"), value("[1,2;3,4]:m:uint"), false},
      {"uchar against char, same bytes", value("[1,2]:m:uchar"), value("[1,2]:m:char"), false},
      {"0.0 against -0.0", scalarWithBits(0), scalarWithBits(0x8000000000000000), false},
      {"NaN with the same bits", scalarWithBits(0x7ff8000000000001), scalarWithBits(0x7ff8000000000001), true},
      {"NaN with another payload", scalarWithBits(0x7ff8000000000001), scalarWithBits(0x7ff8000000000002), false},
      {"0x0", value("[]"), value("[]"), true},
      {"2x0", value("[-;-]:m:int"), value("[-;-]:m:int"), true},
      {"empty in other units", value("[]:m"), value("[]:s"), false},
      {"empty of other types", value("[]:1:int"), value("[]:1:uint"), false},
      {"2x0 against 0x2", value("[-;-]"), value("[|,|]"), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.a == row.b, row.equal);
    EXPECT_EQ(row.b == row.a, row.equal);
    EXPECT_EQ(row.a != row.b, !row.equal);
    EXPECT_EQ(hashOf(row.a) == hashOf(row.b), row.equal);
  }
}

TEST(ValueEquality, UnresolvedValueEqualsNothingButHashesLikeItsTwin) {
  const Value u = unresolved(DataTypeId::Double, Dimension(1, 2), "m");
  const Value& same = u;
  EXPECT_FALSE(u == same);
  EXPECT_TRUE(u != same);
  EXPECT_NE(value("[0,0]:m"), u);
  EXPECT_EQ(hashOf(u), hashOf(unresolved(DataTypeId::Double, Dimension(1, 2), "m")));
  EXPECT_NE(hashOf(u), hashOf(value("[0,0]:m")));
}

// The type is checked first, then the dimension, before anything is allocated; then the units.
TEST(ConvertedValue, FollowsTheRecordsRulesAndLeavesTheSourceAlone) {
  const char* const type = "data_manager:data_type_rec:InvalidDataTypeConversion";
  const char* const dimension = "data_manager:data_type_rec:InconsistentDimensions";
  struct Row {
    const char* source;
    DataTypeRec record;
    const char* id;
  };
  const Row rows[] = {
      {"[1.5,2,3;4,5,6]:km", DataTypeRec(context(), DataTypeId::Double, unit("m")), ""},
      {"[1.5,2,3;4,5,6]:km", DataTypeRec(context(), DataTypeId::Double, Dimension(2, 3), unit("m")), ""},
      {"[|,|,|]:km", DataTypeRec(context(), DataTypeId::Double, unit("m")), ""},
      {"[1.5,2,3;4,5,6]:km", DataTypeRec(context(), DataTypeId::Double, Dimension(3, 2), unit("m")), dimension},
      {"[1.5]:km", DataTypeRec(context(), DataTypeId::Double, Dimension(2, 2), unit("m")), dimension},
      {"[1.5,2,3;4,5,6]:km", DataTypeRec(context(), DataTypeId::Int, unit("m")), type},
      {"[1.5,2,3;4,5,6]:km", DataTypeRec(context(), DataTypeId::Int, Dimension(3, 2), unit("m")), type},
      {"[1.5,2,3;4,5,6]:km", DataTypeRec(context(), DataTypeId::Double, unit("s")),
       "unit_manager:unit:IncommensurateUnits"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.source) + " to " + row.record.getUnit().convertToString() + " " +
                 qtf::get_type_name(row.record.getDataType()) + (row.record.isVariable() ? "" : " fixed"));
    const Value source = value(row.source), before = deepCopy(source);
    const std::uint64_t allocations = qtf::Allocator::allocationCount();
    std::unique_ptr<Value> converted;
    EXPECT_THROW_ID(converted.reset(source.createConvertedValue(row.record, false)), row.id);
    EXPECT_EQ(source, before);
    if (std::string(row.id).rfind("data_manager:", 0) == 0) {
      EXPECT_EQ(qtf::Allocator::allocationCount(), allocations);
    }
    if (converted) {
      EXPECT_EQ(*converted, value(source.getDimension().isEmpty() ? "[|,|,|]:m" : "[1500,2000,3000;4000,5000,6000]:m"));
    }
  }
  const Value u = unresolved(DataTypeId::Double, Dimension(2, 3), "degC");
  EXPECT_THROW_ID(std::unique_ptr<Value>(u.createConvertedValue(rows[0].record, false)),
                  "data_manager:value:QueryUnresolvedValue");
  EXPECT_THROW_ID(std::unique_ptr<Value>(u.affine()), "data_manager:value:QueryUnresolvedValue");
  for (const char* text : {"[1,2]:degC:int", "[1,2]:m:uint", "[1,2]:m:uchar", "[1,2]:m:char"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW_ID(std::unique_ptr<Value>(value(text).linear()), type);
    EXPECT_THROW_ID(std::unique_ptr<Value>(value(text).affine()), type);
  }
}

TEST(ConvertedValue, CarriesTheAttributesInAnObjectOfItsOwn) {
  Value source = value("[1]:km");
  source.getAttributes().setName("x");
  source.getAttributes().setAnnotation("note");
  Value attached = unresolved(DataTypeId::Double, Dimension(1, 1), "s");
  source.getAttributes().setAttributeValue(attached);
  const std::unique_ptr<Value> converted(
      source.createConvertedValue(DataTypeRec(context(), DataTypeId::Double, unit("m")), false));
  const std::unique_ptr<Value> fundamental(source.linear());
  Value seconds = value("[4]:s");
  attached.share(seconds);
  for (Value* result : {converted.get(), fundamental.get()}) {
    ASSERT_TRUE(result->hasAttributes());
    EXPECT_EQ(result->getAttributes().getName(), "x");
    EXPECT_EQ(result->getAttributes().getAnnotation(), "note");
    EXPECT_EQ(result->getAttributes().getAttributeValue(), seconds);
    result->getAttributes().setName("y");
  }
  EXPECT_EQ(source.getAttributes().getName(), "x");
}

TEST(ConvertedValue, OnlyAffineAddsTheOffsetAndExactConversionsStayExact) {
  struct Row {
    const char *source, *target;  // target null: linear() and affine(), into the fundamental units
    const char *linear, *affine;  // null: not checked
  };
  const Row rows[] = {
      {"[0,-273.15,100]:degC", nullptr, "[0,-273.15,100]:K", "[273.15,0,373.15]:K"},
      {"[1,-2]:degC/s", nullptr, "[1,-2]:K/s", "[1,-2]:K/s"},  // a rate: no offset
      {"[1.5,-2]:km", nullptr, "[1500,-2000]:m", "[1500,-2000]:m"},
      {"[]:degF", nullptr, "[]:K", "[]:K"},
      {"[212,32,-40]:degF", "degC", nullptr, "[100,0,-40]:degC"},
      {"[9,-18,180]:degF", "degC", "[5,-10,100]:degC", nullptr},
      {"[0,100]:degC", "degF", "[0,180]:degF", "[32,212]:degF"},
      {"[1]:in", "m", "[0.0254]:m", "[0.0254]:m"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.source) + " to " + (row.target ? row.target : "fundamental units"));
    const Value source = value(row.source);
    std::unique_ptr<Value> linear, affine;
    if (row.target == nullptr) {
      linear.reset(source.linear());
      affine.reset(source.affine());
    } else {
      const DataTypeRec record(context(), DataTypeId::Double, unit(row.target));
      linear.reset(source.createConvertedValue(record, false));
      affine.reset(source.createConvertedValue(record, true));
    }
    EXPECT_TRUE(row.linear == nullptr || *linear == value(row.linear)) << linear->toString();
    EXPECT_TRUE(row.affine == nullptr || *affine == value(row.affine)) << affine->toString();
  }
}

}  // namespace
