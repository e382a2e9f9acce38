// SPDX-License-Identifier: Apache-2.0
//
// Type records: construction, equality, hashing and assignment, and the unit conversion of typed buffers.
#include "data_manager/datatyperec.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data_manager/context.hpp"
#include "kernel/numeric.hpp"
#include "qtf/allocator.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"
#include "unit_manager/context.hpp"

namespace {

using data_manager::DataTypeRec;
using qtf::DataTypeId;
using qtf::Dimension;
using namespace sorvexa_test;

// Dimensionless units that convert to "1" by exactly 1/2 and 2: (3600 * 0.3048) / (86400 * 0.0254) = 1/2.
constexpr const char* kHalf = "h*ft/(d*in)";
constexpr const char* kTwice = "d*in/(h*ft)";

struct BufferDeleter {
  void operator()(void* block) const noexcept { qtf_free(block); }
};
using Buffer = std::unique_ptr<void, BufferDeleter>;

// in, a 1-by-n row in unit from, converted by a variable record of T's type in unit to.
template <typename T>
std::vector<T> convert(const std::vector<T>& in, const char* from, const char* to, bool affine = false) {
  const DataTypeRec record(context(), typeOf<T>(), unit(to));
  const Dimension dimension(1, static_cast<std::uint32_t>(in.size()));
  const auto [block, resultDimension] = record.convertData(typeOf<T>(), dimension, unit(from), in.data(), affine);
  const Buffer owned(block);
  EXPECT_EQ(resultDimension, dimension);
  return std::vector<T>(static_cast<const T*>(block), static_cast<const T*>(block) + in.size());
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

TEST(DataTypeRec, ConstructorsSetTypeFlagDimensionAndUnitAndRejectInvalidTypes) {
  const DataTypeRec fixedDefault(context(), DataTypeId::Int, Dimension(2, 3));
  const DataTypeRec fixed(otherContext(), DataTypeId::UInt, Dimension(3, 1), unit("km"));
  const DataTypeRec variable(context(), DataTypeId::Char, unit("s"));
  const DataTypeRec copy(fixed);
  EXPECT_EQ(fixedDefault, DataTypeRec(context(), DataTypeId::Int, Dimension(2, 3), unit("1")));
  EXPECT_FALSE(fixed.isVariable());
  EXPECT_TRUE(variable.isVariable());
  EXPECT_EQ(variable.getDimension(), Dimension(0, 0));
  EXPECT_EQ(copy, fixed);
  EXPECT_EQ(&copy.getContext(), &otherContext());
  const unit_manager::UnitExpression metre = unit("m");
  const std::int64_t before = qtf::Allocator::liveBlocks();
  for (const auto type : {static_cast<DataTypeId::Type>(-1), static_cast<DataTypeId::Type>(DataTypeId::NumTypes)}) {
    EXPECT_THROW_ID(DataTypeRec(context(), type, Dimension(1, 1)), "data_manager:value:InvalidDataType");
    EXPECT_THROW_ID(DataTypeRec(context(), type, Dimension(1, 1), metre), "data_manager:value:InvalidDataType");
    EXPECT_THROW_ID(DataTypeRec(context(), type, metre), "data_manager:value:InvalidDataType");
  }
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
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
      {"same", DataTypeRec(context(), DataTypeId::Double, Dimension(0, 0), unit("m")), true},
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
  const data_manager::Context& other = otherContext();  // made before the blocks are counted, like the next two
  const DataTypeRec source(context(), DataTypeId::Double, unit("km"));
  const std::int64_t before = qtf::Allocator::liveBlocks();
  {
    DataTypeRec target(other, DataTypeId::Int, Dimension(2, 2));
    {
      const DataTypeRec temporary(source);
      target = temporary;
    }
    EXPECT_EQ(&target.getContext(), &other);
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
  EXPECT_EQ(convert<unsigned char>({255, 3}, kHalf, "1"), (std::vector<unsigned char>{127, 1}));
  EXPECT_EQ(convert<char>({-100, 100, -3}, kTwice, "1"), (std::vector<char>{56, -56, -6}));
  EXPECT_EQ(convert<char>({-3, 127}, kHalf, "1"), (std::vector<char>{-1, 63}));
  EXPECT_EQ(convert<unsigned>({UINT_MAX, 1u << 31, 5u}, kTwice, "1"), (std::vector<unsigned>{UINT_MAX - 1, 0u, 10u}));
  EXPECT_EQ(convert<unsigned>({UINT_MAX}, kHalf, "1"), (std::vector<unsigned>{UINT_MAX / 2}));
  EXPECT_EQ(convert<int>({0, 10, -300}, "degC", "K", true), (std::vector<int>{273, 283, -26}));
  // (Ym/ym)^6 scales by 1e288, beyond the range of every integer.
  EXPECT_EQ(convert<int>({1, -1, INT_MAX}, "(Ym/ym)^6", "1"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(convert<unsigned char>({1, 255}, "(Ym/ym)^6", "1"), (std::vector<unsigned char>{0, 0}));
}

// The element type never changes, so a NaN or an infinity reaches the integer store only through the shared helper.
TEST(ConvertData, NonFiniteAndHugeResultsStoreZeroInEveryIntegerType) {
  using data_manager::truncateWrapped;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  for (const double r : {std::nan(""), kInf, -kInf, 1e300, -1e300, 0x1p63}) {
    SCOPED_TRACE(r);
    EXPECT_EQ(truncateWrapped<int>(r), 0);
    EXPECT_EQ(truncateWrapped<unsigned>(r), 0u);
    EXPECT_EQ(truncateWrapped<char>(r), 0);
    EXPECT_EQ(truncateWrapped<unsigned char>(r), 0);
  }
  EXPECT_EQ(truncateWrapped<int>(0x1p31), INT_MIN);
  EXPECT_EQ(truncateWrapped<unsigned>(0x1p32 + 5), 5u);
  EXPECT_EQ(truncateWrapped<unsigned>(-1.5), UINT_MAX);
}

TEST(ConvertData, DoublesScaleExactlyAndOnlyAffineAddsTheOffset) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::vector<double> same = convert<double>({-0.0, kInf, -kInf, std::nan("")}, "m", "m", true);
  EXPECT_TRUE(same[0] == 0.0 && std::signbit(same[0]));
  EXPECT_EQ(same[1], kInf);
  EXPECT_EQ(same[2], -kInf);
  EXPECT_TRUE(std::isnan(same[3]));
  EXPECT_EQ(convert<double>({0.001, 1.5, -2.25}, "km", "m"), (std::vector<double>{1, 1500, -2250}));
  EXPECT_EQ(convert<double>({0, -273.15, 5}, "degC", "K", false), (std::vector<double>{0, -273.15, 5}));
  EXPECT_EQ(convert<double>({0, -273.15}, "degC", "K", true), (std::vector<double>{273.15, 0}));
  EXPECT_EQ(convert<double>({212, 32}, "degF", "degC", true), (std::vector<double>{100, 0}));
}

TEST(ConvertData, MismatchesFailBeforeAnythingIsAllocated) {
  const double data[] = {1, 2, 3, 4, 5, 6};
  struct Row {
    DataTypeRec record;
    Dimension dimension;
    const char* id;
  };
  const Row rows[] = {
      {DataTypeRec(context(), DataTypeId::Int, unit("m")), Dimension(2, 3),
       "data_manager:data_type_rec:InvalidDataTypeConversion"},
      {DataTypeRec(context(), DataTypeId::Double, Dimension(3, 2), unit("m")), Dimension(2, 3),
       "data_manager:data_type_rec:InconsistentDimensions"},
      // No scalar expansion.
      {DataTypeRec(context(), DataTypeId::Double, Dimension(2, 2), unit("m")), Dimension(1, 1),
       "data_manager:data_type_rec:InconsistentDimensions"},
      // The type is checked first.
      {DataTypeRec(context(), DataTypeId::Int, Dimension(3, 2), unit("m")), Dimension(2, 3),
       "data_manager:data_type_rec:InvalidDataTypeConversion"},
  };
  const unit_manager::UnitExpression kilometre = unit("km");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    const std::uint64_t allocations = qtf::Allocator::allocationCount();
    EXPECT_EQ(thrownMessage([&] { row.record.convertData(DataTypeId::Double, row.dimension, kilometre, data, false); }),
              (std::vector<std::string>{row.id, "", "", "", ""}));
    EXPECT_EQ(qtf::Allocator::allocationCount(), allocations);
  }
  const DataTypeRec seconds(context(), DataTypeId::Double, unit("s"));
  EXPECT_THROW_ID(seconds.convertData(DataTypeId::Double, Dimension(2, 3), kilometre, data, false),
                  "unit_manager:unit:IncommensurateUnits");
}

TEST(ConvertData, AlwaysYieldsAFreshBufferOfTheResultDimension) {
  const std::vector<int> data = {1, -2, 3, -4, 5, -6};
  const DataTypeRec variable(context(), DataTypeId::Int, unit("m"));
  const DataTypeRec fixedEmpty(context(), DataTypeId::Int, Dimension(0, 0), unit("m"));
  struct Row {
    const DataTypeRec& record;
    Dimension dimension;
  };
  const Row rows[] = {{variable, Dimension(2, 3)},
                      {variable, Dimension(6, 1)},
                      {variable, Dimension(0, 3)},
                      {variable, Dimension(2, 0)},
                      {fixedEmpty, Dimension(0, 0)}};
  const unit_manager::UnitExpression metre = unit("m");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dimension.str());
    const std::int64_t before = qtf::Allocator::liveBlocks();
    const auto [block, dimension] = row.record.convertData(DataTypeId::Int, row.dimension, metre, data.data(), true);
    const Buffer owned(block);
    EXPECT_EQ(qtf::Allocator::liveBlocks(), before + 1);
    EXPECT_NE(block, static_cast<const void*>(data.data()));
    EXPECT_EQ(dimension, row.dimension);
    const auto* first = static_cast<const int*>(block);
    EXPECT_EQ(std::vector<int>(first, first + dimension.getNumElements()),
              std::vector<int>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(dimension.getNumElements())));
  }
}

}  // namespace
