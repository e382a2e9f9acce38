// SPDX-License-Identifier: Apache-2.0
#include "data_manager/datatyperec.hpp"

#include <new>

#include "data_manager/context.hpp"
#include "kernel/messages.hpp"
#include "kernel/numeric.hpp"
#include "qtf/allocator.hpp"

namespace data_manager {
namespace {

// The record's unit copy goes through the library's allocator, so that it is counted like every other block.
unit_manager::UnitExpression* copyUnit(const unit_manager::UnitExpression& unit) {
  void* block = qtf::Allocator::allocate(sizeof(unit_manager::UnitExpression));
  return new (block) unit_manager::UnitExpression(unit);
}

void destroyUnit(unit_manager::UnitExpression* unit) noexcept {
  if (unit != nullptr) {
    unit->~UnitExpression();
    qtf::Allocator::deallocate(unit);
  }
}

qtf::DataTypeId::Type checkedType(qtf::DataTypeId::Type type) {
  if (!qtf::is_valid_type(type)) {
    qtf::raise(msg::value::InvalidDataType, static_cast<int>(type));
  }
  return type;
}

// Element i becomes x * scale + offset in double, stored as T stores a double: truncated and wrapped for integers.
// A zero offset is not added, so that -0 stays -0 when a double is converted by a scale of 1.
template <typename T>
void convertElements(const void* src, void* dst, double scale, double offset, std::size_t count) {
  const auto* in = static_cast<const T*>(src);
  auto* out = static_cast<T*>(dst);
  if (offset == 0.0) {
    for (std::size_t i = 0; i < count; ++i) {
      out[i] = truncateWrapped<T>(toDouble(in[i]) * scale);
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      out[i] = truncateWrapped<T>(toDouble(in[i]) * scale + offset);
    }
  }
}

using ConvertElementsFcn = void (*)(const void*, void*, double, double, std::size_t);

const ConvertElementsFcn kConverters[] = {
    &convertElements<unsigned char>,  // 0 UChar
    &convertElements<double>,         // 1 Double
    &convertElements<int>,            // 2 Int
    &convertElements<unsigned int>,   // 3 UInt
    &convertElements<char>,           // 4 Char (signed 8-bit)
};
static_assert(std::size(kConverters) == qtf::DataTypeId::NumTypes, "one entry per DataTypeId");
static_assert(static_cast<char>(-1) < 0, "the Char element type is signed");

}  // namespace

DataTypeRec::DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension)
    : DataTypeRec(context, type, dimension, context.getUnitContext().defaultUnit()) {}

DataTypeRec::DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                         const unit_manager::UnitExpression& unit)
    : Base(context), mDataType(checkedType(type)), mVariable(false), mDimension(dimension), mUnit(copyUnit(unit)) {}

DataTypeRec::DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const unit_manager::UnitExpression& unit)
    : Base(context), mDataType(checkedType(type)), mVariable(true), mDimension(0, 0), mUnit(copyUnit(unit)) {}

DataTypeRec::DataTypeRec(const DataTypeRec& r)
    : Base(r), mDataType(r.mDataType), mVariable(r.mVariable), mDimension(r.mDimension), mUnit(copyUnit(*r.mUnit)) {}

DataTypeRec& DataTypeRec::operator=(const DataTypeRec& r) {
  if (this != &r) {
    unit_manager::UnitExpression* unit = copyUnit(*r.mUnit);
    destroyUnit(mUnit);
    mUnit = unit;
    mDataType = r.mDataType;
    mVariable = r.mVariable;
    mDimension = r.mDimension;
  }
  return *this;
}

DataTypeRec::~DataTypeRec() { destroyUnit(mUnit); }

bool DataTypeRec::operator==(const DataTypeRec& other) const noexcept {
  return mDataType == other.mDataType && mVariable == other.mVariable && mDimension == other.mDimension &&
         *mUnit == *other.mUnit;
}

void DataTypeRec::hash(qtf::Hasher& hasher) const {
  hasher.addValue(static_cast<int>(mDataType));
  hasher.addValue(mVariable);
  hasher.addValue(mDimension);
  mUnit->hash(hasher);
}

std::pair<void*, qtf::Dimension> DataTypeRec::convertData(qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                                          const unit_manager::UnitExpression& unit, const void* data,
                                                          bool affine) const {
  if (type != mDataType) {
    qtf::raise(msg::data_type_rec::InvalidDataTypeConversion);
  }
  if (!mVariable && mDimension != dimension) {
    qtf::raise(msg::data_type_rec::InconsistentDimensions);
  }
  const qtf::Dimension result = mVariable ? dimension : mDimension;
  unit_manager::UnitConversion conversion = unit.getConversion(*mUnit);
  if (!affine) {
    conversion.offset = 0.0;
  }
  const std::size_t count = result.getNumElements();
  void* buffer = qtf::allocate_buffer(mDataType, count);
  kConverters[mDataType](data, buffer, conversion.scale, conversion.offset, count);
  return {buffer, result};
}

}  // namespace data_manager
