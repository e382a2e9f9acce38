// SPDX-License-Identifier: Apache-2.0
//
// SubsRef: a selection of rows and columns of a matrix of one source shape.
// It is checked against that shape when built and remembers it, so that it is
// never used to read outside a buffer of another shape.
#ifndef QTF_SUBSREF_HPP
#define QTF_SUBSREF_HPP

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/qtf_export.hpp"

namespace qtf {

class QTF_EXPORT SubsRef {
 public:
  // 0-based positions along one extent, or every position in order. Positions may repeat and come in any order.
  class QTF_EXPORT Index {
   public:
    static Index all();
    Index(std::vector<std::int64_t> positions);  // NOLINT(google-explicit-constructor): reads as a list literal
    Index(std::initializer_list<std::int64_t> positions);

    bool isAll() const noexcept { return mAll; }
    const std::vector<std::int64_t>& positions() const noexcept { return mPositions; }

   private:
    Index() = default;
    bool mAll = false;
    std::vector<std::int64_t> mPositions;
  };

  // Selects rows x cols of a source of dimension source. Throws "qtf:subsref:IndexOutOfRange" (the position, the
  // extent, "row" or "column") for a position outside the source.
  SubsRef(const Dimension& source, const Index& rows, const Index& cols);

  // The shape of the selection.
  const Dimension& dimension() const noexcept { return mDimension; }
  // The shape of the source the selection was built for.
  const Dimension& sourceDimension() const noexcept { return mSource; }

  // Copies the selected elements of src (laid out as sourceDimension()) into dst, row by row in selection order.
  void assign(DataTypeId::Type t, void* dst, const void* src) const;

 private:
  Dimension mSource;
  Dimension mDimension;
  std::vector<std::uint32_t> mRows;
  std::vector<std::uint32_t> mCols;
};

}  // namespace qtf

#endif  // QTF_SUBSREF_HPP
