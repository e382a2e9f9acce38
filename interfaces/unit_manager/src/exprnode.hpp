// SPDX-License-Identifier: Apache-2.0
//
// ExprNode: the interned, immutable form of a unit expression. Every distinct factor list has exactly one node, so a
// UnitExpression is two node pointers and equality is a pointer comparison of canonical (sorted) nodes. Nodes are
// carved from chunks of plain heap memory and never freed: they are part of the unit manager's process-wide state,
// not blocks of any caller's data.
#ifndef UNIT_MANAGER_SRC_EXPRNODE_HPP
#define UNIT_MANAGER_SRC_EXPRNODE_HPP

#include <atomic>
#include <cstdint>
#include <string>

#include "factorlist.hpp"
#include "unit_manager/unitexpression.hpp"

namespace unit_manager {
namespace detail {

struct ExprNode {
  // In order of first appearance.
  FactorList factors;
  // The node of the same factors sorted by symbol; this node itself when already sorted.
  const ExprNode* canonical = nullptr;
  // Of the canonical factors' symbols and powers: the same in every run.
  std::uint64_t hash = 0;
  // Shared with the canonical node, so that equal expressions convert identically.
  Quantities quantities;
  bool dimensionless = true;

  // What convertToString returns: printed on first request, since most parsed units are never printed, and then kept
  // for the node's life. Safe to call from any thread.
  const std::string& text() const;

  mutable std::atomic<const std::string*> printedText{nullptr};

  static UnitExpression wrap(const ExprNode* node) noexcept { return UnitExpression(node); }
  static const ExprNode* printed(const UnitExpression& e) noexcept { return e.mNode; }
  static const ExprNode* canonicalOf(const UnitExpression& e) noexcept { return e.mCanonical; }
};

// The node of "1", the empty product. Never allocates.
const ExprNode* oneNode() noexcept;

// The node of factors, made on first request. Null when a base-dimension exponent of the product leaves the
// supported range.
const ExprNode* intern(const FactorList& factors);

// The parse cache: the node a text parsed to, or null. Only texts that parsed successfully are remembered, and the
// cache empties itself when it grows past a few thousand entries.
const ExprNode* findParsed(const std::string& text);
// intern(factors), remembering that text parsed to the node it returns (when it returns one). The list moves into a
// new node when one is made.
const ExprNode* internParsed(const std::string& text, FactorList&& factors);

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_EXPRNODE_HPP
