// SPDX-License-Identifier: Apache-2.0
//
// ElementRef: the expression of one element of a scope item, item[row][column].
#ifndef QTIR_SRC_ELEMENTREF_HPP
#define QTIR_SRC_ELEMENTREF_HPP

#include <string>

#include "qtir/expression.hpp"
#include "qtir/scope.hpp"

namespace qtir {

class ElementRef : public ExpressionData {
 public:
  ElementRef(const ScopeItem& item, const Expression& row, const Expression& column) noexcept
      : mItem(&item), mRow(row), mColumn(column) {}
  std::string str() const override { return mItem->getName() + "[" + mRow.str() + "][" + mColumn.str() + "]"; }
  Function* getFunction() const noexcept override { return &mItem->getScope().getFunction(); }

 private:
  ~ElementRef() override = default;
  const ScopeItem* mItem;
  Expression mRow;
  Expression mColumn;
};

}  // namespace qtir

#endif  // QTIR_SRC_ELEMENTREF_HPP
