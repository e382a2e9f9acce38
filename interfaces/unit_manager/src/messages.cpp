// SPDX-License-Identifier: Apache-2.0
//
// The unit manager's message catalogue, registered when the library loads.
#include "messages.hpp"

#include <iterator>

#include "qtf/messageexception.hpp"

namespace unit_manager {
namespace detail {

namespace {

const qtf::MessageEntry kMessages[] = {
    {msg::kUnknownUnit, "Unknown unit '{1}' in '{2}'"},
    {msg::kInvalidUnitExpression, "Invalid unit expression '{1}' at position {2}: {3}"},
    {msg::kIncommensurateConversion, "Cannot convert '{1}' to '{2}': they measure different quantities"},
    {msg::kExponentOverflow, "An exponent in {1} leaves the 32-bit range"},
    {msg::kZeroDenominator, "Cannot raise '{1}' to the power {2}/{3}: the denominator is zero"},
    {msg::kIncommensurateOperands, "Units '{1}' and '{2}' measure different quantities and cannot be combined"},
    {msg::kAffineUnitMismatch,
     "Units '{1}' and '{2}' differ by an offset, which a scale factor cannot express; convert one of them first"},
    {msg::kInvalidExponent, "Cannot raise '{1}' to the exponent {3} in '{2}': {4}"},
    {msg::kUnknownRule, "There is no unit propagation rule with index {1}"},
    {msg::kInvalidOperandCount, "Unit propagation rule {1} takes {2} operand(s), one factor each; it got {3} and {4}"},
};

const bool kRegistered = qtf::register_messages(kMessages, std::size(kMessages));

}  // namespace

void throwError(const char* identifier, const std::string& a1, const std::string& a2, const std::string& a3,
                const std::string& a4) {
  // Keeps the catalogue's registration referenced, so a static link cannot drop it.
  static_cast<void>(kRegistered);
  throw qtf::MessageException(identifier, a1, a2, a3, a4);
}

}  // namespace detail
}  // namespace unit_manager
