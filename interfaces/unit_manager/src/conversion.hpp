// SPDX-License-Identifier: Apache-2.0
//
// How a quantity in one canonical node reads in another. Computed exactly where the units allow and rounded once,
// then kept in a small per-thread cache, so that converting the same pair again takes no lock and no allocation.
#ifndef UNIT_MANAGER_SRC_CONVERSION_HPP
#define UNIT_MANAGER_SRC_CONVERSION_HPP

#include "exprnode.hpp"

namespace unit_manager {
namespace detail {

struct Conversion {
  bool commensurate;
  // True when the two offsets differ, so that the conversion needs its offset (degC against K or degF).
  bool offsetsDiffer;
  // x in from is x * scale + offset in to; both 0 when the units are incommensurate.
  double scale;
  double offset;
};

// from and to must be canonical nodes.
Conversion convert(const ExprNode* from, const ExprNode* to) noexcept;

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_CONVERSION_HPP
