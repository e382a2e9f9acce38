// SPDX-License-Identifier: Apache-2.0
//
// Type records: construction, equality, hashing and assignment, and the unit conversion of typed buffers. The errors
// of a conversion are checked through Value::createConvertedValue, in compare_test.cpp.
#include "data_manager/datatyperec.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::DataTypeRec;
using namespace sorvexa_test;

// Dimensionless units that convert to "1" by exactly 1/2 and 2: (3600 * 0.3048) / (86400 * 0.0254) = 1/2.
constexpr const char* kHalf = "h*ft/(d*in)";
constexpr const char* kTwice = "d*in/(h*ft)";

// in, a 1-by-n row in unit from, converted by a variable record of T's type in unit to.
template <typename T>
std::vector<T> convert(const std::vector<T>& in, const char* from, const char* to, bool affine = false) {
  const DataTypeRec record(context(), typeOf<T>(), unit(to));
  const Dimension dimension(1, static_cast<std::uint32_t>(in.size()));
  const auto [block, resultDimension] = record.convertData(typeOf<T>(), dimension, unit(from), in.data(), affine);
  const std::vector<T> out(static_cast<const T*>(block), static_cast<const T*>(block) + in.size());
  qtf_free(block);
  EXPECT_EQ(resultDimension, dimension);
  return out;
}

std::uint64_t hashOf(const DataTypeRec& record) {
  qtf::Hasher hasher;
  record.hash(hasher);
  return hasher.getHash();
}

// A second context, to show that records compare and assign without regard to their contexts.
const data_manager::Context& otherContext() {
  static const unit_manager::StandardContext hours(unit_manager::findUnit("h"));
  static const std::unique_ptr<data_manager::Context> instance(data_manager::Context::create(hours));
  return *instance;
}
// Made at start-up, so that no test's allocation count sees it being built.
const data_manager::Context& gOtherContextAtStartup = otherContext();

TEST(DataTypeRec, ConstructorsRejectInvalidTypesAndLeakNothing) {
  const unit_manager::UnitExpression metre = unit("m");
  const std::int64_t before = qtf::Allocator::liveBlocks();
  for (const auto type : {static_cast<DataTypeId::Type>(-1), static_cast<DataTypeId::Type>(DataTypeId::NumTypes)}) {
    EXPECT_THROW_ID(DataTypeRec(context(), type, Dimension(1, 1)), "data_manager:value:InvalidDataType");
    EXPECT_THROW_ID(DataTypeRec(context(), type, Dimension(1, 1), metre), "data_manager:value:InvalidDataType");
    EXPECT_THROW_ID(DataTypeRec(context(), type, metre), "data_manager:value:InvalidDataType");
  }
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
  EXPECT_EQ(DataTypeRec(context(), DataTypeId::Int, Dimension(2, 3)),
            DataTypeRec(context(), DataTypeId::Int, Dimension(2, 3), unit("1")));
}

TEST(DataTypeRec, EqualityAndHashSeeTypeFlagDimensionAndUnitButNotTheContext) {
  // A variable record reports 0-by-0 too, so it differs from this one in its flag alone.
  const DataTypeRec base(context(), DataTypeId::Double, Dimension(0, 0), unit("m"));
  struct Row {
    const char* name;
    DataTypeRec other;
    bool equal;
  };
  const Row rows[] = {
      {"copy", DataTypeRec(base), true},
      {"other context", DataTypeRec(otherContext(), DataTypeId::Double, Dimension(0, 0), unit("m")), true},
      {"variable flag", DataTypeRec(context(), DataTypeId::Double, unit("m")), false},
      {"type", DataTypeRec(context(), DataTypeId::Int, Dimension(0, 0), unit("m")), false},
      {"dimension", DataTypeRec(context(), DataTypeId::Double, Dimension(0, 1), unit("m")), false},
      {"unit", DataTypeRec(context(), DataTypeId::Double, Dimension(0, 0), unit("km")), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(base == row.other, row.equal);
    EXPECT_EQ(base != row.other, !row.equal);
    EXPECT_EQ(hashOf(base) == hashOf(row.other), row.equal);
  }
}

TEST(DataTypeRec, AssignmentTakesEverythingButTheContext) {
  const DataTypeRec source(context(), DataTypeId::Double, unit("km"));
  const std::int64_t before = qtf::Allocator::liveBlocks();
  {
    DataTypeRec target(otherContext(), DataTypeId::Int, Dimension(2, 2));
    target = DataTypeRec(source);
    EXPECT_EQ(&target.getContext(), &otherContext());
    EXPECT_EQ(target, source);
    const DataTypeRec& alias = target;
    target = alias;
    EXPECT_EQ(target, source);
  }
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
}

TEST(ConvertData, IntegerTypesTruncateTowardZeroAndKeepTheLowBits) {
  EXPECT_EQ(convert<int>({3, -3, 7, -7}, kHalf, "1"), (std::vector<int>{1, -1, 3, -3}));
  EXPECT_EQ(convert<int>({1 << 30, -(1 << 30) - 1, INT_MIN}, kTwice, "1"), (std::vector<int>{INT_MIN, INT_MAX - 1, 0}));
  EXPECT_EQ(convert<unsigned char>({200, 255, 3}, kTwice, "1"), (std::vector<unsigned char>{144, 254, 6}));
  EXPECT_EQ(convert<char>({-100, 100, -3}, kTwice, "1"), (std::vector<char>{56, -56, -6}));
  EXPECT_EQ(convert<char>({-3, 127}, kHalf, "1"), (std::vector<char>{-1, 63}));
  EXPECT_EQ(convert<unsigned>({UINT_MAX, 1u << 31, 5u}, kTwice, "1"), (std::vector<unsigned>{UINT_MAX - 1, 0u, 10u}));
  EXPECT_EQ(convert<int>({0, 10, -300}, "degC", "K", true), (std::vector<int>{273, 283, -26}));
  // (Ym/ym)^6 scales by 1e288, beyond the range of every integer.
  EXPECT_EQ(convert<int>({1, -1, INT_MAX}, "(Ym/ym)^6", "1"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(convert<unsigned char>({1, 255}, "(Ym/ym)^6", "1"), (std::vector<unsigned char>{0, 0}));
}

TEST(ConvertData, DoublesKeepSignedZeroInfinitiesAndNaN) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::vector<double> same = convert<double>({-0.0, kInf, -kInf, std::nan("")}, "m", "m", true);
  EXPECT_TRUE(same[0] == 0.0 && std::signbit(same[0]));
  EXPECT_EQ(same[1], kInf);
  EXPECT_EQ(same[2], -kInf);
  EXPECT_TRUE(std::isnan(same[3]));
}

}  // namespace
