// SPDX-License-Identifier: Apache-2.0
//
// FactorList: a product of units raised to rational powers, in order of first appearance, without zero powers and
// with each unit at most once. The parser and the expression operators build them; interning turns them into nodes.
#ifndef UNIT_MANAGER_SRC_FACTORLIST_HPP
#define UNIT_MANAGER_SRC_FACTORLIST_HPP

#include <array>
#include <vector>

#include "exponent.hpp"
#include "number.hpp"
#include "unitrecord.hpp"

namespace unit_manager {
namespace detail {

struct Factor {
  const UnitRecord* unit;
  Exponent power;

  bool operator==(const Factor& other) const noexcept { return unit == other.unit && power == other.power; }
};

using FactorList = std::vector<Factor>;

// Multiplies list by other (divides when invert is set): equal units add their powers, a power that reaches zero
// removes its unit, and units new to list go to its end. False when a power leaves the 32-bit range.
bool multiplyInto(FactorList& list, const FactorList& other, bool invert);
// The same for a single factor.
bool multiplyFactor(FactorList& list, const Factor& factor, bool invert);

// Raises every power in list to power e; a zero e empties the list. False when a power leaves the 32-bit range.
bool raiseTo(FactorList& list, const Exponent& e);

using DimensionVector = std::array<Rational, kBaseCount>;

// What a product of units measures and how it maps to base units.
struct Quantities {
  DimensionVector dims{};
  Number scale;
  // Non-zero only for an affine unit alone to the first power.
  Rational offset;
  // True when degC or degF occurs.
  bool affine = false;
};

// The quantities of list; false when a base-dimension exponent leaves the 128-bit range.
bool computeQuantities(const FactorList& list, Quantities& out);

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_FACTORLIST_HPP
