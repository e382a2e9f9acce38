// SPDX-License-Identifier: Apache-2.0
//
// Construction without raw ownership or untyped buffers: contexts and converted values in std::unique_ptr, values
// from std::vector, initializer lists, pointer-and-count pairs and single numbers, with the element type deduced
// from the C++ type (see elementtype.hpp) and the element count checked against the dimension before any element is
// read. Units are given as text (read by the context's unit parser) or as a UnitExpression.
#ifndef DATA_MANAGER_EXPORT_MAKE_HPP
#define DATA_MANAGER_EXPORT_MAKE_HPP

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/data_manager_export.hpp"
#include "data_manager/datatyperec.hpp"
#include "data_manager/elementtype.hpp"
#include "data_manager/value.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace data_manager {

// A new context bound to units, which must outlive it. Throws "data_manager:context:TimeUnitNotSpecified" when units
// has no time unit and std::bad_alloc when memory runs out.
inline std::unique_ptr<Context> makeContext(const unit_manager::Context& units) {
  std::unique_ptr<Context> context(Context::create(units));
  if (!context) {
    throw std::bad_alloc();
  }
  return context;
}

// A unit as a parameter: text ("km/h"), a UnitExpression, or nothing for the context's default unit. Text is read by
// the context's unit parser, so units defined in that context are known; a null text reads as "", which no parser
// accepts.
class UnitSpec {
 public:
  UnitSpec() = default;
  UnitSpec(const char* text) : mKind(Kind::Text), mText(text != nullptr ? text : "") {}  // NOLINT: implicit by design
  UnitSpec(std::string text) : mKind(Kind::Text), mText(std::move(text)) {}              // NOLINT: implicit by design
  UnitSpec(const unit_manager::UnitExpression& unit) : mKind(Kind::Expression), mUnit(unit) {}  // NOLINT: implicit

  // The unit in context. Throws the unit parser's errors ("unit_manager:parser:UnknownUnit",
  // "unit_manager:parser:InvalidUnitExpression") for text it rejects.
  unit_manager::UnitExpression resolve(const Context& context) const {
    switch (mKind) {
      case Kind::Text: {
        const std::unique_ptr<unit_manager::UnitParser> parser(context.getUnitContext().createUnitParser());
        return parser->parse(mText);
      }
      case Kind::Expression:
        return mUnit;
      default:
        return context.getUnitContext().defaultUnit();
    }
  }

 private:
  enum class Kind { Default, Text, Expression };
  Kind mKind = Kind::Default;
  std::string mText;
  unit_manager::UnitExpression mUnit;
};

// A resolved value of type and dimension in unit, holding a copy of the count elements at elements (row by row).
// Checks, in this order, before reading anything: "data_manager:value:InvalidDataType" (type is no element type),
// "data_manager:value:ElementCountMismatch" (count differs from the dimension's element count; arguments: the
// count and the dimension, "2" and "3x1"), "data_manager:value:NullElementData" (elements is null although the
// dimension holds elements). Throws std::bad_alloc when memory runs out.
DATA_MANAGER_EXPORT Value makeValue(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                    const void* elements, std::size_t count, const unit_manager::UnitExpression& unit);

// The same with the element type deduced from T: unsigned char (UChar), double, int, unsigned int, char or signed
// char (Char). Throws the unit's errors first, then as above.
template <typename T>
Value makeValue(const Context& context, const qtf::Dimension& dimension, const T* elements, std::size_t count,
                const UnitSpec& unit = {}) {
  static_assert(kIsElementType<T>, "elements must be unsigned char, double, int, unsigned int, char or signed char");
  return makeValue(context, ElementType<T>::value, dimension, elements, count, unit.resolve(context));
}

// From a vector or a braced list of elements, row by row: makeValue(context, {2, 1}, {1.5, 2.5}, "km").
template <typename T>
Value makeValue(const Context& context, const qtf::Dimension& dimension, const std::vector<T>& elements,
                const UnitSpec& unit = {}) {
  static_assert(kIsElementType<T>, "elements must be unsigned char, double, int, unsigned int, char or signed char");
  return makeValue(context, dimension, elements.data(), elements.size(), unit);
}
template <typename T>
Value makeValue(const Context& context, const qtf::Dimension& dimension, std::initializer_list<T> elements,
                const UnitSpec& unit = {}) {
  static_assert(kIsElementType<T>, "elements must be unsigned char, double, int, unsigned int, char or signed char");
  return makeValue(context, dimension, elements.begin(), elements.size(), unit);
}

// A 1-by-1 value: makeScalar(context, 2.5, "km") is a double, makeScalar(context, 3, "m") an int.
template <typename T>
Value makeScalar(const Context& context, T element, const UnitSpec& unit = {}) {
  static_assert(kIsElementType<T>, "a scalar must be unsigned char, double, int, unsigned int, char or signed char");
  return makeValue(context, qtf::Dimension(1, 1), &element, 1, unit);
}

// value.createConvertedValue(type, affine), owned by the returned pointer. The offset of an affine unit (degC, degF)
// counts only when affine is true: true for absolute temperatures, false for differences. Throws
// "data_manager:value:QueryUnresolvedValue", "data_manager:data_type_rec:InvalidDataTypeConversion",
// "data_manager:data_type_rec:InconsistentDimensions" and the unit manager's conversion errors.
inline std::unique_ptr<Value> convert(const Value& value, const DataTypeRec& type, bool affine) {
  return std::unique_ptr<Value>(value.createConvertedValue(type, affine));
}

// value in unit, keeping its element type and dimension: convert(distance, "m", false). Throws the unit's errors,
// then as above.
inline std::unique_ptr<Value> convert(const Value& value, const UnitSpec& unit, bool affine) {
  const DataTypeRec type(value.getContext(), value.getDataType(), unit.resolve(value.getContext()));
  return convert(value, type, affine);
}

// value.linear() and value.affine(): a Double value in the fundamental units of its unit, without or with the
// unit's offset. Non-Double values throw "data_manager:data_type_rec:InvalidDataTypeConversion".
inline std::unique_ptr<Value> toLinear(const Value& value) { return std::unique_ptr<Value>(value.linear()); }
inline std::unique_ptr<Value> toAffine(const Value& value) { return std::unique_ptr<Value>(value.affine()); }

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_MAKE_HPP
