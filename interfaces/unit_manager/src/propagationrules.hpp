// SPDX-License-Identifier: Apache-2.0
//
// The standard unit propagation rules, by index:
//   0 result u1, factor 1                       7 result u1/u2, factors 1, 1
//   2 result u1, factors 1 and u2 -> u1         8 result u1^e, e the dimensionless exponent operand
//   3 result "1", factors as rule 2             9 result "1", factors 1, 1
//   5 result u1*u2, factors 1, 1               10 result "1", factor: a dimensionless operand's scale to "1"
//   6 result u2/u1, factors 1, 1               11 result u1^(1/2), factor 1
// Every other index has a rule that throws "unit_manager:propagation:UnknownRule".
#ifndef UNIT_MANAGER_SRC_PROPAGATIONRULES_HPP
#define UNIT_MANAGER_SRC_PROPAGATIONRULES_HPP

#include "unit_manager/context.hpp"

namespace unit_manager {
namespace detail {

// The rule of index, never null. Rules are stateless and live for the rest of the process.
const UnitPropagationRule* ruleForIndex(int index);

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_PROPAGATIONRULES_HPP
