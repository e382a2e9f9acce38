// SPDX-License-Identifier: Apache-2.0
//
// The data-manager library in one include.
#ifndef DATA_MANAGER_EXPORT_DATA_MANAGER_HPP
#define DATA_MANAGER_EXPORT_DATA_MANAGER_HPP

#include "data_manager/base.hpp"
#include "data_manager/context.hpp"
#include "data_manager/datairinfo.hpp"

#endif  // DATA_MANAGER_EXPORT_DATA_MANAGER_HPP
