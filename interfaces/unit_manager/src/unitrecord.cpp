// SPDX-License-Identifier: Apache-2.0
#include "unitrecord.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <utility>

#include "builtindefinitions.hpp"
#include "factorlist.hpp"
#include "factorparser.hpp"
#include "messages.hpp"
#include "qtf/assertion.hpp"
#include "qtf/hasher.hpp"
#include "qtf/messageexception.hpp"

namespace unit_manager {
namespace detail {

namespace {

const long double kPi = 3.141592653589793238462643383279502884L;

std::atomic<std::uint64_t> gNextRecordSerial{1};
std::atomic<std::uint64_t> gNextBlockKey{1};

bool isSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool isLetter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view trim(std::string_view text) noexcept {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

// A symbol: a letter, then letters, digits and '_'.
bool isSymbol(std::string_view text) noexcept {
  if (text.empty() || !isLetter(text[0])) return false;
  for (const char c : text) {
    if (!isLetter(c) && !isDigit(c) && c != '_') return false;
  }
  return true;
}

// digits ["." digits] or "." digits, then an optional exponent: "1000", "0.3048", "1e-10", "1.602176634e-19".
bool isDecimal(std::string_view text) noexcept {
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    if (i == start) return false;
  }
  return i == text.size();
}

// Decimals and "pi" joined by '*' and '/', without white space: "1000", "5/9", "pi/180", "1852/3600".
bool isNumber(std::string_view text) noexcept {
  if (text.empty()) return false;
  for (;;) {
    const std::size_t end = text.find_first_of("*/");
    const std::string_view token = text.substr(0, end);
    if (token != "pi" && !isDecimal(token)) return false;
    if (end == std::string_view::npos) return true;
    text.remove_prefix(end + 1);
  }
}

// The value of a text isNumber accepts: exact unless pi is involved or a decimal leaves the 128-bit fractions. False
// for a division by zero.
bool evaluateNumber(std::string_view text, Number& out) {
  Number value;
  bool divide = false;
  for (;;) {
    const std::size_t end = text.find_first_of("*/");
    const std::string_view token = text.substr(0, end);
    Number operand;
    Rational r;
    if (token == "pi") {
      operand = Number::approximate(kPi);
    } else if (parseDecimal(token, r)) {
      operand = Number(r);
    } else {
      const long double approximate = std::strtold(std::string(token).c_str(), nullptr);
      if (!std::isfinite(approximate)) return false;
      operand = Number::approximate(approximate);
    }
    if (divide && operand.isZero()) return false;
    value = divide ? value / operand : value * operand;
    if (end == std::string_view::npos) break;
    divide = text[end] == '/';
    text.remove_prefix(end + 1);
  }
  out = value;
  return true;
}

// The exact fraction of a double, when its numerator and denominator fit.
bool rationalOfDouble(double value, Rational& out) noexcept {
  if (!std::isfinite(value)) return false;
  if (value == 0.0) {
    out = Rational();
    return true;
  }
  int exponent = 0;
  const double fraction = std::frexp(value, &exponent);  // value = fraction * 2^exponent, 0.5 <= |fraction| < 1
  const auto mantissa = static_cast<std::int64_t>(std::ldexp(fraction, 53));
  exponent -= 53;
  if (exponent >= 0) {
    if (exponent > 70) return false;
    return Rational::make(static_cast<Int128>(mantissa) << exponent, 1, out);
  }
  if (exponent < -125) return false;
  return Rational::make(mantissa, static_cast<Int128>(1) << -exponent, out);
}

bool finiteNonZero(double value) noexcept { return std::isfinite(value) && value != 0.0; }

std::uint64_t hashOfText(const std::string& text) noexcept {
  qtf::Hasher hasher;
  hasher.addString(text);
  return hasher.getHash();
}

// The base units' lines in the built-in text: "m = <length>", "g = 0.001 <mass>".
const char* const kDimensionNames[kBaseCount] = {"mass",        "length", "time",      "current",
                                                 "temperature", "amount", "luminosity"};
const char* const kBaseDescriptions[kBaseCount] = {"base unit of mass",
                                                   "base unit of length",
                                                   "base unit of time",
                                                   "base unit of electric current",
                                                   "base unit of temperature",
                                                   "base unit of amount of substance",
                                                   "base unit of luminous intensity"};

// One line of a definitions text, split by its syntax.
struct Line {
  bool prefixable = false;
  std::string_view symbol;
  std::string_view definition;  // what follows "=", without the comment
  std::string_view scale;       // the leading number, or empty
  std::string_view expr;        // the unit expression, or empty
  std::string_view offset;      // after "@", or empty
  int baseDimension = -1;       // for a built-in base unit's "<dimension>"
};

// A resolver that knows every symbol, each as a unit of its own, so that the grammar of an expression can be checked
// before any symbol in it is looked up.
class AnySymbol final : public SymbolResolver {
 public:
  const UnitRecord* resolve(std::string_view symbol) const override {
    auto& slot = mRecords[std::string(symbol)];
    if (!slot) {
      slot = std::make_unique<UnitRecord>(std::string(symbol), std::string(), BaseExponents{}, Number(), Rational(),
                                          false, nullptr, nullptr);
    }
    return slot.get();
  }
  void listSymbols(std::vector<std::string_view>& /*symbols*/,
                   std::vector<std::string_view>& /*prefixableSymbols*/) const override {}

