// SPDX-License-Identifier: Apache-2.0
//
// The matrix operators (MTimes, MPower, the transposes) and the classes that
// reject math on element types other than double. Template bodies only.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_MATRIXOPERATORS_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_MATRIXOPERATORS_HPP

#include <cmath>
#include <cstddef>

#include "kernel/errordetail.hpp"
#include "kernel/messages.hpp"
#include "kernel/operator/elementwise.hpp"
#include "kernel/operator/matrixproduct.hpp"

namespace data_manager::detail {

// The matrix product. Scalar operands go to the elementwise product; otherwise each result element sums the products
// of scaled values in ascending k, in the element type's arithmetic.
template <typename T>
class MTimes : public Operator<T> {
 public:
  qtf::DataTypeId::Type getResultType() const override { return TypeOf<T>::value; }
  const unit_manager::UnitPropagationRule* getPropagationRule(const Context& context) const override {
    return context.getUnitContext().propagationRule(unit_manager::PropagationRuleId::Product);
  }
  qtf::Dimension getResultDimension(const Context&, const qtf::Dimension& first,
                                    const qtf::Dimension* second) const override {
    if (first.isScalar()) {
      return *second;
    }
    if (second->isScalar()) {
      return first;
    }
    if (first.n() == second->m()) {
      return qtf::Dimension(first.m(), second->n());
    }
    detail::raiseMatrixProductDimensions(first, *second);
  }
  bool needsZeroedResult() const noexcept override { return true; }
  void compute(const Context& context, void* result, const qtf::Dimension& first, const void* firstData,
               double firstFactor, const qtf::Dimension* second, const void* secondData,
               double secondFactor) const override {
    if (first.isScalar() || second->isScalar()) {
      mTimes.compute(context, result, first, firstData, firstFactor, second, secondData, secondFactor);
    } else if (first.n() == second->m()) {
      matrixProduct<T>(static_cast<T*>(result), static_cast<const T*>(firstData), Scale<T>(firstFactor),
                       static_cast<const T*>(secondData), Scale<T>(secondFactor), first.m(), first.n(), second->n());
    }
  }

 private:
  Times<T> mTimes;
};

// A single real power of two scalars. Unlike the elementwise kernels, the factors are applied in double without
// truncating them first.
template <typename T>
class MPower : public Operator<T> {
 public:
  qtf::DataTypeId::Type getResultType() const override { return TypeOf<T>::value; }
  const unit_manager::UnitPropagationRule* getPropagationRule(const Context& context) const override {
    return context.getUnitContext().propagationRule(unit_manager::PropagationRuleId::Power);
  }
  qtf::Dimension getResultDimension(const Context&, const qtf::Dimension& first,
                                    const qtf::Dimension* second) const override {
    if (!first.isScalar() || !second->isScalar()) {
      detail::raiseOperandDimensions(msg::value::ScalarOperands, first, *second);
    }
    return first;
  }
  void compute(const Context&, void* result, const qtf::Dimension&, const void* firstData, double firstFactor,
               const qtf::Dimension*, const void* secondData, double secondFactor) const override {
    const double base = firstFactor * toDouble(*static_cast<const T*>(firstData));
    const double exponent = secondFactor * toDouble(*static_cast<const T*>(secondData));
    *static_cast<T*>(result) = truncateWrapped<T>(std::pow(base, exponent));
  }
};

// The plain transpose; the conjugate transpose of real data is the same. The scale factor is not applied.
template <typename T>
class TransposeOperator : public Operator<T> {
 public:
  qtf::DataTypeId::Type getResultType() const override { return TypeOf<T>::value; }
  const unit_manager::UnitPropagationRule* getPropagationRule(const Context& context) const override {
    return context.getUnitContext().propagationRule(unit_manager::PropagationRuleId::Unchanged);
  }
  qtf::Dimension getResultDimension(const Context&, const qtf::Dimension& first, const qtf::Dimension*) const override {
    return qtf::Dimension(first.n(), first.m());
  }
  void compute(const Context&, void* result, const qtf::Dimension& first, const void* firstData, double,
               const qtf::Dimension*, const void*, double) const override {
    const auto* a = static_cast<const T*>(firstData);
    auto* r = static_cast<T*>(result);
    const qtf::Dimension transposed(first.n(), first.m());
    for (std::size_t i = 0; i < first.m(); ++i) {
      for (std::size_t j = 0; j < first.n(); ++j) {
        r[transposed.computeIndex(j, i)] = a[first.computeIndex(i, j)];
      }
    }
  }
};

// Math on an element type other than double: the result type and dimension are answered without complaint, and asking
// for the propagation rule raises "data_manager:value:InvalidMathOperatorType", so the kernel is never reached.
template <typename T>
class RejectedMathOperator : public Operator<T> {
 public:
  qtf::DataTypeId::Type getResultType() const override { return qtf::DataTypeId::Double; }
  const unit_manager::UnitPropagationRule* getPropagationRule(const Context&) const override {
    detail::raiseMathOperatorType(TypeOf<T>::value);
  }
  qtf::Dimension getResultDimension(const Context&, const qtf::Dimension&, const qtf::Dimension*) const override {
    return qtf::Dimension(0, 0);
  }
  void compute(const Context&, void*, const qtf::Dimension&, const void*, double, const qtf::Dimension*, const void*,
               double) const override {}
};

template <typename T, typename Fcn>
class UnaryMathOperator : public RejectedMathOperator<T> {};
template <typename T>
class Atan2 : public RejectedMathOperator<T> {};
template <typename T>
class Sqrt : public RejectedMathOperator<T> {};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_MATRIXOPERATORS_HPP
