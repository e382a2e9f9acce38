// SPDX-License-Identifier: Apache-2.0
//
// The unit-manager context: where a caller's default unit, time unit, unit
// parser and unit propagation rules come from.
#ifndef UNIT_MANAGER_CONTEXT_HPP
#define UNIT_MANAGER_CONTEXT_HPP

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "unit_manager/unit_manager_export.hpp"
#include "unit_manager/unitexpression.hpp"

namespace unit_manager {

namespace detail {
struct DefinitionsBlock;
}  // namespace detail
// The standard propagation rules, by the index that Context::propagationRule takes. u1 and u2 are the operands'
// units; "convert u2 to u1" is the scale of u2 in u1. Every other index has a rule that throws
// "unit_manager:propagation:UnknownRule".
struct PropagationRuleId {
  enum Type : int {
    Unchanged = 0,       // UPlus, UMinus, Abs, Floor, Ceil, Transpose: u1, factor 1
    Additive = 2,        // Plus, Minus, concatenation: u1, factors 1 and u2 converted to u1
    Comparison = 3,      // comparisons, Atan2: "1", factors as Additive
    Product = 5,         // Times, MTimes: u1*u2, factors 1, 1
    LeftQuotient = 6,    // LDivide, MlDivide: u2/u1, factors 1, 1
    RightQuotient = 7,   // RDivide, MrDivide: u1/u2, factors 1, 1
    Power = 8,           // Power, MPower: u1^e, e the dimensionless exponent operand
    Logical = 9,         // And, Or: "1", factors 1, 1
    Dimensionless = 10,  // Not, IsInf, IsNan, Sin ... Exp: "1", a dimensionless operand's scale to "1"
    SquareRoot = 11,     // Sqrt: u1^(1/2), factor 1
  };
};

// Reads unit texts. A parser is cheap; each caller may make its own.
class UNIT_MANAGER_EXPORT UnitParser {
 public:
  UnitParser() = default;
  UnitParser(const UnitParser&) = delete;
  UnitParser& operator=(const UnitParser&) = delete;
  virtual ~UnitParser();

  // As UnitExpression::parse.
  virtual UnitExpression parse(const std::string& text) const;
};

// One operand as a propagation rule sees it.
class UNIT_MANAGER_EXPORT PropagateOperandInfo {
 public:
  // Marks an operand without a scalar constant (not 1-by-1). A NaN with a payload of its own: test it with
  // hasScalarConstant, not with ==.
  static const double INVALID_SCALAR_CONSTANT;

  PropagateOperandInfo(const UnitExpression& unit, bool isZero, double scalarConstant) noexcept
      : mUnit(unit), mIsZero(isZero), mScalarConstant(scalarConstant) {}

  const UnitExpression& unit() const noexcept { return mUnit; }
  // True when every element is zero (an operand without elements included).
  bool isZero() const noexcept { return mIsZero; }
  // The value of a 1-by-1 operand, or INVALID_SCALAR_CONSTANT.
  double scalarConstant() const noexcept { return mScalarConstant; }
  bool hasScalarConstant() const noexcept;

 private:
  UnitExpression mUnit;
  bool mIsZero;
  double mScalarConstant;
};

// A rule that gives an operation's result unit and the scale by which each operand's values are multiplied first.
class UNIT_MANAGER_EXPORT UnitPropagationRule {
 public:
  UnitPropagationRule() = default;
  UnitPropagationRule(const UnitPropagationRule&) = delete;
  UnitPropagationRule& operator=(const UnitPropagationRule&) = delete;
  virtual ~UnitPropagationRule();

  // Overwrites factors[i] with operand i's scale and returns the result unit; factors must have one entry per operand
  // and keeps its length. Throws "unit_manager:propagation:..." errors: IncommensurateUnits, AffineUnitMismatch,
  // InvalidExponent, UnknownRule, InvalidOperandCount.
  virtual UnitExpression propagate(const std::vector<PropagateOperandInfo>& operands,
                                   std::vector<double>& factors) const = 0;
  // The rule's index in the context's table.
  virtual int index() const noexcept = 0;
};

class UNIT_MANAGER_EXPORT Context {
 public:
  Context() = default;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  virtual ~Context();

