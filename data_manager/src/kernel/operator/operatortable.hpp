// SPDX-License-Identifier: Apache-2.0
//
// The per-element-type operator tables and the evaluation that drives an
// operator object through its protocol. Instantiated for the five element
// types in operatortable.cpp.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATORTABLE_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATORTABLE_HPP

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueopid.hpp"
#include "kernel/operator/operator.hpp"
#include "qtf/dimension.hpp"
#include "unit_manager/unitexpression.hpp"

namespace data_manager::detail {

// One operator object per operator for element type T; entry NumValueOps is null. Built on first use, thread-safely,
// and never freed.
template <typename T>
struct OperatorTable {
  const Operator<T>* entries[ValueOpId::NumValueOps + 1];
};

template <typename T>
const OperatorTable<T>& operatorTable();

// Evaluates op on operands already in element type T: result type, result dimension, unit propagation, kernel, and
// a new resolved value that takes over the result buffer. second, secondUnit and secondData are null for one-operand
// operators.
template <typename T>
Value evaluateTyped(const Context& context, ValueOpId::Type op, const qtf::Dimension& first,
                    const unit_manager::UnitExpression& firstUnit, const void* firstData, const qtf::Dimension* second,
                    const unit_manager::UnitExpression* secondUnit, const void* secondData);

#define DATA_MANAGER_DECLARE_OPERATOR_TABLE(T)                                                                    \
  extern template const OperatorTable<T>& operatorTable<T>();                                                     \
  extern template Value evaluateTyped<T>(const Context&, ValueOpId::Type, const qtf::Dimension&,                  \
                                         const unit_manager::UnitExpression&, const void*, const qtf::Dimension*, \
                                         const unit_manager::UnitExpression*, const void*);

DATA_MANAGER_DECLARE_OPERATOR_TABLE(unsigned char)
DATA_MANAGER_DECLARE_OPERATOR_TABLE(double)
DATA_MANAGER_DECLARE_OPERATOR_TABLE(int)
DATA_MANAGER_DECLARE_OPERATOR_TABLE(unsigned int)
DATA_MANAGER_DECLARE_OPERATOR_TABLE(char)
#undef DATA_MANAGER_DECLARE_OPERATOR_TABLE

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATORTABLE_HPP
