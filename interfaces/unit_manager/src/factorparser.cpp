// SPDX-License-Identifier: Apache-2.0
#include "factorparser.hpp"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "messages.hpp"
#include "suggest.hpp"

namespace unit_manager {
namespace detail {

namespace {

bool isSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool isSymbolStart(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isSymbolChar(char c) noexcept { return isSymbolStart(c) || isDigit(c); }

class Parser {
 public:
  Parser(const std::string& text, const SymbolResolver& units) : mText(text), mUnits(units) {}

  FactorList parseAll() {
    skipSpace();
    if (atEnd()) fail("the text names no unit");
    FactorList list = expression(0);
    skipSpace();
    if (!atEnd()) {
      const char c = peek();
      fail(c == '^' ? "exponents do not chain; use parentheses"
                    : (c == ')' ? "')' without a matching '('" : "expected '*', '/' or the end of the text"));
    }
    return list;
  }

 private:
  // Terms joined by '*' and '/', multiplied into one list as they are read. A unit raised to a power goes straight
  // into the list; only parenthesised groups build lists of their own.
  FactorList expression(int depth) {
    FactorList list;
    list.reserve(4);
    term(depth, list, false, mPos);
    for (;;) {
      skipSpace();
      if (atEnd() || (peek() != '*' && peek() != '/')) return list;
      const std::size_t operatorPos = mPos;
      const bool divide = peek() == '/';
      ++mPos;
      term(depth, list, divide, operatorPos);
    }
  }

  // A factor with an optional "^exponent", multiplied into list (divided when divide is set). A product whose
  // exponent leaves the 32-bit range is reported at the operator, a power that does at its exponent.
  void term(int depth, FactorList& list, bool divide, std::size_t operatorPos) {
    skipSpace();
    if (atEnd()) fail("expected a unit, '1' or '('");
    const char c = peek();
    if (c == '(') {
      if (depth >= kMaxNesting) fail("parentheses nest too deeply");
      ++mPos;
      FactorList group = expression(depth + 1);
      skipSpace();
      if (atEnd() || peek() != ')') fail("expected ')'");
      ++mPos;
      if (const auto power = optionalExponent()) {
        if (!raiseTo(group, power->first)) failAt(power->second, "an exponent leaves the 32-bit range");
      }
      if (!multiplyInto(list, group, divide)) failAt(operatorPos, "an exponent leaves the 32-bit range");
      return;
    }
    if (isSymbolStart(c)) {
      const std::size_t start = mPos;
      while (!atEnd() && isSymbolChar(peek())) ++mPos;
      const std::string_view symbol(mText.data() + start, mPos - start);
      const UnitRecord* unit = mUnits.resolve(symbol);
      if (unit == nullptr) qtf::raise_detailed(msg::parser::UnknownUnit, unknownUnitHintFor(symbol), symbol, mText);
      Factor factor{unit, Exponent{1, 1}};
      if (const auto power = optionalExponent()) factor.power = power->first;
      if (!factor.power.isZero() && !multiplyFactor(list, factor, divide)) {
        failAt(operatorPos, "an exponent leaves the 32-bit range");
      }
      return;
    }
    if (isDigit(c)) {
      const std::size_t start = mPos;
      while (!atEnd() && (isDigit(peek()) || peek() == '.')) ++mPos;
      if (mPos - start != 1 || c != '1') failAt(start, "a number other than 1 cannot stand for a unit");
      optionalExponent();  // 1 to any power is 1
      return;
    }
    fail("expected a unit, '1' or '('");
  }

  // After a factor: "^" and the exponent with its position, if there is one.
  std::optional<std::pair<Exponent, std::size_t>> optionalExponent() {
    skipSpace();
    if (atEnd() || peek() != '^') return std::nullopt;
    ++mPos;
    skipSpace();
    const std::size_t exponentPos = mPos;
    return std::make_pair(exponent(), exponentPos);
  }

  Exponent exponent() {
    skipSpace();
    if (atEnd()) fail("expected an exponent");
    if (peek() != '(') return signedNumber();
    ++mPos;
    Exponent e = signedNumber();
    skipSpace();
    if (!atEnd() && peek() == '/') {
      if (e.den != 1 || mDecimalRead) fail("a fraction exponent takes integers");
      ++mPos;
      skipSpace();
      const std::size_t denominatorPos = mPos;
      if (atEnd() || !isDigit(peek())) fail("expected the exponent's denominator");
      const std::int32_t den = integer();
      if (den == 0) failAt(denominatorPos, "the exponent's denominator is zero");
      if (!Exponent::make(e.num, den, e)) failAt(denominatorPos, "the exponent leaves the 32-bit range");
      skipSpace();
    }
    if (atEnd() || peek() != ')') fail("expected ')' after the exponent");
    ++mPos;
    return e;
  }

  // ["-"] integer or ["-"] decimal; a decimal must be p/q with q <= 12 within 1e-9.
  Exponent signedNumber() {
    skipSpace();
    const std::size_t start = mPos;
    const bool negative = !atEnd() && peek() == '-';
    if (negative) {
      ++mPos;
      skipSpace();
    }
    if (atEnd() || !isDigit(peek())) fail("expected an exponent");
    const std::size_t digitsStart = mPos;
    while (!atEnd() && isDigit(peek())) ++mPos;
    mDecimalRead = !atEnd() && peek() == '.';
    if (!mDecimalRead) {
      mPos = digitsStart;
      const std::int32_t magnitude = integer();
      return Exponent{negative ? -magnitude : magnitude, 1};
    }
    ++mPos;
    if (atEnd() || !isDigit(peek())) fail("expected digits after the decimal point");
    while (!atEnd() && isDigit(peek())) ++mPos;
    double value = 0.0;
    const auto parsed = std::from_chars(mText.data() + digitsStart, mText.data() + mPos, value);
    Exponent e;
    if (parsed.ec != std::errc() || !nearestSmallFraction(negative ? -value : value, e)) {
      failAt(start, "a decimal exponent must be a fraction with a denominator up to 12");
    }
    return e;
  }

  // Digits at the current position, at most 2^31 - 1.
  std::int32_t integer() {
    const std::size_t start = mPos;
    std::int64_t value = 0;
    while (!atEnd() && isDigit(peek())) {
      value = value * 10 + (peek() - '0');
      if (value > std::numeric_limits<std::int32_t>::max()) failAt(start, "the exponent leaves the 32-bit range");
      ++mPos;
    }
    return static_cast<std::int32_t>(value);
  }

  void skipSpace() noexcept {
    while (!atEnd() && isSpace(peek())) ++mPos;
  }
  bool atEnd() const noexcept { return mPos >= mText.size(); }
  char peek() const noexcept { return mText[mPos]; }

  // "; did you mean 'm'?" from the symbols the resolver knows; "" when none is close.
  std::string unknownUnitHintFor(std::string_view symbol) const {
    const KnownSymbols known = knownSymbols(mUnits);
    return unknownUnitHint(symbol, known.symbols, known.prefixableSymbols, known.prefixes);
  }

  [[noreturn]] void fail(const char* reason) const { failAt(mPos, reason); }
  [[noreturn]] void failAt(std::size_t pos, const char* reason) const {
    qtf::raise(msg::parser::InvalidUnitExpression, mText, pos, reason);
  }

  const std::string& mText;
  const SymbolResolver& mUnits;
  std::size_t mPos = 0;
  bool mDecimalRead = false;
};

}  // namespace

FactorList parseFactors(const std::string& text, const SymbolResolver& units) { return Parser(text, units).parseAll(); }

}  // namespace detail
}  // namespace unit_manager
