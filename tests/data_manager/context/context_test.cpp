// SPDX-License-Identifier: Apache-2.0
#include "data_manager/context.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "data_manager/datairinfo.hpp"
#include "qtf/allocator.hpp"
#include "qtir/function.hpp"
#include "sorvexa_test/expect.hpp"
#include "unit_manager/context.hpp"

namespace {

using data_manager::Context;
using data_manager::DataIrInfo;

TEST(Context, CreatedContextTakesOverTheTimeUnit) {
  const unit_manager::StandardContext seconds;
  const unit_manager::StandardContext hours(unit_manager::findUnit("h"));
  for (const unit_manager::Context* unitContext :
       {static_cast<const unit_manager::Context*>(&seconds), static_cast<const unit_manager::Context*>(&hours)}) {
    std::unique_ptr<Context> context(Context::create(*unitContext));
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(&context->getUnitContext(), unitContext);
    EXPECT_EQ(context->getTimeUnit(), unit_manager::UnitExpression(unitContext->timeUnit()));
  }
  std::unique_ptr<Context> context(Context::create(hours));
  EXPECT_EQ(context->getTimeUnit().convertToString(), "h");
}

TEST(Context, NoTimeUnitThrowsAndReleasesTheHalfBuiltContext) {
  const unit_manager::StandardContext none(nullptr);
  const std::int64_t before = qtf::Allocator::liveBlocks();
  try {
    std::unique_ptr<Context> context(Context::create(none));
    ADD_FAILURE() << "created";
  } catch (const qtf::MessageException& e) {
    EXPECT_STREQ(e.identifier(), "data_manager:context:TimeUnitNotSpecified");
    for (int i = 1; i <= 4; ++i) {
      EXPECT_EQ(e.argument(i), "");
    }
  }
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
}

TEST(Context, OutOfMemoryGivesNull) {
  const unit_manager::StandardContext unitContext;
  qtf::Allocator::failAllocation(1);
  EXPECT_EQ(Context::create(unitContext), nullptr);
}

// A context that is not the library's: registering its factory must not displace the library's own.
class ForeignContext : public Context {
 public:
  const unit_manager::Context& getUnitContext() const override { return mUnitContext; }
  const unit_manager::UnitExpression& getTimeUnit() const override { return mUnit; }

 private:
  unit_manager::StandardContext mUnitContext;
  unit_manager::UnitExpression mUnit;
};

Context* foreignFactory(const unit_manager::Context&) { return new ForeignContext; }

TEST(Context, LaterFactoryRegistrationIsAcceptedButIgnored) {
  EXPECT_TRUE(Context::registerContextFactory(&foreignFactory));
  const unit_manager::StandardContext unitContext;
  std::unique_ptr<Context> context(Context::create(unitContext));
  EXPECT_EQ(dynamic_cast<ForeignContext*>(context.get()), nullptr);
  EXPECT_EQ(&context->getUnitContext(), &unitContext);
}

TEST(Context, AssignmentChangesNothing) {
  const unit_manager::StandardContext seconds;
  const unit_manager::StandardContext hours(unit_manager::findUnit("h"));
  std::unique_ptr<Context> a(Context::create(seconds));
  std::unique_ptr<Context> b(Context::create(hours));
  *a = *b;
  EXPECT_EQ(&a->getUnitContext(), &seconds);
  EXPECT_EQ(a->getTimeUnit().convertToString(), "s");
}

class FunctionInfo : public DataIrInfo {
 public:
  explicit FunctionInfo(qtir::Function& function, int tag) : mFunction(&function), mTag(tag) {}
  qtir::Function& getFunction() const override { return *mFunction; }
  int tag() const { return mTag; }

 private:
  qtir::Function* mFunction;
  int mTag;
};

DataIrInfo* firstFactory(qtir::Function& f) { return new FunctionInfo(f, 1); }
DataIrInfo* secondFactory(qtir::Function& f) { return new FunctionInfo(f, 2); }

// The only test that registers a DataIrInfo factory: the registration lasts for the process.
TEST(DataIrInfo, NullWithoutFactoryThenFirstRegistrationWins) {
  const qtir::Context irContext;
  qtir::Function function(irContext, "f");
  EXPECT_EQ(DataIrInfo::create(function), nullptr);
  EXPECT_TRUE(DataIrInfo::registerFactory(&firstFactory));
  EXPECT_TRUE(DataIrInfo::registerFactory(&secondFactory));
  std::unique_ptr<DataIrInfo> info(DataIrInfo::create(function));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(&info->getFunction(), &function);
  EXPECT_EQ(static_cast<FunctionInfo&>(*info).tag(), 1);

  qtir::Function other(irContext, "g");
  std::unique_ptr<DataIrInfo> otherInfo(DataIrInfo::create(other));
  *info = *otherInfo;
  EXPECT_EQ(&info->getFunction(), &function);
}

}  // namespace
