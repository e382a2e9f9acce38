// SPDX-License-Identifier: Apache-2.0
//
// Element-type dispatch for tests and fuzz targets alike (no GoogleTest here, so the fuzz targets can use it).
#ifndef SORVEXA_TEST_TYPES_HPP
#define SORVEXA_TEST_TYPES_HPP

#include <type_traits>

#include "qtf/datatypeid.hpp"

namespace sorvexa_test {

// Calls f with a zero of the C++ type that stores type.
template <typename Fcn>
auto visitType(qtf::DataTypeId::Type type, Fcn&& f) {
  switch (type) {
    case qtf::DataTypeId::UChar:
      return f(static_cast<unsigned char>(0));
    case qtf::DataTypeId::Double:
      return f(0.0);
    case qtf::DataTypeId::Int:
      return f(0);
    case qtf::DataTypeId::UInt:
      return f(0U);
    default:
      return f('\0');
  }
}

// The DataTypeId of the C++ type that stores it.
template <typename T>
constexpr qtf::DataTypeId::Type typeOf() {
  return std::is_same_v<T, double>         ? qtf::DataTypeId::Double
         : std::is_same_v<T, int>          ? qtf::DataTypeId::Int
         : std::is_same_v<T, unsigned int> ? qtf::DataTypeId::UInt
         : std::is_same_v<T, char>         ? qtf::DataTypeId::Char
                                           : qtf::DataTypeId::UChar;
}

}  // namespace sorvexa_test

#endif  // SORVEXA_TEST_TYPES_HPP
