// SPDX-License-Identifier: Apache-2.0
//
// The shape of a result before it is computed, so that dmcalc can refuse a result larger than its --max-elements
// limit without allocating it: a few kilobytes of text can otherwise ask for any amount of memory (the product of an
// R-by-0 and a 0-by-R matrix has R*R elements). Extents are 64-bit here, so no product or sum of them overflows.
#ifndef DMCALC_RESULTSIZE_HPP
#define DMCALC_RESULTSIZE_HPP

#include <cstdint>
#include <optional>
#include <vector>

#include "data_manager/value.hpp"
#include "data_manager/valueopid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/subsref.hpp"

namespace dmcalc {

struct Shape {
  std::uint64_t rows;
  std::uint64_t cols;
};

// The shape of op's result for operands of shapes first and second (second is not looked at by one-operand
// operators), by the operator's shape rule; nothing when the rule rejects the shapes, which the operator then reports.
std::optional<Shape> operatorResultShape(data_manager::ValueOpId::Type op, const qtf::Dimension& first,
                                         const qtf::Dimension& second);

// The shape of vertcat (vertical) or horzcat of the values: the lead's shared extent and the sum of the others; nothing
// when every value is 0-by-0.
std::optional<Shape> concatenationShape(const std::vector<data_manager::Value>& values, bool vertical);

// The shape of a selection of rows by cols of a source of shape source (":" takes the source's extent).
Shape selectionShape(const qtf::Dimension& source, const qtf::SubsRef::Index& rows, const qtf::SubsRef::Index& cols);

// Throws "dmcalc:usage:ResultTooLarge" (what, the shape, its element count, the limit) when shape holds more than
// limit elements or an extent beyond what a dimension can hold.
void checkResultSize(const char* what, const std::optional<Shape>& shape, std::uint64_t limit);

}  // namespace dmcalc

#endif  // DMCALC_RESULTSIZE_HPP
