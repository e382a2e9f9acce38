// SPDX-License-Identifier: Apache-2.0
#include "suggest.hpp"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace unit_manager {
namespace detail {

namespace {

// Full names and plurals people type for a symbol. A name is offered only when its symbol is valid in the context.
// "ton" is left out on purpose: it is the metric tonne, the short ton (2000 lb) or the long ton (2240 lb) depending
// on the reader, and a hint must not pick one.
struct Name {
  const char* name;
  const char* symbol;
};

const Name kNames[] = {
    {"meter", "m"},
    {"meters", "m"},
    {"metre", "m"},
    {"metres", "m"},
    {"gram", "g"},
    {"grams", "g"},
    {"kilo", "kg"},
    {"kilos", "kg"},
    {"second", "s"},
    {"seconds", "s"},
    {"sec", "s"},
    {"secs", "s"},
    {"ampere", "A"},
    {"amperes", "A"},
    {"amp", "A"},
    {"amps", "A"},
    {"kelvin", "K"},
    {"kelvins", "K"},
    {"mole", "mol"},
    {"moles", "mol"},
    {"candela", "cd"},
    {"candelas", "cd"},
    {"hertz", "Hz"},
    {"newton", "N"},
    {"newtons", "N"},
    {"pascal", "Pa"},
    {"pascals", "Pa"},
    {"joule", "J"},
    {"joules", "J"},
    {"watt", "W"},
    {"watts", "W"},
    {"coulomb", "C"},
    {"coulombs", "C"},
    {"volt", "V"},
    {"volts", "V"},
    {"farad", "F"},
    {"farads", "F"},
    {"ohm", "Ohm"},
    {"ohms", "Ohm"},
    {"siemens", "S"},
    {"weber", "Wb"},
    {"webers", "Wb"},
    {"tesla", "T"},
    {"teslas", "T"},
    {"henry", "H"},
    {"henries", "H"},
    {"henrys", "H"},
    {"lumen", "lm"},
    {"lumens", "lm"},
    {"lux", "lx"},
    {"radian", "rad"},
    {"radians", "rad"},
    {"steradian", "sr"},
    {"steradians", "sr"},
    {"degree", "deg"},
    {"degrees", "deg"},
    {"revolution", "rev"},
    {"revolutions", "rev"},
    {"minute", "min"},
    {"minutes", "min"},
    {"mins", "min"},
    {"hour", "h"},
    {"hours", "h"},
    {"hr", "h"},
    {"hrs", "h"},
    {"day", "d"},
    {"days", "d"},
    {"week", "wk"},
    {"weeks", "wk"},
    {"year", "yr"},
    {"years", "yr"},
    {"yrs", "yr"},
    {"liter", "L"},
    {"liters", "L"},
    {"litre", "L"},
    {"litres", "L"},
    {"gallon", "gal"},
    {"gallons", "gal"},
    {"inch", "in"},
    {"inches", "in"},
    {"foot", "ft"},
    {"feet", "ft"},
    {"yard", "yd"},
    {"yards", "yd"},
    {"mile", "mi"},
    {"miles", "mi"},
    {"pound", "lb"},
    {"pounds", "lb"},
    {"lbs", "lb"},
    {"poundforce", "lbf"},
    {"ounce", "oz"},
    {"ounces", "oz"},
    {"slugs", "slug"},
    {"tonne", "t"},
    {"tonnes", "t"},
    {"bar", "bar"},
    {"bars", "bar"},
    {"atmosphere", "atm"},
    {"atmospheres", "atm"},
    {"electronvolt", "eV"},
    {"electronvolts", "eV"},
    {"calorie", "cal"},
    {"calories", "cal"},
    {"watthour", "Wh"},
    {"watthours", "Wh"},
    {"horsepower", "hp"},
    {"celsius", "degC"},
    {"centigrade", "degC"},
    {"fahrenheit", "degF"},
    {"rankine", "degR"},
    {"knot", "kn"},
    {"knots", "kn"},
    {"hectare", "ha"},
    {"hectares", "ha"},
    {"acres", "acre"},
    {"nauticalmile", "nmi"},
    {"nauticalmiles", "nmi"},
    {"angstrom", "Angstrom"},
    {"angstroms", "Angstrom"},
    {"lightyear", "ly"},
    {"lightyears", "ly"},
    {"parsec", "pc"},
    {"parsecs", "pc"},
    {"barrel", "bbl"},
    {"barrels", "bbl"},
    {"dyne", "dyn"},
    {"dynes", "dyn"},
    {"ergs", "erg"},
    {"torr", "Torr"},
    {"poise", "P"},
    {"stokes", "St"},
    {"amperehour", "Ah"},
    {"amphour", "Ah"},
    {"amperehours", "Ah"},
    {"amphours", "Ah"},
    {"voltampere", "VA"},
    {"voltamperes", "VA"},
    {"becquerel", "Bq"},
    {"becquerels", "Bq"},
    {"gray", "Gy"},
    {"grays", "Gy"},
    {"sievert", "Sv"},
    {"sieverts", "Sv"},
    {"katal", "kat"},
    {"katals", "kat"},
    {"arcminute", "arcmin"},
    {"arcminutes", "arcmin"},
    {"arcsecond", "arcsec"},
    {"arcseconds", "arcsec"},
    {"micron", "um"},
    {"microns", "um"},
};

// The words of the SI prefixes, so that "kilometres" is "k" + "metres".
const Name kPrefixWords[] = {
    {"yotta", "Y"}, {"zetta", "Z"}, {"exa", "E"},   {"peta", "P"},  {"tera", "T"}, {"giga", "G"},  {"mega", "M"},
    {"kilo", "k"},  {"hecto", "h"}, {"deca", "da"}, {"deka", "da"}, {"deci", "d"}, {"centi", "c"}, {"milli", "m"},
    {"micro", "u"}, {"nano", "n"},  {"pico", "p"},  {"femto", "f"}, {"atto", "a"}, {"zepto", "z"}, {"yocto", "y"},
};

// Distances are in quarters of an edit, so that a difference of case alone ("KM" against "km") ranks closer than any
// real edit.
constexpr int kEdit = 4;
constexpr int kCaseOnly = 1;

char lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

int substitutionCost(char a, char b) noexcept {
  if (a == b) return 0;
  return lower(a) == lower(b) ? kCaseOnly : kEdit;
}

// The optimal-string-alignment distance (insertions, deletions, substitutions and swaps of two neighbours, each
// substring edited once), or limit + 1 once it must exceed limit. The texts are short, so three rows suffice.
int editDistance(std::string_view a, std::string_view b, int limit) {
  const std::size_t longer = std::max(a.size(), b.size());
  if (static_cast<int>(longer - std::min(a.size(), b.size())) * kEdit > limit) return limit + 1;
  std::vector<int> beforePrevious(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = static_cast<int>(j) * kEdit;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = static_cast<int>(i) * kEdit;
    int rowBest = current[0];
    for (std::size_t j = 1; j <= b.size(); ++j) {
      int best = std::min(previous[j] + kEdit, current[j - 1] + kEdit);
      best = std::min(best, previous[j - 1] + substitutionCost(a[i - 1], b[j - 1]));
      if (i > 1 && j > 1 && a[i - 1] != b[j - 1] && lower(a[i - 1]) == lower(b[j - 2]) &&
          lower(a[i - 2]) == lower(b[j - 1])) {
        best = std::min(best, beforePrevious[j - 2] + kEdit);
      }
      current[j] = best;
      rowBest = std::min(rowBest, best);
    }
    if (rowBest > limit) return limit + 1;
    std::swap(beforePrevious, previous);
    std::swap(previous, current);
  }
  return previous[b.size()];
}

// How far a text of this length may be from a candidate: one edit up to four letters ("knot" is no typo of "kmol"),
// two beyond.
int allowedDistance(std::size_t length) noexcept { return length <= 4 ? kEdit : 2 * kEdit; }

// What a candidate is: a full name, a symbol, or a prefix followed by a prefixable symbol.
enum class Kind { Name, Symbol, Prefixed };

// How well unknown matches one candidate: full names typed exactly first, then symbols that differ in case only, then
// everything else by edit distance, where a prefixed form ranks after a symbol just as far away ("fet" is "ft", not
// "feV"). Lower is better; kNoMatch when the candidate is not close.
constexpr int kTierSpan = 1000;
constexpr int kPrefixedPenalty = 2;
constexpr int kNoMatch = INT_MAX;

int score(std::string_view unknown, std::string_view candidate, Kind kind) {
  if (equalIgnoringCase(unknown, candidate)) {
    return kind == Kind::Name ? 0
                              : kTierSpan + editDistance(unknown, candidate, kEdit * static_cast<int>(unknown.size()));
  }
  // One letter is no typo of another: any edit to it leaves nothing of what was typed.
  if (unknown.size() < 2) return kNoMatch;
  const int limit = allowedDistance(unknown.size());
  const int distance = editDistance(unknown, candidate, limit);
  // A candidate must keep some of its own text: "x" is not a typo of "m", nor "sec" of "s".
  if (distance > limit || distance >= kEdit * static_cast<int>(candidate.size())) return kNoMatch;
  return 2 * kTierSpan + distance + (kind == Kind::Prefixed ? kPrefixedPenalty : 0);
}

}  // namespace

std::string unknownUnitHint(std::string_view unknown, const std::vector<std::string_view>& symbols,
                            const std::vector<std::string_view>& prefixableSymbols,
                            const std::vector<std::string_view>& prefixes) {
  // What a suggestion may name, in the order that breaks ties: the symbols, then prefixed forms. A prefixed form that
  // spells an existing symbol ("ft") is that symbol, so it is listed once.
  std::vector<std::string> valid(symbols.begin(), symbols.end());
  std::unordered_map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < valid.size(); ++i) index.emplace(valid[i], i);
  std::unordered_set<std::string> prefixedForms;
  for (std::string_view symbol : prefixableSymbols) {
    for (std::string_view prefix : prefixes) {
      std::string text = std::string(prefix) + std::string(symbol);
      if (!index.emplace(text, valid.size()).second) continue;
      prefixedForms.insert(text);
      valid.push_back(std::move(text));
    }
  }

