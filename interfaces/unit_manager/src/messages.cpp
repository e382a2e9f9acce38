// SPDX-License-Identifier: Apache-2.0
//
// The unit manager's message catalogue, registered when the library loads.
#include "messages.hpp"

#include <iterator>

namespace unit_manager {
namespace detail {
namespace msg {
namespace {

const qtf::MessageEntry kCatalogue[] = {
    {parser::UnknownUnit, "Unknown unit '{1}' in '{2}'"},
    {parser::InvalidUnitExpression, "Invalid unit expression '{1}' at position {2}: {3}"},
    {unit::IncommensurateUnits, "Cannot convert '{1}' to '{2}': they measure different quantities"},
    {unit::ExponentOverflow, "An exponent in {1} leaves the 32-bit range"},
    {unit::InvalidExponent, "Cannot raise '{1}' to the power {2}/{3}: the denominator is zero"},
    {unit::TooManyUnitExpressions,
     "Too many distinct unit expressions: {1} are alive, the limit, so '{2}' cannot be made; drop some first"},
    {definition::InvalidDefinition, "Invalid unit definition on line {1}: '{2}'"},
    {definition::DuplicateUnit, "The unit defined on line {1} is already known: '{2}'"},
    {definition::AmbiguousUnit,
     "The unit defined on line {1} would give an existing text a second reading (a prefix and a unit): '{2}'"},
    {propagation::IncommensurateUnits, "Units '{1}' and '{2}' measure different quantities and cannot be combined"},
    {propagation::AffineUnitMismatch,
     "Units '{1}' and '{2}' differ by an offset, which a scale factor cannot express; convert one of them first"},
    {propagation::InvalidExponent, "Cannot raise '{1}' to the exponent {3} in '{2}': {4}"},
    {propagation::UnknownRule, "There is no unit propagation rule with index {1}"},
    {propagation::InvalidOperandCount,
     "Unit propagation rule {1} takes {2} operand(s), one factor each; it got {3} and {4}"},
};

const bool kRegistered = qtf::register_messages(kCatalogue, std::size(kCatalogue));

}  // namespace
}  // namespace msg
}  // namespace detail
}  // namespace unit_manager
