// SPDX-License-Identifier: Apache-2.0
//
// Identifiers of every error the library raises, one namespace per area; the catalogue is in messages.cpp. Raise them
// with qtf::raise.
#ifndef DATA_MANAGER_SRC_KERNEL_MESSAGES_HPP
#define DATA_MANAGER_SRC_KERNEL_MESSAGES_HPP

#include "qtf/messageexception.hpp"

namespace data_manager {
namespace msg {

namespace context {
inline constexpr const char* TimeUnitNotSpecified = "data_manager:context:TimeUnitNotSpecified";
}  // namespace context

namespace data_type_rec {
inline constexpr const char* InvalidDataTypeConversion = "data_manager:data_type_rec:InvalidDataTypeConversion";
inline constexpr const char* InconsistentDimensions = "data_manager:data_type_rec:InconsistentDimensions";
}  // namespace data_type_rec

namespace value {
inline constexpr const char* QueryUnresolvedValue = "data_manager:value:QueryUnresolvedValue";
inline constexpr const char* OverresolvingValue = "data_manager:value:OverresolvingValue";
inline constexpr const char* InconsistentDataType = "data_manager:value:InconsistentDataType";
inline constexpr const char* InconsistentDimension = "data_manager:value:InconsistentDimension";
inline constexpr const char* InconsistentUnits = "data_manager:value:InconsistentUnits";
inline constexpr const char* InvalidStringValueSpecification = "data_manager:value:InvalidStringValueSpecification";
inline constexpr const char* InvalidStringDataSpecification = "data_manager:value:InvalidStringDataSpecification";
inline constexpr const char* InvalidStringTypeSpecification = "data_manager:value:InvalidStringTypeSpecification";
inline constexpr const char* InconsistentCatDimensions = "data_manager:value:InconsistentCatDimensions";
inline constexpr const char* InconsistentCatTypes = "data_manager:value:InconsistentCatTypes";
inline constexpr const char* InconsistentSubscriptDimension = "data_manager:value:InconsistentSubscriptDimension";
inline constexpr const char* InvalidBinaryOperatorDimension = "data_manager:value:InvalidBinaryOperatorDimension";
inline constexpr const char* InvalidElementWiseFirstScalarOperatorDimension =
    "data_manager:value:InvalidElementWiseFirstScalarOperatorDimension";
inline constexpr const char* InvalidElementWiseSecondScalarOperatorDimension =
    "data_manager:value:InvalidElementWiseSecondScalarOperatorDimension";
inline constexpr const char* InvalidMtimesDimension = "data_manager:value:InvalidMtimesDimension";
inline constexpr const char* ScalarOperands = "data_manager:value:ScalarOperands";
inline constexpr const char* InvalidMathOperatorType = "data_manager:value:InvalidMathOperatorType";
inline constexpr const char* CanNotConvertNanToLogical = "data_manager:value:CanNotConvertNanToLogical";
inline constexpr const char* IntegerDivisionByZero = "data_manager:value:IntegerDivisionByZero";
inline constexpr const char* InvalidOperator = "data_manager:value:InvalidOperator";
inline constexpr const char* InvalidDataType = "data_manager:value:InvalidDataType";
inline constexpr const char* InvalidValueTrait = "data_manager:value:InvalidValueTrait";
inline constexpr const char* TooManyElements = "data_manager:value:TooManyElements";
inline constexpr const char* EmptyConcatenation = "data_manager:value:EmptyConcatenation";
inline constexpr const char* InvalidPrintPrecision = "data_manager:value:InvalidPrintPrecision";
inline constexpr const char* ElementCountMismatch = "data_manager:value:ElementCountMismatch";
inline constexpr const char* NullElementData = "data_manager:value:NullElementData";
inline constexpr const char* ElementTypeMismatch = "data_manager:value:ElementTypeMismatch";
inline constexpr const char* ElementIndexOutOfRange = "data_manager:value:ElementIndexOutOfRange";
}  // namespace value

}  // namespace msg
}  // namespace data_manager

#endif  // DATA_MANAGER_SRC_KERNEL_MESSAGES_HPP
