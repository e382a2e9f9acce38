// SPDX-License-Identifier: Apache-2.0
#include "data_manager/datairinfo.hpp"

namespace data_manager {

DataIrInfoFactory DataIrInfo::smFactory = nullptr;

DataIrInfo::~DataIrInfo() = default;

DataIrInfo* DataIrInfo::create(qtir::Function& function) {
  return smFactory != nullptr ? smFactory(function) : nullptr;
}

bool DataIrInfo::registerFactory(DataIrInfoFactory factory) noexcept {
  if (smFactory == nullptr) {
    smFactory = factory;
  }
  return true;
}

}  // namespace data_manager
