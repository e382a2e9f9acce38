// SPDX-License-Identifier: Apache-2.0
//
// The built-in definitions text, units.txt, which the build embeds in a generated source file.
#ifndef UNIT_MANAGER_SRC_BUILTINDEFINITIONS_HPP
#define UNIT_MANAGER_SRC_BUILTINDEFINITIONS_HPP

#include <string>

namespace unit_manager {
namespace detail {

const std::string& builtinDefinitions();

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_BUILTINDEFINITIONS_HPP
