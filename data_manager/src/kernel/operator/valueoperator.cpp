// SPDX-License-Identifier: Apache-2.0
#include "data_manager/valueoperator.hpp"

#include <cctype>
#include <memory>

#include "kernel/elementtypes.hpp"
#include "kernel/messages.hpp"
#include "kernel/operator/operatorrows.hpp"
#include "kernel/operator/operatortable.hpp"
#include "kernel/value/valueaccess.hpp"
#include "qtf/allocator.hpp"
#include "qtf/datatypeid.hpp"

namespace data_manager {

using detail::evaluateTyped;
using detail::perTypeTable;
using detail::ValueAccess;
using detail::ValueData;

namespace {

struct OperatorRow {
  ValueOpId::Type op;
  const char* name;
  unsigned int numOperands;
};

constexpr OperatorRow kOperators[] = {
    {ValueOpId::Plus, "Plus", 2},
    {ValueOpId::UPlus, "UPlus", 1},
    {ValueOpId::Minus, "Minus", 2},
    {ValueOpId::UMinus, "UMinus", 1},
    {ValueOpId::MTimes, "MTimes", 2},
    {ValueOpId::Times, "Times", 2},
    {ValueOpId::MPower, "MPower", 2},
    {ValueOpId::Power, "Power", 2},
    {ValueOpId::MlDivide, "MlDivide", 2},
    {ValueOpId::MrDivide, "MrDivide", 2},
    {ValueOpId::LDivide, "LDivide", 2},
    {ValueOpId::RDivide, "RDivide", 2},
    {ValueOpId::Eq, "Eq", 2},
    {ValueOpId::Ne, "Ne", 2},
    {ValueOpId::Lt, "Lt", 2},
    {ValueOpId::Gt, "Gt", 2},
    {ValueOpId::Le, "Le", 2},
    {ValueOpId::Ge, "Ge", 2},
    {ValueOpId::And, "And", 2},
    {ValueOpId::Or, "Or", 2},
    {ValueOpId::Sin, "Sin", 1},
    {ValueOpId::Cos, "Cos", 1},
    {ValueOpId::Tan, "Tan", 1},
    {ValueOpId::ASin, "ASin", 1},
    {ValueOpId::ACos, "ACos", 1},
    {ValueOpId::ATan, "ATan", 1},
    {ValueOpId::Atan2, "Atan2", 2},
    {ValueOpId::Log, "Log", 1},
    {ValueOpId::Log10, "Log10", 1},
    {ValueOpId::Sinh, "Sinh", 1},
    {ValueOpId::Cosh, "Cosh", 1},
    {ValueOpId::Tanh, "Tanh", 1},
    {ValueOpId::Exp, "Exp", 1},
    {ValueOpId::Sqrt, "Sqrt", 1},
    {ValueOpId::Abs, "Abs", 1},
    {ValueOpId::Floor, "Floor", 1},
    {ValueOpId::Ceil, "Ceil", 1},
    {ValueOpId::IsInf, "IsInf", 1},
    {ValueOpId::IsNan, "IsNan", 1},
    {ValueOpId::Not, "Not", 1},
    {ValueOpId::Transpose, "Transpose", 1},
    {ValueOpId::CTranspose, "CTranspose", 1},
};
static_assert(detail::oneRowPerOperatorInOrder(kOperators), "one row per operator, in ValueOpId order");

bool isOperator(ValueOpId::Type op) noexcept { return op >= 0 && op < ValueOpId::NumValueOps; }

void checkOperator(ValueOpId::Type op) {
  if (!isOperator(op)) {
    qtf::raise(msg::value::InvalidOperator, static_cast<int>(op));
  }
}

struct LowerCaseNames {
  std::string names[ValueOpId::NumValueOps];
  LowerCaseNames() {
    for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
      for (const char* c = kOperators[i].name; *c != '\0'; ++c) {
        names[i] += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
      }
    }
  }
};

using EvaluateFcn = Value (*)(const Context&, ValueOpId::Type, const qtf::Dimension&,
                              const unit_manager::UnitExpression&, const void*, const qtf::Dimension*,
                              const unit_manager::UnitExpression*, const void*);

// Indexed by the first operand's DataTypeId.
constexpr auto kHandlers =
    perTypeTable([](auto tag) -> EvaluateFcn { return &evaluateTyped<typename decltype(tag)::type>; });

}  // namespace

unsigned int ValueOperator::getNumOperands(ValueOpId::Type op) noexcept {
  return isOperator(op) ? kOperators[op].numOperands : 0;
}

const std::string& ValueOperator::getName(ValueOpId::Type op) {
  checkOperator(op);
  static const LowerCaseNames* const table = new LowerCaseNames();  // never freed: references outlive any caller
  return table->names[op];
}

Value ValueOperator::call(ValueOpId::Type op, const Value& first, const Value& second) {
  checkOperator(op);
  const bool binary = kOperators[op].numOperands == 2;
  // The operands' value data read directly; only elements held elsewhere (a reference) go through the public getter.
  const ValueData& a = ValueAccess::data(first);
  const ValueData& b = ValueAccess::data(second);
  const void* firstData = a.getOwnElements() != nullptr ? a.getOwnElements() : first.getGenericValue();
  const void* secondData = nullptr;
  if (binary) {
    secondData = b.getOwnElements() != nullptr ? b.getOwnElements() : second.getGenericValue();
  }
  const qtf::DataTypeId::Type type = a.getDataType();

  // The first operand's type decides the evaluation; a second operand of another type is converted to it.
  qtf::BufferPtr converted;
  if (binary && b.getDataType() != type) {
    const std::size_t count = b.getDimension().getNumElements();
    converted.reset(qtf_calloc(count, qtf::get_type_size(type)));
    qtf::convert_data(count, b.getDataType(), secondData, type, converted.get());
    secondData = converted.get();
  }
  return kHandlers[static_cast<std::size_t>(type)](first.getContext(), op, a.getDimension(), a.getUnit(), firstData,
                                                   binary ? &b.getDimension() : nullptr,
                                                   binary ? &b.getUnit() : nullptr, secondData);
}

}  // namespace data_manager
