// SPDX-License-Identifier: Apache-2.0
//
// ContextImpl: the library's Context. It keeps the unit-manager context it was
// made from and that context's time unit.
#ifndef DATA_MANAGER_SRC_KERNEL_CONTEXT_CONTEXTIMPL_HPP
#define DATA_MANAGER_SRC_KERNEL_CONTEXT_CONTEXTIMPL_HPP

#include "data_manager/context.hpp"

namespace data_manager::detail {

class ContextImpl : public Context {
 public:
  // Throws "data_manager:context:TimeUnitNotSpecified" when unitContext has no time unit.
  explicit ContextImpl(const unit_manager::Context& unitContext);
  ~ContextImpl() override;

  const unit_manager::Context& getUnitContext() const override { return *mUnitContext; }
  const unit_manager::UnitExpression& getTimeUnit() const override { return mTimeUnit; }

  // The factory the library registers when it loads; null when memory runs out.
  static Context* create(const unit_manager::Context& unitContext);

 private:
  const unit_manager::Context* mUnitContext;
  unit_manager::UnitExpression mTimeUnit;
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_CONTEXT_CONTEXTIMPL_HPP
