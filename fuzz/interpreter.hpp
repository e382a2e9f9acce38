// SPDX-License-Identifier: Apache-2.0
//
// The operation interpreter: input bytes build a small pool of values (element
// type, shape, unit and elements chosen by the bytes) and then choose steps on
// it: any of the 42 operators, an invalid operator, concatenation, subscripting,
// conversion, printing, share and lowering. Each step checks what it can against
// an independent reference: integer Plus, Minus, Times, UMinus and the four
// divisions against 64-bit arithmetic reduced modulo 2^n (and the division by
// zero error where a zero divisor is met), their double forms against IEEE
// arithmetic, concatenations and selections against the operands' bytes. The
// caller checks that the pool is unchanged after every step.
#ifndef SORVEXA_FUZZ_INTERPRETER_HPP
#define SORVEXA_FUZZ_INTERPRETER_HPP

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "data_manager/datatyperec.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "fuzz_support.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/messageexception.hpp"
#include "qtf/subsref.hpp"
#include "qtir/scope.hpp"
#include "sorvexa_test/integers.hpp"
#include "sorvexa_test/types.hpp"
#include "unit_manager/unitexpression.hpp"

namespace sorvexa_fuzz {

using data_manager::Value;
using data_manager::ValueOpId;
using qtf::DataTypeId;
using qtf::Dimension;

// Units that meet every propagation rule: equal, commensurate with a scale (km), affine (degC, degF), dimensionless
// with a scale (percent, deg, h*ft/(d*in) = 1/2), and scales of 0 and infinity between the huge powers.
constexpr const char* kUnits[] = {"1",        "m",    "km",      "s",           "m/s",        "degC",
                                  "K",        "degF", "percent", "deg",         "rad",        "N",
                                  "kg*m/s^2", "ft",   "m^(1/2)", "h*ft/(d*in)", "zm^1000000", "ym^1000000"};

inline unit_manager::UnitExpression chooseUnit(ByteReader& in) {
  return unit_manager::UnitExpression::parse(kUnits[in.below(static_cast<std::uint32_t>(std::size(kUnits)))]);
}

using sorvexa_test::visitType;

template <typename T>
T chooseElement(ByteReader& in) {
  const std::uint32_t how = in.below(4);
  if constexpr (std::is_same_v<T, double>) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double specials[] = {0.0,          -0.0, 1.0,   -1.0,   0.5,   -0.5,         2.0,           1000,
                               std::nan(""), kInf, -kInf, 5e-324, 1e308, 2147483648.0, -2147483649.0, 4294967296.0};
    if (how < 2) {
      return specials[in.below(static_cast<std::uint32_t>(std::size(specials)))];
    }
    return how == 2 ? static_cast<double>(in.raw<std::int8_t>()) : in.raw<double>();
  } else {
    if (how < 2) {
      const std::vector<std::int64_t> edges = sorvexa_test::integerEdges(sorvexa_test::typeOf<T>());
      return static_cast<T>(edges[in.below(static_cast<std::uint32_t>(edges.size()))]);
    }
    return how == 2 ? static_cast<T>(in.raw<std::int8_t>()) : in.raw<T>();
  }
}

// A resolved value of the type, shape and unit the bytes choose. Half of them are 1-by-1, the rest up to 4-by-4,
// empty shapes included.
inline Value chooseValue(ByteReader& in) {
  const auto type = static_cast<DataTypeId::Type>(in.below(DataTypeId::NumTypes));
  const Dimension dimension = in.below(2) == 0 ? Dimension(1, 1) : Dimension(in.below(5), in.below(5));
  const unit_manager::UnitExpression unit = chooseUnit(in);
  return visitType(type, [&](auto zero) {
    using T = decltype(zero);
    std::vector<T> elements(dimension.getNumElements());
    for (T& x : elements) {
      x = chooseElement<T>(in);
    }
    return Value(context(), data_manager::ValueTraitId::Resolved, type, dimension, unit,
                 elements.empty() ? nullptr : elements.data());
  });
}

