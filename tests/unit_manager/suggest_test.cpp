// SPDX-License-Identifier: Apache-2.0
//
// The "did you mean" hint of an unknown unit: typos, differences of case, full names and plurals, and texts that are
// close to nothing. The hint function gets symbol lists of the test's own; the public parser's messages are checked
// against the built-in table.
#include "suggest.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "qtf/messageexception.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace {

using unit_manager::detail::unknownUnitHint;

// The everyday vocabulary a context holds, with its prefixable units and the SI prefixes.
const std::vector<std::string_view> kSymbols = {
    "m",    "g",    "s",   "A",   "K",  "mol", "cd",   "Hz",     "N",      "Pa",       "J",       "W",   "C",
    "V",    "F",    "Ohm", "S",   "Wb", "T",   "H",    "lm",     "lx",     "rad",      "sr",      "deg", "rev",
    "rpm",  "min",  "h",   "d",   "l",  "L",   "gal",  "in",     "ft",     "yd",       "mi",      "lbm", "slug",
    "lbf",  "bar",  "atm", "psi", "eV", "cal", "Btu",  "Wh",     "hp",     "mph",      "percent", "ppm", "degC",
    "degF", "degR", "t",   "lb",  "oz", "ha",  "acre", "nmi",    "kn",     "Angstrom", "au",      "ly",  "pc",
    "mil",  "bbl",  "dyn", "erg", "gn", "kgf", "kip",  "ksi",    "Torr",   "mmHg",     "inHg",    "Ah",  "VA",
    "var",  "P",    "St",  "Bq",  "Gy", "Sv",  "kat",  "arcmin", "arcsec", "wk",       "yr",      "ppb", "BTU"};
const std::vector<std::string_view> kPrefixable = {"m",  "g",  "s",   "A", "K",  "mol", "cd", "Hz",  "N",  "Pa",
                                                   "J",  "W",  "C",   "V", "F",  "Ohm", "S",  "Wb",  "T",  "H",
                                                   "lm", "lx", "rad", "l", "L",  "bar", "eV", "cal", "Wh", "t",
                                                   "Ah", "VA", "var", "P", "St", "Bq",  "Gy", "Sv",  "kat"};
const std::vector<std::string_view> kPrefixes = {"Y", "Z", "E", "P", "T", "G", "M", "k", "h", "da",
                                                 "d", "c", "m", "u", "n", "p", "f", "a", "z", "y"};

struct Row {
  const char* unknown;
  const char* hint;
};

void expectHints(const Row* begin, const Row* end, const std::vector<std::string_view>& symbols = kSymbols,
                 const std::vector<std::string_view>& prefixable = kPrefixable,
                 const std::vector<std::string_view>& prefixes = kPrefixes) {
  for (const Row* row = begin; row != end; ++row) {
    SCOPED_TRACE(row->unknown);
    EXPECT_EQ(unknownUnitHint(row->unknown, symbols, prefixable, prefixes), row->hint);
  }
}

TEST(UnknownUnitHint, MapsFullNamesAndPluralsToTheirSymbols) {
  const Row rows[] = {
      {"knot", "; did you mean 'kn'?"},
      {"knots", "; did you mean 'kn'?"},
      {"meter", "; did you mean 'm'?"},
      {"Metres", "; did you mean 'm'?"},
      {"hour", "; did you mean 'h'?"},
      {"sec", "; did you mean 's'?"},
      {"pounds", "; did you mean 'lb'?"},
      {"lbs", "; did you mean 'lb'?"},
      {"tonne", "; did you mean 't'?"},
      {"ohm", "; did you mean 'Ohm'?"},
      {"newton", "; did you mean 'N'?"},
      {"feet", "; did you mean 'ft'?"},
      {"celsius", "; did you mean 'degC'?"},
      {"liter", "; did you mean 'L'?"},
      {"TORR", "; did you mean 'Torr'?"},
      // A prefix word and a unit name make the prefixed symbol.
      {"kilometers", "; did you mean 'km'?"},
      {"millimetre", "; did you mean 'mm'?"},
      {"centipoise", "; did you mean 'cP'?"},
      {"milliamphours", "; did you mean 'mAh'?"},
      {"kilograms", "; did you mean 'kg'?"},
      {"microseconds", "; did you mean 'us'?"},
      // A typo in a full name still finds it.
      {"meterz", "; did you mean 'm'?"},
      {"kilometr", "; did you mean 'km'?"},
      {"fahrenheight", "; did you mean 'degF'?"},
      // A short name counts only when typed whole.
      {"mps", "; did you mean 'mph'?"},
      // "ton" is the tonne, the short ton or the long ton depending on the reader: no hint picks one.
      {"ton", ""},
  };
  expectHints(std::begin(rows), std::end(rows));
}

