// SPDX-License-Identifier: Apache-2.0
#include "kernel/value/valuedata.hpp"

#include <new>

#include "kernel/elementtypes.hpp"
#include "kernel/messages.hpp"
#include "kernel/value/referencevaluedatastate.hpp"
#include "kernel/value/resolvedvaluedatastate.hpp"
#include "qtf/allocator.hpp"

namespace data_manager::detail {
namespace {

// Created, with both entries empty, on first use, so registration from any static initialiser finds it ready.
ValueDataStateFactory* stateFactories() {
  static ValueDataStateFactory table[ValueTraitId::NumTraits] = {nullptr, nullptr};
  return table;
}

}  // namespace

ValueData::ValueData(const Context& context, ValueTraitId::Type trait, qtf::DataTypeId::Type type,
                     const qtf::Dimension& dimension, const unit_manager::UnitExpression& unit, const void* data)
    : Base(context),
      mDataType(checkedElementType(type)),
      mDimension(dimension),
      mUnit(unit),
      mRefCount(1),
      mState(nullptr) {
  mState = createState(*this, trait, type, dimension, data);
  mOwnElements = mState->isResolved() ? mState->getGenericValue() : nullptr;
}

ValueData::ValueData(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                     const unit_manager::UnitExpression& unit, void* buffer) noexcept
    : Base(context), mDataType(type), mDimension(dimension), mUnit(unit), mRefCount(1), mState(nullptr) {
  // The class-level operator new of the states hides placement new; the global one builds in place.
  mState = ::new (static_cast<void*>(mStateStorage)) ResolvedValueDataState(*this, buffer);
  mStateInside = true;
  mOwnElements = mState->getGenericValue();
}

ValueData::~ValueData() { releaseState(); }

bool ValueData::isResolved() const { return mState->getValueData().mState->isResolved(); }

const void* ValueData::getGenericValue() const { return mState->getValueData().mState->getGenericValue(); }

void ValueData::removeReference() noexcept {
  // Destroying a value data releases the one its reference state points at, which may in turn be destroyed, and so
  // on along a chain of any length. Walk the chain in a loop instead of letting each destructor recurse into the next.
  ValueData* data = this;
  while (data != nullptr && --data->mRefCount == 0) {
    // A state built inside the value data is always resolved: the end of a chain.
    ValueData* next = data->mState != nullptr && !data->mStateInside ? data->mState->takeChainTarget() : nullptr;
    delete data;
    data = next;
  }
}

void ValueData::share(ValueData& other) {
  if (other.isResolved()) {
    referTo(other);
  } else {
    other.referTo(*this);
  }
}

void ValueData::referTo(ValueData& target) {
  ValueData& self = mState->getValueData();
  if (&self != this) {
    self.referTo(target);
    return;
  }
  ValueData& end = target.mState->getValueData();
  if (&end == this) {
    return;
  }
  if (isResolved()) {
    qtf::raise(msg::value::OverresolvingValue);
  }
  if (mDataType != end.mDataType) {
    qtf::raise(msg::value::InconsistentDataType, qtf::get_type_name(mDataType), qtf::get_type_name(end.mDataType));
  }
  if (mDimension != end.mDimension) {
    qtf::raise(msg::value::InconsistentDimension, mDimension.str(), end.mDimension.str());
  }
  if (!mUnit.commensurate(end.mUnit)) {
    qtf::raise(msg::value::InconsistentUnits, mUnit.convertToString(), end.mUnit.convertToString());
  }
  // Allocate the new state before the old one goes, so that running out of memory changes nothing.
  ValueDataState* reference = new ReferenceValueDataState(end);
  releaseState();
  mState = reference;
}

void ValueData::releaseState() noexcept {
  if (mStateInside) {
    static_cast<ResolvedValueDataState*>(mState)->~ResolvedValueDataState();
    mStateInside = false;
  } else {
    delete mState;
  }
  mState = nullptr;
}

bool ValueData::registerStateFactory(ValueTraitId::Type trait, ValueDataStateFactory factory) noexcept {
  if (trait >= 0 && trait < ValueTraitId::NumTraits && stateFactories()[trait] == nullptr) {
    stateFactories()[trait] = factory;
  }
  return true;
}

ValueDataState* ValueData::createState(ValueData& owner, ValueTraitId::Type trait, qtf::DataTypeId::Type type,
                                       const qtf::Dimension& dimension, const void* data) {
  if (trait < 0 || trait >= ValueTraitId::NumTraits || stateFactories()[trait] == nullptr) {
    qtf::raise(msg::value::InvalidValueTrait, static_cast<int>(trait));
  }
  return stateFactories()[trait](owner, type, dimension, data);
}

}  // namespace data_manager::detail
