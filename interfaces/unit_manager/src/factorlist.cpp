// SPDX-License-Identifier: Apache-2.0
#include "factorlist.hpp"

#include <algorithm>

namespace unit_manager {
namespace detail {

bool multiplyInto(FactorList& list, const FactorList& other, bool invert) {
  for (const Factor& factor : other) {
    Exponent power = factor.power;
    if (invert) power.num = -power.num;  // the symmetric range makes negation safe
    const auto found = std::find_if(list.begin(), list.end(), [&](const Factor& f) { return f.unit == factor.unit; });
    if (found == list.end()) {
      list.push_back(Factor{factor.unit, power});
      continue;
    }
    Exponent sum;
    if (!addExponents(found->power, power, sum)) return false;
    if (sum.isZero()) {
      // A unit that cancels and comes back later counts as new, so it leaves its place now.
      list.erase(found);
    } else {
      found->power = sum;
    }
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

bool computeQuantities(const FactorList& list, Quantities& out) {
  Quantities q;
  for (const Factor& factor : list) {
    for (std::size_t i = 0; i < q.dims.size(); ++i) {
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