TEST(UnknownUnitHint, RanksTyposAndCaseDifferencesBestFirst) {
  const Row rows[] = {
      {"Kg", "; did you mean 'kg'?"},
      {"KM", "; did you mean 'km'?"},
      {"M", "; did you mean 'm'?"},
      // A difference of case alone ranks closer than an edit, and fewer differences closer than more.
      {"mM", "; did you mean 'mm'?"},
      {"MM", "; did you mean 'Mm'?"},
      // A swap of two neighbours is one edit.
      {"gla", "; did you mean 'gal'?"},
      {"fet", "; did you mean 'ft'?"},
      // A symbol ranks before a prefixed form as far away, and only the closest are offered.
      {"mmi", "; did you mean 'mi' or 'nmi'?"},
      {"mX", "; did you mean 'mi'?"},
      {"kmm", "; did you mean 'km', 'mm' or 'klm'?"},
      // At most three, in the table's order, when more are as close.
      {"lQ", "; did you mean 'lm', 'lx' or 'lb'?"},
  };
  expectHints(std::begin(rows), std::end(rows));
}

TEST(UnknownUnitHint, OffersNothingForTextsFarFromEveryUnit) {
  const Row rows[] = {
      {"xyzzy", ""},
      {"x", ""},  // one letter is no typo of another
      {"q", ""},
      {"abcdefgh", ""},
      {"sdfghjkl", ""},
      // Long input costs nothing: no candidate comes near its length.
      {"metermetermetermetermetermetermetermetermetermetermeter", ""},
  };
  expectHints(std::begin(rows), std::end(rows));
}

// A hint names only what the context knows: without "kn" and "lb" their names lead nowhere, a name needs its prefix
// ("microns" without "u"), and a prefix word before a unit whose prefixed form is another unit's symbol
// ("femtotonne" when "ft" is the foot) names nothing.
TEST(UnknownUnitHint, NamesOnlyUnitsTheContextKnows) {
  const std::vector<std::string_view> symbols = {"m", "g", "s", "ft", "t", "h", "kmol", "mol"};
  const std::vector<std::string_view> prefixable = {"m", "g", "s", "t", "mol"};
  const std::vector<std::string_view> prefixes = {"f", "k"};
  const Row rows[] = {
      {"knot", ""},
      {"pounds", ""},
      {"microns", ""},
      {"femtotonne", ""},
      {"kilotonne", "; did you mean 'kt'?"},
      {"kilometres", "; did you mean 'km'?"},
      {"hours", "; did you mean 'h'?"},
  };
  expectHints(std::begin(rows), std::end(rows), symbols, prefixable, prefixes);
  EXPECT_EQ(unknownUnitHint("meter", {}, {}, {}), "");
  EXPECT_EQ(unknownUnitHint("kilometer", {"m"}, {}, kPrefixes), "");
}

// Through the public parser and the built-in table: the hint follows the sentence, and the identifier and its two
// arguments stay what they were.
TEST(UnknownUnitHint, TheParserAppendsItToTheUnknownUnitMessage) {
  struct ParseRow {
    const char* text;
    const char* symbol;
    const char* detail;
  };
  const ParseRow rows[] = {
      {"meter", "meter", "; did you mean 'm'?"},
      {"km/hour", "hour", "; did you mean 'h'?"},
      {"ohm*m", "ohm", "; did you mean 'Ohm'?"},
      {"Kg*m/s^2", "Kg", "; did you mean 'kg'?"},
      {"(kilometers/s)^2", "kilometers", "; did you mean 'km'?"},
      {"knot", "knot", "; did you mean 'kn'?"},
      {"pounds", "pounds", "; did you mean 'lb'?"},
      {"tonne", "tonne", "; did you mean 't'?"},
      {"m/xyzzy", "xyzzy", ""},
  };
  for (const ParseRow& row : rows) {
    SCOPED_TRACE(row.text);
    try {
      unit_manager::UnitExpression::parse(row.text);
      ADD_FAILURE() << "parsed";
    } catch (const qtf::MessageException& e) {
      EXPECT_STREQ(e.identifier(), "unit_manager:parser:UnknownUnit");
      EXPECT_EQ(e.argument(1), row.symbol);
      EXPECT_EQ(e.argument(2), row.text);
      EXPECT_EQ(e.detail(), row.detail);
      EXPECT_EQ(e.message(), "Unknown unit '" + std::string(row.symbol) + "' in '" + row.text + "'" + row.detail);
    }
  }
}

// A context's own units are suggested in that context, prefixed forms included, and nowhere else.
TEST(UnknownUnitHint, NamesTheParsingContextsOwnUnits) {
  const unit_manager::StandardContext context("furlong = 201.168 m\nprefixable widget = 3 kg\n");
  const std::unique_ptr<unit_manager::UnitParser> parser(context.createUnitParser());
  const Row rows[] = {
      {"furlongs", "; did you mean 'furlong'?"},
      {"kwidgets", "; did you mean 'kwidget'?"},
      {"meter", "; did you mean 'm'?"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.unknown);
    try {
      parser->parse(row.unknown);
      ADD_FAILURE() << "parsed";
    } catch (const qtf::MessageException& e) {
      EXPECT_STREQ(e.identifier(), "unit_manager:parser:UnknownUnit");
      EXPECT_EQ(e.detail(), row.hint);
    }
  }
  try {
    unit_manager::UnitExpression::parse("furlongs");
    ADD_FAILURE() << "parsed";
  } catch (const qtf::MessageException& e) {
    EXPECT_EQ(e.detail(), "");
  }
}

}  // namespace
