// SPDX-License-Identifier: Apache-2.0
#include "kernel/errordetail.hpp"

#include <string>

#include "kernel/messages.hpp"
#include "qtf/messageexception.hpp"

namespace data_manager {
namespace detail {
namespace {

std::string typeName(qtf::DataTypeId::Type type) { return qtf::get_type_name_lower(type); }

std::string operand(std::size_t index) { return "operand " + std::to_string(index + 1); }

std::string count(std::size_t n, const char* noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); }

}  // namespace

void raiseOperandDimensions(const char* identifier, const qtf::Dimension& first, const qtf::Dimension& second) {
  qtf::raise_detailed(identifier, ": " + first.str() + " and " + second.str());
}

void raiseMatrixProductDimensions(const qtf::Dimension& first, const qtf::Dimension& second) {
  qtf::raise_detailed(msg::value::InvalidMtimesDimension, ": " + first.str() + " times " + second.str());
}

void raiseNotScalar(const char* identifier, const qtf::Dimension& operand) {
  qtf::raise_detailed(identifier, ", not " + operand.str());
}

void raiseMathOperatorType(qtf::DataTypeId::Type type) {
  qtf::raise_detailed(msg::value::InvalidMathOperatorType, ", not " + typeName(type));
}

void raiseCatDimensions(bool vertical, std::size_t index, std::size_t extent, std::size_t lead,
                        std::size_t leadExtent) {
  qtf::raise_detailed(msg::value::InconsistentCatDimensions, ": " + operand(index) + " has " +
                                                                 count(extent, vertical ? "column" : "row") + ", " +
                                                                 operand(lead) + " has " + std::to_string(leadExtent));
}

void raiseCatTypes(std::size_t index, qtf::DataTypeId::Type type, std::size_t lead, qtf::DataTypeId::Type leadType) {
  qtf::raise_detailed(msg::value::InconsistentCatTypes, ": " + operand(index) + " is " + typeName(type) + ", " +
                                                            operand(lead) + " is " + typeName(leadType));
}

void raiseRecordDataType(qtf::DataTypeId::Type data, qtf::DataTypeId::Type record) {
  qtf::raise_detailed(msg::data_type_rec::InvalidDataTypeConversion,
                      ": the data is " + typeName(data) + ", the record " + typeName(record));
}

void raiseRecordDimension(const qtf::Dimension& data, const qtf::Dimension& record) {
  qtf::raise_detailed(msg::data_type_rec::InconsistentDimensions,
                      ": the data is " + data.str() + ", the record " + record.str());
}

void raiseUnresolved(qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
                     const unit_manager::UnitExpression& unit) {
  qtf::raise_detailed(msg::value::QueryUnresolvedValue,
                      ": " + dimension.str() + " " + typeName(type) + " in " + unit.convertToString());
}

}  // namespace detail
}  // namespace data_manager
