// SPDX-License-Identifier: Apache-2.0
//
// ResolvedValueDataState: owns the element buffer of a resolved value.
#ifndef DATA_MANAGER_SRC_KERNEL_VALUE_RESOLVEDVALUEDATASTATE_HPP
#define DATA_MANAGER_SRC_KERNEL_VALUE_RESOLVEDVALUEDATASTATE_HPP

#include <cstddef>
#include <cstring>

#include "kernel/value/valuedatastate.hpp"
#include "qtf/allocator.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"

namespace data_manager::detail {

class ResolvedValueDataState final : public ValueDataState {
 public:
  // Elements of up to this many bytes live inside the state, so a scalar costs no allocation of its own.
  static constexpr std::size_t kInlineBytes = 16;

  // A zero-filled buffer of dimension's elements, filled from data when data is not null.
  ResolvedValueDataState(ValueData& owner, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                         const void* data);
  // Takes over buffer, a block from qtf_calloc or qtf::allocate_buffer.
  ResolvedValueDataState(ValueData& owner, void* buffer) noexcept;
  // Holds zero-filled elements of up to kInlineBytes in the state itself, for the owner's builder to fill in before
  // anyone else sees them. Inline: every small result takes it.
  ResolvedValueDataState(const Context& context, ValueData& owner) noexcept
      : ValueDataState(context), mOwner(&owner), mBuffer(mInline) {}
  ResolvedValueDataState(const ResolvedValueDataState&) = delete;
  ResolvedValueDataState& operator=(const ResolvedValueDataState&) = delete;
  ~ResolvedValueDataState() override {
    if (mBuffer != mInline) {
      qtf_free(mBuffer);
    }
  }

  bool isResolved() const override { return true; }
  const void* getGenericValue() const override { return mBuffer; }
  // The elements held in the state; for the builder of a new small result only.
  void* inlineElements() noexcept { return mInline; }
  const ValueData& getValueData() const override { return *mOwner; }
  ValueData& getValueData() override { return *mOwner; }

  static ValueDataState* create(ValueData& owner, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                const void* data);

 private:
  ValueData* mOwner;
  void* mBuffer;  // mInline, or a block of the library's allocator that the state owns
  alignas(8) unsigned char mInline[kInlineBytes] = {};
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_VALUE_RESOLVEDVALUEDATASTATE_HPP
