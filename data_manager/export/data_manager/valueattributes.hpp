// SPDX-License-Identifier: Apache-2.0
//
// ValueAttributes: a value's name, a second text attribute (the annotation)
// and an attached value. Lowering names its variables after the name.
// Attributes take no part in value equality or hashing.
#ifndef DATA_MANAGER_EXPORT_VALUEATTRIBUTES_HPP
#define DATA_MANAGER_EXPORT_VALUEATTRIBUTES_HPP

#include <string>

#include "data_manager/base.hpp"
#include "data_manager/data_manager_export.hpp"

namespace data_manager {

class Context;
class Value;

class DATA_MANAGER_EXPORT ValueAttributes : public Base {
 public:
  // A new attribute object of the library's implementation, owned by the caller: empty name and annotation, and a
  // resolved 0-by-0 Double attached value. Null when memory runs out.
  static ValueAttributes* create(const Context& context);

  explicit ValueAttributes(const Context& context) noexcept : Base(context) {}
  // For implementations: binds to a's context and copies nothing else.
  ValueAttributes(const ValueAttributes& a) noexcept : Base(a) {}
  // Copies name, annotation and attached value through the virtual operations; the context binding stays.
  ValueAttributes& operator=(const ValueAttributes& a);
  ~ValueAttributes() override;

  virtual const std::string& getName() const = 0;
  virtual void setName(const std::string& name) = 0;
  virtual const std::string& getAnnotation() const = 0;
  virtual void setAnnotation(const std::string& annotation) = 0;
  virtual const Value& getAttributeValue() const = 0;
  // The attached value comes to share value's data.
  virtual void setAttributeValue(const Value& value) = 0;
};

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_VALUEATTRIBUTES_HPP
