// SPDX-License-Identifier: Apache-2.0
//
// The elementwise operator classes and their loops: two operands with scalar
// expansion, one operand, first operand scalar, second operand scalar, and the
// logical classes that reject NaN operands first. Template bodies only; the
// instantiations live with the operator tables.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTWISE_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTWISE_HPP

#include <cstddef>
#include <cstring>

#include "kernel/errordetail.hpp"
#include "kernel/messages.hpp"
#include "kernel/operator/dispatch.hpp"
#include "kernel/operator/elementfunctions.hpp"
#include "kernel/operator/elementtraits.hpp"
#include "kernel/operator/operator.hpp"
#include "kernel/operator/streaming.hpp"

namespace data_manager::detail {

// Every integer division that a kernel is about to make is checked first, so that a zero divisor raises
// "data_manager:value:IntegerDivisionByZero" before any result element is written.
template <typename T>
void checkDivisors(const T* divisor, std::size_t count, const Scale<T>& scale) {
  for (std::size_t i = 0; i < count; ++i) {
    if (scale(divisor[i]) == T(0)) {
      qtf::raise(msg::value::IntegerDivisionByZero);
    }
  }
}

// Raises "data_manager:value:CanNotConvertNanToLogical" at the first NaN among the raw elements.
template <typename T>
void checkNoNan(const T* data, std::size_t count) {
  if constexpr (!kIsInteger<T>) {
    for (std::size_t i = 0; i < count; ++i) {
      if (qtf_is_nan(data[i])) {
        qtf::raise(msg::value::CanNotConvertNanToLogical);
      }
    }
  }
}

// The same-shape loops of a binary operator, the commonest hot loops, compiled for AVX2 as well: with it the narrow
// integer types add, compare and combine 32 elements per instruction. One for operands in one unit (no scaling, and on
// the 8-bit types no widening for a multiply by 1), one with each operand scaled into the result's unit.
template <typename Tin, typename Tout, typename Fcn>
DATA_MANAGER_AVX2_TEMPLATE_CLONES void applyUnscaled(Tout* r, const Tin* a, const Tin* b, std::size_t n) {
  const Fcn fcn;
  writeElements(r, n, [&](std::size_t i) { return static_cast<Tout>(fcn(a[i], b[i])); });
}

template <typename Tin, typename Tout, typename Fcn>
DATA_MANAGER_AVX2_TEMPLATE_CLONES void applyScaled(Tout* r, const Tin* a, const Scale<Tin>& sa, const Tin* b,
                                                   const Scale<Tin>& sb, std::size_t n) {
  const Fcn fcn;
  writeElements(r, n, [&](std::size_t i) { return static_cast<Tout>(fcn(sa(a[i]), sb(b[i]))); });
}

template <typename Tin, typename Tout, typename Fcn, int Rule>
class ElementwiseOperatorBase : public Operator<Tin> {
 public:
  qtf::DataTypeId::Type getResultType() const override { return TypeOf<Tout>::value; }
  const unit_manager::UnitPropagationRule* getPropagationRule(const Context& context) const override {
    return context.getUnitContext().propagationRule(Rule);
  }
};

template <typename Tin, typename Tout, typename Fcn, int Rule>
class ElementwiseBinaryOperator : public ElementwiseOperatorBase<Tin, Tout, Fcn, Rule> {
 public:
  qtf::Dimension getResultDimension(const Context&, const qtf::Dimension& first,
                                    const qtf::Dimension* second) const override {
    if (first.isScalar()) {
      return *second;
    }
    if (second->isScalar() || first == *second) {
      return first;
    }
    detail::raiseOperandDimensions(msg::value::InvalidBinaryOperatorDimension, first, *second);
  }

