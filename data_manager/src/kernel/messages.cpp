// SPDX-License-Identifier: Apache-2.0
#include "kernel/messages.hpp"

#include <iterator>

namespace data_manager {
namespace msg {
namespace {

const qtf::MessageEntry kCatalogue[] = {
    {context::TimeUnitNotSpecified, "The unit context has no time unit"},
    {data_type_rec::InvalidDataTypeConversion, "A type record cannot change the element type of the data it converts"},
    {data_type_rec::InconsistentDimensions, "The data's dimension differs from the type record's fixed dimension"},
    {value::QueryUnresolvedValue, "The value is unresolved and has no data to read"},
    {value::OverresolvingValue, "Cannot tie a value whose data is resolved to other data"},
    {value::InconsistentDataType, "Cannot tie a value of type {1} to one of type {2}"},
    {value::InconsistentDimension, "Cannot tie a value of dimension {1} to one of dimension {2}"},
    {value::InconsistentUnits, "Cannot tie a value in {1} to one in {2}: the units are not commensurate"},
    {value::InvalidStringValueSpecification, "'{1}' is not a value text: expected DATA[:UNIT[:TYPE]]"},
    {value::InvalidStringDataSpecification, "'{1}' is not a valid matrix text"},
    {value::InvalidStringTypeSpecification, "'{1}' is not an element type name"},
    {value::InconsistentCatDimensions, "The operands of a concatenation do not agree in their shared extent"},
    {value::InconsistentCatTypes, "The operands of a concatenation have different element types"},
    {value::InconsistentSubscriptDimension,
     "A subscript made for a {1} matrix cannot be applied to a value of dimension {2}"},
    {value::InvalidBinaryOperatorDimension, "The operands' dimensions do not agree"},
    {value::InvalidElementWiseFirstScalarOperatorDimension, "The first operand must be a scalar"},
    {value::InvalidElementWiseSecondScalarOperatorDimension, "The second operand must be a scalar"},
    {value::InvalidMtimesDimension, "The inner dimensions of a matrix product do not agree"},
    {value::ScalarOperands, "Both operands must be scalars"},
    {value::InvalidMathOperatorType, "Math functions take double operands only"},
    {value::CanNotConvertNanToLogical, "NaN cannot be converted to a logical value"},
    {value::IntegerDivisionByZero, "Integer division by zero"},
    {value::InvalidOperator, "{1} is not an operator"},
    {value::InvalidDataType, "{1} is not an element type"},
    {value::InvalidValueTrait, "{1} is not a value trait"},
    {value::TooManyElements, "A result of {1} {2} is larger than a dimension can hold"},
    {value::EmptyConcatenation, "A concatenation needs at least one operand"},
    {value::InvalidPrintPrecision, "{1} is not a number of significant digits: give 0 (shortest exact) or more"},
    {value::ElementCountMismatch, "The element count {1} does not match the dimension {2}"},
    {value::NullElementData, "No element data was given for a value of dimension {1}"},
    {value::ElementTypeMismatch, "Cannot read the elements of a {2} value as {1}"},
    {value::ElementIndexOutOfRange, "Element {1} lies outside a value of dimension {2}"},
};

const bool kRegistered = qtf::register_messages(kCatalogue, std::size(kCatalogue));

}  // namespace

}  // namespace msg
}  // namespace data_manager
