// SPDX-License-Identifier: Apache-2.0
//
// Context: binds a caller's work to one unit-manager context. Contexts come
// from a replaceable factory; the library registers its own when it loads,
// and since the first registration wins, Context::create builds the
// library's implementation.
#ifndef DATA_MANAGER_EXPORT_CONTEXT_HPP
#define DATA_MANAGER_EXPORT_CONTEXT_HPP

#include "data_manager/data_manager_export.hpp"
#include "qtf/allocator.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace data_manager {

class Context;

using ContextFactory = Context* (*)(const unit_manager::Context& unitContext);

class DATA_MANAGER_EXPORT Context : public qtf::AllocatorBase {
 public:
  Context() noexcept = default;
  Context(const Context&) noexcept = default;
  // Changes nothing: a context's binding is fixed when it is made.
  Context& operator=(const Context&) noexcept { return *this; }
  virtual ~Context();

  // The unit-manager context this context was created from.
  virtual const unit_manager::Context& getUnitContext() const = 0;
  // The unit-manager context's time unit.
  virtual const unit_manager::UnitExpression& getTimeUnit() const = 0;

  // A new context from the registered factory, owned by the caller (destroy it with delete), or null when memory runs
  // out. Throws "data_manager:context:TimeUnitNotSpecified" when unitContext has no time unit. unitContext must
  // outlive the returned context.
  static Context* create(const unit_manager::Context& unitContext);

  // Stores factory unless one is stored already; returns true in every case.
  static bool registerContextFactory(ContextFactory factory) noexcept;

 private:
  static ContextFactory smContextFactory;
};

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_CONTEXT_HPP
