// SPDX-License-Identifier: Apache-2.0
//
// Subscripting: a new value of the elements a SubsRef selects from a source value.
#include <memory>

#include "data_manager/value.hpp"
#include "kernel/messages.hpp"
#include "kernel/value/valueaccess.hpp"
#include "qtf/allocator.hpp"

namespace data_manager {

using detail::ValueAccess;
using detail::ValueData;

namespace {

// The selection is checked against the dimension it was made for, so that a selection for another shape can never
// read outside the source buffer.
ValueData* selectElements(const Value& source, const qtf::SubsRef& ref) {
  if (ref.sourceDimension() != source.getDimension()) {
    qtf::raise(msg::value::InconsistentSubscriptDimension, ref.sourceDimension().str(), source.getDimension().str());
  }
  const void* data = source.getGenericValue();
  const qtf::DataTypeId::Type type = source.getDataType();
  qtf::BufferPtr buffer(qtf::allocate_buffer(type, ref.dimension().getNumElements()));
  ref.assign(type, buffer.get(), data);
  return ValueAccess::adoptData(source.getContext(), type, ref.dimension(), source.getUnit(), buffer.release());
}

}  // namespace

Value::Value(const Value& value, const qtf::SubsRef& ref)
    : Base(value), mData(selectElements(value, ref)), mAttributes(nullptr) {}

}  // namespace data_manager
