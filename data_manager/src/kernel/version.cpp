// SPDX-License-Identifier: Apache-2.0
#include "sorvexa/version.hpp"

namespace sorvexa {

const char* version() noexcept { return SORVEXA_VERSION_STRING; }

}  // namespace sorvexa
