// SPDX-License-Identifier: Apache-2.0
#include "kernel/context/contextimpl.hpp"

#include <new>

#include "kernel/messages.hpp"

namespace data_manager::detail {

ContextImpl::ContextImpl(const unit_manager::Context& unitContext)
    : mUnitContext(&unitContext), mTimeUnit(unitContext) {
  const unit_manager::Unit* timeUnit = unitContext.timeUnit();
  if (timeUnit == nullptr) {
    qtf::raise(msg::context::TimeUnitNotSpecified);
  }
  mTimeUnit = unit_manager::UnitExpression(timeUnit);
}

ContextImpl::~ContextImpl() = default;

Context* ContextImpl::create(const unit_manager::Context& unitContext) {
  // A constructor that throws releases the block before the exception leaves.
  return new (std::nothrow) ContextImpl(unitContext);
}

}  // namespace data_manager::detail
