// SPDX-License-Identifier: Apache-2.0
//
// Lowering into the intermediate representation: a constant for a 1-by-1 value, otherwise a matrix variable assigned
// element by element in row order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data_manager/datairinfo.hpp"
#include "data_manager/valueattributes.hpp"
#include "qtir/qtir.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using namespace sorvexa_test;

// Lowers into a function of its own; built directly, so no factory is registered here.
class IrInfo : public data_manager::DataIrInfo {
 public:
  IrInfo() : mFunction(mContext, "f") {}
  qtir::Function& getFunction() const override { return mFunction; }
  qtir::Scope& local() const { return mFunction.getFunctionScope(qtir::FunctionScopeType::Local); }

  // The declarations of the local scope, then the assignments, one line each.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const auto& item : local().getItems()) {
      const auto* variable = dynamic_cast<const qtir::Variable*>(item.get());
      out.push_back(variable && variable->getType() ? variable->getType()->declare(item->getName()) : item->getName());
    }
    for (const auto& [target, value] : mFunction.getAssignments()) out.push_back(target.str() + " = " + value.str());
    return out;
  }

 private:
  qtir::Context mContext;
  mutable qtir::Function mFunction;
};

TEST(Lowering, ScalarsBecomeConstantsAndEveryOtherShapeAVariable) {
  struct Row {
    const char* text;
    const char* expression;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"[2.5]:m", "2.5", {}},
      {"[1,2,3;4,5,6]::int",
       "tmp",
       {"int tmp[2][3]", "tmp[0][0] = 1", "tmp[0][1] = 2", "tmp[0][2] = 3", "tmp[1][0] = 4", "tmp[1][1] = 5",
        "tmp[1][2] = 6"}},
      {"[7;8]::uchar", "tmp", {"unsigned char tmp[2][1]", "tmp[0][0] = 7", "tmp[1][0] = 8"}},
      {"[]", "tmp", {"double tmp[0][0]"}},
      {"[-;-;-]", "tmp", {"double tmp[3][0]"}},
      {"[|,|]::char", "tmp", {"char tmp[0][2]"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    IrInfo info;
    const qtir::Expression e = value(row.text).createExpression(info);
    EXPECT_EQ(e.str(), row.expression);
    EXPECT_EQ(e.getData().getRefCount(), 1);
    EXPECT_EQ(info.lines(), row.lines);
  }
}

TEST(Lowering, NamesVariablesAfterTheValueAndNeverReusesOne) {
  IrInfo info;
  info.local().addGenericScopeItem(qtir::ScopeItemType::Label, "tmp");
  Value named = value("[1,2]");
  named.getAttributes().setName("speed");
  EXPECT_EQ(named.createExpression(info).str(), "speed");
  EXPECT_EQ(named.createExpression(info).str(), "speed_1");
  EXPECT_EQ(value("[3,4]").createExpression(info).str(), "tmp_1");
  EXPECT_EQ(info.lines().size(), 4U + 6U);
}

TEST(Lowering, UnresolvedValuesFailAfterDeclaringOnlyForMatrices) {
  IrInfo info;
  EXPECT_THROW_ID(unresolved(DataTypeId::Double, Dimension(1, 1)).createExpression(info),
                  "data_manager:value:QueryUnresolvedValue");
  EXPECT_TRUE(info.lines().empty());
  EXPECT_THROW_ID(unresolved(DataTypeId::Double, Dimension(2, 2)).createExpression(info),
                  "data_manager:value:QueryUnresolvedValue");
  EXPECT_EQ(info.lines(), std::vector<std::string>{"double tmp[2][2]"});
}

}  // namespace
