// SPDX-License-Identifier: Apache-2.0
//
// Typed, checked element access: getElements<T>(value) is a read-only view of a resolved value's elements as T,
// refused unless T stores the value's element type (see elementtype.hpp).
#ifndef DATA_MANAGER_EXPORT_ACCESS_HPP
#define DATA_MANAGER_EXPORT_ACCESS_HPP

#include <cstddef>

#include "data_manager/data_manager_export.hpp"
#include "data_manager/elementtype.hpp"
#include "data_manager/value.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"

namespace data_manager {

// The elements of value, row by row, when type is its element type. Throws, in this order,
// "data_manager:value:ElementTypeMismatch" (arguments: the type asked for and the value's type, "int" and "double")
// and "data_manager:value:QueryUnresolvedValue".
DATA_MANAGER_EXPORT const void* getElements(const Value& value, qtf::DataTypeId::Type type);

namespace access_detail {
// Throw "data_manager:value:ElementIndexOutOfRange" naming the position and the dimension.
[[noreturn]] DATA_MANAGER_EXPORT void throwElementIndexOutOfRange(std::size_t index, const qtf::Dimension& dimension);
[[noreturn]] DATA_MANAGER_EXPORT void throwElementIndexOutOfRange(std::size_t row, std::size_t column,
                                                                  const qtf::Dimension& dimension);
}  // namespace access_detail

// A read-only view of a value's elements as T, row by row: element (i, j) of an m-by-n value is [i * n + j]. The view
// holds a handle on the value's data, so it stays valid after the value it came from is gone (a temporary included);
// the elements of a resolved value never change.
template <typename T>
class ElementView {
 public:
  using value_type = T;
  using size_type = std::size_t;
  using const_iterator = const T*;
  using iterator = const T*;

  const T* data() const noexcept { return mElements; }
  std::size_t size() const noexcept { return mValue.getDimension().getNumElements(); }
  bool empty() const noexcept { return size() == 0; }
  const qtf::Dimension& dimension() const noexcept { return mValue.getDimension(); }
  std::size_t rows() const noexcept { return mValue.getDimension().m(); }
  std::size_t columns() const noexcept { return mValue.getDimension().n(); }

  const T* begin() const noexcept { return mElements; }
  const T* end() const noexcept { return mElements + size(); }

  // Element i in storage order, unchecked: i must be below size().
  const T& operator[](std::size_t i) const noexcept { return mElements[i]; }
  // Element i in storage order, or element (row, column). Throws "data_manager:value:ElementIndexOutOfRange" when the
  // position lies outside the dimension (a column beyond n is refused even when row * n + column is below size()).
  const T& at(std::size_t i) const {
    if (i >= size()) {
      access_detail::throwElementIndexOutOfRange(i, dimension());
    }
    return mElements[i];
  }
  const T& at(std::size_t row, std::size_t column) const {
    if (row >= rows() || column >= columns()) {
      access_detail::throwElementIndexOutOfRange(row, column, dimension());
    }
    return mElements[dimension().computeIndex(row, column)];
  }

 private:
  template <typename U>
  friend ElementView<U> getElements(const Value& value);
  explicit ElementView(const Value& value)
      : mValue(value), mElements(static_cast<const T*>(getElements(mValue, ElementType<T>::value))) {}

  Value mValue;  // shares the data, keeping the elements alive
  const T* mElements;
};

// The elements of value as T: getElements<double>(v)[0]. Throws "data_manager:value:ElementTypeMismatch" when T does
// not store value's element type, then "data_manager:value:QueryUnresolvedValue"; std::bad_alloc when memory runs out
// (copying an attribute object into the view's handle).
template <typename T>
ElementView<T> getElements(const Value& value) {
  static_assert(kIsElementType<T>,
                "elements are read as unsigned char, double, int, unsigned int, char or signed char");
  return ElementView<T>(value);
}

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_ACCESS_HPP
