// SPDX-License-Identifier: Apache-2.0
#include <cstdint>
#include <cstring>

#include "propagationrules.hpp"
#include "unit_manager/context.hpp"

namespace unit_manager {

namespace {
// A quiet NaN with a payload of its own, so that a scalar NaN operand still counts as having a scalar constant.
constexpr std::uint64_t kInvalidScalarConstantBits = 0x7ff800000badc0deULL;
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

StandardContext::StandardContext() : StandardContext(findUnit("s")) {}

StandardContext::StandardContext(const Unit* timeUnit) : mDefaultUnit(), mTimeUnit(timeUnit) {}

StandardContext::~StandardContext() = default;

const UnitExpression& StandardContext::defaultUnit() const { return mDefaultUnit; }

const Unit* StandardContext::timeUnit() const { return mTimeUnit; }

UnitParser* StandardContext::createUnitParser() const { return new UnitParser(); }

const UnitPropagationRule* StandardContext::propagationRule(int index) const { return detail::ruleForIndex(index); }

}  // namespace unit_manager
