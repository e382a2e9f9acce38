// SPDX-License-Identifier: Apache-2.0
#include "kernel/operator/operatortable.hpp"

#include <limits>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "kernel/operator/elementwise.hpp"
#include "kernel/operator/matrixoperators.hpp"
#include "kernel/operator/operatorrows.hpp"
#include "kernel/propagation/describeoperand.hpp"
#include "kernel/value/valueaccess.hpp"
#include "qtf/allocator.hpp"

namespace data_manager::detail {
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

template <typename T, typename Op>
OperatorPtr<T> make() {
  return OperatorPtr<T>(new Op);
}

template <typename T>
struct OperatorRow {
  ValueOpId::Type op;
  OperatorPtr<T> (*make)();
};

// The class that serves each operator for element type T, one row per operator.
template <typename T>
constexpr OperatorRow<T> kOperatorRows[] = {
    {ValueOpId::Plus, &make<T, ElementwiseBinaryOperator<T, T, PlusFcn<T>, RuleId::Additive>>},
    {ValueOpId::UPlus, &make<T, ElementwiseUnaryOperator<T, T, UPlusFcn<T>, RuleId::Unchanged>>},
    {ValueOpId::Minus, &make<T, ElementwiseBinaryOperator<T, T, MinusFcn<T>, RuleId::Additive>>},
    {ValueOpId::UMinus, &make<T, ElementwiseUnaryOperator<T, T, UMinusFcn<T>, RuleId::Unchanged>>},
    {ValueOpId::MTimes, &make<T, MTimes<T>>},
    {ValueOpId::Times, &make<T, ElementwiseBinaryOperator<T, T, TimesFcn<T>, RuleId::Product>>},
    {ValueOpId::MPower, &make<T, MPower<T>>},
    {ValueOpId::Power, &make<T, ElementwiseSecondScalarOperator<T, T, PowerFcn<T>, RuleId::Power>>},
    {ValueOpId::MlDivide, &make<T, ElementwiseFirstScalarOperator<T, T, LDivideFcn<T>, RuleId::LeftQuotient>>},
    {ValueOpId::MrDivide, &make<T, ElementwiseSecondScalarOperator<T, T, RDivideFcn<T>, RuleId::RightQuotient>>},
    {ValueOpId::LDivide, &make<T, ElementwiseBinaryOperator<T, T, LDivideFcn<T>, RuleId::LeftQuotient>>},
    {ValueOpId::RDivide, &make<T, ElementwiseBinaryOperator<T, T, RDivideFcn<T>, RuleId::RightQuotient>>},
    {ValueOpId::Eq, &make<T, ElementwiseBinaryOperator<T, UChar<T>, EqFcn<T>, RuleId::Comparison>>},
    {ValueOpId::Ne, &make<T, ElementwiseBinaryOperator<T, UChar<T>, NeFcn<T>, RuleId::Comparison>>},
    {ValueOpId::Lt, &make<T, ElementwiseBinaryOperator<T, UChar<T>, LtFcn<T>, RuleId::Comparison>>},
    {ValueOpId::Gt, &make<T, ElementwiseBinaryOperator<T, UChar<T>, GtFcn<T>, RuleId::Comparison>>},
    {ValueOpId::Le, &make<T, ElementwiseBinaryOperator<T, UChar<T>, LeFcn<T>, RuleId::Comparison>>},
    {ValueOpId::Ge, &make<T, ElementwiseBinaryOperator<T, UChar<T>, GeFcn<T>, RuleId::Comparison>>},
    {ValueOpId::And, &make<T, ElementwiseNoNanBinaryOperator<T, AndFcn<T>>>},
    {ValueOpId::Or, &make<T, ElementwiseNoNanBinaryOperator<T, OrFcn<T>>>},
    {ValueOpId::Sin, &unaryMath<T, SinFcn, RuleId::Dimensionless>},
    {ValueOpId::Cos, &unaryMath<T, CosFcn, RuleId::Dimensionless>},
    {ValueOpId::Tan, &unaryMath<T, TanFcn, RuleId::Dimensionless>},
    {ValueOpId::ASin, &unaryMath<T, ASinFcn, RuleId::Dimensionless>},
    {ValueOpId::ACos, &unaryMath<T, ACosFcn, RuleId::Dimensionless>},
    {ValueOpId::ATan, &unaryMath<T, ATanFcn, RuleId::Dimensionless>},
    {ValueOpId::Atan2, &atan2Operator<T>},
    {ValueOpId::Log, &unaryMath<T, LogFcn, RuleId::Dimensionless>},
    {ValueOpId::Log10, &unaryMath<T, Log10Fcn, RuleId::Dimensionless>},
    {ValueOpId::Sinh, &unaryMath<T, SinhFcn, RuleId::Dimensionless>},
    {ValueOpId::Cosh, &unaryMath<T, CoshFcn, RuleId::Dimensionless>},
    {ValueOpId::Tanh, &unaryMath<T, TanhFcn, RuleId::Dimensionless>},
    {ValueOpId::Exp, &unaryMath<T, ExpFcn, RuleId::Dimensionless>},
    {ValueOpId::Sqrt, &sqrtOperator<T>},
    {ValueOpId::Abs, &make<T, ElementwiseUnaryOperator<T, T, AbsFcn<T>, RuleId::Unchanged>>},
    {ValueOpId::Floor, &make<T, ElementwiseUnaryOperator<T, T, FloorFcn<T>, RuleId::Unchanged>>},
    {ValueOpId::Ceil, &make<T, ElementwiseUnaryOperator<T, T, CeilFcn<T>, RuleId::Unchanged>>},
    {ValueOpId::IsInf, &make<T, ElementwiseUnaryOperator<T, UChar<T>, IsInfFcn<T>, RuleId::Dimensionless>>},
    {ValueOpId::IsNan, &make<T, ElementwiseUnaryOperator<T, UChar<T>, IsNanFcn<T>, RuleId::Dimensionless>>},
    {ValueOpId::Not, &make<T, ElementwiseNoNanUnaryOperator<T, NotFcn<T>>>},
    {ValueOpId::Transpose, &make<T, TransposeOperator<T>>},
    {ValueOpId::CTranspose, &make<T, TransposeOperator<T>>},
};

// Every entry is created before the table is published; if one allocation fails the entries made so far are freed
// and the next evaluation builds the table anew.
template <typename T>
OperatorTable<T>* buildTable() {
  static_assert(oneRowPerOperatorInOrder(kOperatorRows<T>), "one row per operator, in ValueOpId order");
  OperatorPtr<T> made[ValueOpId::NumValueOps];
  for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
    made[i] = kOperatorRows<T>[i].make();
  }
  auto* table = new OperatorTable<T>;
  for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
    table->entries[i] = made[i].release();
  }
  table->entries[ValueOpId::NumValueOps] = nullptr;
  return table;
}

