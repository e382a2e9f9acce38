// SPDX-License-Identifier: Apache-2.0
//
// Errors whose arguments are fixed empty still say in their sentence which shapes or types were involved, while the
// identifier and the four arguments stay exactly as they were.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data_manager/data_manager.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using namespace sorvexa_test;
namespace dm = data_manager;

struct Thrown {
  std::string identifier;
  std::vector<std::string> arguments;
  std::string detail;
  std::string what;
};

Thrown thrown(const std::function<void()>& statement) {
  try {
    statement();
  } catch (const qtf::MessageException& e) {
    return {e.identifier(), {e.argument(1), e.argument(2), e.argument(3), e.argument(4)}, e.detail(), e.what()};
  }
  return {};
}

TEST(ErrorDetail, ShapeAndTypeErrorsNameWhatWasWrong) {
  struct Row {
    std::function<void()> statement;
    const char* identifier;
    const char* detail;
  };
  const Value m22 = value("[1,2;3,4]"), m23 = value("[1,2,3;4,5,6]"), m32 = value("[1,2;3,4;5,6]");
  const Value r12 = value("[1,2]"), r13 = value("[1,2,3]"), c21 = value("[1;2]"), one = value("2");
  const Row rows[] = {
      {[&] { m22 + r13; }, "data_manager:value:InvalidBinaryOperatorDimension", ": 2x2 and 1x3"},
      {[&] { dm::rdivide(m23, m32); }, "data_manager:value:InvalidBinaryOperatorDimension", ": 2x3 and 3x2"},
      {[&] { dm::and_(r13, c21); }, "data_manager:value:InvalidBinaryOperatorDimension", ": 1x3 and 2x1"},
      {[&] { dm::atan2(value("[|,|]"), r12); }, "data_manager:value:InvalidBinaryOperatorDimension", ": 0x2 and 1x2"},
      {[&] { dm::mldivide(r12, r12); }, "data_manager:value:InvalidElementWiseFirstScalarOperatorDimension",
       ", not 1x2"},
      {[&] { dm::mrdivide(r12, m22); }, "data_manager:value:InvalidElementWiseSecondScalarOperatorDimension",
       ", not 2x2"},
      {[&] { dm::power(m22, value("[]")); }, "data_manager:value:InvalidElementWiseSecondScalarOperatorDimension",
       ", not 0x0"},
      {[&] { dm::mtimes(m23, m23); }, "data_manager:value:InvalidMtimesDimension", ": 2x3 times 2x3"},
      {[&] { dm::mpower(r12, one); }, "data_manager:value:ScalarOperands", ": 1x2 and 1x1"},
      {[&] { dm::mpower(one, m32); }, "data_manager:value:ScalarOperands", ": 1x1 and 3x2"},
      {[&] { dm::sqrt(value("4:1:int")); }, "data_manager:value:InvalidMathOperatorType", ", not int"},
      {[&] { dm::atan2(value("1:1:uchar"), one); }, "data_manager:value:InvalidMathOperatorType", ", not uchar"},
      {[&] { dm::sin(value("[]:1:char")); }, "data_manager:value:InvalidMathOperatorType", ", not char"},
      {[&] { dm::exp(value("1:1:uint")); }, "data_manager:value:InvalidMathOperatorType", ", not uint"},
      {[&] { dm::vertcat(r12, r13); }, "data_manager:value:InconsistentCatDimensions",
       ": operand 2 has 3 columns, operand 1 has 2"},
      {[&] {
         dm::vertcat({value("[]:1:int"), r13, r13, value("1")});
       },
       "data_manager:value:InconsistentCatDimensions", ": operand 4 has 1 column, operand 2 has 3"},
      {[&] { dm::horzcat(c21, r13); }, "data_manager:value:InconsistentCatDimensions",
       ": operand 2 has 1 row, operand 1 has 2"},
      {[&] {
         dm::horzcat({m22, m32});
       },
       "data_manager:value:InconsistentCatDimensions", ": operand 2 has 3 rows, operand 1 has 2"},
      {[&] { dm::vertcat(r12, value("[1,2]:1:int")); }, "data_manager:value:InconsistentCatTypes",
       ": operand 2 is int, operand 1 is double"},
      {[&] {
         dm::horzcat({value("[]"), value("1:1:uchar"), value("1:1:char")});
       },
       "data_manager:value:InconsistentCatTypes", ": operand 3 is char, operand 2 is uchar"},
      {[&] { dm::convert(r12, dm::DataTypeRec(context(), DataTypeId::Int, unit("1")), false); },
       "data_manager:data_type_rec:InvalidDataTypeConversion", ": the data is double, the record int"},
      {[&] { dm::toLinear(value("1:m:uint")); }, "data_manager:data_type_rec:InvalidDataTypeConversion",
       ": the data is uint, the record double"},
      {[&] {
         dm::convert(r12, dm::DataTypeRec(context(), DataTypeId::Double, {2, 1}, unit("1")), false);
       },
       "data_manager:data_type_rec:InconsistentDimensions", ": the data is 1x2, the record 2x1"},
      {[&] {
         dm::getElements<int>(unresolved(DataTypeId::Int, {2, 3}, "km"));
       },
       "data_manager:value:QueryUnresolvedValue", ": 2x3 int in km"},
      {[&] {
         one + unresolved(DataTypeId::UChar, {1, 1}, "m/s");
       },
       "data_manager:value:QueryUnresolvedValue", ": 1x1 uchar in m/s"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.identifier) + row.detail);
    const Thrown e = thrown(row.statement);
    EXPECT_EQ(e.identifier, row.identifier);
    EXPECT_EQ(e.detail, row.detail);
    EXPECT_EQ(e.arguments, (std::vector<std::string>{"", "", "", ""}));
    EXPECT_NE(e.what.find(std::string(row.detail) + " (" + row.identifier + ")"), std::string::npos) << e.what;
  }
}

}  // namespace
