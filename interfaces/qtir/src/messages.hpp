// SPDX-License-Identifier: Apache-2.0
//
// Identifiers of the errors the intermediate representation raises.
#ifndef QTIR_SRC_MESSAGES_HPP
#define QTIR_SRC_MESSAGES_HPP

namespace qtir {
namespace msg {

inline constexpr const char* InvalidElementType = "qtir:type:InvalidElementType";
inline constexpr const char* InvalidScopeType = "qtir:scope:InvalidScopeType";
inline constexpr const char* InvalidItemType = "qtir:scope:InvalidItemType";
inline constexpr const char* DuplicateName = "qtir:scope:DuplicateName";
inline constexpr const char* NotAssignable = "qtir:expression:NotAssignable";
inline constexpr const char* NotAMatrix = "qtir:type:NotAMatrixElementType";

}  // namespace msg
}  // namespace qtir

#endif  // QTIR_SRC_MESSAGES_HPP
