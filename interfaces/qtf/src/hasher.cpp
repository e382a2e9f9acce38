// SPDX-License-Identifier: Apache-2.0
#include "qtf/hasher.hpp"

#include <cstring>

namespace qtf {
namespace {

constexpr std::uint64_t kMul1 = 0x9e3779b97f4a7c15ULL;
constexpr std::uint64_t kMul2 = 0xff51afd7ed558ccdULL;

inline std::uint64_t rotl(std::uint64_t x, int r) noexcept { return (x << r) | (x >> (64 - r)); }

// MurmurHash3's finaliser: every input bit affects every output bit.
inline std::uint64_t fmix(std::uint64_t k) noexcept {
  k ^= k >> 33;
  k *= kMul2;
  k ^= k >> 33;
  k *= 0xc4ceb9fe1a85ec53ULL;
  k ^= k >> 33;
  return k;
}

}  // namespace

void Hasher::mixWord(std::uint64_t word) noexcept {
  word *= kMul1;
  word = rotl(word, 31);
  word *= kMul2;
  mState ^= word;
  mState = rotl(mState, 27) * 5 + 0x52dce729;
  ++mCount;
}

void Hasher::addValue(const int& value) noexcept { mixWord(static_cast<std::uint32_t>(value)); }

void Hasher::addValue(const bool& value) noexcept { mixWord(value ? 1U : 0U); }

void Hasher::addValue(const Dimension& value) noexcept {
  mixWord((static_cast<std::uint64_t>(value.m()) << 32) | value.n());
}

void Hasher::addValue(const std::uint64_t& value) noexcept { mixWord(value); }

void Hasher::addData(DataTypeId::Type t, std::size_t count, const void* data) {
  addBytes(data, count * get_type_size(t));
}

void Hasher::addBytes(const void* data, std::size_t bytes) noexcept {
  mixWord(bytes);
  const auto* p = static_cast<const unsigned char*>(data);
  std::size_t i = 0;
  for (; i + 8 <= bytes; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    mixWord(word);
  }
  if (i < bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, p + i, bytes - i);
    mixWord(word);
  }
}

void Hasher::addString(const std::string& text) noexcept { addBytes(text.data(), text.size()); }

std::uint64_t Hasher::getHash() const noexcept { return fmix(mState ^ mCount); }

}  // namespace qtf
