// SPDX-License-Identifier: Apache-2.0
#include "unit_manager/unitexpression.hpp"

#include <cstdint>
#include <string>

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

// Products and quotients met before, per thread: operators on 1x1 values ask for the same few again and again, and
// nodes never die, so a remembered pointer stays valid.
struct ProductEntry {
  const ExprNode* left;
  const ExprNode* right;
  bool divide;
  const ExprNode* result;
};

constexpr std::size_t kProductCacheSize = 256;
thread_local ProductEntry tProducts[kProductCacheSize];

ProductEntry& productSlot(const ExprNode* left, const ExprNode* right, bool divide) noexcept {
  const std::uint64_t key = (reinterpret_cast<std::uintptr_t>(left) * 0x9e3779b97f4a7c15ULL) ^
                            (reinterpret_cast<std::uintptr_t>(right) * 0xc2b2ae3d27d4eb4fULL) ^ (divide ? 1u : 0u);
  return tProducts[static_cast<std::size_t>(key >> 56) % kProductCacheSize];
}

// The node of left * right (left / right when divide is set), or null when an exponent overflows.
const ExprNode* combine(const ExprNode* left, const ExprNode* right, bool divide) {
  ProductEntry& slot = productSlot(left, right, divide);
  if (slot.left == left && slot.right == right && slot.divide == divide) return slot.result;
  FactorList factors = left->factors;
  const ExprNode* node = detail::multiplyInto(factors, right->factors, divide) ? detail::intern(factors) : nullptr;
  if (node != nullptr) slot = ProductEntry{left, right, divide, node};
  return node;
}

}  // namespace

UnitExpression::UnitExpression() noexcept : UnitExpression(detail::oneNode()) {}

UnitExpression::UnitExpression(const Context& /*context*/) noexcept : UnitExpression(detail::oneNode()) {}

UnitExpression::UnitExpression(const Unit* unit)
    : UnitExpression(unit == nullptr ? detail::oneNode()
                                     : detail::intern(FactorList{{detail::UnitRecord::of(*unit), {1, 1}}})) {}

UnitExpression::UnitExpression(const ExprNode* node) noexcept : mNode(node), mCanonical(node->canonical) {}

UnitExpression::~UnitExpression() = default;

UnitExpression UnitExpression::parse(const std::string& text) {
  if (const ExprNode* cached = detail::findParsed(text)) return UnitExpression(cached);
  FactorList factors = detail::parseFactors(text, detail::UnitTable::instance());
  const ExprNode* node = detail::internParsed(text, std::move(factors));
  if (node == nullptr) {
    qtf::raise(detail::msg::parser::InvalidUnitExpression, text, text.size(),
               "the dimension exponents of the product leave the supported range");
  }
  return UnitExpression(node);
}

void UnitExpression::hash(qtf::Hasher& hasher) const noexcept { hasher.addValue(mCanonical->hash); }

std::string UnitExpression::convertToString() const { return mNode->text(); }

UnitConversion UnitExpression::getConversion(const UnitExpression& target) const {
  const detail::Conversion c = detail::convert(mCanonical, target.mCanonical);
  if (!c.commensurate) {
    qtf::raise(detail::msg::unit::IncommensurateUnits, mNode->text(), target.mNode->text());
  }
  return UnitConversion{c.scale, c.offset};
}

UnitExpression UnitExpression::getFundamentalExpression() const {
  const detail::UnitTable& table = detail::UnitTable::instance();
  FactorList factors;
  for (int i = 0; i < detail::kBaseCount; ++i) {
    const detail::Rational& d = mCanonical->quantities.dims[static_cast<std::size_t>(i)];
    if (d.isZero()) continue;
    detail::Exponent power;
    if (!detail::Exponent::make(d.num, d.den, power)) throwOverflow("the base units of " + mNode->text());
    factors.push_back(detail::Factor{table.base(i), power});
  }
  const ExprNode* node = detail::intern(factors);
  if (node == nullptr) throwOverflow("the base units of " + mNode->text());
  return UnitExpression(node);
}

bool UnitExpression::commensurate(const UnitExpression& other) const noexcept {
  return mCanonical == other.mCanonical || mCanonical->quantities.dims == other.mCanonical->quantities.dims;
}

bool UnitExpression::isAffineUnitInExpression() const noexcept { return mCanonical->quantities.affine; }

bool UnitExpression::isOne() const noexcept { return mCanonical->factors.empty(); }

bool UnitExpression::isDimensionless() const noexcept { return mCanonical->dimensionless; }

UnitExpression UnitExpression::operator*(const UnitExpression& other) const {
  const ExprNode* node = combine(mNode, other.mNode, false);
  if (node == nullptr) throwOverflow("(" + mNode->text() + ")*(" + other.mNode->text() + ")");
  return UnitExpression(node);
}

UnitExpression UnitExpression::operator/(const UnitExpression& other) const {
  const ExprNode* node = combine(mNode, other.mNode, true);
  if (node == nullptr) throwOverflow("(" + mNode->text() + ")/(" + other.mNode->text() + ")");
  return UnitExpression(node);
}

UnitExpression UnitExpression::pow(int numerator, int denominator) const {
  if (denominator == 0) {
    qtf::raise(detail::msg::unit::InvalidExponent, mNode->text(), numerator, denominator);
  }
  detail::Exponent e;
  FactorList factors = mNode->factors;
  const bool fits = detail::Exponent::make(numerator, denominator, e) && detail::raiseTo(factors, e);
  const ExprNode* node = fits ? detail::intern(factors) : nullptr;
  if (node == nullptr) {
    throwOverflow("(" + mNode->text() + ")^(" + std::to_string(numerator) + "/" + std::to_string(denominator) + ")");
  }
  return UnitExpression(node);
}

}  // namespace unit_manager
