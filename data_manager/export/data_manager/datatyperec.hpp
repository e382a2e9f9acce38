// SPDX-License-Identifier: Apache-2.0
//
// DataTypeRec: the type of a value without its data: element type, dimension
// (fixed, or variable: any dimension is accepted) and unit. convertData turns
// a typed buffer in some unit into a new buffer in the record's unit.
#ifndef DATA_MANAGER_EXPORT_DATATYPEREC_HPP
#define DATA_MANAGER_EXPORT_DATATYPEREC_HPP

#include <utility>

#include "data_manager/base.hpp"
#include "data_manager/data_manager_export.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/hasher.hpp"
#include "unit_manager/unitexpression.hpp"

namespace data_manager {

class Context;

class DATA_MANAGER_EXPORT DataTypeRec : public Base {
 public:
  // Fixed dimension in the unit context's default unit.
  DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension);
  // Fixed dimension in unit.
  DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
              const unit_manager::UnitExpression& unit);
  // Variable dimension (reported as 0-by-0) in unit.
  DataTypeRec(const Context& context, qtf::DataTypeId::Type type, const unit_manager::UnitExpression& unit);
  DataTypeRec(const DataTypeRec& r);
  // Takes r's type, flag, dimension and unit; the context binding stays.
  DataTypeRec& operator=(const DataTypeRec& r);
  ~DataTypeRec() override;

  qtf::DataTypeId::Type getDataType() const noexcept { return mDataType; }
  const qtf::Dimension& getDimension() const noexcept { return mDimension; }
  const unit_manager::UnitExpression& getUnit() const noexcept { return *mUnit; }
  bool isVariable() const noexcept { return mVariable; }

  // Equal type, flag, dimension and unit; contexts are not compared.
  bool operator==(const DataTypeRec& other) const noexcept;
  bool operator!=(const DataTypeRec& other) const noexcept { return !(*this == other); }

  // Adds type, flag, dimension and unit, in that order.
  void hash(qtf::Hasher& hasher) const;

  // Converts data (elements of type, laid out by dimension, measured in unit) into a new buffer of the record's unit:
  // element x becomes x * scale + offset, offset counting only when affine is true, stored as the element type
  // dictates. Returns the buffer, which the caller releases with qtf_free, and its dimension. Throws
  // "data_manager:data_type_rec:InvalidDataTypeConversion" when type differs from the record's,
  // "data_manager:data_type_rec:InconsistentDimensions" when a fixed dimension differs from dimension (both before
  // anything is allocated), and the unit manager's conversion errors.
  std::pair<void*, qtf::Dimension> convertData(qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                                               const unit_manager::UnitExpression& unit, const void* data,
                                               bool affine) const;

 private:
  qtf::DataTypeId::Type mDataType;
  bool mVariable;
  qtf::Dimension mDimension;
  unit_manager::UnitExpression* mUnit;  // owned
};

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_DATATYPEREC_HPP
