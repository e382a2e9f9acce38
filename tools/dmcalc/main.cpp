// SPDX-License-Identifier: Apache-2.0
//
// dmcalc: evaluates the library's operations on values written in the text form.
#include <iostream>

#include "unit_manager/unitexpression.hpp"

int main() {
  for (const unit_manager::Unit* unit : unit_manager::unitTable()) {
    std::cout << unit->symbol() << " = " << unit->definition() << '\n';
  }
  return 0;
}
