// SPDX-License-Identifier: Apache-2.0
//
// Test helpers: what a statement throws, and expectations on message identifiers.
#ifndef SORVEXA_TEST_EXPECT_HPP
#define SORVEXA_TEST_EXPECT_HPP

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qtf/messageexception.hpp"

namespace sorvexa_test {

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

// The identifier of what statement throws, "" when it throws nothing.
template <typename Fcn>
std::string thrownIdentifier(Fcn&& statement) {
  const std::vector<std::string> thrown = thrownMessage(statement);
  return thrown.empty() ? "" : thrown[0];
}

}  // namespace sorvexa_test

// Expects statement to throw a qtf::MessageException with identifier id.
#define EXPECT_THROW_ID(statement, id) \
  EXPECT_EQ(::sorvexa_test::thrownIdentifier([&]() { (void)(statement); }), std::string(id))

#endif  // SORVEXA_TEST_EXPECT_HPP
