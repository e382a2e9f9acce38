// SPDX-License-Identifier: Apache-2.0
//
// Conversions between double and the element types that every part of the
// library shares, defined for every input, and the scaling of a run of
// elements that concatenation and type records share.
#ifndef DATA_MANAGER_SRC_KERNEL_NUMERIC_HPP
#define DATA_MANAGER_SRC_KERNEL_NUMERIC_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace data_manager::detail {

// r truncated toward zero, keeping T's low 8 or 32 bits (so Int 2^31 gives -2^31); NaN and values beyond the 64-bit
// range give 0. Doubles pass through. A plain cast would be undefined behaviour outside T's range.
template <typename T>
inline T truncateWrapped(double r) noexcept {
  if constexpr (std::is_same_v<T, double>) {
    return r;
  } else {
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) {
      return 0;
    }
    const auto wide = static_cast<std::uint64_t>(static_cast<std::int64_t>(r));
    return static_cast<T>(static_cast<std::make_unsigned_t<T>>(wide));
  }
}

// The element as a double: unsigned types by value, signed ones with their sign.
template <typename T>
inline double toDouble(T x) noexcept {
  return static_cast<double>(x);
}

// out[i] = in[i] * scale + offset for count elements, computed in double and stored as truncateWrapped stores it. A
// zero offset is not added, so that -0 stays -0; a scale of 1 without offset copies, since every element type converts
// to double and back exactly.
template <typename T>
inline void scaleAndStore(T* out, const T* in, std::size_t count, double scale, double offset = 0.0) noexcept {
  if (offset == 0.0) {
    if (scale == 1.0) {
      std::memcpy(out, in, count * sizeof(T));
      return;
    }
    for (std::size_t i = 0; i < count; ++i) {
      out[i] = truncateWrapped<T>(toDouble(in[i]) * scale);
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      out[i] = truncateWrapped<T>(toDouble(in[i]) * scale + offset);
    }
  }
}

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_NUMERIC_HPP
