// SPDX-License-Identifier: Apache-2.0
//
// Expressions of the representation: reference-counted expression data
// (constants, integer literals, variable references, element references),
// Expression handles that hold a reference each, and l-values whose
// assignment records a statement in the function.
#ifndef QTIR_EXPRESSION_HPP
#define QTIR_EXPRESSION_HPP

#include <cstdint>
#include <string>

#include "qtf/datatypeid.hpp"
#include "qtir/qtir_export.hpp"

namespace qtir {

class Context;
class Function;
class ScopeItem;
class Variable;

// Expression data carries a count of its holders and is destroyed when the last one releases it. A creator holds the
// first reference.
class QTIR_EXPORT ExpressionData {
 public:
  ExpressionData(const ExpressionData&) = delete;
  ExpressionData& operator=(const ExpressionData&) = delete;

  void addReference() const noexcept { ++mRefCount; }
  void releaseReference() const noexcept;
  std::int32_t getRefCount() const noexcept { return mRefCount; }

  // C-like text: "2.5", "tmp", "tmp[0][1]".
  virtual std::string str() const = 0;
  // The function whose variable the expression names, or null (constants, literals).
  virtual Function* getFunction() const noexcept { return nullptr; }

 protected:
  ExpressionData() noexcept = default;
  virtual ~ExpressionData();

 private:
  mutable std::int32_t mRefCount = 1;
};

// A scalar constant of an element type.
class QTIR_EXPORT Constant : public ExpressionData {
 public:
  // A new constant of type holding the element at value; the caller holds its one reference. Throws
  // "qtir:type:InvalidElementType" for a bad type.
  static Constant* createScalarConstant(const Context& context, qtf::DataTypeId::Type type, const void* value);

  qtf::DataTypeId::Type getElementType() const noexcept { return mType; }
  // The value widened to double (exact for every element type).
  double getValue() const noexcept;
  // The shortest text that reads back to the same value; the 8-bit types print as numbers.
  std::string str() const override;

 private:
  Constant(qtf::DataTypeId::Type type, const void* value) noexcept;
  ~Constant() override;
  qtf::DataTypeId::Type mType;
  unsigned char mBytes[8];
};

// A reference to a variable. new VariableRef(v) hands the caller its one reference.
class QTIR_EXPORT VariableRef : public ExpressionData {
 public:
  explicit VariableRef(const Variable& variable) noexcept : mVariable(&variable) {}
  const Variable& getVariable() const noexcept { return *mVariable; }
  std::string str() const override;
  Function* getFunction() const noexcept override;

 private:
  ~VariableRef() override;
  const Variable* mVariable;
};

class Expression;

// A handle holding one reference to its expression data.
class QTIR_EXPORT Expression {
 public:
  // Takes a reference of its own to data.
  explicit Expression(const ExpressionData& data) noexcept;
  // An integer literal.
  explicit Expression(const int& value);
  Expression(const Expression& other) noexcept;
  Expression& operator=(const Expression& other) noexcept;
  ~Expression();

  const ExpressionData& getData() const noexcept { return *mData; }
  std::string str() const { return mData->str(); }

 private:
  const ExpressionData* mData;
};

// The target of an assignment.
class QTIR_EXPORT ExpressionLValue {
 public:
  explicit ExpressionLValue(const Expression& target) : mTarget(target) {}
  // Records "target = value;" as the next statement of the target's function. Throws "qtir:expression:NotAssignable"
  // when the target names no variable.
  ExpressionLValue& operator=(const Expression& value);

 private:
  Expression mTarget;
};

// The l-value of an element expression.
QTIR_EXPORT ExpressionLValue operator*(const Expression& expression);

}  // namespace qtir

#endif  // QTIR_EXPRESSION_HPP
