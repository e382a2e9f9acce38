// SPDX-License-Identifier: Apache-2.0
#include "unit_manager/unitexpression.hpp"

#include <cstdint>
#include <string>
#include <utility>

#include "conversion.hpp"
#include "exprnode.hpp"
#include "factorparser.hpp"
#include "messages.hpp"
#include "unitrecord.hpp"

namespace unit_manager {

namespace {

using detail::ExprNode;
using detail::FactorList;

[[noreturn]] void throwOverflow(const std::string& what) { qtf::raise(detail::msg::unit::ExponentOverflow, what); }

// Products and quotients met before, per thread: operators on 1x1 values ask for the same few again and again.
// Operands are recognised by their nodes' serials, so entries need no reference on them; each entry holds a reference
// on its result, dropped when the entry is overwritten or the thread ends, so the cache keeps at most kProductCacheSize
// nodes alive per thread.
struct ProductEntry {
  std::uint64_t left = 0;
  std::uint64_t right = 0;
  bool divide = false;
  const ExprNode* result = nullptr;
};

constexpr std::size_t kProductCacheSize = 256;

struct ProductCache {
  ProductEntry entries[kProductCacheSize];

  ProductCache() = default;
  ProductCache(const ProductCache&) = delete;
  ProductCache& operator=(const ProductCache&) = delete;
  ~ProductCache() {
    for (ProductEntry& entry : entries) {
      if (entry.result != nullptr) detail::release(entry.result);
    }
  }

