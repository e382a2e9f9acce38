// SPDX-License-Identifier: Apache-2.0
//
// Lowering a value into the intermediate representation: a scalar constant for
// a 1-by-1 value, otherwise a new matrix variable assigned element by element.
#include "data_manager/datairinfo.hpp"
#include "data_manager/value.hpp"
#include "data_manager/valueattributes.hpp"
#include "qtir/context.hpp"
#include "qtir/function.hpp"
#include "qtir/scope.hpp"

namespace data_manager {
namespace {

// Gives up the creator's reference of expression data when it goes out of scope, on every path.
class CreatorReference {
 public:
  explicit CreatorReference(const qtir::ExpressionData* data) noexcept : mData(data) {}
  CreatorReference(const CreatorReference&) = delete;
  CreatorReference& operator=(const CreatorReference&) = delete;
  ~CreatorReference() { mData->releaseReference(); }
  const qtir::ExpressionData& operator*() const noexcept { return *mData; }

 private:
  const qtir::ExpressionData* mData;
};

qtir::Expression constant(const qtir::Context& context, qtf::DataTypeId::Type type, const void* element) {
  const CreatorReference data(qtir::Constant::createScalarConstant(context, type, element));
  return qtir::Expression(*data);
}

}  // namespace

qtir::Expression Value::createExpression(DataIrInfo& info) const {
  const qtf::DataTypeId::Type type = getDataType();
  const qtf::Dimension& dimension = getDimension();
  if (dimension.isScalar()) {
    const void* data = getGenericValue();
    return constant(info.getFunction().getContext(), type, data);
  }

  qtir::Scope& scope = info.getFunction().getFunctionScope(qtir::FunctionScopeType::Local);
  const std::string& name = getAttributes().getName();
  auto& variable = dynamic_cast<qtir::Variable&>(
      scope.addGenericScopeItem(qtir::ScopeItemType::Variable, scope.makeUniqueName(name)));
  const qtir::Context& context = info.getFunction().getContext();
  {
    const qtir::MatrixType matrixType(context.getBuiltinType(type), dimension);
    variable.setType(matrixType);
  }

  const auto* element = static_cast<const unsigned char*>(getGenericValue());
  const std::size_t size = qtf::get_type_size(type);
  for (std::uint32_t i = 0; i < dimension.m(); ++i) {
    for (std::uint32_t j = 0; j < dimension.n(); ++j) {
      const qtir::Expression value = constant(context, type, element);
      const int column = static_cast<int>(j);
      const int row = static_cast<int>(i);
      *variable(qtir::Expression(row), qtir::Expression(column)) = value;
      element += size;
    }
  }
  const CreatorReference reference(new qtir::VariableRef(variable));
  return qtir::Expression(*reference);
}

}  // namespace data_manager
