// SPDX-License-Identifier: Apache-2.0
#include "qtf/dimension.hpp"

namespace qtf {

std::string Dimension::str() const { return std::to_string(mM) + "x" + std::to_string(mN); }

}  // namespace qtf
