// SPDX-License-Identifier: Apache-2.0
//
// Test helpers for operators: values of an element type chosen at run time, an
// integer reference that wraps as the element types do, and a unit context
// whose propagation rules hand out chosen scale factors and remember what they
// were given.
#ifndef SORVEXA_TEST_OPERATORS_HPP
#define SORVEXA_TEST_OPERATORS_HPP

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "sorvexa_test/values.hpp"
#include "unit_manager/context.hpp"

namespace sorvexa_test {

using ElementTypes = ::testing::Types<unsigned char, double, int, unsigned int, char>;

inline data_manager::Value call(data_manager::ValueOpId::Type op, const data_manager::Value& first,
                                const data_manager::Value& second) {
  return data_manager::ValueOperator::call(op, first, second);
}
// One-operand operators: the operand is passed twice and the second is not looked at.
inline data_manager::Value call(data_manager::ValueOpId::Type op, const data_manager::Value& first) {
  return data_manager::ValueOperator::call(op, first, first);
}

// x reduced modulo 2^w into T, w the width of T, without relying on a narrowing conversion.
template <typename T>
T wrapTo(std::int64_t x) {
  const std::uint64_t modulus = std::uint64_t{1} << std::numeric_limits<std::make_unsigned_t<T>>::digits;
  const std::uint64_t r = static_cast<std::uint64_t>(x) % modulus;  // x mod 2^64, then mod 2^w
  if (std::is_signed_v<T> && r >= modulus / 2) {
    return static_cast<T>(static_cast<std::int64_t>(r) - static_cast<std::int64_t>(modulus));
  }
  return static_cast<T>(r);
}

// Calls f with a zero of the C++ type that stores type.
template <typename Fcn>
auto visitType(qtf::DataTypeId::Type type, Fcn&& f) {
  switch (type) {
    case qtf::DataTypeId::UChar:
      return f(static_cast<unsigned char>(0));
    case qtf::DataTypeId::Double:
      return f(0.0);
    case qtf::DataTypeId::Int:
      return f(0);
    case qtf::DataTypeId::UInt:
      return f(0U);
    default:
      return f('\0');
  }
}

// A resolved value of type in ctx. Elements are given as doubles; for the integer types they must be whole numbers
// and are wrapped into the type.
inline data_manager::Value valueOf(qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                   const std::vector<double>& xs, const std::string& unitText = "1",
                                   const data_manager::Context& ctx = context()) {
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
    return data_manager::Value(ctx, data_manager::ValueTraitId::Resolved, type, dimension, unit(unitText),
                               data.empty() ? nullptr : data.data());
  });
}

// A 1-by-n value, or 0-by-0 for no elements.
inline data_manager::Value rowOf(qtf::DataTypeId::Type type, const std::vector<double>& xs,
                                 const data_manager::Context& ctx = context()) {
  const auto n = static_cast<std::uint32_t>(xs.size());
  return valueOf(type, qtf::Dimension(n == 0 ? 0 : 1, n), xs, "1", ctx);
}

// The elements of a resolved value of any type, exactly, as doubles.
inline std::vector<double> asDoubles(const data_manager::Value& v) {
  return visitType(v.getDataType(), [&](auto zero) {
    const auto* first = static_cast<const decltype(zero)*>(v.getGenericValue());
    return std::vector<double>(first, first + v.getDimension().getNumElements());
  });
}

// Bitwise agreement up to the NaN payload: both NaN, or equal with the same sign (so -0 differs from 0).
inline bool sameDoubles(const std::vector<double>& a, const std::vector<double>& b) {
  bool same = a.size() == b.size();
  for (std::size_t i = 0; same && i < a.size(); ++i) {
    same = (std::isnan(a[i]) && std::isnan(b[i])) || (a[i] == b[i] && std::signbit(a[i]) == std::signbit(b[i]));
  }
  return same;
}

// A unit context (standard units, time unit s) whose every propagation rule writes the chosen factors, returns the
// first operand's unit, and records the descriptions and the number of factors it was handed.
class ChosenFactorContext : public unit_manager::StandardContext {
 public:
  ChosenFactorContext() : mRule(*this), mContext(data_manager::Context::create(*this)) {}

  void setFactors(double first, double second) { mFactors = {first, second}; }
  const data_manager::Context& context() const { return *mContext; }
  const std::vector<unit_manager::PropagateOperandInfo>& lastOperands() const { return mOperands; }
  std::size_t lastFactorCount() const { return mFactorCount; }
  const unit_manager::UnitPropagationRule* propagationRule(int) const override { return &mRule; }

 private:
  class Rule : public unit_manager::UnitPropagationRule {
   public:
    explicit Rule(const ChosenFactorContext& owner) : mOwner(owner) {}
    unit_manager::UnitExpression propagate(const std::vector<unit_manager::PropagateOperandInfo>& operands,
                                           std::vector<double>& factors) const override {
      mOwner.mOperands = operands;
      mOwner.mFactorCount = factors.size();
      for (std::size_t i = 0; i < factors.size() && i < 2; ++i) {
        factors[i] = mOwner.mFactors[i];
      }
      return operands.front().unit();
    }
    int index() const noexcept override { return -1; }

   private:
    const ChosenFactorContext& mOwner;
  };

  Rule mRule;
  std::unique_ptr<data_manager::Context> mContext;
  std::vector<double> mFactors{1.0, 1.0};
  mutable std::vector<unit_manager::PropagateOperandInfo> mOperands;
  mutable std::size_t mFactorCount = 0;
};

}  // namespace sorvexa_test

#endif  // SORVEXA_TEST_OPERATORS_HPP
