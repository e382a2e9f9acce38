// SPDX-License-Identifier: Apache-2.0
//
// The foundation library's message catalogue, registered when the library loads.
#include "messages.hpp"

#include <iterator>

#include "qtf/messageexception.hpp"

namespace qtf {
namespace msg {
namespace {

const MessageEntry kCatalogue[] = {
    {type::InvalidDataType, "{1} is not an element type"},
    {string::InvalidNumber, "'{1}' is not a number"},
    {subsref::IndexOutOfRange, "Index {1} is outside the {3} extent {2}"},
    {subsref::SelectionTooLarge, "A selection of {1} {2}s is larger than a dimension can hold"},
    {subsref::SourceDimensionMismatch, "A selection made for a {1} matrix cannot be applied to a {2} one"},
};

const bool kRegistered = register_messages(kCatalogue, std::size(kCatalogue));

}  // namespace
}  // namespace msg
}  // namespace qtf
