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

#include "messages.hpp"

namespace unit_manager {
namespace detail {

namespace {

// Texts longer than this are parsed every time, so the cache's memory stays bounded.
constexpr std::size_t kMaxCachedText = 256;
constexpr std::size_t kMaxCachedTexts = 4096;

std::atomic<std::size_t> gMaxLiveNodes{kDefaultMaxLiveUnitExpressions};
std::atomic<std::uint64_t> gNextSerial{1};

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

// By symbol; two units of one symbol (defined alike in two contexts) by the order they were made in.
bool bySymbol(const Factor& a, const Factor& b) noexcept {
  const int order = a.unit->symbol.compare(b.unit->symbol);
  return order != 0 ? order < 0 : a.unit->serial < b.unit->serial;
}

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

// Takes a reference on a node found in the table unless its count already reached zero (its last handle is being
// dropped on another thread, which will unlink it). Called under the table's lock.
bool tryRetain(const ExprNode* node) noexcept {
  if (node->immortal) return true;
  std::uint32_t count = node->refs.load(std::memory_order_relaxed);
  while (count != 0) {
    if (node->refs.compare_exchange_weak(count, count + 1, std::memory_order_relaxed)) return true;
  }
  return false;
}

// The interned nodes by factor list: linear probing over node pointers, so that a lookup hashes the list once and a
// new node costs no copy of its factors beyond the node's own. Unlinking shifts the following run back, so no
// tombstones pile up, and the slot array shrinks again when most nodes are gone.
class NodeTable {
 public:
  const ExprNode* findAndRetain(const FactorList& factors, std::uint64_t hash) const noexcept {
    if (mSlots.empty()) return nullptr;
    const std::size_t mask = mSlots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
      const Slot& slot = mSlots[i];
      if (slot.node == nullptr) return nullptr;
      // A dying node is skipped: the search goes on, and finds nothing or a live node made after it.
      if (slot.hash == hash && slot.node->factors == factors && tryRetain(slot.node)) return slot.node;
    }
  }

  // Makes room for one more node, so that the insert that follows cannot fail.
  void reserveOne() {
    if ((mCount + 1) * 2 <= mSlots.size()) return;
    resize(mSlots.empty() ? kMinSlots : mSlots.size() * 2);
  }

  void insert(const ExprNode* node) noexcept {
    place(mSlots, Slot{node->tableHash, node});
    ++mCount;
  }

  void erase(const ExprNode* node) noexcept {
    const std::size_t mask = mSlots.size() - 1;
    std::size_t hole = static_cast<std::size_t>(node->tableHash) & mask;
    while (mSlots[hole].node != node) hole = (hole + 1) & mask;
    // Moves back every later entry of the run that the hole would cut off from its home slot.
    for (std::size_t next = (hole + 1) & mask; mSlots[next].node != nullptr; next = (next + 1) & mask) {
      const std::size_t home = static_cast<std::size_t>(mSlots[next].hash) & mask;
      const bool homeAfterHole = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
      if (homeAfterHole) continue;
      mSlots[hole] = mSlots[next];
      hole = next;
    }
    mSlots[hole] = Slot{};
    --mCount;
    if (mSlots.size() > kMinSlots && mCount * 8 < mSlots.size()) {
      try {
        resize(mSlots.size() / 4);
      } catch (const std::bad_alloc&) {
        // Keeping the larger array is correct, only less frugal.
      }
    }
  }

  std::size_t size() const noexcept { return mCount; }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    const ExprNode* node = nullptr;
  };

  static constexpr std::size_t kMinSlots = 256;

  void resize(std::size_t slots) {
    std::vector<Slot> resized(slots);
    for (const Slot& slot : mSlots) {
      if (slot.node != nullptr) place(resized, slot);
    }
    mSlots.swap(resized);
  }

  static void place(std::vector<Slot>& slots, const Slot& slot) noexcept {
    const std::size_t mask = slots.size() - 1;
    std::size_t i = static_cast<std::size_t>(slot.hash) & mask;
    while (slots[i].node != nullptr) i = (i + 1) & mask;
    slots[i] = slot;
  }

  std::vector<Slot> mSlots;
  std::size_t mCount = 0;
};

// The parse cache: texts that parsed, by key and hash, in open addressing over slots that keep their string's capacity
// when the cache empties, so that remembering a text seldom allocates. Bounded: it empties itself once it holds
// kMaxCachedTexts texts (releasing its references), and texts longer than kMaxCachedText are not kept.
class TextCache {
 public:
  const ExprNode* find(std::uint64_t key, std::string_view text, std::uint64_t hash) const noexcept {
    if (mSlots.empty()) return nullptr;
    const std::size_t mask = mSlots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
      const Slot& slot = mSlots[i];
      if (slot.node == nullptr) return nullptr;
      if (slot.hash == hash && slot.key == key && slot.text == text) return slot.node;
    }
  }

