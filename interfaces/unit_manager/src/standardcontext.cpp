// SPDX-License-Identifier: Apache-2.0
#include <cstdint>
#include <cstring>

#include "exprnode.hpp"
#include "factorparser.hpp"
#include "messages.hpp"
#include "propagationrules.hpp"
#include "unit_manager/context.hpp"
#include "unitrecord.hpp"

namespace unit_manager {

namespace {

// A quiet NaN with a payload of its own, so that a scalar NaN operand still counts as having a scalar constant.
constexpr std::uint64_t kInvalidScalarConstantBits = 0x7ff800000badc0deULL;

// Reads texts with the built-in units and those of one context. Texts are cached per set of definitions: the built-in
// set shares the cache of UnitExpression::parse, and each define gives a new key, never reused.
class ContextUnitParser final : public UnitParser {
 public:
  explicit ContextUnitParser(const std::atomic<const detail::DefinitionsBlock*>& definitions) noexcept
      : mDefinitions(definitions) {}

  UnitExpression parse(const std::string& text) const override {
    const detail::DefinitionsBlock* head = mDefinitions.load(std::memory_order_acquire);
    if (head == nullptr) return UnitExpression::parse(text);
    if (const detail::ExprNode* cached = detail::findParsed(head->key, text)) return detail::ExprNode::adopt(cached);
    const detail::FactorList factors = detail::parseFactors(text, detail::ContextResolver(head));
    const detail::ExprNode* node = detail::internParsed(head->key, text, factors);
    if (node == nullptr) {
      qtf::raise(detail::msg::parser::InvalidUnitExpression, text, text.size(),
                 "the dimension exponents of the product leave the supported range");
    }
    return detail::ExprNode::adopt(node);
  }

 private:
  const std::atomic<const detail::DefinitionsBlock*>& mDefinitions;
};

}  // namespace

const double PropagateOperandInfo::INVALID_SCALAR_CONSTANT = __builtin_nan("0xbadc0de");

bool PropagateOperandInfo::hasScalarConstant() const noexcept {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &mScalarConstant, sizeof bits);
  return bits != kInvalidScalarConstantBits;
}

UnitParser::~UnitParser() = default;

UnitExpression UnitParser::parse(const std::string& text) const { return UnitExpression::parse(text); }

UnitPropagationRule::~UnitPropagationRule() = default;

Context::~Context() = default;

StandardContext::StandardContext() : StandardContext(unit_manager::findUnit("s")) {}

StandardContext::StandardContext(const Unit* timeUnit) : mDefaultUnit(), mTimeUnit(timeUnit) {}

StandardContext::StandardContext(const std::string& definitions)
    : StandardContext(definitions, unit_manager::findUnit("s")) {}

StandardContext::StandardContext(const std::string& definitions, const Unit* timeUnit) : StandardContext(timeUnit) {
  define(definitions);
}

StandardContext::~StandardContext() { detail::releaseDefinitions(mDefinitions.load(std::memory_order_acquire)); }

const UnitExpression& StandardContext::defaultUnit() const { return mDefaultUnit; }

const Unit* StandardContext::timeUnit() const { return mTimeUnit; }

UnitParser* StandardContext::createUnitParser() const { return new ContextUnitParser(mDefinitions); }

const UnitPropagationRule* StandardContext::propagationRule(int index) const { return detail::ruleForIndex(index); }

void StandardContext::define(const std::string& definitions) {
  const std::lock_guard<std::mutex> lock(mDefineMutex);
  const detail::DefinitionsBlock* previous = mDefinitions.load(std::memory_order_relaxed);
  const detail::DefinitionsBlock* block = detail::loadDefinitions(definitions, previous);
  // The new block retains the previous one, which parsers that loaded it before this store may still be reading.
  mDefinitions.store(block, std::memory_order_release);
  detail::releaseDefinitions(previous);
}

std::vector<const Unit*> StandardContext::units() const {
  std::vector<const Unit*> all = unit_manager::unitTable();
  if (const detail::DefinitionsBlock* head = mDefinitions.load(std::memory_order_acquire)) {
    all.insert(all.end(), head->unprefixed.begin(), head->unprefixed.end());
  }
  return all;
}

const Unit* StandardContext::findUnit(const std::string& symbol) const {
  const detail::UnitRecord* record =
      detail::ContextResolver(mDefinitions.load(std::memory_order_acquire)).resolve(symbol);
  return record == nullptr ? nullptr : &record->handle;
}

}  // namespace unit_manager
