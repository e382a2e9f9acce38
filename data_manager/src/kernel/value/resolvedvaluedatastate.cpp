// SPDX-License-Identifier: Apache-2.0
#include "kernel/value/resolvedvaluedatastate.hpp"

#include <cstring>

#include "kernel/value/valuedata.hpp"
#include "qtf/allocator.hpp"

namespace data_manager::detail {
namespace {
const bool kRegistered = ValueData::registerStateFactory(ValueTraitId::Resolved, &ResolvedValueDataState::create);
}  // namespace

ResolvedValueDataState::ResolvedValueDataState(ValueData& owner, qtf::DataTypeId::Type type,
                                               const qtf::Dimension& dimension, const void* data)
    : ValueDataState(owner.getContext()), mOwner(&owner), mBuffer(nullptr), mInline{} {
  const std::size_t count = dimension.getNumElements();
  const std::size_t size = qtf::get_type_size(type);
  if (count <= kInlineBytes / size) {
    mBuffer = mInline;
  } else {
    // A buffer that is about to be copied into need not be cleared first.
    mBuffer = data != nullptr ? qtf::allocate_buffer(type, count) : qtf_calloc(count, size);
  }
  if (data != nullptr && count != 0) {
    std::memcpy(mBuffer, data, count * size);
  }
}

ResolvedValueDataState::ResolvedValueDataState(ValueData& owner, void* buffer) noexcept
    : ValueDataState(owner.getContext()), mOwner(&owner), mBuffer(buffer), mInline{} {}

ValueDataState* ResolvedValueDataState::create(ValueData& owner, qtf::DataTypeId::Type type,
                                               const qtf::Dimension& dimension, const void* data) {
  (void)kRegistered;
  return new ResolvedValueDataState(owner, type, dimension, data);
}

}  // namespace data_manager::detail
