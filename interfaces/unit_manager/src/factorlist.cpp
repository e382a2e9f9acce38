// SPDX-License-Identifier: Apache-2.0
#include "factorlist.hpp"

#include <algorithm>

namespace unit_manager {
namespace detail {

bool multiplyFactor(FactorList& list, const Factor& factor, bool invert) {
  Exponent power = factor.power;
  if (invert) power.num = -power.num;  // the symmetric range makes negation safe
  const auto found = std::find_if(list.begin(), list.end(), [&](const Factor& f) { return f.unit == factor.unit; });
  if (found == list.end()) {
    list.push_back(Factor{factor.unit, power});
    return true;
  }
  Exponent sum;
  if (!addExponents(found->power, power, sum)) return false;
  if (sum.isZero()) {
    // A unit that cancels and comes back later counts as new, so it leaves its place now.
    list.erase(found);
  } else {
    found->power = sum;
  }
  return true;
}

bool multiplyInto(FactorList& list, const FactorList& other, bool invert) {
  for (const Factor& factor : other) {
    if (!multiplyFactor(list, factor, invert)) return false;
  }
  return true;
}

bool raiseTo(FactorList& list, const Exponent& e) {
  if (e.isZero()) {
    list.clear();
    return true;
  }
  for (Factor& factor : list) {
    if (!multiplyExponents(factor.power, e, factor.power)) return false;
  }
  return true;
}

namespace {

// The dimensions of a list whose powers are all whole numbers, summed in 64 bits; false when a power is a fraction or
// a sum would overflow, where the rational sums take over.
bool wholeDimensions(const FactorList& list, DimensionVector& out) noexcept {
  std::array<std::int64_t, kBaseCount> sums{};
  for (const Factor& factor : list) {
    if (factor.power.den != 1) return false;
    for (std::size_t i = 0; i < sums.size(); ++i) {
      std::int64_t term = 0;
      if (__builtin_mul_overflow(static_cast<std::int64_t>(factor.power.num), factor.unit->dims[i], &term) ||
          __builtin_add_overflow(sums[i], term, &sums[i])) {
        return false;
      }
    }
  }
  for (std::size_t i = 0; i < sums.size(); ++i) out[i] = Rational::fromInt(sums[i]);
  return true;
}

}  // namespace

bool computeQuantities(const FactorList& list, Quantities& out) {
  Quantities q;
  const bool whole = wholeDimensions(list, q.dims);
  for (const Factor& factor : list) {
    for (std::size_t i = 0; i < q.dims.size() && !whole; ++i) {
      const int d = factor.unit->dims[i];
      if (d == 0) continue;
      Rational term;
      if (!Rational::make(static_cast<Int128>(factor.power.num) * d, factor.power.den, term) ||
          !add(q.dims[i], term, q.dims[i])) {
        return false;
      }
    }
    q.scale = q.scale * factor.unit->scale.pow(factor.power.num, factor.power.den);
    q.affine = q.affine || factor.unit->affine;
  }
  if (list.size() == 1 && list[0].power == Exponent{1, 1}) q.offset = list[0].unit->offset;
  out = q;
  return true;
}

}  // namespace detail
}  // namespace unit_manager