 private:
  mutable std::unordered_map<std::string, std::unique_ptr<UnitRecord>> mRecords;
};

// Builds one block from a definitions text, line by line: each line may use the units of the lines above it.
class Loader final : public SymbolResolver {
 public:
  // builtin is null while the built-in table itself loads; then base-unit lines are allowed, records have no owner
  // and the block is never freed.
  Loader(const DefinitionsBlock* builtin, const DefinitionsBlock* previous)
      : mBuiltin(builtin), mBlock(new DefinitionsBlock()) {
    if (previous == nullptr) return;
    retainDefinitions(previous);
    mBlock->previous = previous;
    try {
      mBlock->bySymbol = previous->bySymbol;
      mBlock->unprefixed = previous->unprefixed;
    } catch (...) {
      releaseDefinitions(mBlock);  // the destructor does not run for a constructor that throws
      throw;
    }
  }
  ~Loader() {
    if (mBlock != nullptr) releaseDefinitions(mBlock);
  }
  Loader(const Loader&) = delete;
  Loader& operator=(const Loader&) = delete;

  const UnitRecord* resolve(std::string_view symbol) const override {
    if (mBuiltin != nullptr) {
      if (const UnitRecord* record = mBuiltin->find(symbol)) return record;
    }
    return mBlock->find(symbol);
  }
  void listSymbols(std::vector<std::string_view>& /*symbols*/,
                   std::vector<std::string_view>& /*prefixableSymbols*/) const override {}

  const DefinitionsBlock* load(const std::string& text) {
    std::size_t start = 0;
    int number = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      ++number;
      loadLine(std::string_view(text).substr(start, end - start), number);
      start = end + 1;
    }
    mBlock->key = gNextBlockKey.fetch_add(1, std::memory_order_relaxed);
    const DefinitionsBlock* block = mBlock;
    mBlock = nullptr;
    return block;
  }

 private:
  void loadLine(std::string_view raw, int number) {
    std::string_view body = raw.substr(0, raw.find('#'));
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    body = trim(body);
    if (body.empty()) return;
    Line line;
    if (!split(body, line)) fail(msg::definition::InvalidDefinition, number, raw);
    checkSymbol(line, number, raw);
    define(line, number, raw);
  }

  [[noreturn]] static void fail(const char* identifier, int number, std::string_view raw) {
    qtf::raise(identifier, number, trim(raw));
  }

