// SPDX-License-Identifier: Apache-2.0
//
// Tables indexed by ValueOpId (names, operand counts, operator objects) keep
// their ValueOpId in every row, and this check, run at compile time, proves
// that a table has exactly one row per operator in ValueOpId order, so that a
// missing or misplaced row fails the build instead of reading a null later.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATORROWS_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATORROWS_HPP

#include <cstddef>

#include "data_manager/valueopid.hpp"

namespace data_manager::detail {

// True when rows[i].op == i for every row and there are NumValueOps rows.
template <typename Row, std::size_t N>
constexpr bool oneRowPerOperatorInOrder(const Row (&rows)[N]) {
  if (N != static_cast<std::size_t>(ValueOpId::NumValueOps)) {
    return false;
  }
  for (std::size_t i = 0; i < N; ++i) {
    if (rows[i].op != static_cast<ValueOpId::Type>(i)) {
      return false;
    }
  }
  return true;
}

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATORROWS_HPP
