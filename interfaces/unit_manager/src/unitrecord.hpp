// SPDX-License-Identifier: Apache-2.0
//
// UnitRecord: one named unit (prefixed forms included). DefinitionsBlock: the records one definitions text made, with
// the symbols they answer to. UnitTable: the built-in block, loaded once from the embedded definitions text. Built-in
// records live for the whole process; user-defined ones live in a reference-counted block that the context loading
// them and every expression node using one of them retain.
#ifndef UNIT_MANAGER_SRC_UNITRECORD_HPP
#define UNIT_MANAGER_SRC_UNITRECORD_HPP

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "number.hpp"
#include "unit_manager/unitexpression.hpp"

namespace unit_manager {
namespace detail {

// The base dimensions, in the order the fundamental form prints them: kg, m, s, A, K, mol, cd.
inline constexpr int kBaseCount = 7;
using BaseExponents = std::array<int, kBaseCount>;

struct DefinitionsBlock;

struct UnitRecord {
  // owner is null for a built-in unit; prefixOf is the unit a prefixed form is made from (null for the others).
  UnitRecord(std::string symbolText, std::string definitionText, const BaseExponents& baseExponents,
             const Number& scaleToBase, const Rational& offsetInBase, bool canTakePrefix, const UnitRecord* prefixOf,
             const DefinitionsBlock* ownerBlock);
  UnitRecord(const UnitRecord&) = delete;
  UnitRecord& operator=(const UnitRecord&) = delete;

  static const UnitRecord* of(const Unit& unit) noexcept { return unit.mRecord; }

  const std::string symbol;
  // Of the symbol alone for a built-in unit, of the symbol and its definition for a user-defined one: the same in
  // every run, so that expression hashes are too.
  const std::uint64_t symbolHash;
  const std::string definition;
  const BaseExponents dims;
  // A quantity x in this unit is x * scale + offset in base units.
  const Number scale;
  const Rational offset;
  const bool affine;
  const bool prefixable;
  const UnitRecord* const prefixOf;
  const DefinitionsBlock* const owner;
  // The order records were made in, which orders two units of one symbol from different contexts.
  const std::uint64_t serial;
  const Unit handle;
};

// Finds a unit record by symbol; null when there is none.
class SymbolResolver {
 public:
  virtual const UnitRecord* resolve(std::string_view symbol) const = 0;
  // Every symbol the resolver knows without a prefix, and those of them that take one, in definition order.
  virtual void listSymbols(std::vector<std::string_view>& symbols,
                           std::vector<std::string_view>& prefixableSymbols) const = 0;

 protected:
  ~SymbolResolver() = default;
};

// The SI prefixes, longest first where one begins another ("da" before "d").
struct Prefix {
  const char* symbol;
  const char* factor;
  Rational value;  // of factor
};
const std::vector<Prefix>& siPrefixes();
// The prefixes' symbols alone.
std::vector<std::string_view> siPrefixSymbols();

// What a resolver knows, as the UnknownUnit hint takes it: its symbols without prefixes, those that take a prefix, and
// the SI prefixes. The views point into records that live as long as the resolver's units.
struct KnownSymbols {
  std::vector<std::string_view> symbols;
  std::vector<std::string_view> prefixableSymbols;
  std::vector<std::string_view> prefixes;
};
KnownSymbols knownSymbols(const SymbolResolver& resolver);

struct DefinitionsBlock {
  DefinitionsBlock() = default;
  DefinitionsBlock(const DefinitionsBlock&) = delete;
  DefinitionsBlock& operator=(const DefinitionsBlock&) = delete;
  ~DefinitionsBlock();

  mutable std::atomic<std::uint32_t> refs{1};
  // The parse cache's key for texts read with this block's symbols; never 0 (the built-in table's) and never reused.
  std::uint64_t key = 0;
  // The records this block made.
  std::vector<std::unique_ptr<const UnitRecord>> records;
  // Every symbol of the context as of this block, this block's and those of the blocks before it, prefixed forms
  // included, and the units without prefixes in definition order.
  std::unordered_map<std::string_view, const UnitRecord*> bySymbol;
  std::vector<const Unit*> unprefixed;
  // The block loaded before this one into the same context; retained (and released by releaseDefinitions), since
  // bySymbol points into it.
  const DefinitionsBlock* previous = nullptr;

  const UnitRecord* find(std::string_view symbol) const noexcept {
    const auto found = bySymbol.find(symbol);
    return found == bySymbol.end() ? nullptr : found->second;
  }
};

inline void retainDefinitions(const DefinitionsBlock* block) noexcept {
  if (block != nullptr) block->refs.fetch_add(1, std::memory_order_relaxed);
}
void releaseDefinitions(const DefinitionsBlock* block) noexcept;

class UnitTable final : public SymbolResolver {
 public:
  // The table, built on first use (thread-safe) and never destroyed.
  static const UnitTable& instance();

  // Exact symbols win over prefix + unit, so "min", "cd" and "Pa" are what they look like.
  const UnitRecord* resolve(std::string_view symbol) const override { return mBlock->find(symbol); }
  void listSymbols(std::vector<std::string_view>& symbols,
                   std::vector<std::string_view>& prefixableSymbols) const override;
  // The units without prefixes, in table order.
  const std::vector<const Unit*>& unprefixed() const noexcept { return mBlock->unprefixed; }
  // The unit of base dimension i: kg, m, s, A, K, mol, cd.
  const UnitRecord* base(int i) const noexcept { return mBase[static_cast<std::size_t>(i)]; }
  const DefinitionsBlock* block() const noexcept { return mBlock; }

 private:
  UnitTable() = default;

  const DefinitionsBlock* mBlock = nullptr;
  std::array<const UnitRecord*, kBaseCount> mBase{};
};

// The built-in units, then those of a context's definitions (head may be null).
class ContextResolver final : public SymbolResolver {
 public:
  explicit ContextResolver(const DefinitionsBlock* head) noexcept : mHead(head) {}
  const UnitRecord* resolve(std::string_view symbol) const override;
  void listSymbols(std::vector<std::string_view>& symbols,
                   std::vector<std::string_view>& prefixableSymbols) const override;

 private:
  const DefinitionsBlock* mHead;
};

// Loads a definitions text on top of the built-in units and previous (which may be null). Returns the new block,
// holding one reference, which also retains previous; on an error, throws
// "unit_manager:definition:InvalidDefinition", "...:DuplicateUnit" or "...:AmbiguousUnit" (the 1-based line number,
// the line) and keeps nothing.
const DefinitionsBlock* loadDefinitions(const std::string& text, const DefinitionsBlock* previous);

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_UNITRECORD_HPP