  // The line's syntax: [prefixable] symbol = [number] [expr] [@ [-]number].
  bool split(std::string_view body, Line& line) const {
    constexpr std::string_view kKeyword = "prefixable";
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) return false;
    std::string_view head = trim(body.substr(0, equals));
    if (head.substr(0, kKeyword.size()) == kKeyword && head.size() > kKeyword.size() &&
        isSpace(head[kKeyword.size()])) {
      line.prefixable = true;
      head = trim(head.substr(kKeyword.size()));
    }
    // "pi" stands for the number in every definition, so it cannot name a unit.
    if (!isSymbol(head) || head == "pi") return false;
    line.symbol = head;
    line.definition = trim(body.substr(equals + 1));
    std::string_view rest = line.definition;
    const std::size_t at = rest.find('@');
    if (at != std::string_view::npos) {
      line.offset = trim(rest.substr(at + 1));
      rest = trim(rest.substr(0, at));
      const std::string_view magnitude = line.offset.substr(!line.offset.empty() && line.offset[0] == '-' ? 1 : 0);
      // An offset needs a unit to be in, and a prefix would scale it.
      if (!isNumber(magnitude) || line.prefixable) return false;
    }
    if (rest.empty()) return false;
    std::size_t firstEnd = 0;
    while (firstEnd < rest.size() && !isSpace(rest[firstEnd])) ++firstEnd;
    if (isNumber(rest.substr(0, firstEnd))) {
      line.scale = rest.substr(0, firstEnd);
      line.expr = trim(rest.substr(firstEnd));
    } else {
      line.expr = rest;
    }
    if (line.expr.empty()) return line.offset.empty();  // a plain number has no unit for an offset to be in
    if (mBuiltin == nullptr && line.expr.size() > 2 && line.expr.front() == '<' && line.expr.back() == '>') {
      const std::string_view name = line.expr.substr(1, line.expr.size() - 2);
      for (int i = 0; i < kBaseCount; ++i) {
        if (name == kDimensionNames[i]) line.baseDimension = i;
      }
      return line.baseDimension >= 0 && line.offset.empty();
    }
    // The built-in text is checked when it loads, by the same parse that defines the unit, so only a user's text pays
    // for reading its grammar apart from its symbols (which decides the order of the errors).
    if (mBuiltin == nullptr) return true;
    try {
      const AnySymbol anySymbol;
      parseFactors(std::string(line.expr), anySymbol);
    } catch (const qtf::MessageException&) {
      return false;
    }
    return true;
  }

  // DuplicateUnit before AmbiguousUnit.
  void checkSymbol(const Line& line, int number, std::string_view raw) const {
    const UnitRecord* existing = resolve(line.symbol);
    if (existing != nullptr && existing->prefixOf == nullptr) fail(msg::definition::DuplicateUnit, number, raw);
    // A prefix plus an existing prefixable unit: the symbol would take that text's reading away.
    if (existing != nullptr) fail(msg::definition::AmbiguousUnit, number, raw);
    if (!line.prefixable) return;
    for (const Prefix& prefix : siPrefixes()) {
      const std::string prefixed = std::string(prefix.symbol) + std::string(line.symbol);
      if (resolve(prefixed) == nullptr) continue;
      // The built-in table keeps "ft" the foot beside the prefixable tonne; no other text gets a second reading.
      if (mBuiltin == nullptr && prefixed == "ft") continue;
      fail(msg::definition::AmbiguousUnit, number, raw);
    }
  }

