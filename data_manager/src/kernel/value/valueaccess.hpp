// SPDX-License-Identifier: Apache-2.0
//
// ValueAccess: the library's own way into a Value's value data, for the code
// that builds results in place and reads operands without the public checks.
#ifndef DATA_MANAGER_SRC_KERNEL_VALUE_VALUEACCESS_HPP
#define DATA_MANAGER_SRC_KERNEL_VALUE_VALUEACCESS_HPP

#include "data_manager/value.hpp"
#include "kernel/value/valuedata.hpp"

namespace data_manager::detail {

struct ValueAccess {
  static const ValueData& data(const Value& value) noexcept { return *value.mData; }

  // A resolved value that takes over buffer (a qtf block of dimension's elements of type). The buffer is released
  // when building the value fails.
  static Value adopt(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                     const unit_manager::UnitExpression& unit, void* buffer);
  // A resolved value of zero-filled elements held inline (up to ResolvedValueDataState::kInlineBytes), and in elements
  // where to write them, for results small enough to live inside the value data. Writing them there directly, and not
  // copying them in from elsewhere, spares a copy whose wide read of narrow fresh stores would stall the processor.
  // Inline: every small operator result takes it.
  static Value small(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                     const unit_manager::UnitExpression& unit, void*& elements) {
    auto* data = new ValueData(context, type, dimension, unit);
    elements = data->inlineElements();
    return Value(data);
  }
  // The same as a value data with a count of one; the buffer is released when that fails.
  static ValueData* adoptData(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                              const unit_manager::UnitExpression& unit, void* buffer);
};

}  // namespace data_manager::detail

namespace data_manager {

// Defined here, where the library's own results are built, so that building one costs no call of its own.
inline Value::Value(detail::ValueData* data) noexcept : Base(data->getContext()), mData(data), mAttributes(nullptr) {}

}  // namespace data_manager

#endif  // DATA_MANAGER_SRC_KERNEL_VALUE_VALUEACCESS_HPP
