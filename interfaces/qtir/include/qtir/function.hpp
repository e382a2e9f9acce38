// SPDX-License-Identifier: Apache-2.0
//
// Function: a function of the intermediate representation, into which values
// are lowered.
#ifndef QTIR_FUNCTION_HPP
#define QTIR_FUNCTION_HPP

#include <string>

#include "qtir/qtir_export.hpp"

namespace qtir {

class QTIR_EXPORT Function {
 public:
  explicit Function(std::string name);
  Function(const Function&) = delete;
  Function& operator=(const Function&) = delete;
  virtual ~Function();

  const std::string& getName() const noexcept { return mName; }

 private:
  std::string mName;
};

}  // namespace qtir

#endif  // QTIR_FUNCTION_HPP
