// SPDX-License-Identifier: Apache-2.0
//
// What the fuzz targets share: a reader that turns input bytes into choices, the
// Finding that reports a broken property, the context every target binds to,
// snapshots that prove an operand unchanged, and the round-trip oracles of the
// two text forms. A target's entry function is LLVMFuzzerTestOneInput in a
// libFuzzer build; the test suite compiles the same function under its own name
// and replays the corpus and the regressions through it.
#ifndef SORVEXA_FUZZ_FUZZ_SUPPORT_HPP
#define SORVEXA_FUZZ_FUZZ_SUPPORT_HPP

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "data_manager/context.hpp"
#include "data_manager/datairinfo.hpp"
#include "data_manager/value.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/hasher.hpp"
#include "qtf/messageexception.hpp"
#include "qtir/context.hpp"
#include "qtir/function.hpp"
#include "sorvexa_test/internals.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

#ifdef SORVEXA_FUZZ_REPLAY
#define SORVEXA_FUZZ_ENTRY(fcn)
#else
#define SORVEXA_FUZZ_ENTRY(fcn) \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { return fcn(data, size); }
#endif

namespace sorvexa_fuzz {

// A property the library broke. It is no library error type, so it leaves the entry function: libFuzzer reports it
// as a crash with its message, the replay test as a failure.
class Finding : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Throws a Finding with the text describe() returns when the property does not hold; the text is only built then.
template <typename Describe>
void require(bool holds, Describe&& describe) {
  if (!holds) {
    throw Finding(describe());
  }
}

// Choices read from the input front to back; an exhausted input reads as zeros, so every input is a valid program.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) noexcept : mData(data), mSize(size) {}

  bool empty() const noexcept { return mPosition >= mSize; }
  std::uint8_t byte() noexcept { return empty() ? 0 : mData[mPosition++]; }
  // A number in 0 .. n-1; n must not be 0.
  std::uint32_t below(std::uint32_t n) noexcept { return byte() % n; }
  template <typename T>
  T raw() noexcept {
    unsigned char bytes[sizeof(T)];
    for (unsigned char& b : bytes) {
      b = byte();
    }
    T x;
    std::memcpy(&x, bytes, sizeof(T));
    return x;
  }
  std::string rest() {
    const std::string text(reinterpret_cast<const char*>(mData) + mPosition, mSize - mPosition);
    mPosition = mSize;
    return text;
  }

 private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mPosition = 0;
};

// The context of every target: standard units, time unit s. It lives for the whole process.
inline const data_manager::Context& context() {
  static const unit_manager::StandardContext unitContext;
  static const std::unique_ptr<data_manager::Context> instance(data_manager::Context::create(unitContext));
  return *instance;
}

inline std::string show(const data_manager::Value& v) {
  return v.isResolved() ? v.toString() : "<unresolved " + v.getDimension().str() + ">";
}

// What a resolved operand was before a call: a deep copy of its data (type, dimension, unit and bytes), its reference
// count and whether it had an attribute object.
class Snapshot {
 public:
  explicit Snapshot(const data_manager::Value& v)
      : mCopy(v.getContext(), data_manager::ValueTraitId::Resolved, v.getDataType(), v.getDimension(), v.getUnit(),
              v.getGenericValue()),
        mRefCount(sorvexa_test::refCount(v)),
        mHasAttributes(v.hasAttributes()) {}

  // Throws a Finding naming what when v differs from the snapshot. An attribute object may appear only when
  // attributesMayAppear: a conversion or lowering of v has completed.
  void requireSame(const data_manager::Value& v, bool attributesMayAppear, const std::string& what) const {
    require(v.isResolved() && v == mCopy,
            [&] { return what + ": operand changed from " + show(mCopy) + " to " + show(v); });
    require(sorvexa_test::refCount(v) == mRefCount, [&] { return what + ": operand reference count changed"; });
    require(v.hasAttributes() == mHasAttributes || (attributesMayAppear && !mHasAttributes),
            [&] { return what + ": operand attribute object changed"; });
  }

