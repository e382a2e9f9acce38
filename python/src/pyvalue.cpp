// SPDX-License-Identifier: Apache-2.0
//
// sorvexa.Value: construction, numpy views, the operators, conversions, subscripting, lowering and pickling.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "data_manager/datairinfo.hpp"
#include "data_manager/datatyperec.hpp"
#include "data_manager/valueattributes.hpp"
#include "data_manager/valueoperator.hpp"
#include "pyvalue.hpp"
#include "qtf/hasher.hpp"
#include "qtf/subsref.hpp"
#include "qtir/function.hpp"

namespace py = pybind11;
using namespace pybind11::literals;
using data_manager::Value;
using data_manager::ValueOpId;
using qtf::DataTypeId;

namespace sorvexa_python {
namespace {

py::object notImplemented() { return py::reinterpret_borrow<py::object>(Py_NotImplemented); }

py::object wrap(const std::shared_ptr<UnitSystem>& system, const Value& value) {
  return py::cast(PyValue{system, value}, py::return_value_policy::move);
}

// first op second, either side a sorvexa.Value or a Python number, list or numpy array; NotImplemented when one
// side is none of those.
py::object binary(ValueOpId::Type op, py::handle first, py::handle second) {
  const PyValue* a = asPyValue(first);
  const PyValue* b = asPyValue(second);
  if (a && b) {
    return wrap(a->system, data_manager::ValueOperator::call(op, a->value, b->value));
  }
  const std::shared_ptr<UnitSystem>& system = a ? a->system : b ? b->system : UnitSystem::standard();
  Operand x;
  Operand y;
  if (!x.load(first, system) || !y.load(second, system)) {
    return notImplemented();
  }
  return wrap(x.system(), data_manager::ValueOperator::call(op, x.value(), y.value()));
}

py::object unary(ValueOpId::Type op, const PyValue& a) {
  return wrap(a.system, data_manager::ValueOperator::call(op, a.value, a.value));
}

const PyValue& scalarOf(const PyValue& v, const char* what) {
  const qtf::Dimension& d = v.value.getDimension();
  if (!d.isScalar()) {
    throw py::type_error(std::string("only a 1-by-1 value converts to ") + what + "; this one is " + d.str());
  }
  return v;
}

// The one element of a 1-by-1 value as a Python number of its kind.
py::object scalarElement(const Value& v) {
  const void* data = v.getGenericValue();
  switch (v.getDataType()) {
    case DataTypeId::UChar:
      return py::int_(*static_cast<const std::uint8_t*>(data));
    case DataTypeId::Double:
      return py::float_(*static_cast<const double*>(data));
    case DataTypeId::Int:
      return py::int_(*static_cast<const std::int32_t*>(data));
    case DataTypeId::UInt:
      return py::int_(*static_cast<const std::uint32_t*>(data));
    case DataTypeId::Char:
      return py::int_(*static_cast<const std::int8_t*>(data));
    default:
      throw py::type_error("no element type");
  }
}

std::string unresolvedRepr(const Value& v) {
  const qtf::Dimension& d = v.getDimension();
  return "sx.Value.unresolved('" + qtf::get_type_name_lower(v.getDataType()) + "', (" + std::to_string(d.m()) + ", " +
         std::to_string(d.n()) + "), '" + v.getUnit().convertToString() + "')";
}

std::string exactRepr(const Value& v) {
  if (!v.isResolved()) {
    return unresolvedRepr(v);
  }
  return "sx.Value('" + v.toString() + "')";
}

// Lowering hands the library the function it is given.
class PythonIrInfo : public data_manager::DataIrInfo {
 public:
  explicit PythonIrInfo(qtir::Function& function) noexcept : mFunction(&function) {}
  qtir::Function& getFunction() const override { return *mFunction; }
  static data_manager::DataIrInfo* create(qtir::Function& function) { return new PythonIrInfo(function); }

