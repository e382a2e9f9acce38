// SPDX-License-Identifier: Apache-2.0
//
// DataIrInfo: hands out the intermediate-representation function into which
// values are lowered. The library supplies no implementation; the user of the
// lowering registers a factory, and the first registration wins.
#ifndef DATA_MANAGER_EXPORT_DATAIRINFO_HPP
#define DATA_MANAGER_EXPORT_DATAIRINFO_HPP

#include "data_manager/data_manager_export.hpp"
#include "qtf/allocator.hpp"

namespace qtir {
class Function;
}  // namespace qtir

namespace data_manager {

class DataIrInfo;

using DataIrInfoFactory = DataIrInfo* (*)(qtir::Function& function);

class DATA_MANAGER_EXPORT DataIrInfo : public qtf::AllocatorBase {
 public:
  DataIrInfo() noexcept = default;
  DataIrInfo(const DataIrInfo&) noexcept = default;
  // Changes nothing.
  DataIrInfo& operator=(const DataIrInfo&) noexcept { return *this; }
  virtual ~DataIrInfo();

  // The function values are lowered into.
  virtual qtir::Function& getFunction() const = 0;

  // A new DataIrInfo for function from the registered factory, owned by the caller; null when no factory is
  // registered.
  static DataIrInfo* create(qtir::Function& function);

  // Stores factory unless one is stored already; returns true in every case.
  static bool registerFactory(DataIrInfoFactory factory) noexcept;

 private:
  static DataIrInfoFactory smFactory;
};

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_DATAIRINFO_HPP
