// SPDX-License-Identifier: Apache-2.0
#include "unitrecord.hpp"

#include <iterator>
#include <utility>

#include "factorlist.hpp"
#include "factorparser.hpp"
#include "qtf/assertion.hpp"
#include "qtf/hasher.hpp"

namespace unit_manager {
namespace detail {

namespace {

// The base units. Mass is based on the gram so that prefixes apply to it; the fundamental form uses kg.
struct BaseRow {
  const char* symbol;
  int dimension;
  const char* scale;
  const char* definition;
};

const BaseRow kBaseRows[] = {
    {"m", 1, "1", "base unit of length"},
    {"g", 0, "0.001", "0.001 kg"},
    {"s", 2, "1", "base unit of time"},
    {"A", 3, "1", "base unit of electric current"},
    {"K", 4, "1", "base unit of temperature"},
    {"mol", 5, "1", "base unit of amount of substance"},
    {"cd", 6, "1", "base unit of luminous intensity"},
};

// x [symbol] = (factor * x + offset) [unit]. The unit text may only use units defined above it, so every definition
// stays exact where its numbers are.
struct DerivedRow {
  const char* symbol;
  const char* factor;
  const char* unit;
  const char* offset;
  bool prefixable;
};

constexpr bool kPrefixable = true;
constexpr bool kNoPrefix = false;

const DerivedRow kDerivedRows[] = {
    {"rad", "", "1", "", kPrefixable},
    {"sr", "", "rad^2", "", kNoPrefix},
    {"Hz", "", "1/s", "", kPrefixable},
    {"N", "", "kg*m/s^2", "", kPrefixable},
    {"Pa", "", "N/m^2", "", kPrefixable},
    {"J", "", "N*m", "", kPrefixable},
    {"W", "", "J/s", "", kPrefixable},
    {"C", "", "A*s", "", kPrefixable},
    {"V", "", "W/A", "", kPrefixable},
    {"F", "", "C/V", "", kPrefixable},
    {"Ohm", "", "V/A", "", kPrefixable},
    {"S", "", "A/V", "", kPrefixable},
    {"Wb", "", "V*s", "", kPrefixable},
    {"T", "", "Wb/m^2", "", kPrefixable},
    {"H", "", "Wb/A", "", kPrefixable},
    {"lm", "", "cd*sr", "", kPrefixable},
    {"lx", "", "lm/m^2", "", kPrefixable},
    {"deg", "pi/180", "rad", "", kNoPrefix},
    {"rev", "2*pi", "rad", "", kNoPrefix},
    {"min", "60", "s", "", kNoPrefix},
    {"h", "3600", "s", "", kNoPrefix},
    {"d", "86400", "s", "", kNoPrefix},
    {"rpm", "", "rev/min", "", kNoPrefix},
    {"l", "0.001", "m^3", "", kPrefixable},
    {"L", "0.001", "m^3", "", kPrefixable},
    {"gal", "0.003785411784", "m^3", "", kNoPrefix},
    {"in", "0.0254", "m", "", kNoPrefix},
    {"ft", "0.3048", "m", "", kNoPrefix},
    {"yd", "0.9144", "m", "", kNoPrefix},
    {"mi", "1609.344", "m", "", kNoPrefix},
    {"lbm", "0.45359237", "kg", "", kNoPrefix},
    {"lbf", "4.4482216152605", "N", "", kNoPrefix},
    {"slug", "", "lbf*s^2/ft", "", kNoPrefix},
    {"bar", "100000", "Pa", "", kPrefixable},
    {"atm", "101325", "Pa", "", kNoPrefix},
    {"psi", "", "lbf/in^2", "", kNoPrefix},
    {"eV", "1.602176634e-19", "J", "", kPrefixable},
    {"cal", "4.184", "J", "", kPrefixable},
    {"Btu", "1055.05585262", "J", "", kNoPrefix},
    {"Wh", "3600", "J", "", kPrefixable},
    {"hp", "550", "ft*lbf/s", "", kNoPrefix},
    {"mph", "", "mi/h", "", kNoPrefix},
    {"percent", "0.01", "", "", kNoPrefix},
    {"ppm", "1e-6", "", "", kNoPrefix},
    {"degC", "", "K", "273.15", kNoPrefix},
    {"degR", "5/9", "K", "", kNoPrefix},
    {"degF", "", "degR", "459.67", kNoPrefix},
};

struct Prefix {
  const char* symbol;
  const char* factor;
};

const Prefix kPrefixes[] = {
    {"Y", "1e24"}, {"Z", "1e21"},  {"E", "1e18"},  {"P", "1e15"},  {"T", "1e12"},  {"G", "1e9"},   {"M", "1e6"},
    {"k", "1000"}, {"h", "100"},   {"da", "10"},   {"d", "0.1"},   {"c", "0.01"},  {"m", "0.001"}, {"u", "1e-6"},
    {"n", "1e-9"}, {"p", "1e-12"}, {"f", "1e-15"}, {"a", "1e-18"}, {"z", "1e-21"}, {"y", "1e-24"},
};

const long double kPi = 3.141592653589793238462643383279502884L;

// A factor text: decimals and "pi" joined by '*' and '/', as "2*pi", "pi/180", "5/9", "1.602176634e-19".
bool evaluateFactor(std::string_view text, Number& out) {
  Number value;
  bool divide = false;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("*/");
    const std::string_view token = text.substr(0, end);
    Number operand;
    Rational r;
    if (token == "pi") {
      operand = Number::approximate(kPi);
    } else if (parseDecimal(token, r)) {
      operand = Number(r);
    } else {
      return false;
    }
    value = divide ? value / operand : value * operand;
    if (end == std::string_view::npos) break;
    divide = text[end] == '/';
    text.remove_prefix(end + 1);
  }
  out = value;
  return true;
}

std::uint64_t hashOfSymbol(const std::string& symbol) noexcept {
  qtf::Hasher hasher;
  hasher.addString(symbol);
  return hasher.getHash();
}

std::string describe(const DerivedRow& row) {
  std::string text = row.factor;
  const std::string unit = row.unit;
  if (!unit.empty() && (unit != "1" || text.empty())) text += (text.empty() ? "" : " ") + unit;
  if (*row.offset != '\0') text += std::string(" + ") + row.offset;
  return text;
}

}  // namespace

UnitRecord::UnitRecord(std::string symbolText, std::string definitionText, const BaseExponents& baseExponents,
                       const Number& scaleToBase, const Rational& offsetInBase, bool canTakePrefix)
    : symbol(std::move(symbolText)),
      symbolHash(hashOfSymbol(symbol)),
      definition(std::move(definitionText)),
      dims(baseExponents),
      scale(scaleToBase),
      offset(offsetInBase),
      affine(!offsetInBase.isZero()),
      prefixable(canTakePrefix),
      handle(this) {}

class UnitTable::Builder final : public SymbolResolver {
 public:
  explicit Builder(UnitTable& table) : mTable(table) {}

