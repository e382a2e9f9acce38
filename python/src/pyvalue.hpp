// SPDX-License-Identifier: Apache-2.0
//
// PyValue: what a Python sorvexa.Value holds. The value handle is declared after the unit system that owns its
// contexts, so the handle is always released first; numpy views keep the Python object, and so both, alive.
// sorvexa.Value is a plain extension type holding a PyValue in place (no holder, no instance registry), so that an
// operator costs one allocation on top of the library's work; a pybind11 caster lets bound functions take and
// return PyValue.
#ifndef SORVEXA_PYTHON_PYVALUE_HPP
#define SORVEXA_PYTHON_PYVALUE_HPP

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>

#include "data_manager/value.hpp"
#include "qtf/datatypeid.hpp"
#include "unitsystem.hpp"

namespace sorvexa_python {

// A value's unit system. The default system lives as long as the process, so a value of it holds no count on it:
// making and dropping a result then touches no atomic counter. Any other system is held by its shared count.
class SystemRef {
 public:
  SystemRef(const std::shared_ptr<UnitSystem>& system)  // NOLINT: implicit, as the shared pointer it stands for
      : mOwned(system.get() == UnitSystem::standard().get() ? nullptr : system) {}
  const std::shared_ptr<UnitSystem>& shared() const noexcept { return mOwned ? mOwned : UnitSystem::standard(); }
  operator const std::shared_ptr<UnitSystem>&() const noexcept { return shared(); }  // NOLINT: implicit by design
  const UnitSystem* operator->() const noexcept { return shared().get(); }
  const UnitSystem& operator*() const noexcept { return *shared(); }

 private:
  std::shared_ptr<UnitSystem> mOwned;  // empty for the default system
};

struct PyValue {
  SystemRef system;
  data_manager::Value value;
};

// The Python object of sorvexa.Value.
struct ValueObject {
  PyObject_HEAD PyValue value;
};

// The sorvexa.Value type, made by bindValue.
extern PyTypeObject* gValueType;

// The PyValue inside obj, or null when obj is no sorvexa.Value.
inline PyValue* valuePointer(PyObject* obj) noexcept {
  return Py_TYPE(obj) == gValueType ? &reinterpret_cast<ValueObject*>(obj)->value : nullptr;
}
inline const PyValue* asPyValue(pybind11::handle obj) noexcept { return valuePointer(obj.ptr()); }

// A new sorvexa.Value object holding value. Throws error_already_set when Python has no memory.
PyObject* newValueObject(PyValue&& value);

// The element type named by a dtype argument: None gives DataTypeId::Unknown; a library type name ("double",
// "uchar", "logical", ...) or anything numpy reads as one of the five dtypes. Throws TypeError for anything else.
qtf::DataTypeId::Type dataTypeFromArgument(pybind11::handle dtype);

// The numpy dtype of an element type (uchar as uint8, char as int8).
pybind11::dtype numpyDtype(qtf::DataTypeId::Type type);

// A value of obj in system: a text form; a Python number, nested lists or a numpy array in unit (None: "1"), of type
// (Unknown: the array's own, double for numbers and lists). Throws TypeError and ValueError for data that is no
// matrix of the five types, and the library's errors.
data_manager::Value makeValue(const UnitSystem& system, pybind11::handle obj, pybind11::handle unit,
                              qtf::DataTypeId::Type type);

// A read-only numpy array over value's own elements, of shape (m, n); owner (the Python object holding value) becomes
// the array's base, so the array keeps it alive. Throws the library's QueryUnresolvedValue for an unresolved value.
pybind11::array viewOf(const data_manager::Value& value, pybind11::handle owner);

// An operand of an operator: a sorvexa.Value as it is, or a Python number, nested lists or numpy array read as a
// value in unit "1" of fallback.
class Operand {
 public:
  // False when obj is none of those, so that the operator can answer NotImplemented.
  bool load(pybind11::handle obj, const std::shared_ptr<UnitSystem>& fallback);
  const data_manager::Value& value() const noexcept { return mOwned ? *mOwned : mPy->value; }
  const std::shared_ptr<UnitSystem>& system() const noexcept { return mPy ? mPy->system.shared() : *mFallback; }

 private:
  const PyValue* mPy = nullptr;
  const std::shared_ptr<UnitSystem>* mFallback = nullptr;
  std::optional<data_manager::Value> mOwned;
};

}  // namespace sorvexa_python

namespace pybind11 {
namespace detail {

template <>
class type_caster<sorvexa_python::PyValue> {
 public:
  bool load(handle src, bool) {
    mValue = sorvexa_python::valuePointer(src.ptr());
    return mValue != nullptr;
  }
  static handle cast(sorvexa_python::PyValue&& value, return_value_policy, handle) {
    return sorvexa_python::newValueObject(std::move(value));
  }
  static handle cast(const sorvexa_python::PyValue& value, return_value_policy, handle) {
    return sorvexa_python::newValueObject(sorvexa_python::PyValue(value));
  }
  static constexpr auto name = const_name("sorvexa.Value");
  template <typename T>
  using cast_op_type = movable_cast_op_type<T>;
  operator sorvexa_python::PyValue*() { return mValue; }
  operator sorvexa_python::PyValue&() { return *mValue; }
  operator sorvexa_python::PyValue&&() && { return std::move(*mValue); }

 private:
  sorvexa_python::PyValue* mValue = nullptr;
};

}  // namespace detail
}  // namespace pybind11

#endif  // SORVEXA_PYTHON_PYVALUE_HPP
