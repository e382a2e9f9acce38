// SPDX-License-Identifier: Apache-2.0
#include "exprnode.hpp"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

namespace unit_manager {
namespace detail {

namespace {

// Texts longer than this are parsed every time, so the cache's memory stays bounded.
constexpr std::size_t kMaxCachedText = 256;
constexpr std::size_t kMaxCachedTexts = 4096;

// Spreads every input bit over the whole word, so that lists differing in one exponent land in different buckets.
std::uint64_t mix(std::uint64_t h) noexcept {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

std::uint64_t hashOf(const FactorList& factors) noexcept {
  std::uint64_t h = factors.size();
  for (const Factor& f : factors) {
    h = mix(h ^ reinterpret_cast<std::uintptr_t>(f.unit));
    h = mix(h ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(f.power.num)) << 32 |
                 static_cast<std::uint32_t>(f.power.den)));
  }
  return h;
}

// The hash of a sorted factor list that UnitExpression::hash adds: of the symbols and powers, so the same in every
// run (unlike hashOf, which mixes record addresses).
std::uint64_t canonicalHashOf(const FactorList& factors) noexcept {
  std::uint64_t h = mix(0x243f6a8885a308d3ULL ^ factors.size());
  for (const Factor& f : factors) {
    h = mix(h ^ f.unit->symbolHash);
    h = mix(h ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(f.power.num)) << 32 |
                 static_cast<std::uint32_t>(f.power.den)));
  }
  return h;
}

bool bySymbol(const Factor& a, const Factor& b) noexcept { return a.unit->symbol < b.unit->symbol; }

// Appends "^2", "^(1/2)" or nothing (for 1) for the magnitude of e.
void appendPower(std::string& out, const Exponent& e) {
  char digits[32];
  const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(e.num));
  if (e.den == 1 && magnitude == 1) return;
  out += e.den == 1 ? "^" : "^(";
  out.append(digits, std::to_chars(digits, digits + sizeof digits, magnitude).ptr);
  if (e.den != 1) {
    out += '/';
    out.append(digits, std::to_chars(digits, digits + sizeof digits, e.den).ptr);
    out += ')';
  }
}

// The factors with positive powers joined by '*' ("1" when there are none), then "/unit^power" for each of the others.
std::string printFactors(const FactorList& factors) {
  std::string text;
  text.reserve(32);
  for (const Factor& f : factors) {
    if (f.power.num < 0) continue;
    if (!text.empty()) text += '*';
    text += f.unit->symbol;
    appendPower(text, f.power);
  }
  if (text.empty()) text = "1";
  for (const Factor& f : factors) {
    if (f.power.num > 0) continue;
    text += '/';
    text += f.unit->symbol;
    appendPower(text, f.power);
  }
  return text;
}

bool isDimensionless(const DimensionVector& dims) noexcept {
  return std::all_of(dims.begin(), dims.end(), [](const Rational& r) { return r.isZero(); });
}

// The interned nodes by factor list: open addressing over node pointers, so that a lookup hashes the list once and
// a new node costs no copy of its factors beyond the node's own.
class NodeTable {
 public:
  const ExprNode* find(const FactorList& factors, std::uint64_t hash) const noexcept {
    if (mSlots.empty()) return nullptr;
    const std::size_t mask = mSlots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
      const Slot& slot = mSlots[i];
      if (slot.node == nullptr) return nullptr;
      if (slot.hash == hash && slot.node->factors == factors) return slot.node;
    }
  }

  // Makes room for one more node, so that the insert that follows cannot fail.
  void reserveOne() {
    if ((mCount + 1) * 2 <= mSlots.size()) return;
    std::vector<Slot> grown(mSlots.empty() ? 256 : mSlots.size() * 2);
    for (const Slot& slot : mSlots) {
      if (slot.node != nullptr) place(grown, slot);
    }
    mSlots.swap(grown);
  }

  void insert(const ExprNode* node, std::uint64_t hash) noexcept {
    place(mSlots, Slot{hash, node});
    ++mCount;
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    const ExprNode* node = nullptr;
  };

  static void place(std::vector<Slot>& slots, const Slot& slot) noexcept {
    const std::size_t mask = slots.size() - 1;
    std::size_t i = static_cast<std::size_t>(slot.hash) & mask;
    while (slots[i].node != nullptr) i = (i + 1) & mask;
    slots[i] = slot;
  }

  std::vector<Slot> mSlots;
  std::size_t mCount = 0;
};

