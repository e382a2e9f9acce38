// SPDX-License-Identifier: Apache-2.0
//
// The intermediate representation's message catalogue, registered when the library loads.
#include "messages.hpp"

#include <iterator>

#include "qtf/messageexception.hpp"

namespace qtir {
namespace msg {
namespace {

const qtf::MessageEntry kCatalogue[] = {
    {type::InvalidElementType, "{1} is not an element type of the representation"},
    {type::NotAMatrixElementType, "A matrix type needs a builtin element type"},
    {scope::InvalidScopeType, "{1} is not a scope type"},
    {scope::InvalidItemType, "{1} is not a scope item type"},
    {scope::DuplicateName, "'{1}' is declared already in this scope"},
    {expression::NotAssignable, "'{1}' cannot be assigned to"},
};

const bool kRegistered = qtf::register_messages(kCatalogue, std::size(kCatalogue));

}  // namespace
}  // namespace msg
}  // namespace qtir
