// SPDX-License-Identifier: Apache-2.0
//
// Scopes of a function and the items declared in them.
#ifndef QTIR_SCOPE_HPP
#define QTIR_SCOPE_HPP

#include <memory>
#include <string>
#include <vector>

#include "qtir/context.hpp"
#include "qtir/expression.hpp"
#include "qtir/qtir_export.hpp"

namespace qtir {

class Function;
class Scope;

struct FunctionScopeType {
  enum Type : int {
    Global = 0,
    Parameter = 1,
    Local = 2,  // the function's local scope
  };
  static constexpr int NumScopeTypes = 3;
};

struct ScopeItemType {
  enum Type : int {
    Label = 0,
    Variable = 1,
  };
};

class QTIR_EXPORT ScopeItem {
 public:
  ScopeItem(const ScopeItem&) = delete;
  ScopeItem& operator=(const ScopeItem&) = delete;
  virtual ~ScopeItem();

  const std::string& getName() const noexcept { return mName; }
  ScopeItemType::Type getItemType() const noexcept { return mItemType; }
  Scope& getScope() const noexcept { return *mScope; }

  // The element (row, column) of the item, as an expression.
  Expression operator()(const Expression& row, const Expression& column) const;

 protected:
  ScopeItem(Scope& scope, ScopeItemType::Type itemType, std::string name);

 private:
  Scope* mScope;
  ScopeItemType::Type mItemType;
  std::string mName;
};

class QTIR_EXPORT Variable : public ScopeItem {
 public:
  Variable(Scope& scope, std::string name);
  ~Variable() override;

  // Keeps a copy of type.
  void setType(const Type& type);
  // Null until a type is set.
  const Type* getType() const noexcept { return mType.get(); }

 private:
  std::unique_ptr<Type> mType;
};

class QTIR_EXPORT Scope {
 public:
  Scope(Function& function, FunctionScopeType::Type scopeType) noexcept : mFunction(&function), mScopeType(scopeType) {}
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
  ~Scope();

  Function& getFunction() const noexcept { return *mFunction; }
  FunctionScopeType::Type getScopeType() const noexcept { return mScopeType; }

  // name itself when it is not empty and not used yet, else name_1, name_2, ... ("tmp" stands for an empty name).
  std::string makeUniqueName(const std::string& name) const;
  // Declares a new item; Variable items are Variable objects. Throws "qtir:scope:DuplicateName" when the name is
  // taken and "qtir:scope:InvalidItemType" for an unknown item type.
  ScopeItem& addGenericScopeItem(ScopeItemType::Type itemType, const std::string& name);
  const ScopeItem* findItem(const std::string& name) const noexcept;
  const std::vector<std::unique_ptr<ScopeItem>>& getItems() const noexcept { return mItems; }

 private:
  Function* mFunction;
  FunctionScopeType::Type mScopeType;
  std::vector<std::unique_ptr<ScopeItem>> mItems;
};

}  // namespace qtir

#endif  // QTIR_SCOPE_HPP