// The parse cache: texts that parsed, by hash, in open addressing over slots that keep their string's capacity when
// the cache empties, so that remembering a text seldom allocates. Bounded: it empties itself once it holds
// kMaxCachedTexts texts, and texts longer than kMaxCachedText are not kept.
class TextCache {
 public:
  const ExprNode* find(std::string_view text, std::uint64_t hash) const noexcept {
    if (mSlots.empty()) return nullptr;
    const std::size_t mask = mSlots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
      const Slot& slot = mSlots[i];
      if (slot.node == nullptr) return nullptr;
      if (slot.hash == hash && slot.text == text) return slot.node;
    }
  }

  // A text not in the cache. On an allocation failure the cache stays as it was, less at most the texts it dropped.
  void remember(std::string_view text, std::uint64_t hash, const ExprNode* node) {
    if (text.size() > kMaxCachedText) return;
    if (mCount >= kMaxCachedTexts) {
      for (Slot& slot : mSlots) slot.node = nullptr;
      mCount = 0;
    }
    if ((mCount + 1) * 2 > mSlots.size()) grow();
    const std::size_t mask = mSlots.size() - 1;
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    while (mSlots[i].node != nullptr) i = (i + 1) & mask;
    Slot& slot = mSlots[i];
    slot.text.assign(text.data(), text.size());  // the one step that may throw, before the slot counts as used
    slot.hash = hash;
    slot.node = node;
    ++mCount;
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    const ExprNode* node = nullptr;  // null: free
    std::string text;
  };

  void grow() {
    std::vector<Slot> grown(mSlots.empty() ? 64 : mSlots.size() * 2);
    const std::size_t mask = grown.size() - 1;
    for (Slot& slot : mSlots) {
      if (slot.node == nullptr) continue;
      std::size_t i = static_cast<std::size_t>(slot.hash) & mask;
      while (grown[i].node != nullptr) i = (i + 1) & mask;
      grown[i].hash = slot.hash;
      grown[i].node = slot.node;
      grown[i].text.swap(slot.text);  // no allocation, so nothing past this point can fail
    }
    mSlots.swap(grown);
  }

  std::vector<Slot> mSlots;
  std::size_t mCount = 0;
};

std::uint64_t hashText(std::string_view text) noexcept { return std::hash<std::string_view>()(text); }

// Nodes live for the rest of the process, so they are carved in order from chunks that are zero-filled, and so
// already backed by memory, when they are made: making a node costs a pointer bump, never a page fault.
class NodeArena {
 public:
  void* allocate(std::size_t size) {
    size = roundUp(size);
    if (size > mLeft) {
      const std::size_t chunkSize = std::max(kChunkSize, size);
      mChunks.reserve(mChunks.size() + 1);
      mChunks.emplace_back(new unsigned char[chunkSize]());  // operator new[] aligns for any fundamental type
      mNext = mChunks.back().get();
      mLeft = chunkSize;
    }
    void* result = mNext;
    mNext += size;
    mLeft -= size;
    return result;
  }

  // Takes back the most recent allocation, when it is one.
  void giveBack(void* block, std::size_t size) noexcept {
    size = roundUp(size);
    if (static_cast<unsigned char*>(block) + size == mNext) {
      mNext -= size;
      mLeft += size;
    }
  }

 private:
  static_assert(alignof(ExprNode) <= alignof(std::max_align_t), "chunks are aligned for nodes");
  static constexpr std::size_t kChunkSize = 16 * 1024;
  static std::size_t roundUp(std::size_t size) noexcept {
    return (size + alignof(ExprNode) - 1) / alignof(ExprNode) * alignof(ExprNode);
  }

  std::vector<std::unique_ptr<unsigned char[]>> mChunks;
  unsigned char* mNext = nullptr;
  std::size_t mLeft = 0;
};

// All interned nodes and the parse cache, behind one mutex. Never destroyed, like the nodes it holds.
class Registry {
 public:
  static Registry& instance() {
    static Registry* const registry = new Registry();
    return *registry;
  }

