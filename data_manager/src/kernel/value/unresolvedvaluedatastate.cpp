// SPDX-License-Identifier: Apache-2.0
#include "kernel/value/unresolvedvaluedatastate.hpp"

#include "kernel/value/valuedata.hpp"
#include "qtf/assertion.hpp"

namespace data_manager::detail {
namespace {
const bool kRegistered = ValueData::registerStateFactory(ValueTraitId::Unresolved, &UnresolvedValueDataState::create);
}  // namespace

UnresolvedValueDataState::UnresolvedValueDataState(ValueData& owner) noexcept
    : ValueDataState(owner.getContext()), mOwner(&owner) {}

UnresolvedValueDataState::~UnresolvedValueDataState() = default;

const void* UnresolvedValueDataState::getGenericValue() const {
  qtf_assertion("attempting to resolve an unresolved value", "data_manager/src/kernel/value/unresolvedvaluedatastate",
                __LINE__);
  return nullptr;
}

ValueDataState* UnresolvedValueDataState::create(ValueData& owner, qtf::DataTypeId::Type, const qtf::Dimension&,
                                                 const void*) {
  (void)kRegistered;
  return new UnresolvedValueDataState(owner);
}

}  // namespace data_manager::detail
