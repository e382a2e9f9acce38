// SPDX-License-Identifier: Apache-2.0
//
// Math on double with the C library's semantics, and the IEEE tests the kernels use.
#ifndef QTF_QTFMATH_HPP
#define QTF_QTFMATH_HPP

#include "qtf/qtf_export.hpp"

QTF_EXPORT double qtf_sin(double x) noexcept;
QTF_EXPORT double qtf_cos(double x) noexcept;
QTF_EXPORT double qtf_tan(double x) noexcept;
QTF_EXPORT double qtf_asin(double x) noexcept;
QTF_EXPORT double qtf_acos(double x) noexcept;
QTF_EXPORT double qtf_atan(double x) noexcept;
QTF_EXPORT double qtf_atan2(double y, double x) noexcept;
QTF_EXPORT double qtf_log(double x) noexcept;
QTF_EXPORT double qtf_log10(double x) noexcept;
QTF_EXPORT double qtf_sinh(double x) noexcept;
QTF_EXPORT double qtf_cosh(double x) noexcept;
QTF_EXPORT double qtf_tanh(double x) noexcept;
QTF_EXPORT double qtf_exp(double x) noexcept;
// +infinity.
QTF_EXPORT double qtf_get_inf() noexcept;
QTF_EXPORT bool qtf_is_inf(double x) noexcept;
QTF_EXPORT bool qtf_is_nan(double x) noexcept;

#endif  // QTF_QTFMATH_HPP
