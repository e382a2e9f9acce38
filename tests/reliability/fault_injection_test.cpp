// SPDX-License-Identifier: Apache-2.0
//
// The allocation-failure sweep over every public operation: each operator for
// each element type (with a second operand of the same type and of another
// type), both parsers, printing, the constructors, copies with attributes,
// share, conversions, concatenation, subscripting and lowering, on success paths
// and on error paths that allocate before they fail. For each, allocation 1, 2,
// 3, ... fails in turn until the operation completes; after every failure the
// operands must be unchanged (data, type, dimension, unit, reference count and
// attribute object) and every block taken must be back.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "data_manager/datairinfo.hpp"
#include "data_manager/datatyperec.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueattributes.hpp"
#include "data_manager/valueoperator.hpp"
#include "fuzz_support.hpp"
#include "qtf/allocator.hpp"
#include "qtf/messageexception.hpp"
#include "qtf/subsref.hpp"
#include "qtir/qtir.hpp"
#include "sorvexa_test/internals.hpp"
#include "sorvexa_test/operators.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using data_manager::DataTypeRec;
using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;
using data_manager::ValueTraitId;
using qtf::DataTypeId;
using qtf::Dimension;
using sorvexa_test::context;
using sorvexa_test::refCount;
using sorvexa_test::unit;
using sorvexa_test::value;
using sorvexa_test::valueOf;

const DataTypeId::Type kTypes[] = {DataTypeId::UChar, DataTypeId::Double, DataTypeId::Int, DataTypeId::UInt,
                                   DataTypeId::Char};

// The fuzz targets' IR info: lowers into a function of its own, and no factory is registered.
using sorvexa_fuzz::FunctionInfo;

// Runs statement and expects it to fail with the library error id; std::bad_alloc passes through to the sweep.
template <typename Fcn>
void expectError(const std::string& id, Fcn&& statement) {
  try {
    statement();
  } catch (const qtf::MessageException& e) {
    EXPECT_EQ(e.identifier(), id);
    return;
  }
  ADD_FAILURE() << "no error, expected " << id;
}

// What an operand was before the sweep.
struct Before {
  const Value* value;
  Value copy;
  std::int32_t refCount;
  bool hasAttributes;
  std::string name;
};

class Sweeper {
 public:
  // Sweeps operation over operands and expects at least minimumPoints allocation points; extraCheck adds expectations
  // of its own after every failure.
  template <typename Operation, typename Check = void (*)()>
  void sweep(
      const std::string& what, const std::vector<const Value*>& operands, int minimumPoints, Operation&& operation,
      Check&& extraCheck = [] {}) {
    SCOPED_TRACE(what);
    std::vector<Before> before;
    for (const Value* v : operands) {
      before.push_back({v, sorvexa_test::deepCopy(*v), refCount(*v), v->hasAttributes(),
                        v->hasAttributes() ? v->getAttributes().getName() : ""});
    }
    const int points = sorvexa_test::sweepAllocationFailures(operation, [&] {
      for (const Before& b : before) {
        EXPECT_TRUE(*b.value == b.copy) << "operand changed to " << b.value->toString();
        EXPECT_EQ(refCount(*b.value), b.refCount);
        EXPECT_EQ(b.value->hasAttributes(), b.hasAttributes);
        EXPECT_EQ(b.value->hasAttributes() ? b.value->getAttributes().getName() : "", b.name);
      }
      extraCheck();
    });
    EXPECT_GE(points, minimumPoints);
    mPoints += points;
    ++mOperations;
  }

