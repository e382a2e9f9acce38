// SPDX-License-Identifier: Apache-2.0
//
// Test-only reads of a value's internals: reference counts and reference chains. They are compiled into the test and
// fuzz programs (internals.cpp), so the shipped library exports nothing for them.
#ifndef SORVEXA_TEST_INTERNALS_HPP
#define SORVEXA_TEST_INTERNALS_HPP

#include <cstdint>

#include "data_manager/value.hpp"

namespace sorvexa_test {

// The number of handles and references that share v's value data.
std::int32_t refCount(const data_manager::Value& v);
// Identifies v's value data: equal for handles that share it.
const void* dataIdentity(const data_manager::Value& v);
// The dataIdentity of the value data that v's own value data refers to directly; null unless it is a reference.
const void* referent(const data_manager::Value& v);

}  // namespace sorvexa_test

#endif  // SORVEXA_TEST_INTERNALS_HPP
