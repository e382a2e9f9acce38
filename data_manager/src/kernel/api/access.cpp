// SPDX-License-Identifier: Apache-2.0
#include "data_manager/access.hpp"

#include <string>

#include "kernel/api/apimessages.hpp"

namespace data_manager {

const void* getElements(const Value& value, qtf::DataTypeId::Type type) {
  if (type != value.getDataType()) {
    // A type that is no element type has no name to give; its number says what was asked.
    const std::string asked = qtf::is_valid_type(type) ? qtf::get_type_name_lower(type) : std::to_string(type);
    msg::raise(msg::value::ElementTypeMismatch, asked, qtf::get_type_name_lower(value.getDataType()));
  }
  return value.getGenericValue();
}

namespace detail {

void throwElementIndexOutOfRange(std::size_t index, const qtf::Dimension& dimension) {
  msg::raise(msg::value::ElementIndexOutOfRange, std::to_string(index), dimension.str());
}

void throwElementIndexOutOfRange(std::size_t row, std::size_t column, const qtf::Dimension& dimension) {
  msg::raise(msg::value::ElementIndexOutOfRange, "(" + std::to_string(row) + ", " + std::to_string(column) + ")",
             dimension.str());
}

}  // namespace detail
}  // namespace data_manager
