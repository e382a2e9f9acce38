// SPDX-License-Identifier: Apache-2.0
//
// Base: the common base of every object bound to a Context (type records,
// values, value data, data states, attributes). The binding is set at
// construction and never changes, also not by assignment.
#ifndef DATA_MANAGER_EXPORT_BASE_HPP
#define DATA_MANAGER_EXPORT_BASE_HPP

#include "data_manager/data_manager_export.hpp"
#include "qtf/allocator.hpp"

namespace data_manager {

class Context;

class DATA_MANAGER_EXPORT Base : public qtf::AllocatorBase {
 public:
  // Binds the object to context, which must outlive it.
  explicit Base(const Context& context) noexcept : mContext(&context) {}
  // Binds the copy to other's context.
  Base(const Base& other) noexcept = default;
  // Keeps this object's binding.
  Base& operator=(const Base&) noexcept { return *this; }
  virtual ~Base();

  const Context& getContext() const noexcept { return *mContext; }

 private:
  const Context* mContext;
};

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_BASE_HPP
