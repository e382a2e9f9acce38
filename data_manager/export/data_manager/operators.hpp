// SPDX-License-Identifier: Apache-2.0
//
// Free operators and one named function per operator on Value, each a call of ValueOperator::call:
//
//   a + b  plus     a - b  minus    a * b  times (elementwise)    a / b  rdivide (elementwise)
//   +a     uplus    -a     uminus   a < b  lt   a <= b  le   a > b  gt   a >= b  ge
//   a & b  and_     a | b  or_      !a     not_
//
// The named functions carry the operator's getName spelling (mtimes, mldivide, atan2, isnan, ctranspose, ...);
// "and", "or" and "not" are C++ keywords, so those three end in an underscore. One-operand functions take one operand.
//
// Value::operator== and != stay what they are: exact equality of type, dimension, unit and bytes, giving a bool.
// Elementwise equality is eq(a, b) and ne(a, b), which give logical values like the other comparisons.
//
// Every function returns a new resolved value bound to the first operand's context and throws what
// ValueOperator::call throws, in its order: "data_manager:value:QueryUnresolvedValue", the dimension errors
// ("...InvalidBinaryOperatorDimension", "...InvalidElementWiseFirstScalarOperatorDimension",
// "...InvalidElementWiseSecondScalarOperatorDimension", "...InvalidMtimesDimension", "...ScalarOperands"),
// "...InvalidMathOperatorType", the unit manager's propagation errors, "...CanNotConvertNanToLogical" and
// "...IntegerDivisionByZero". The operands are never changed. The first operand's element type decides the
// arithmetic; the second operand is converted to it.
#ifndef DATA_MANAGER_EXPORT_OPERATORS_HPP
#define DATA_MANAGER_EXPORT_OPERATORS_HPP

#include "data_manager/value.hpp"
#include "data_manager/valueoperator.hpp"
#include "data_manager/valueopid.hpp"

namespace data_manager {

// Arithmetic. Plus and Minus scale second into first's unit; the products and quotients combine the units.
inline Value plus(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::Plus, first, second);
}
inline Value uplus(const Value& operand) { return ValueOperator::call(ValueOpId::UPlus, operand, operand); }
inline Value minus(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::Minus, first, second);
}
inline Value uminus(const Value& operand) { return ValueOperator::call(ValueOpId::UMinus, operand, operand); }
// The matrix product; elementwise when either operand is 1-by-1.
inline Value mtimes(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::MTimes, first, second);
}
inline Value times(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::Times, first, second);
}
// first to the power second, both 1-by-1.
inline Value mpower(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::MPower, first, second);
}
// Each element of first to the power second, which is 1-by-1 and dimensionless.
inline Value power(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::Power, first, second);
}
// second divided by a 1-by-1 first.
inline Value mldivide(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::MlDivide, first, second);
}
// first divided by a 1-by-1 second.
inline Value mrdivide(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::MrDivide, first, second);
}
// Elementwise second / first (ldivide) and first / second (rdivide).
inline Value ldivide(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::LDivide, first, second);
}
inline Value rdivide(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::RDivide, first, second);
}

// Elementwise comparisons, after scaling second into first's unit: logical (uchar) values, 1 where the relation holds.
inline Value eq(const Value& first, const Value& second) { return ValueOperator::call(ValueOpId::Eq, first, second); }
inline Value ne(const Value& first, const Value& second) { return ValueOperator::call(ValueOpId::Ne, first, second); }
inline Value lt(const Value& first, const Value& second) { return ValueOperator::call(ValueOpId::Lt, first, second); }
inline Value gt(const Value& first, const Value& second) { return ValueOperator::call(ValueOpId::Gt, first, second); }
inline Value le(const Value& first, const Value& second) { return ValueOperator::call(ValueOpId::Le, first, second); }
inline Value ge(const Value& first, const Value& second) { return ValueOperator::call(ValueOpId::Ge, first, second); }

