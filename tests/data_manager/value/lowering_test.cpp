// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data_manager/datairinfo.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueattributes.hpp"
#include "qtir/qtir.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::Value;
using data_manager::ValueTraitId;
using qtf::DataTypeId;
using qtf::Dimension;
using sorvexa_test::context;
using sorvexa_test::value;

// Lowers into a function of its own; built directly, so no factory is registered here.
class IrInfo : public data_manager::DataIrInfo {
 public:
  IrInfo() : mFunction(mContext, "f") {}
  qtir::Function& getFunction() const override { return mFunction; }
  const qtir::Scope& local() const { return mFunction.getFunctionScope(qtir::FunctionScopeType::Local); }

  std::vector<std::string> statements() const {
    std::vector<std::string> out;
    for (const auto& [target, value] : mFunction.getAssignments()) {
      out.push_back(target.str() + " = " + value.str());
    }
    return out;
  }

 private:
  qtir::Context mContext;
  mutable qtir::Function mFunction;
};

TEST(Lowering, ScalarBecomesAConstantAndDeclaresNothing) {
  IrInfo info;
  const Value v = value("[2.5]:m");
  const qtir::Expression e = v.createExpression(info);
  EXPECT_EQ(e.str(), "2.5");
  EXPECT_EQ(e.getData().getRefCount(), 1);
  EXPECT_TRUE(info.local().getItems().empty());
  EXPECT_TRUE(info.statements().empty());
  EXPECT_FALSE(v.hasAttributes());
}

TEST(Lowering, MatrixIsAssignedElementByElementInRowOrder) {
  IrInfo info;
  const Value v = value("[1,2,3;4,5,6]::int");
  const qtir::Expression e = v.createExpression(info);
  EXPECT_EQ(e.str(), "tmp");
  EXPECT_EQ(e.getData().getRefCount(), 1);
  ASSERT_EQ(info.local().getItems().size(), 1U);
  const auto* variable = dynamic_cast<const qtir::Variable*>(info.local().getItems()[0].get());
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(variable->getType()->declare("tmp"), "int tmp[2][3]");
  const std::vector<std::string> expected = {"tmp[0][0] = 1", "tmp[0][1] = 2", "tmp[0][2] = 3",
                                             "tmp[1][0] = 4", "tmp[1][1] = 5", "tmp[1][2] = 6"};
  EXPECT_EQ(info.statements(), expected);
  EXPECT_TRUE(v.hasAttributes());
}

TEST(Lowering, EveryShapeButOneByOneTakesTheVariablePath) {
  struct Row {
    const char* text;
    const char* declaration;
    std::size_t assignments;
  };
  const Row rows[] = {
      {"[7,8,9]::uchar", "unsigned char tmp[1][3]", 3},
      {"[]", "double tmp[0][0]", 0},
      {"[-;-;-]", "double tmp[3][0]", 0},
      {"[|,|]::char", "char tmp[0][2]", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    IrInfo info;
    value(row.text).createExpression(info);
    ASSERT_EQ(info.local().getItems().size(), 1U);
    const auto& variable = dynamic_cast<const qtir::Variable&>(*info.local().getItems()[0]);
    EXPECT_EQ(variable.getType()->declare("tmp"), row.declaration);
    EXPECT_EQ(info.statements().size(), row.assignments);
  }
}

TEST(Lowering, NamesVariablesAfterTheValueAndNeverReusesOne) {
  IrInfo info;
  Value named = value("[1,2]");
  named.getAttributes().setName("speed");
  EXPECT_EQ(named.createExpression(info).str(), "speed");
  EXPECT_EQ(named.createExpression(info).str(), "speed_1");
  EXPECT_EQ(value("[3,4]").createExpression(info).str(), "tmp");
  EXPECT_EQ(info.local().getItems().size(), 3U);
  EXPECT_EQ(info.statements().size(), 6U);
}

TEST(Lowering, UnresolvedValuesFailAfterDeclaringOnlyForMatrices) {
  IrInfo info;
  const Value scalar(context(), ValueTraitId::Unresolved, DataTypeId::Double, Dimension(1, 1));
  EXPECT_THROW_ID(scalar.createExpression(info), "data_manager:value:QueryUnresolvedValue");
  EXPECT_TRUE(info.local().getItems().empty());

  const Value matrix(context(), ValueTraitId::Unresolved, DataTypeId::Double, Dimension(2, 2));
  EXPECT_THROW_ID(matrix.createExpression(info), "data_manager:value:QueryUnresolvedValue");
  ASSERT_EQ(info.local().getItems().size(), 1U);
  const auto& variable = dynamic_cast<const qtir::Variable&>(*info.local().getItems()[0]);
  ASSERT_NE(variable.getType(), nullptr);
  EXPECT_EQ(variable.getType()->declare("tmp"), "double tmp[2][2]");
  EXPECT_TRUE(info.statements().empty());
}

TEST(Lowering, NameTakenByAnotherItemGivesTheNextUniqueName) {
  IrInfo info;
  qtir::Scope& scope = info.getFunction().getFunctionScope(qtir::FunctionScopeType::Local);
  scope.addGenericScopeItem(qtir::ScopeItemType::Label, "tmp");
  EXPECT_EQ(value("[1,2]").createExpression(info).str(), "tmp_1");
}

}  // namespace
