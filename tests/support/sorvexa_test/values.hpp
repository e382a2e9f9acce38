// SPDX-License-Identifier: Apache-2.0
//
// Test helpers for values: a shared context, values from text, deep copies,
// and the allocation-failure sweep.
#ifndef SORVEXA_TEST_VALUES_HPP
#define SORVEXA_TEST_VALUES_HPP

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "qtf/allocator.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/hasher.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace sorvexa_test {

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
inline data_manager::Value value(const std::string& text) { return data_manager::Value(context(), text); }

// A resolved value with its own copy of v's elements, type, dimension and unit.
inline data_manager::Value deepCopy(const data_manager::Value& v) {
  return data_manager::Value(v.getContext(), data_manager::ValueTraitId::Resolved, v.getDataType(), v.getDimension(),
                             v.getUnit(), v.getGenericValue());
}

// The element type that stores T.
template <typename T>
constexpr qtf::DataTypeId::Type typeOf() {
  if constexpr (std::is_same_v<T, unsigned char>) {
    return qtf::DataTypeId::UChar;
  } else if constexpr (std::is_same_v<T, double>) {
    return qtf::DataTypeId::Double;
  } else if constexpr (std::is_same_v<T, int>) {
    return qtf::DataTypeId::Int;
  } else if constexpr (std::is_same_v<T, unsigned int>) {
    return qtf::DataTypeId::UInt;
  } else {
    static_assert(std::is_same_v<T, char>, "no element type stores T");
    return qtf::DataTypeId::Char;
  }
}

// A resolved value of T's element type holding elements row by row, in unitText.
template <typename T>
data_manager::Value makeValue(const qtf::Dimension& dimension, const std::vector<T>& elements,
                              const std::string& unitText = "1") {
  EXPECT_EQ(elements.size(), dimension.getNumElements()) << "test data does not fill " << dimension.str();
  return data_manager::Value(context(), data_manager::ValueTraitId::Resolved, typeOf<T>(), dimension, unit(unitText),
                             elements.empty() ? nullptr : elements.data());
}

// An unresolved value of type in unitText.
inline data_manager::Value unresolved(qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                      const std::string& unitText = "1") {
  return data_manager::Value(context(), data_manager::ValueTraitId::Unresolved, type, dimension, unit(unitText),
                             nullptr);
}

// The elements of a resolved value, row by row.
template <typename T>
std::vector<T> elements(const data_manager::Value& v) {
  const auto* first = static_cast<const T*>(v.getGenericValue());
  return std::vector<T>(first, first + v.getDimension().getNumElements());
}

inline std::uint64_t hashOf(const data_manager::Value& v) {
  qtf::Hasher hasher;
  v.hash(hasher);
  return hasher.getHash();
}

// Runs operation with allocation 1, 2, 3, ... failing in turn until it completes without a failure. After each
// failure it expects std::bad_alloc to have left the operation, the live-block count to be back where it started,
// and check() (the caller's expectations on the operands) to hold. operation must release whatever it builds on
// success. Returns the number of allocation points swept.
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
