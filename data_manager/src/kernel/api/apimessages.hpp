// SPDX-License-Identifier: Apache-2.0
//
// Identifiers of the errors of typed construction and element access.
#ifndef DATA_MANAGER_SRC_KERNEL_API_APIMESSAGES_HPP
#define DATA_MANAGER_SRC_KERNEL_API_APIMESSAGES_HPP

#include "kernel/messages.hpp"

namespace data_manager {
namespace msg {
namespace value {
inline constexpr const char* ElementCountMismatch = "data_manager:value:ElementCountMismatch";
inline constexpr const char* NullElementData = "data_manager:value:NullElementData";
inline constexpr const char* ElementTypeMismatch = "data_manager:value:ElementTypeMismatch";
inline constexpr const char* ElementIndexOutOfRange = "data_manager:value:ElementIndexOutOfRange";
}  // namespace value
}  // namespace msg
}  // namespace data_manager

#endif  // DATA_MANAGER_SRC_KERNEL_API_APIMESSAGES_HPP
