// SPDX-License-Identifier: Apache-2.0
#include "suggest.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <iterator>
#include <utility>

namespace unit_manager {
namespace detail {

namespace {

// Full names and plurals people type for a symbol, separated by spaces. A name is offered only when its symbol is valid
// in the context. "ton" is left out on purpose: it is the metric tonne, the short ton (2000 lb) or the long ton
// (2240 lb) depending on the reader, and a hint must not pick one.
struct Names {
  const char* symbol;
  const char* names;
};

const Names kNames[] = {
    {"m", "meter meters metre metres"},
    {"g", "gram grams"},
    {"kg", "kilo kilos"},
    {"s", "second seconds sec secs"},
    {"A", "ampere amperes amp amps"},
    {"K", "kelvin kelvins"},
    {"mol", "mole moles"},
    {"cd", "candela candelas"},
    {"Hz", "hertz"},
    {"N", "newton newtons"},
    {"Pa", "pascal pascals"},
    {"J", "joule joules"},
    {"W", "watt watts"},
    {"C", "coulomb coulombs"},
    {"V", "volt volts"},
    {"F", "farad farads"},
    {"Ohm", "ohm ohms"},
    {"S", "siemens"},
    {"Wb", "weber webers"},
    {"T", "tesla teslas"},
    {"H", "henry henries henrys"},
    {"lm", "lumen lumens"},
    {"lx", "lux"},
    {"rad", "radian radians"},
    {"sr", "steradian steradians"},
    {"deg", "degree degrees"},
    {"rev", "revolution revolutions"},
    {"min", "minute minutes mins"},
    {"h", "hour hours hr hrs"},
    {"d", "day days"},
    {"wk", "week weeks"},
    {"yr", "year years yrs"},
    {"L", "liter liters litre litres"},
    {"gal", "gallon gallons"},
    {"in", "inch inches"},
    {"ft", "foot feet"},
    {"yd", "yard yards"},
    {"mi", "mile miles"},
    {"lb", "pound pounds lbs"},
    {"lbf", "poundforce"},
    {"oz", "ounce ounces"},
    {"slug", "slugs"},
    {"t", "tonne tonnes"},
    {"bar", "bar bars"},
    {"atm", "atmosphere atmospheres"},
    {"eV", "electronvolt electronvolts"},
    {"cal", "calorie calories"},
    {"Wh", "watthour watthours"},
    {"hp", "horsepower"},
    {"degC", "celsius centigrade"},
    {"degF", "fahrenheit"},
    {"degR", "rankine"},
    {"kn", "knot knots"},
    {"ha", "hectare hectares"},
    {"acre", "acres"},
    {"nmi", "nauticalmile nauticalmiles"},
    {"Angstrom", "angstrom angstroms"},
    {"ly", "lightyear lightyears"},
    {"pc", "parsec parsecs"},
    {"bbl", "barrel barrels"},
    {"dyn", "dyne dynes"},
    {"erg", "ergs"},
    {"Torr", "torr"},
    {"P", "poise"},
    {"St", "stokes"},
    {"Ah", "amperehour amphour amperehours amphours"},
    {"VA", "voltampere voltamperes"},
    {"Bq", "becquerel becquerels"},
    {"Gy", "gray grays"},
    {"Sv", "sievert sieverts"},
    {"kat", "katal katals"},
    {"arcmin", "arcminute arcminutes"},
    {"arcsec", "arcsecond arcseconds"},
    {"um", "micron microns"},
};

// The words of the SI prefixes, so that "kilometres" is "k" + "metres".
struct PrefixWord {
  const char* word;
  const char* symbol;
};

const PrefixWord kPrefixWords[] = {
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

// No symbol or name is longer; a longer candidate is never offered.
constexpr std::size_t kLongestCandidate = 40;

// The optimal-string-alignment distance (insertions, deletions, substitutions and swaps of two neighbours, each
// substring edited once), or limit + 1 once it must exceed limit. Three rows as long as b suffice.
int editDistance(std::string_view a, std::string_view b, int limit) {
  const std::size_t longer = std::max(a.size(), b.size());
  if (b.size() > kLongestCandidate || static_cast<int>(longer - std::min(a.size(), b.size())) * kEdit > limit) {
    return limit + 1;
  }
  using Row = std::array<int, kLongestCandidate + 1>;
  Row rows[3];
  Row* beforePrevious = &rows[0];
  Row* previous = &rows[1];
  Row* current = &rows[2];
  for (std::size_t j = 0; j <= b.size(); ++j) (*previous)[j] = static_cast<int>(j) * kEdit;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    (*current)[0] = static_cast<int>(i) * kEdit;
    int rowBest = (*current)[0];
    for (std::size_t j = 1; j <= b.size(); ++j) {
      int best = std::min((*previous)[j] + kEdit, (*current)[j - 1] + kEdit);
      best = std::min(best, (*previous)[j - 1] + substitutionCost(a[i - 1], b[j - 1]));
      if (i > 1 && j > 1 && a[i - 1] != b[j - 1] && lower(a[i - 1]) == lower(b[j - 2]) &&
          lower(a[i - 2]) == lower(b[j - 1])) {
        best = std::min(best, (*beforePrevious)[j - 2] + kEdit);
      }
      (*current)[j] = best;
      rowBest = std::min(rowBest, best);
    }
    // No row's minimum is below the one before it, so the distance can only grow from here.
    if (rowBest > limit) return limit + 1;
    std::swap(beforePrevious, previous);
    std::swap(previous, current);
  }
  return (*previous)[b.size()];
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
constexpr std::size_t kShortestFuzzyName = 5;

int score(std::string_view unknown, std::string_view candidate, Kind kind) {
  if (equalIgnoringCase(unknown, candidate)) {
    return kind == Kind::Name ? 0
                              : kTierSpan + editDistance(unknown, candidate, kEdit * static_cast<int>(unknown.size()));
  }
  // One letter is no typo of another: any edit to it leaves nothing of what was typed. A short name counts only when
  // typed whole: "mps" is no typo of "amps".
  if (unknown.size() < 2 || (kind == Kind::Name && candidate.size() < kShortestFuzzyName)) return kNoMatch;
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
  // What a suggestion may name, in the order that breaks ties: the symbols, then prefixed forms.
  std::vector<std::string> valid;
  valid.reserve(symbols.size() + prefixableSymbols.size() * prefixes.size());
  valid.assign(symbols.begin(), symbols.end());
  for (std::string_view symbol : prefixableSymbols) {
    for (std::string_view prefix : prefixes) valid.push_back(std::string(prefix).append(symbol));
  }
  // valid sorted by text; among equal texts the first listed comes first and is the one that text means, so a
  // prefixed form that spells a symbol ("ft") is that symbol and is not offered again.
  std::vector<std::size_t> byText(valid.size());
  for (std::size_t i = 0; i < byText.size(); ++i) byText[i] = i;
  // Ties break on the listing order; a plain sort with that key needs no temporary buffer.
  std::sort(byText.begin(), byText.end(), [&](std::size_t a, std::size_t b) {
    const int order = valid[a].compare(valid[b]);
    return order != 0 ? order < 0 : a < b;
  });
  constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
  const auto find = [&](std::string_view text) {
    const auto at = std::lower_bound(byText.begin(), byText.end(), text,
                                     [&](std::size_t i, std::string_view t) { return valid[i] < t; });
    return at != byText.end() && valid[*at] == text ? *at : kAbsent;
  };

  std::vector<int> best(valid.size(), kNoMatch);
  const auto consider = [&](std::string_view candidate, std::size_t target, Kind kind) {
    best[target] = std::min(best[target], score(unknown, candidate, kind));
  };
  for (std::size_t i = 0; i < valid.size(); ++i) {
    if (find(valid[i]) == i) consider(valid[i], i, i < symbols.size() ? Kind::Symbol : Kind::Prefixed);
  }

  constexpr std::size_t kWordCount = std::size(kPrefixWords);
  std::array<bool, kWordCount> wordKnown{};
  for (std::size_t k = 0; k < kWordCount; ++k) {
    wordKnown[k] = std::find(prefixes.begin(), prefixes.end(), kPrefixWords[k].symbol) != prefixes.end();
  }
  std::string text;
  for (const Names& entry : kNames) {
    const std::size_t plain = find(entry.symbol);
    // The prefixed forms this entry's names take with each prefix word, "km" for "kilo" + "metres"; only real ones:
    // "femto" + "tonne" must not name the foot.
    const bool takesPrefixes =
        std::find(prefixableSymbols.begin(), prefixableSymbols.end(), entry.symbol) != prefixableSymbols.end();
    std::array<std::size_t, kWordCount> prefixed;
    prefixed.fill(kAbsent);
    for (std::size_t k = 0; k < kWordCount && takesPrefixes; ++k) {
      if (!wordKnown[k]) continue;
      const std::size_t form = find(text.assign(kPrefixWords[k].symbol).append(entry.symbol));
      if (form != kAbsent && form >= symbols.size()) prefixed[k] = form;
    }
    std::string_view names = entry.names;
    while (!names.empty()) {
      const std::string_view name = names.substr(0, names.find(' '));
      names.remove_prefix(std::min(names.size(), name.size() + 1));
      if (plain != kAbsent) consider(name, plain, Kind::Name);
      for (std::size_t k = 0; k < kWordCount; ++k) {
        if (prefixed[k] != kAbsent) consider(text.assign(kPrefixWords[k].word).append(name), prefixed[k], Kind::Name);
      }
    }
  }

  // The closest candidates only, in the order of valid: a weaker match beside a better one is noise.
  const int closest = best.empty() ? kNoMatch : *std::min_element(best.begin(), best.end());
  if (closest == kNoMatch) return "";
  std::array<std::size_t, 3> chosen{};
  std::size_t count = 0;
  for (std::size_t i = 0; i < valid.size() && count < chosen.size(); ++i) {
    if (best[i] == closest) chosen[count++] = i;
  }
  std::string hint = "; did you mean ";
  for (std::size_t k = 0; k < count; ++k) {
    if (k > 0) hint += k + 1 == count ? " or " : ", ";
    hint.append("'").append(valid[chosen[k]]).append("'");
  }
  return hint + "?";
}

}  // namespace detail
}  // namespace unit_manager