 private:
  qtir::Function* mFunction;
};

std::string lower(const Value& v, const std::string& name) {
  static const bool registered = data_manager::DataIrInfo::registerFactory(&PythonIrInfo::create);
  (void)registered;
  Value named(v);
  if (!name.empty()) {
    named.getAttributes().setName(name);
  }
  const qtir::Context irContext;
  qtir::Function function(irContext, "f");
  const std::unique_ptr<data_manager::DataIrInfo> info(data_manager::DataIrInfo::create(function));
  if (!info) {
    throw py::type_error("no lowering target is registered");
  }
  const qtir::Expression expression = named.createExpression(*info);
  return function.str() + "\nresult: " + expression.str();
}

qtf::SubsRef::Index indexOf(const std::optional<std::vector<std::int64_t>>& positions) {
  return positions ? qtf::SubsRef::Index(*positions) : qtf::SubsRef::Index::all();
}

struct BinaryOperator {
  const char* name;
  const char* reflected;
  ValueOpId::Type op;
};

const BinaryOperator kBinaryOperators[] = {
    {"__add__", "__radd__", ValueOpId::Plus},          {"__sub__", "__rsub__", ValueOpId::Minus},
    {"__mul__", "__rmul__", ValueOpId::Times},         {"__truediv__", "__rtruediv__", ValueOpId::RDivide},
    {"__matmul__", "__rmatmul__", ValueOpId::MTimes},  {"__pow__", "__rpow__", ValueOpId::Power},
    {"__and__", "__rand__", ValueOpId::And},           {"__or__", "__ror__", ValueOpId::Or},
    {"__lt__", "__gt__", ValueOpId::Lt},               {"__le__", "__ge__", ValueOpId::Le},
    {"__gt__", "__lt__", ValueOpId::Gt},               {"__ge__", "__le__", ValueOpId::Ge},
    {"__eq__", "__eq__", ValueOpId::Eq},               {"__ne__", "__ne__", ValueOpId::Ne},
};

constexpr const char* kValueDoc = R"(An m-by-n matrix of one of five element types that carries a physical unit.

Value(text)                              the text form DATA[:UNIT[:TYPE]], e.g. Value('[1,2;3,4]:km:double')
Value(data, unit=None, dtype=None, *, system=None)
                                         a Python number, nested lists or a numpy array (0-d and numbers are
                                         1-by-1, 1-d of length n is 1-by-n, 2-d keeps its shape) in unit (default
                                         "1"). numpy dtypes map float64 -> double, int32 -> int, uint32 -> uint,
                                         int8 -> char, uint8 and bool -> uchar; numbers and lists are double.
                                         dtype= ("double", "int", ..., or a numpy dtype) converts with the
                                         library's rules. system= is the UnitSystem the value belongs to.

np.asarray(v) and v.magnitude are read-only views of the value's own elements (no copy), shape (m, n).
Operators + - * / @ ** -v +v abs(v) < <= == != > >= & | ~ are the library's Plus, Minus, Times, RDivide, MTimes,
Power, UMinus, UPlus, Abs, Lt, Le, Eq, Ne, Gt, Ge, And, Or and Not, units propagating; comparisons are elementwise.
Errors of the library raise sorvexa.Error.)";

}  // namespace

