// SPDX-License-Identifier: Apache-2.0
//
// ExprNode: the interned, immutable form of a unit expression. Every distinct factor list has at most one live node,
// so a UnitExpression is two node pointers and equality is a pointer comparison of canonical (sorted) nodes.
//
// Nodes are reference counted: every UnitExpression, every cache entry and every printed node that points at its
// canonical node holds one reference, and the node is freed with its last reference. The intern table itself holds
// none. A lookup in the table races with the release of a node's last reference on another thread; the table's lock
// settles it: a lookup only takes a reference on a node whose count is not zero, and a node whose count reached zero is
// unlinked under the same lock before it is freed, so a lookup never sees freed memory and never revives a dying node
// (it makes a new node instead, which is equal to nothing that lives).
#ifndef UNIT_MANAGER_SRC_EXPRNODE_HPP
#define UNIT_MANAGER_SRC_EXPRNODE_HPP

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "factorlist.hpp"
#include "unit_manager/unitexpression.hpp"

namespace unit_manager {
namespace detail {

struct ExprNode : NodeCount {
  ExprNode() = default;
  ExprNode(const ExprNode&) = delete;
  ExprNode& operator=(const ExprNode&) = delete;
  // Releases the canonical node (when it is another one), the printed text and the definitions its units belong to.
  ~ExprNode();

  // In order of first appearance.
  FactorList factors;
  // The node of the same factors sorted by symbol; this node itself when already sorted.
  const ExprNode* canonical = nullptr;
  // Of the canonical factors' symbols and powers: the same in every run.
  std::uint64_t hash = 0;
  // The intern table's hash of factors, which finds the node's slot again when it is unlinked.
  std::uint64_t tableHash = 0;
  // Unique for the life of the process. Addresses are reused once a node is freed, so the per-thread caches recognise
  // a node by its serial, never by its address alone.
  std::uint64_t serial = 0;
  // Shared with the canonical node, so that equal expressions convert identically.
  Quantities quantities;
  bool dimensionless = true;
  // What convertToString returns: printed on first request, since most parsed units are never printed, and then kept
  // for the node's life. Safe to call from any thread.
  const std::string& text() const;

  mutable std::atomic<const std::string*> printedText{nullptr};

  // A handle that takes over the caller's reference to node.
  static UnitExpression adopt(const ExprNode* node) noexcept { return UnitExpression(node); }
  static const ExprNode* printed(const UnitExpression& e) noexcept { return static_cast<const ExprNode*>(e.mNode); }
  static const ExprNode* canonicalOf(const UnitExpression& e) noexcept {
    return static_cast<const ExprNode*>(e.mCanonical);
  }
};

inline void retain(const ExprNode* node) noexcept {
  if (!node->immortal) node->refs.fetch_add(1, std::memory_order_relaxed);
}

// Drops one reference; the last one unlinks the node from the intern table and frees it.
void release(const ExprNode* node) noexcept;

// The node of "1", the empty product. Never allocates.
const ExprNode* oneNode() noexcept;

// The node of factors, made on first request, with a reference for the caller. Null when a base-dimension exponent of
// the product leaves the supported range. Throws "unit_manager:unit:TooManyUnitExpressions" when a new node would pass
// the limit on live expressions, and std::bad_alloc.
const ExprNode* intern(const FactorList& factors);

// The parse cache, by the key of the symbols a text was read with (0: the built-in table) and the text: the node the
// text parsed to, with a reference for the caller, or null. Only texts that parsed successfully are remembered; the
// cache holds a reference on each node it keeps and empties itself when it grows past a few thousand entries.
const ExprNode* findParsed(std::uint64_t key, const std::string& text);
// intern(factors), remembering that text parsed to the node it returns (when it returns one).
const ExprNode* internParsed(std::uint64_t key, const std::string& text, const FactorList& factors);

// What the live-expression limit counts: the distinct nodes alive now (printed and canonical forms each count).
std::size_t liveNodeCount() noexcept;

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_EXPRNODE_HPP
