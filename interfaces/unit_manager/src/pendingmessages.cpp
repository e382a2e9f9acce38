// SPDX-License-Identifier: Apache-2.0
#include "pendingmessages.hpp"

#include <iterator>

#include "qtf/messageexception.hpp"

namespace unit_manager {
namespace detail {
namespace {
const qtf::MessageEntry kPendingMessages[] = {
    {msg::kTooManyUnitExpressions,
     "Too many distinct unit expressions: {1} are alive, the limit, so '{2}' cannot be made"},
    {msg::kInvalidDefinition, "Invalid unit definition on line {1}: '{2}'"},
    {msg::kDuplicateUnit, "The unit defined on line {1} is already known: '{2}'"},
    {msg::kAmbiguousUnit,
     "The unit defined on line {1} would give an existing text a second reading (a prefix and a unit): '{2}'"},
};
}  // namespace
const bool kPendingRegistered = qtf::register_messages(kPendingMessages, std::size(kPendingMessages));
}  // namespace detail
}  // namespace unit_manager
