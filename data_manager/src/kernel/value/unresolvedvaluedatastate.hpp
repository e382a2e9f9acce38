// SPDX-License-Identifier: Apache-2.0
//
// UnresolvedValueDataState: a value data that has no elements yet.
#ifndef DATA_MANAGER_SRC_KERNEL_VALUE_UNRESOLVEDVALUEDATASTATE_HPP
#define DATA_MANAGER_SRC_KERNEL_VALUE_UNRESOLVEDVALUEDATASTATE_HPP

#include "kernel/value/valuedatastate.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"

namespace data_manager::detail {

class UnresolvedValueDataState : public ValueDataState {
 public:
  explicit UnresolvedValueDataState(ValueData& owner) noexcept;
  ~UnresolvedValueDataState() override;

  bool isResolved() const override { return false; }
  // Reports a broken invariant and returns null: readers go through Value::getGenericValue, which throws first.
  const void* getGenericValue() const override;
  const ValueData& getValueData() const override { return *mOwner; }
  ValueData& getValueData() override { return *mOwner; }

  static ValueDataState* create(ValueData& owner, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                const void* data);

 private:
  ValueData* mOwner;
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_VALUE_UNRESOLVEDVALUEDATASTATE_HPP
