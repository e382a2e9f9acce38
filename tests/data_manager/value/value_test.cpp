// SPDX-License-Identifier: Apache-2.0
//
// Values as shared handles: construction, aliasing, share() and its reference chains, attributes, out of memory.
#include "data_manager/value.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data_manager/datatyperec.hpp"
#include "data_manager/valueattributes.hpp"
#include "sorvexa_test/expect.hpp"
#include "sorvexa_test/internals.hpp"
#include "sorvexa_test/values.hpp"

namespace {

using namespace sorvexa_test;

TEST(Value, NewValueIsZeroFilledCopiesItsDataOrIsUnresolved) {
  for (const DataTypeId::Type type : kElementTypes) {
    SCOPED_TRACE(qtf::get_type_name(type));
    const Value v(context(), ValueTraitId::Resolved, type, Dimension(2, 3));
    EXPECT_EQ(v, valueOf(type, Dimension(2, 3), std::vector<double>(6, 0.0)));
    const Value u(context(), ValueTraitId::Unresolved, type, Dimension(2, 3), unit("m"), v.getGenericValue());
    EXPECT_FALSE(u.isResolved());
    EXPECT_THROW_ID(u.getGenericValue(), "data_manager:value:QueryUnresolvedValue");
  }
  int data[] = {1, 2, 3, 4, 5, 6};
  const Value copied(context(), ValueTraitId::Resolved, DataTypeId::Int, Dimension(3, 2), unit("km"), data);
  data[0] = 99;
  EXPECT_EQ(asDoubles(copied), (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

TEST(Value, ConstructorsRejectInvalidTypeAndTrait) {
  const unit_manager::UnitExpression metre = unit("m");
  const std::int64_t before = qtf::Allocator::liveBlocks();
  for (const int bad : {-1, DataTypeId::NumTypes}) {
    SCOPED_TRACE(bad);
    const auto type = static_cast<DataTypeId::Type>(bad);
    const auto trait = static_cast<ValueTraitId::Type>(bad < 0 ? bad : ValueTraitId::NumTraits);
    EXPECT_THROW_ID(Value(context(), ValueTraitId::Resolved, type, Dimension(1, 1)),
                    "data_manager:value:InvalidDataType");
    EXPECT_THROW_ID(Value(context(), ValueTraitId::Unresolved, type, Dimension(1, 1), metre, nullptr),
                    "data_manager:value:InvalidDataType");
    EXPECT_THROW_ID(Value(context(), trait, DataTypeId::Double, Dimension(1, 1)),
                    "data_manager:value:InvalidValueTrait");
  }
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
}

TEST(Value, CopiesAndAssignedValuesAreAliasesOfOneData) {
  Value original = unresolved(DataTypeId::Double, Dimension(1, 2), "m");
  const Value copy(original);
  Value assigned = value("[7]");
  const Value formerData(assigned);
  assigned = original;
  assigned = copy;  // already its data: nothing changes
  EXPECT_EQ(refCount(original), 3);
  EXPECT_EQ(refCount(formerData), 1);
  Value source = value("[1,2]:m");
  source.share(original);
  for (const Value* alias : {&copy, static_cast<const Value*>(&assigned)}) {
    ASSERT_TRUE(alias->isResolved());
    EXPECT_EQ(alias->getGenericValue(), source.getGenericValue());
  }
  Value& self = source;
  source = self;
  EXPECT_EQ(refCount(source), 2);  // its own handle and the reference
  EXPECT_EQ(source, value("[1,2]:m"));
}

TEST(Value, ShareTurnsTheUnresolvedSideIntoAReferenceInEitherCallOrder) {
  struct Row {
    bool aResolved, bResolved, aCalls, aBecomesReference;
  };
  const Row rows[] = {{false, true, true, true},   {false, true, false, true},  {true, false, true, false},
                      {true, false, false, false}, {false, false, true, false}, {false, false, false, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.aResolved ? "R" : "U") + (row.bResolved ? "R" : "U") +
                 (row.aCalls ? " a.share(b)" : " b.share(a)"));
    Value a = row.aResolved ? value("[1,2]:m") : unresolved(DataTypeId::Double, Dimension(1, 2), "m");
    Value b = row.bResolved ? value("[3,4]:km") : unresolved(DataTypeId::Double, Dimension(1, 2), "km");
    row.aCalls ? a.share(b) : b.share(a);
    const Value& reference = row.aBecomesReference ? a : b;
    const Value& target = row.aBecomesReference ? b : a;
    EXPECT_EQ(referent(reference), dataIdentity(target));
    EXPECT_EQ(referent(target), nullptr);
    EXPECT_EQ(refCount(target), 2);
    EXPECT_EQ(a.isResolved(), row.aResolved || row.bResolved);
    EXPECT_EQ(b.isResolved(), row.aResolved || row.bResolved);
    EXPECT_EQ(a.getUnit(), unit("m"));
    EXPECT_EQ(b.getUnit(), unit("km"));
  }
}

TEST(Value, SharingWithItsOwnDataChangesNothing) {
  for (const ValueTraitId::Type trait : {ValueTraitId::Resolved, ValueTraitId::Unresolved}) {
    Value v(context(), trait, DataTypeId::Double, Dimension(1, 2));
    Value copy(v);
    v.share(v);
    v.share(copy);
    EXPECT_EQ(refCount(v), 2);
    EXPECT_EQ(referent(v), nullptr);
    EXPECT_EQ(v.isResolved(), trait == ValueTraitId::Resolved);
  }
  Value source = value("[1,2]");
  Value tied = unresolved(DataTypeId::Double, Dimension(1, 2));
  tied.share(source);
  tied.share(source);
  source.share(tied);
  EXPECT_EQ(referent(tied), dataIdentity(source));
  EXPECT_EQ(refCount(source), 2);
}

TEST(Value, FailedShareNamesTheWouldBeReferenceFirstAndChangesNothing) {
  struct Row {
    Value a, b;
    bool aCalls;
    std::vector<std::string> thrown;
  };
  const char* const type = "data_manager:value:InconsistentDataType";
  const char* const dimension = "data_manager:value:InconsistentDimension";
  Row rows[] = {
      {value("[1,2]:m"), value("[3,4]:m"), true, {"data_manager:value:OverresolvingValue", "", "", "", ""}},
      {unresolved(DataTypeId::Int, {1, 2}, "m"), value("[1,2]:m"), true, {type, "Int", "Double", "", ""}},
      {unresolved(DataTypeId::Int, {1, 2}, "m"), value("[1,2]:m"), false, {type, "Int", "Double", "", ""}},
      // Both unresolved: the argument of share becomes the reference.
      {unresolved(DataTypeId::Double, {1, 2}),
       unresolved(DataTypeId::Int, {1, 2}),
       true,
       {type, "Int", "Double", "", ""}},
      {unresolved(DataTypeId::Double, {2, 3}), value("[1,2;3,4;5,6]"), false, {dimension, "2x3", "3x2", "", ""}},
      {unresolved(DataTypeId::Double, {1, 2}, "m"),
       value("[1,2]:s"),
       true,
       {"data_manager:value:InconsistentUnits", "m", "s", "", ""}},
      // Type, then dimension, then unit.
      {unresolved(DataTypeId::Int, {2, 3}, "m"), value("[1,2;3,4;5,6]:s"), true, {type, "Int", "Double", "", ""}},
      {unresolved(DataTypeId::Double, {2, 3}, "m"), value("[1,2;3,4;5,6]:s"), true, {dimension, "2x3", "3x2", "", ""}},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.thrown[0] + (row.aCalls ? " a.share(b)" : " b.share(a)"));
    const bool aResolved = row.a.isResolved(), bResolved = row.b.isResolved();
    EXPECT_EQ(thrownMessage([&] { row.aCalls ? row.a.share(row.b) : row.b.share(row.a); }), row.thrown);
    EXPECT_EQ(row.a.isResolved(), aResolved);
    EXPECT_EQ(row.b.isResolved(), bResolved);
    EXPECT_EQ(referent(row.a), nullptr);
    EXPECT_EQ(referent(row.b), nullptr);
    EXPECT_EQ(refCount(row.a) + refCount(row.b), 2);
  }
}

// A chain passes a tie on from its head to its end; every value of the chain then reads the target's numbers in its
// own unit, even after the target's handle is gone.
TEST(Value, ChainOfUnresolvedValuesResolvesWhenItsEndIsTied) {
  Value first = unresolved(DataTypeId::Double, Dimension(1, 2), "m");
  Value second = unresolved(DataTypeId::Double, Dimension(1, 2), "km");
  Value third = unresolved(DataTypeId::Double, Dimension(1, 2), "m");
  second.share(first);  // first refers to second
  third.share(second);  // second refers to third
  ASSERT_EQ(referent(second), dataIdentity(third));
  EXPECT_FALSE(first.isResolved());
  {
    Value source = value("[5,6]:m");
    source.share(first);
    EXPECT_EQ(referent(third), dataIdentity(source));
  }
  for (const Value* v : {&first, &second, &third}) ASSERT_TRUE(v->isResolved());
  EXPECT_EQ(first, value("[5,6]:m"));
  EXPECT_EQ(second, value("[5,6]:km"));
  EXPECT_EQ(third.getGenericValue(), first.getGenericValue());
}

// Runs body on a thread whose stack is far too small for anything that recurses once per link of a long chain.
void runOnSmallStack(const std::function<void()>& body) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
  pthread_t thread;
  const auto run = [](void* fcn) -> void* {
    (*static_cast<const std::function<void()>*>(fcn))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&body)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST(Value, LongReferenceChainBuildsReadsAndDestroysWithoutRecursion) {
  const unit_manager::UnitExpression metre = unit("m");
  const Value source = value("[1,2]:m");
  const auto newUnresolved = [&] {
    return Value(context(), ValueTraitId::Unresolved, DataTypeId::Double, Dimension(1, 2), metre, nullptr);
  };
  const std::int64_t before = qtf::Allocator::liveBlocks();
  runOnSmallStack([&] {
    std::optional<Value> head(newUnresolved());
    std::optional<Value> end(*head);
    for (int i = 0; i < 100000; ++i) {
      Value next = newUnresolved();
      next.share(*end);
      *end = next;
    }
    Value target(source);
    head->share(target);
    ASSERT_TRUE(head->isResolved());
    EXPECT_EQ(head->getGenericValue(), source.getGenericValue());
    // Then the head's handle alone keeps the first value data, and through it the whole chain, alive.
    end.reset();
    head.reset();
  });
  EXPECT_EQ(refCount(source), 1);
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
}

// A copy gets an attribute object of its own only when the source has one; assignment leaves attributes alone.
TEST(ValueAttributes, CopiesGetTheirOwnObjectAndAssignmentLeavesThemAlone) {
  const Value plain = value("[1]");
  Value plainCopy(plain);
  EXPECT_FALSE(plainCopy.hasAttributes());
  EXPECT_EQ(plainCopy.getAttributes().getAttributeValue(), value("[]:1:double"));
  Value named = value("[2]");
  named.getAttributes().setName("x");
  Value namedCopy(named);
  ASSERT_TRUE(namedCopy.hasAttributes());
  EXPECT_EQ(namedCopy.getAttributes().getName(), "x");
  namedCopy.getAttributes().setName("y");
  EXPECT_EQ(named.getAttributes().getName(), "x");
  Value other = value("[3]");
  other = named;
  named = plain;
  EXPECT_FALSE(other.hasAttributes());
  EXPECT_EQ(named.getAttributes().getName(), "x");
}

TEST(ValueAttributes, AssignmentCopiesTheTextsAndSharesTheAttachedData) {
  Value a = value("[1]"), b = value("[2]");
  Value attached = unresolved(DataTypeId::Double, Dimension(1, 2), "m");
  b.getAttributes().setName("b");
  b.getAttributes().setAnnotation("note");
  b.getAttributes().setAttributeValue(attached);
  a.getAttributes() = b.getAttributes();
  EXPECT_EQ(a.getAttributes().getName(), "b");
  EXPECT_EQ(a.getAttributes().getAnnotation(), "note");
  Value source = value("[8,9]:m");
  attached.share(source);
  EXPECT_EQ(a.getAttributes().getAttributeValue(), source);
}

// Constructors have no operand that a failure could change; the sweep checks that they leak nothing.
TEST(ValueOutOfMemory, ConstructorsReleaseEverythingTheyTook) {
  const double data[] = {1, 2, 3, 4, 5, 6};
  const unit_manager::UnitExpression kilometre = unit("km");
  const std::function<void()> constructors[] = {
      [&] { Value v(context(), ValueTraitId::Resolved, DataTypeId::Double, Dimension(2, 3)); },
      [&] { Value v(context(), ValueTraitId::Resolved, DataTypeId::Double, Dimension(2, 3), kilometre, data); },
      [&] { Value v(context(), "[1,2,3;4,5,6]:km:int"); },
  };
  for (const auto& construct : constructors) {
    // Value data, state and element buffer are three blocks at least.
    EXPECT_GE(sweepAllocationFailures(construct, [] {}), 3);
  }
}

TEST(ValueOutOfMemory, CopyShareAndConversionLeaveTheirOperandsUnchanged) {
  Value named = value("[1,2]:km");
  named.getAttributes().setName("x");
  const Value before = deepCopy(named);
  const auto unchanged = [&] {
    EXPECT_EQ(named, before);
    EXPECT_EQ(refCount(named), 1);
    EXPECT_EQ(named.getAttributes().getName(), "x");
  };
  EXPECT_GE(sweepAllocationFailures([&] { Value copy(named); }, unchanged), 1);
  const data_manager::DataTypeRec metres(context(), DataTypeId::Double, unit("m"));
  EXPECT_GE(
      sweepAllocationFailures([&] { std::unique_ptr<Value>(named.createConvertedValue(metres, false)); }, unchanged),
      5);
  Value tied = unresolved(DataTypeId::Double, Dimension(1, 2), "km");
  EXPECT_GE(sweepAllocationFailures([&] { tied.share(named); },
                                    [&] {
                                      EXPECT_FALSE(tied.isResolved());
                                      unchanged();
                                    }),
            1);
  EXPECT_EQ(referent(tied), dataIdentity(named));
}

}  // namespace
