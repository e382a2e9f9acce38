// SPDX-License-Identifier: Apache-2.0
//
// Test helpers for values: a shared context, values from text or from doubles of any element type, their elements
// back as doubles, deep copies, hashes, and the allocation-failure sweep.
#ifndef SORVEXA_TEST_VALUES_HPP
#define SORVEXA_TEST_VALUES_HPP

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "qtf/allocator.hpp"
#include "qtf/hasher.hpp"
#include "sorvexa_test/integers.hpp"
#include "sorvexa_test/types.hpp"
#include "unit_manager/context.hpp"

namespace sorvexa_test {

using data_manager::Value;
using data_manager::ValueTraitId;
using qtf::DataTypeId;
using qtf::Dimension;

// The element types, in DataTypeId order.
inline constexpr DataTypeId::Type kElementTypes[] = {DataTypeId::UChar, DataTypeId::Double, DataTypeId::Int,
                                                     DataTypeId::UInt, DataTypeId::Char};

// The context every value test binds to: standard units, time unit s. It lives for the whole test program.
inline const data_manager::Context& context() {
  static const unit_manager::StandardContext unitContext;
  static const std::unique_ptr<data_manager::Context> instance(data_manager::Context::create(unitContext));
  return *instance;
}

// Made while the test program starts, so that no test's allocation count sees the context being built.
inline const data_manager::Context& gContextAtStartup = context();

inline unit_manager::UnitExpression unit(const std::string& text) { return unit_manager::UnitExpression::parse(text); }

// A resolved value read from its text form in the shared context.
inline Value value(const std::string& text) { return Value(context(), text); }

// A resolved value of type holding xs row by row. For the integer types the doubles must be whole numbers; they are
// wrapped into the type.
inline Value valueOf(DataTypeId::Type type, const Dimension& dimension, const std::vector<double>& xs,
                     const std::string& unitText = "1", const data_manager::Context& ctx = context()) {
  EXPECT_EQ(xs.size(), dimension.getNumElements()) << "test data does not fill " << dimension.str();
  return visitType(type, [&](auto zero) {
    using T = decltype(zero);
    std::vector<T> data;
    for (const double x : xs) {
      if constexpr (std::is_same_v<T, double>) {
        data.push_back(x);
      } else {
        data.push_back(wrapTo<T>(static_cast<std::int64_t>(x)));
      }
    }
    return Value(ctx, ValueTraitId::Resolved, type, dimension, unit(unitText), data.empty() ? nullptr : data.data());
  });
}

// A 1-by-n value, or 0-by-0 for no elements.
inline Value rowOf(DataTypeId::Type type, const std::vector<double>& xs, const data_manager::Context& ctx = context()) {
  const auto n = static_cast<std::uint32_t>(xs.size());
  return valueOf(type, Dimension(n == 0 ? 0 : 1, n), xs, "1", ctx);
}

// The elements of a resolved value of any type, exactly, as doubles.
inline std::vector<double> asDoubles(const Value& v) {
  std::vector<double> xs(v.getDimension().getNumElements());
  qtf::convert_data(xs.size(), v.getDataType(), v.getGenericValue(), DataTypeId::Double, xs.data());
  return xs;
}

inline Value unresolved(DataTypeId::Type type, const Dimension& dimension, const std::string& unitText = "1") {
  return Value(context(), ValueTraitId::Unresolved, type, dimension, unit(unitText), nullptr);
}

// A resolved value with its own copy of v's elements, type, dimension and unit.
inline Value deepCopy(const Value& v) {
  return Value(v.getContext(), ValueTraitId::Resolved, v.getDataType(), v.getDimension(), v.getUnit(),
               v.getGenericValue());
}

inline std::uint64_t hashOf(const Value& v) {
  qtf::Hasher hasher;
  v.hash(hasher);
  return hasher.getHash();
}

// Runs operation with allocation 1, 2, 3, ... failing in turn until it completes without a failure. After each
// failure it expects std::bad_alloc to have left the operation, the live-block count to be back where it started,
// and check() (the caller's expectations on the operands) to hold. Returns the number of allocation points swept.
template <typename Operation, typename Check>
int sweepAllocationFailures(Operation&& operation, Check&& check) {
  for (std::uint64_t n = 1; n < 100000; ++n) {
    const std::int64_t before = qtf::Allocator::liveBlocks();
    qtf::Allocator::failAllocation(n);
    bool failed = false;
    try {
      operation();
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    const bool reached = !qtf::Allocator::failurePending();
    qtf::Allocator::failAllocation(0);
    EXPECT_EQ(qtf::Allocator::liveBlocks(), before) << "allocation point " << n;
    if (!reached) {
      EXPECT_FALSE(failed) << "bad_alloc without a failed allocation at point " << n;
      return static_cast<int>(n - 1);
    }
    EXPECT_TRUE(failed) << "allocation point " << n << " failed but the operation reported success";
    check();
  }
  ADD_FAILURE() << "the operation never completed";
  return 0;
}

}  // namespace sorvexa_test

#endif  // SORVEXA_TEST_VALUES_HPP