// Element i of a resolved value, exactly, as a double or (integer types) as a 64-bit integer.
inline double elementAsDouble(const Value& v, std::size_t i) {
  return visitType(v.getDataType(), [&](auto zero) {
    return static_cast<double>(static_cast<const decltype(zero)*>(v.getGenericValue())[i]);
  });
}
inline std::int64_t elementAsInteger(const Value& v, std::size_t i) {
  return visitType(v.getDataType(), [&](auto zero) -> std::int64_t {
    using T = decltype(zero);
    if constexpr (std::is_same_v<T, double>) {
      return 0;
    } else {
      return static_cast<std::int64_t>(static_cast<const T*>(v.getGenericValue())[i]);
    }
  });
}

using sorvexa_test::IntegerRange;
using sorvexa_test::isDivision;
using sorvexa_test::rangeOf;

// Element i of a second operand of any type as the first operand's integer type receives it: doubles round half away
// from zero and saturate (NaN gives 0), integers saturate.
inline std::int64_t convertedInteger(const Value& v, std::size_t i, DataTypeId::Type to) {
  const IntegerRange range = rangeOf(to);
  if (v.getDataType() == DataTypeId::Double) {
    const double x = elementAsDouble(v, i);
    if (std::isnan(x)) {
      return 0;
    }
    const double r = std::round(x);
    if (r <= static_cast<double>(range.lo)) {
      return range.lo;
    }
    if (r >= static_cast<double>(range.hi)) {
      return range.hi;
    }
    return static_cast<std::int64_t>(r);
  }
  const std::int64_t x = elementAsInteger(v, i);
  return x < range.lo ? range.lo : (x > range.hi ? range.hi : x);
}

// What an operator must give: unknown (not modelled), the elements, or the division by zero error.
struct Reference {
  enum Kind { Unknown, Defined, DivisionByZero } kind = Unknown;
  Dimension dimension;
  std::vector<double> doubles;
  std::vector<std::int64_t> integers;
};

// The reference for Plus and Minus with equal units, Times, UMinus and the four divisions; with these the propagation
// rules hand out factors of 1, so only the shapes decide between a result and an error (besides a product of units
// whose exponents leave their range).
inline Reference reference(ValueOpId::Type op, const Value& a, const Value& b) {
  Reference ref;
  const bool modelled = op == ValueOpId::Times || op == ValueOpId::UMinus || isDivision(op) ||
                        ((op == ValueOpId::Plus || op == ValueOpId::Minus) && a.getUnit() == b.getUnit());
  if (!modelled) {
    return ref;
  }
  const Dimension& da = a.getDimension();
  const Dimension& db = b.getDimension();
  const bool unary = op == ValueOpId::UMinus;
  bool aExpands = false;
  bool bExpands = false;
  if (unary) {
    ref.dimension = da;
  } else if (op == ValueOpId::MrDivide) {
    if (!db.isScalar()) {
      return ref;
    }
    ref.dimension = da;
    bExpands = true;
  } else if (op == ValueOpId::MlDivide) {
    if (!da.isScalar()) {
      return ref;
    }
    ref.dimension = db;
    aExpands = true;
  } else if (da.isScalar()) {
    ref.dimension = db;
    aExpands = true;
  } else if (db.isScalar() || da == db) {
    ref.dimension = da;
    bExpands = db.isScalar();
  } else {
    return ref;
  }
  const DataTypeId::Type type = a.getDataType();
  const bool divideByFirst = op == ValueOpId::LDivide || op == ValueOpId::MlDivide;
  ref.kind = Reference::Defined;
  for (std::size_t i = 0; i < ref.dimension.getNumElements(); ++i) {
    const std::size_t ia = aExpands ? 0 : i;
    const std::size_t ib = bExpands ? 0 : i;
    if (type == DataTypeId::Double) {
      const double x = elementAsDouble(a, ia);
      const double y = unary ? 0.0 : elementAsDouble(b, ib);
      double r = 0.0;
      switch (op) {
        case ValueOpId::Plus:
          r = x + y;
          break;
        case ValueOpId::Minus:
          r = x - y;
          break;
        case ValueOpId::Times:
          r = x * y;
          break;
        case ValueOpId::UMinus:
          r = -x;
          break;
        default:
          r = divideByFirst ? y / x : x / y;
          break;
      }
      ref.doubles.push_back(r);
      continue;
    }
    const std::int64_t x = elementAsInteger(a, ia);
    const std::int64_t y = unary ? 0 : convertedInteger(b, ib, type);
    if (isDivision(op) && (divideByFirst ? x : y) == 0) {
      ref.kind = Reference::DivisionByZero;
      return ref;
    }
    ref.integers.push_back(sorvexa_test::integerResult(type, op, x, y));
  }
  return ref;
}