  // A text not in the cache; the cache takes a reference on node. On an allocation failure the cache stays as it
  // was, less at most the texts it dropped.
  void remember(std::uint64_t key, std::string_view text, std::uint64_t hash, const ExprNode* node) {
    if (text.size() > kMaxCachedText) return;
    if (mCount >= kMaxCachedTexts) clear();
    if ((mCount + 1) * 2 > mSlots.size()) grow();
    const std::size_t mask = mSlots.size() - 1;
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    while (mSlots[i].node != nullptr) i = (i + 1) & mask;
    Slot& slot = mSlots[i];
    slot.text.assign(text.data(), text.size());  // the one step that may throw, before the slot counts as used
    slot.hash = hash;
    slot.key = key;
    retain(node);
    slot.node = node;
    ++mCount;
  }

  void clear() noexcept {
    for (Slot& slot : mSlots) {
      if (slot.node != nullptr) release(slot.node);
      slot.node = nullptr;
    }
    mCount = 0;
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::uint64_t key = 0;
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
      grown[i].key = slot.key;
      grown[i].node = slot.node;
      grown[i].text.swap(slot.text);  // no allocation, so nothing past this point can fail
    }
    mSlots.swap(grown);
  }

  std::vector<Slot> mSlots;
  std::size_t mCount = 0;
};

std::uint64_t hashText(std::uint64_t key, std::string_view text) noexcept {
  const std::uint64_t h = std::hash<std::string_view>()(text);
  return key == 0 ? h : mix(h ^ key);
}

// The intern table and the parse cache, each behind a lock of its own: releasing a node may unlink it from the table,
// and the cache releases nodes while it holds its lock, so the cache's lock is always taken first. Never destroyed,
// so handles in static storage may be released at exit in any order.
class Registry {
 public:
  static Registry& instance() {
    static Registry* const registry = new Registry();
    return *registry;
  }

  const ExprNode* intern(const FactorList& factors) {
    const std::uint64_t hash = hashOf(factors);
    {
      const std::lock_guard<std::mutex> lock(mTableMutex);
      if (const ExprNode* node = mNodes.findAndRetain(factors, hash)) return node;
    }
    // Built outside the lock; another thread may insert the same list meanwhile, which insertOrDiscard settles.
    const ExprNode* canonical = nullptr;
    if (!std::is_sorted(factors.begin(), factors.end(), bySymbol)) {
      FactorList sorted = factors;
      std::sort(sorted.begin(), sorted.end(), bySymbol);
      canonical = intern(sorted);
      if (canonical == nullptr) return nullptr;
    }
    std::unique_ptr<ExprNode> node;
    try {
      node = build(factors, hash, canonical);
    } catch (...) {
      if (canonical != nullptr) release(canonical);
      throw;
    }
    if (node == nullptr) return nullptr;  // a canonical node was not involved: its factors are sorted
    return insertOrDiscard(std::move(node));
  }

  const ExprNode* internParsed(std::uint64_t key, const std::string& text, const FactorList& factors) {
    const ExprNode* node = intern(factors);
    if (node != nullptr) {
      const std::uint64_t hash = hashText(key, text);
      const std::lock_guard<std::mutex> lock(mCacheMutex);
      try {
        if (mParsed.find(key, text, hash) == nullptr) mParsed.remember(key, text, hash, node);
      } catch (const std::bad_alloc&) {
        // Not remembering a text costs a later parse, nothing else.
      }
    }
    return node;
  }

  const ExprNode* findParsed(std::uint64_t key, const std::string& text) {
    const std::uint64_t hash = hashText(key, text);
    const std::lock_guard<std::mutex> lock(mCacheMutex);
    const ExprNode* node = mParsed.find(key, text, hash);
    if (node != nullptr) retain(node);  // the cache's own reference keeps it alive until here
    return node;
  }

  void unlink(const ExprNode* node) noexcept {
    const std::lock_guard<std::mutex> lock(mTableMutex);
    mNodes.erase(node);
  }

  std::size_t size() noexcept {
    const std::lock_guard<std::mutex> lock(mTableMutex);
    return mNodes.size();
  }

 private:
  Registry() = default;

