// SPDX-License-Identifier: Apache-2.0
//
// unknownUnitHint: the "did you mean" text of an unknown-unit error, from the symbols the parsing context knows.
// It runs only on the error path, and depends on nothing but the standard library.
#ifndef UNIT_MANAGER_SRC_SUGGEST_HPP
#define UNIT_MANAGER_SRC_SUGGEST_HPP

#include <string>
#include <string_view>
#include <vector>

namespace unit_manager {
namespace detail {

// Returns "; did you mean 'kn'?", "; did you mean 'm' or 'mm'?" or "; did you mean 'm', 'mm' or 'mi'?" (at most
// three, best first), or "" when no known text is close to unknown. The candidates are every symbol, every prefix
// followed by a prefixable symbol, and the common full names and plurals of those ("meters" -> "m", "kilometres" ->
// "km"); a suggestion is always a text the caller's lists make valid.
std::string unknownUnitHint(std::string_view unknown, const std::vector<std::string_view>& symbols,
                            const std::vector<std::string_view>& prefixableSymbols,
                            const std::vector<std::string_view>& prefixes);

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_SUGGEST_HPP
