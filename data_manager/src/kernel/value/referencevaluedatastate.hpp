// SPDX-License-Identifier: Apache-2.0
//
// ReferenceValueDataState: the state of a value data tied to another one. It
// holds one count of its target and answers with the end of the chain.
#ifndef DATA_MANAGER_SRC_KERNEL_VALUE_REFERENCEVALUEDATASTATE_HPP
#define DATA_MANAGER_SRC_KERNEL_VALUE_REFERENCEVALUEDATASTATE_HPP

#include "kernel/value/valuedatastate.hpp"

namespace data_manager::detail {

class ReferenceValueDataState : public ValueDataState {
 public:
  // Adds one count to target.
  explicit ReferenceValueDataState(ValueData& target) noexcept;
  // Removes the count from the target, unless takeChainTarget handed it on.
  ~ReferenceValueDataState() override;

  bool isResolved() const override;
  const void* getGenericValue() const override;
  const ValueData& getValueData() const override;
  ValueData& getValueData() override;
  ValueData* nextInChain() const noexcept override { return mTarget; }
  ValueData* takeChainTarget() noexcept override;

 private:
  ValueData* mTarget;
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_VALUE_REFERENCEVALUEDATASTATE_HPP