inline bool sameDouble(double x, double y) {
  return (std::isnan(x) && std::isnan(y)) || std::memcmp(&x, &y, sizeof x) == 0;
}

inline std::string describe(ValueOpId::Type op, const Value& a, const Value& b) {
  return data_manager::ValueOperator::getName(op) + "(" + show(a) + ", " + show(b) + ")";
}

inline Value evaluate(ValueOpId::Type op, const Value& a, const Value& b) {
  const Reference ref = reference(op, a, b);
  const auto what = [&] { return describe(op, a, b); };
  std::optional<Value> result;
  try {
    result.emplace(data_manager::ValueOperator::call(op, a, b));
  } catch (const qtf::MessageException& e) {
    // Products and quotients of units may leave the exponent range; the unit is settled before any division.
    const std::string id = e.identifier();
    const bool unitError = id.rfind("unit_manager:", 0) == 0;
    require(ref.kind != Reference::Defined || unitError, [&] { return what() + " failed with " + id; });
    require(ref.kind != Reference::DivisionByZero || unitError || id == "data_manager:value:IntegerDivisionByZero",
            [&] { return what() + " divides by zero but failed with " + id; });
    throw;
  }
  const Value& r = *result;
  require(r.isResolved(), [&] { return what() + " gave an unresolved value"; });
  require(ref.kind != Reference::DivisionByZero, [&] { return what() + " divides by zero but gave " + r.toString(); });
  if (ref.kind == Reference::Defined) {
    require(r.getDataType() == a.getDataType() && r.getDimension() == ref.dimension,
            [&] { return what() + " gave the type or shape of " + r.toString(); });
    for (std::size_t i = 0; i < ref.dimension.getNumElements(); ++i) {
      const bool same = a.getDataType() == DataTypeId::Double ? sameDouble(elementAsDouble(r, i), ref.doubles[i])
                                                              : elementAsInteger(r, i) == ref.integers[i];
      require(same, [&] {
        return what() + " gave " + r.toString() + ", element " + std::to_string(i) + " differs from the reference";
      });
    }
  }
  return std::move(*result);
}

// The bytes of element (i, j) of a resolved value.
inline const unsigned char* elementBytes(const Value& v, std::size_t i, std::size_t j) {
  const std::size_t size = qtf::get_type_size(v.getDataType());
  return static_cast<const unsigned char*>(v.getGenericValue()) + v.getDimension().computeIndex(i, j) * size;
}

// When every operand that is not 0-by-0 has the lead's unit (so no element is scaled), the result must hold the
// operands' bytes in place.
inline void checkConcatenation(const std::vector<Value>& operands, bool vertical, const Value& r,
                               const std::string& what) {
  const Value* lead = nullptr;
  std::uint32_t stacked = 0;
  for (const Value& v : operands) {
    if (v.getDimension() == Dimension(0, 0)) {
      continue;
    }
    if (lead == nullptr) {
      lead = &v;
    }
    if (v.getUnit() != lead->getUnit()) {
      return;
    }
    stacked += vertical ? v.getDimension().m() : v.getDimension().n();
  }
  if (lead == nullptr) {
    require(r.getDataType() == DataTypeId::Double && r.getDimension() == Dimension(0, 0),
            [&] { return what + ": all operands empty but gave " + r.toString(); });
    return;
  }
  const Dimension expected =
      vertical ? Dimension(stacked, lead->getDimension().n()) : Dimension(lead->getDimension().m(), stacked);
  require(r.getDataType() == lead->getDataType() && r.getDimension() == expected && r.getUnit() == lead->getUnit(),
          [&] { return what + " gave the type, shape or unit of " + r.toString(); });
  const std::size_t size = qtf::get_type_size(r.getDataType());
  std::size_t offset = 0;
  for (const Value& v : operands) {
    const Dimension& d = v.getDimension();
    if (d == Dimension(0, 0)) {
      continue;
    }
    for (std::size_t i = 0; i < d.m(); ++i) {
      for (std::size_t j = 0; j < d.n(); ++j) {
        const unsigned char* out = vertical ? elementBytes(r, offset + i, j) : elementBytes(r, i, offset + j);
        require(std::memcmp(out, elementBytes(v, i, j), size) == 0,
                [&] { return what + " misplaced an element: " + r.toString(); });
      }
    }
    offset += vertical ? d.m() : d.n();
  }
}

