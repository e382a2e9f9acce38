// SPDX-License-Identifier: Apache-2.0
#include "data_manager/context.hpp"

#include "kernel/context/contextimpl.hpp"

namespace data_manager {

using detail::ContextImpl;

// Constant-initialised, so it is null before any dynamic initialiser of the library runs.
ContextFactory Context::smContextFactory = nullptr;

namespace {
const bool kContextFactoryRegistered = Context::registerContextFactory(&ContextImpl::create);
}  // namespace

Context::~Context() = default;

Context* Context::create(const unit_manager::Context& unitContext) {
  (void)kContextFactoryRegistered;
  return smContextFactory != nullptr ? smContextFactory(unitContext) : nullptr;
}

bool Context::registerContextFactory(ContextFactory factory) noexcept {
  if (smContextFactory == nullptr) {
    smContextFactory = factory;
  }
  return true;
}

}  // namespace data_manager
