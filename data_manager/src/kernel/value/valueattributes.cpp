// SPDX-License-Identifier: Apache-2.0
#include "data_manager/valueattributes.hpp"

#include <new>

#include "kernel/value/valueattributesimpl.hpp"

namespace data_manager {

using detail::ValueAttributesImpl;

ValueAttributes* ValueAttributes::create(const Context& context) {
  return new (std::nothrow) ValueAttributesImpl(context);
}

ValueAttributes& ValueAttributes::operator=(const ValueAttributes& a) {
  if (this != &a) {
    setName(a.getName());
    setAnnotation(a.getAnnotation());
    setAttributeValue(a.getAttributeValue());
  }
  return *this;
}

ValueAttributes::~ValueAttributes() = default;

ValueAttributesImpl::ValueAttributesImpl(const Context& context)
    : ValueAttributes(context),
      mValue(context, ValueTraitId::Resolved, qtf::DataTypeId::Double, qtf::Dimension(0, 0)) {}

ValueAttributesImpl::~ValueAttributesImpl() = default;

}  // namespace data_manager
