// SPDX-License-Identifier: Apache-2.0
#include "conversion.hpp"

#include <cstdint>

namespace unit_manager {
namespace detail {

namespace {

constexpr std::size_t kCacheSize = 256;

// Entries are recognised by the nodes' serials, which are never reused, so an entry of freed nodes can never answer
// for new nodes at the same addresses, and the cache holds no references.
struct CacheEntry {
  std::uint64_t from;
  std::uint64_t to;
  Conversion conversion;
};

// Plain data with constant initialisation: reaching it costs no guard and it needs no destructor.
thread_local CacheEntry tCache[kCacheSize];

std::size_t slotOf(std::uint64_t from, std::uint64_t to) noexcept {
  const std::uint64_t key = (from * 0x9e3779b97f4a7c15ULL) ^ (to * 0xc2b2ae3d27d4eb4fULL);
  return static_cast<std::size_t>(key >> 56) % kCacheSize;
}

Conversion compute(const ExprNode* from, const ExprNode* to) noexcept {
  const Quantities& a = from->quantities;
  const Quantities& b = to->quantities;
  if (a.dims != b.dims) return Conversion{false, false, 0.0, 0.0};
  if (from == to) return Conversion{true, false, 1.0, 0.0};
  const Number scale = a.scale / b.scale;
  const Number offset = (Number(a.offset) - Number(b.offset)) / b.scale;
  return Conversion{true, a.offset != b.offset, scale.toDouble(), offset.toDouble()};
}

}  // namespace

Conversion convert(const ExprNode* from, const ExprNode* to) noexcept {
  CacheEntry& entry = tCache[slotOf(from->serial, to->serial)];
  if (entry.from != from->serial || entry.to != to->serial) {
    entry.conversion = compute(from, to);
    entry.from = from->serial;
    entry.to = to->serial;
  }
  return entry.conversion;
}

}  // namespace detail
}  // namespace unit_manager
