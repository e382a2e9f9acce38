// SPDX-License-Identifier: Apache-2.0
#include "qtir/qtir.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sorvexa_test/expect.hpp"

namespace {

using qtf::DataTypeId;

TEST(QtirScope, UniqueNamesCountUpFromTheGivenName) {
  const qtir::Context context;
  qtir::Function function(context, "f");
  qtir::Scope& scope = function.getFunctionScope(qtir::FunctionScopeType::Local);
  struct Row {
    const char* asked;
    const char* expected;
  };
  const Row rows[] = {{"", "tmp"}, {"", "tmp_1"}, {"tmp", "tmp_2"}, {"x", "x"}, {"x", "x_1"}, {"x_1", "x_1_1"}};
  for (const Row& row : rows) {
    const std::string name = scope.makeUniqueName(row.asked);
    EXPECT_EQ(name, row.expected) << row.asked;
    scope.addGenericScopeItem(qtir::ScopeItemType::Variable, name);
  }
  EXPECT_THROW_ID(scope.addGenericScopeItem(qtir::ScopeItemType::Variable, "x"), "qtir:scope:DuplicateName");
  EXPECT_THROW_ID(scope.addGenericScopeItem(static_cast<qtir::ScopeItemType::Type>(7), "y"),
                  "qtir:scope:InvalidItemType");
  EXPECT_THROW_ID(function.getFunctionScope(static_cast<qtir::FunctionScopeType::Type>(3)),
                  "qtir:scope:InvalidScopeType");
  // Scopes are separate: a name of the local scope is free in the global one.
  EXPECT_EQ(function.getFunctionScope(qtir::FunctionScopeType::Global).makeUniqueName("x"), "x");
}

TEST(QtirVariable, KeepsItsOwnCopyOfTheType) {
  const qtir::Context context;
  qtir::Function function(context, "f");
  auto& variable = dynamic_cast<qtir::Variable&>(function.getFunctionScope(qtir::FunctionScopeType::Local)
                                                     .addGenericScopeItem(qtir::ScopeItemType::Variable, "v"));
  {
    const qtir::MatrixType type(context.getBuiltinType(DataTypeId::Int), qtf::Dimension(2, 3));
    variable.setType(type);
  }
  ASSERT_NE(variable.getType(), nullptr);
  EXPECT_EQ(variable.getType()->declare("v"), "int v[2][3]");
  EXPECT_THROW_ID(context.getBuiltinType(DataTypeId::Unknown), "qtir:type:InvalidElementType");
}

TEST(QtirConstant, PrintsTheShortestTextThatReadsBack) {
  const qtir::Context context;
  struct Row {
    DataTypeId::Type type;
    double value;
    const char* text;
  };
  const Row rows[] = {
      {DataTypeId::Double, 0.1, "0.1"},
      {DataTypeId::Double, 1.0 / 3.0, "0.3333333333333333"},
      {DataTypeId::Double, 1e300, "1e+300"},
      {DataTypeId::Double, -0.0, "-0"},
      {DataTypeId::UChar, 200, "200"},
      {DataTypeId::Char, -5, "-5"},
      {DataTypeId::Int, -2147483648.0, "-2147483648"},
      {DataTypeId::UInt, 4294967295.0, "4294967295"},
  };
  for (const Row& row : rows) {
    unsigned char bytes[8] = {};
    qtf::convert_data(1, DataTypeId::Double, &row.value, row.type, bytes);
    const qtir::Constant* constant = qtir::Constant::createScalarConstant(context, row.type, bytes);
    EXPECT_EQ(constant->str(), row.text);
    EXPECT_EQ(constant->getRefCount(), 1);
    constant->releaseReference();
  }
}

TEST(QtirFunction, RecordsAssignmentsInOrderAndPrintsThemAsC) {
  const qtir::Context context;
  qtir::Function function(context, "g");
  auto& variable = dynamic_cast<qtir::Variable&>(function.getFunctionScope(qtir::FunctionScopeType::Local)
                                                     .addGenericScopeItem(qtir::ScopeItemType::Variable, "v"));
  variable.setType(qtir::MatrixType(context.getBuiltinType(DataTypeId::Double), qtf::Dimension(1, 2)));
  const double values[] = {1.5, -2};
  for (int j = 0; j < 2; ++j) {
    const qtir::Constant* constant = qtir::Constant::createScalarConstant(context, DataTypeId::Double, &values[j]);
    const qtir::Expression value(*constant);
    constant->releaseReference();
    EXPECT_EQ(value.getData().getRefCount(), 1);
    *variable(qtir::Expression(0), qtir::Expression(j)) = value;
    EXPECT_EQ(value.getData().getRefCount(), 2);  // the statement holds the constant too
  }
  EXPECT_EQ(function.str(), "void g(void) {\n  double v[1][2];\n  v[0][0] = 1.5;\n  v[0][1] = -2;\n}");

  const qtir::Expression literal(3);
  EXPECT_THROW_ID(*literal = literal, "qtir:expression:NotAssignable");
  EXPECT_EQ(function.getAssignments().size(), 2U);
}

TEST(QtirExpression, CopiesAndAssignmentsCountReferences) {
  const qtir::Context context;
  const int one = 1;
  const qtir::Constant* constant = qtir::Constant::createScalarConstant(context, DataTypeId::Int, &one);
  {
    qtir::Expression a(*constant);
    EXPECT_EQ(constant->getRefCount(), 2);
    {
      const qtir::Expression b(a);
      qtir::Expression c(2);
      c = b;
      c = c;
      EXPECT_EQ(constant->getRefCount(), 4);
    }
    EXPECT_EQ(constant->getRefCount(), 2);
  }
  EXPECT_EQ(constant->getRefCount(), 1);
  constant->releaseReference();
}

}  // namespace
