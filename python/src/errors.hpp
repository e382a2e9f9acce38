// SPDX-License-Identifier: Apache-2.0
//
// The library's errors in Python: every qtf::MessageException becomes sorvexa.Error (a ValueError) carrying the
// identifier and the four arguments; std::bad_alloc becomes MemoryError.
#ifndef SORVEXA_PYTHON_ERRORS_HPP
#define SORVEXA_PYTHON_ERRORS_HPP

#include <pybind11/pybind11.h>

#include <exception>
#include <new>
#include <string>

#include "qtf/messageexception.hpp"

namespace sorvexa_python {

// Creates sorvexa.Error, adds it to m and registers the translation of the library's exceptions.
void bindErrors(pybind11::module_& m);

// Sets the Python error for e.
void setError(const qtf::MessageException& e);

// A Python string of library text, which is UTF-8 but may hold a cut-off sequence: decoding never fails.
pybind11::str decode(const std::string& text);

// Runs f, which returns a new reference; any exception becomes the Python error and null is returned. For the type
// slots, which Python calls directly and which must not let a C++ exception pass.
template <typename F>
PyObject* guarded(F&& f) noexcept {
  try {
    return f();
  } catch (pybind11::error_already_set& e) {
    e.restore();
  } catch (const qtf::MessageException& e) {
    setError(e);
  } catch (const pybind11::builtin_exception& e) {
    e.set_error();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  }
  return nullptr;
}

}  // namespace sorvexa_python

#endif  // SORVEXA_PYTHON_ERRORS_HPP
