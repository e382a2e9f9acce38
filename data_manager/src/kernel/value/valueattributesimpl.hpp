// SPDX-License-Identifier: Apache-2.0
//
// ValueAttributesImpl: the library's attribute object, holding its fields by value.
#ifndef DATA_MANAGER_SRC_KERNEL_VALUE_VALUEATTRIBUTESIMPL_HPP
#define DATA_MANAGER_SRC_KERNEL_VALUE_VALUEATTRIBUTESIMPL_HPP

#include <string>

#include "data_manager/value.hpp"
#include "data_manager/valueattributes.hpp"

namespace data_manager::detail {

class ValueAttributesImpl : public ValueAttributes {
 public:
  explicit ValueAttributesImpl(const Context& context);
  ~ValueAttributesImpl() override;

  const std::string& getName() const override { return mName; }
  void setName(const std::string& name) override { mName = name; }
  const std::string& getAnnotation() const override { return mAnnotation; }
  void setAnnotation(const std::string& annotation) override { mAnnotation = annotation; }
  const Value& getAttributeValue() const override { return mValue; }
  void setAttributeValue(const Value& value) override { mValue = value; }

 private:
  std::string mName;
  std::string mAnnotation;
  Value mValue;
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_VALUE_VALUEATTRIBUTESIMPL_HPP
