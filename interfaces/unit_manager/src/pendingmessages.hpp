// SPDX-License-Identifier: Apache-2.0
#ifndef UNIT_MANAGER_SRC_PENDINGMESSAGES_HPP
#define UNIT_MANAGER_SRC_PENDINGMESSAGES_HPP
namespace unit_manager {
namespace detail {
namespace msg {
inline constexpr const char* kTooManyUnitExpressions = "unit_manager:unit:TooManyUnitExpressions";
inline constexpr const char* kInvalidDefinition = "unit_manager:definition:InvalidDefinition";
inline constexpr const char* kDuplicateUnit = "unit_manager:definition:DuplicateUnit";
inline constexpr const char* kAmbiguousUnit = "unit_manager:definition:AmbiguousUnit";
}  // namespace msg
}  // namespace detail
}  // namespace unit_manager
#endif
