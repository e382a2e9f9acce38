// SPDX-License-Identifier: Apache-2.0
#include "kernel/operator/operatortable.hpp"

#include <memory>
#include <type_traits>
#include <vector>

#include "kernel/operator/elementwise.hpp"
#include "kernel/operator/matrixoperators.hpp"
#include "kernel/value/valueaccess.hpp"
#include "qtf/allocator.hpp"
#include "qtf/qtfmath.hpp"

namespace data_manager {
namespace {

template <typename T>
using OperatorPtr = std::unique_ptr<const Operator<T>>;

using RuleId = unit_manager::PropagationRuleId;

// The math entries: the double functions for Double, the rejecting classes for the other types.
template <typename T, typename Fcn, int Rule>
OperatorPtr<T> unaryMath() {
  if constexpr (std::is_same_v<T, double>) {
    return OperatorPtr<T>(new ElementwiseUnaryOperator<double, double, Fcn, Rule>);
  } else {
    return OperatorPtr<T>(new UnaryMathOperator<T, Fcn>);
  }
}

template <typename T>
OperatorPtr<T> atan2Operator() {
  if constexpr (std::is_same_v<T, double>) {
    return OperatorPtr<T>(new ElementwiseBinaryOperator<double, double, Atan2Fcn, RuleId::Comparison>);
  } else {
    return OperatorPtr<T>(new Atan2<T>);
  }
}

template <typename T>
OperatorPtr<T> sqrtOperator() {
  if constexpr (std::is_same_v<T, double>) {
    return OperatorPtr<T>(new ElementwiseUnaryOperator<double, double, SqrtFcn, RuleId::SquareRoot>);
  } else {
    return OperatorPtr<T>(new Sqrt<T>);
  }
}

template <typename T>
using UChar = unsigned char;

// Every entry is created before the table is published; if one allocation fails the entries made so far are freed
// and the next evaluation builds the table anew.
template <typename T>
OperatorTable<T>* buildTable() {
  OperatorPtr<T> made[ValueOpId::NumValueOps] = {
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, T, PlusFcn<T>, RuleId::Additive>),                // 0 Plus
      OperatorPtr<T>(new ElementwiseUnaryOperator<T, T, UPlusFcn<T>, RuleId::Unchanged>),               // 1 UPlus
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, T, MinusFcn<T>, RuleId::Additive>),               // 2 Minus
      OperatorPtr<T>(new ElementwiseUnaryOperator<T, T, UMinusFcn<T>, RuleId::Unchanged>),              // 3 UMinus
      OperatorPtr<T>(new MTimes<T>),                                                                    // 4 MTimes
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, T, TimesFcn<T>, RuleId::Product>),                // 5 Times
      OperatorPtr<T>(new MPower<T>),                                                                    // 6 MPower
      OperatorPtr<T>(new ElementwiseSecondScalarOperator<T, T, PowerFcn<T>, RuleId::Power>),            // 7 Power
      OperatorPtr<T>(new ElementwiseFirstScalarOperator<T, T, LDivideFcn<T>, RuleId::LeftQuotient>),    // 8 MlDivide
      OperatorPtr<T>(new ElementwiseSecondScalarOperator<T, T, RDivideFcn<T>, RuleId::RightQuotient>),  // 9 MrDivide
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, T, LDivideFcn<T>, RuleId::LeftQuotient>),         // 10 LDivide
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, T, RDivideFcn<T>, RuleId::RightQuotient>),        // 11 RDivide
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, UChar<T>, EqFcn<T>, RuleId::Comparison>),         // 12 Eq
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, UChar<T>, NeFcn<T>, RuleId::Comparison>),         // 13 Ne
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, UChar<T>, LtFcn<T>, RuleId::Comparison>),         // 14 Lt
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, UChar<T>, GtFcn<T>, RuleId::Comparison>),         // 15 Gt
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, UChar<T>, LeFcn<T>, RuleId::Comparison>),         // 16 Le
      OperatorPtr<T>(new ElementwiseBinaryOperator<T, UChar<T>, GeFcn<T>, RuleId::Comparison>),         // 17 Ge
      OperatorPtr<T>(new ElementwiseNoNanBinaryOperator<T, AndFcn<T>>),                                 // 18 And
      OperatorPtr<T>(new ElementwiseNoNanBinaryOperator<T, OrFcn<T>>),                                  // 19 Or
      unaryMath<T, SinFcn, RuleId::Dimensionless>(),                                                    // 20 Sin
      unaryMath<T, CosFcn, RuleId::Dimensionless>(),                                                    // 21 Cos
      unaryMath<T, TanFcn, RuleId::Dimensionless>(),                                                    // 22 Tan
      unaryMath<T, ASinFcn, RuleId::Dimensionless>(),                                                   // 23 ASin
      unaryMath<T, ACosFcn, RuleId::Dimensionless>(),                                                   // 24 ACos
      unaryMath<T, ATanFcn, RuleId::Dimensionless>(),                                                   // 25 ATan
      atan2Operator<T>(),                                                                               // 26 Atan2
      unaryMath<T, LogFcn, RuleId::Dimensionless>(),                                                    // 27 Log
      unaryMath<T, Log10Fcn, RuleId::Dimensionless>(),                                                  // 28 Log10
      unaryMath<T, SinhFcn, RuleId::Dimensionless>(),                                                   // 29 Sinh
      unaryMath<T, CoshFcn, RuleId::Dimensionless>(),                                                   // 30 Cosh
      unaryMath<T, TanhFcn, RuleId::Dimensionless>(),                                                   // 31 Tanh
      unaryMath<T, ExpFcn, RuleId::Dimensionless>(),                                                    // 32 Exp
      sqrtOperator<T>(),                                                                                // 33 Sqrt
      OperatorPtr<T>(new ElementwiseUnaryOperator<T, T, AbsFcn<T>, RuleId::Unchanged>),                 // 34 Abs
      OperatorPtr<T>(new ElementwiseUnaryOperator<T, T, FloorFcn<T>, RuleId::Unchanged>),               // 35 Floor
      OperatorPtr<T>(new ElementwiseUnaryOperator<T, T, CeilFcn<T>, RuleId::Unchanged>),                // 36 Ceil
      OperatorPtr<T>(new ElementwiseUnaryOperator<T, UChar<T>, IsInfFcn<T>, RuleId::Dimensionless>),    // 37 IsInf
      OperatorPtr<T>(new ElementwiseUnaryOperator<T, UChar<T>, IsNanFcn<T>, RuleId::Dimensionless>),    // 38 IsNan
      OperatorPtr<T>(new ElementwiseNoNanUnaryOperator<T, NotFcn<T>>),                                  // 39 Not
      OperatorPtr<T>(new TransposeOperator<T>),                                                         // 40 Transpose
      OperatorPtr<T>(new TransposeOperator<T>),                                                         // 41 CTranspose
  };
  auto* table = new OperatorTable<T>;
  for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
    table->entries[i] = made[i].release();
  }
  table->entries[ValueOpId::NumValueOps] = nullptr;
  return table;
}

