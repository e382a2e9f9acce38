// SPDX-License-Identifier: Apache-2.0
//
// The five element types as the whole kernel names them: the C++ type behind
// each DataTypeId, the list of them in DataTypeId order, and the builder of
// tables indexed by DataTypeId, which makes one entry per type from that list
// so that no entry can be missing or sit at another type's index.
#ifndef DATA_MANAGER_SRC_KERNEL_ELEMENTTYPES_HPP
#define DATA_MANAGER_SRC_KERNEL_ELEMENTTYPES_HPP

#include <array>
#include <cstddef>

#include "qtf/datatypeid.hpp"

namespace data_manager::detail {

// Char results (wrapping, ordering, printing) are those of a signed 8-bit type. char is not signed on every platform.
static_assert(static_cast<char>(-1) < 0, "the Char element type is signed 8-bit");

// The DataTypeId of the C++ type that stores elements of that type.
template <typename T>
struct TypeOf;
template <>
struct TypeOf<unsigned char> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::UChar;
};
template <>
struct TypeOf<double> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::Double;
};
template <>
struct TypeOf<int> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::Int;
};
template <>
struct TypeOf<unsigned int> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::UInt;
};
template <>
struct TypeOf<char> {
  static constexpr qtf::DataTypeId::Type value = qtf::DataTypeId::Char;
};

template <typename... T>
struct TypeList {
  static constexpr std::size_t size = sizeof...(T);
};

// The element types in DataTypeId order.
using ElementTypes = TypeList<unsigned char, double, int, unsigned int, char>;

// Passes a type to a generic lambda: [](auto tag) { using T = typename decltype(tag)::type; ... }.
template <typename T>
struct TypeTag {
  using type = T;
};

namespace elementtypes_detail {

template <typename... T>
constexpr bool inDataTypeIdOrder(TypeList<T...>) {
  int index = 0;
  return ((TypeOf<T>::value == index++) && ...);
}

template <typename First, typename... Rest, typename Make>
constexpr auto makeTable(TypeList<First, Rest...>, Make make) {
  return std::array<decltype(make(TypeTag<First>{})), 1 + sizeof...(Rest)>{make(TypeTag<First>{}),
                                                                           make(TypeTag<Rest>{})...};
}

}  // namespace elementtypes_detail

static_assert(ElementTypes::size == qtf::DataTypeId::NumTypes, "one element type per DataTypeId");
static_assert(elementtypes_detail::inDataTypeIdOrder(ElementTypes{}),
              "ElementTypes lists the types in DataTypeId order");

// type itself when it names one of the element types; otherwise throws "data_manager:value:InvalidDataType" with the
// number as its argument.
qtf::DataTypeId::Type checkedElementType(qtf::DataTypeId::Type type);

// A table indexed by DataTypeId::Type whose entry for type T is make(TypeTag<T>{}), every entry of one type:
//   constexpr auto kPrinters = perTypeTable([](auto tag) -> PrintFcn { return &print<typename decltype(tag)::type>; });
template <typename Make>
constexpr auto perTypeTable(Make make) {
  return elementtypes_detail::makeTable(ElementTypes{}, make);
}

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_ELEMENTTYPES_HPP