// Positions along an extent: all of them, or up to four chosen ones that may lie one outside either end.
inline qtf::SubsRef::Index chooseIndex(ByteReader& in, std::uint32_t extent) {
  if (in.below(3) == 0) {
    return qtf::SubsRef::Index::all();
  }
  std::vector<std::int64_t> positions(in.below(5));
  for (std::int64_t& p : positions) {
    p = static_cast<std::int64_t>(in.below(extent + 2)) - 1;
  }
  return qtf::SubsRef::Index(positions);
}

enum class Step { Operator, InvalidOperator, Vertcat, Horzcat, Subscript, Convert, Print, Share, Lower };

inline Step chooseStep(ByteReader& in) {
  const Step steps[] = {Step::Operator, Step::Operator, Step::Operator,  Step::Operator,
                        Step::Operator, Step::Operator, Step::Operator,  Step::InvalidOperator,
                        Step::Vertcat,  Step::Horzcat,  Step::Subscript, Step::Convert,
                        Step::Print,    Step::Share,    Step::Lower,     Step::Operator};
  return steps[in.below(static_cast<std::uint32_t>(std::size(steps)))];
}

inline const Value& choose(ByteReader& in, const std::vector<Value>& pool) {
  return pool[in.below(static_cast<std::uint32_t>(pool.size()))];
}

