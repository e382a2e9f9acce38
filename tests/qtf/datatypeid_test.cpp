// SPDX-License-Identifier: Apache-2.0
#include "qtf/datatypeid.hpp"

#include <gtest/gtest.h>

#include <cmath>
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

TEST(DataTypeNames, EveryTypeReadsBackFromBothSpellings) {
  const std::size_t sizes[] = {1, 8, 4, 4, 1};
  for (int i = 0; i < DataTypeId::NumTypes; ++i) {
    const auto t = static_cast<DataTypeId::Type>(i);
    EXPECT_EQ(qtf::type_from_string(qtf::get_type_name(t)), t);
    EXPECT_EQ(qtf::type_from_string(qtf::get_type_name_lower(t)), t);
    EXPECT_EQ(qtf::get_type_size(t), sizes[i]);
  }
}

TEST(DataTypeNames, InvalidTypesThrowInsteadOfIndexingPastTheTables) {
  EXPECT_THROW_ID(qtf::get_type_size(DataTypeId::Unknown), "qtf:type:InvalidDataType");
  EXPECT_THROW_ID(qtf::get_type_name(static_cast<DataTypeId::Type>(5)), "qtf:type:InvalidDataType");
  EXPECT_THROW_ID(qtf::get_type_name_lower(static_cast<DataTypeId::Type>(-7)), "qtf:type:InvalidDataType");
}

template <typename Tout>
Tout fromDouble(double v, DataTypeId::Type to) {
  Tout out{};
  qtf::convert_data(1, DataTypeId::Double, &v, to, &out);
  return out;
}

TEST(ConvertData, DoubleToIntegerRoundsHalfAwayFromZeroAndSaturates) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    double in;
    int asInt;
    unsigned int asUInt;
    int asUChar;
    int asChar;
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
      {2147483647.4, 2147483647, 2147483647U, 255, 127},
      {2147483648.0, 2147483647, 2147483648U, 255, 127},
      {-2147483649.0, -2147483647 - 1, 0, 0, -128},
      {4294967296.0, 2147483647, 4294967295U, 255, 127},
      {1e308, 2147483647, 4294967295U, 255, 127},
      {inf, 2147483647, 4294967295U, 255, 127},
      {-inf, -2147483647 - 1, 0, 0, -128},
      {nan, 0, 0, 0, 0},
      {-0.0, 0, 0, 0, 0},
      {std::numeric_limits<double>::denorm_min(), 0, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(fromDouble<int>(row.in, DataTypeId::Int), row.asInt);
    EXPECT_EQ(fromDouble<unsigned int>(row.in, DataTypeId::UInt), row.asUInt);
    EXPECT_EQ(fromDouble<unsigned char>(row.in, DataTypeId::UChar), row.asUChar);
    EXPECT_EQ(fromDouble<char>(row.in, DataTypeId::Char), row.asChar);
  }
}

TEST(ConvertData, IntegersSaturateAndEveryTypeReachesDoubleExactly) {
  const int ints[] = {-2147483647 - 1, -129, -1, 0, 200, 300, 2147483647};
  unsigned char uchars[7];
  char chars[7];
  unsigned int uints[7];
  double doubles[7];
  qtf::convert_data(7, DataTypeId::Int, ints, DataTypeId::UChar, uchars);
  qtf::convert_data(7, DataTypeId::Int, ints, DataTypeId::Char, chars);
  qtf::convert_data(7, DataTypeId::Int, ints, DataTypeId::UInt, uints);
  qtf::convert_data(7, DataTypeId::Int, ints, DataTypeId::Double, doubles);
  const int expectUChar[] = {0, 0, 0, 0, 200, 255, 255};
  const int expectChar[] = {-128, -128, -1, 0, 127, 127, 127};
  const unsigned int expectUInt[] = {0, 0, 0, 0, 200, 300, 2147483647U};
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(ints[i]);
    EXPECT_EQ(uchars[i], expectUChar[i]);
    EXPECT_EQ(chars[i], expectChar[i]);
    EXPECT_EQ(uints[i], expectUInt[i]);
    EXPECT_EQ(doubles[i], static_cast<double>(ints[i]));
  }
  const unsigned int bigUInt[] = {4294967295U};
  int asInt = 0;
  double asDouble = 0;
  qtf::convert_data(1, DataTypeId::UInt, bigUInt, DataTypeId::Int, &asInt);
  qtf::convert_data(1, DataTypeId::UInt, bigUInt, DataTypeId::Double, &asDouble);
  EXPECT_EQ(asInt, 2147483647);
  EXPECT_EQ(asDouble, 4294967295.0);
}

TEST(AllocateBuffer, CountsItsBlockAndRejectsOverflowingSizes) {
  const std::int64_t before = qtf::Allocator::liveBlocks();
  void* buffer = qtf::allocate_buffer(DataTypeId::Double, 10);
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before + 1);
  qtf_free(buffer);
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
  EXPECT_THROW(qtf::allocate_buffer(DataTypeId::Double, std::numeric_limits<std::size_t>::max() / 4), std::bad_alloc);
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
}

}  // namespace
