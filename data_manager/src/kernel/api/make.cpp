// SPDX-License-Identifier: Apache-2.0
#include "data_manager/make.hpp"

#include <string>

#include "kernel/api/apimessages.hpp"

namespace data_manager {

Value makeValue(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                const void* elements, std::size_t count, const unit_manager::UnitExpression& unit) {
  // Everything is checked before the constructor reads dimension.getNumElements() elements from the buffer.
  if (!qtf::is_valid_type(type)) {
    msg::raise(msg::value::InvalidDataType, std::to_string(static_cast<int>(type)));
  }
  if (count != dimension.getNumElements()) {
    msg::raise(msg::value::ElementCountMismatch, std::to_string(count), dimension.str());
  }
  if (elements == nullptr && count != 0) {
    msg::raise(msg::value::NullElementData, dimension.str());
  }
  return Value(context, ValueTraitId::Resolved, type, dimension, unit, elements);
}

}  // namespace data_manager
