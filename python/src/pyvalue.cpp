// SPDX-License-Identifier: Apache-2.0
//
// sorvexa.Value: construction, numpy views, the operators, conversions, subscripting, lowering and pickling.
#include "pyvalue.hpp"

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
#include "data_manager/print.hpp"
#include "data_manager/valueattributes.hpp"
#include "data_manager/valueoperator.hpp"
#include "errors.hpp"
#include "qtf/hasher.hpp"
#include "qtf/subsref.hpp"
#include "qtir/function.hpp"

namespace py = pybind11;
using namespace pybind11::literals;
using data_manager::Value;
using data_manager::ValueOpId;
using qtf::DataTypeId;

namespace sorvexa_python {

PyTypeObject* gValueType = nullptr;

namespace {

// The memory of released sorvexa.Value objects, kept for the next ones (the interpreter lock guards it): a result
// of an operator then costs no allocator call on the Python side. Bounded, so a burst of temporaries leaves little.
constexpr int kSpareObjects = 64;
void* gSpare[kSpareObjects];
int gSpareCount = 0;

// Memory for a new sorvexa.Value object, its PyValue not yet constructed. The type holds no references to other
// objects, so it needs no garbage-collector header and a plain object allocation does.
PyObject* allocateValueObject() {
  void* memory = gSpareCount > 0 ? gSpare[--gSpareCount] : PyObject_Malloc(sizeof(ValueObject));
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  return PyObject_Init(static_cast<PyObject*>(memory), gValueType);
}

// Gives back the memory of an object whose PyValue is gone, and its count on the type.
void releaseValueObject(PyObject* obj) noexcept {
  PyTypeObject* type = Py_TYPE(obj);
  if (gSpareCount < kSpareObjects) {
    gSpare[gSpareCount++] = obj;
  } else {
    PyObject_Free(obj);
  }
  Py_DECREF(type);
}

// A new sorvexa.Value object holding the result of evaluating op; the result initialises the object in place.
PyObject* newResultObject(const SystemRef& system, ValueOpId::Type op, const Value& first, const Value& second) {
  PyObject* obj = allocateValueObject();
  try {
    new (&reinterpret_cast<ValueObject*>(obj)->value)
        PyValue{system, data_manager::ValueOperator::call(op, first, second)};
  } catch (...) {
    releaseValueObject(obj);
    throw;
  }
  return obj;
}

}  // namespace

PyObject* newValueObject(PyValue&& value) {
  PyObject* obj = allocateValueObject();
  try {
    new (&reinterpret_cast<ValueObject*>(obj)->value) PyValue(std::move(value));
  } catch (...) {
    releaseValueObject(obj);
    throw;
  }
  return obj;
}

namespace {

py::object notImplemented() { return py::reinterpret_borrow<py::object>(Py_NotImplemented); }

// first op second, either side a sorvexa.Value or a Python number, list or numpy array; NotImplemented when one
// side is none of those.
PyObject* binary(ValueOpId::Type op, PyObject* first, PyObject* second) {
  const PyValue* a = valuePointer(first);
  const PyValue* b = valuePointer(second);
  if (a && b) {
    return newResultObject(a->system, op, a->value, b->value);
  }
  const std::shared_ptr<UnitSystem>& system = a ? a->system.shared() : b ? b->system.shared() : UnitSystem::standard();
  Operand x;
  Operand y;
  if (!x.load(first, system) || !y.load(second, system)) {
    return notImplemented().release().ptr();
  }
  return newResultObject(x.system(), op, x.value(), y.value());
}

PyObject* unary(ValueOpId::Type op, PyObject* self) {
  const PyValue& a = *valuePointer(self);
  return newResultObject(a.system, op, a.value, a.value);
}

template <ValueOpId::Type Op>
PyObject* binarySlot(PyObject* first, PyObject* second) {
  return guarded([&] { return binary(Op, first, second); });
}

template <ValueOpId::Type Op>
PyObject* unarySlot(PyObject* self) {
  return guarded([&] { return unary(Op, self); });
}

PyObject* powerSlot(PyObject* first, PyObject* second, PyObject* modulo) {
  if (modulo != Py_None) {
    Py_RETURN_NOTIMPLEMENTED;
  }
  return guarded([&] { return binary(ValueOpId::Power, first, second); });
}

PyObject* compareSlot(PyObject* self, PyObject* other, int how) {
  static constexpr ValueOpId::Type kOps[] = {ValueOpId::Lt, ValueOpId::Le, ValueOpId::Eq,
                                             ValueOpId::Ne, ValueOpId::Gt, ValueOpId::Ge};  // Py_LT .. Py_GE
  return guarded([&] { return binary(kOps[how], self, other); });
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
  // Shortest round-trip doubles and characters as numbers: the text reads back to an equal value.
  return "sx.Value('" + data_manager::toString(v, data_manager::PrintOptions{0, true}) + "')";
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

namespace {

void deallocValue(PyObject* obj) {
  reinterpret_cast<ValueObject*>(obj)->value.~PyValue();
  releaseValueObject(obj);
}

py::object* gConstruct = nullptr;  // the bound constructor behind sorvexa.Value(...)

PyObject* newValue(PyTypeObject*, PyObject* args, PyObject* kwargs) {
  return PyObject_Call(gConstruct->ptr(), args, kwargs);
}

Py_ssize_t lengthSlot(PyObject* self) { return valuePointer(self)->value.getDimension().m(); }

int boolSlot(PyObject* self) {
  PyObject* truth = guarded([&] {
    const Value& v = valuePointer(self)->value;
    if (!v.getDimension().isScalar()) {
      throw py::value_error("The truth value of a value with more than one element is ambiguous; this one is " +
                            v.getDimension().str());
    }
    return py::bool_(scalarElement(v).cast<bool>()).release().ptr();
  });
  if (truth == nullptr) {
    return -1;
  }
  const int result = truth == Py_True;
  Py_DECREF(truth);
  return result;
}

PyObject* floatSlot(PyObject* self) {
  return guarded([&] {
    const Value& value = scalarOf(*valuePointer(self), "float").value;
    double number = 0;
    qtf::convert_data(1, value.getDataType(), value.getGenericValue(), DataTypeId::Double, &number);
    return PyFloat_FromDouble(number);
  });
}

PyObject* intSlot(PyObject* self) {
  return guarded([&] {
    py::object element = scalarElement(scalarOf(*valuePointer(self), "int").value);
    if (py::isinstance<py::float_>(element)) {
      return PyLong_FromDouble(element.cast<double>());
    }
    return element.release().ptr();
  });
}

PyObject* strSlot(PyObject* self) {
  return guarded([&] {
    const Value& v = valuePointer(self)->value;
    return decode(v.isResolved() ? v.toString() : unresolvedRepr(v)).release().ptr();
  });
}

PyObject* reprSlot(PyObject* self) {
  return guarded([&] { return decode(exactRepr(valuePointer(self)->value)).release().ptr(); });
}

void makeValueType(py::module_& m) {
  static PyType_Slot slots[] = {
      {Py_tp_dealloc, reinterpret_cast<void*>(&deallocValue)},
      {Py_tp_new, reinterpret_cast<void*>(&newValue)},
      {Py_tp_doc, const_cast<char*>(kValueDoc)},
      {Py_tp_str, reinterpret_cast<void*>(&strSlot)},
      {Py_tp_repr, reinterpret_cast<void*>(&reprSlot)},
      {Py_tp_hash, reinterpret_cast<void*>(&PyObject_HashNotImplemented)},
      {Py_tp_richcompare, reinterpret_cast<void*>(&compareSlot)},
      {Py_nb_add, reinterpret_cast<void*>(&binarySlot<ValueOpId::Plus>)},
      {Py_nb_subtract, reinterpret_cast<void*>(&binarySlot<ValueOpId::Minus>)},
      {Py_nb_multiply, reinterpret_cast<void*>(&binarySlot<ValueOpId::Times>)},
      {Py_nb_true_divide, reinterpret_cast<void*>(&binarySlot<ValueOpId::RDivide>)},
      {Py_nb_matrix_multiply, reinterpret_cast<void*>(&binarySlot<ValueOpId::MTimes>)},
      {Py_nb_power, reinterpret_cast<void*>(&powerSlot)},
      {Py_nb_and, reinterpret_cast<void*>(&binarySlot<ValueOpId::And>)},
      {Py_nb_or, reinterpret_cast<void*>(&binarySlot<ValueOpId::Or>)},
      {Py_nb_negative, reinterpret_cast<void*>(&unarySlot<ValueOpId::UMinus>)},
      {Py_nb_positive, reinterpret_cast<void*>(&unarySlot<ValueOpId::UPlus>)},
      {Py_nb_absolute, reinterpret_cast<void*>(&unarySlot<ValueOpId::Abs>)},
      {Py_nb_invert, reinterpret_cast<void*>(&unarySlot<ValueOpId::Not>)},
      {Py_nb_bool, reinterpret_cast<void*>(&boolSlot)},
      {Py_nb_float, reinterpret_cast<void*>(&floatSlot)},
      {Py_nb_int, reinterpret_cast<void*>(&intSlot)},
      {Py_mp_length, reinterpret_cast<void*>(&lengthSlot)},
      {0, nullptr},
  };
  // CPython builds the heap type from this description.
  static PyType_Spec description = {"sorvexa.Value", sizeof(ValueObject), 0, Py_TPFLAGS_DEFAULT, slots};
  PyObject* type = PyType_FromSpec(&description);
  if (type == nullptr) {
    throw py::error_already_set();
  }
  gValueType = reinterpret_cast<PyTypeObject*>(type);
  m.attr("Value") = py::reinterpret_steal<py::object>(type);
}

// Attaches bound functions to the extension type, as pybind11's class_ would to one of its own.
class ValueClass {
 public:
  explicit ValueClass(py::handle type) : mType(type) {}

  template <typename F, typename... Extra>
  ValueClass& def(const char* name, F&& f, const Extra&... extra) {
    py::cpp_function function(std::forward<F>(f), py::name(name), py::is_method(mType),
                              py::sibling(py::getattr(mType, name, py::none())), extra...);
    mType.attr(name) = function;
    return *this;
  }

  template <typename F, typename... Extra>
  ValueClass& def_static(const char* name, F&& f, const Extra&... extra) {
    py::cpp_function function(std::forward<F>(f), py::name(name), py::scope(mType), extra...);
    mType.attr(name) = py::staticmethod(function);
    return *this;
  }

  template <typename F>
  ValueClass& def_property_readonly(const char* name, F&& getter, const char* doc) {
    py::cpp_function function(std::forward<F>(getter), py::is_method(mType));
    mType.attr(name) = py::module_::import("builtins").attr("property")(function, py::none(), py::none(), doc);
    return *this;
  }

 private:
  py::handle mType;
};

}  // namespace

void bindValue(py::module_& m) {
  makeValueType(m);
  ValueClass cls(reinterpret_cast<PyObject*>(gValueType));
  gConstruct = new py::object(py::cpp_function(
      [](py::handle data, py::handle unit, py::handle dtype, std::shared_ptr<UnitSystem> system) {
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
      },
      py::name("Value"), "data"_a, "unit"_a = py::none(), "dtype"_a = py::none(), py::kw_only(), "system"_a = nullptr));

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
        const unit_manager::UnitExpression u = unit.is_none() ? system->context().getUnitContext().defaultUnit()
                                                              : system->parseUnit(unit.cast<std::string>());
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
      "system", [](const PyValue& v) { return v.system.shared(); }, "The UnitSystem the value belongs to.");
  cls.def_property_readonly(
      "magnitude", [](py::object self) { return viewOf(asPyValue(self)->value, self); },
      "A read-only numpy view of the elements, shape (m, n); it keeps the value alive.");
  cls.def(
      "__array__",
      [](py::object self, py::object dtype, py::object copy) -> py::object {
        py::array view = viewOf(asPyValue(self)->value, self);
        if (dtype.is_none() && copy.is_none()) {
          return std::move(view);
        }
        return py::module_::import("numpy").attr("array")(view, "dtype"_a = dtype,
                                                          "copy"_a = !copy.is_none() && copy.cast<bool>());
      },
      "dtype"_a = py::none(), "copy"_a = py::none(),
      "The read-only view of the elements that np.asarray(v) gives; a copy when numpy asks for another dtype.");

  cls.def_property_readonly(
      "T", [](py::handle v) { return py::reinterpret_steal<py::object>(unary(ValueOpId::Transpose, v.ptr())); },
      "The transpose (Transpose).");
  cls.def_property_readonly(
      "H", [](py::handle v) { return py::reinterpret_steal<py::object>(unary(ValueOpId::CTranspose, v.ptr())); },
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

  cls.def("_state", [](const PyValue& v) {
    const Value& value = v.value;
    const qtf::Dimension& d = value.getDimension();
    py::object system = v.system->isStandard() ? py::object(py::none()) : py::cast(v.system.shared());
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
