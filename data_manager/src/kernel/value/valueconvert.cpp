// SPDX-License-Identifier: Apache-2.0
//
// Conversion of a value into another unit through a type record, and its linear
// and affine forms in fundamental units.
#include <memory>

#include "data_manager/datatyperec.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueattributes.hpp"
#include "kernel/value/valueaccess.hpp"
#include "qtf/allocator.hpp"

namespace data_manager {
namespace {

// Either form builds a Double record of the value's own dimension in the fundamental expression of its unit.
Value* convertToFundamental(const Value& value, bool affine) {
  const DataTypeRec record(value.getContext(), qtf::DataTypeId::Double, value.getDimension(),
                           value.getUnit().getFundamentalExpression());
  return value.createConvertedValue(record, affine);
}

}  // namespace

Value* Value::createConvertedValue(const DataTypeRec& type, bool affine) const {
  const void* data = getGenericValue();
  const auto [buffer, dimension] = type.convertData(getDataType(), getDimension(), getUnit(), data, affine);
  // The result takes the converted buffer over (adopt releases it when that fails): one buffer, not a copy of it.
  const Value adopted = detail::ValueAccess::adopt(getContext(), type.getDataType(), dimension, type.getUnit(), buffer);
  std::unique_ptr<Value> result(new Value(adopted));
  // The result's attribute object comes first: making this value's own, when it has none, is then the last allocation,
  // so running out of memory never leaves this value with an attribute object it did not have.
  ValueAttributes& attributes = result->getAttributes();
  attributes = getAttributes();
  return result.release();
}

Value* Value::linear() const { return convertToFundamental(*this, false); }

Value* Value::affine() const { return convertToFundamental(*this, true); }

}  // namespace data_manager
