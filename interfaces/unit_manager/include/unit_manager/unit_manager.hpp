// SPDX-License-Identifier: Apache-2.0
//
// The unit manager in one include.
#ifndef UNIT_MANAGER_UNIT_MANAGER_HPP
#define UNIT_MANAGER_UNIT_MANAGER_HPP

#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

#endif  // UNIT_MANAGER_UNIT_MANAGER_HPP
