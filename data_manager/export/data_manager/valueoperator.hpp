// SPDX-License-Identifier: Apache-2.0
//
// ValueOperator: the front door of the 42 operators. It converts the second
// operand to the first operand's element type, which decides the evaluation,
// and dispatches to that type's operator table.
#ifndef DATA_MANAGER_EXPORT_VALUEOPERATOR_HPP
#define DATA_MANAGER_EXPORT_VALUEOPERATOR_HPP

#include <string>

#include "data_manager/data_manager_export.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueopid.hpp"

namespace data_manager {

class DATA_MANAGER_EXPORT ValueOperator {
 public:
  // 1 or 2 for the operators, 0 for NumValueOps and any value outside the enumeration.
  static unsigned int getNumOperands(ValueOpId::Type op) noexcept;

  // The operator's lower-case name ("plus", "mldivide", "atan2"); the reference stays valid for the life of the
  // process. Throws "data_manager:value:InvalidOperator" outside 0..41.
  static const std::string& getName(ValueOpId::Type op);

  // Evaluates op into a new resolved value bound to first's context; second is not looked at by one-operand
  // operators. Throws, in this order: "data_manager:value:InvalidOperator", "...QueryUnresolvedValue", the dimension
  // errors ("...InvalidBinaryOperatorDimension" and others), "...InvalidMathOperatorType" (math on a non-double first
  // operand), the unit manager's propagation errors, "...CanNotConvertNanToLogical" (And, Or, Not on NaN) and
  // "...IntegerDivisionByZero". The operands are never changed.
  static Value call(ValueOpId::Type op, const Value& first, const Value& second);
};

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_VALUEOPERATOR_HPP
