// SPDX-License-Identifier: Apache-2.0
#include "qtf/subsref.hpp"

#include <cstring>
#include <limits>
#include <string>

#include "messages.hpp"
#include "qtf/messageexception.hpp"

namespace qtf {
namespace {

// Checks positions against extent and returns them as 32-bit offsets; "all" becomes 0 .. extent-1.
std::vector<std::uint32_t> resolve(const SubsRef::Index& index, std::uint32_t extent, const char* what) {
  std::vector<std::uint32_t> out;
  if (index.isAll()) {
    out.resize(extent);
    for (std::uint32_t i = 0; i < extent; ++i) {
      out[i] = i;
    }
    return out;
  }
  const std::vector<std::int64_t>& positions = index.positions();
  if (positions.size() > std::numeric_limits<std::uint32_t>::max()) {
    raise(msg::subsref::SelectionTooLarge, positions.size(), what);
  }
  out.reserve(positions.size());
  for (const std::int64_t p : positions) {
    if (p < 0 || p >= static_cast<std::int64_t>(extent)) {
      raise(msg::subsref::IndexOutOfRange, p, extent, what);
    }
    out.push_back(static_cast<std::uint32_t>(p));
  }
  return out;
}

}  // namespace

SubsRef::Index SubsRef::Index::all() {
  Index index;
  index.mAll = true;
  return index;
}

SubsRef::Index::Index(std::vector<std::int64_t> positions) : mPositions(std::move(positions)) {}

SubsRef::Index::Index(std::initializer_list<std::int64_t> positions) : mPositions(positions) {}

SubsRef::SubsRef(const Dimension& source, const Index& rows, const Index& cols)
    : mSource(source), mRows(resolve(rows, source.m(), "row")), mCols(resolve(cols, source.n(), "column")) {
  mDimension = Dimension(static_cast<std::uint32_t>(mRows.size()), static_cast<std::uint32_t>(mCols.size()));
}

void SubsRef::assign(DataTypeId::Type t, void* dst, const void* src) const {
  const std::size_t size = get_type_size(t);
  auto* out = static_cast<unsigned char*>(dst);
  const auto* in = static_cast<const unsigned char*>(src);
  for (const std::uint32_t r : mRows) {
    for (const std::uint32_t c : mCols) {
      std::memcpy(out, in + mSource.computeIndex(r, c) * size, size);
      out += size;
    }
  }
}

}  // namespace qtf
