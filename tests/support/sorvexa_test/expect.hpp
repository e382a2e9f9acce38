// SPDX-License-Identifier: Apache-2.0
//
// Test helpers: expectations on message identifiers, and a guard that checks
// a block releases every allocator block it took.
#ifndef SORVEXA_TEST_EXPECT_HPP
#define SORVEXA_TEST_EXPECT_HPP

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "qtf/allocator.hpp"
#include "qtf/messageexception.hpp"

namespace sorvexa_test {

// Runs statement and reports the identifier of the MessageException it throws, "" when it throws none, or
// "<other exception>" for an exception of another type.
template <typename Fcn>
std::string thrownIdentifier(Fcn&& statement) {
  try {
    statement();
  } catch (const qtf::MessageException& e) {
    return e.identifier();
  } catch (...) {
    return "<other exception>";
  }
  return "";
}

// Runs statement and reports what it throws as {identifier, argument 1, ..., argument 4}: {} when it throws nothing,
// {"<other exception>"} for an exception that is no MessageException.
template <typename Fcn>
std::vector<std::string> thrownMessage(Fcn&& statement) {
  try {
    statement();
  } catch (const qtf::MessageException& e) {
    return {e.identifier(), e.argument(1), e.argument(2), e.argument(3), e.argument(4)};
  } catch (...) {
    return {"<other exception>"};
  }
  return {};
}

}  // namespace sorvexa_test

// Expects statement to throw a qtf::MessageException with identifier id.
#define EXPECT_THROW_ID(statement, id) \
  EXPECT_EQ(::sorvexa_test::thrownIdentifier([&]() { (void)(statement); }), std::string(id))

#define ASSERT_THROW_ID(statement, id) \
  ASSERT_EQ(::sorvexa_test::thrownIdentifier([&]() { (void)(statement); }), std::string(id))

#endif  // SORVEXA_TEST_EXPECT_HPP
