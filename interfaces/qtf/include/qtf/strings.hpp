// SPDX-License-Identifier: Apache-2.0
//
// Text helpers of the value text form: trimming, splitting and a strict number reader.
#ifndef QTF_STRINGS_HPP
#define QTF_STRINGS_HPP

#include <string>
#include <string_view>
#include <vector>

#include "qtf/qtf_export.hpp"

namespace qtf {

// s without leading and trailing white space (space, tab, newline, carriage return, form feed, vertical tab).
QTF_EXPORT std::string trim(const std::string& s);
QTF_EXPORT std::string_view trim_view(std::string_view s) noexcept;

// The pieces of s between occurrences of sep, in order, empty pieces kept; an empty s gives one empty piece.
QTF_EXPORT std::vector<std::string> tokenize(char sep, const std::string& s);

}  // namespace qtf

// The number written in s: surrounding white space, then a decimal number with optional sign, fraction and exponent,
// or "inf", "infinity", "nan" with an optional sign in any letter case. A number below the smallest double gives the
// nearest double. Anything else, a magnitude beyond the double range included, throws "qtf:string:InvalidNumber" with
// s as its first argument.
QTF_EXPORT double qtf_string_to_double(const std::string& s);
QTF_EXPORT double qtf_string_to_double(std::string_view s);

#endif  // QTF_STRINGS_HPP
