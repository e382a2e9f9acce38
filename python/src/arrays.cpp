// SPDX-License-Identifier: Apache-2.0
//
// Values in and out of Python: the dtype map, values from numbers, lists and numpy arrays, and zero-copy views.
#include <pybind11/numpy.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "pyvalue.hpp"
#include "qtf/dimension.hpp"
#include "unit_manager/unitexpression.hpp"

namespace py = pybind11;
using qtf::DataTypeId;

namespace sorvexa_python {
namespace {

constexpr const char* kTypeList = "float64 (double), int32 (int), uint32 (uint), int8 (char), uint8 or bool (uchar)";

// numpy's objects, looked up once; never released, as the interpreter may tear down modules first.
const py::object& numpyAttribute(const char* name) {
  static py::module_* numpy = new py::module_(py::module_::import("numpy"));
  return *new py::object(numpy->attr(name));
}

const py::object& asarray() {
  static const py::object& function = numpyAttribute("asarray");
  return function;
}

const py::object& ascontiguousarray() {
  static const py::object& function = numpyAttribute("ascontiguousarray");
  return function;
}

const py::object& numpyGeneric() {
  static const py::object& generic = numpyAttribute("generic");
  return generic;
}

const py::dtype& float64() {
  static py::dtype* dtype = new py::dtype(py::dtype::of<double>());
  return *dtype;
}

// The element type of a numpy dtype, or Unknown when it is none of the five (or not in native byte order).
DataTypeId::Type fromNumpy(const py::dtype& dtype) {
  const char kind = dtype.kind();
  const py::ssize_t size = dtype.itemsize();
  if (dtype.has_fields() || !dtype.attr("isnative").cast<bool>()) {
    return DataTypeId::Unknown;
  }
  if (kind == 'f' && size == 8) {
    return DataTypeId::Double;
  }
  if (kind == 'i' && size == 4) {
    return DataTypeId::Int;
  }
  if (kind == 'u' && size == 4) {
    return DataTypeId::UInt;
  }
  if (kind == 'i' && size == 1) {
    return DataTypeId::Char;
  }
  if ((kind == 'u' && size == 1) || kind == 'b') {
    return DataTypeId::UChar;
  }
  return DataTypeId::Unknown;
}

qtf::Dimension dimensionOf(const py::array& array) {
  const py::ssize_t ndim = array.ndim();
  if (ndim > 2) {
    throw py::value_error("a value has at most 2 dimensions; this array has " + std::to_string(ndim));
  }
  const py::ssize_t m = ndim == 2 ? array.shape(0) : 1;
  const py::ssize_t n = ndim == 0 ? 1 : array.shape(ndim - 1);
  constexpr py::ssize_t limit = std::numeric_limits<std::uint32_t>::max();
  if (m > limit || n > limit) {
    throw py::value_error("an extent of a value must stay below 2**32");
  }
  return qtf::Dimension(static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(n));
}

// A value of the elements of array (of source type, C-contiguous) in type, converted by the library's convert_data
// rules when the types differ.
data_manager::Value valueOfBuffer(const UnitSystem& system, const py::array& array, DataTypeId::Type source,
                                  DataTypeId::Type type, const unit_manager::UnitExpression& unit) {
  const qtf::Dimension dimension = dimensionOf(array);
  const data_manager::Context& context = system.context();
  if (type == source) {
    return data_manager::Value(context, data_manager::ValueTraitId::Resolved, type, dimension, unit, array.data());
  }
  const std::size_t count = dimension.getNumElements();
  std::vector<unsigned char> converted(count * qtf::get_type_size(type));
  qtf::convert_data(count, source, array.data(), type, converted.data());
  return data_manager::Value(context, data_manager::ValueTraitId::Resolved, type, dimension, unit, converted.data());
}

data_manager::Value valueOfArray(const UnitSystem& system, py::array array, DataTypeId::Type type,
                                 const unit_manager::UnitExpression& unit) {
  DataTypeId::Type source = fromNumpy(array.dtype());
  if (source == DataTypeId::Unknown) {
    const char kind = array.dtype().kind();
    if (type == DataTypeId::Unknown) {
      throw py::type_error("a value holds " + std::string(kTypeList) + " elements, not " +
                           py::str(array.dtype()).cast<std::string>() + "; pass dtype= to convert");
    }
    if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f') {
      throw py::type_error("cannot read " + py::str(array.dtype()).cast<std::string>() + " elements as numbers");
    }
    // Any other real dtype is widened to float64 first (exact but for 64-bit integers beyond 2**53), then converted
    // by the library's rules like every other double.
    array = array.attr("astype")(float64());
    source = DataTypeId::Double;
  }
  array = ascontiguousarray()(array);
  return valueOfBuffer(system, array, source, type == DataTypeId::Unknown ? source : type, unit);
}

}  // namespace