  std::vector<int> best(valid.size(), kNoMatch);
  const auto consider = [&](std::string_view candidate, std::size_t target, Kind kind) {
    best[target] = std::min(best[target], score(unknown, candidate, kind));
  };
  for (std::size_t i = 0; i < valid.size(); ++i) {
    consider(valid[i], i, i < symbols.size() ? Kind::Symbol : Kind::Prefixed);
  }

  const std::unordered_set<std::string_view> prefixable(prefixableSymbols.begin(), prefixableSymbols.end());
  const std::unordered_set<std::string_view> knownPrefixes(prefixes.begin(), prefixes.end());
  for (const Name& name : kNames) {
    const auto found = index.find(name.symbol);
    if (found != index.end()) consider(name.name, found->second, Kind::Name);
    if (prefixable.count(name.symbol) == 0) continue;
    for (const Name& word : kPrefixWords) {
      if (knownPrefixes.count(word.symbol) == 0) continue;
      // Only a real prefixed form: "femto" + "tonne" must not name the foot.
      const auto prefixed = index.find(std::string(word.symbol) + name.symbol);
      if (prefixed == index.end() || prefixedForms.count(prefixed->first) == 0) continue;
      consider(std::string(word.name) + name.name, prefixed->second, Kind::Name);
    }
  }

  // The closest candidates only, in the order of valid: a weaker match beside a better one is noise.
  const int closest = best.empty() ? kNoMatch : *std::min_element(best.begin(), best.end());
  if (closest == kNoMatch) return "";
  std::vector<std::size_t> chosen;
  for (std::size_t i = 0; i < valid.size() && chosen.size() < 3; ++i) {
    if (best[i] == closest) chosen.push_back(i);
  }

  std::string hint = "; did you mean ";
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    if (k > 0) hint += k + 1 == chosen.size() ? " or " : ", ";
    hint += "'" + valid[chosen[k]] + "'";
  }
  return hint + "?";
}

}  // namespace detail
}  // namespace unit_manager
