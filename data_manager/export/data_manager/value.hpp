// SPDX-License-Identifier: Apache-2.0
//
// Value: an m-by-n matrix of one of five element types that carries a unit.
// A Value is a small handle on reference-counted value data; copies and
// assigned handles share that data (there is no copy-on-write). A value is
// resolved (it holds its elements) or unresolved (it announces its type,
// dimension and unit) until share() ties it to a value that has data.
#ifndef DATA_MANAGER_EXPORT_VALUE_HPP
#define DATA_MANAGER_EXPORT_VALUE_HPP

#include <iosfwd>
#include <string>
#include <vector>

#include "data_manager/base.hpp"
#include "data_manager/data_manager_export.hpp"
#include "data_manager/valuetraitid.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/hasher.hpp"
#include "qtf/subsref.hpp"
#include "qtir/expression.hpp"
#include "unit_manager/unitexpression.hpp"

namespace data_manager {

class Context;
class DataIrInfo;
class DataTypeRec;
class ValueAttributes;

// The library's internals; callers never see inside them.
namespace detail {
class ValueData;
struct ValueAccess;
}  // namespace detail

class DATA_MANAGER_EXPORT Value : public Base {
 public:
  // A value in the unit context's default unit. A Resolved value is zero-filled. Throws
  // "data_manager:value:InvalidDataType" and "data_manager:value:InvalidValueTrait" for bad identifiers and
  // std::bad_alloc when memory runs out.
  Value(const Context& context, ValueTraitId::Type trait, qtf::DataTypeId::Type type, const qtf::Dimension& dimension);
  // As above in unit; a Resolved value copies getNumElements() elements from data (zeros when data is null), an
  // Unresolved value ignores data.
  Value(const Context& context, ValueTraitId::Type trait, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
        const unit_manager::UnitExpression& unit, const void* data);
  // A resolved value read from its text form DATA[:UNIT[:TYPE]], such as "[1,2;3,4]:km:double". Throws
  // "data_manager:value:InvalidStringValueSpecification", "...InvalidStringDataSpecification",
  // "...InvalidStringTypeSpecification" (first argument: the offending text), the unit parser's errors and
  // "qtf:string:InvalidNumber" for an element that is no number.
  Value(const Context& context, const std::string& text);
  // Shares v's data. The copy gets its own attribute object, assigned from v's, when v has one.
  Value(const Value& v);
  // A resolved value of the elements of value that ref selects, in value's type and unit, with data of its own and
  // no attributes. Throws "data_manager:value:InconsistentSubscriptDimension" when ref was made for another dimension
  // and "data_manager:value:QueryUnresolvedValue" when value is unresolved.
  Value(const Value& value, const qtf::SubsRef& ref);
  ~Value() override;

  // Shares v's data; this handle's attributes and context binding stay.
  Value& operator=(const Value& v);

  // Ties this value and other together: the unresolved side comes to read the resolved side's data (with both
  // unresolved, other's data refers to this one's). Throws "data_manager:value:OverresolvingValue" when both are
  // resolved, "...InconsistentDataType", "...InconsistentDimension" and "...InconsistentUnits" (units not
  // commensurate), with the side that would become the reference named first. Changes nothing on failure.
  void share(Value& other);

  qtf::DataTypeId::Type getDataType() const noexcept;
  const qtf::Dimension& getDimension() const noexcept;
  const unit_manager::UnitExpression& getUnit() const noexcept;
  // True when degC or degF occurs in the unit.
  bool isAffineUnitInValue() const noexcept;
  // True when the value, following the values it is tied to, has data.
  bool isResolved() const;
  // The elements row by row. Throws "data_manager:value:QueryUnresolvedValue" when the value is unresolved.
  const void* getGenericValue() const;

  // The attribute object, created on first use through either form. Throws std::bad_alloc when memory runs out.
  ValueAttributes& getAttributes();
  const ValueAttributes& getAttributes() const;
  // True once the attribute object exists.
  bool hasAttributes() const noexcept { return mAttributes != nullptr; }

  // Has no effect.
  void assertSameType(qtf::DataTypeId::Type) const noexcept {}

  // Bitwise equality: both resolved, same type, dimension and unit, same bytes. An unresolved value equals nothing,
  // itself included. Attributes take no part.
  bool operator==(const Value& other) const;
  bool operator!=(const Value& other) const { return !(*this == other); }

  // Adds type, dimension, unit, resolved flag and (when resolved) the data to hasher. Equal values hash alike.
  void hash(qtf::Hasher& hasher) const;

  // A new value, owned by the caller, with this value's data converted into type's unit (and dimension, when fixed);
  // the offset of an affine conversion counts only when affine is true. Copies the attributes (creating this value's
  // attribute object first when it has none). Throws "data_manager:value:QueryUnresolvedValue",
  // "data_manager:data_type_rec:InvalidDataTypeConversion", "...InconsistentDimensions" and the unit manager's
  // conversion errors.
  Value* createConvertedValue(const DataTypeRec& type, bool affine) const;
  // This Double value in the fundamental units of its unit, without (linear) or with (affine) the unit's offset; a new
  // value owned by the caller. Non-Double values throw "data_manager:data_type_rec:InvalidDataTypeConversion".
  Value* linear() const;
  Value* affine() const;

  // The text form, always with all three fields: "[1,2;3,4]:km:double". Throws
  // "data_manager:value:QueryUnresolvedValue" when the value is unresolved.
  std::string toString() const;

  // Lowers the value into info's function. A 1-by-1 value becomes a scalar constant; any other value becomes a new
  // variable of matrix type in the function's local scope, named after the value's name attribute (made unique), with
  // one assignment per element in row order, and the returned expression refers to it. A value without an attribute
  // object gets one. Throws "data_manager:value:QueryUnresolvedValue" for an unresolved value (after declaring the
  // variable, for a matrix) and passes on the representation's errors.
  qtir::Expression createExpression(DataIrInfo& info) const;

 protected:
  detail::ValueData& getData() noexcept { return *mData; }
  const detail::ValueData& getData() const noexcept { return *mData; }

 private:
  friend struct detail::ValueAccess;
  // Takes over one count of data. Hidden: only the library makes values this way.
  DATA_MANAGER_NO_EXPORT explicit Value(detail::ValueData* data) noexcept;
  void releaseData() noexcept;

  detail::ValueData* mData;
  mutable ValueAttributes* mAttributes;
};

// Writes value.toString() to stream; the stream is left as it was when that throws.
DATA_MANAGER_EXPORT std::ostream& operator<<(std::ostream& stream, const Value& value);

// The operands stacked top to bottom (vertcat) or placed left to right (horzcat). 0-by-0 operands are skipped; the
// first other operand leads: it fixes the element type, the shared extent (columns for vertcat, rows for horzcat) and
// the result's unit, and every other operand is scaled into that unit as Plus would scale it. The result is bound to
// the first operand's context. Throws "data_manager:value:InconsistentCatDimensions" and
// "data_manager:value:InconsistentCatTypes" (at the first bad operand, extent before type),
// "data_manager:value:QueryUnresolvedValue", the unit manager's propagation errors, and
// "data_manager:value:EmptyConcatenation" for an empty vector. With every operand 0-by-0 the result is a 0-by-0 Double
// value in the default unit.
DATA_MANAGER_EXPORT Value vertcat(const std::vector<Value>& values);
DATA_MANAGER_EXPORT Value vertcat(const Value& first, const Value& second);
DATA_MANAGER_EXPORT Value horzcat(const std::vector<Value>& values);
DATA_MANAGER_EXPORT Value horzcat(const Value& first, const Value& second);

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_VALUE_HPP
