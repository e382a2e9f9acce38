// SPDX-License-Identifier: Apache-2.0
//
// The intermediate representation's context, its builtin element types, and
// Base, from which the objects that belong to a context derive.
#ifndef QTIR_CONTEXT_HPP
#define QTIR_CONTEXT_HPP

#include <memory>
#include <string>

#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtir/qtir_export.hpp"

namespace qtir {

class Context;

// A type of the representation. Types are values: whoever keeps one keeps a clone.
class QTIR_EXPORT Type {
 public:
  Type() = default;
  Type(const Type&) = default;
  Type& operator=(const Type&) = delete;
  virtual ~Type();

  virtual std::unique_ptr<Type> clone() const = 0;
  // A C-like declaration of name with this type: "double x", "int v[2][3]".
  virtual std::string declare(const std::string& name) const = 0;
};

// One of the five element types, spelled as C spells it.
class QTIR_EXPORT BuiltinType : public Type {
 public:
  explicit BuiltinType(qtf::DataTypeId::Type elementType) noexcept : mElementType(elementType) {}
  std::unique_ptr<Type> clone() const override;
  std::string declare(const std::string& name) const override;
  qtf::DataTypeId::Type getElementType() const noexcept { return mElementType; }
  // "unsigned char", "double", "int", "unsigned int", "char".
  const char* cName() const;

 private:
  qtf::DataTypeId::Type mElementType;
};

// An m-by-n matrix of a builtin element type.
class QTIR_EXPORT MatrixType : public Type {
 public:
  // elementType must be a BuiltinType; the matrix keeps a clone of it.
  MatrixType(const Type& elementType, const qtf::Dimension& dimension);
  MatrixType(const MatrixType& other);
  ~MatrixType() override;
  std::unique_ptr<Type> clone() const override;
  std::string declare(const std::string& name) const override;
  const Type& getElementType() const noexcept { return *mElementType; }
  const qtf::Dimension& getDimension() const noexcept { return mDimension; }

 private:
  std::unique_ptr<Type> mElementType;
  qtf::Dimension mDimension;
};

class QTIR_EXPORT Context {
 public:
  Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  virtual ~Context();

  virtual const std::string& getName() const;
  virtual int getPointerSize() const noexcept;
  virtual bool isLittleEndian() const noexcept;
  virtual int getNumBuiltinTypes() const noexcept;
  // The builtin type of an element type; the context owns it. Throws "qtir:type:InvalidElementType" for a value that
  // is no element type.
  virtual const Type& getBuiltinType(qtf::DataTypeId::Type elementType) const;

 private:
  std::unique_ptr<BuiltinType> mBuiltins[qtf::DataTypeId::NumTypes];
};

// An object of the representation that belongs to a context.
class QTIR_EXPORT Base {
 public:
  explicit Base(const Context& context) noexcept : mContext(&context) {}
  virtual ~Base();
  const Context& getContext() const noexcept { return *mContext; }

 private:
  const Context* mContext;
};

}  // namespace qtir

#endif  // QTIR_CONTEXT_HPP
