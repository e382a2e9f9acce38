// SPDX-License-Identifier: Apache-2.0
#include "sorvexa_test/internals.hpp"

#include "kernel/value/valueaccess.hpp"

namespace sorvexa_test {

using data_manager::detail::ValueAccess;

std::int32_t refCount(const data_manager::Value& v) { return ValueAccess::data(v).getRefCount(); }

const void* dataIdentity(const data_manager::Value& v) { return &ValueAccess::data(v); }

const void* referent(const data_manager::Value& v) { return ValueAccess::data(v).getState().nextInChain(); }

}  // namespace sorvexa_test
