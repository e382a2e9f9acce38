// SPDX-License-Identifier: Apache-2.0
#include "propagationrules.hpp"

#include <array>
#include <charconv>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "conversion.hpp"
#include "exprnode.hpp"
#include "messages.hpp"

namespace unit_manager {
namespace detail {

namespace {

using Operands = std::vector<PropagateOperandInfo>;
using Factors = std::vector<double>;

constexpr int kRuleCount = PropagationRuleId::SquareRoot + 1;

// Distinct unknown indices that get a rule of their own, reporting their index; beyond that they share one.
constexpr std::size_t kMaxUnknownRules = 1024;

const std::string& textOf(const UnitExpression& unit) { return ExprNode::printed(unit)->text(); }

std::string exponentText(const PropagateOperandInfo& operand) {
  if (operand.isZero()) return "0";
  if (!operand.hasScalarConstant()) return "of a non-scalar value";
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, operand.scalarConstant());
  return std::string(buffer, written.ptr);
}

class IndexedRule : public UnitPropagationRule {
 public:
  explicit IndexedRule(int index) noexcept : mIndex(index) {}
  int index() const noexcept final { return mIndex; }

 protected:
  // Checked before any factor is written, so a failed call leaves factors as it was.
  void requireOperands(std::size_t count, const Operands& operands, const Factors& factors) const {
    if (operands.size() != count || factors.size() != count) {
      qtf::raise(msg::propagation::InvalidOperandCount, mIndex, count, operands.size(), factors.size());
    }
  }

 private:
  const int mIndex;
};

// Rule 0: the operand's unit passes through unscaled.
class UnchangedRule final : public IndexedRule {
 public:
  using IndexedRule::IndexedRule;
  UnitExpression propagate(const Operands& operands, Factors& factors) const override {
    requireOperands(1, operands, factors);
    factors[0] = 1.0;
    return operands[0].unit();
  }
};

// Rules 2 and 3: the second operand is converted to the first one's unit.
class SumRule final : public IndexedRule {
 public:
  SumRule(int index, bool dimensionlessResult) noexcept
      : IndexedRule(index), mDimensionlessResult(dimensionlessResult) {}

  UnitExpression propagate(const Operands& operands, Factors& factors) const override {
    requireOperands(2, operands, factors);
    const UnitExpression& u1 = operands[0].unit();
    const UnitExpression& u2 = operands[1].unit();
    double secondFactor = 1.0;
    if (u1 != u2) {
      const Conversion c = convert(ExprNode::canonicalOf(u2), ExprNode::canonicalOf(u1));
      if (c.commensurate) {
        // A scale factor cannot carry an offset: 30 degC against 300 K must not compare 30 with 300.
        if (c.offsetsDiffer) qtf::raise(msg::propagation::AffineUnitMismatch, textOf(u1), textOf(u2));
        secondFactor = c.scale;
      } else if (!(operands[1].isZero() && u2.isOne())) {
        // Only a bare second zero is exempt: a zero first operand would hand its unit to the result.
        qtf::raise(msg::propagation::IncommensurateUnits, textOf(u1), textOf(u2));
      }
    }
    factors[0] = 1.0;
    factors[1] = secondFactor;
    return mDimensionlessResult ? UnitExpression() : u1;
  }

 private:
  const bool mDimensionlessResult;
};

// Rules 5, 6 and 7: products and quotients of the units, values unscaled.
class ProductRule final : public IndexedRule {
 public:
  enum class Kind { Times, LeftDivide, RightDivide };
  ProductRule(int index, Kind kind) noexcept : IndexedRule(index), mKind(kind) {}

  UnitExpression propagate(const Operands& operands, Factors& factors) const override {
    requireOperands(2, operands, factors);
    const UnitExpression& u1 = operands[0].unit();
    const UnitExpression& u2 = operands[1].unit();
    UnitExpression result = mKind == Kind::Times ? u1 * u2 : (mKind == Kind::LeftDivide ? u2 / u1 : u1 / u2);
    factors[0] = 1.0;
    factors[1] = 1.0;
    return result;
  }

 private:
  const Kind mKind;
};

// u to the power e, or InvalidExponent when a power would leave the 32-bit range.
UnitExpression raisedTo(const UnitExpression& u, const Exponent& e, const std::string& exponentDescription,
                        const std::string& exponentUnit) {
  FactorList factors = ExprNode::printed(u)->factors;
  const ExprNode* node = raiseTo(factors, e) ? intern(factors) : nullptr;
  if (node == nullptr) {
    qtf::raise(msg::propagation::InvalidExponent, textOf(u), exponentUnit, exponentDescription,
               "a power of the result leaves the 32-bit range");
  }
  return ExprNode::adopt(node);
}

// Rule 8: the base's unit to the power of the exponent operand's value.
class PowerRule final : public IndexedRule {
 public:
  using IndexedRule::IndexedRule;

