// SPDX-License-Identifier: Apache-2.0
#include "qtf/datatypeid.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>

#include "qtf/allocator.hpp"
#include "sorvexa_test/expect.hpp"

namespace {

using qtf::DataTypeId;

TEST(DataTypeNames, NamesAliasesAndUnknownTexts) {
  struct Row {
    const char* text;
    DataTypeId::Type expected;
  };
  const Row rows[] = {
      {"uchar", DataTypeId::UChar},    {"UChar", DataTypeId::UChar},  {"logical", DataTypeId::UChar},
      {"bool", DataTypeId::UChar},     {"uint8", DataTypeId::UChar},  {" double ", DataTypeId::Double},
      {"Double", DataTypeId::Double},  {"\tint\n", DataTypeId::Int},  {"int32", DataTypeId::Int},
      {"uint", DataTypeId::UInt},      {"uint32", DataTypeId::UInt},  {"char", DataTypeId::Char},
      {"int8", DataTypeId::Char},      {"", DataTypeId::Unknown},     {"DOUBLE", DataTypeId::Unknown},
      {"single", DataTypeId::Unknown}, {"in t", DataTypeId::Unknown}, {"int64", DataTypeId::Unknown},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(qtf::type_from_string(row.text), row.expected);
  }
}

TEST(DataTypeNames, EveryTypeReadsBackFromBothSpellingsAndInvalidTypesThrow) {
  const std::size_t sizes[] = {1, 8, 4, 4, 1};
  for (int i = 0; i < DataTypeId::NumTypes; ++i) {
    const auto t = static_cast<DataTypeId::Type>(i);
    EXPECT_EQ(qtf::type_from_string(qtf::get_type_name(t)), t);
    EXPECT_EQ(qtf::type_from_string(qtf::get_type_name_lower(t)), t);
    EXPECT_EQ(qtf::get_type_size(t), sizes[i]);
  }
  EXPECT_THROW_ID(qtf::get_type_size(DataTypeId::Unknown), "qtf:type:InvalidDataType");
  EXPECT_THROW_ID(qtf::get_type_name(static_cast<DataTypeId::Type>(5)), "qtf:type:InvalidDataType");
  EXPECT_THROW_ID(qtf::get_type_name_lower(static_cast<DataTypeId::Type>(-7)), "qtf:type:InvalidDataType");
}

template <typename Tout, typename Tin>
Tout convert(Tin in, DataTypeId::Type from, DataTypeId::Type to) {
  Tout out{};
  qtf::convert_data(1, from, &in, to, &out);
  return out;
}

TEST(ConvertData, DoubleToIntegerRoundsHalfAwayFromZeroAndSaturates) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    double in;
    int asInt;
    unsigned int asUInt;
    int asUChar, asChar;
  };
  const Row rows[] = {
      {0.5, 1, 1, 1, 1},
      {-0.5, -1, 0, 0, -1},
      {2.4999, 2, 2, 2, 2},
      {-2.5, -3, 0, 0, -3},
      {127.5, 128, 128, 128, 127},
      {-128.5, -129, 0, 0, -128},
      {255.4, 255, 255, 255, 127},
      {256.0, 256, 256, 255, 127},
      {2147483647.4, INT_MAX, 2147483647U, 255, 127},
      {2147483648.0, INT_MAX, 2147483648U, 255, 127},
      {-2147483649.0, INT_MIN, 0, 0, -128},
      {4294967296.0, INT_MAX, UINT_MAX, 255, 127},
      {inf, INT_MAX, UINT_MAX, 255, 127},
      {-inf, INT_MIN, 0, 0, -128},
      {std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 0},
      {std::numeric_limits<double>::denorm_min(), 0, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(convert<int>(row.in, DataTypeId::Double, DataTypeId::Int), row.asInt);
    EXPECT_EQ(convert<unsigned int>(row.in, DataTypeId::Double, DataTypeId::UInt), row.asUInt);
    EXPECT_EQ(convert<unsigned char>(row.in, DataTypeId::Double, DataTypeId::UChar), row.asUChar);
    EXPECT_EQ(convert<char>(row.in, DataTypeId::Double, DataTypeId::Char), row.asChar);
  }
}

TEST(ConvertData, IntegersSaturateAndEveryTypeReachesDoubleExactly) {
  struct Row {
    int in;
    int asUChar, asChar;
    unsigned int asUInt;
  };
  const Row rows[] = {{INT_MIN, 0, -128, 0}, {-129, 0, -128, 0},   {-1, 0, -1, 0},
                      {200, 200, 127, 200},  {300, 255, 127, 300}, {INT_MAX, 255, 127, 2147483647U}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(convert<unsigned char>(row.in, DataTypeId::Int, DataTypeId::UChar), row.asUChar);
    EXPECT_EQ(convert<char>(row.in, DataTypeId::Int, DataTypeId::Char), row.asChar);
    EXPECT_EQ(convert<unsigned int>(row.in, DataTypeId::Int, DataTypeId::UInt), row.asUInt);
    EXPECT_EQ(convert<double>(row.in, DataTypeId::Int, DataTypeId::Double), static_cast<double>(row.in));
  }
  EXPECT_EQ(convert<int>(UINT_MAX, DataTypeId::UInt, DataTypeId::Int), INT_MAX);
  EXPECT_EQ(convert<double>(UINT_MAX, DataTypeId::UInt, DataTypeId::Double), 4294967295.0);
}

TEST(AllocateBuffer, CountsItsBlockAndRejectsOverflowingSizes) {
  const std::int64_t before = qtf::Allocator::liveBlocks();
  void* buffer = qtf::allocate_buffer(DataTypeId::Double, 10);
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before + 1);
  qtf_free(buffer);
  EXPECT_THROW(qtf::allocate_buffer(DataTypeId::Double, std::numeric_limits<std::size_t>::max() / 4), std::bad_alloc);
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
}

}  // namespace
