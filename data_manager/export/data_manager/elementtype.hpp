// SPDX-License-Identifier: Apache-2.0
//
// ElementType<T>: the element type that stores a C++ type, for the typed construction and element access of
// make.hpp and access.hpp. Defined for exactly the five element types and signed char (int8_t, stored as Char); any
// other T, bool and long included, is a compile-time error at the point of use.
#ifndef DATA_MANAGER_EXPORT_ELEMENTTYPE_HPP
#define DATA_MANAGER_EXPORT_ELEMENTTYPE_HPP

#include <climits>

#include "qtf/datatypeid.hpp"

namespace data_manager {

template <typename T>
struct ElementType {};

template <>
struct ElementType<unsigned char> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::UChar;
};
template <>
struct ElementType<double> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::Double;
};
template <>
struct ElementType<int> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::Int;
};
template <>
struct ElementType<unsigned int> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::UInt;
};
// Char elements are signed 8-bit; char and signed char both read and write them.
static_assert(CHAR_MIN < 0, "char must be signed: Char elements are signed 8-bit");
template <>
struct ElementType<char> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::Char;
};
template <>
struct ElementType<signed char> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::Char;
};

namespace detail {
template <typename T, typename = void>
struct IsElementType {
  static constexpr bool value = false;
};
template <typename T>
struct IsElementType<T, decltype(void(ElementType<T>::value))> {
  static constexpr bool value = true;
};
}  // namespace detail

// True when T stores one of the element types.
template <typename T>
inline constexpr bool kIsElementType = detail::IsElementType<T>::value;

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_ELEMENTTYPE_HPP
