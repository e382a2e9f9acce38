// SPDX-License-Identifier: Apache-2.0
//
// The module's functions and sorvexa.UnitSystem.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "data_manager/valueoperator.hpp"
#include "pyvalue.hpp"
#include "unitsystem.hpp"

namespace py = pybind11;
using namespace pybind11::literals;
using data_manager::Value;
using data_manager::ValueOpId;

namespace sorvexa_python {
namespace {

const std::shared_ptr<UnitSystem>& systemOf(py::handle a, py::handle b) {
  if (const PyValue* v = asPyValue(a)) {
    return v->system.shared();
  }
  if (const PyValue* v = asPyValue(b)) {
    return v->system.shared();
  }
  return UnitSystem::standard();
}

Operand operand(py::handle obj, const std::shared_ptr<UnitSystem>& system) {
  Operand x;
  if (!x.load(obj, system)) {
    throw py::type_error("an operand is a sorvexa.Value, a number, nested lists or a numpy array, not " +
                         py::repr(py::type::handle_of(obj)).cast<std::string>());
  }
  return x;
}

PyValue callOperator(int id, py::handle a, py::handle b) {
  const auto op = static_cast<ValueOpId::Type>(id);
  const unsigned int count = data_manager::ValueOperator::getNumOperands(op);
  if (count == 0) {
    data_manager::ValueOperator::getName(op);  // raises the library's InvalidOperator
  }
  if (count == 2 && b.is_none()) {
    throw py::type_error(data_manager::ValueOperator::getName(op) + " takes two operands");
  }
  if (count == 1 && !b.is_none()) {
    throw py::type_error(data_manager::ValueOperator::getName(op) + " takes one operand");
  }
  const std::shared_ptr<UnitSystem>& system = systemOf(a, b);
  const Operand x = operand(a, system);
  if (count == 1) {
    return PyValue{x.system(), data_manager::ValueOperator::call(op, x.value(), x.value())};
  }
  const Operand y = operand(b, system);
  return PyValue{x.system(), data_manager::ValueOperator::call(op, x.value(), y.value())};
}

PyValue concatenate(const py::args& args, bool vertical) {
  const std::shared_ptr<UnitSystem>* system = &UnitSystem::standard();
  for (py::handle arg : args) {
    if (const PyValue* v = asPyValue(arg)) {
      system = &v->system.shared();
      break;
    }
  }
  std::vector<Value> values;
  values.reserve(args.size());
  std::shared_ptr<UnitSystem> first;
  for (py::handle arg : args) {
    const Operand x = operand(arg, *system);
    if (!first) {
      first = x.system();
    }
    values.push_back(x.value());
  }
  Value result = vertical ? data_manager::vertcat(values) : data_manager::horzcat(values);
  return PyValue{first ? first : *system, std::move(result)};
}

py::dict unitsOf(const UnitSystem& system) {
  py::dict out;
  for (const auto& [symbol, definition] : system.units()) {
    out[py::str(symbol)] = definition;
  }
  return out;
}

constexpr const char* kUnitSystemDoc = R"(A unit system: the built-in unit table plus units defined in it.

UnitSystem(definitions="") reads definitions, one a line:  [prefixable] symbol = [number] expr [@ offset]
such as "furlong = 201.168 m", "kph = km/h", "dozen = 12", "degX = 5/9 K @ 255.37". Values made in the system
(UnitSystem.value, or Value(..., system=s)) carry it and keep it alive. A symbol defined in one system is unknown
in another.)";

}  // namespace

