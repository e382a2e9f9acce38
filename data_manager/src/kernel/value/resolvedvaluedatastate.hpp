// SPDX-License-Identifier: Apache-2.0
//
// ResolvedValueDataState: owns the element buffer of a resolved value.
#ifndef DATA_MANAGER_SRC_KERNEL_VALUE_RESOLVEDVALUEDATASTATE_HPP
#define DATA_MANAGER_SRC_KERNEL_VALUE_RESOLVEDVALUEDATASTATE_HPP

#include "kernel/value/valuedatastate.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"

namespace data_manager {

class ResolvedValueDataState : public ValueDataState {
 public:
  // A zero-filled buffer of dimension's elements, filled from data when data is not null.
  ResolvedValueDataState(ValueData& owner, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                         const void* data);
  // Takes over buffer, a block from qtf_calloc or qtf::allocate_buffer.
  ResolvedValueDataState(ValueData& owner, void* buffer) noexcept;
  ~ResolvedValueDataState() override;

  bool isResolved() const override { return true; }
  const void* getGenericValue() const override { return mBuffer; }
  const ValueData& getValueData() const override { return *mOwner; }
  ValueData& getValueData() override { return *mOwner; }

  static ValueDataState* create(ValueData& owner, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                const void* data);

 private:
  ValueData* mOwner;
  void* mBuffer;
};

}  // namespace data_manager

#endif  // DATA_MANAGER_SRC_KERNEL_VALUE_RESOLVEDVALUEDATASTATE_HPP
