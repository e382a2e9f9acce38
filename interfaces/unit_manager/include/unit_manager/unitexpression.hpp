// SPDX-License-Identifier: Apache-2.0
//
// Units and unit expressions. A UnitExpression is a product of named units
// raised to rational powers. It is a small handle on an interned, immutable
// canonical form, so copying, comparing and hashing it are cheap.
#ifndef UNIT_MANAGER_UNITEXPRESSION_HPP
#define UNIT_MANAGER_UNITEXPRESSION_HPP

#include <string>
#include <vector>

#include "qtf/hasher.hpp"
#include "unit_manager/unit_manager_export.hpp"

namespace unit_manager {

class Context;

namespace detail {
struct ExprNode;
struct UnitRecord;
}  // namespace detail

// A named unit of the unit table, with or without an SI prefix ("m", "km", "degF"). Units live for the whole process.
class UNIT_MANAGER_EXPORT Unit {
 public:
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  const std::string& symbol() const noexcept;
  // What the unit is in other units, as the unit table lists it: "0.0254 m", "kg*m/s^2", "K + 273.15".
  const std::string& definition() const noexcept;
  // True for the units with an offset (degC, degF).
  bool isAffine() const noexcept;

 private:
  friend struct detail::UnitRecord;
  explicit Unit(const detail::UnitRecord* record) noexcept : mRecord(record) {}
  const detail::UnitRecord* mRecord;
};

// The unit named symbol, prefixed or not, or null when there is none.
UNIT_MANAGER_EXPORT const Unit* findUnit(const std::string& symbol);

// The units of the table without prefixes, in table order.
UNIT_MANAGER_EXPORT const std::vector<const Unit*>& unitTable();

// How a quantity x in one unit reads in another: x * scale + offset. The offset counts only for affine conversions.
struct UnitConversion {
  double scale;
  double offset;
};

class UNIT_MANAGER_EXPORT UnitExpression {
 public:
  // The dimensionless unit "1".
  UnitExpression() noexcept;
  // "1", the starting value of an expression bound to context before a real unit is assigned.
  explicit UnitExpression(const Context& context) noexcept;
  // unit to the first power; null gives "1".
  explicit UnitExpression(const Unit* unit);
  UnitExpression(const UnitExpression& other) noexcept = default;
  UnitExpression& operator=(const UnitExpression& other) noexcept = default;
  virtual ~UnitExpression();

  // Parses a unit text. Throws "unit_manager:parser:UnknownUnit" (the symbol, the text) and
  // "unit_manager:parser:InvalidUnitExpression" (the text, the 0-based position).
  static UnitExpression parse(const std::string& text);

  // Structural equality, independent of factor order: "m*s" == "s*m", "N*m" != "J", "km" != "m".
  bool operator==(const UnitExpression& other) const noexcept { return mCanonical == other.mCanonical; }
  bool operator!=(const UnitExpression& other) const noexcept { return mCanonical != other.mCanonical; }

  // Adds the unit to a hash; equal expressions add equal input.
  void hash(qtf::Hasher& hasher) const noexcept;

  // The text of the expression, which parses back to an equal expression: "kg*m/s^2", "m^(1/2)/s^(3/2)", "1".
  std::string convertToString() const;

  // The conversion into target: scale = s1/s2 and offset = (o1 - o2)/s2, each computed exactly where the units are
  // defined exactly and rounded once. Throws "unit_manager:unit:IncommensurateUnits" (both texts).
  UnitConversion getConversion(const UnitExpression& target) const;

  // The same quantity in base units, in the order kg, m, s, A, K, mol, cd ("1" when dimensionless).
  UnitExpression getFundamentalExpression() const;

  // True when both measure the same quantity.
  bool commensurate(const UnitExpression& other) const noexcept;

  // True when degC or degF occurs in the expression.
  bool isAffineUnitInExpression() const noexcept;

  // True for "1", the empty product.
  bool isOne() const noexcept;
  // True when the base-dimension exponents are all zero (rad, deg, percent, m/km, "1").
  bool isDimensionless() const noexcept;

  // Products, quotients and rational powers, with no simplification between different symbols. pow throws
  // "unit_manager:unit:ExponentOverflow" when an exponent leaves 32 bits and "unit_manager:unit:InvalidExponent" for a
  // zero denominator.
  UnitExpression operator*(const UnitExpression& other) const;
  UnitExpression operator/(const UnitExpression& other) const;
  UnitExpression pow(int numerator, int denominator) const;

 private:
  explicit UnitExpression(const detail::ExprNode* node) noexcept;
  friend struct detail::ExprNode;

  const detail::ExprNode* mNode;       // factors in order of first appearance (what prints)
  const detail::ExprNode* mCanonical;  // the same factors sorted (what compares)
};

}  // namespace unit_manager

#endif  // UNIT_MANAGER_UNITEXPRESSION_HPP
