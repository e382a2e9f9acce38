// Creates a context from the standard unit context and converts a unit: proof that the installed package is usable.
#include <data_manager/data_manager.hpp>
#include <iostream>
#include <memory>

int main() {
  unit_manager::StandardContext unitContext;
  std::unique_ptr<data_manager::Context> context(data_manager::Context::create(unitContext));
  const auto conversion =
      unit_manager::UnitExpression::parse("km").getConversion(unit_manager::UnitExpression::parse("m"));
  std::cout << "time unit " << context->getTimeUnit().convertToString() << ", 1 km = " << conversion.scale << " m\n";
  return conversion.scale == 1000.0 ? 0 : 1;
}
