// SPDX-License-Identifier: Apache-2.0
//
// Element-type dispatch for tests and fuzz targets alike (no GoogleTest here, so the fuzz targets can use it).
#ifndef SORVEXA_TEST_TYPES_HPP
#define SORVEXA_TEST_TYPES_HPP

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

}  // namespace sorvexa_test

#endif  // SORVEXA_TEST_TYPES_HPP
