// SPDX-License-Identifier: Apache-2.0
//
// UnitRecord: one named unit of the table (prefixed forms included), and UnitTable, which builds every record once and
// finds them by symbol. Records live for the whole process; Unit handles point into them.
#ifndef UNIT_MANAGER_SRC_UNITRECORD_HPP
#define UNIT_MANAGER_SRC_UNITRECORD_HPP

#include <array>
#include <cstdint>
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

struct UnitRecord {
  UnitRecord(std::string symbolText, std::string definitionText, const BaseExponents& baseExponents,
             const Number& scaleToBase, const Rational& offsetInBase, bool canTakePrefix);
  UnitRecord(const UnitRecord&) = delete;
  UnitRecord& operator=(const UnitRecord&) = delete;

  static const UnitRecord* of(const Unit& unit) noexcept { return unit.mRecord; }

  const std::string symbol;
  // Of the symbol alone: the same in every run, so that expression hashes are too.
  const std::uint64_t symbolHash;
  const std::string definition;
  const BaseExponents dims;
  // A quantity x in this unit is x * scale + offset in base units.
  const Number scale;
  const Rational offset;
  const bool affine;
  const bool prefixable;
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

// The SI prefixes' symbols.
std::vector<std::string_view> siPrefixSymbols();

class UnitTable final : public SymbolResolver {
 public:
  // The table, built on first use (thread-safe) and never destroyed.
  static const UnitTable& instance();

  // Exact symbols win over prefix + unit, so "min", "cd" and "Pa" are what they look like.
  const UnitRecord* resolve(std::string_view symbol) const override;
  void listSymbols(std::vector<std::string_view>& symbols,
                   std::vector<std::string_view>& prefixableSymbols) const override;
  // The units without prefixes, in table order.
  const std::vector<const Unit*>& unprefixed() const noexcept { return mUnprefixed; }
  // The unit of base dimension i: kg, m, s, A, K, mol, cd.
  const UnitRecord* base(int i) const noexcept { return mBase[static_cast<std::size_t>(i)]; }

 private:
  class Builder;
  UnitTable() = default;

  std::unordered_map<std::string_view, const UnitRecord*> mBySymbol;
  std::vector<const Unit*> mUnprefixed;
  std::array<const UnitRecord*, kBaseCount> mBase{};
};

}  // namespace detail
}  // namespace unit_manager

#endif  // UNIT_MANAGER_SRC_UNITRECORD_HPP
