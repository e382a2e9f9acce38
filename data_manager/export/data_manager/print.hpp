// SPDX-License-Identifier: Apache-2.0
//
// Printing a value in its text form with a chosen number of significant digits. Value::toString prints with the
// defaults below; these functions print the same text form with other choices.
#ifndef DATA_MANAGER_EXPORT_PRINT_HPP
#define DATA_MANAGER_EXPORT_PRINT_HPP

#include <string>

#include "data_manager/data_manager_export.hpp"
#include "data_manager/value.hpp"

namespace data_manager {

struct PrintOptions {
  // Significant digits of double elements, printed as a stream with that precision prints them ("%.Ng"); 0 prints
  // each double in the shortest text that reads back to the same double.
  int significantDigits = 6;
  // Print uchar and char elements as decimal numbers instead of the characters they code, so that the text parses
  // back to an equal value.
  bool charactersAsNumbers = false;
};

// The text form of a resolved value, DATA:UNIT:TYPE, printed as options say; toString(v, PrintOptions{}) equals
// v.toString(). Throws "data_manager:value:InvalidPrintPrecision" when options.significantDigits is negative, then
// "data_manager:value:QueryUnresolvedValue" for an unresolved value.
DATA_MANAGER_EXPORT std::string toString(const Value& value, const PrintOptions& options);

// As toString(value, PrintOptions{significantDigits}): characters print as characters.
DATA_MANAGER_EXPORT std::string toString(const Value& value, int significantDigits);

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_PRINT_HPP
