// SPDX-License-Identifier: Apache-2.0
//
// Calculator: evaluates one dmcalc command, an operation name and its
// arguments, and returns the result as text.
#ifndef DMCALC_CALCULATOR_HPP
#define DMCALC_CALCULATOR_HPP

#include <cstdint>
#include <string>
#include <vector>

#include "data_manager/context.hpp"
#include "data_manager/value.hpp"

namespace dmcalc {

struct Options {
  int precision = 6;  // significant digits of printed doubles
  bool raw = false;   // print exactly as Value::toString does
  // The most elements a result may hold (2^27 elements: 1 GiB of doubles); checked before the result is computed.
  std::uint64_t maxElements = std::uint64_t{1} << 27;
};

class Calculator {
 public:
  Calculator(const data_manager::Context& context, const Options& options) : mContext(context), mOptions(options) {}

  // Evaluates words[0] on words[1..]; the result may span several lines. Throws qtf::MessageException, among them
  // "dmcalc:usage:UnknownOperation" and "dmcalc:usage:WrongArgumentCount", both checked before any value is parsed,
  // and "dmcalc:usage:ResultTooLarge" for a result of more than options().maxElements elements, checked before the
  // result is computed.
  std::string evaluate(const std::vector<std::string>& words) const;

  // value in the text form: doubles with the configured precision and the 8-bit types as numbers, unless raw.
  std::string format(const data_manager::Value& value) const;

  const Options& options() const noexcept { return mOptions; }

  // The names of the operations, for the usage text.
  static std::vector<std::string> operationNames();

 private:
  const data_manager::Context& mContext;
  Options mOptions;
};

}  // namespace dmcalc

#endif  // DMCALC_CALCULATOR_HPP
