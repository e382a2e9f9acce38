// SPDX-License-Identifier: Apache-2.0
//
// sorvexa._core: the library's values, operators, conversions and unit systems for Python. Every result comes from
// the C++ library; this file only moves values across the boundary and turns the library's errors into sorvexa.Error.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "pyvalue.hpp"
#include "qtf/messageexception.hpp"
#include "unitsystem.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace sorvexa_python {
namespace {

PyObject* gError = nullptr;  // sorvexa.Error, a subclass of ValueError

// Library texts are UTF-8 but may hold a cut-off sequence (a message quoting part of a text): never fail on them.
py::str decode(const std::string& text) {
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), "replace"));
}

void raiseError(const qtf::MessageException& e) {
  py::object error = py::reinterpret_borrow<py::object>(gError)(decode(e.what()));
  error.attr("identifier") = decode(e.identifier());
  error.attr("arguments") = py::make_tuple(decode(e.argument(1)), decode(e.argument(2)), decode(e.argument(3)),
                                           decode(e.argument(4)));
  PyErr_SetObject(gError, error.ptr());
}

constexpr const char* kErrorDoc =
    "An error of the library, a ValueError.\n\n"
    "identifier: 'component:area:Name', such as 'unit_manager:propagation:IncommensurateUnits'.\n"
    "arguments: the four strings the library reported ('' where there is nothing to report).\n"
    "str(error) is the library's sentence.";

}  // namespace
}  // namespace sorvexa_python

PYBIND11_MODULE(_core, m) {
  using namespace sorvexa_python;
  m.doc() = "The sorvexa library's values, operators and unit systems (use the sorvexa package, not this module).";

  gError = PyErr_NewExceptionWithDoc("sorvexa.Error", kErrorDoc, PyExc_ValueError, nullptr);
  if (gError == nullptr) {
    throw py::error_already_set();
  }
  m.attr("Error") = py::handle(gError);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) {
        std::rethrow_exception(p);
      }
    } catch (const qtf::MessageException& e) {
      raiseError(e);
    }
  });

  bindUnitSystem(m);
  bindValue(m);
  bindFunctions(m);
}
