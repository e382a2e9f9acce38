// SPDX-License-Identifier: Apache-2.0
#include "qtf/datatypeid.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "messages.hpp"
#include "qtf/allocator.hpp"
#include "qtf/messageexception.hpp"
#include "qtf/strings.hpp"

namespace qtf {

static_assert(std::numeric_limits<char>::is_signed, "the Char element type is signed 8-bit");
static_assert(sizeof(int) == 4 && sizeof(unsigned int) == 4, "the Int and UInt element types are 32-bit");

namespace {

const std::string kNames[] = {"UChar", "Double", "Int", "UInt", "Char"};
const std::string kLowerNames[] = {"uchar", "double", "int", "uint", "char"};
const std::size_t kSizes[] = {1, 8, 4, 4, 1};

int checkedIndex(DataTypeId::Type t) {
  if (!is_valid_type(t)) {
    raise(msg::type::InvalidDataType, static_cast<int>(t));
  }
  return static_cast<int>(t);
}

// Double to an integer type: round half away from zero, saturate, NaN gives 0. Every comparison is made in double
// before the cast, so the cast is always in range.
template <typename Tout>
Tout fromDouble(double v) noexcept {
  if (std::isnan(v)) {
    return 0;
  }
  const double r = std::round(v);
  constexpr double lo = static_cast<double>(std::numeric_limits<Tout>::min());
  constexpr double hi = static_cast<double>(std::numeric_limits<Tout>::max());
  if (r <= lo) {
    return std::numeric_limits<Tout>::min();
  }
  if (r >= hi) {
    return std::numeric_limits<Tout>::max();
  }
  return static_cast<Tout>(r);
}

// Integer to integer, saturated; every element type fits in int64_t.
template <typename Tout, typename Tin>
Tout fromInteger(Tin v) noexcept {
  const auto wide = static_cast<std::int64_t>(v);
  constexpr auto lo = static_cast<std::int64_t>(std::numeric_limits<Tout>::min());
  constexpr auto hi = static_cast<std::int64_t>(std::numeric_limits<Tout>::max());
  return static_cast<Tout>(wide < lo ? lo : (wide > hi ? hi : wide));
}

template <typename Tin, typename Tout>
void convertLoop(std::size_t count, const void* src, void* dst) {
  const auto* in = static_cast<const Tin*>(src);
  auto* out = static_cast<Tout*>(dst);
  if constexpr (std::is_same_v<Tin, Tout>) {
    if (count != 0 && in != out) {
      std::memmove(out, in, count * sizeof(Tin));
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      if constexpr (std::is_same_v<Tout, double>) {
        out[i] = static_cast<double>(in[i]);
      } else if constexpr (std::is_same_v<Tin, double>) {
        out[i] = fromDouble<Tout>(in[i]);
      } else {
        out[i] = fromInteger<Tout>(in[i]);
      }
    }
  }
}

using ConvertFcn = void (*)(std::size_t, const void*, void*);

template <typename Tin>
struct ConvertRow {
  static constexpr ConvertFcn row[] = {
      &convertLoop<Tin, unsigned char>,  // 0 UChar
      &convertLoop<Tin, double>,         // 1 Double
      &convertLoop<Tin, int>,            // 2 Int
      &convertLoop<Tin, unsigned int>,   // 3 UInt
      &convertLoop<Tin, char>,           // 4 Char (signed 8-bit)
  };
};

const ConvertFcn* const kConverters[] = {
    ConvertRow<unsigned char>::row,  // 0 UChar
    ConvertRow<double>::row,         // 1 Double
    ConvertRow<int>::row,            // 2 Int
    ConvertRow<unsigned int>::row,   // 3 UInt
    ConvertRow<char>::row,           // 4 Char (signed 8-bit)
};
static_assert(std::size(kConverters) == DataTypeId::NumTypes, "one entry per DataTypeId");

struct Alias {
  const char* name;
  DataTypeId::Type type;
};

const Alias kAliases[] = {
    {"uchar", DataTypeId::UChar},   {"UChar", DataTypeId::UChar}, {"logical", DataTypeId::UChar},
    {"bool", DataTypeId::UChar},    {"uint8", DataTypeId::UChar}, {"double", DataTypeId::Double},
    {"Double", DataTypeId::Double}, {"int", DataTypeId::Int},     {"Int", DataTypeId::Int},
    {"int32", DataTypeId::Int},     {"uint", DataTypeId::UInt},   {"UInt", DataTypeId::UInt},
    {"uint32", DataTypeId::UInt},   {"char", DataTypeId::Char},   {"Char", DataTypeId::Char},
    {"int8", DataTypeId::Char},
};

}  // namespace

std::size_t get_type_size(DataTypeId::Type t) { return kSizes[checkedIndex(t)]; }

const std::string& get_type_name(DataTypeId::Type t) { return kNames[checkedIndex(t)]; }

const std::string& get_type_name_lower(DataTypeId::Type t) { return kLowerNames[checkedIndex(t)]; }

DataTypeId::Type type_from_string(const std::string& s) {
  const std::string_view name = trim_view(s);
  for (const Alias& alias : kAliases) {
    if (name == alias.name) {
      return alias.type;
    }
  }
  return DataTypeId::Unknown;
}

void* allocate_buffer(DataTypeId::Type t, std::size_t count) {
  const std::size_t size = get_type_size(t);
  if (count > std::numeric_limits<std::size_t>::max() / size) {
    throw std::bad_alloc();
  }
  return Allocator::allocate(count * size);
}

void convert_data(std::size_t count, DataTypeId::Type from, const void* src, DataTypeId::Type to, void* dst) {
  kConverters[checkedIndex(from)][checkedIndex(to)](count, src, dst);
}

}  // namespace qtf
