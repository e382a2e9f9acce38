// SPDX-License-Identifier: Apache-2.0
//
// Writing large results past the caches. A result larger than the caches is not read again before it leaves them,
// and an ordinary store first reads every destination line it writes. Large results are therefore written in
// 64-byte blocks with non-temporal stores, which write whole lines without reading them: each block is computed into
// a small array that the compiler keeps in vector registers and then streamed out.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_STREAMING_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_STREAMING_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace data_manager::detail {

// Results of at least this many bytes are streamed; smaller ones are likely to be read again while still cached.
constexpr std::size_t kStreamingThreshold = std::size_t{4} << 20;
constexpr std::size_t kStreamBlock = 64;

// Writes result[i] = element(i) for i in [0, n), every element exactly once, so the values do not depend on how.
template <typename T, typename Element>
__attribute__((always_inline)) inline void writeElements(T* result, std::size_t n, const Element& element) {
  std::size_t i = 0;
#if defined(__x86_64__)
  static_assert(kStreamBlock % sizeof(T) == 0, "elements tile a block");
  if (n * sizeof(T) >= kStreamingThreshold) {
    for (; reinterpret_cast<std::uintptr_t>(result + i) % kStreamBlock != 0; ++i) {
      result[i] = element(i);
    }
    constexpr std::size_t kPerBlock = kStreamBlock / sizeof(T);
    for (; i + kPerBlock <= n; i += kPerBlock) {
      alignas(kStreamBlock) T block[kPerBlock];
      for (std::size_t j = 0; j < kPerBlock; ++j) {
        block[j] = element(i + j);
      }
      auto* out = reinterpret_cast<unsigned char*>(result + i);
      for (std::size_t k = 0; k < kStreamBlock; k += 16) {
        __m128i v;
        std::memcpy(&v, reinterpret_cast<const unsigned char*>(block) + k, 16);
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + k), v);
      }
    }
    // Non-temporal stores are weakly ordered: fence them before whoever reads the result next.
    _mm_sfence();
  }
#endif
  for (; i < n; ++i) {
    result[i] = element(i);
  }
}

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_STREAMING_HPP
