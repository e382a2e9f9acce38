// SPDX-License-Identifier: Apache-2.0
#include "qtf/assertion.hpp"

#include <atomic>
#include <cstdio>

namespace qtf {
namespace {

void writeToStderr(const char* message, const char* file, int line) {
  std::fprintf(stderr, "qtf assertion: %s (%s:%d)\n", message != nullptr ? message : "", file != nullptr ? file : "",
               line);
}

std::atomic<AssertionHandler> gHandler{&writeToStderr};
std::atomic<std::uint64_t> gCount{0};

}  // namespace

AssertionHandler set_assertion_handler(AssertionHandler handler) noexcept {
  return gHandler.exchange(handler != nullptr ? handler : &writeToStderr);
}

std::uint64_t assertion_count() noexcept { return gCount.load(); }

}  // namespace qtf

void qtf_assertion(const char* message, const char* file, int line) noexcept {
  qtf::gCount.fetch_add(1);
  qtf::gHandler.load()(message, file, line);
}
