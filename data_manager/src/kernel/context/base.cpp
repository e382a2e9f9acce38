// SPDX-License-Identifier: Apache-2.0
#include "data_manager/base.hpp"

namespace data_manager {

Base::~Base() = default;

}  // namespace data_manager