  // The definition's meaning, then the records: the unit itself and, for a prefixable line, its prefixed forms.
  void define(const Line& line, int number, std::string_view raw) {
    Number scale;
    if (!line.scale.empty() && !evaluateNumber(line.scale, scale))
      fail(msg::definition::InvalidDefinition, number, raw);
    BaseExponents dims{};
    Quantities q;
    std::string description(line.definition);
    if (line.baseDimension >= 0) {
      dims[static_cast<std::size_t>(line.baseDimension)] = 1;
      description = line.scale.empty() ? kBaseDescriptions[line.baseDimension] : std::string(line.scale) + " kg";
    } else if (!line.expr.empty()) {
      FactorList factors;
      try {
        factors = parseFactors(std::string(line.expr), *this);
      } catch (const qtf::MessageException&) {
        fail(msg::definition::InvalidDefinition, number, raw);  // an unknown unit: the grammar was checked before
      }
      if (!computeQuantities(factors, q)) fail(msg::definition::InvalidDefinition, number, raw);
      for (std::size_t i = 0; i < dims.size(); ++i) {
        // Records keep whole dimensions: a definition with a fractional one has no unit to be.
        if (q.dims[i].den != 1 || q.dims[i].num > std::numeric_limits<int>::max() ||
            q.dims[i].num < std::numeric_limits<int>::min()) {
          fail(msg::definition::InvalidDefinition, number, raw);
        }
        dims[i] = static_cast<int>(q.dims[i].num);
      }
      if (!line.offset.empty() && q.affine) fail(msg::definition::InvalidDefinition, number, raw);
    }
    const Number total = scale * q.scale;
    if (!finiteNonZero(total.toDouble())) fail(msg::definition::InvalidDefinition, number, raw);
    // x [symbol] = (scale * x + offset) [expr]: the offset is in expr's units, plus expr's own offset.
    Rational offsetInBase = q.offset;
    if (!line.offset.empty()) {
      const bool negative = line.offset[0] == '-';
      Number offset;
      if (!evaluateNumber(line.offset.substr(negative ? 1 : 0), offset))
        fail(msg::definition::InvalidDefinition, number, raw);
      Number scaled = offset * q.scale;
      if (negative) scaled = Number(Rational()) - scaled;
      Rational sum;
      Rational part;
      const bool exact =
          scaled.isExact() ? (part = scaled.rational(), true) : rationalOfDouble(scaled.toDouble(), part);
      if (!exact || !std::isfinite(scaled.toDouble()) || !add(part, q.offset, sum)) {
        fail(msg::definition::InvalidDefinition, number, raw);
      }
      offsetInBase = sum;
    }
    const UnitRecord* record = addRecord(std::string(line.symbol), std::move(description), dims, total, offsetInBase,
                                         line.prefixable, nullptr);
    mBlock->unprefixed.push_back(&record->handle);
    if (!line.prefixable) return;
    for (const Prefix& prefix : siPrefixes()) {
      std::string symbol = std::string(prefix.symbol) + record->symbol;
      if (resolve(symbol) != nullptr) continue;  // "ft" stays the foot
      addRecord(std::move(symbol), std::string(prefix.factor) + " " + record->symbol, dims,
                Number(prefix.value) * record->scale, Rational(), false, record);
    }
  }

  const UnitRecord* addRecord(std::string symbol, std::string definition, const BaseExponents& dims,
                              const Number& scale, const Rational& offset, bool prefixable,
                              const UnitRecord* prefixOf) {
    const DefinitionsBlock* owner = mBuiltin == nullptr ? nullptr : mBlock;
    std::vector<std::unique_ptr<const UnitRecord>>& records = mBlock->records;
    if (records.size() == records.capacity()) records.reserve(records.empty() ? 64 : 2 * records.size());
    auto record = std::make_unique<UnitRecord>(std::move(symbol), std::move(definition), dims, scale, offset,
                                               prefixable, prefixOf, owner);
    const UnitRecord* made = record.get();
    mBlock->bySymbol.emplace(made->symbol, made);
    records.push_back(std::move(record));  // cannot throw: room was reserved
    return made;
  }

  const DefinitionsBlock* mBuiltin;
  DefinitionsBlock* mBlock;
};

}  // namespace

UnitRecord::UnitRecord(std::string symbolText, std::string definitionText, const BaseExponents& baseExponents,
                       const Number& scaleToBase, const Rational& offsetInBase, bool canTakePrefix,
                       const UnitRecord* prefixOfUnit, const DefinitionsBlock* ownerBlock)
    : symbol(std::move(symbolText)),
      symbolHash(hashOfText(ownerBlock == nullptr ? symbol : symbol + "=" + definitionText)),
      definition(std::move(definitionText)),
      dims(baseExponents),
      scale(scaleToBase),
      offset(offsetInBase),
      affine(!offsetInBase.isZero()),
      prefixable(canTakePrefix),
      prefixOf(prefixOfUnit),
      owner(ownerBlock),
      serial(gNextRecordSerial.fetch_add(1, std::memory_order_relaxed)),
      handle(this) {}

const std::vector<Prefix>& siPrefixes() {
  static const std::vector<Prefix>* const prefixes = [] {
    auto* made = new std::vector<Prefix>{
        {"Y", "1e24", {}},  {"Z", "1e21", {}},  {"E", "1e18", {}},  {"P", "1e15", {}},  {"T", "1e12", {}},
        {"G", "1e9", {}},   {"M", "1e6", {}},   {"k", "1000", {}},  {"h", "100", {}},   {"da", "10", {}},
        {"d", "0.1", {}},   {"c", "0.01", {}},  {"m", "0.001", {}}, {"u", "1e-6", {}},  {"n", "1e-9", {}},
        {"p", "1e-12", {}}, {"f", "1e-15", {}}, {"a", "1e-18", {}}, {"z", "1e-21", {}}, {"y", "1e-24", {}},
    };
    for (Prefix& prefix : *made) {
      if (!parseDecimal(prefix.factor, prefix.value)) qtf_assertion("unit table: bad prefix", __FILE__, __LINE__);
    }
    return made;
  }();
  return *prefixes;
}