// One per thread, so that reaching both vectors costs one thread-local lookup.
struct PropagationScratch {
  std::vector<unit_manager::PropagateOperandInfo> operands;
  std::vector<double> factors;
};

// The result buffer goes back to the allocator unless a value takes it over.
struct BufferDeleter {
  void operator()(void* block) const noexcept { qtf_free(block); }
};

}  // namespace

template <typename T>
const OperatorTable<T>& operatorTable() {
  // A function-local static is initialised once even when threads race for it, and again on the next call if its
  // initialisation threw.
  static const OperatorTable<T>* const table = buildTable<T>();
  return *table;
}

template <typename T>
unit_manager::PropagateOperandInfo describeOperand(const qtf::Dimension& dimension,
                                                   const unit_manager::UnitExpression& unit, const void* data) {
  const auto* elements = static_cast<const T*>(data);
  if (dimension.isScalar()) {
    const double value = toDouble(elements[0]);
    return unit_manager::PropagateOperandInfo(unit, value == 0.0, value);
  }
  bool isZero = true;
  const std::size_t n = dimension.getNumElements();
  for (std::size_t i = 0; i < n && isZero; ++i) {
    isZero = toDouble(elements[i]) == 0.0;
  }
  return unit_manager::PropagateOperandInfo(unit, isZero, unit_manager::PropagateOperandInfo::INVALID_SCALAR_CONSTANT);
}