  UnitExpression propagate(const Operands& operands, Factors& factors) const override {
    requireOperands(2, operands, factors);
    const PropagateOperandInfo& base = operands[0];
    const PropagateOperandInfo& exponent = operands[1];
    double exponentFactor = 1.0;
    if (!exponent.isZero()) {
      if (!exponent.unit().isDimensionless()) {
        qtf::raise(msg::propagation::InvalidExponent, textOf(base.unit()), textOf(exponent.unit()),
                   exponentText(exponent), "the exponent must be dimensionless");
      }
      exponentFactor = convert(ExprNode::canonicalOf(exponent.unit()), oneNode()).scale;
    }
    UnitExpression result;
    if (!base.unit().isOne()) {
      const double value = exponent.isZero() ? 0.0 : exponent.scalarConstant() * exponentFactor;
      Exponent e;
      if (!nearestSmallFraction(value, e)) {
        qtf::raise(msg::propagation::InvalidExponent, textOf(base.unit()), textOf(exponent.unit()),
                   exponentText(exponent), "the exponent must be a fraction with a denominator up to 12");
      }
      result = raisedTo(base.unit(), e, exponentText(exponent), textOf(exponent.unit()));
    }
    factors[0] = 1.0;
    factors[1] = exponentFactor;
    return result;
  }
};

// Rule 9: logical results are plain numbers; the operands are read as they are.
class LogicalRule final : public IndexedRule {
 public:
  using IndexedRule::IndexedRule;
  UnitExpression propagate(const Operands& operands, Factors& factors) const override {
    requireOperands(2, operands, factors);
    factors[0] = 1.0;
    factors[1] = 1.0;
    return UnitExpression();
  }
};

// Rule 10: functions of a plain number. A dimensionless operand is brought to "1" first (sin of 90 deg is sin of
// pi/2); any other operand is taken as it is.
class DimensionlessRule final : public IndexedRule {
 public:
  using IndexedRule::IndexedRule;
  UnitExpression propagate(const Operands& operands, Factors& factors) const override {
    requireOperands(1, operands, factors);
    const UnitExpression& u = operands[0].unit();
    factors[0] = u.isDimensionless() ? convert(ExprNode::canonicalOf(u), oneNode()).scale : 1.0;
    return UnitExpression();
  }
};

// Rule 11: the square root.
class SqrtRule final : public IndexedRule {
 public:
  using IndexedRule::IndexedRule;
  UnitExpression propagate(const Operands& operands, Factors& factors) const override {
    requireOperands(1, operands, factors);
    UnitExpression result = raisedTo(operands[0].unit(), Exponent{1, 2}, "0.5", "1");
    factors[0] = 1.0;
    return result;
  }
};

class UnknownRule final : public IndexedRule {
 public:
  UnknownRule(int index, std::string description) : IndexedRule(index), mDescription(std::move(description)) {}
  UnitExpression propagate(const Operands& /*operands*/, Factors& /*factors*/) const override {
    qtf::raise(msg::propagation::UnknownRule, mDescription);
  }

 private:
  const std::string mDescription;
};

using RuleTable = std::array<const UnitPropagationRule*, kRuleCount>;

// Rules live for the rest of the process, like the contexts that hand them out. Built out of line, so that the lookup
// on every evaluation stays a load and a branch.
[[gnu::noinline, gnu::cold]] const RuleTable* makeStandardRules() {
  using Kind = ProductRule::Kind;
  using Id = PropagationRuleId;
  return new RuleTable{
      new UnchangedRule(Id::Unchanged),                       // 0
      new UnknownRule(1, "1"),                                // 1 unused
      new SumRule(Id::Additive, false),                       // 2
      new SumRule(Id::Comparison, true),                      // 3
      new UnknownRule(4, "4"),                                // 4 unused
      new ProductRule(Id::Product, Kind::Times),              // 5
      new ProductRule(Id::LeftQuotient, Kind::LeftDivide),    // 6
      new ProductRule(Id::RightQuotient, Kind::RightDivide),  // 7
      new PowerRule(Id::Power),                               // 8
      new LogicalRule(Id::Logical),                           // 9
      new DimensionlessRule(Id::Dimensionless),               // 10
      new SqrtRule(Id::SquareRoot),                           // 11
  };
}

const RuleTable& standardRules() {
  static const RuleTable* const table = makeStandardRules();
  return *table;
}

// Out of line, so that the lookup of a standard rule, on every evaluation, saves no registers for it.
[[gnu::noinline, gnu::cold]] const UnitPropagationRule* unknownRule(int index) {
  struct Registry {
    std::mutex mutex;
    std::unordered_map<int, const UnitPropagationRule*> rules;
    const UnitPropagationRule* shared = new UnknownRule(-1, "outside 0..11");
  };
  static Registry* const registry = new Registry();
  const std::lock_guard<std::mutex> lock(registry->mutex);
  const auto found = registry->rules.find(index);
  if (found != registry->rules.end()) return found->second;
  if (registry->rules.size() >= kMaxUnknownRules) return registry->shared;
  const UnitPropagationRule* rule = new UnknownRule(index, std::to_string(index));
  registry->rules.emplace(index, rule);
  return rule;
}

}  // namespace

const UnitPropagationRule* ruleForIndex(int index) {
  if (index >= 0 && index < kRuleCount) return standardRules()[static_cast<std::size_t>(index)];
  return unknownRule(index);
}

}  // namespace detail
}  // namespace unit_manager
