// SPDX-License-Identifier: Apache-2.0
//
// Unit expressions. Any text either fails with a unit-manager error or gives an
// expression whose printed text reads back as an equal expression that prints
// the same; the conversion to its fundamental form either works or fails with
// an error, and converts back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "fuzz_targets.hpp"
#include "qtf/messageexception.hpp"
#include "unit_manager/unitexpression.hpp"

namespace sorvexa_fuzz {

int unitTextOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  unit_manager::UnitExpression u;
  try {
    u = unit_manager::UnitExpression::parse(text);
  } catch (const qtf::MessageException&) {
    return 0;
  }
  requireUnitRoundTrip(u);
  try {
    const unit_manager::UnitExpression fundamental = u.getFundamentalExpression();
    require(fundamental.commensurate(u),
            [&] { return u.convertToString() + " is not commensurate with its fundamental form"; });
    requireUnitRoundTrip(fundamental);
    const unit_manager::UnitConversion there = u.getConversion(fundamental);
    require(!std::isnan(there.scale) && !std::isnan(there.offset),
            [&] { return "the conversion of " + u.convertToString() + " to its fundamental form is NaN"; });
  } catch (const qtf::MessageException&) {
    // Exponents of the fundamental form may leave their range; that is an error, not a finding.
  }
  return 0;
}

}  // namespace sorvexa_fuzz

SORVEXA_FUZZ_ENTRY(sorvexa_fuzz::unitTextOneInput)
