// SPDX-License-Identifier: Apache-2.0
//
// Concatenation: vertcat stacks values top to bottom, horzcat places them left
// to right. One routine serves both directions: horzcat is vertcat with rows
// and columns exchanged. Operands are scaled into the lead operand's unit by
// the propagation rule that Plus uses.
#include <limits>
#include <memory>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "kernel/elementtypes.hpp"
#include "kernel/errordetail.hpp"
#include "kernel/messages.hpp"
#include "kernel/numeric.hpp"
#include "kernel/propagation/describeoperand.hpp"
#include "kernel/value/valueaccess.hpp"
#include "qtf/allocator.hpp"

namespace data_manager {

using detail::describeOperand;
using detail::perTypeTable;
using detail::scaleAndStore;
using detail::TypeOf;
using detail::ValueAccess;

namespace {

// The extent operands share (columns when stacking vertically) and the one they add up.
std::uint32_t sharedExtent(const qtf::Dimension& d, bool vertical) { return vertical ? d.n() : d.m(); }
std::uint32_t stackedExtent(const qtf::Dimension& d, bool vertical) { return vertical ? d.m() : d.n(); }

template <typename T, bool Vertical>
Value concatenate(const Context& context, std::uint32_t total, std::uint32_t shared, std::size_t lead,
                  const std::vector<bool>& skip, const std::vector<Value>& values) {
  const Value& leadValue = values[lead];
  std::vector<double> factors(values.size(), 0.0);
  unit_manager::UnitExpression resultUnit(context.getUnitContext());
  const unit_manager::UnitPropagationRule* rule =
      context.getUnitContext().propagationRule(unit_manager::PropagationRuleId::Additive);
  // Each operand is paired with the lead; the pair's second factor is the operand's scale.
  std::vector<unit_manager::PropagateOperandInfo> pair{
      describeOperand<T>(leadValue.getDimension(), leadValue.getUnit(), leadValue.getGenericValue())};
  std::vector<double> pairFactors;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (skip[i]) {
      continue;
    }
    pair.resize(1, pair.front());
    pair.push_back(describeOperand<T>(values[i].getDimension(), values[i].getUnit(), values[i].getGenericValue()));
    pairFactors.assign(2, 0.0);
    unit_manager::UnitExpression unit = rule->propagate(pair, pairFactors);
    factors[i] = pairFactors[1];
    if (i == lead) {
      resultUnit = unit;
    }
  }

  const qtf::Dimension result = Vertical ? qtf::Dimension(total, shared) : qtf::Dimension(shared, total);
  // Every element of the result is written below, so the buffer need not be cleared first.
  qtf::BufferPtr buffer(qtf::allocate_buffer(TypeOf<T>::value, result.getNumElements()));
  T* out = static_cast<T*>(buffer.get());
  std::size_t offset = 0;  // rows (vertical) or columns (horizontal) written so far
  for (std::size_t i = 0; i < values.size(); ++i) {
    const T* in = static_cast<const T*>(values[i].getGenericValue());
    if (skip[i]) {
      continue;
    }
    const qtf::Dimension& d = values[i].getDimension();
    if (Vertical) {
      // Whole rows of equal width follow each other: one contiguous block per operand.
      scaleAndStore(out + result.computeIndex(offset, 0), in, d.getNumElements(), factors[i]);
    } else {
      for (std::size_t row = 0; row < d.m(); ++row) {
        scaleAndStore(out + result.computeIndex(row, offset), in + d.computeIndex(row, 0), d.n(), factors[i]);
      }
    }
    offset += stackedExtent(d, Vertical);
  }
  return ValueAccess::adopt(context, leadValue.getDataType(), result, resultUnit, buffer.release());
}

using ConcatenateFcn = Value (*)(const Context&, std::uint32_t, std::uint32_t, std::size_t, const std::vector<bool>&,
                                 const std::vector<Value>&);

// Indexed by DataTypeId, one table per direction.
constexpr auto kVerticalConcatenators =
    perTypeTable([](auto tag) -> ConcatenateFcn { return &concatenate<typename decltype(tag)::type, true>; });
constexpr auto kHorizontalConcatenators =
    perTypeTable([](auto tag) -> ConcatenateFcn { return &concatenate<typename decltype(tag)::type, false>; });

Value concatenate(const std::vector<Value>& values, bool vertical) {
  if (values.empty()) {
    qtf::raise(msg::value::EmptyConcatenation);
  }
  const Context& context = values.front().getContext();
  std::vector<bool> skip(values.size(), true);
  std::size_t lead = values.size();
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const qtf::Dimension& d = values[i].getDimension();
    if (d.m() == 0 && d.n() == 0) {
      continue;
    }
    skip[i] = false;
    if (lead == values.size()) {
      lead = i;
    } else {
      const Value& leadValue = values[lead];
      if (sharedExtent(d, vertical) != sharedExtent(leadValue.getDimension(), vertical)) {
        detail::raiseCatDimensions(vertical, i, sharedExtent(d, vertical), lead,
                                   sharedExtent(leadValue.getDimension(), vertical));
      }
      if (values[i].getDataType() != leadValue.getDataType()) {
        detail::raiseCatTypes(i, values[i].getDataType(), lead, leadValue.getDataType());
      }
    }
    total += stackedExtent(d, vertical);
  }
  if (lead == values.size()) {
    return Value(context, ValueTraitId::Resolved, qtf::DataTypeId::Double, qtf::Dimension(0, 0));
  }
  if (total > std::numeric_limits<std::uint32_t>::max()) {
    qtf::raise(msg::value::TooManyElements, total, vertical ? "rows" : "columns");
  }
  const ConcatenateFcn fcn =
      (vertical ? kVerticalConcatenators
                : kHorizontalConcatenators)[static_cast<std::size_t>(values[lead].getDataType())];
  return fcn(context, static_cast<std::uint32_t>(total), sharedExtent(values[lead].getDimension(), vertical), lead,
             skip, values);
}

}  // namespace

Value vertcat(const std::vector<Value>& values) { return concatenate(values, true); }

Value vertcat(const Value& first, const Value& second) { return concatenate({first, second}, true); }

Value horzcat(const std::vector<Value>& values) { return concatenate(values, false); }

Value horzcat(const Value& first, const Value& second) { return concatenate({first, second}, false); }

}  // namespace data_manager
