// SPDX-License-Identifier: Apache-2.0
#include "qtf/strings.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "messages.hpp"
#include "qtf/messageexception.hpp"

namespace qtf {
namespace {

constexpr bool isWhiteSpace(char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool equalsIgnoringCase(std::string_view text, std::string_view lower) noexcept {
  if (text.size() != lower.size()) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
    if (c != lower[i]) {
      return false;
    }
  }
  return true;
}

[[noreturn]] void throwInvalidNumber(std::string_view text) { raise(msg::string::InvalidNumber, text); }

}  // namespace

std::string_view trim_view(std::string_view s) noexcept {
  std::size_t first = 0;
  std::size_t last = s.size();
  while (first < last && isWhiteSpace(s[first])) {
    ++first;
  }
  while (last > first && isWhiteSpace(s[last - 1])) {
    --last;
  }
  return s.substr(first, last - first);
}

std::string trim(const std::string& s) { return std::string(trim_view(s)); }

std::vector<std::string> tokenize(char sep, const std::string& s) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t next = s.find(sep, start);
    if (next == std::string::npos) {
      pieces.emplace_back(s, start);
      return pieces;
    }
    pieces.emplace_back(s, start, next - start);
    start = next + 1;
  }
}

}  // namespace qtf

double qtf_string_to_double(const std::string& s) { return qtf_string_to_double(std::string_view(s)); }

double qtf_string_to_double(std::string_view s) {
  const std::string_view text = qtf::trim_view(s);
  std::string_view body = text;
  bool negative = false;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (body.empty()) {
    qtf::throwInvalidNumber(s);
  }
  const char first = body[0];
  if ((first >= '0' && first <= '9') || first == '.') {
    double value = 0.0;
    const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (end != body.data() + body.size()) {
      qtf::throwInvalidNumber(s);
    }
    if (ec == std::errc::result_out_of_range) {
      // from_chars reports underflow and overflow alike; strtod tells them apart. Underflow gives the nearest double,
      // overflow is an error.
      const std::string copy(body);
      errno = 0;
      value = std::strtod(copy.c_str(), nullptr);
      if (std::isinf(value)) {
        qtf::throwInvalidNumber(s);
      }
    } else if (ec != std::errc()) {
      qtf::throwInvalidNumber(s);
    }
    return negative ? -value : value;
  }
  if (qtf::equalsIgnoringCase(body, "inf") || qtf::equalsIgnoringCase(body, "infinity")) {
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  }
  if (qtf::equalsIgnoringCase(body, "nan")) {
    return negative ? -std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::quiet_NaN();
  }
  qtf::throwInvalidNumber(s);
}
