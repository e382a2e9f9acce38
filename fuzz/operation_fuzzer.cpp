// SPDX-License-Identifier: Apache-2.0
//
// The operation interpreter: the bytes build a pool of up to four values and
// then run up to sixteen steps on it; a result may replace a pool value, so
// steps chain (results of up to 1024 elements). After every step, failed or not, every pool value must be as it
// was; after the input, every allocator block the run took must be back.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "fuzz_targets.hpp"
#include "interpreter.hpp"
#include "qtf/allocator.hpp"
#include "qtf/messageexception.hpp"

namespace sorvexa_fuzz {
namespace {

// A result joins the pool only up to this many elements: chained concatenations would otherwise grow the pool
// geometrically (three operands a step), and every step snapshots the pool and checks its results element by element.
constexpr std::size_t kMaxPoolElements = 1024;

}  // namespace

int operationOneInput(const std::uint8_t* data, std::size_t size) {
  warmUp();
  const std::int64_t liveAtStart = qtf::Allocator::liveBlocks();
  {
    ByteReader in(data, size);
    std::vector<Value> pool;
    const std::uint32_t count = 1 + in.below(4);
    for (std::uint32_t i = 0; i < count; ++i) {
      pool.push_back(chooseValue(in));
    }
    for (int s = 0; s < 16 && !in.empty(); ++s) {
      std::vector<Snapshot> before;
      for (const Value& v : pool) {
        before.emplace_back(v);
      }
      const Step step = chooseStep(in);
      std::optional<Value> result;
      bool attributesMade = false;
      try {
        result = runStep(step, in, pool, attributesMade);
      } catch (const qtf::MessageException&) {
        // Errors are expected; the operands must be as they were all the same.
      }
      for (std::size_t i = 0; i < pool.size(); ++i) {
        before[i].requireSame(pool[i], attributesMade, "step " + std::to_string(s));
      }
      if (result) {
        const std::uint32_t slot = in.below(static_cast<std::uint32_t>(pool.size()));
        if (result->getDimension().getNumElements() <= kMaxPoolElements) {
          pool[slot] = *result;
        }
      }
    }
  }
  require(qtf::Allocator::liveBlocks() == liveAtStart, [&] { return "the operations kept allocator blocks"; });
  return 0;
}

}  // namespace sorvexa_fuzz

SORVEXA_FUZZ_ENTRY(sorvexa_fuzz::operationOneInput)