  ProductEntry& slot(std::uint64_t left, std::uint64_t right, bool divide) noexcept {
    const std::uint64_t key = (left * 0x9e3779b97f4a7c15ULL) ^ (right * 0xc2b2ae3d27d4eb4fULL) ^ (divide ? 1u : 0u);
    return entries[static_cast<std::size_t>(key >> 56) % kProductCacheSize];
  }
};

thread_local ProductCache tProducts;

// The node of left * right (left / right when divide is set) with a reference for the caller, or null when an
// exponent overflows.
const ExprNode* combine(const ExprNode* left, const ExprNode* right, bool divide) {
  ProductEntry& slot = tProducts.slot(left->serial, right->serial, divide);
  if (slot.result != nullptr && slot.left == left->serial && slot.right == right->serial && slot.divide == divide) {
    detail::retain(slot.result);
    return slot.result;
  }
  FactorList factors = left->factors;
  const ExprNode* node = detail::multiplyInto(factors, right->factors, divide) ? detail::intern(factors) : nullptr;
  if (node != nullptr) {
    detail::retain(node);
    const ExprNode* dropped = slot.result;
    slot = ProductEntry{left->serial, right->serial, divide, node};
    if (dropped != nullptr) detail::release(dropped);
  }
  return node;
}

}  // namespace

UnitExpression::UnitExpression() noexcept : UnitExpression(detail::oneNode()) {}

UnitExpression::UnitExpression(const Context& /*context*/) noexcept : UnitExpression(detail::oneNode()) {}

UnitExpression::UnitExpression(const Unit* unit)
    : UnitExpression(unit == nullptr ? detail::oneNode()
                                     : detail::intern(FactorList{{detail::UnitRecord::of(*unit), {1, 1}}})) {}

UnitExpression::UnitExpression(const ExprNode* node) noexcept : mNode(node), mCanonical(node->canonical) {}

namespace {
const ExprNode* nodeOf(const detail::NodeCount* node) noexcept { return static_cast<const ExprNode*>(node); }
}  // namespace

UnitExpression::UnitExpression(UnitExpression&& other) noexcept : mNode(other.mNode), mCanonical(other.mCanonical) {
  other.mNode = detail::oneNode();
  other.mCanonical = other.mNode;
}

UnitExpression& UnitExpression::operator=(UnitExpression&& other) noexcept {
  if (this != &other) {
    release(mNode);
    mNode = other.mNode;
    mCanonical = other.mCanonical;
    other.mNode = detail::oneNode();
    other.mCanonical = other.mNode;
  }
  return *this;
}

UnitExpression UnitExpression::parse(const std::string& text) {
  if (const ExprNode* cached = detail::findParsed(0, text)) return UnitExpression(cached);
  const FactorList factors = detail::parseFactors(text, detail::UnitTable::instance());
  const ExprNode* node = detail::internParsed(0, text, factors);
  if (node == nullptr) {
    qtf::raise(detail::msg::parser::InvalidUnitExpression, text, text.size(),
               "the dimension exponents of the product leave the supported range");
  }
  return UnitExpression(node);
}

void UnitExpression::hash(qtf::Hasher& hasher) const noexcept { hasher.addValue(nodeOf(mCanonical)->hash); }

std::string UnitExpression::convertToString() const { return nodeOf(mNode)->text(); }

UnitConversion UnitExpression::getConversion(const UnitExpression& target) const {
  const detail::Conversion c = detail::convert(nodeOf(mCanonical), nodeOf(target.mCanonical));
  if (!c.commensurate) {
    qtf::raise(detail::msg::unit::IncommensurateUnits, nodeOf(mNode)->text(), nodeOf(target.mNode)->text());
  }
  return UnitConversion{c.scale, c.offset};
}

UnitExpression UnitExpression::getFundamentalExpression() const {
  const detail::UnitTable& table = detail::UnitTable::instance();
  FactorList factors;
  for (int i = 0; i < detail::kBaseCount; ++i) {
    const detail::Rational& d = nodeOf(mCanonical)->quantities.dims[static_cast<std::size_t>(i)];
    if (d.isZero()) continue;
    detail::Exponent power;
    if (!detail::Exponent::make(d.num, d.den, power)) throwOverflow("the base units of " + nodeOf(mNode)->text());
    factors.push_back(detail::Factor{table.base(i), power});
  }
  const ExprNode* node = detail::intern(factors);
  if (node == nullptr) throwOverflow("the base units of " + nodeOf(mNode)->text());
  return UnitExpression(node);
}

bool UnitExpression::commensurate(const UnitExpression& other) const noexcept {
  return mCanonical == other.mCanonical ||
         nodeOf(mCanonical)->quantities.dims == nodeOf(other.mCanonical)->quantities.dims;
}

bool UnitExpression::isAffineUnitInExpression() const noexcept { return nodeOf(mCanonical)->quantities.affine; }

bool UnitExpression::isOne() const noexcept { return nodeOf(mCanonical)->factors.empty(); }

bool UnitExpression::isDimensionless() const noexcept { return nodeOf(mCanonical)->dimensionless; }

UnitExpression UnitExpression::operator*(const UnitExpression& other) const {
  const ExprNode* node = combine(nodeOf(mNode), nodeOf(other.mNode), false);
  if (node == nullptr) throwOverflow("(" + nodeOf(mNode)->text() + ")*(" + nodeOf(other.mNode)->text() + ")");
  return UnitExpression(node);
}

UnitExpression UnitExpression::operator/(const UnitExpression& other) const {
  const ExprNode* node = combine(nodeOf(mNode), nodeOf(other.mNode), true);
  if (node == nullptr) throwOverflow("(" + nodeOf(mNode)->text() + ")/(" + nodeOf(other.mNode)->text() + ")");
  return UnitExpression(node);
}

UnitExpression UnitExpression::pow(int numerator, int denominator) const {
  if (denominator == 0) {
    qtf::raise(detail::msg::unit::InvalidExponent, nodeOf(mNode)->text(), numerator, denominator);
  }
  detail::Exponent e;
  FactorList factors = nodeOf(mNode)->factors;
  const bool fits = detail::Exponent::make(numerator, denominator, e) && detail::raiseTo(factors, e);
  const ExprNode* node = fits ? detail::intern(factors) : nullptr;
  if (node == nullptr) {
    throwOverflow("(" + nodeOf(mNode)->text() + ")^(" + std::to_string(numerator) + "/" + std::to_string(denominator) +
                  ")");
  }
  return UnitExpression(node);
}

}  // namespace unit_manager