  // For operations that give their operand an attribute object when they complete: every attempt gets a fresh operand
  // from make(), built before the failure is armed. After a failure the operand must be as it was, without an
  // attribute object, and the blocks back; after completion, destroying the operand must give back every block.
  template <typename Make, typename Operation>
  void sweepFreshOperand(const std::string& what, int minimumPoints, Make&& make, Operation&& operation) {
    SCOPED_TRACE(what);
    const std::int64_t atStart = qtf::Allocator::liveBlocks();
    for (std::uint64_t n = 1; n < 100000; ++n) {
      bool reached = false;
      {
        const Value operand = make();
        const Value copy = sorvexa_test::deepCopy(operand);
        const std::int32_t refs = refCount(operand);
        const bool hadAttributes = operand.hasAttributes();
        const std::int64_t before = qtf::Allocator::liveBlocks();
        qtf::Allocator::failAllocation(n);
        bool failed = false;
        try {
          operation(operand);
        } catch (const std::bad_alloc&) {
          failed = true;
        }
        reached = !qtf::Allocator::failurePending();
        qtf::Allocator::failAllocation(0);
        EXPECT_EQ(failed, reached) << "allocation point " << n;
        if (reached) {
          EXPECT_EQ(qtf::Allocator::liveBlocks(), before) << "allocation point " << n;
          EXPECT_TRUE(operand == copy) << "allocation point " << n;
          EXPECT_EQ(refCount(operand), refs) << "allocation point " << n;
          EXPECT_EQ(operand.hasAttributes(), hadAttributes) << "allocation point " << n;
        }
      }
      EXPECT_EQ(qtf::Allocator::liveBlocks(), atStart) << "allocation point " << n << " once the operand is gone";
      if (!reached) {
        EXPECT_GE(static_cast<int>(n - 1), minimumPoints);
        mPoints += static_cast<int>(n - 1);
        ++mOperations;
        return;
      }
    }
    ADD_FAILURE() << "the operation never completed";
  }

  int points() const { return mPoints; }
  int operations() const { return mOperations; }

 private:
  int mPoints = 0;
  int mOperations = 0;
};

// n elements 1, 2, 3, ... (nonzero, so that no integer division divides by zero).
std::vector<double> counting(std::size_t n, double first = 1) {
  std::vector<double> xs;
  for (std::size_t i = 0; i < n; ++i) {
    xs.push_back(first + static_cast<double>(i));
  }
  return xs;
}

Value matrix(DataTypeId::Type type, const Dimension& d, const std::string& unitText, double first = 1) {
  return valueOf(type, d, counting(d.getNumElements(), first), unitText);
}

bool isMath(ValueOpId::Type op) { return op >= ValueOpId::Sin && op <= ValueOpId::Sqrt; }

// Operands that every rule of op accepts: shapes for its dimension rule, units for its propagation rule.
std::pair<Value, Value> operandsFor(ValueOpId::Type op, DataTypeId::Type first, DataTypeId::Type second) {
  switch (op) {
    case ValueOpId::MTimes:
      return {matrix(first, Dimension(2, 3), "m"), matrix(second, Dimension(3, 2), "s")};
    case ValueOpId::MPower:
      return {matrix(first, Dimension(1, 1), "m", 2), matrix(second, Dimension(1, 1), "1", 3)};
    case ValueOpId::Power:
      return {matrix(first, Dimension(2, 2), "m"), matrix(second, Dimension(1, 1), "1", 2)};
    case ValueOpId::MrDivide:
      return {matrix(first, Dimension(2, 2), "m"), matrix(second, Dimension(1, 1), "s", 2)};
    case ValueOpId::MlDivide:
      return {matrix(first, Dimension(1, 1), "m", 2), matrix(second, Dimension(2, 2), "s")};
    default: {
      const bool sameQuantity = op == ValueOpId::Plus || op == ValueOpId::Minus || op == ValueOpId::Atan2 ||
                                (op >= ValueOpId::Eq && op <= ValueOpId::Ge);
      return {matrix(first, Dimension(2, 3), "m"), matrix(second, Dimension(2, 3), sameQuantity ? "km" : "s", 2)};
    }
  }
}

void sweepOperators(Sweeper& sweeper) {
  for (const DataTypeId::Type type : kTypes) {
    const DataTypeId::Type other = type == DataTypeId::Double ? DataTypeId::Int : DataTypeId::Double;
    for (int i = 0; i < ValueOpId::NumValueOps; ++i) {
      const auto op = static_cast<ValueOpId::Type>(i);
      const bool binary = ValueOperator::getNumOperands(op) == 2;
      for (const DataTypeId::Type second : {type, other}) {
        if (!binary && second != type) {
          continue;
        }
        const std::pair<Value, Value> operands = operandsFor(op, type, second);
        const Value& a = operands.first;
        const Value& b = operands.second;
        const std::string what =
            ValueOperator::getName(op) + " " + qtf::get_type_name(type) + " with " + qtf::get_type_name(second);
        if (isMath(op) && type != DataTypeId::Double) {
          sweeper.sweep(what, {&a, &b}, 0, [&] {
            expectError("data_manager:value:InvalidMathOperatorType", [&] { ValueOperator::call(op, a, b); });
          });
        } else {
          sweeper.sweep(what, {&a, &b}, 1, [&] { ValueOperator::call(op, a, b); });
        }
      }
    }
  }
}

