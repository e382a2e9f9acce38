// SPDX-License-Identifier: Apache-2.0
//
// Identifiers of the errors the foundation library raises.
#ifndef QTF_SRC_QTFMESSAGES_HPP
#define QTF_SRC_QTFMESSAGES_HPP

namespace qtf {
namespace msg {

inline constexpr const char* InvalidDataType = "qtf:type:InvalidDataType";
inline constexpr const char* InvalidNumber = "qtf:string:InvalidNumber";
inline constexpr const char* IndexOutOfRange = "qtf:subsref:IndexOutOfRange";
inline constexpr const char* SelectionTooLarge = "qtf:subsref:SelectionTooLarge";
inline constexpr const char* SourceDimensionMismatch = "qtf:subsref:SourceDimensionMismatch";

[[noreturn]] void throwInvalidDataType(int t);

}  // namespace msg
}  // namespace qtf

#endif  // QTF_SRC_QTFMESSAGES_HPP