template <typename T>
Value evaluateTyped(const Context& context, ValueOpId::Type op, const qtf::Dimension& first,
                    const unit_manager::UnitExpression& firstUnit, const void* firstData, const qtf::Dimension* second,
                    const unit_manager::UnitExpression* secondUnit, const void* secondData) {
  const Operator<T>& object = *operatorTable<T>().entries[op];
  const qtf::DataTypeId::Type resultType = object.getResultType();
  const qtf::Dimension resultDimension = object.getResultDimension(context, first, second);

  // The descriptions and factors live in per-thread vectors that keep their capacity, so that a repeated evaluation
  // allocates only its result.
  // Initial-exec: one load from the thread pointer instead of a call into the dynamic loader on every evaluation.
  __attribute__((tls_model("initial-exec"))) thread_local PropagationScratch scratch;
  std::vector<unit_manager::PropagateOperandInfo>& operands = scratch.operands;
  std::vector<double>& factors = scratch.factors;
  operands.clear();
  factors.clear();
  operands.push_back(describeOperand<T>(first, firstUnit, firstData));
  factors.push_back(qtf_get_inf());
  if (secondData != nullptr) {
    operands.push_back(describeOperand<T>(*second, *secondUnit, secondData));
    factors.push_back(qtf_get_inf());
  }
  const unit_manager::UnitExpression resultUnit = object.getPropagationRule(context)->propagate(operands, factors);
  if (secondData == nullptr) {
    factors.push_back(qtf_get_inf());
  }

  const std::size_t count = resultDimension.getNumElements();
  const std::size_t size = qtf::get_type_size(resultType);
  if (count <= ResolvedValueDataState::kInlineBytes / size) {
    // A small result is computed on the stack and copied into the value, whose state holds it without an allocation.
    alignas(8) unsigned char local[ResolvedValueDataState::kInlineBytes] = {};
    object.compute(context, local, first, firstData, factors[0], second, secondData, factors[1]);
    return ValueAccess::copy(context, resultType, resultDimension, resultUnit, local);
  }
  std::unique_ptr<void, BufferDeleter> buffer(object.needsZeroedResult() ? qtf_calloc(count, size)
                                                                         : qtf::allocate_buffer(resultType, count));
  object.compute(context, buffer.get(), first, firstData, factors[0], second, secondData, factors[1]);
  return ValueAccess::adopt(context, resultType, resultDimension, resultUnit, buffer.release());
}

#define DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(T)                                                         \
  template const OperatorTable<T>& operatorTable<T>();                                                     \
  template Value evaluateTyped<T>(const Context&, ValueOpId::Type, const qtf::Dimension&,                  \
                                  const unit_manager::UnitExpression&, const void*, const qtf::Dimension*, \
                                  const unit_manager::UnitExpression*, const void*);                       \
  template unit_manager::PropagateOperandInfo describeOperand<T>(const qtf::Dimension&,                    \
                                                                 const unit_manager::UnitExpression&, const void*);

DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(unsigned char)  // 0 UChar
DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(double)         // 1 Double
DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(int)            // 2 Int
DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(unsigned int)   // 3 UInt
DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(char)           // 4 Char (signed 8-bit)
#undef DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE

}  // namespace data_manager
