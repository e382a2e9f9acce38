// SPDX-License-Identifier: Apache-2.0
#include "qtir/expression.hpp"

#include <charconv>
#include <cstring>

#include "elementref.hpp"
#include "messages.hpp"
#include "qtf/messageexception.hpp"
#include "qtir/function.hpp"
#include "qtir/scope.hpp"

namespace qtir {
namespace {

// An integer literal, such as an element index.
class IntegerLiteral : public ExpressionData {
 public:
  explicit IntegerLiteral(int value) noexcept : mValue(value) {}
  std::string str() const override { return std::to_string(mValue); }

 private:
  ~IntegerLiteral() override = default;
  int mValue;
};

}  // namespace

ExpressionData::~ExpressionData() = default;

void ExpressionData::releaseReference() const noexcept {
  if (--mRefCount == 0) {
    delete this;
  }
}

Constant::Constant(qtf::DataTypeId::Type type, const void* value) noexcept : mType(type), mBytes{} {
  std::memcpy(mBytes, value, qtf::get_type_size(type));
}

Constant::~Constant() = default;

Constant* Constant::createScalarConstant(const Context&, qtf::DataTypeId::Type type, const void* value) {
  if (!qtf::is_valid_type(type)) {
    qtf::raise(msg::type::InvalidElementType, static_cast<int>(type));
  }
  return new Constant(type, value);
}

double Constant::getValue() const noexcept {
  double out = 0;
  qtf::convert_data(1, mType, mBytes, qtf::DataTypeId::Double, &out);
  return out;
}

std::string Constant::str() const {
  char text[32];
  const double value = getValue();
  // Shortest round-trip text for doubles; every other element type is an integer, which a double holds exactly.
  const auto end = mType == qtf::DataTypeId::Double
                       ? std::to_chars(text, text + sizeof text, value).ptr
                       : std::to_chars(text, text + sizeof text, static_cast<long long>(value)).ptr;
  return std::string(text, end);
}

VariableRef::~VariableRef() = default;

std::string VariableRef::str() const { return mVariable->getName(); }

Function* VariableRef::getFunction() const noexcept { return &mVariable->getScope().getFunction(); }

Expression::Expression(const ExpressionData& data) noexcept : mData(&data) { mData->addReference(); }

Expression::Expression(const int& value) {
  const ExpressionData* literal = new IntegerLiteral(value);
  mData = literal;  // takes over the creator's reference
}

Expression::Expression(const Expression& other) noexcept : mData(other.mData) { mData->addReference(); }

Expression& Expression::operator=(const Expression& other) noexcept {
  other.mData->addReference();
  mData->releaseReference();
  mData = other.mData;
  return *this;
}

Expression::~Expression() { mData->releaseReference(); }

ExpressionLValue& ExpressionLValue::operator=(const Expression& value) {
  Function* function = mTarget.getData().getFunction();
  if (function == nullptr) {
    qtf::raise(msg::expression::NotAssignable, mTarget.str());
  }
  function->addAssignment(mTarget, value);
  return *this;
}

ExpressionLValue operator*(const Expression& expression) { return ExpressionLValue(expression); }

Expression ScopeItem::operator()(const Expression& row, const Expression& column) const {
  const ExpressionData* element = new ElementRef(*this, row, column);
  const Expression expression(*element);
  element->releaseReference();
  return expression;
}

}  // namespace qtir
