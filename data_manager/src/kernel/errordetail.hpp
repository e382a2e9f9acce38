// SPDX-License-Identifier: Apache-2.0
//
// Errors whose four arguments stay empty while their sentence names the shapes or types involved ("The operands'
// dimensions do not agree: 2x2 and 1x3"). Each is out of line and [[noreturn]], so only a failing call builds text.
#ifndef DATA_MANAGER_SRC_KERNEL_ERRORDETAIL_HPP
#define DATA_MANAGER_SRC_KERNEL_ERRORDETAIL_HPP

#include <cstddef>

#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "unit_manager/unitexpression.hpp"

namespace data_manager {
namespace detail {

// ": 2x2 and 1x3": two operands that do not fit together (elementwise operators, MPower).
[[noreturn]] void raiseOperandDimensions(const char* identifier, const qtf::Dimension& first,
                                         const qtf::Dimension& second);
// ": 2x3 times 2x3".
[[noreturn]] void raiseMatrixProductDimensions(const qtf::Dimension& first, const qtf::Dimension& second);
// ", not 2x3": an operand that must be 1-by-1.
[[noreturn]] void raiseNotScalar(const char* identifier, const qtf::Dimension& operand);
// ", not int".
[[noreturn]] void raiseMathOperatorType(qtf::DataTypeId::Type type);
// ": operand 3 has 2 columns, operand 1 has 3" (operands counted from 1; rows for horzcat).
[[noreturn]] void raiseCatDimensions(bool vertical, std::size_t operand, std::size_t extent, std::size_t lead,
                                     std::size_t leadExtent);
// ": operand 3 is int, operand 1 is double".
[[noreturn]] void raiseCatTypes(std::size_t operand, qtf::DataTypeId::Type type, std::size_t lead,
                                qtf::DataTypeId::Type leadType);
// ": the data is int, the record double".
[[noreturn]] void raiseRecordDataType(qtf::DataTypeId::Type data, qtf::DataTypeId::Type record);
// ": the data is 2x2, the record 3x1".
[[noreturn]] void raiseRecordDimension(const qtf::Dimension& data, const qtf::Dimension& record);
// ": 2x3 int in km": the value asked for data that it does not have.
[[noreturn]] void raiseUnresolved(qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                  const unit_manager::UnitExpression& unit);

}  // namespace detail
}  // namespace data_manager

#endif  // DATA_MANAGER_SRC_KERNEL_ERRORDETAIL_HPP
