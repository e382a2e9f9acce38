// SPDX-License-Identifier: Apache-2.0
//
// describeOperand: how an operand of elements of T looks to the unit manager's
// propagation rules, for operators and concatenation alike.
#ifndef DATA_MANAGER_SRC_KERNEL_PROPAGATION_DESCRIBEOPERAND_HPP
#define DATA_MANAGER_SRC_KERNEL_PROPAGATION_DESCRIBEOPERAND_HPP

#include <cstddef>

#include "kernel/numeric.hpp"
#include "qtf/dimension.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace data_manager::detail {

// The operand's unit, whether every element is zero (a NaN is not; no elements count as all zero) and, for a 1-by-1
// operand, its value as scalar constant (INVALID_SCALAR_CONSTANT otherwise). Inline: every evaluation calls it.
template <typename T>
inline unit_manager::PropagateOperandInfo describeOperand(const qtf::Dimension& dimension,
                                                          const unit_manager::UnitExpression& unit,
                                                          const void* data) noexcept {
  const auto* elements = static_cast<const T*>(data);
  if (dimension.isScalar()) {
    const double value = toDouble(elements[0]);
    return unit_manager::PropagateOperandInfo(unit, value == 0.0, value);
  }
  bool isZero = true;
  const std::size_t n = dimension.getNumElements();
  for (std::size_t i = 0; i < n && isZero; ++i) {
    isZero = toDouble(elements[i]) == 0.0;
  }
  return unit_manager::PropagateOperandInfo(unit, isZero, unit_manager::PropagateOperandInfo::INVALID_SCALAR_CONSTANT);
}

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_PROPAGATION_DESCRIBEOPERAND_HPP