  // The node of factors, not yet in the table; null when a base-dimension exponent leaves the supported range. A
  // non-null canonical is the sorted form's node, whose reference the new node takes over.
  static std::unique_ptr<ExprNode> build(const FactorList& factors, std::uint64_t hash, const ExprNode* canonical) {
    auto node = std::make_unique<ExprNode>();
    node->factors = factors;
    node->tableHash = hash;
    node->serial = gNextSerial.fetch_add(1, std::memory_order_relaxed);
    if (canonical == nullptr) {
      if (!computeQuantities(node->factors, node->quantities)) return nullptr;
      node->canonical = node.get();
      node->hash = canonicalHashOf(node->factors);
      node->dimensionless = isDimensionless(node->quantities.dims);
    } else {
      node->canonical = canonical;
      node->hash = canonical->hash;
      node->quantities = canonical->quantities;
      node->dimensionless = canonical->dimensionless;
    }
    for (const Factor& f : node->factors) retainDefinitions(f.unit->owner);
    // A built-in unit alone is what most values carry; its node lives as long as the table, so that copying and
    // dropping such an expression costs no atomic operation. There are as many of them as built-in units at most.
    node->immortal = node->factors.size() == 1 && node->factors[0].power == Exponent{1, 1} &&
                     node->factors[0].unit->owner == nullptr;
    return node;
  }

  // Puts a new node in the table, unless another thread put an equal one there first: then that one is retained and
  // the new one freed. At the limit the parse cache lets go of its nodes first, so that only expressions somebody
  // holds count against it.
  const ExprNode* insertOrDiscard(std::unique_ptr<ExprNode> node) {
    for (bool cacheCleared = false;; cacheCleared = true) {
      const ExprNode* existing = nullptr;
      {
        const std::lock_guard<std::mutex> lock(mTableMutex);
        existing = mNodes.findAndRetain(node->factors, node->tableHash);
        if (existing == nullptr && mNodes.size() < gMaxLiveNodes.load(std::memory_order_relaxed)) {
          mNodes.reserveOne();
          mNodes.insert(node.get());
          return node.release();
        }
      }
      // Past the lock: freeing the duplicate, or the cache's nodes, may release nodes and take it again.
      if (existing != nullptr) return existing;
      if (cacheCleared) break;
      const std::lock_guard<std::mutex> lock(mCacheMutex);
      mParsed.clear();
    }
    const std::size_t limit = gMaxLiveNodes.load(std::memory_order_relaxed);
    const std::string text = printFactors(node->factors);
    node.reset();
    qtf::raise(msg::unit::TooManyUnitExpressions, limit, text);
  }

  std::mutex mTableMutex;
  NodeTable mNodes;
  std::mutex mCacheMutex;
  TextCache mParsed;
};

}  // namespace

ExprNode::~ExprNode() {
  delete printedText.load(std::memory_order_relaxed);
  if (canonical != nullptr && canonical != this) release(canonical);
  for (const Factor& f : factors) releaseDefinitions(f.unit->owner);
}

void release(const ExprNode* node) noexcept {
  if (node->immortal) return;
  if (node->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  destroyNode(node);
}

void destroyNode(const NodeCount* counted) noexcept {
  const auto* node = static_cast<const ExprNode*>(counted);
  Registry::instance().unlink(node);
  delete node;
}

const ExprNode* oneNode() noexcept {
  // Built in static storage and never destroyed, so "1" stays usable from any static destructor.
  alignas(ExprNode) static unsigned char storage[sizeof(ExprNode)];
  static const ExprNode* const node = [] {
    auto* one = new (storage) ExprNode();
    one->canonical = one;
    one->hash = canonicalHashOf(one->factors);
    one->immortal = true;
    one->serial = gNextSerial.fetch_add(1, std::memory_order_relaxed);  // never 0, which marks a free cache entry
    return one;
  }();
  return node;
}

const std::string& ExprNode::text() const {
  const std::string* known = printedText.load(std::memory_order_acquire);
  if (known != nullptr) return *known;
  auto made = std::make_unique<const std::string>(printFactors(factors));
  if (printedText.compare_exchange_strong(known, made.get(), std::memory_order_acq_rel, std::memory_order_acquire)) {
    return *made.release();  // kept for the node's life
  }
  return *known;  // another thread printed it first
}

const ExprNode* intern(const FactorList& factors) {
  if (factors.empty()) return oneNode();
  return Registry::instance().intern(factors);
}

const ExprNode* findParsed(std::uint64_t key, const std::string& text) {
  return Registry::instance().findParsed(key, text);
}

const ExprNode* internParsed(std::uint64_t key, const std::string& text, const FactorList& factors) {
  if (factors.empty()) return oneNode();
  return Registry::instance().internParsed(key, text, factors);
}

std::size_t liveNodeCount() noexcept { return Registry::instance().size(); }

}  // namespace detail

std::size_t liveUnitExpressionCount() noexcept { return detail::liveNodeCount(); }

std::size_t maxLiveUnitExpressions() noexcept { return detail::gMaxLiveNodes.load(std::memory_order_relaxed); }

std::size_t setMaxLiveUnitExpressions(std::size_t limit) noexcept {
  return detail::gMaxLiveNodes.exchange(limit, std::memory_order_relaxed);
}

}  // namespace unit_manager
