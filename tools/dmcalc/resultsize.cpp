// SPDX-License-Identifier: Apache-2.0
#include "resultsize.hpp"

#include <limits>
#include <string>

#include "qtf/messageexception.hpp"

namespace dmcalc {
namespace {

using data_manager::ValueOpId;

Shape shapeOf(const qtf::Dimension& d) { return {d.m(), d.n()}; }

// The shape rules of the operators, grouped as the operator classes apply them.
enum class Rule { Elementwise, AsFirst, FirstScalar, SecondScalar, BothScalar, Product, Transposed };

Rule ruleOf(ValueOpId::Type op) {
  switch (op) {
    case ValueOpId::MTimes:
      return Rule::Product;
    case ValueOpId::MPower:
      return Rule::BothScalar;
    case ValueOpId::Power:
    case ValueOpId::MrDivide:
      return Rule::SecondScalar;
    case ValueOpId::MlDivide:
      return Rule::FirstScalar;
    case ValueOpId::Transpose:
    case ValueOpId::CTranspose:
      return Rule::Transposed;
    case ValueOpId::Plus:
    case ValueOpId::Minus:
    case ValueOpId::Times:
    case ValueOpId::LDivide:
    case ValueOpId::RDivide:
    case ValueOpId::Eq:
    case ValueOpId::Ne:
    case ValueOpId::Lt:
    case ValueOpId::Gt:
    case ValueOpId::Le:
    case ValueOpId::Ge:
    case ValueOpId::And:
    case ValueOpId::Or:
    case ValueOpId::Atan2:
      return Rule::Elementwise;
    default:
      return Rule::AsFirst;
  }
}

}  // namespace

std::optional<Shape> operatorResultShape(ValueOpId::Type op, const qtf::Dimension& first,
                                         const qtf::Dimension& second) {
  switch (ruleOf(op)) {
    case Rule::AsFirst:
      return shapeOf(first);
    case Rule::Transposed:
      return Shape{first.n(), first.m()};
    case Rule::FirstScalar:
      return first.isScalar() ? std::optional<Shape>(shapeOf(second)) : std::nullopt;
    case Rule::SecondScalar:
      return second.isScalar() ? std::optional<Shape>(shapeOf(first)) : std::nullopt;
    case Rule::BothScalar:
      return first.isScalar() && second.isScalar() ? std::optional<Shape>(Shape{1, 1}) : std::nullopt;
    case Rule::Product:
      if (first.isScalar()) {
        return shapeOf(second);
      }
      if (second.isScalar()) {
        return shapeOf(first);
      }
      return first.n() == second.m() ? std::optional<Shape>(Shape{first.m(), second.n()}) : std::nullopt;
    case Rule::Elementwise:
      if (first.isScalar()) {
        return shapeOf(second);
      }
      if (second.isScalar() || first == second) {
        return shapeOf(first);
      }
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<Shape> concatenationShape(const std::vector<data_manager::Value>& values, bool vertical) {
  std::optional<Shape> shape;
  for (const data_manager::Value& v : values) {
    const qtf::Dimension& d = v.getDimension();
    if (d.m() == 0 && d.n() == 0) {
      continue;
    }
    // Stacked extent (rows for vertcat) and shared extent (columns for vertcat).
    const std::uint64_t stacked = vertical ? d.m() : d.n();
    const std::uint64_t shared = vertical ? d.n() : d.m();
    if (!shape) {
      shape = vertical ? Shape{0, shared} : Shape{shared, 0};
    }
    (vertical ? shape->rows : shape->cols) += stacked;
  }
  return shape;
}

Shape selectionShape(const qtf::Dimension& source, const qtf::SubsRef::Index& rows, const qtf::SubsRef::Index& cols) {
  return {rows.isAll() ? source.m() : rows.positions().size(), cols.isAll() ? source.n() : cols.positions().size()};
}

void checkResultSize(const char* what, const std::optional<Shape>& shape, std::uint64_t limit) {
  if (!shape) {
    return;
  }
  constexpr std::uint64_t kMaxExtent = std::numeric_limits<std::uint32_t>::max();
  const std::uint64_t rows = shape->rows;
  const std::uint64_t cols = shape->cols;
  const bool representable = rows <= kMaxExtent && cols <= kMaxExtent;
  if (representable && rows * cols <= limit) {
    return;
  }
  const bool overflows = rows != 0 && cols > std::numeric_limits<std::uint64_t>::max() / rows;
  const std::string shapeText = std::to_string(rows) + "x" + std::to_string(cols);
  if (overflows) {
    qtf::raise("dmcalc:usage:ResultTooLarge", what, shapeText, "more than 18446744073709551615", limit);
  }
  qtf::raise("dmcalc:usage:ResultTooLarge", what, shapeText, rows * cols, limit);
}

}  // namespace dmcalc