  const UnitRecord* resolve(std::string_view symbol) const override {
    const auto found = mTable.mBySymbol.find(symbol);
    return found == mTable.mBySymbol.end() ? nullptr : found->second;
  }
  // The table's own definitions need no hints.
  void listSymbols(std::vector<std::string_view>& /*symbols*/,
                   std::vector<std::string_view>& /*prefixableSymbols*/) const override {}

  void build() {
    std::vector<const UnitRecord*> prefixable;
    for (const BaseRow& row : kBaseRows) {
      BaseExponents dims{};
      dims[static_cast<std::size_t>(row.dimension)] = 1;
      Rational scale;
      if (!parseDecimal(row.scale, scale)) qtf_assertion("unit table: bad base scale", __FILE__, __LINE__);
      const UnitRecord* record = add(new UnitRecord(row.symbol, row.definition, dims, Number(scale), Rational(), true),
                                     /*exact=*/true);
      prefixable.push_back(record);
    }
    // The base units' prefixed forms come first, so that definitions below can use kg.
    for (const UnitRecord* record : prefixable) addPrefixedForms(*record);
    prefixable.clear();
    for (const DerivedRow& row : kDerivedRows) {
      const UnitRecord* record = addDerived(row);
      if (record != nullptr && record->prefixable) prefixable.push_back(record);
    }
    for (const UnitRecord* record : prefixable) addPrefixedForms(*record);
    mTable.mBase = {resolve("kg"), resolve("m"),   resolve("s"), resolve("A"),
                    resolve("K"),  resolve("mol"), resolve("cd")};
  }

