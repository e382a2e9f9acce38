// SPDX-License-Identifier: Apache-2.0
//
// Operator<T>: the abstract base of the stateless objects that carry out one
// operator for one element type T (the first operand's type). The front door
// asks, in this order: the result type, the result dimension (raising the
// dimension errors), the unit propagation rule, and finally compute.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATOR_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATOR_HPP

#include "data_manager/context.hpp"
#include "qtf/allocator.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "unit_manager/context.hpp"

namespace data_manager::detail {

template <typename T>
class Operator : public qtf::AllocatorBase {
 public:
  Operator() = default;
  Operator(const Operator&) = delete;
  Operator& operator=(const Operator&) = delete;
  virtual ~Operator() = default;

  virtual qtf::DataTypeId::Type getResultType() const = 0;
  // The unit context's rule for this operator; the context keeps owning it.
  virtual const unit_manager::UnitPropagationRule* getPropagationRule(const Context& context) const = 0;
  // second is null for one-operand operators.
  virtual qtf::Dimension getResultDimension(const Context& context, const qtf::Dimension& first,
                                            const qtf::Dimension* second) const = 0;
  // True when compute relies on a zero-filled result (it accumulates into it); otherwise compute writes every element
  // and the buffer need not be cleared first.
  virtual bool needsZeroedResult() const noexcept { return false; }
  // Writes the result elements into result, which is sized for the result dimension (and zero-filled when
  // needsZeroedResult says so).
  virtual void compute(const Context& context, void* result, const qtf::Dimension& first, const void* firstData,
                       double firstFactor, const qtf::Dimension* second, const void* secondData,
                       double secondFactor) const = 0;
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_OPERATOR_HPP