 private:
  data_manager::Value mCopy;
  std::int32_t mRefCount;
  bool mHasAttributes;
};

// Lowers into a function of its own, built directly: no factory is registered.
class FunctionInfo : public data_manager::DataIrInfo {
 public:
  FunctionInfo() : mFunction(mContext, "f") {}
  qtir::Function& getFunction() const override { return mFunction; }

 private:
  qtir::Context mContext;
  mutable qtir::Function mFunction;
};

// True when printing the double as the text form does (six significant digits) and reading the text back gives the
// same bits: the elements for which a printed value must parse back equal.
inline bool printsExactly(double x) {
  if (!std::isfinite(x)) {
    return false;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", x);
  const double back = std::strtod(text, nullptr);
  return std::memcmp(&back, &x, sizeof x) == 0;
}

// True for a value whose printed text must parse back to an equal value: Double values whose every element prints
// exactly, and every Int and UInt value. UChar and Char values print characters, which the parser reads as numbers.
inline bool mustRoundTrip(const data_manager::Value& v) {
  switch (v.getDataType()) {
    case qtf::DataTypeId::Int:
    case qtf::DataTypeId::UInt:
      return true;
    case qtf::DataTypeId::Double: {
      const auto* x = static_cast<const double*>(v.getGenericValue());
      for (std::size_t i = 0; i < v.getDimension().getNumElements(); ++i) {
        if (!printsExactly(x[i])) {
          return false;
        }
      }
      return true;
    }
    default:
      return false;
  }
}

inline std::uint64_t hashOf(const data_manager::Value& v) {
  qtf::Hasher hasher;
  v.hash(hasher);
  return hasher.getHash();
}

// Prints v and, when its elements allow, parses the text back and requires an equal value with an equal hash. Errors
// of the library while reading back a printed text are findings; std::bad_alloc passes through.
inline void requireValueRoundTrip(const data_manager::Value& v) {
  const std::string printed = v.toString();
  require(printed.find(':') != std::string::npos && printed.find(':') != printed.rfind(':'),
          [&] { return "printed text lacks a field: " + printed; });
  if (!mustRoundTrip(v)) {
    return;
  }
  require(printed.find(' ') == std::string::npos, [&] { return "printed text contains a space: " + printed; });
  try {
    const data_manager::Value back(v.getContext(), printed);
    require(back == v, [&] { return "printed text " + printed + " reads back as " + back.toString(); });
    require(hashOf(back) == hashOf(v), [&] { return "printed text " + printed + " reads back with another hash"; });
  } catch (const qtf::MessageException& e) {
    throw Finding("printed text " + printed + " does not read back: " + e.what());
  }
}

// Prints u, parses the text back and requires an equal expression that prints the same text and hashes alike.
inline void requireUnitRoundTrip(const unit_manager::UnitExpression& u) {
  const std::string printed = u.convertToString();
  try {
    const unit_manager::UnitExpression back = unit_manager::UnitExpression::parse(printed);
    require(back == u,
            [&] { return "unit text " + printed + " reads back as another expression, " + back.convertToString(); });
    require(back.convertToString() == printed,
            [&] { return "unit text " + printed + " reprints as " + back.convertToString(); });
    qtf::Hasher h1;
    qtf::Hasher h2;
    u.hash(h1);
    back.hash(h2);
    require(h1.getHash() == h2.getHash(), [&] { return "unit text " + printed + " reads back with another hash"; });
    require(u.commensurate(back), [&] { return "unit text " + printed + " reads back incommensurate"; });
  } catch (const qtf::MessageException& e) {
    throw Finding("unit text " + printed + " does not read back: " + e.what());
  }
}

}  // namespace sorvexa_fuzz

#endif  // SORVEXA_FUZZ_FUZZ_SUPPORT_HPP
