// SPDX-License-Identifier: Apache-2.0
#include "data_manager/access.hpp"

#include <string>
#include <utility>

#include "kernel/messages.hpp"

namespace data_manager {

const void* getElements(const Value& value, qtf::DataTypeId::Type type) {
  if (type != value.getDataType()) {
    // A number that is no element type has no name; the number says what was asked.
    qtf::MessageArgument asked = qtf::is_valid_type(type) ? qtf::MessageArgument(qtf::get_type_name_lower(type))
                                                          : qtf::MessageArgument(static_cast<int>(type));
    qtf::raise(msg::value::ElementTypeMismatch, std::move(asked), qtf::get_type_name_lower(value.getDataType()));
  }
  return value.getGenericValue();
}

namespace access_detail {

void throwElementIndexOutOfRange(std::size_t index, const qtf::Dimension& dimension) {
  qtf::raise(msg::value::ElementIndexOutOfRange, index, dimension.str());
}

void throwElementIndexOutOfRange(std::size_t row, std::size_t column, const qtf::Dimension& dimension) {
  qtf::raise(msg::value::ElementIndexOutOfRange, "(" + std::to_string(row) + ", " + std::to_string(column) + ")",
             dimension.str());
}

}  // namespace access_detail
}  // namespace data_manager
