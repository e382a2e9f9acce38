// SPDX-License-Identifier: Apache-2.0
//
// Identifiers of the errors the intermediate representation raises, one namespace per area; the catalogue is in
// messages.cpp.
#ifndef QTIR_SRC_MESSAGES_HPP
#define QTIR_SRC_MESSAGES_HPP

#include "qtf/messageexception.hpp"

namespace qtir {
namespace msg {

namespace type {
inline constexpr const char* InvalidElementType = "qtir:type:InvalidElementType";
inline constexpr const char* NotAMatrixElementType = "qtir:type:NotAMatrixElementType";
}  // namespace type

namespace scope {
inline constexpr const char* InvalidScopeType = "qtir:scope:InvalidScopeType";
inline constexpr const char* InvalidItemType = "qtir:scope:InvalidItemType";
inline constexpr const char* DuplicateName = "qtir:scope:DuplicateName";
}  // namespace scope

namespace expression {
inline constexpr const char* NotAssignable = "qtir:expression:NotAssignable";
}  // namespace expression

}  // namespace msg
}  // namespace qtir

#endif  // QTIR_SRC_MESSAGES_HPP
