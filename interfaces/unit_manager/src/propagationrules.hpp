// SPDX-License-Identifier: Apache-2.0
//
// The standard unit propagation rules, one per PropagationRuleId (unit_manager/context.hpp says what each gives).
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
