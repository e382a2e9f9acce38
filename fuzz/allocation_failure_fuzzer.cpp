// SPDX-License-Identifier: Apache-2.0
//
// Allocation failure: the first byte chooses a scenario (value text, unit text
// through the value text constructor and the conversions to fundamental units,
// or one interpreter step on a pool of values), the second which allocation
// fails. When the failing allocation is reached the scenario must end in
// std::bad_alloc, and never otherwise; the pool values must be as they were;
// and once everything is destroyed every allocator block must be back.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
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

// Arms the allocation failure for its lifetime, so that no finding leaves it armed.
class ArmedFailure {
 public:
  explicit ArmedFailure(std::uint64_t n) noexcept { qtf::Allocator::failAllocation(n); }
  ArmedFailure(const ArmedFailure&) = delete;
  ArmedFailure& operator=(const ArmedFailure&) = delete;
  ~ArmedFailure() { qtf::Allocator::failAllocation(0); }
  bool reached() const noexcept { return !qtf::Allocator::failurePending(); }
};

// Runs scenario with allocation n failing and requires that it ends in std::bad_alloc exactly when the failing
// allocation was reached.
template <typename Fcn>
void runFailing(std::uint64_t n, Fcn&& scenario) {
  bool outOfMemory = false;
  bool reached = false;
  {
    const ArmedFailure armed(n);
    try {
      scenario();
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    } catch (const qtf::MessageException&) {
      // An error found before the failing allocation.
    }
    reached = armed.reached();
  }
  require(outOfMemory == reached, [&] {
    return reached ? "a failed allocation did not end the operation in std::bad_alloc"
                   : "std::bad_alloc without a failed allocation";
  });
}

}  // namespace

int allocationFailureOneInput(const std::uint8_t* data, std::size_t size) {
  warmUp();
  const std::int64_t liveAtStart = qtf::Allocator::liveBlocks();
  {
    ByteReader in(data, size);
    const std::uint32_t scenario = in.below(3);
    const std::uint64_t failing = 1U + in.byte();
    if (scenario == 0) {
      const std::string text = in.rest();
      runFailing(failing, [&] {
        const Value v(context(), text);
        requireValueRoundTrip(v);
      });
    } else if (scenario == 1) {
      const std::string text = "[1,-2.5;0,4]:" + in.rest();
      runFailing(failing, [&] {
        const Value v(context(), text);
        const std::unique_ptr<Value> linear(v.linear());
        const std::unique_ptr<Value> affine(v.affine());
      });
    } else {
      std::vector<Value> pool;
      const std::uint32_t count = 1 + in.below(4);
      for (std::uint32_t i = 0; i < count; ++i) {
        pool.push_back(chooseValue(in));
      }
      std::vector<Snapshot> before;
      for (const Value& v : pool) {
        before.emplace_back(v);
      }
      const Step step = chooseStep(in);
      bool attributesMade = false;
      runFailing(failing, [&] { runStep(step, in, pool, attributesMade); });
      for (std::size_t i = 0; i < pool.size(); ++i) {
        before[i].requireSame(pool[i], attributesMade, "after the failing allocation");
      }
    }
  }
  require(qtf::Allocator::liveBlocks() == liveAtStart,
          [&] { return "a failed allocation left allocator blocks behind"; });
  return 0;
}

}  // namespace sorvexa_fuzz

SORVEXA_FUZZ_ENTRY(sorvexa_fuzz::allocationFailureOneInput)
