// SPDX-License-Identifier: Apache-2.0
//
// ValueTraitId: the first state of new value data.
#ifndef DATA_MANAGER_EXPORT_VALUETRAITID_HPP
#define DATA_MANAGER_EXPORT_VALUETRAITID_HPP

namespace data_manager {

struct ValueTraitId {
  enum Type : int {
    Resolved = 0,    // holds its elements
    Unresolved = 1,  // announces type, dimension and unit only, until it is tied to data
  };
  static constexpr int NumTraits = 2;
};

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_VALUETRAITID_HPP