// Runs one step on pool values and returns its result, if it makes a value. Library errors leave as
// qtf::MessageException, broken properties as Finding. attributesMade is set once a conversion or lowering, which give
// their operand an attribute object when it has none, has completed.
inline std::optional<Value> runStep(Step step, ByteReader& in, const std::vector<Value>& pool, bool& attributesMade) {
  switch (step) {
    case Step::Operator: {
      const auto op = static_cast<ValueOpId::Type>(in.below(ValueOpId::NumValueOps));
      const Value& a = choose(in, pool);
      const Value& b = choose(in, pool);
      return evaluate(op, a, b);
    }
    case Step::InvalidOperator: {
      const int op = in.below(2) == 0 ? -1 - in.byte() : ValueOpId::NumValueOps + in.byte();
      const Value& a = choose(in, pool);
      try {
        data_manager::ValueOperator::call(static_cast<ValueOpId::Type>(op), a, a);
      } catch (const qtf::MessageException& e) {
        require(std::string(e.identifier()) == "data_manager:value:InvalidOperator",
                [&] { return "operator " + std::to_string(op) + " failed with " + e.identifier(); });
        throw;
      }
      throw Finding("operator " + std::to_string(op) + " was evaluated");
    }
    case Step::Vertcat:
    case Step::Horzcat: {
      const bool vertical = step == Step::Vertcat;
      std::vector<Value> operands;
      const std::uint32_t count = 1 + in.below(3);
      for (std::uint32_t i = 0; i < count; ++i) {
        operands.push_back(choose(in, pool));
      }
      const bool pair = count == 2 && in.below(2) == 0;
      Value r = pair ? (vertical ? data_manager::vertcat(operands[0], operands[1])
                                 : data_manager::horzcat(operands[0], operands[1]))
                     : (vertical ? data_manager::vertcat(operands) : data_manager::horzcat(operands));
      checkConcatenation(operands, vertical, r, vertical ? "vertcat" : "horzcat");
      return r;
    }
    case Step::Subscript: {
      const Value& source = choose(in, pool);
      Dimension shape = source.getDimension();
      if (in.below(8) == 0) {
        shape = Dimension(shape.m() + 1, shape.n());
      }
      const qtf::SubsRef::Index rows = chooseIndex(in, shape.m());
      const qtf::SubsRef::Index cols = chooseIndex(in, shape.n());
      const qtf::SubsRef ref(shape, rows, cols);
      Value r(source, ref);
      require(shape == source.getDimension(), [&] { return "a selection for another shape was accepted"; });
      require(r.getDataType() == source.getDataType() && r.getUnit() == source.getUnit() &&
                  r.getDimension() == ref.dimension(),
              [&] { return "a selection gave the type, shape or unit of " + r.toString(); });
      const std::size_t size = qtf::get_type_size(r.getDataType());
      for (std::size_t i = 0; i < r.getDimension().m(); ++i) {
        for (std::size_t j = 0; j < r.getDimension().n(); ++j) {
          const auto row = static_cast<std::size_t>(rows.isAll() ? static_cast<std::int64_t>(i) : rows.positions()[i]);
          const auto col = static_cast<std::size_t>(cols.isAll() ? static_cast<std::int64_t>(j) : cols.positions()[j]);
          require(std::memcmp(elementBytes(r, i, j), elementBytes(source, row, col), size) == 0,
                  [&] { return "a selection of " + source.toString() + " gave " + r.toString(); });
        }
      }
      return r;
    }
    case Step::Convert: {
      const Value& source = choose(in, pool);
      const std::uint32_t form = in.below(4);
      std::unique_ptr<Value> r;
      if (form < 2) {
        r.reset(form == 0 ? source.linear() : source.affine());
        attributesMade = true;
      } else {
        const auto type =
            in.below(4) == 0 ? static_cast<DataTypeId::Type>(in.below(DataTypeId::NumTypes)) : source.getDataType();
        const unit_manager::UnitExpression unit = chooseUnit(in);
        const std::unique_ptr<data_manager::DataTypeRec> record(
            in.below(2) == 0
                ? new data_manager::DataTypeRec(context(), type, unit)
                : new data_manager::DataTypeRec(context(), type, Dimension(in.below(4), in.below(4)), unit));
        r.reset(source.createConvertedValue(*record, form == 3));
        attributesMade = true;
        require(r->getDataType() == type && r->getUnit() == unit &&
                    r->getDimension() == (record->isVariable() ? source.getDimension() : record->getDimension()),
                [&] { return "a conversion gave the type, shape or unit of " + r->toString(); });
      }
      require(r->isResolved() && r->hasAttributes(),
              [&] { return "a converted value is unresolved or has no attributes"; });
      return Value(*r);
    }
    case Step::Print:
      requireValueRoundTrip(choose(in, pool));
      return std::nullopt;
    case Step::Share: {
      const Value& target = choose(in, pool);
      const auto type =
          in.below(4) == 0 ? static_cast<DataTypeId::Type>(in.below(DataTypeId::NumTypes)) : target.getDataType();
      const Dimension shape = in.below(4) == 0 ? Dimension(in.below(3), in.below(3)) : target.getDimension();
      Value tied(context(), data_manager::ValueTraitId::Unresolved, type, shape, chooseUnit(in), nullptr);
      // share takes non-const operands; the target's data is what the caller checks afterwards.
      Value handle(target);
      if (in.below(2) == 0) {
        tied.share(handle);
      } else {
        handle.share(tied);
      }
      require(tied.isResolved() && tied.getGenericValue() == target.getGenericValue(),
              [&] { return "a tied value does not read its target's data"; });
      return std::nullopt;
    }
    case Step::Lower: {
      const Value& source = choose(in, pool);
      FunctionInfo info;
      const qtir::Expression e = source.createExpression(info);
      attributesMade = true;
      const qtir::Scope& local = info.getFunction().getFunctionScope(qtir::FunctionScopeType::Local);
      const bool scalar = source.getDimension().isScalar();
      require(local.getItems().size() == (scalar ? 0U : 1U) &&
                  info.getFunction().getAssignments().size() == (scalar ? 0U : source.getDimension().getNumElements()),
              [&] { return "lowering " + source.toString() + " declared or assigned the wrong number of items"; });
      require(!e.str().empty(), [&] { return "lowering gave an empty expression"; });
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// Builds every operator table, so that the tables' blocks, which live for the whole process, are in place before a
// target counts live blocks.
inline void warmUp() {
  static const bool warm = [] {
    for (int t = 0; t < DataTypeId::NumTypes; ++t) {
      const Value v(context(), data_manager::ValueTraitId::Resolved, static_cast<DataTypeId::Type>(t), Dimension(1, 1));
      for (int op = 0; op < ValueOpId::NumValueOps; ++op) {
        try {
          data_manager::ValueOperator::call(static_cast<ValueOpId::Type>(op), v, v);
        } catch (const qtf::MessageException&) {
          // Math on integer types and division by zero fail; the table is built all the same.
        }
      }
    }
    return true;
  }();
  (void)warm;
}

}  // namespace sorvexa_fuzz

#endif  // SORVEXA_FUZZ_INTERPRETER_HPP
