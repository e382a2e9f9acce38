// SPDX-License-Identifier: Apache-2.0
#include "kernel/elementtypes.hpp"

#include "kernel/messages.hpp"
#include "qtf/messageexception.hpp"

namespace data_manager::detail {

qtf::DataTypeId::Type checkedElementType(qtf::DataTypeId::Type type) {
  if (!qtf::is_valid_type(type)) {
    qtf::raise(msg::value::InvalidDataType, static_cast<int>(type));
  }
  return type;
}

}  // namespace data_manager::detail
