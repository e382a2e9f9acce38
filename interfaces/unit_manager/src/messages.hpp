// SPDX-License-Identifier: Apache-2.0
//
// The identifiers of every error the unit manager throws, and the helpers that throw them, so that callers carry no
// string building.
#ifndef UNIT_MANAGER_SRC_MESSAGES_HPP
#define UNIT_MANAGER_SRC_MESSAGES_HPP

#include <string>

namespace unit_manager {
namespace detail {

namespace msg {
inline constexpr const char* kUnknownUnit = "unit_manager:parser:UnknownUnit";
inline constexpr const char* kInvalidUnitExpression = "unit_manager:parser:InvalidUnitExpression";
inline constexpr const char* kIncommensurateConversion = "unit_manager:unit:IncommensurateUnits";
inline constexpr const char* kExponentOverflow = "unit_manager:unit:ExponentOverflow";
inline constexpr const char* kZeroDenominator = "unit_manager:unit:InvalidExponent";
inline constexpr const char* kIncommensurateOperands = "unit_manager:propagation:IncommensurateUnits";
inline constexpr const char* kAffineUnitMismatch = "unit_manager:propagation:AffineUnitMismatch";
inline constexpr const char* kInvalidExponent = "unit_manager:propagation:InvalidExponent";
inline constexpr const char* kUnknownRule = "unit_manager:propagation:UnknownRule";
inline constexpr const char* kInvalidOperandCount = "unit_manager:propagation:InvalidOperandCount";
}  // namespace msg

// Throws qtf::MessageException(identifier, a1, a2, a3, a4).
[[noreturn]] void throwError(const char* identifier, const std::string& a1 = "", const std::string& a2 = "",
                             const std::string& a3 = "", const std::string& a4 = "");

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_MESSAGES_HPP
