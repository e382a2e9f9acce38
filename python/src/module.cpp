// SPDX-License-Identifier: Apache-2.0
//
// sorvexa._core: the library's values, operators, conversions and unit systems for Python. Every result comes from
// the C++ library; this module only moves values across the boundary and turns the library's errors into
// sorvexa.Error.
#include <pybind11/pybind11.h>

#include "bindings.hpp"
#include "errors.hpp"
#include "sorvexa/version.hpp"

PYBIND11_MODULE(_core, m) {
  m.doc() = "The sorvexa library's values, operators and unit systems (use the sorvexa package, not this module).";
  sorvexa_python::bindErrors(m);
  sorvexa_python::bindUnitSystem(m);
  sorvexa_python::bindValue(m);
  sorvexa_python::bindFunctions(m);
  m.attr("__version__") = sorvexa::version();  // the version of the library loaded, which the package carries
}