// What the rules are given, one set per operand count, made once per thread at its final length and overwritten on
// every evaluation: a repeated evaluation neither grows, clears nor allocates a vector, and reaching them costs one
// thread-local lookup.
struct PropagationScratch {
  std::vector<unit_manager::PropagateOperandInfo> operands[2];
  std::vector<double> factors[2];

  PropagationScratch() {
    const unit_manager::PropagateOperandInfo placeholder(unit_manager::UnitExpression(), false, 0.0);
    for (std::size_t n = 1; n <= 2; ++n) {
      operands[n - 1].assign(n, placeholder);
      factors[n - 1].assign(n, 0.0);
    }
  }
};

template <typename T>
[[gnu::always_inline]] inline void describeInPlace(unit_manager::PropagateOperandInfo& slot,
                                                   const qtf::Dimension& dimension,
                                                   const unit_manager::UnitExpression& unit,
                                                   const void* data) noexcept {
  static_assert(noexcept(describeOperand<T>(dimension, unit, data)), "rebuilt in place, so it must not throw");
  slot.~PropagateOperandInfo();
  ::new (static_cast<void*>(&slot)) unit_manager::PropagateOperandInfo(describeOperand<T>(dimension, unit, data));
}

// A small result computed straight into the value, whose state holds it without an allocation of its own. A function
// of its own with one return, so that the value is built where the caller's result goes and never copied.
template <typename T>
[[gnu::always_inline]] inline Value computeSmall(const Operator<T>& object, const Context& context,
                                                 qtf::DataTypeId::Type resultType,
                                                 const qtf::Dimension& resultDimension,
                                                 const unit_manager::UnitExpression& resultUnit,
                                                 const qtf::Dimension& first, const void* firstData, double firstFactor,
                                                 const qtf::Dimension* second, const void* secondData,
                                                 double secondFactor) {
  void* elements = nullptr;
  Value result = ValueAccess::small(context, resultType, resultDimension, resultUnit, elements);
  object.compute(context, elements, first, firstData, firstFactor, second, secondData, secondFactor);
  return result;
}

