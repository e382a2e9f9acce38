// SPDX-License-Identifier: Apache-2.0
//
// The data-manager library in one include, with the exception type of its errors.
#ifndef DATA_MANAGER_EXPORT_DATA_MANAGER_HPP
#define DATA_MANAGER_EXPORT_DATA_MANAGER_HPP

#include "data_manager/access.hpp"
#include "data_manager/base.hpp"
#include "data_manager/context.hpp"
#include "data_manager/datairinfo.hpp"
#include "data_manager/datatyperec.hpp"
#include "data_manager/elementtype.hpp"
#include "data_manager/make.hpp"
#include "data_manager/operators.hpp"
#include "data_manager/print.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueattributes.hpp"
#include "data_manager/valueoperator.hpp"
#include "data_manager/valueopid.hpp"
#include "data_manager/valuetraitid.hpp"
#include "qtf/messageexception.hpp"

#endif  // DATA_MANAGER_EXPORT_DATA_MANAGER_HPP
