// SPDX-License-Identifier: Apache-2.0
//
// Function: a function of the intermediate representation, with its scopes
// and the statements recorded into it in order.
#ifndef QTIR_FUNCTION_HPP
#define QTIR_FUNCTION_HPP

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qtir/context.hpp"
#include "qtir/expression.hpp"
#include "qtir/qtir_export.hpp"
#include "qtir/scope.hpp"

namespace qtir {

class QTIR_EXPORT Function : public Base {
 public:
  Function(const Context& context, std::string name);
  Function(const Function&) = delete;
  Function& operator=(const Function&) = delete;
  ~Function() override;

  const std::string& getName() const noexcept { return mName; }

  // The scope of that type. Throws "qtir:scope:InvalidScopeType" outside the enumeration.
  Scope& getFunctionScope(FunctionScopeType::Type scopeType);
  const Scope& getFunctionScope(FunctionScopeType::Type scopeType) const;

  // Records "target = value;" as the next statement.
  void addAssignment(const Expression& target, const Expression& value);
  const std::vector<std::pair<Expression, Expression>>& getAssignments() const noexcept { return mAssignments; }

  // The function as C-like text: the local declarations, then the statements in order.
  std::string str() const;

 private:
  std::string mName;
  std::unique_ptr<Scope> mScopes[FunctionScopeType::NumScopeTypes];
  std::vector<std::pair<Expression, Expression>> mAssignments;
};

QTIR_EXPORT std::ostream& operator<<(std::ostream& stream, const Function& function);

}  // namespace qtir

#endif  // QTIR_FUNCTION_HPP
