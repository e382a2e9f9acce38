// SPDX-License-Identifier: Apache-2.0
//
// Units and unit expressions. A UnitExpression is a product of named units
// raised to rational powers. It is a small handle on an interned, immutable
// canonical form, so copying, comparing and hashing it are cheap.
//
// Memory. An expression's interned form lives while a UnitExpression, a value
// or one of the unit manager's bounded caches refers to it, and is freed with
// the last of them: a process that makes and drops any number of distinct
// units keeps only the ones it still holds. The number of distinct expressions
// alive at once is capped (kDefaultMaxLiveUnitExpressions, about 1 KB each at
// most, so some hundreds of MB at the cap; setMaxLiveUnitExpressions changes
// it). An operation that would make one more throws
// "unit_manager:unit:TooManyUnitExpressions" (the limit, the expression's
// text) and changes nothing; once expressions are dropped, new ones can be
// made again.
#ifndef UNIT_MANAGER_UNITEXPRESSION_HPP
#define UNIT_MANAGER_UNITEXPRESSION_HPP

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qtf/hasher.hpp"
#include "unit_manager/unit_manager_export.hpp"

namespace unit_manager {

class Context;

namespace detail {
struct ExprNode;
struct UnitRecord;

// The head of every interned expression node: its reference count, read inline so that copying and dropping a handle
// costs no call. Nodes that are never freed ("1" and a built-in unit alone) are not counted at all.
struct NodeCount {
  mutable std::atomic<std::uint32_t> refs{1};
  bool immortal = false;
};

// Unlinks and frees a node whose last reference was just dropped.
UNIT_MANAGER_EXPORT void destroyNode(const NodeCount* node) noexcept;
}  // namespace detail

// A named unit, with or without an SI prefix ("m", "km", "degF"). The built-in units live for the whole process; a
// context's user-defined units live while the context or an expression using them does.
class UNIT_MANAGER_EXPORT Unit {
 public:
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  const std::string& symbol() const noexcept;
  // What the unit is in other units, as its definitions text gives it: "0.0254 m", "kg*m/s^2", "K @ 273.15"; for a
  // prefixed form, the prefix's factor and the unit ("1000 m").
  const std::string& definition() const noexcept;
  // True for the units with an offset (degC, degF, user-defined units with "@").
  bool isAffine() const noexcept;

 private:
  friend struct detail::UnitRecord;
  explicit Unit(const detail::UnitRecord* record) noexcept : mRecord(record) {}
  const detail::UnitRecord* mRecord;
};

// The built-in unit named symbol, prefixed or not, or null when there is none (StandardContext::findUnit also knows a
// context's own units).
UNIT_MANAGER_EXPORT const Unit* findUnit(const std::string& symbol);

// The built-in units without prefixes, in table order.
UNIT_MANAGER_EXPORT const std::vector<const Unit*>& unitTable();

// The default limit on distinct unit expressions alive at once (printed and sorted forms of an expression count
// separately, so an expression whose factors are not in sorted order counts twice).
inline constexpr std::size_t kDefaultMaxLiveUnitExpressions = std::size_t{1} << 20;

// The number of distinct unit expressions alive now, in the limit's terms.
UNIT_MANAGER_EXPORT std::size_t liveUnitExpressionCount() noexcept;
// The limit on distinct unit expressions alive at once.
UNIT_MANAGER_EXPORT std::size_t maxLiveUnitExpressions() noexcept;
// Sets the limit and returns the previous one. A limit below the number alive now leaves those alive and refuses new
// ones until enough are dropped.
UNIT_MANAGER_EXPORT std::size_t setMaxLiveUnitExpressions(std::size_t limit) noexcept;

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
  UnitExpression(const UnitExpression& other) noexcept : mNode(other.mNode), mCanonical(other.mCanonical) {
    retain(mNode);
  }
  // Leaves other "1".
  UnitExpression(UnitExpression&& other) noexcept;
  UnitExpression& operator=(const UnitExpression& other) noexcept {
    retain(other.mNode);  // first, so that assigning an expression to itself keeps its node
    release(mNode);
    mNode = other.mNode;
    mCanonical = other.mCanonical;
    return *this;
  }
  // Leaves other "1".
  UnitExpression& operator=(UnitExpression&& other) noexcept;
  virtual ~UnitExpression() { release(mNode); }

  // Parses a unit text with the built-in units (a context's parser also knows the context's own units). Throws
  // "unit_manager:parser:UnknownUnit" (the symbol, the text) and "unit_manager:parser:InvalidUnitExpression" (the text,
  // the 0-based position).
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

  // True when a unit with an offset (degC, degF, a user-defined unit with "@") occurs in the expression.
  bool isAffineUnitInExpression() const noexcept;

  // True for "1", the empty product.
  bool isOne() const noexcept;
  // True when the base-dimension exponents are all zero (rad, deg, percent, m/km, "1").
  bool isDimensionless() const noexcept;

  // Products, quotients and rational powers, with no simplification between different symbols. pow throws
  // "unit_manager:unit:ExponentOverflow" when an exponent leaves 32 bits and "unit_manager:unit:InvalidExponent" for a
  // zero denominator. Each may throw "unit_manager:unit:TooManyUnitExpressions" (see above).
  UnitExpression operator*(const UnitExpression& other) const;
  UnitExpression operator/(const UnitExpression& other) const;
  UnitExpression pow(int numerator, int denominator) const;

 private:
  // Takes over a reference to node.
  explicit UnitExpression(const detail::ExprNode* node) noexcept;
  friend struct detail::ExprNode;

  static void retain(const detail::NodeCount* node) noexcept {
    if (!node->immortal) node->refs.fetch_add(1, std::memory_order_relaxed);
  }
  static void release(const detail::NodeCount* node) noexcept {
    if (!node->immortal && node->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) detail::destroyNode(node);
  }

  const detail::NodeCount* mNode;       // factors in order of first appearance (what prints); holds a reference
  const detail::NodeCount* mCanonical;  // the same factors sorted (what compares); kept alive by mNode
};

}  // namespace unit_manager

#endif  // UNIT_MANAGER_UNITEXPRESSION_HPP