void sweepTextAndConstructors(Sweeper& sweeper) {
  for (const DataTypeId::Type type : kTypes) {
    const std::string name = qtf::get_type_name_lower(type);
    sweeper.sweep("parse " + name, {}, 1, [&] { Value v(context(), "[1,2,3;4,5,6]:km:" + name); });
    const Value v = value("[1,2,3;4,5,6]:km:" + name);
    sweeper.sweep("print " + name, {&v}, 0, [&] {
      std::ostringstream out;
      out << v << v.toString();
    });
    const std::vector<unsigned char> zeros(48, 0);
    sweeper.sweep("resolved from a buffer " + name, {}, 1, [&] {
      Value r(context(), ValueTraitId::Resolved, type, Dimension(2, 3), unit("m/s"), zeros.data());
    });
    sweeper.sweep("zero-filled " + name, {}, 1,
                  [&] { Value r(context(), ValueTraitId::Resolved, type, Dimension(4, 5)); });
    sweeper.sweep("unresolved " + name, {}, 1,
                  [&] { Value r(context(), ValueTraitId::Unresolved, type, Dimension(2, 3), unit("m"), nullptr); });
  }
  sweeper.sweep("parse a unit text", {}, 1, [&] { Value v(context(), "[1,2]:kg*m^(1/2)/s^(3/2)"); });
  std::string longRow = "[";
  for (int i = 0; i < 1000; ++i) {
    longRow += std::to_string(i) + ".5,";
  }
  longRow += "-0.5e3]:m:int";
  sweeper.sweep("parse a long row", {}, 1, [&] { Value v(context(), longRow); });
  const struct {
    const char* text;
    const char* id;
  } errors[] = {
      {"[1,2;3]:m", "data_manager:value:InvalidStringDataSpecification"},
      {"[1,x;3,4]:m:int", "qtf:string:InvalidNumber"},
      {"[1]:m:quad", "data_manager:value:InvalidStringTypeSpecification"},
      {"[1]:furlong", "unit_manager:parser:UnknownUnit"},
      {"[1]:((m)", "unit_manager:parser:InvalidUnitExpression"},
      {"[1]:m:int:x", "data_manager:value:InvalidStringValueSpecification"},
  };
  for (const auto& row : errors) {
    sweeper.sweep(std::string("parse ") + row.text, {}, 0,
                  [&] { expectError(row.id, [&] { Value v(context(), row.text); }); });
  }
  sweeper.sweep("invalid trait", {}, 0, [&] {
    expectError("data_manager:value:InvalidValueTrait",
                [&] { Value v(context(), static_cast<ValueTraitId::Type>(2), DataTypeId::Double, Dimension(1, 1)); });
  });

  sweeper.sweep("type record constructors, copy and assignment", {}, 3, [&] {
    const DataTypeRec fixed(context(), DataTypeId::Int, Dimension(2, 2), unit("km"));
    const DataTypeRec variable(context(), DataTypeId::Double, unit("m"));
    DataTypeRec copy(fixed);
    copy = variable;
  });
}

