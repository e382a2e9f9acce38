// SPDX-License-Identifier: Apache-2.0
#include "data_manager/valueoperator.hpp"

#include <cctype>
#include <memory>

#include "kernel/messages.hpp"
#include "kernel/operator/operatortable.hpp"
#include "qtf/allocator.hpp"
#include "qtf/datatypeid.hpp"

namespace data_manager {
namespace {

const unsigned int kNumOperands[ValueOpId::NumValueOps + 1] = {
    2, 1, 2, 1, 2, 2, 2, 2, 2, 2,  // Plus .. MrDivide
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // LDivide .. Or
    1, 1, 1, 1, 1, 1, 2, 1, 1, 1,  // Sin .. Sinh
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // Cosh .. Not
    1, 1,                          // Transpose, CTranspose
    0,                             // NumValueOps
};

const char* const kNames[ValueOpId::NumValueOps] = {
    "Plus",     "UPlus",   "Minus",   "UMinus", "MTimes",    "Times",      "MPower", "Power", "MlDivide",
    "MrDivide", "LDivide", "RDivide", "Eq",     "Ne",        "Lt",         "Gt",     "Le",    "Ge",
    "And",      "Or",      "Sin",     "Cos",    "Tan",       "ASin",       "ACos",   "ATan",  "Atan2",
    "Log",      "Log10",   "Sinh",    "Cosh",   "Tanh",      "Exp",        "Sqrt",   "Abs",   "Floor",
    "Ceil",     "IsInf",   "IsNan",   "Not",    "Transpose", "CTranspose",
};

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
      for (const char* c = kNames[i]; *c != '\0'; ++c) {
        names[i] += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
      }
    }
  }
};

using EvaluateFcn = Value (*)(const Context&, ValueOpId::Type, const qtf::Dimension&,
                              const unit_manager::UnitExpression&, const void*, const qtf::Dimension*,
                              const unit_manager::UnitExpression*, const void*);

const EvaluateFcn kHandlers[] = {
    &evaluateTyped<unsigned char>,  // 0 UChar
    &evaluateTyped<double>,         // 1 Double
    &evaluateTyped<int>,            // 2 Int
    &evaluateTyped<unsigned int>,   // 3 UInt
    &evaluateTyped<char>,           // 4 Char (signed 8-bit)
};
static_assert(std::size(kHandlers) == qtf::DataTypeId::NumTypes, "one entry per DataTypeId");
static_assert(static_cast<char>(-1) < 0, "the Char element type is signed");

struct BufferDeleter {
  void operator()(void* block) const noexcept { qtf_free(block); }
};

}  // namespace

unsigned int ValueOperator::getNumOperands(ValueOpId::Type op) noexcept {
  return op >= 0 && op <= ValueOpId::NumValueOps ? kNumOperands[op] : 0;
}

const std::string& ValueOperator::getName(ValueOpId::Type op) {
  checkOperator(op);
  static const LowerCaseNames* const table = new LowerCaseNames();  // never freed: references outlive any caller
  return table->names[op];
}

Value ValueOperator::call(ValueOpId::Type op, const Value& first, const Value& second) {
  checkOperator(op);
  const bool binary = kNumOperands[op] == 2;
  const void* firstData = first.getGenericValue();
  const void* secondData = binary ? second.getGenericValue() : nullptr;
  const qtf::DataTypeId::Type type = first.getDataType();

  // The first operand's type decides the evaluation; a second operand of another type is converted to it.
  std::unique_ptr<void, BufferDeleter> converted;
  if (binary && second.getDataType() != type) {
    const std::size_t count = second.getDimension().getNumElements();
    converted.reset(qtf_calloc(count, qtf::get_type_size(type)));
    qtf::convert_data(count, second.getDataType(), secondData, type, converted.get());
    secondData = converted.get();
  }
  return kHandlers[type](first.getContext(), op, first.getDimension(), first.getUnit(), firstData,
                         binary ? &second.getDimension() : nullptr, binary ? &second.getUnit() : nullptr, secondData);
}

}  // namespace data_manager
