// SPDX-License-Identifier: Apache-2.0
//
// Operator calls on 1-by-1 values: what a call through ValueOperator costs in dispatch, unit propagation and the
// result value, per operator family (Plus, Times, Lt, And, Sin, MTimes, Transpose) and per element type where the
// type changes the path, in equal units and, for Plus and Lt, in m against km (the second operand scaled).
//
// Baseline: the least a scalar operation with its result on the heap costs, one allocation, the same arithmetic
// (integers wrapping, km scaled by 1000) and one free, measured in the same process. Operands go through
// DoNotOptimize so that neither side is folded away.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

#include "bench_support.hpp"
#include "data_manager/valueoperator.hpp"

namespace {

using bench::TypeId;
using data_manager::Value;
using data_manager::ValueOperator;
using data_manager::ValueOpId;

template <typename T>
struct Operands {
  static constexpr T first() {
    if constexpr (std::is_floating_point_v<T>) {
      return T(0.25);
    } else {
      return T(100);
    }
  }
  static constexpr T second() {
    if constexpr (std::is_floating_point_v<T>) {
      return T(0.5);
    } else {
      return T(27);
    }
  }
};

template <typename T>
void callLibrary(benchmark::State& state, ValueOpId::Type op, const char* firstUnit, const char* secondUnit) {
  const T x = Operands<T>::first();
  const T y = Operands<T>::second();
  const Value a(bench::context(), data_manager::ValueTraitId::Resolved, TypeId<T>::value, qtf::Dimension(1, 1),
                unit_manager::UnitExpression::parse(firstUnit), &x);
  const Value b(bench::context(), data_manager::ValueTraitId::Resolved, TypeId<T>::value, qtf::Dimension(1, 1),
                unit_manager::UnitExpression::parse(secondUnit), &y);
  for (auto _ : state) {
    Value r = ValueOperator::call(op, a, b);
    benchmark::DoNotOptimize(r.getGenericValue());
  }
}

// One allocation holding fcn(a, b), then its release.
template <typename T, typename R, typename Fcn>
void callBaseline(benchmark::State& state, Fcn fcn) {
  T a = Operands<T>::first();
  T b = Operands<T>::second();
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    std::unique_ptr<R> r(new R(fcn(a, b)));
    benchmark::DoNotOptimize(r.get());
  }
}

template <typename Fcn>
void registerPair(const std::string& stem, Fcn library, void (*baseline)(benchmark::State&)) {
  benchmark::RegisterBenchmark((stem + "/library").c_str(), library);
  benchmark::RegisterBenchmark((stem + "/baseline").c_str(), baseline);
}

// Plus, Times, Lt and And in equal units for element type T.
template <typename T>
void registerTyped() {
  const std::string type = TypeId<T>::name;
  registerPair(
      "Plus_" + type + "/1x1", [](benchmark::State& s) { callLibrary<T>(s, ValueOpId::Plus, "m", "m"); },
      [](benchmark::State& s) { callBaseline<T, T>(s, [](T a, T b) { return bench::wrappingAdd(a, b); }); });
  registerPair(
      "Times_" + type + "/1x1", [](benchmark::State& s) { callLibrary<T>(s, ValueOpId::Times, "m", "m"); },
      [](benchmark::State& s) { callBaseline<T, T>(s, [](T a, T b) { return bench::wrappingMultiply(a, b); }); });
  registerPair(
      "Lt_" + type + "/1x1", [](benchmark::State& s) { callLibrary<T>(s, ValueOpId::Lt, "m", "m"); },
      [](benchmark::State& s) {
        callBaseline<T, unsigned char>(s, [](T a, T b) { return static_cast<unsigned char>(a < b); });
      });
  registerPair(
      "And_" + type + "/1x1", [](benchmark::State& s) { callLibrary<T>(s, ValueOpId::And, "1", "1"); },
      [](benchmark::State& s) {
        callBaseline<T, unsigned char>(s, [](T a, T b) { return static_cast<unsigned char>(a != T(0) && b != T(0)); });
      });
}

bool registerAll() {
  registerTyped<double>();
  registerTyped<unsigned char>();
  registerTyped<char>();
  registerTyped<int>();
  registerTyped<unsigned int>();

  // m against km: the second operand is scaled by 1000 into the first one's unit.
  registerPair(
      "Plus_double/1x1_m_km", [](benchmark::State& s) { callLibrary<double>(s, ValueOpId::Plus, "m", "km"); },
      [](benchmark::State& s) { callBaseline<double, double>(s, [](double a, double b) { return a + 1000 * b; }); });
  registerPair(
      "Lt_double/1x1_m_km", [](benchmark::State& s) { callLibrary<double>(s, ValueOpId::Lt, "m", "km"); },
      [](benchmark::State& s) {
        callBaseline<double, unsigned char>(
            s, [](double a, double b) { return static_cast<unsigned char>(a < 1000 * b); });
      });

  registerPair(
      "Sin_double/1x1", [](benchmark::State& s) { callLibrary<double>(s, ValueOpId::Sin, "1", "1"); },
      [](benchmark::State& s) { callBaseline<double, double>(s, [](double a, double) { return std::sin(a); }); });
  registerPair(
      "MTimes_double/1x1", [](benchmark::State& s) { callLibrary<double>(s, ValueOpId::MTimes, "m", "s"); },
      [](benchmark::State& s) { callBaseline<double, double>(s, [](double a, double b) { return a * b; }); });
  registerPair(
      "Transpose_double/1x1", [](benchmark::State& s) { callLibrary<double>(s, ValueOpId::Transpose, "m", "m"); },
      [](benchmark::State& s) { callBaseline<double, double>(s, [](double a, double) { return a; }); });
  return true;
}

const bool registered = registerAll();

}  // namespace