void sweepCopiesSharesAndAttributes(Sweeper& sweeper) {
  Value named = value("[1,2;3,4]:km");
  named.getAttributes().setName("x");
  named.getAttributes().setAnnotation("distance");
  sweeper.sweep("copy with attributes", {&named}, 1, [&] { Value copy(named); });
  const Value plain = value("[1,2;3,4]:km:int");
  sweeper.sweep("attribute object on first use", {&plain}, 1, [&] {
    Value handle(plain);
    handle.getAttributes().setName("y");
  });
  sweeper.sweep("assignment", {&plain, &named}, 0, [&] {
    Value handle(plain);
    handle = named;
  });

  struct ShareCase {
    const char* what;
    Value first;
    Value second;
    const char* id;  // nullptr for a share that succeeds
  };
  ShareCase cases[] = {
      {"unresolved shares resolved", sorvexa_test::unresolved(DataTypeId::Int, Dimension(2, 2), "m"),
       value("[1,2;3,4]:km:int"), nullptr},
      {"resolved shares unresolved", value("[1,2;3,4]:km:int"),
       sorvexa_test::unresolved(DataTypeId::Int, Dimension(2, 2), "m"), nullptr},
      {"unresolved shares unresolved", sorvexa_test::unresolved(DataTypeId::Char, Dimension(1, 3), "s"),
       sorvexa_test::unresolved(DataTypeId::Char, Dimension(1, 3), "h"), nullptr},
      {"both resolved", value("[1]"), value("[2]"), "data_manager:value:OverresolvingValue"},
      {"other type", sorvexa_test::unresolved(DataTypeId::Int, Dimension(1, 1)), value("[2]"),
       "data_manager:value:InconsistentDataType"},
      {"other units", sorvexa_test::unresolved(DataTypeId::Double, Dimension(1, 1), "s"), value("[2]:m"),
       "data_manager:value:InconsistentUnits"},
  };
  for (ShareCase& c : cases) {
    // The resolved sides are snapshotted; an unresolved side must stay unresolved.
    std::vector<const Value*> resolved;
    for (const Value* v : {&c.first, &c.second}) {
      if (v->isResolved()) {
        resolved.push_back(v);
      }
    }
    const bool firstResolved = c.first.isResolved();
    const bool secondResolved = c.second.isResolved();
    const auto staysUnresolved = [&] {
      EXPECT_EQ(c.first.isResolved(), firstResolved);
      EXPECT_EQ(c.second.isResolved(), secondResolved);
    };
    sweeper.sweep(
        std::string("share: ") + c.what, resolved, 0,
        [&] {
          if (c.id != nullptr) {
            expectError(c.id, [&] { c.first.share(c.second); });
            staysUnresolved();
          } else {
            c.first.share(c.second);
          }
        },
        staysUnresolved);
  }
}

void sweepConversions(Sweeper& sweeper) {
  const Value plain = value("[1,2.5;-3,4]:km");
  const Value integers = value("[1,2;3,4]:km:int");
  const Value celsius = value("[0,100]:degC");
  Value named = value("[1,2]:ft");
  named.getAttributes().setName("length");
  const DataTypeRec metres(context(), DataTypeId::Double, unit("m"));
  const DataTypeRec fixedIntMetres(context(), DataTypeId::Int, Dimension(2, 2), unit("m"));
  const DataTypeRec kelvin(context(), DataTypeId::Double, unit("K"));
  sweeper.sweepFreshOperand(
      "convert a value without attributes", 1, [] { return value("[1,2.5;-3,4]:km"); },
      [&](const Value& v) { std::unique_ptr<Value>(v.createConvertedValue(metres, false)); });
  sweeper.sweep("convert a named value", {&named}, 1,
                [&] { std::unique_ptr<Value>(named.createConvertedValue(metres, false)); });
  const auto freshIntegers = [] { return value("[1,2;3,4]:km:int"); };
  const auto freshCelsius = [] { return value("[0,100]:degC"); };
  sweeper.sweepFreshOperand("convert into a fixed record", 1, freshIntegers, [&](const Value& v) {
    std::unique_ptr<Value>(v.createConvertedValue(fixedIntMetres, false));
  });
  sweeper.sweepFreshOperand("convert affine", 1, freshCelsius,
                            [&](const Value& v) { std::unique_ptr<Value>(v.createConvertedValue(kelvin, true)); });
  sweeper.sweepFreshOperand("linear", 1, freshCelsius, [](const Value& v) { std::unique_ptr<Value>(v.linear()); });
  sweeper.sweepFreshOperand("affine", 1, freshCelsius, [](const Value& v) { std::unique_ptr<Value>(v.affine()); });
  sweeper.sweep("convert into another type", {&plain}, 0, [&] {
    expectError("data_manager:data_type_rec:InvalidDataTypeConversion",
                [&] { std::unique_ptr<Value>(plain.createConvertedValue(fixedIntMetres, false)); });
  });
  sweeper.sweep("convert into incommensurate units", {&celsius}, 0, [&] {
    expectError("unit_manager:unit:IncommensurateUnits",
                [&] { std::unique_ptr<Value>(celsius.createConvertedValue(metres, false)); });
  });
  sweeper.sweep("linear of an integer value", {&integers}, 0, [&] {
    expectError("data_manager:data_type_rec:InvalidDataTypeConversion",
                [&] { std::unique_ptr<Value>(integers.linear()); });
  });
}

