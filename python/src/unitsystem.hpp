// SPDX-License-Identifier: Apache-2.0
//
// UnitSystem: one unit-manager context and the data-manager context bound to it, held together so that every value
// made in the system can keep both alive through a shared pointer, whatever order Python frees its objects in.
#ifndef SORVEXA_PYTHON_UNITSYSTEM_HPP
#define SORVEXA_PYTHON_UNITSYSTEM_HPP

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data_manager/context.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace sorvexa_python {

class UnitSystem {
 public:
  // A system of the built-in units plus definitions (one per line). Throws the unit manager's definition errors.
  explicit UnitSystem(const std::string& definitions);
  UnitSystem(const UnitSystem&) = delete;
  UnitSystem& operator=(const UnitSystem&) = delete;
  ~UnitSystem();

  // The process's default system, made on first use and never released.
  static const std::shared_ptr<UnitSystem>& standard();
  // A new system of definitions, remembered (weakly) so that restore can find it again.
  static std::shared_ptr<UnitSystem> make(const std::string& definitions);
  // A live system whose definitions are exactly these, else a new one: values unpickled in the process that pickled
  // them land in the system they came from.
  static std::shared_ptr<UnitSystem> restore(const std::string& definitions);

  // Adds definitions, whole or not at all. Throws the unit manager's definition errors.
  void define(const std::string& definitions);

  const data_manager::Context& context() const noexcept { return *mContext; }
  // Parses a unit text with this system's units. Throws the unit parser's errors.
  unit_manager::UnitExpression parseUnit(const std::string& text) const;
  // Every definition given to the system so far, in order (empty for the default system).
  const std::string& definitions() const noexcept { return mDefinitions; }
  bool isStandard() const noexcept { return this == standard().get(); }
  // The units of the system without prefixes, built-in then defined, as (symbol, definition).
  std::vector<std::pair<std::string, std::string>> units() const;

 private:
  std::unique_ptr<unit_manager::StandardContext> mUnits;
  std::unique_ptr<data_manager::Context> mContext;  // bound to *mUnits, so released before it
  std::unique_ptr<unit_manager::UnitParser> mParser;
  std::string mDefinitions;
};

}  // namespace sorvexa_python

#endif  // SORVEXA_PYTHON_UNITSYSTEM_HPP
