// SPDX-License-Identifier: Apache-2.0
#include "qtir/function.hpp"

#include <utility>

namespace qtir {

Function::Function(std::string name) : mName(std::move(name)) {}

Function::~Function() = default;

}  // namespace qtir
