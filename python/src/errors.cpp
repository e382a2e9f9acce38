// SPDX-License-Identifier: Apache-2.0
#include "errors.hpp"

namespace py = pybind11;

namespace sorvexa_python {
namespace {

PyObject* gError = nullptr;  // sorvexa.Error; lives as long as the process

constexpr const char* kErrorDoc =
    "An error of the library, a ValueError.\n\n"
    "identifier: 'component:area:Name', such as 'unit_manager:propagation:IncommensurateUnits'.\n"
    "arguments: the four strings the library reported ('' where there is nothing to report).\n"
    "str(error) is the library's sentence.";

}  // namespace

py::str decode(const std::string& text) {
  PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), "replace");
  if (decoded == nullptr) {
    throw py::error_already_set();
  }
  return py::reinterpret_steal<py::str>(decoded);
}

void setError(const qtf::MessageException& e) {
  try {
    py::object error = py::reinterpret_borrow<py::object>(gError)(decode(e.what()));
    error.attr("identifier") = decode(e.identifier());
    error.attr("arguments") =
        py::make_tuple(decode(e.argument(1)), decode(e.argument(2)), decode(e.argument(3)), decode(e.argument(4)));
    PyErr_SetObject(gError, error.ptr());
  } catch (py::error_already_set& failure) {
    failure.restore();
  }
}

void bindErrors(py::module_& m) {
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
      setError(e);
    }
  });
}

}  // namespace sorvexa_python