  void compute(const Context&, void* result, const qtf::Dimension& first, const void* firstData, double firstFactor,
               const qtf::Dimension* second, const void* secondData, double secondFactor) const override {
    const auto* a = static_cast<const Tin*>(firstData);
    const auto* b = static_cast<const Tin*>(secondData);
    auto* r = static_cast<Tout*>(result);
    const Scale<Tin> sa(firstFactor);
    const Scale<Tin> sb(secondFactor);
    const Fcn fcn;
    if (first.isScalar() && second->isScalar()) {
      // Scalar calls are the common case and pay no loop set-up.
      checkDivisorsOf(a, 1, sa, b, 1, sb, 1);
      r[0] = static_cast<Tout>(fcn(sa(a[0]), sb(b[0])));
    } else if (first.isScalar()) {
      const std::size_t n = second->getNumElements();
      checkDivisorsOf(a, 1, sa, b, n, sb, n);
      const Tin x = sa(a[0]);
      for (std::size_t i = 0; i < n; ++i) {
        r[i] = static_cast<Tout>(fcn(x, sb(b[i])));
      }
    } else if (second->isScalar()) {
      const std::size_t n = first.getNumElements();
      checkDivisorsOf(a, n, sa, b, 1, sb, n);
      const Tin y = sb(b[0]);
      for (std::size_t i = 0; i < n; ++i) {
        r[i] = static_cast<Tout>(fcn(sa(a[i]), y));
      }
    } else if (first == *second) {
      const std::size_t n = first.getNumElements();
      checkDivisorsOf(a, n, sa, b, n, sb, n);
      if (sa.isIdentity() && sb.isIdentity()) {
        applyUnscaled<Tin, Tout, Fcn>(r, a, b, n);
      } else {
        applyScaled<Tin, Tout, Fcn>(r, a, sa, b, sb, n);
      }
    }
  }

 protected:
  // For integer division, checks the operand that divides, as far as the result (of n elements) reaches.
  static void checkDivisorsOf(const Tin* a, std::size_t na, const Scale<Tin>& sa, const Tin* b, std::size_t nb,
                              const Scale<Tin>& sb, std::size_t n) {
    if constexpr (kIsInteger<Tin> && Fcn::kDivisor != 0) {
      if (n == 0) {
        return;
      }
      if constexpr (Fcn::kDivisor == 1) {
        checkDivisors(a, na, sa);
      } else {
        checkDivisors(b, nb, sb);
      }
    } else {
      (void)a, (void)na, (void)sa, (void)b, (void)nb, (void)sb, (void)n;
    }
  }
};

template <typename Tin, typename Tout, typename Fcn, int Rule>
class ElementwiseUnaryOperator : public ElementwiseOperatorBase<Tin, Tout, Fcn, Rule> {
 public:
  qtf::Dimension getResultDimension(const Context&, const qtf::Dimension& first, const qtf::Dimension*) const override {
    return first;
  }

  void compute(const Context&, void* result, const qtf::Dimension& first, const void* firstData, double firstFactor,
               const qtf::Dimension*, const void*, double) const override {
    const std::size_t n = first.getNumElements();
    auto* r = static_cast<Tout*>(result);
    if constexpr (kIsInteger<Tin> && AlwaysFalseOnIntegers<Fcn>::value) {
      std::memset(r, 0, n * sizeof(Tout));
      (void)firstData, (void)firstFactor;
    } else {
      const auto* a = static_cast<const Tin*>(firstData);
      const Scale<Tin> sa(firstFactor);
      const Fcn fcn;
      for (std::size_t i = 0; i < n; ++i) {
        r[i] = static_cast<Tout>(fcn(sa(a[i])));
      }
    }
  }
};

template <typename Tin, typename Tout, typename Fcn, int Rule>
class ElementwiseFirstScalarOperator : public ElementwiseOperatorBase<Tin, Tout, Fcn, Rule> {
 public:
  qtf::Dimension getResultDimension(const Context&, const qtf::Dimension& first,
                                    const qtf::Dimension* second) const override {
    if (!first.isScalar()) {
      detail::raiseNotScalar(msg::value::InvalidElementWiseFirstScalarOperatorDimension, first);
    }
    return *second;
  }

