// SPDX-License-Identifier: Apache-2.0
#include "qtf/qtfmath.hpp"

#include <cmath>
#include <limits>

double qtf_sin(double x) noexcept { return std::sin(x); }
double qtf_cos(double x) noexcept { return std::cos(x); }
double qtf_tan(double x) noexcept { return std::tan(x); }
double qtf_asin(double x) noexcept { return std::asin(x); }
double qtf_acos(double x) noexcept { return std::acos(x); }
double qtf_atan(double x) noexcept { return std::atan(x); }
double qtf_atan2(double y, double x) noexcept { return std::atan2(y, x); }
double qtf_log(double x) noexcept { return std::log(x); }
double qtf_log10(double x) noexcept { return std::log10(x); }
double qtf_sinh(double x) noexcept { return std::sinh(x); }
double qtf_cosh(double x) noexcept { return std::cosh(x); }
double qtf_tanh(double x) noexcept { return std::tanh(x); }
double qtf_exp(double x) noexcept { return std::exp(x); }
double qtf_get_inf() noexcept { return std::numeric_limits<double>::infinity(); }
bool qtf_is_inf(double x) noexcept { return std::isinf(x); }
bool qtf_is_nan(double x) noexcept { return std::isnan(x); }
