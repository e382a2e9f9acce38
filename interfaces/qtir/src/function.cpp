// SPDX-License-Identifier: Apache-2.0
#include "qtir/function.hpp"

#include <ostream>

#include "messages.hpp"
#include "qtf/messageexception.hpp"

namespace qtir {

Function::Function(const Context& context, std::string name) : Base(context), mName(std::move(name)) {
  for (int i = 0; i < FunctionScopeType::NumScopeTypes; ++i) {
    mScopes[i] = std::make_unique<Scope>(*this, static_cast<FunctionScopeType::Type>(i));
  }
}

Function::~Function() = default;

Scope& Function::getFunctionScope(FunctionScopeType::Type scopeType) {
  return const_cast<Scope&>(static_cast<const Function&>(*this).getFunctionScope(scopeType));
}

const Scope& Function::getFunctionScope(FunctionScopeType::Type scopeType) const {
  if (scopeType < 0 || scopeType >= FunctionScopeType::NumScopeTypes) {
    qtf::raise(msg::scope::InvalidScopeType, static_cast<int>(scopeType));
  }
  return *mScopes[scopeType];
}

void Function::addAssignment(const Expression& target, const Expression& value) {
  mAssignments.emplace_back(target, value);
}

std::string Function::str() const {
  std::string out = "void " + mName + "(void) {\n";
  for (const auto& item : getFunctionScope(FunctionScopeType::Local).getItems()) {
    const auto* variable = dynamic_cast<const Variable*>(item.get());
    if (variable != nullptr && variable->getType() != nullptr) {
      out += "  " + variable->getType()->declare(variable->getName()) + ";\n";
    }
  }
  for (const auto& [target, value] : mAssignments) {
    out += "  " + target.str() + " = " + value.str() + ";\n";
  }
  out += "}";
  return out;
}

std::ostream& operator<<(std::ostream& stream, const Function& function) { return stream << function.str(); }

}  // namespace qtir