  // The unit of values and type records built without one.
  virtual const UnitExpression& defaultUnit() const = 0;
  // The time unit, or null when the context has none.
  virtual const Unit* timeUnit() const = 0;
  // A new parser, never null; the caller destroys it.
  virtual UnitParser* createUnitParser() const = 0;
  // The rule of that index, never null; the context keeps owning it. An index with no rule gives a rule whose
  // propagate throws "unit_manager:propagation:UnknownRule".
  virtual const UnitPropagationRule* propagationRule(int index) const = 0;
};

// The library's context: default unit "1", time unit s unless told otherwise, the standard propagation rules, the
// built-in units and the units the caller defines.
//
// User-defined units. The context takes definitions texts, at construction and through define, one unit a line:
//
//   line       := [["prefixable"] symbol "=" definition] ["#" comment]
//   definition := number | [number] expr | [number] expr "@" number
//   number     := decimals and "pi" joined by "*" and "/", without white space: "1000", "0.3048", "5/9", "pi/180"
//
// expr is a unit text in the parser's grammar, using built-in units and units defined before (on earlier lines or in
// earlier texts). x units of the new symbol are x*number (times expr) in expr's units, plus the offset after "@" (in
// expr's units, and it may be negative) for a unit with an offset. A symbol starts with a letter and holds letters,
// digits and "_" ("pi" is the number and names no unit). A number, when present, is followed by white space: "1000kg"
// and "60/min" are errors. Decimals are exact rationals; only pi brings a rounding. "prefixable" lets the SI prefixes
// apply to the symbol. An offset is allowed only on a line that is not prefixable and whose expression holds no unit
// with an offset. Examples:
//
//   furlong = 201.168 m           kph = km/h             dozen = 12
//   prefixable widget = 3 kg      degX = 5/9 K @ 255.37  # a comment
//
// Each line is checked in this order, and the first fault decides: its syntax; its symbol (DuplicateUnit before
// AmbiguousUnit); its definition. The errors, each with the 1-based line number and the line as arguments:
//   "unit_manager:definition:InvalidDefinition"  the syntax; an unknown unit in expr; a zero scale, a scale or offset
//                                                beyond the double range, an offset on a unit that has one already
//   "unit_manager:definition:DuplicateUnit"      the symbol is already known, built in or defined before
//   "unit_manager:definition:AmbiguousUnit"      the symbol is a prefix plus an existing prefixable unit ("km", "ms"),
//                                                or, on a prefixable line, a prefix plus the symbol already means
//                                                something ("prefixable am" against "dam")
// A text is taken whole or not at all: after an error, the context is as it was.
//
// Scope. Definitions belong to the context that loaded them: its parser (createUnitParser), findUnit and units know
// them, UnitExpression::parse and the other contexts do not, and the same symbol defined in two contexts gives two
// unequal units. Expressions using a user-defined unit stay valid after the context is destroyed; a Unit pointer from
// findUnit or units stays valid while the context or such an expression lives.
//
// Threads. The const operations may run on any number of threads at once, and define may run while other threads
// parse with the context, list or find its units: each of those sees the units before or after a define, never part of
// one. Two defines on one context are serialised.
class UNIT_MANAGER_EXPORT StandardContext : public Context {
 public:
  StandardContext();
  // timeUnit may be null: the context then has no time unit.
  explicit StandardContext(const Unit* timeUnit);
  // The built-in units and those of definitions; time unit s. Throws as define does.
  explicit StandardContext(const std::string& definitions);
  StandardContext(const std::string& definitions, const Unit* timeUnit);
  ~StandardContext() override;

  const UnitExpression& defaultUnit() const override;
  const Unit* timeUnit() const override;
  // A parser that knows the context's units; it must not outlive the context.
  UnitParser* createUnitParser() const override;
  const UnitPropagationRule* propagationRule(int index) const override;

  // Adds the units of a definitions text, whole or not at all. Throws the three errors above. Each call indexes every
  // user-defined unit of the context anew, so many units load faster as one text than one call each.
  void define(const std::string& definitions);
  // Every unit of the context without prefixes: the built-in ones, then the user-defined ones in definition order.
  std::vector<const Unit*> units() const;
  // The unit named symbol, prefixed forms included; null when the context knows none.
  const Unit* findUnit(const std::string& symbol) const;

 private:
  UnitExpression mDefaultUnit;
  const Unit* mTimeUnit;
  // The units defined so far (null: none), published whole by define; the context holds one reference.
  std::atomic<const detail::DefinitionsBlock*> mDefinitions{nullptr};
  std::mutex mDefineMutex;
};

}  // namespace unit_manager

#endif  // UNIT_MANAGER_CONTEXT_HPP