void bindUnitSystem(py::module_& m) {
  py::class_<UnitSystem, std::shared_ptr<UnitSystem>> cls(m, "UnitSystem", kUnitSystemDoc);
  cls.def(py::init([](const std::string& definitions) { return UnitSystem::make(definitions); }), "definitions"_a = "",
          "A system of the built-in units plus definitions. Raises sorvexa.Error for a text "
          "that fails (nothing of it is kept).");
  cls.def("define", &UnitSystem::define, "definitions"_a,
          "Adds definitions, whole or not at all. Raises sorvexa.Error (unit_manager:definition:...) with the line "
          "number and the line.");
  cls.def(
      "units", [](const UnitSystem& s) { return unitsOf(s); },
      "The units of the system without prefixes, built-in then defined, as {symbol: definition}.");
  cls.def_property_readonly("definitions", &UnitSystem::definitions, "Every definition given to the system.");
  cls.def(
      "value",
      [](const std::shared_ptr<UnitSystem>& s, py::handle data, py::handle unit, py::handle dtype) {
        return PyValue{s, makeValue(*s, data, unit, dataTypeFromArgument(dtype))};
      },
      "data"_a, "unit"_a = py::none(), "dtype"_a = py::none(), "Value(data, unit, dtype) made in this system.");
  cls.def("__repr__", [](const UnitSystem& s) {
    if (s.isStandard()) {
      return std::string("sx.default_system()");
    }
    return "sx.UnitSystem(definitions=" + py::repr(py::str(s.definitions())).cast<std::string>() + ")";
  });
  cls.def("_state", [](const UnitSystem& s) {
    return py::make_tuple(s.isStandard() ? py::object(py::none()) : py::object(py::str(s.definitions())));
  });

  m.def(
      "default_system", []() { return UnitSystem::standard(); }, "The process's default unit system.");
  m.def(
      "units", []() { return unitsOf(*UnitSystem::standard()); },
      "The built-in unit table without prefixes, as {symbol: definition}.");
  m.def("_restore_system", [](py::handle definitions) {
    return definitions.is_none() ? UnitSystem::standard() : UnitSystem::restore(definitions.cast<std::string>());
  });
}

void bindFunctions(py::module_& m) {
  m.def("call", &callOperator, "op"_a, "first"_a, "second"_a = py::none(),
        "Evaluates the library operator of that index on one or two operands.");
  m.def(
      "operator_names",
      []() {
        std::vector<std::pair<std::string, unsigned int>> out;
        for (int op = 0; op < ValueOpId::NumValueOps; ++op) {
          const auto id = static_cast<ValueOpId::Type>(op);
          out.emplace_back(data_manager::ValueOperator::getName(id), data_manager::ValueOperator::getNumOperands(id));
        }
        return out;
      },
      "(name, operand count) of the library's operators, by index.");
  m.def(
      "vertcat", [](const py::args& args) { return concatenate(args, true); },
      "The values stacked top to bottom; later values are scaled into the first non-empty one's unit.");
  m.def(
      "horzcat", [](const py::args& args) { return concatenate(args, false); },
      "The values placed left to right; later values are scaled into the first non-empty one's unit.");
  m.def("_restore", [](const std::shared_ptr<UnitSystem>& given, const std::string& typeName,
                       std::pair<std::uint32_t, std::uint32_t> shape, const std::string& unitText, py::handle data) {
    const std::shared_ptr<UnitSystem>& system = given ? given : UnitSystem::standard();
    const qtf::DataTypeId::Type type = qtf::type_from_string(typeName);
    if (type == qtf::DataTypeId::Unknown) {
      throw py::value_error("no element type '" + typeName + "'");
    }
    const qtf::Dimension dimension(shape.first, shape.second);
    const unit_manager::UnitExpression unit = system->parseUnit(unitText);
    if (data.is_none()) {
      return PyValue{system,
                     Value(system->context(), data_manager::ValueTraitId::Unresolved, type, dimension, unit, nullptr)};
    }
    const std::string bytes = data.cast<std::string>();
    if (bytes.size() != dimension.getNumElements() * qtf::get_type_size(type)) {
      throw py::value_error("the pickled elements do not fill a " + dimension.str() + " " + typeName + " value");
    }
    return PyValue{system,
                   Value(system->context(), data_manager::ValueTraitId::Resolved, type, dimension, unit, bytes.data())};
  });
}

}  // namespace sorvexa_python
