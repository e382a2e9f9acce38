// SPDX-License-Identifier: Apache-2.0
//
// The unit text grammar:
//   expr     := term (("*" | "/") term)*        left-associative: m/s/s = m/s^2
//   term     := factor ["^" exponent]
//   factor   := symbol | "1" | "(" expr ")"
//   exponent := ["-"] integer | ["-"] decimal | "(" ["-"] (integer | decimal) ")" | "(" ["-"] integer "/" integer ")"
// White space between tokens is ignored. Parentheses nest at most kMaxNesting deep, so no text can exhaust the stack.
#ifndef UNIT_MANAGER_SRC_FACTORPARSER_HPP
#define UNIT_MANAGER_SRC_FACTORPARSER_HPP

#include <string>

#include "factorlist.hpp"
#include "unitrecord.hpp"

namespace unit_manager {
namespace detail {

inline constexpr int kMaxNesting = 100;

// The product that text describes, symbols looked up in units. Throws "unit_manager:parser:UnknownUnit" (the symbol,
// the text) and "unit_manager:parser:InvalidUnitExpression" (the text, the 0-based position, the reason).
FactorList parseFactors(const std::string& text, const SymbolResolver& units);

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_FACTORPARSER_HPP
