// SPDX-License-Identifier: Apache-2.0
//
// ValueDataState: what a ValueData can do depends on its state, one of
// resolved (owns the elements), unresolved (no data yet) and reference (the
// data of another ValueData stands in for its own).
#ifndef DATA_MANAGER_SRC_KERNEL_VALUE_VALUEDATASTATE_HPP
#define DATA_MANAGER_SRC_KERNEL_VALUE_VALUEDATASTATE_HPP

#include "data_manager/base.hpp"

namespace data_manager::detail {

class ValueData;

class ValueDataState : public Base {
 public:
  explicit ValueDataState(const Context& context) noexcept : Base(context) {}
  ~ValueDataState() override = default;

  virtual bool isResolved() const = 0;
  virtual const void* getGenericValue() const = 0;
  // The ValueData at the end of the reference chain: the first one whose state is not a reference.
  virtual const ValueData& getValueData() const = 0;
  virtual ValueData& getValueData() = 0;
  // The ValueData a reference state points at; null for the other states. Chains are walked with it in a loop, so
  // that no chain length can exhaust the stack.
  virtual ValueData* nextInChain() const noexcept { return nullptr; }
  // Hands the counted target of a reference state to the caller, who then owns that count; null for other states.
  virtual ValueData* takeChainTarget() noexcept { return nullptr; }
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_VALUE_VALUEDATASTATE_HPP
