// SPDX-License-Identifier: Apache-2.0
//
// What the benchmark programs share: one data manager context per process, reproducible random operands of each
// element type, values made from them, and a fresh result buffer of the kind a plain C++ baseline writes into.
#ifndef SORVEXA_BENCH_BENCH_SUPPORT_HPP
#define SORVEXA_BENCH_BENCH_SUPPORT_HPP

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "unit_manager/context.hpp"

namespace bench {

inline const data_manager::Context& context() {
  static const unit_manager::StandardContext unitContext;
  static const std::unique_ptr<data_manager::Context> instance(data_manager::Context::create(unitContext));
  return *instance;
}

// The DataTypeId of each element type's C++ type, and the short name the benchmark cases use for it.
template <typename T>
struct TypeId {
  static constexpr qtf::DataTypeId::Type value = std::is_same_v<T, double>         ? qtf::DataTypeId::Double
                                                 : std::is_same_v<T, int>          ? qtf::DataTypeId::Int
                                                 : std::is_same_v<T, unsigned int> ? qtf::DataTypeId::UInt
                                                 : std::is_same_v<T, char>         ? qtf::DataTypeId::Char
                                                                                   : qtf::DataTypeId::UChar;
  static constexpr const char* names[] = {"uchar", "double", "int", "uint", "char"};  // in DataTypeId order
  static constexpr const char* name = names[value];
};

// n elements: doubles uniform in [-1, 1), integers uniform over the whole type (so that sums wrap).
template <typename T>
std::vector<T> randomNumbers(std::size_t n, unsigned seed) {
  std::mt19937_64 random(seed);
  std::vector<T> out(n);
  if constexpr (std::is_floating_point_v<T>) {
    std::uniform_real_distribution<double> distribution(-1.0, 1.0);
    for (T& x : out) {
      x = distribution(random);
    }
  } else {
    for (T& x : out) {
      x = static_cast<T>(random());
    }
  }
  return out;
}

// randomNumbers(n, seed) made once per process and kept: benchmark functions run several times (to find an iteration
// count, and once per repetition), and drawing 1e7 numbers each time would slow the run down, not the figures.
template <typename T>
const std::vector<T>& cachedRandomNumbers(std::size_t n, unsigned seed) {
  static std::map<std::pair<std::size_t, unsigned>, std::vector<T>> cache;
  auto found = cache.find({n, seed});
  if (found == cache.end()) {
    found = cache.emplace(std::make_pair(n, seed), randomNumbers<T>(n, seed)).first;
  }
  return found->second;
}

template <typename T>
data_manager::Value makeValue(std::uint32_t m, std::uint32_t n, const char* unit, const std::vector<T>& data) {
  return data_manager::Value(context(), data_manager::ValueTraitId::Resolved, TypeId<T>::value, qtf::Dimension(m, n),
                             unit_manager::UnitExpression::parse(unit), data.data());
}

template <typename T>
data_manager::Value randomValue(std::uint32_t m, std::uint32_t n, const char* unit, unsigned seed) {
  return makeValue<T>(m, n, unit, cachedRandomNumbers<T>(static_cast<std::size_t>(m) * n, seed));
}

// A result buffer as a plain loop would get it: allocated anew, not initialised.
template <typename T>
std::unique_ptr<T[]> freshBuffer(std::size_t n) {
  return std::unique_ptr<T[]>(new T[n]);
}

// Integer sums and products wrap (computed in the unsigned type of the same width); doubles are plain.
template <typename T>
T wrappingAdd(T a, T b) {
  if constexpr (std::is_floating_point_v<T>) {
    return a + b;
  } else {
    using U = std::make_unsigned_t<T>;
    return static_cast<T>(static_cast<U>(static_cast<U>(a) + static_cast<U>(b)));
  }
}

template <typename T>
T wrappingMultiply(T a, T b) {
  if constexpr (std::is_floating_point_v<T>) {
    return a * b;
  } else {
    using U = std::make_unsigned_t<T>;
    using Wide = std::conditional_t<(sizeof(U) < sizeof(unsigned int)), unsigned int, U>;
    return static_cast<T>(static_cast<U>(static_cast<Wide>(static_cast<U>(a)) * static_cast<Wide>(static_cast<U>(b))));
  }
}

// MTimes of two random n-by-n double values (m times s) through ValueOperator, reported in GFLOP/s.
inline void productLibrary(benchmark::State& state, std::uint32_t n) {
  const data_manager::Value a = randomValue<double>(n, n, "m", 1);
  const data_manager::Value b = randomValue<double>(n, n, "s", 2);
  for (auto _ : state) {
    data_manager::Value r = data_manager::ValueOperator::call(data_manager::ValueOpId::MTimes, a, b);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
  const double flops = 2.0 * static_cast<double>(n) * static_cast<double>(n) * static_cast<double>(n);
  state.counters["GFLOP/s"] = benchmark::Counter(flops, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace bench

#endif  // SORVEXA_BENCH_BENCH_SUPPORT_HPP
