// Uses the library from outside its tree: a context, a unit conversion, an operation on values in different units, and
// the version check. Exits 0 when every result is the expected one.
#include <cstring>
#include <data_manager/data_manager.hpp>
#include <iostream>
#include <memory>
#include <sorvexa/version.hpp>

int main() {
  // The headers and the library loaded at run time come from the same release.
  if (std::strcmp(sorvexa::version(), SORVEXA_VERSION_STRING) != 0) {
    std::cerr << "compiled against " << SORVEXA_VERSION_STRING << ", running with " << sorvexa::version() << '\n';
    return 1;
  }
  unit_manager::StandardContext unitContext;
  std::unique_ptr<data_manager::Context> context(data_manager::Context::create(unitContext));
  const auto conversion =
      unit_manager::UnitExpression::parse("km").getConversion(unit_manager::UnitExpression::parse("m"));
  const data_manager::Value metre(*context, "1:m");
  const data_manager::Value kilometre(*context, "1:km");
  const data_manager::Value sum = data_manager::ValueOperator::call(data_manager::ValueOpId::Plus, metre, kilometre);
  std::cout << "sorvexa " << sorvexa::version() << ": time unit " << context->getTimeUnit().convertToString()
            << ", 1 km = " << conversion.scale << " m, 1 m + 1 km = " << sum << '\n';
  return conversion.scale == 1000.0 && sum.toString() == "[1001]:m:double" ? 0 : 1;
}
