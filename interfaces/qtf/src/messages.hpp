// SPDX-License-Identifier: Apache-2.0
//
// Identifiers of the errors the foundation library raises, one namespace per area; the catalogue is in messages.cpp.
#ifndef QTF_SRC_MESSAGES_HPP
#define QTF_SRC_MESSAGES_HPP

#include "qtf/messageexception.hpp"

namespace qtf {
namespace msg {

namespace type {
inline constexpr const char* InvalidDataType = "qtf:type:InvalidDataType";
}  // namespace type

namespace string {
inline constexpr const char* InvalidNumber = "qtf:string:InvalidNumber";
}  // namespace string

namespace subsref {
inline constexpr const char* IndexOutOfRange = "qtf:subsref:IndexOutOfRange";
inline constexpr const char* SelectionTooLarge = "qtf:subsref:SelectionTooLarge";
inline constexpr const char* SourceDimensionMismatch = "qtf:subsref:SourceDimensionMismatch";
}  // namespace subsref

}  // namespace msg
}  // namespace qtf

#endif  // QTF_SRC_MESSAGES_HPP