// The size of each element type, indexed by DataTypeId; result types are the library's own, always valid.
constexpr auto kElementSizes = perTypeTable([](auto tag) { return sizeof(typename decltype(tag)::type); });

}  // namespace

template <typename T>
const OperatorTable<T>& operatorTable() {
  // A function-local static is initialised once even when threads race for it, and again on the next call if its
  // initialisation threw.
  static const OperatorTable<T>* const table = buildTable<T>();
  return *table;
}

template <typename T>
Value evaluateTyped(const Context& context, ValueOpId::Type op, const qtf::Dimension& first,
                    const unit_manager::UnitExpression& firstUnit, const void* firstData, const qtf::Dimension* second,
                    const unit_manager::UnitExpression* secondUnit, const void* secondData) {
  const Operator<T>& object = *operatorTable<T>().entries[op];
  const qtf::DataTypeId::Type resultType = object.getResultType();
  const qtf::Dimension resultDimension = object.getResultDimension(context, first, second);

  // Initial-exec: one load from the thread pointer instead of a call into the dynamic loader on every evaluation.
  __attribute__((tls_model("initial-exec"))) thread_local PropagationScratch scratch;
  const bool binary = secondData != nullptr;
  std::vector<unit_manager::PropagateOperandInfo>& operands = scratch.operands[binary ? 1 : 0];
  std::vector<double>& factors = scratch.factors[binary ? 1 : 0];
  // Each description is built in place of the last one (its constructor cannot throw), which spares a copy and the
  // reference counting of a temporary unit handle.
  describeInPlace<T>(operands[0], first, firstUnit, firstData);
  if (binary) {
    describeInPlace<T>(operands[1], *second, *secondUnit, secondData);
  }
  // A rule that broke its promise to keep the length on an earlier call must not leave the next one short.
  if (factors.size() != operands.size()) {
    factors.resize(operands.size());
  }
  factors[0] = std::numeric_limits<double>::infinity();
  if (binary) {
    factors[1] = std::numeric_limits<double>::infinity();
  }
  const unit_manager::UnitExpression resultUnit = object.getPropagationRule(context)->propagate(operands, factors);
  const double firstFactor = factors[0];
  const double secondFactor = binary ? factors[1] : std::numeric_limits<double>::infinity();

  const std::size_t count = resultDimension.getNumElements();
  const std::size_t size = kElementSizes[static_cast<std::size_t>(resultType)];
  if (count <= ResolvedValueDataState::kInlineBytes && count * size <= ResolvedValueDataState::kInlineBytes) {
    return computeSmall(object, context, resultType, resultDimension, resultUnit, first, firstData, firstFactor, second,
                        secondData, secondFactor);
  }
  qtf::BufferPtr buffer(object.needsZeroedResult() ? qtf_calloc(count, size) : qtf::allocate_buffer(resultType, count));
  object.compute(context, buffer.get(), first, firstData, firstFactor, second, secondData, secondFactor);
  return ValueAccess::adopt(context, resultType, resultDimension, resultUnit, buffer.release());
}

#define DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(T)                                                         \
  template const OperatorTable<T>& operatorTable<T>();                                                     \
  template Value evaluateTyped<T>(const Context&, ValueOpId::Type, const qtf::Dimension&,                  \
                                  const unit_manager::UnitExpression&, const void*, const qtf::Dimension*, \
                                  const unit_manager::UnitExpression*, const void*);

DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(unsigned char)  // 0 UChar
DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(double)         // 1 Double
DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(int)            // 2 Int
DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(unsigned int)   // 3 UInt
DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE(char)           // 4 Char (signed 8-bit)
#undef DATA_MANAGER_INSTANTIATE_OPERATOR_TABLE

}  // namespace data_manager::detail
