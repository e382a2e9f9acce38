// SPDX-License-Identifier: Apache-2.0
//
// Equality and hashing of values: type, dimension, unit, whether there is data,
// and the raw data bytes, and nothing else.
#include <cstring>

#include "data_manager/value.hpp"
#include "kernel/value/valueaccess.hpp"

namespace data_manager {

using detail::ValueAccess;
using detail::ValueData;

bool Value::operator==(const Value& other) const {
  const ValueData& a = ValueAccess::data(*this);
  const ValueData& b = ValueAccess::data(other);
  if (!a.isResolved() || !b.isResolved()) {
    return false;
  }
  if (a.getDataType() != b.getDataType() || a.getDimension() != b.getDimension() || a.getUnit() != b.getUnit()) {
    return false;
  }
  const std::size_t bytes = a.getDimension().getNumElements() * qtf::get_type_size(a.getDataType());
  return bytes == 0 || std::memcmp(a.getGenericValue(), b.getGenericValue(), bytes) == 0;
}

void Value::hash(qtf::Hasher& hasher) const {
  const ValueData& data = ValueAccess::data(*this);
  hasher.addValue(static_cast<int>(data.getDataType()));
  hasher.addValue(data.getDimension());
  data.getUnit().hash(hasher);
  const bool resolved = data.isResolved();
  hasher.addValue(resolved);
  if (resolved) {
    hasher.addData(data.getDataType(), data.getDimension().getNumElements(), data.getGenericValue());
  }
}

}  // namespace data_manager
