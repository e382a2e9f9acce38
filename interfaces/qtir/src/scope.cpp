// SPDX-License-Identifier: Apache-2.0
#include "qtir/scope.hpp"

#include "messages.hpp"
#include "qtf/messageexception.hpp"

namespace qtir {

ScopeItem::ScopeItem(Scope& scope, ScopeItemType::Type itemType, std::string name)
    : mScope(&scope), mItemType(itemType), mName(std::move(name)) {}

ScopeItem::~ScopeItem() = default;

Variable::Variable(Scope& scope, std::string name) : ScopeItem(scope, ScopeItemType::Variable, std::move(name)) {}

Variable::~Variable() = default;

void Variable::setType(const Type& type) { mType = type.clone(); }

namespace {

// A label: a named place in the function, which has no type.
class Label : public ScopeItem {
 public:
  Label(Scope& scope, std::string name) : ScopeItem(scope, ScopeItemType::Label, std::move(name)) {}
};

}  // namespace

Scope::~Scope() = default;

std::string Scope::makeUniqueName(const std::string& name) const {
  const std::string base = name.empty() ? "tmp" : name;
  if (findItem(base) == nullptr) {
    return base;
  }
  for (std::size_t i = 1;; ++i) {
    std::string candidate = base + "_" + std::to_string(i);
    if (findItem(candidate) == nullptr) {
      return candidate;
    }
  }
}

ScopeItem& Scope::addGenericScopeItem(ScopeItemType::Type itemType, const std::string& name) {
  if (findItem(name) != nullptr) {
    qtf::raise(msg::scope::DuplicateName, name);
  }
  std::unique_ptr<ScopeItem> item;
  switch (itemType) {
    case ScopeItemType::Variable:
      item = std::make_unique<Variable>(*this, name);
      break;
    case ScopeItemType::Label:
      item = std::make_unique<Label>(*this, name);
      break;
    default:
      qtf::raise(msg::scope::InvalidItemType, static_cast<int>(itemType));
  }
  mItems.push_back(std::move(item));
  return *mItems.back();
}

const ScopeItem* Scope::findItem(const std::string& name) const noexcept {
  for (const auto& item : mItems) {
    if (item->getName() == name) {
      return item.get();
    }
  }
  return nullptr;
}

}  // namespace qtir
