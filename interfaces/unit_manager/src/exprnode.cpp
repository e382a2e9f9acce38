// SPDX-License-Identifier: Apache-2.0
#include "exprnode.hpp"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#include "qtf/hasher.hpp"

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

struct FactorListHash {
  std::size_t operator()(const FactorList& factors) const noexcept {
    std::uint64_t h = factors.size();
    for (const Factor& f : factors) {
      h = mix(h ^ reinterpret_cast<std::uintptr_t>(f.unit));
      h = mix(h ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(f.power.num)) << 32 |
                   static_cast<std::uint32_t>(f.power.den)));
    }
    return static_cast<std::size_t>(h);
  }
};

std::string printFactors(const FactorList& factors) {
  std::string numerator;
  std::string denominator;
  for (const Factor& f : factors) {
    std::string& part = f.power.num > 0 ? numerator : denominator;
    if (f.power.num > 0) {
      if (!numerator.empty()) numerator += '*';
    } else {
      denominator += '/';
    }
    part += f.unit->symbol;
    const std::string suffix = powerSuffix(f.power);
    if (!suffix.empty()) part += '^' + suffix;
  }
  return (numerator.empty() ? std::string("1") : numerator) + denominator;
}

bool isDimensionless(const DimensionVector& dims) noexcept {
  return std::all_of(dims.begin(), dims.end(), [](const Rational& r) { return r.isZero(); });
}

// All interned nodes and the parse cache, behind one mutex. Never destroyed, like the nodes it holds.
class Registry {
 public:
  static Registry& instance() {
    static Registry* const registry = new Registry();
    return *registry;
  }

  const ExprNode* intern(const FactorList& factors) {
    const std::lock_guard<std::mutex> lock(mMutex);
    if (const ExprNode* node = find(factors)) return node;
    FactorList sorted = factors;
    std::sort(sorted.begin(), sorted.end(),
              [](const Factor& a, const Factor& b) { return a.unit->symbol < b.unit->symbol; });
    const ExprNode* canonical = find(sorted);
    if (canonical == nullptr) {
      canonical = create(sorted, nullptr);
      if (canonical == nullptr) return nullptr;
    }
    return sorted == factors ? canonical : create(factors, canonical);
  }

  const ExprNode* findParsed(const std::string& text) {
    const std::lock_guard<std::mutex> lock(mMutex);
    const auto found = mParsed.find(text);
    return found == mParsed.end() ? nullptr : found->second;
  }

  void rememberParsed(const std::string& text, const ExprNode* node) {
    if (text.size() > kMaxCachedText) return;
    const std::lock_guard<std::mutex> lock(mMutex);
    if (mParsed.size() >= kMaxCachedTexts) mParsed.clear();
    mParsed.emplace(text, node);
  }

 private:
  Registry() = default;

  const ExprNode* find(const FactorList& factors) const {
    const auto found = mNodes.find(factors);
    return found == mNodes.end() ? nullptr : found->second;
  }

  // Makes the node of factors; a null canonical means factors is sorted and the node is its own canonical form.
  const ExprNode* create(const FactorList& factors, const ExprNode* canonical) {
    auto node = std::make_unique<ExprNode>();
    node->factors = factors;
    if (canonical == nullptr) {
      if (!computeQuantities(factors, node->quantities)) return nullptr;
      qtf::Hasher hasher;
      for (const Factor& f : factors) {
        hasher.addString(f.unit->symbol);
        hasher.addValue(static_cast<int>(f.power.num));
        hasher.addValue(static_cast<int>(f.power.den));
      }
      node->canonical = node.get();
      node->hash = hasher.getHash();
      node->dimensionless = isDimensionless(node->quantities.dims);
    } else {
      node->canonical = canonical;
      node->hash = canonical->hash;
      node->quantities = canonical->quantities;
      node->dimensionless = canonical->dimensionless;
    }
    node->text = printFactors(factors);
    const ExprNode* result = node.get();
    mNodes.emplace(factors, result);
    node.release();  // owned by the registry for the rest of the process
    return result;
  }

  std::mutex mMutex;
  std::unordered_map<FactorList, const ExprNode*, FactorListHash> mNodes;
  std::unordered_map<std::string, const ExprNode*> mParsed;
};

}  // namespace

const ExprNode* oneNode() noexcept {
  // Built in static storage and never destroyed, so "1" stays usable from any static destructor.
  alignas(ExprNode) static unsigned char storage[sizeof(ExprNode)];
  static const ExprNode* const node = [] {
    auto* one = new (storage) ExprNode();
    one->canonical = one;
    one->hash = qtf::Hasher().getHash();
    one->text = "1";
    return one;
  }();
  return node;
}

const ExprNode* intern(const FactorList& factors) {
  if (factors.empty()) return oneNode();
  return Registry::instance().intern(factors);
}

const ExprNode* findParsed(const std::string& text) { return Registry::instance().findParsed(text); }

void rememberParsed(const std::string& text, const ExprNode* node) { Registry::instance().rememberParsed(text, node); }

}  // namespace detail
}  // namespace unit_manager
