// SPDX-License-Identifier: Apache-2.0
//
// Identifiers of the errors the unit manager raises, one namespace per area; the catalogue is in messages.cpp. Raise
// them with qtf::raise.
#ifndef UNIT_MANAGER_SRC_MESSAGES_HPP
#define UNIT_MANAGER_SRC_MESSAGES_HPP

#include "qtf/messageexception.hpp"

namespace unit_manager {
namespace detail {
namespace msg {

namespace parser {
inline constexpr const char* UnknownUnit = "unit_manager:parser:UnknownUnit";
inline constexpr const char* InvalidUnitExpression = "unit_manager:parser:InvalidUnitExpression";
}  // namespace parser

namespace unit {
inline constexpr const char* IncommensurateUnits = "unit_manager:unit:IncommensurateUnits";
inline constexpr const char* ExponentOverflow = "unit_manager:unit:ExponentOverflow";
inline constexpr const char* InvalidExponent = "unit_manager:unit:InvalidExponent";
inline constexpr const char* TooManyUnitExpressions = "unit_manager:unit:TooManyUnitExpressions";
}  // namespace unit

namespace definition {
inline constexpr const char* InvalidDefinition = "unit_manager:definition:InvalidDefinition";
inline constexpr const char* DuplicateUnit = "unit_manager:definition:DuplicateUnit";
inline constexpr const char* AmbiguousUnit = "unit_manager:definition:AmbiguousUnit";
}  // namespace definition

namespace propagation {
inline constexpr const char* IncommensurateUnits = "unit_manager:propagation:IncommensurateUnits";
inline constexpr const char* AffineUnitMismatch = "unit_manager:propagation:AffineUnitMismatch";
inline constexpr const char* InvalidExponent = "unit_manager:propagation:InvalidExponent";
inline constexpr const char* UnknownRule = "unit_manager:propagation:UnknownRule";
inline constexpr const char* InvalidOperandCount = "unit_manager:propagation:InvalidOperandCount";
}  // namespace propagation

}  // namespace msg
}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_MESSAGES_HPP
