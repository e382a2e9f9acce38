// SPDX-License-Identifier: Apache-2.0
//
// Dimension: the shape of an m-by-n matrix whose elements lie row by row.
#ifndef QTF_DIMENSION_HPP
#define QTF_DIMENSION_HPP

#include <cstddef>
#include <cstdint>
#include <string>

#include "qtf/qtf_export.hpp"

namespace qtf {

class QTF_EXPORT Dimension {
 public:
  Dimension() noexcept = default;
  Dimension(std::uint32_t m, std::uint32_t n) noexcept : mM(m), mN(n) {}

  std::uint32_t m() const noexcept { return mM; }
  std::uint32_t n() const noexcept { return mN; }

  // m times n, computed in 64 bits so that it never overflows.
  std::size_t getNumElements() const noexcept { return static_cast<std::size_t>(mM) * mN; }

  // True only for exactly 1-by-1.
  bool isScalar() const noexcept { return mM == 1 && mN == 1; }

  bool isEmpty() const noexcept { return mM == 0 || mN == 0; }

  // Position of element (i, j) in a row-by-row buffer: i * n + j.
  std::size_t computeIndex(std::size_t i, std::size_t j) const noexcept { return i * mN + j; }

  bool operator==(const Dimension& other) const noexcept { return mM == other.mM && mN == other.mN; }
  bool operator!=(const Dimension& other) const noexcept { return !(*this == other); }

  // "2x3", for messages.
  std::string str() const;

 private:
  std::uint32_t mM = 0;
  std::uint32_t mN = 0;
};

}  // namespace qtf

#endif  // QTF_DIMENSION_HPP
