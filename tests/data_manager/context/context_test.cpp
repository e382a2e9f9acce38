// SPDX-License-Identifier: Apache-2.0
#include "data_manager/context.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data_manager/datairinfo.hpp"
#include "qtf/allocator.hpp"
#include "qtir/function.hpp"
#include "sorvexa_test/expect.hpp"
#include "unit_manager/context.hpp"

namespace {

using data_manager::Context;
using data_manager::DataIrInfo;

TEST(Context, CreatedContextTakesOverTheUnitContextAndItsTimeUnit) {
  const unit_manager::StandardContext hours(unit_manager::findUnit("h"));
  const std::unique_ptr<Context> context(Context::create(hours));
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(&context->getUnitContext(), &hours);
  EXPECT_EQ(context->getTimeUnit().convertToString(), "h");
  // Assignment changes nothing.
  const unit_manager::StandardContext seconds;
  const std::unique_ptr<Context> other(Context::create(seconds));
  *other = *context;
  EXPECT_EQ(&other->getUnitContext(), &seconds);
  EXPECT_EQ(other->getTimeUnit().convertToString(), "s");
}

TEST(Context, NoTimeUnitThrowsAndReleasesTheHalfBuiltContextAndNoMemoryGivesNull) {
  const unit_manager::StandardContext none(nullptr);
  const std::int64_t before = qtf::Allocator::liveBlocks();
  EXPECT_EQ(sorvexa_test::thrownMessage([&] { std::unique_ptr<Context>(Context::create(none)); }),
            (std::vector<std::string>{"data_manager:context:TimeUnitNotSpecified", "", "", "", ""}));
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
  const unit_manager::StandardContext unitContext;
  qtf::Allocator::failAllocation(1);
  EXPECT_EQ(Context::create(unitContext), nullptr);
  qtf::Allocator::failAllocation(0);
  EXPECT_EQ(qtf::Allocator::liveBlocks(), before);
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
  const std::unique_ptr<Context> context(Context::create(unitContext));
  EXPECT_EQ(dynamic_cast<ForeignContext*>(context.get()), nullptr);
  EXPECT_EQ(&context->getUnitContext(), &unitContext);
}

class FunctionInfo : public DataIrInfo {
 public:
  FunctionInfo(qtir::Function& function, int tag) : mFunction(&function), mTag(tag) {}
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
  qtir::Function function(irContext, "f"), other(irContext, "g");
  EXPECT_EQ(DataIrInfo::create(function), nullptr);
  EXPECT_TRUE(DataIrInfo::registerFactory(&firstFactory));
  EXPECT_TRUE(DataIrInfo::registerFactory(&secondFactory));
  const std::unique_ptr<DataIrInfo> info(DataIrInfo::create(function)), otherInfo(DataIrInfo::create(other));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(&info->getFunction(), &function);
  EXPECT_EQ(static_cast<FunctionInfo&>(*info).tag(), 1);
  *info = *otherInfo;  // assignment changes nothing
  EXPECT_EQ(&info->getFunction(), &function);
}

}  // namespace