  const ExprNode* intern(const FactorList& factors) {
    const std::uint64_t hash = hashOf(factors);
    const std::lock_guard<std::mutex> lock(mMutex);
    return internLocked(factors, hash);
  }

  // intern, then the text remembered as parsing to the node, under one lock.
  const ExprNode* internParsed(const std::string& text, FactorList&& factors) {
    const std::uint64_t hash = hashOf(factors);
    const std::lock_guard<std::mutex> lock(mMutex);
    const ExprNode* node = internLocked(std::move(factors), hash);
    if (node != nullptr) mParsed.remember(text, hashText(text), node);
    return node;
  }

  const ExprNode* findParsed(const std::string& text) {
    const std::uint64_t hash = hashText(text);
    const std::lock_guard<std::mutex> lock(mMutex);
    return mParsed.find(text, hash);
  }

 private:
  Registry() = default;

  // List is const FactorList& or FactorList&&: a list the caller no longer needs moves into its new node.
  template <typename List>
  const ExprNode* internLocked(List&& factors, std::uint64_t hash) {
    if (const ExprNode* node = mNodes.find(factors, hash)) return node;
    if (std::is_sorted(factors.begin(), factors.end(), bySymbol)) {
      return create(std::forward<List>(factors), hash, nullptr);
    }
    FactorList sorted = factors;
    std::sort(sorted.begin(), sorted.end(), bySymbol);
    const std::uint64_t sortedHash = hashOf(sorted);
    const ExprNode* canonical = mNodes.find(sorted, sortedHash);
    if (canonical == nullptr) {
      canonical = create(std::move(sorted), sortedHash, nullptr);
      if (canonical == nullptr) return nullptr;
    }
    return create(std::forward<List>(factors), hash, canonical);
  }

  // Makes the node of factors; a null canonical means factors is sorted and the node is its own canonical form.
  const ExprNode* create(FactorList factors, std::uint64_t hash, const ExprNode* canonical) {
    // What may throw comes first, so that a failure leaves nothing half made.
    mNodes.reserveOne();
    void* place = mArena.allocate(sizeof(ExprNode));
    auto* node = new (place) ExprNode();
    node->factors = std::move(factors);
    if (canonical == nullptr) {
      if (!computeQuantities(node->factors, node->quantities)) {
        node->~ExprNode();
        mArena.giveBack(place, sizeof(ExprNode));
        return nullptr;
      }
      node->canonical = node;
      node->hash = canonicalHashOf(node->factors);
      node->dimensionless = isDimensionless(node->quantities.dims);
    } else {
      node->canonical = canonical;
      node->hash = canonical->hash;
      node->quantities = canonical->quantities;
      node->dimensionless = canonical->dimensionless;
    }
    mNodes.insert(node, hash);
    return node;
  }

  std::mutex mMutex;
  NodeArena mArena;
  NodeTable mNodes;
  TextCache mParsed;
};

}  // namespace

const ExprNode* oneNode() noexcept {
  // Built in static storage and never destroyed, so "1" stays usable from any static destructor.
  alignas(ExprNode) static unsigned char storage[sizeof(ExprNode)];
  static const ExprNode* const node = [] {
    auto* one = new (storage) ExprNode();
    one->canonical = one;
    one->hash = canonicalHashOf(one->factors);
    return one;
  }();
  return node;
}

const std::string& ExprNode::text() const {
  const std::string* known = printedText.load(std::memory_order_acquire);
  if (known != nullptr) return *known;
  auto made = std::make_unique<const std::string>(printFactors(factors));
  if (printedText.compare_exchange_strong(known, made.get(), std::memory_order_acq_rel, std::memory_order_acquire)) {
    return *made.release();  // kept for the rest of the process, like the node
  }
  return *known;  // another thread printed it first
}

const ExprNode* intern(const FactorList& factors) {
  if (factors.empty()) return oneNode();
  return Registry::instance().intern(factors);
}

const ExprNode* findParsed(const std::string& text) { return Registry::instance().findParsed(text); }

const ExprNode* internParsed(const std::string& text, FactorList&& factors) {
  if (factors.empty()) return oneNode();
  return Registry::instance().internParsed(text, std::move(factors));
}

}  // namespace detail
}  // namespace unit_manager
