// SPDX-License-Identifier: Apache-2.0
//
// The value text form. Any text either fails with a library error or gives a
// value whose printed text has three fields and, for Double values whose elements
// print exactly and for Int and UInt values, reads back as an equal value.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data_manager/value.hpp"
#include "fuzz_support.hpp"
#include "fuzz_targets.hpp"
#include "qtf/allocator.hpp"
#include "qtf/messageexception.hpp"

namespace sorvexa_fuzz {

int valueTextOneInput(const std::uint8_t* data, std::size_t size) {
  const data_manager::Context& ctx = context();  // made on first use, and kept: before the count
  const std::int64_t liveAtStart = qtf::Allocator::liveBlocks();
  {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
      const data_manager::Value v(ctx, text);
      require(v.isResolved(), [&] { return "a parsed value is unresolved"; });
      requireValueRoundTrip(v);
    } catch (const qtf::MessageException&) {
      // Malformed text is an error like any other; what matters is that nothing else happens.
    }
  }
  require(qtf::Allocator::liveBlocks() == liveAtStart, [&] { return "parsing or printing kept allocator blocks"; });
  return 0;
}

}  // namespace sorvexa_fuzz

SORVEXA_FUZZ_ENTRY(sorvexa_fuzz::valueTextOneInput)
