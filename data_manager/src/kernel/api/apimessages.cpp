// SPDX-License-Identifier: Apache-2.0
#include "kernel/api/apimessages.hpp"

#include <iterator>

#include "qtf/messageexception.hpp"

namespace data_manager {
namespace msg {
namespace {

const qtf::MessageEntry kCatalogue[] = {
    {value::ElementCountMismatch, "The element count {1} does not match the dimension {2}"},
    {value::NullElementData, "No element data was given for a value of dimension {1}"},
    {value::ElementTypeMismatch, "Cannot read the elements of a {2} value as {1}"},
    {value::ElementIndexOutOfRange, "Element {1} lies outside a value of dimension {2}"},
};

[[maybe_unused]] const bool kRegistered = qtf::register_messages(kCatalogue, std::size(kCatalogue));

}  // namespace
}  // namespace msg
}  // namespace data_manager