 private:
  const UnitRecord* addDerived(const DerivedRow& row) {
    Number factor;
    Rational offset;
    Quantities q;
    const FactorList unit = *row.unit == '\0' ? FactorList() : parseFactors(row.unit, *this);
    if (!evaluateFactor(row.factor, factor) || !computeQuantities(unit, q) ||
        (*row.offset != '\0' && !parseDecimal(row.offset, offset))) {
      qtf_assertion("unit table: bad definition", __FILE__, __LINE__);
      return nullptr;
    }
    BaseExponents dims{};
    for (std::size_t i = 0; i < dims.size(); ++i) dims[i] = static_cast<int>(q.dims[i].num);
    // x [unit] = (factor * x + offset) [definition]: the offset scales with the definition's units.
    Rational offsetInBase;
    if (!offset.isZero()) {
      const Number scaled = Number(offset) * q.scale;
      if (!scaled.isExact()) qtf_assertion("unit table: inexact offset", __FILE__, __LINE__);
      offsetInBase = scaled.rational();
    }
    return add(new UnitRecord(row.symbol, describe(row), dims, factor * q.scale, offsetInBase, row.prefixable),
               /*exact=*/true);
  }

  void addPrefixedForms(const UnitRecord& unit) {
    for (const Prefix& prefix : kPrefixes) {
      std::string symbol = std::string(prefix.symbol) + unit.symbol;
      if (resolve(symbol) != nullptr) continue;
      Rational factor;
      if (!parseDecimal(prefix.factor, factor)) qtf_assertion("unit table: bad prefix", __FILE__, __LINE__);
      add(new UnitRecord(std::move(symbol), std::string(prefix.factor) + " " + unit.symbol, unit.dims,
                         Number(factor) * unit.scale, Rational(), false),
          /*exact=*/false);
    }
  }

  // Records are never freed: Unit handles and expression nodes point at them for the rest of the process.
  const UnitRecord* add(const UnitRecord* record, bool exact) {
    // An exact symbol replaces a prefixed form that happens to spell the same.
    mTable.mBySymbol[record->symbol] = record;
    if (exact) mTable.mUnprefixed.push_back(&record->handle);
    return record;
  }

  UnitTable& mTable;
};

const UnitTable& UnitTable::instance() {
  static const UnitTable* const table = [] {
    auto* built = new UnitTable();
    Builder(*built).build();
    return built;
  }();
  return *table;
}

const UnitRecord* UnitTable::resolve(std::string_view symbol) const {
  const auto found = mBySymbol.find(symbol);
  return found == mBySymbol.end() ? nullptr : found->second;
}

void UnitTable::listSymbols(std::vector<std::string_view>& symbols,
                            std::vector<std::string_view>& prefixableSymbols) const {
  for (const Unit* unit : mUnprefixed) {
    symbols.emplace_back(unit->symbol());
    if (UnitRecord::of(*unit)->prefixable) prefixableSymbols.emplace_back(unit->symbol());
  }
}

std::vector<std::string_view> siPrefixSymbols() {
  std::vector<std::string_view> symbols;
  for (const Prefix& prefix : kPrefixes) symbols.emplace_back(prefix.symbol);
  return symbols;
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