void bindValue(py::module_& m) {
  py::class_<PyValue> cls(m, "Value", kValueDoc);
  cls.def(py::init([](py::handle data, py::handle unit, py::handle dtype, std::shared_ptr<UnitSystem> system) {
            if (const PyValue* other = asPyValue(data)) {
              if (!unit.is_none() || !dtype.is_none()) {
                throw py::type_error("convert a value with v.to(unit); its element type stays");
              }
              return PyValue{other->system, other->value};
            }
            if (!system) {
              system = UnitSystem::standard();
            }
            Value value = makeValue(*system, data, unit, dataTypeFromArgument(dtype));
            return PyValue{std::move(system), std::move(value)};
          }),
          "data"_a, "unit"_a = py::none(), "dtype"_a = py::none(), py::kw_only(), "system"_a = nullptr,
          "A value from its text form, or from a number, nested lists or a numpy array in unit.");

  cls.def_static(
      "unresolved",
      [](py::handle dtype, std::pair<std::int64_t, std::int64_t> shape, py::handle unit,
         std::shared_ptr<UnitSystem> system) {
        if (!system) {
          system = UnitSystem::standard();
        }
        const DataTypeId::Type type = dataTypeFromArgument(dtype);
        if (type == DataTypeId::Unknown) {
          throw py::type_error("an unresolved value needs an element type");
        }
        constexpr std::int64_t limit = UINT32_MAX;
        if (shape.first < 0 || shape.second < 0 || shape.first > limit || shape.second > limit) {
          throw py::value_error("a shape is two extents from 0 to 2**32 - 1");
        }
        const unit_manager::UnitExpression u =
            unit.is_none() ? system->context().getUnitContext().defaultUnit() : system->parseUnit(unit.cast<std::string>());
        Value value(system->context(), data_manager::ValueTraitId::Unresolved, type,
                    qtf::Dimension(static_cast<std::uint32_t>(shape.first), static_cast<std::uint32_t>(shape.second)),
                    u, nullptr);
        return PyValue{std::move(system), std::move(value)};
      },
      "dtype"_a, "shape"_a, "unit"_a = py::none(), py::kw_only(), "system"_a = nullptr,
      "A value of that element type, shape (m, n) and unit without data, until share() ties it to one that has.");

  cls.def(
      "share", [](PyValue& self, PyValue& other) { self.value.share(other.value); }, "other"_a,
      "Ties this value and other: the unresolved side comes to read the resolved side's elements. Raises "
      "sorvexa.Error (OverresolvingValue, InconsistentDataType, InconsistentDimension, InconsistentUnits) and "
      "changes nothing then.");

  cls.def_property_readonly(
      "unit", [](const PyValue& v) { return v.value.getUnit().convertToString(); }, "The unit text, e.g. 'km/h'.");
  cls.def_property_readonly(
      "dtype", [](const PyValue& v) { return numpyDtype(v.value.getDataType()); },
      "The numpy dtype of the elements (uchar is uint8, char int8).");
  cls.def_property_readonly(
      "type", [](const PyValue& v) { return qtf::get_type_name_lower(v.value.getDataType()); },
      "The library's element type name: 'uchar', 'double', 'int', 'uint' or 'char'.");
  cls.def_property_readonly(
      "shape",
      [](const PyValue& v) {
        const qtf::Dimension& d = v.value.getDimension();
        return py::make_tuple(d.m(), d.n());
      },
      "(rows, columns).");
  cls.def_property_readonly(
      "size", [](const PyValue& v) { return v.value.getDimension().getNumElements(); }, "The number of elements.");
  cls.def_property_readonly(
      "ndim", [](const PyValue&) { return 2; }, "Always 2: a value is a matrix.");
  cls.def_property_readonly(
      "resolved", [](const PyValue& v) { return v.value.isResolved(); }, "True when the value has data.");
  cls.def_property_readonly(
      "system", [](const PyValue& v) { return v.system; }, "The UnitSystem the value belongs to.");
  cls.def_property_readonly(
      "magnitude", [](py::object self) { return viewOf(self.cast<const PyValue&>().value, self); },
      "A read-only numpy view of the elements, shape (m, n); it keeps the value alive.");
  cls.def(
      "__array__",
      [](py::object self, py::object dtype, py::object copy) -> py::object {
        py::array view = viewOf(self.cast<const PyValue&>().value, self);
        if (dtype.is_none() && copy.is_none()) {
          return std::move(view);
        }
        return py::module_::import("numpy").attr("array")(view, "dtype"_a = dtype, "copy"_a = !copy.is_none() && copy.cast<bool>());
      },
      "dtype"_a = py::none(), "copy"_a = py::none());

  cls.def("__len__", [](const PyValue& v) { return v.value.getDimension().m(); });
  cls.def("__float__", [](const PyValue& v) {
    const Value& value = scalarOf(v, "float").value;
    double number = 0;
    qtf::convert_data(1, value.getDataType(), value.getGenericValue(), DataTypeId::Double, &number);
    return number;
  });
  cls.def("__int__", [](const PyValue& v) -> py::object {
    py::object element = scalarElement(scalarOf(v, "int").value);
    if (py::isinstance<py::float_>(element)) {
      return py::reinterpret_steal<py::object>(PyLong_FromDouble(element.cast<double>()));
    }
    return element;
  });
  cls.def("__bool__", [](const PyValue& v) {
    if (!v.value.getDimension().isScalar()) {
      throw py::value_error("The truth value of a value with more than one element is ambiguous; this one is " +
                            v.value.getDimension().str());
    }
    return scalarElement(v.value).cast<bool>();
  });

  for (const BinaryOperator& entry : kBinaryOperators) {
    const ValueOpId::Type op = entry.op;
    cls.def(
        entry.name, [op](py::handle self, py::handle other) { return binary(op, self, other); }, py::is_operator());
  }
  for (const BinaryOperator& entry : kBinaryOperators) {
    const ValueOpId::Type op = entry.op;
    if (op == ValueOpId::Lt || op == ValueOpId::Le || op == ValueOpId::Gt || op == ValueOpId::Ge ||
        op == ValueOpId::Eq || op == ValueOpId::Ne) {
      continue;  // Python reflects a comparison to the mirrored one, defined above
    }
    cls.def(
        entry.reflected, [op](py::handle self, py::handle other) { return binary(op, other, self); },
        py::is_operator());
  }
  cls.def("__neg__", [](const PyValue& v) { return unary(ValueOpId::UMinus, v); });
  cls.def("__pos__", [](const PyValue& v) { return unary(ValueOpId::UPlus, v); });
  cls.def("__abs__", [](const PyValue& v) { return unary(ValueOpId::Abs, v); });
  cls.def("__invert__", [](const PyValue& v) { return unary(ValueOpId::Not, v); });
  cls.attr("__hash__") = py::none();
  cls.def_property_readonly(
      "T", [](const PyValue& v) { return unary(ValueOpId::Transpose, v); }, "The transpose (Transpose).");
  cls.def_property_readonly(
      "H", [](const PyValue& v) { return unary(ValueOpId::CTranspose, v); },
      "The conjugate transpose (CTranspose), the transpose for these real types.");

  cls.def(
      "to",
      [](const PyValue& v, const std::string& unit, bool affine) {
        const data_manager::DataTypeRec record(v.system->context(), v.value.getDataType(), v.system->parseUnit(unit));
        const std::unique_ptr<Value> converted(v.value.createConvertedValue(record, affine));
        return PyValue{v.system, *converted};
      },
      "unit"_a, "affine"_a = true,
      "The value in unit. With affine=True (the default) offsets count, as for absolute temperatures (20 degC is "
      "68 degF); affine=False converts a difference (20 degC is 36 degF). The element type stays.");
  cls.def(
      "linear",
      [](const PyValue& v) {
        const std::unique_ptr<Value> converted(v.value.linear());
        return PyValue{v.system, *converted};
      },
      "This double value in the base units of its unit, without the unit's offset (a difference).");
  cls.def(
      "affine",
      [](const PyValue& v) {
        const std::unique_ptr<Value> converted(v.value.affine());
        return PyValue{v.system, *converted};
      },
      "This double value in the base units of its unit, offset included (an absolute quantity).");

  cls.def(
      "equals", [](const PyValue& v, const PyValue& w) { return v.value == w.value; }, "other"_a,
      "The library's exact equality: same type, shape and unit and the same bytes; an unresolved value equals "
      "nothing.");
  cls.def(
      "hash",
      [](const PyValue& v) {
        qtf::Hasher hasher;
        v.value.hash(hasher);
        return hasher.getHash();
      },
      "The library's 64-bit hash of type, shape, unit and data; equal values hash alike.");
  cls.def(
      "_subsref",
      [](const PyValue& v, const std::optional<std::vector<std::int64_t>>& rows,
         const std::optional<std::vector<std::int64_t>>& cols) {
        const qtf::SubsRef ref(v.value.getDimension(), indexOf(rows), indexOf(cols));
        return PyValue{v.system, Value(v.value, ref)};
      },
      "rows"_a, "cols"_a);
  cls.def(
      "lower", [](const PyValue& v, const std::string& name) { return lower(v.value, name); }, "name"_a = "",
      "The intermediate-representation text of lowering the value into a function f: a 1-by-1 value becomes a "
      "constant, any other a variable (named name, 'tmp' when empty) assigned element by element.");

  cls.def("__str__", [](const PyValue& v) {
    return v.value.isResolved() ? v.value.toString() : unresolvedRepr(v.value);
  });
  cls.def("__repr__", [](const PyValue& v) { return exactRepr(v.value); });
  cls.def("_state", [](const PyValue& v) {
    const Value& value = v.value;
    const qtf::Dimension& d = value.getDimension();
    py::object system = v.system->isStandard() ? py::object(py::none()) : py::cast(v.system);
    py::object data = py::none();
    if (value.isResolved()) {
      data = py::bytes(static_cast<const char*>(value.getGenericValue()),
                       d.getNumElements() * qtf::get_type_size(value.getDataType()));
    }
    return py::make_tuple(system, qtf::get_type_name_lower(value.getDataType()), py::make_tuple(d.m(), d.n()),
                          value.getUnit().convertToString(), data);
  });
}

}  // namespace sorvexa_python