DataTypeId::Type dataTypeFromArgument(py::handle dtype) {
  if (dtype.is_none()) {
    return DataTypeId::Unknown;
  }
  if (py::isinstance<py::str>(dtype)) {
    const DataTypeId::Type named = qtf::type_from_string(dtype.cast<std::string>());
    if (named != DataTypeId::Unknown) {
      return named;
    }
  }
  DataTypeId::Type type = DataTypeId::Unknown;
  try {
    type = fromNumpy(py::dtype::from_args(py::reinterpret_borrow<py::object>(dtype)));
  } catch (const py::error_already_set&) {
    type = DataTypeId::Unknown;
  }
  if (type == DataTypeId::Unknown) {
    throw py::type_error("dtype must be one of " + std::string(kTypeList) + ", not " +
                         py::repr(dtype).cast<std::string>());
  }
  return type;
}

py::dtype numpyDtype(DataTypeId::Type type) {
  switch (type) {
    case DataTypeId::UChar:
      return py::dtype::of<std::uint8_t>();
    case DataTypeId::Double:
      return py::dtype::of<double>();
    case DataTypeId::Int:
      return py::dtype::of<std::int32_t>();
    case DataTypeId::UInt:
      return py::dtype::of<std::uint32_t>();
    case DataTypeId::Char:
      return py::dtype::of<std::int8_t>();
    default:
      throw py::type_error("no element type");
  }
}

data_manager::Value makeValue(const UnitSystem& system, py::handle obj, py::handle unitText, DataTypeId::Type type) {
  if (py::isinstance<py::str>(obj)) {
    if (!unitText.is_none() || type != DataTypeId::Unknown) {
      throw py::type_error("a text form carries its own unit and type: write them into the text");
    }
    return data_manager::Value(system.context(), obj.cast<std::string>());
  }
  const unit_manager::UnitExpression unit =
      unitText.is_none() ? unit_manager::UnitExpression() : system.parseUnit(unitText.cast<std::string>());
  if (py::isinstance<py::array>(obj) || py::isinstance(obj, numpyGeneric())) {
    return valueOfArray(system, asarray()(obj), type, unit);
  }
  if (py::isinstance<py::bool_>(obj) || py::isinstance<py::int_>(obj) || py::isinstance<py::float_>(obj)) {
    const double number = PyFloat_AsDouble(obj.ptr());  // an int too large for a double is an OverflowError
    if (number == -1.0 && PyErr_Occurred()) {
      throw py::error_already_set();
    }
    const DataTypeId::Type target = type == DataTypeId::Unknown ? DataTypeId::Double : type;
    unsigned char element[sizeof(double)];
    qtf::convert_data(1, DataTypeId::Double, &number, target, element);
    return data_manager::Value(system.context(), data_manager::ValueTraitId::Resolved, target, qtf::Dimension(1, 1),
                               unit, element);
  }
  if (py::isinstance<py::list>(obj) || py::isinstance<py::tuple>(obj)) {
    // Lists are read as doubles first, as the text form reads its numbers.
    const py::array array = asarray()(obj, float64());
    return valueOfArray(system, array, type == DataTypeId::Unknown ? DataTypeId::Double : type, unit);
  }
  throw py::type_error("cannot make a value of " + py::repr(py::type::handle_of(obj)).cast<std::string>());
}

py::array viewOf(const data_manager::Value& value, py::handle owner) {
  const void* data = value.getGenericValue();
  const qtf::Dimension& d = value.getDimension();
  const DataTypeId::Type type = value.getDataType();
  const auto size = static_cast<py::ssize_t>(qtf::get_type_size(type));
  const auto m = static_cast<py::ssize_t>(d.m());
  const auto n = static_cast<py::ssize_t>(d.n());
  py::array view(numpyDtype(type), {m, n}, {n * size, size}, data, owner);
  py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return view;
}

bool Operand::load(py::handle obj, const std::shared_ptr<UnitSystem>& fallback) {
  mPy = asPyValue(obj);
  if (mPy) {
    return true;
  }
  PyObject* raw = obj.ptr();
  if (PyFloat_CheckExact(raw) || PyLong_CheckExact(raw)) {
    // A plain Python number, the most common other operand, read straight into a 1-by-1 double in unit "1" as
    // makeValue would read it.
    const double number = PyFloat_CheckExact(raw) ? PyFloat_AS_DOUBLE(raw) : PyLong_AsDouble(raw);
    if (number == -1.0 && PyErr_Occurred()) {
      throw py::error_already_set();
    }
    mFallback = &fallback;
    mOwned.emplace(fallback->context(), data_manager::ValueTraitId::Resolved, DataTypeId::Double, qtf::Dimension(1, 1),
                   unit_manager::UnitExpression(), &number);
    return true;
  }
  if (py::isinstance<py::str>(obj) ||
      !(py::isinstance<py::array>(obj) || py::isinstance<py::int_>(obj) || py::isinstance<py::float_>(obj) ||
        py::isinstance<py::list>(obj) || py::isinstance(obj, numpyGeneric()))) {
    return false;
  }
  mFallback = &fallback;
  mOwned.emplace(makeValue(*fallback, obj, py::none(), DataTypeId::Unknown));
  return true;
}

}  // namespace sorvexa_python
