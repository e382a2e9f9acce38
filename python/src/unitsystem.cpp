// SPDX-License-Identifier: Apache-2.0
#include "unitsystem.hpp"

#include <algorithm>
#include <new>

namespace sorvexa_python {
namespace {

// Systems made by make(), for restore(); read and written with the GIL held.
std::vector<std::weak_ptr<UnitSystem>>& registry() {
  static auto* systems = new std::vector<std::weak_ptr<UnitSystem>>();
  return *systems;
}

}  // namespace

UnitSystem::UnitSystem(const std::string& definitions)
    : mUnits(std::make_unique<unit_manager::StandardContext>(definitions)), mDefinitions(definitions) {
  mContext.reset(data_manager::Context::create(*mUnits));
  if (!mContext) {
    throw std::bad_alloc();
  }
  mParser.reset(mUnits->createUnitParser());
}

UnitSystem::~UnitSystem() = default;

const std::shared_ptr<UnitSystem>& UnitSystem::standard() {
  // Never released: values may outlive the interpreter's module teardown.
  static const auto* system = new std::shared_ptr<UnitSystem>(std::make_shared<UnitSystem>(std::string()));
  return *system;
}

std::shared_ptr<UnitSystem> UnitSystem::make(const std::string& definitions) {
  auto system = std::make_shared<UnitSystem>(definitions);
  auto& systems = registry();
  systems.erase(
      std::remove_if(systems.begin(), systems.end(), [](const std::weak_ptr<UnitSystem>& s) { return s.expired(); }),
      systems.end());
  systems.push_back(system);
  return system;
}

std::shared_ptr<UnitSystem> UnitSystem::restore(const std::string& definitions) {
  if (definitions.empty()) {
    return standard();
  }
  for (const std::weak_ptr<UnitSystem>& candidate : registry()) {
    std::shared_ptr<UnitSystem> system = candidate.lock();
    if (system && system->definitions() == definitions) {
      return system;
    }
  }
  return make(definitions);
}

void UnitSystem::define(const std::string& definitions) {
  mUnits->define(definitions);
  if (!mDefinitions.empty() && mDefinitions.back() != '\n') {
    mDefinitions += '\n';
  }
  mDefinitions += definitions;
}

unit_manager::UnitExpression UnitSystem::parseUnit(const std::string& text) const { return mParser->parse(text); }

std::vector<std::pair<std::string, std::string>> UnitSystem::units() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const unit_manager::Unit* unit : mUnits->units()) {
    out.emplace_back(unit->symbol(), unit->definition());
  }
  return out;
}

}  // namespace sorvexa_python
