// SPDX-License-Identifier: Apache-2.0
#include "data_manager/value.hpp"

#include <memory>
#include <new>

#include "data_manager/context.hpp"
#include "data_manager/valueattributes.hpp"
#include "kernel/errordetail.hpp"
#include "kernel/messages.hpp"
#include "kernel/value/valueaccess.hpp"
#include "kernel/value/valuedata.hpp"
#include "qtf/allocator.hpp"

namespace data_manager {

using detail::ValueAccess;
using detail::ValueData;
using detail::ValueDataState;

namespace {

struct AttributesDeleter {
  void operator()(ValueAttributes* a) const noexcept { delete a; }
};
using AttributesPtr = std::unique_ptr<ValueAttributes, AttributesDeleter>;

// A new attribute object for context assigned from source.
AttributesPtr copyAttributes(const Context& context, const ValueAttributes& source) {
  AttributesPtr copy(ValueAttributes::create(context));
  if (!copy) {
    throw std::bad_alloc();
  }
  *copy = source;
  return copy;
}

}  // namespace

Value::Value(const Context& context, ValueTraitId::Type trait, qtf::DataTypeId::Type type,
             const qtf::Dimension& dimension)
    : Value(context, trait, type, dimension, context.getUnitContext().defaultUnit(), nullptr) {}

Value::Value(const Context& context, ValueTraitId::Type trait, qtf::DataTypeId::Type type,
             const qtf::Dimension& dimension, const unit_manager::UnitExpression& unit, const void* data)
    : Base(context), mData(new ValueData(context, trait, type, dimension, unit, data)), mAttributes(nullptr) {}

Value::Value(const Context& context, const std::string& text)
    : Base(context), mData(new ValueData(context, text)), mAttributes(nullptr) {}

Value::Value(const Value& v) : Base(v), mData(v.mData), mAttributes(nullptr) {
  AttributesPtr attributes;
  if (v.mAttributes != nullptr) {
    attributes = copyAttributes(v.getContext(), *v.mAttributes);
  }
  mData->addReference();
  mAttributes = attributes.release();
}

Value::~Value() {
  releaseData();
  delete mAttributes;
}

Value& Value::operator=(const Value& v) {
  if (mData != v.mData) {
    ValueData* old = mData;
    mData = v.mData;
    mData->addReference();
    old->removeReference();
  }
  return *this;
}

void Value::releaseData() noexcept {
  if (mData != nullptr) {
    mData->removeReference();
    mData = nullptr;
  }
}

void Value::share(Value& other) { mData->share(*other.mData); }

qtf::DataTypeId::Type Value::getDataType() const noexcept { return mData->getDataType(); }

const qtf::Dimension& Value::getDimension() const noexcept { return mData->getDimension(); }

const unit_manager::UnitExpression& Value::getUnit() const noexcept { return mData->getUnit(); }

bool Value::isAffineUnitInValue() const noexcept { return mData->getUnit().isAffineUnitInExpression(); }

bool Value::isResolved() const { return mData->isResolved(); }

const void* Value::getGenericValue() const {
  if (const void* elements = mData->getOwnElements()) {
    return elements;
  }
  // A value tied to other data: ask the end of the chain.
  const ValueDataState& end = mData->getState().getValueData().getState();
  if (!end.isResolved()) {
    detail::raiseUnresolved(mData->getDataType(), mData->getDimension(), mData->getUnit());
  }
  return end.getGenericValue();
}

ValueAttributes& Value::getAttributes() {
  return const_cast<ValueAttributes&>(static_cast<const Value&>(*this).getAttributes());
}

const ValueAttributes& Value::getAttributes() const {
  if (mAttributes == nullptr) {
    mAttributes = ValueAttributes::create(getContext());
    if (mAttributes == nullptr) {
      throw std::bad_alloc();
    }
  }
  return *mAttributes;
}

ValueData* ValueAccess::adoptData(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                  const unit_manager::UnitExpression& unit, void* buffer) {
  ValueData* data = new (std::nothrow) ValueData(context, type, dimension, unit, buffer);
  if (data == nullptr) {
    qtf_free(buffer);
    throw std::bad_alloc();
  }
  return data;
}

Value ValueAccess::adopt(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                         const unit_manager::UnitExpression& unit, void* buffer) {
  return Value(adoptData(context, type, dimension, unit, buffer));
}

}  // namespace data_manager
