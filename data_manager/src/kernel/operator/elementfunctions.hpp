// SPDX-License-Identifier: Apache-2.0
//
// The element function classes: stateless, one call operator on scaled
// operand values. Integer arithmetic wraps; functions that compute through
// double convert back by truncation, keeping the type's low bits.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTFUNCTIONS_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTFUNCTIONS_HPP

#include <cmath>
#include <type_traits>

#include "kernel/numeric.hpp"
#include "kernel/operator/elementtraits.hpp"
#include "qtf/qtfmath.hpp"

namespace data_manager::detail {

// Which operand of a division is the divisor: integer kernels check it for zero before writing anything.
struct NoDivisor {
  static constexpr int kDivisor = 0;
};

template <typename T>
struct PlusFcn : NoDivisor {
  T operator()(const T& a, const T& b) const noexcept { return Arith<T>::add(a, b); }
};
template <typename T>
struct UPlusFcn : NoDivisor {
  T operator()(const T& a) const noexcept { return a; }
};
template <typename T>
struct MinusFcn : NoDivisor {
  T operator()(const T& a, const T& b) const noexcept { return Arith<T>::sub(a, b); }
};
// Signed types keep their most negative value; unsigned ones give 2^w - a.
template <typename T>
struct UMinusFcn : NoDivisor {
  T operator()(const T& a) const noexcept { return Arith<T>::neg(a); }
};
template <typename T>
struct TimesFcn : NoDivisor {
  T operator()(const T& a, const T& b) const noexcept { return Arith<T>::mul(a, b); }
};
template <typename T>
struct PowerFcn : NoDivisor {
  T operator()(const T& a, const T& b) const noexcept { return truncateWrapped<T>(std::pow(toDouble(a), toDouble(b))); }
};

// Integer division truncates toward zero; the most negative value divided by -1 wraps to itself. A zero divisor never
// reaches the function (the kernel rejects it first); it gives 0 rather than undefined behaviour all the same.
template <typename T>
inline T divide(T a, T b) noexcept {
  if constexpr (kIsInteger<T>) {
    if (b == 0) {
      return 0;
    }
    if constexpr (std::is_signed_v<T>) {
      if (b == T(-1)) {
        return Arith<T>::neg(a);
      }
    }
    return static_cast<T>(a / b);
  } else {
    return a / b;
  }
}

template <typename T>
struct LDivideFcn {
  static constexpr int kDivisor = 1;
  T operator()(const T& a, const T& b) const noexcept { return divide(b, a); }
};
template <typename T>
struct RDivideFcn {
  static constexpr int kDivisor = 2;
  T operator()(const T& a, const T& b) const noexcept { return divide(a, b); }
};

template <typename T>
struct EqFcn : NoDivisor {
  bool operator()(const T& a, const T& b) const noexcept { return a == b; }
};
template <typename T>
struct NeFcn : NoDivisor {
  bool operator()(const T& a, const T& b) const noexcept { return a != b; }
};
template <typename T>
struct LtFcn : NoDivisor {
  bool operator()(const T& a, const T& b) const noexcept { return a < b; }
};
template <typename T>
struct GtFcn : NoDivisor {
  bool operator()(const T& a, const T& b) const noexcept { return a > b; }
};
template <typename T>
struct LeFcn : NoDivisor {
  bool operator()(const T& a, const T& b) const noexcept { return a <= b; }
};
template <typename T>
struct GeFcn : NoDivisor {
  bool operator()(const T& a, const T& b) const noexcept { return a >= b; }
};
// A NaN counts as nonzero; -0 counts as zero.
template <typename T>
struct AndFcn : NoDivisor {
  bool operator()(const T& a, const T& b) const noexcept { return a != T(0) && b != T(0); }
};
template <typename T>
struct OrFcn : NoDivisor {
  bool operator()(const T& a, const T& b) const noexcept { return a != T(0) || b != T(0); }
};
template <typename T>
struct NotFcn : NoDivisor {
  bool operator()(const T& a) const noexcept { return a == T(0); }
};

// On integer types through double: Abs keeps the most negative value, Floor and Ceil return the value.
template <typename T>
struct AbsFcn : NoDivisor {
  T operator()(const T& a) const noexcept { return truncateWrapped<T>(std::fabs(toDouble(a))); }
};
template <typename T>
struct FloorFcn : NoDivisor {
  T operator()(const T& a) const noexcept { return truncateWrapped<T>(std::floor(toDouble(a))); }
};
template <typename T>
struct CeilFcn : NoDivisor {
  T operator()(const T& a) const noexcept { return truncateWrapped<T>(std::ceil(toDouble(a))); }
};

// Integer elements are never infinite or NaN; the kernel writes zeros without reading them.
template <typename T>
struct IsInfFcn : NoDivisor {
  static constexpr bool kAlwaysFalseOnIntegers = true;
  bool operator()(const T& a) const noexcept {
    if constexpr (kIsInteger<T>) {
      return false;
    } else {
      return qtf_is_inf(a);
    }
  }
};
template <typename T>
struct IsNanFcn : NoDivisor {
  static constexpr bool kAlwaysFalseOnIntegers = true;
  bool operator()(const T& a) const noexcept {
    if constexpr (kIsInteger<T>) {
      return false;
    } else {
      return qtf_is_nan(a);
    }
  }
};

// Math functions, double only.
#define DATA_MANAGER_MATH_FCN(Name, fcn)                                 \
  struct Name : NoDivisor {                                              \
    double operator()(const double& a) const noexcept { return fcn(a); } \
  };
DATA_MANAGER_MATH_FCN(SinFcn, qtf_sin)
DATA_MANAGER_MATH_FCN(CosFcn, qtf_cos)
DATA_MANAGER_MATH_FCN(TanFcn, qtf_tan)
DATA_MANAGER_MATH_FCN(ASinFcn, qtf_asin)
DATA_MANAGER_MATH_FCN(ACosFcn, qtf_acos)
DATA_MANAGER_MATH_FCN(ATanFcn, qtf_atan)
DATA_MANAGER_MATH_FCN(LogFcn, qtf_log)
DATA_MANAGER_MATH_FCN(Log10Fcn, qtf_log10)
DATA_MANAGER_MATH_FCN(SinhFcn, qtf_sinh)
DATA_MANAGER_MATH_FCN(CoshFcn, qtf_cosh)
DATA_MANAGER_MATH_FCN(TanhFcn, qtf_tanh)
DATA_MANAGER_MATH_FCN(ExpFcn, qtf_exp)
DATA_MANAGER_MATH_FCN(SqrtFcn, std::sqrt)
#undef DATA_MANAGER_MATH_FCN

struct Atan2Fcn : NoDivisor {
  double operator()(const double& a, const double& b) const noexcept { return qtf_atan2(a, b); }
};

template <typename Fcn, typename = void>
struct AlwaysFalseOnIntegers : std::false_type {};
template <typename Fcn>
struct AlwaysFalseOnIntegers<Fcn, std::void_t<decltype(Fcn::kAlwaysFalseOnIntegers)>> : std::true_type {};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTFUNCTIONS_HPP
