// SPDX-License-Identifier: Apache-2.0
//
// The parts of the sorvexa._core module, each adding its classes and functions to it.
#ifndef SORVEXA_PYTHON_BINDINGS_HPP
#define SORVEXA_PYTHON_BINDINGS_HPP

#include <pybind11/pybind11.h>

namespace sorvexa_python {

// sorvexa.UnitSystem, default_system() and units().
void bindUnitSystem(pybind11::module_& m);
// sorvexa.Value with its operators, conversions, views, indexing support and pickling.
void bindValue(pybind11::module_& m);
// call(), operator_names(), vertcat(), horzcat() and the pickle restorers.
void bindFunctions(pybind11::module_& m);

}  // namespace sorvexa_python

#endif  // SORVEXA_PYTHON_BINDINGS_HPP
