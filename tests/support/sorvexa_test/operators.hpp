// SPDX-License-Identifier: Apache-2.0
//
// Test helpers for operators: the call in one- and two-operand form, bitwise agreement of doubles, and a unit
// context whose propagation rules hand out chosen scale factors and remember what they were asked.
#ifndef SORVEXA_TEST_OPERATORS_HPP
#define SORVEXA_TEST_OPERATORS_HPP

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "data_manager/valueoperator.hpp"
#include "sorvexa_test/values.hpp"

namespace sorvexa_test {

using data_manager::ValueOperator;
using data_manager::ValueOpId;

inline Value call(ValueOpId::Type op, const Value& first, const Value& second) {
  return ValueOperator::call(op, first, second);
}
// One-operand operators: the operand is passed twice and the second is not looked at.
inline Value call(ValueOpId::Type op, const Value& first) { return ValueOperator::call(op, first, first); }

// Bitwise agreement up to the NaN payload: both NaN, or equal with the same sign (so -0 differs from 0).
inline bool sameDoubles(const std::vector<double>& a, const std::vector<double>& b) {
  bool same = a.size() == b.size();
  for (std::size_t i = 0; same && i < a.size(); ++i) {
    same = (std::isnan(a[i]) && std::isnan(b[i])) || (a[i] == b[i] && std::signbit(a[i]) == std::signbit(b[i]));
  }
  return same;
}

// A unit context (standard units, time unit s) whose every propagation rule writes the chosen factors and returns the
// first operand's unit. It records the index of the rule last asked for, and the operands and factor count handed
// to it.
class ChosenFactorContext : public unit_manager::StandardContext, unit_manager::UnitPropagationRule {
 public:
  ChosenFactorContext() : mContext(data_manager::Context::create(*this)) {}
  void setFactors(double first, double second) { mFactors = {first, second}; }
  const data_manager::Context& context() const { return *mContext; }

  const unit_manager::UnitPropagationRule* propagationRule(int index) const override {
    lastRule = index;
    return this;
  }
  unit_manager::UnitExpression propagate(const std::vector<unit_manager::PropagateOperandInfo>& operands,
                                         std::vector<double>& factors) const override {
    lastOperands = operands;
    lastFactorCount = factors.size();
    for (std::size_t i = 0; i < factors.size() && i < 2; ++i) factors[i] = mFactors[i];
    return operands.front().unit();
  }
  int index() const noexcept override { return -1; }

  mutable int lastRule = -1;
  mutable std::vector<unit_manager::PropagateOperandInfo> lastOperands;
  mutable std::size_t lastFactorCount = 0;

 private:
  std::unique_ptr<data_manager::Context> mContext;
  std::vector<double> mFactors{1.0, 1.0};
};

}  // namespace sorvexa_test

#endif  // SORVEXA_TEST_OPERATORS_HPP
