// SPDX-License-Identifier: Apache-2.0
#include "data_manager/datatyperec.hpp"

#include <new>

#include "data_manager/context.hpp"
#include "kernel/elementtypes.hpp"
#include "kernel/errordetail.hpp"
#include "kernel/messages.hpp"
#include "kernel/numeric.hpp"
#include "qtf/allocator.hpp"

namespace data_manager {

using detail::checkedElementType;
using detail::perTypeTable;
using detail::scaleAndStore;

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

// Element i becomes x * scale + offset in double, stored as T stores a double: truncated and wrapped for integers.
template <typename T>
void convertElements(const void* src, void* dst, double scale, double offset, std::size_t count) {
  scaleAndStore(static_cast<T*>(dst), static_cast<const T*>(src), count, scale, offset);
}

using ConvertElementsFcn = void (*)(const void*, void*, double, double, std::size_t);

constexpr auto kConverters =
    perTypeTable([](auto tag) -> ConvertElementsFcn { return &convertElements<typename decltype(tag)::type>; });

}  // namespace

DataTypeRec::DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension)
    : DataTypeRec(context, type, dimension, context.getUnitContext().defaultUnit()) {}

DataTypeRec::DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                         const unit_manager::UnitExpression& unit)
    : Base(context),
      mDataType(checkedElementType(type)),
      mVariable(false),
      mDimension(dimension),
      mUnit(copyUnit(unit)) {}

DataTypeRec::DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const unit_manager::UnitExpression& unit)
    : Base(context), mDataType(checkedElementType(type)), mVariable(true), mDimension(0, 0), mUnit(copyUnit(unit)) {}

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
    detail::raiseRecordDataType(type, mDataType);
  }
  if (!mVariable && mDimension != dimension) {
    detail::raiseRecordDimension(dimension, mDimension);
  }
  const qtf::Dimension result = mVariable ? dimension : mDimension;
  unit_manager::UnitConversion conversion = unit.getConversion(*mUnit);
  if (!affine) {
    conversion.offset = 0.0;
  }
  const std::size_t count = result.getNumElements();
  void* buffer = qtf::allocate_buffer(mDataType, count);
  kConverters[static_cast<std::size_t>(mDataType)](data, buffer, conversion.scale, conversion.offset, count);
  return {buffer, result};
}

}  // namespace data_manager