void sweepConcatenationSubscriptsAndLowering(Sweeper& sweeper) {
  for (const DataTypeId::Type type : kTypes) {
    const std::string name = qtf::get_type_name(type);
    const Value a = matrix(type, Dimension(2, 3), "m");
    const Value b = matrix(type, Dimension(1, 3), "km", 7);
    const Value c = matrix(type, Dimension(2, 1), "m", 9);
    const Value empty(context(), ValueTraitId::Resolved, DataTypeId::Int, Dimension(0, 0));
    sweeper.sweep("vertcat " + name, {&a, &b, &empty}, 1, [&] { data_manager::vertcat({a, empty, b}); });
    sweeper.sweep("vertcat pair " + name, {&a, &b}, 1, [&] { data_manager::vertcat(a, b); });
    sweeper.sweep("horzcat " + name, {&a, &c, &empty}, 1, [&] { data_manager::horzcat({empty, a, c}); });
    sweeper.sweep("horzcat pair " + name, {&a, &c}, 1, [&] { data_manager::horzcat(a, c); });
    sweeper.sweep("vertcat of mismatched widths " + name, {&a, &c}, 0, [&] {
      expectError("data_manager:value:InconsistentCatDimensions", [&] { data_manager::vertcat(a, c); });
    });
    const qtf::SubsRef ref(a.getDimension(), {1, 0, 1}, qtf::SubsRef::Index::all());
    sweeper.sweep("subscript " + name, {&a}, 1, [&] { Value selected(a, ref); });
    sweeper.sweep("subscript for another shape " + name, {&b}, 0, [&] {
      expectError("data_manager:value:InconsistentSubscriptDimension", [&] { Value selected(b, ref); });
    });
    sweeper.sweepFreshOperand(
        "lower a matrix " + name, 1, [&] { return matrix(type, Dimension(2, 3), "m"); },
        [](const Value& v) {
          FunctionInfo info;
          v.createExpression(info);
        });
    Value named = matrix(type, Dimension(3, 1), "m");
    named.getAttributes().setName("x");
    sweeper.sweep("lower a named matrix " + name, {&named}, 0, [&] {
      FunctionInfo info;
      named.createExpression(info);
    });
    const Value scalar = matrix(type, Dimension(1, 1), "m", 5);
    sweeper.sweep("lower a scalar " + name, {&scalar}, 0, [&] {
      FunctionInfo info;
      scalar.createExpression(info);
    });
  }
  sweeper.sweep("vertcat of mismatched types", {}, 0, [&] {
    expectError("data_manager:value:InconsistentCatTypes",
                [&] { data_manager::vertcat(value("[1,2]:m:int"), value("[1,2]:m")); });
  });
}

TEST(FaultInjection, EveryPublicOperationReleasesEverythingAndLeavesItsOperandsAloneWhenAnAllocationFails) {
  // The operator tables are built on first use and kept for the process; build them before anything is counted.
  for (const DataTypeId::Type type : kTypes) {
    const Value v = matrix(type, Dimension(1, 1), "1");
    for (int op = 0; op < ValueOpId::NumValueOps; ++op) {
      try {
        ValueOperator::call(static_cast<ValueOpId::Type>(op), v, v);
      } catch (const qtf::MessageException&) {
        // Math on integer types fails; its table is built all the same.
      }
    }
  }
  Sweeper sweeper;
  sweepOperators(sweeper);
  sweepTextAndConstructors(sweeper);
  sweepCopiesSharesAndAttributes(sweeper);
  sweepConversions(sweeper);
  sweepConcatenationSubscriptsAndLowering(sweeper);
  std::cout << "fault injection: swept " << sweeper.points() << " allocation points over " << sweeper.operations()
            << " operations\n";
}

}  // namespace
