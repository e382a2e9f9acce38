// SPDX-License-Identifier: Apache-2.0
//
// qtf_assertion: reports a broken invariant and returns, so that a library
// inside a caller's process never aborts it. The report goes to a handler
// that the process may replace; the default one writes a line to stderr.
#ifndef QTF_ASSERTION_HPP
#define QTF_ASSERTION_HPP

#include <cstdint>

#include "qtf/qtf_export.hpp"

namespace qtf {

using AssertionHandler = void (*)(const char* message, const char* file, int line);

// Installs handler (null restores the default) and returns the previous one.
QTF_EXPORT AssertionHandler set_assertion_handler(AssertionHandler handler) noexcept;

// Assertions reported since the process started.
QTF_EXPORT std::uint64_t assertion_count() noexcept;

}  // namespace qtf

QTF_EXPORT void qtf_assertion(const char* message, const char* file, int line) noexcept;

#endif  // QTF_ASSERTION_HPP
