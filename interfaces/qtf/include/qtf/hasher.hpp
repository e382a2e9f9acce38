// SPDX-License-Identifier: Apache-2.0
//
// Hasher: a 64-bit hash over a sequence of inputs. Equal inputs fed in equal
// order give equal hashes, in every run and on every platform of the same
// byte order.
#ifndef QTF_HASHER_HPP
#define QTF_HASHER_HPP

#include <cstddef>
#include <cstdint>
#include <string>

#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/qtf_export.hpp"

namespace qtf {

class QTF_EXPORT Hasher {
 public:
  Hasher() noexcept = default;

  void addValue(const int& value) noexcept;
  void addValue(const bool& value) noexcept;
  void addValue(const Dimension& value) noexcept;
  void addValue(const std::uint64_t& value) noexcept;
  // Adds the count elements of type t at data. Throws "qtf:type:InvalidDataType" for a bad t.
  void addData(DataTypeId::Type t, std::size_t count, const void* data);
  // Adds raw bytes, preceded by their length so that adjacent inputs cannot run together.
  void addBytes(const void* data, std::size_t bytes) noexcept;
  void addString(const std::string& text) noexcept;

  // The hash of everything added so far; adding more afterwards is allowed.
  std::uint64_t getHash() const noexcept;

 private:
  void mixWord(std::uint64_t word) noexcept;

  std::uint64_t mState = 0x243f6a8885a308d3ULL;
  std::uint64_t mCount = 0;
};

}  // namespace qtf

#endif  // QTF_HASHER_HPP