// Elementwise logic: logical values; a NaN operand element throws "data_manager:value:CanNotConvertNanToLogical".
inline Value and_(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::And, first, second);
}
inline Value or_(const Value& first, const Value& second) { return ValueOperator::call(ValueOpId::Or, first, second); }
inline Value not_(const Value& operand) { return ValueOperator::call(ValueOpId::Not, operand, operand); }

// Math on double first operands (any other first operand throws "data_manager:value:InvalidMathOperatorType").
inline Value sin(const Value& operand) { return ValueOperator::call(ValueOpId::Sin, operand, operand); }
inline Value cos(const Value& operand) { return ValueOperator::call(ValueOpId::Cos, operand, operand); }
inline Value tan(const Value& operand) { return ValueOperator::call(ValueOpId::Tan, operand, operand); }
inline Value asin(const Value& operand) { return ValueOperator::call(ValueOpId::ASin, operand, operand); }
inline Value acos(const Value& operand) { return ValueOperator::call(ValueOpId::ACos, operand, operand); }
inline Value atan(const Value& operand) { return ValueOperator::call(ValueOpId::ATan, operand, operand); }
// The angle whose tangent is first / second: first is y, second is x.
inline Value atan2(const Value& first, const Value& second) {
  return ValueOperator::call(ValueOpId::Atan2, first, second);
}
inline Value log(const Value& operand) { return ValueOperator::call(ValueOpId::Log, operand, operand); }
inline Value log10(const Value& operand) { return ValueOperator::call(ValueOpId::Log10, operand, operand); }
inline Value sinh(const Value& operand) { return ValueOperator::call(ValueOpId::Sinh, operand, operand); }
inline Value cosh(const Value& operand) { return ValueOperator::call(ValueOpId::Cosh, operand, operand); }
inline Value tanh(const Value& operand) { return ValueOperator::call(ValueOpId::Tanh, operand, operand); }
inline Value exp(const Value& operand) { return ValueOperator::call(ValueOpId::Exp, operand, operand); }
// The square root; the unit's powers are halved (m^2 gives m).
inline Value sqrt(const Value& operand) { return ValueOperator::call(ValueOpId::Sqrt, operand, operand); }

// Rounding and classification, for every element type; isinf and isnan give logical values.
inline Value abs(const Value& operand) { return ValueOperator::call(ValueOpId::Abs, operand, operand); }
inline Value floor(const Value& operand) { return ValueOperator::call(ValueOpId::Floor, operand, operand); }
inline Value ceil(const Value& operand) { return ValueOperator::call(ValueOpId::Ceil, operand, operand); }
inline Value isinf(const Value& operand) { return ValueOperator::call(ValueOpId::IsInf, operand, operand); }
inline Value isnan(const Value& operand) { return ValueOperator::call(ValueOpId::IsNan, operand, operand); }

// The n-by-m transpose; on real elements the conjugate transpose is the same.
inline Value transpose(const Value& operand) { return ValueOperator::call(ValueOpId::Transpose, operand, operand); }
inline Value ctranspose(const Value& operand) { return ValueOperator::call(ValueOpId::CTranspose, operand, operand); }

inline Value operator+(const Value& first, const Value& second) { return plus(first, second); }
inline Value operator-(const Value& first, const Value& second) { return minus(first, second); }
// Elementwise, as .* and ./ are elsewhere; the matrix product is mtimes.
inline Value operator*(const Value& first, const Value& second) { return times(first, second); }
inline Value operator/(const Value& first, const Value& second) { return rdivide(first, second); }
inline Value operator+(const Value& operand) { return uplus(operand); }
inline Value operator-(const Value& operand) { return uminus(operand); }
inline Value operator<(const Value& first, const Value& second) { return lt(first, second); }
inline Value operator<=(const Value& first, const Value& second) { return le(first, second); }
inline Value operator>(const Value& first, const Value& second) { return gt(first, second); }
inline Value operator>=(const Value& first, const Value& second) { return ge(first, second); }
inline Value operator&(const Value& first, const Value& second) { return and_(first, second); }
inline Value operator|(const Value& first, const Value& second) { return or_(first, second); }
inline Value operator!(const Value& operand) { return not_(operand); }

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_OPERATORS_HPP