std::vector<std::string_view> siPrefixSymbols() {
  std::vector<std::string_view> symbols;
  for (const Prefix& prefix : siPrefixes()) symbols.emplace_back(prefix.symbol);
  return symbols;
}

KnownSymbols knownSymbols(const SymbolResolver& resolver) {
  KnownSymbols known;
  resolver.listSymbols(known.symbols, known.prefixableSymbols);
  known.prefixes = siPrefixSymbols();
  return known;
}

DefinitionsBlock::~DefinitionsBlock() = default;

// A context defined into many times holds a long chain of blocks; they are freed in a loop, not by recursion.
void releaseDefinitions(const DefinitionsBlock* block) noexcept {
  while (block != nullptr && block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    const DefinitionsBlock* previous = block->previous;
    delete block;
    block = previous;
  }
}

const DefinitionsBlock* loadDefinitions(const std::string& text, const DefinitionsBlock* previous) {
  const UnitTable& table = UnitTable::instance();
  return Loader(table.block(), previous).load(text);
}

namespace {

void listBlock(const std::vector<const Unit*>& units, std::vector<std::string_view>& symbols,
               std::vector<std::string_view>& prefixableSymbols) {
  for (const Unit* unit : units) {
    const UnitRecord* record = UnitRecord::of(*unit);
    symbols.emplace_back(record->symbol);
    if (record->prefixable) prefixableSymbols.emplace_back(record->symbol);
  }
}

}  // namespace

const UnitTable& UnitTable::instance() {
  static const UnitTable* const table = [] {
    auto* built = new UnitTable();
    try {
      built->mBlock = Loader(nullptr, nullptr).load(builtinDefinitions());
    } catch (const qtf::MessageException& e) {
      qtf_assertion(("unit table: " + e.message()).c_str(), __FILE__, __LINE__);
    }
    const char* const baseSymbols[kBaseCount] = {"kg", "m", "s", "A", "K", "mol", "cd"};
    for (int i = 0; i < kBaseCount; ++i) {
      built->mBase[static_cast<std::size_t>(i)] = built->resolve(baseSymbols[i]);
      if (built->mBase[static_cast<std::size_t>(i)] == nullptr) {
        qtf_assertion("unit table: a base unit is missing", __FILE__, __LINE__);
      }
    }
    return built;
  }();
  return *table;
}

void UnitTable::listSymbols(std::vector<std::string_view>& symbols,
                            std::vector<std::string_view>& prefixableSymbols) const {
  listBlock(mBlock->unprefixed, symbols, prefixableSymbols);
}

const UnitRecord* ContextResolver::resolve(std::string_view symbol) const {
  if (const UnitRecord* record = UnitTable::instance().resolve(symbol)) return record;
  return mHead == nullptr ? nullptr : mHead->find(symbol);
}

void ContextResolver::listSymbols(std::vector<std::string_view>& symbols,
                                  std::vector<std::string_view>& prefixableSymbols) const {
  UnitTable::instance().listSymbols(symbols, prefixableSymbols);
  if (mHead != nullptr) listBlock(mHead->unprefixed, symbols, prefixableSymbols);
}

}  // namespace detail

const std::string& Unit::symbol() const noexcept { return mRecord->symbol; }
const std::string& Unit::definition() const noexcept { return mRecord->definition; }
bool Unit::isAffine() const noexcept { return mRecord->affine; }

const Unit* findUnit(const std::string& symbol) {
  const detail::UnitRecord* record = detail::UnitTable::instance().resolve(symbol);
  return record == nullptr ? nullptr : &record->handle;
}

const std::vector<const Unit*>& unitTable() { return detail::UnitTable::instance().unprefixed(); }

}  // namespace unit_manager