  void compute(const Context&, void* result, const qtf::Dimension&, const void* firstData, double firstFactor,
               const qtf::Dimension* second, const void* secondData, double secondFactor) const override {
    const auto* a = static_cast<const Tin*>(firstData);
    const auto* b = static_cast<const Tin*>(secondData);
    auto* r = static_cast<Tout*>(result);
    const Scale<Tin> sa(firstFactor);
    const Scale<Tin> sb(secondFactor);
    const std::size_t n = second->getNumElements();
    if constexpr (kIsInteger<Tin> && Fcn::kDivisor != 0) {
      if (n != 0) {
        Fcn::kDivisor == 1 ? checkDivisors(a, 1, sa) : checkDivisors(b, n, sb);
      }
    }
    const Fcn fcn;
    const Tin x = sa(a[0]);
    for (std::size_t i = 0; i < n; ++i) {
      r[i] = static_cast<Tout>(fcn(x, sb(b[i])));
    }
  }
};

template <typename Tin, typename Tout, typename Fcn, int Rule>
class ElementwiseSecondScalarOperator : public ElementwiseOperatorBase<Tin, Tout, Fcn, Rule> {
 public:
  qtf::Dimension getResultDimension(const Context&, const qtf::Dimension& first,
                                    const qtf::Dimension* second) const override {
    if (!second->isScalar()) {
      detail::raiseNotScalar(msg::value::InvalidElementWiseSecondScalarOperatorDimension, *second);
    }
    return first;
  }

  void compute(const Context&, void* result, const qtf::Dimension& first, const void* firstData, double firstFactor,
               const qtf::Dimension*, const void* secondData, double secondFactor) const override {
    const auto* a = static_cast<const Tin*>(firstData);
    const auto* b = static_cast<const Tin*>(secondData);
    auto* r = static_cast<Tout*>(result);
    const Scale<Tin> sa(firstFactor);
    const Scale<Tin> sb(secondFactor);
    const std::size_t n = first.getNumElements();
    if constexpr (kIsInteger<Tin> && Fcn::kDivisor != 0) {
      if (n != 0) {
        Fcn::kDivisor == 1 ? checkDivisors(a, n, sa) : checkDivisors(b, 1, sb);
      }
    }
    const Fcn fcn;
    const Tin y = sb(b[0]);
    for (std::size_t i = 0; i < n; ++i) {
      r[i] = static_cast<Tout>(fcn(sa(a[i]), y));
    }
  }
};

// And and Or: every raw element of both operands is checked for NaN before the inherited kernel runs.
template <typename T, typename Fcn>
class ElementwiseNoNanBinaryOperator
    : public ElementwiseBinaryOperator<T, unsigned char, Fcn, unit_manager::PropagationRuleId::Logical> {
 public:
  void compute(const Context& context, void* result, const qtf::Dimension& first, const void* firstData,
               double firstFactor, const qtf::Dimension* second, const void* secondData,
               double secondFactor) const override {
    checkNoNan(static_cast<const T*>(firstData), first.getNumElements());
    checkNoNan(static_cast<const T*>(secondData), second->getNumElements());
    ElementwiseBinaryOperator<T, unsigned char, Fcn, unit_manager::PropagationRuleId::Logical>::compute(
        context, result, first, firstData, firstFactor, second, secondData, secondFactor);
  }
};

// Not: the same check on its one operand.
template <typename T, typename Fcn>
class ElementwiseNoNanUnaryOperator
    : public ElementwiseUnaryOperator<T, unsigned char, Fcn, unit_manager::PropagationRuleId::Dimensionless> {
 public:
  void compute(const Context& context, void* result, const qtf::Dimension& first, const void* firstData,
               double firstFactor, const qtf::Dimension* second, const void* secondData,
               double secondFactor) const override {
    checkNoNan(static_cast<const T*>(firstData), first.getNumElements());
    ElementwiseUnaryOperator<T, unsigned char, Fcn, unit_manager::PropagationRuleId::Dimensionless>::compute(
        context, result, first, firstData, firstFactor, second, secondData, secondFactor);
  }
};

// Times: the elementwise product, which MTimes also uses for its scalar cases.
template <typename T>
class Times : public ElementwiseBinaryOperator<T, T, TimesFcn<T>, 5> {};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_ELEMENTWISE_HPP
