// SPDX-License-Identifier: Apache-2.0
#include "data_manager/make.hpp"

#include "kernel/messages.hpp"

namespace data_manager {

Value makeValue(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                const void* elements, std::size_t count, const unit_manager::UnitExpression& unit) {
  // Everything is checked before the constructor reads dimension.getNumElements() elements from the buffer.
  if (!qtf::is_valid_type(type)) {
    qtf::raise(msg::value::InvalidDataType, static_cast<int>(type));
  }
  if (count != dimension.getNumElements()) {
    qtf::raise(msg::value::ElementCountMismatch, count, dimension.str());
  }
  if (elements == nullptr && count != 0) {
    qtf::raise(msg::value::NullElementData, dimension.str());
  }
  return Value(context, ValueTraitId::Resolved, type, dimension, unit, elements);
}

}  // namespace data_manager
