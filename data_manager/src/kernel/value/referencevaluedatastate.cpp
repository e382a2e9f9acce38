// SPDX-License-Identifier: Apache-2.0
#include "kernel/value/referencevaluedatastate.hpp"

#include "kernel/value/valuedata.hpp"

namespace data_manager::detail {

ReferenceValueDataState::ReferenceValueDataState(ValueData& target) noexcept
    : ValueDataState(target.getContext()), mTarget(&target) {
  mTarget->addReference();
}

ReferenceValueDataState::~ReferenceValueDataState() {
  if (mTarget != nullptr) {
    mTarget->removeReference();
  }
}

ValueData* ReferenceValueDataState::takeChainTarget() noexcept {
  ValueData* target = mTarget;
  mTarget = nullptr;
  return target;
}

const ValueData& ReferenceValueDataState::getValueData() const {
  const ValueData* end = mTarget;
  while (const ValueData* next = end->getState().nextInChain()) {
    end = next;
  }
  return *end;
}

ValueData& ReferenceValueDataState::getValueData() {
  ValueData* end = mTarget;
  while (ValueData* next = end->getState().nextInChain()) {
    end = next;
  }
  return *end;
}

bool ReferenceValueDataState::isResolved() const { return getValueData().getState().isResolved(); }

const void* ReferenceValueDataState::getGenericValue() const { return getValueData().getState().getGenericValue(); }

}  // namespace data_manager::detail
