// SPDX-License-Identifier: Apache-2.0
//
// The intermediate representation in one include.
#ifndef QTIR_QTIR_HPP
#define QTIR_QTIR_HPP

#include "qtir/context.hpp"
#include "qtir/expression.hpp"
#include "qtir/function.hpp"
#include "qtir/scope.hpp"

#endif  // QTIR_QTIR_HPP
