// SPDX-License-Identifier: Apache-2.0
//
// Element types of the toolchain's values, and the helpers that size, name,
// allocate and convert buffers of them.
#ifndef QTF_DATATYPEID_HPP
#define QTF_DATATYPEID_HPP

#include <cstddef>
#include <string>

#include "qtf/qtf_export.hpp"

namespace qtf {

// Every per-type table of the toolchain is indexed by these values.
struct DataTypeId {
  enum Type : int {
    Unknown = -1,  // no type
    UChar = 0,     // unsigned 8-bit; also the type of every logical result
    Double = 1,    // IEEE 754 binary64
    Int = 2,       // signed 32-bit
    UInt = 3,      // unsigned 32-bit
    Char = 4,      // signed 8-bit
  };
  static constexpr int NumTypes = 5;
};

// True for the five element types, false for Unknown and anything else.
constexpr bool is_valid_type(DataTypeId::Type t) noexcept { return t >= DataTypeId::UChar && t <= DataTypeId::Char; }

// Bytes per element: 1, 8, 4, 4, 1. Throws "qtf:type:InvalidDataType" for a value that is no element type.
QTF_EXPORT std::size_t get_type_size(DataTypeId::Type t);

// "UChar", "Double", "Int", "UInt", "Char". Throws "qtf:type:InvalidDataType" for a value that is no element type.
QTF_EXPORT const std::string& get_type_name(DataTypeId::Type t);

// "uchar", "double", "int", "uint", "char": the TYPE field of the value text form.
// Throws "qtf:type:InvalidDataType" for a value that is no element type.
QTF_EXPORT const std::string& get_type_name_lower(DataTypeId::Type t);

// The type named by s in either spelling above or by one of the aliases "logical", "bool", "uint8", "int8", "int32",
// "uint32"; surrounding white space is ignored. Anything else gives DataTypeId::Unknown.
QTF_EXPORT DataTypeId::Type type_from_string(const std::string& s);

// An uninitialised buffer of count elements of type t, released with qtf_free. Throws std::bad_alloc when memory runs
// out or the byte count overflows, "qtf:type:InvalidDataType" for a bad t.
QTF_EXPORT void* allocate_buffer(DataTypeId::Type t, std::size_t count);

// Writes the count elements of src (type from), converted, into dst (type to). Doubles go to integer types rounded half
// away from zero and saturated at the type's range, NaN giving 0; integers go to integers saturated; anything goes to
// double exactly. src and dst may be the same buffer only when from == to. Throws "qtf:type:InvalidDataType" for a
// bad type.
QTF_EXPORT void convert_data(std::size_t count, DataTypeId::Type from, const void* src, DataTypeId::Type to, void* dst);

}  // namespace qtf

#endif  // QTF_DATATYPEID_HPP
