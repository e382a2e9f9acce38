// SPDX-License-Identifier: Apache-2.0
#include "qtir/context.hpp"

#include <iterator>

#include "messages.hpp"
#include "qtf/messageexception.hpp"

namespace qtir {
namespace {

const char* const kCNames[] = {
    "unsigned char",  // 0 UChar
    "double",         // 1 Double
    "int",            // 2 Int
    "unsigned int",   // 3 UInt
    "char",           // 4 Char (signed 8-bit)
};
static_assert(std::size(kCNames) == qtf::DataTypeId::NumTypes, "one entry per DataTypeId");

}  // namespace

Type::~Type() = default;

std::unique_ptr<Type> BuiltinType::clone() const { return std::make_unique<BuiltinType>(*this); }

std::string BuiltinType::declare(const std::string& name) const { return std::string(cName()) + " " + name; }

const char* BuiltinType::cName() const { return kCNames[mElementType]; }

MatrixType::MatrixType(const Type& elementType, const qtf::Dimension& dimension)
    : mElementType(elementType.clone()), mDimension(dimension) {
  if (dynamic_cast<const BuiltinType*>(mElementType.get()) == nullptr) {
    qtf::raise(msg::type::NotAMatrixElementType);
  }
}

MatrixType::MatrixType(const MatrixType& other)
    : Type(other), mElementType(other.mElementType->clone()), mDimension(other.mDimension) {}

MatrixType::~MatrixType() = default;

std::unique_ptr<Type> MatrixType::clone() const { return std::make_unique<MatrixType>(*this); }

std::string MatrixType::declare(const std::string& name) const {
  return mElementType->declare(name) + "[" + std::to_string(mDimension.m()) + "][" + std::to_string(mDimension.n()) +
         "]";
}

Context::Context() {
  for (int i = 0; i < qtf::DataTypeId::NumTypes; ++i) {
    mBuiltins[i] = std::make_unique<BuiltinType>(static_cast<qtf::DataTypeId::Type>(i));
  }
}

Context::~Context() = default;

const std::string& Context::getName() const {
  static const std::string name = "qtir";
  return name;
}

int Context::getPointerSize() const noexcept { return static_cast<int>(sizeof(void*)); }

bool Context::isLittleEndian() const noexcept {
  const unsigned int one = 1;
  return *reinterpret_cast<const unsigned char*>(&one) == 1;
}

int Context::getNumBuiltinTypes() const noexcept { return qtf::DataTypeId::NumTypes; }

const Type& Context::getBuiltinType(qtf::DataTypeId::Type elementType) const {
  if (!qtf::is_valid_type(elementType)) {
    qtf::raise(msg::type::InvalidElementType, static_cast<int>(elementType));
  }
  return *mBuiltins[elementType];
}

Base::~Base() = default;

}  // namespace qtir
