// SPDX-License-Identifier: Apache-2.0
//
// The text form of values, DATA[:UNIT[:TYPE]]: "[1,2;3,4]:km:double". Rows are
// separated by ";", elements by ","; "-" stands for a row of an m-by-0 matrix
// and "|" for a column of a 0-by-n one. Every element is read as a double and
// converted to the element type afterwards.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>
#include <string_view>
#include <type_traits>

#include "data_manager/context.hpp"
#include "data_manager/print.hpp"
#include "data_manager/value.hpp"
#include "kernel/elementtypes.hpp"
#include "kernel/messages.hpp"
#include "kernel/value/valueaccess.hpp"
#include "kernel/value/valuedata.hpp"
#include "qtf/allocator.hpp"
#include "qtf/strings.hpp"

namespace data_manager {

using detail::ParsedValueText;
using detail::perTypeTable;
using detail::ValueData;

namespace {

// The characters of the form, in the order the library keeps them.
constexpr const char* kFormCharacters[] = {"]", "[", ";", "-", ",", "|", ":"};
enum FormCharacter { CloseBracket, OpenBracket, RowSeparator, EmptyRow, ElementSeparator, EmptyColumn, FieldSeparator };

constexpr std::string_view character(FormCharacter c) { return std::string_view(kFormCharacters[c], 1); }

// Calls fcn with each piece of text between occurrences of sep, empty pieces included; stops early when fcn returns
// false. Returns the number of pieces visited.
template <typename Fcn>
std::size_t forEachPiece(std::string_view text, char sep, Fcn&& fcn) {
  std::size_t count = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t next = text.find(sep, start);
    const std::string_view piece =
        text.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
    ++count;
    if (!fcn(piece) || next == std::string_view::npos) {
      return count;
    }
    start = next + 1;
  }
}

// Counts in blocks of 255 characters with a byte-sized counter per block, which the compiler turns into 16 or 32
// comparisons per instruction without widening every count to 64 bits.
std::size_t countPieces(std::string_view text, char sep) {
  std::size_t count = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t blockEnd = std::min(text.size(), i + 255);
    unsigned char inBlock = 0;
    for (; i < blockEnd; ++i) {
      inBlock = static_cast<unsigned char>(inBlock + (text[i] == sep ? 1 : 0));
    }
    count += inBlock;
  }
  return count;
}

[[noreturn]] void invalidData(std::string_view text) { qtf::raise(msg::value::InvalidStringDataSpecification, text); }

// The DATA text without brackets, trimmed. field is the first field as given, for the message.
std::string_view stripBrackets(std::string_view field) {
  std::string_view data = qtf::trim_view(field);
  if (data.empty()) {
    invalidData(field);
  }
  if (data.front() == character(OpenBracket)[0]) {
    data.remove_prefix(1);
    if (data.empty() || data.back() != character(CloseBracket)[0]) {
      invalidData(field);
    }
    data.remove_suffix(1);
  } else if (data.back() == character(CloseBracket)[0]) {
    invalidData(field);
  }
  return qtf::trim_view(data);
}

constexpr bool isWhiteSpace(char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Skips white space; the common case, a character above the space, costs one comparison.
const char* skipWhiteSpace(const char* p, const char* end) noexcept {
  while (p < end && static_cast<unsigned char>(*p) <= ' ' && isWhiteSpace(*p)) {
    ++p;
  }
  return p;
}

// The common case in one pass: rows x columns plain decimal numbers, each optionally signed and surrounded by white
// space, separated exactly as the dimension says. Returns false at the first thing it does not expect (an error, or a
// number spelled as inf or nan, or one beyond the double range); the element-by-element reader then reads the text
// again and reports exactly what qtf_string_to_double and the shape rules report.
bool readPlainNumbers(std::string_view data, std::size_t rows, std::size_t columns, double* numbers) {
  const char* p = data.data();
  const char* const end = data.data() + data.size();
  for (std::size_t row = 0; row < rows; ++row) {
    for (std::size_t column = 0; column < columns; ++column) {
      p = skipWhiteSpace(p, end);
      if (p == end) {
        return false;
      }
      // from_chars reads a "-" itself but no "+", which printed numbers seldom carry. What else it accepts beside
      // digits and a point (inf, infinity, nan, in any case) starts with a letter, which the element-by-element reader
      // takes instead. The test is on the text, before the number is read: a test of the number read would wait for
      // from_chars to finish before the next number could start, some 4% of the parse as measured.
      if (*p == '+') {
        ++p;
        if (p == end || *p == '-') {
          return false;
        }
      }
      const char lead = *p != '-' ? *p : p + 1 != end ? p[1] : '\0';
      if ((static_cast<unsigned char>(lead) | 0x20U) >= 'a') {
        return false;
      }
      const auto [next, ec] = std::from_chars(p, end, *numbers, std::chars_format::general);
      if (ec != std::errc()) {
        return false;
      }
      p = skipWhiteSpace(next, end);
      const bool lastColumn = column + 1 == columns;
      const char expected = lastColumn ? character(RowSeparator)[0] : character(ElementSeparator)[0];
      if (lastColumn && row + 1 == rows) {
        if (p != end) {
          return false;
        }
      } else if (p == end || *p != expected) {
        return false;
      } else {
        ++p;
      }
      ++numbers;
    }
  }
  return true;
}

// Reads the rows of a text whose first row holds columns elements, the first of them a number, in the order the rules
// are checked: rows top to bottom; a row's element count before any of its numbers; within a row, left to right, an
// element's checks (not empty, not "|", not "-") before its number is read. So the first fault in reading order
// decides what is thrown. With numbers null the elements are checked and read but not stored.
void readElements(std::string_view data, std::size_t columns, double* numbers) {
  std::size_t index = 0;  // row by row, as Dimension::computeIndex lays the elements out
  forEachPiece(data, character(RowSeparator)[0], [&](std::string_view row) {
    if (countPieces(row, character(ElementSeparator)[0]) != columns) {
      invalidData(data);
    }
    forEachPiece(row, character(ElementSeparator)[0], [&](std::string_view element) {
      if (element.empty() || element == character(EmptyColumn) || element == character(EmptyRow)) {
        invalidData(data);
      }
      const double number = qtf_string_to_double(element);
      if (numbers != nullptr) {
        numbers[index] = number;
      }
      ++index;
      return true;
    });
    return true;
  });
}

struct Matrix {
  qtf::Dimension dimension;
  qtf::BufferPtr buffer;  // elements of the value's type
};

// Reads the rows of the data text into a buffer of type. Every rule broken gives
// "data_manager:value:InvalidStringDataSpecification" with the data text; an element that is no number gives
// qtf_string_to_double's error, whichever comes first in reading order.
Matrix parseMatrix(std::string_view data, qtf::DataTypeId::Type type) {
  const std::size_t rows = countPieces(data, character(RowSeparator)[0]);
  if (rows == 1 && data.empty()) {
    return {qtf::Dimension(0, 0), qtf::BufferPtr(qtf_calloc(0, 1))};
  }
  const std::size_t firstRowEnd = data.find(character(RowSeparator)[0]);
  const std::string_view firstRow = data.substr(0, firstRowEnd);
  if (firstRow == character(EmptyRow)) {
    forEachPiece(data, character(RowSeparator)[0], [&](std::string_view row) {
      if (row != character(EmptyRow)) {
        invalidData(data);
      }
      return true;
    });
    if (rows > std::numeric_limits<std::uint32_t>::max()) {
      invalidData(data);
    }
    return {qtf::Dimension(static_cast<std::uint32_t>(rows), 0), qtf::BufferPtr(qtf_calloc(0, 1))};
  }
  const std::size_t columns = countPieces(firstRow, character(ElementSeparator)[0]);
  if (firstRow.substr(0, firstRow.find(character(ElementSeparator)[0])) == character(EmptyColumn)) {
    if (rows != 1) {
      invalidData(data);
    }
    forEachPiece(firstRow, character(ElementSeparator)[0], [&](std::string_view element) {
      if (element != character(EmptyColumn)) {
        invalidData(data);
      }
      return true;
    });
    if (columns > std::numeric_limits<std::uint32_t>::max()) {
      invalidData(data);
    }
    return {qtf::Dimension(0, static_cast<std::uint32_t>(columns)), qtf::BufferPtr(qtf_calloc(0, 1))};
  }
  // Each element takes at least one character and each but the last a separator after it, so a valid text of n
  // elements is at least 2n - 1 characters long. A text that announces more ("[,,,;;;]") is malformed somewhere; it
  // is walked in reading order without a buffer, so that a huge announced shape allocates nothing and the first
  // fault still decides. The same holds for a shape beyond 32-bit extents. Both counts are at most the text's length
  // plus one, so the product is formed only once both fit 32 bits.
  if (rows > std::numeric_limits<std::uint32_t>::max() || columns > std::numeric_limits<std::uint32_t>::max() ||
      rows * columns > (data.size() + 1) / 2) {
    readElements(data, columns, nullptr);
    invalidData(data);
  }

  const qtf::Dimension dimension(static_cast<std::uint32_t>(rows), static_cast<std::uint32_t>(columns));
  const std::size_t count = dimension.getNumElements();
  // Doubles are read straight into the value's buffer; other types go through a work array of doubles.
  // Both readers write every element or throw, so the buffers need not be cleared first. The one-pass reader stops at
  // anything unusual, a fault included, and the careful reader then reads the whole text again and decides.
  qtf::BufferPtr work(qtf::allocate_buffer(qtf::DataTypeId::Double, count));
  auto* numbers = static_cast<double*>(work.get());
  if (!readPlainNumbers(data, rows, columns, numbers)) {
    readElements(data, columns, numbers);
  }
  if (type == qtf::DataTypeId::Double) {
    return {dimension, std::move(work)};
  }
  qtf::BufferPtr converted(qtf::allocate_buffer(type, count));
  qtf::convert_data(count, qtf::DataTypeId::Double, numbers, type, converted.get());
  return {dimension, std::move(converted)};
}

}  // namespace

struct detail::ParsedValueText {
  qtf::DataTypeId::Type type;
  qtf::Dimension dimension;
  unit_manager::UnitExpression unit;
  qtf::BufferPtr buffer;
};

namespace {

ParsedValueText parseValueText(const Context& context, const std::string& text) {
  const unit_manager::Context& unitContext = context.getUnitContext();
  std::string_view fields[3];
  std::size_t fieldCount = 0;
  forEachPiece(text, character(FieldSeparator)[0], [&](std::string_view field) {
    if (fieldCount == 3) {
      qtf::raise(msg::value::InvalidStringValueSpecification, text);
    }
    fields[fieldCount++] = field;
    return true;
  });
  const std::string_view data = stripBrackets(fields[0]);
  const std::string unitText = fieldCount > 1 && !fields[1].empty() ? std::string(fields[1]) : std::string("1");
  const std::string typeText =
      fieldCount > 2 && !fields[2].empty() ? std::string(fields[2]) : qtf::get_type_name_lower(qtf::DataTypeId::Double);

  ParsedValueText parsed{qtf::DataTypeId::Unknown, qtf::Dimension(0, 0), unitContext.defaultUnit(), nullptr};
  {
    const std::unique_ptr<unit_manager::UnitParser> parser(unitContext.createUnitParser());
    parsed.unit = parser->parse(unitText);
  }
  parsed.type = qtf::type_from_string(typeText);
  if (parsed.type == qtf::DataTypeId::Unknown) {
    qtf::raise(msg::value::InvalidStringTypeSpecification, typeText);
  }
  Matrix matrix = parseMatrix(data, parsed.type);
  parsed.dimension = matrix.dimension;
  parsed.buffer = std::move(matrix.buffer);
  return parsed;
}

// How elements are written; taken from PrintOptions once, checked.
struct ElementFormat {
  int digits;  // significant digits of doubles; 0 for the shortest text that reads back exactly
  bool charactersAsNumbers;
};

// Doubles beyond this many significant digits print no differently: a double's exact decimal expansion is shorter.
constexpr int kMaxDigits = 800;

// Writes one element as a stream with the format's precision would: doubles in general notation, integers in
// decimal, the character types as the character itself unless they print as numbers.
template <typename T>
char* writeElement(char* out, T x, const ElementFormat& format) {
  if constexpr (std::is_same_v<T, unsigned char> || std::is_same_v<T, char>) {
    if (format.charactersAsNumbers) {
      return std::to_chars(out, out + 8, static_cast<int>(x)).ptr;
    }
    *out = static_cast<char>(x);
    return out + 1;
  } else if constexpr (std::is_same_v<T, double>) {
    // to_chars with a precision formats exactly as printf's %.Ng, which is what a stream of that precision writes;
    // only the non-finite spellings need care, and they match too ("inf", "-inf", "nan", "-nan").
    if (format.digits == 0) {
      return std::to_chars(out, out + kMaxDigits + 16, x).ptr;
    }
    return std::to_chars(out, out + kMaxDigits + 16, x, std::chars_format::general, format.digits).ptr;
  } else {
    return std::to_chars(out, out + 16, x).ptr;
  }
}

// Upper bound of the text one element takes, its separator included: sign, digits, point, "e-308".
template <typename T>
std::size_t maxElementText(const ElementFormat& format) {
  if constexpr (std::is_same_v<T, double>) {
    return static_cast<std::size_t>(format.digits == 0 ? 17 : format.digits) + 9;
  } else if constexpr (sizeof(T) == 1) {
    return format.charactersAsNumbers ? 5 : 2;
  } else {
    return 12;
  }
}

template <typename T>
std::string printElements(const qtf::Dimension& dimension, const void* data, const ElementFormat& format) {
  const auto* elements = static_cast<const T*>(data);
  std::string out;
  out += character(OpenBracket);
  if (dimension.m() == 0 && dimension.n() > 0) {
    for (std::uint32_t j = 0; j < dimension.n(); ++j) {
      if (j > 0) {
        out += character(ElementSeparator);
      }
      out += character(EmptyColumn);
    }
  } else if (dimension.m() > 0 && dimension.n() == 0) {
    for (std::uint32_t i = 0; i < dimension.m(); ++i) {
      if (i > 0) {
        out += character(RowSeparator);
      }
      out += character(EmptyRow);
    }
  } else if (!dimension.isEmpty()) {
    // Grow the string once and write through a pointer: one to_chars per element, no stream. The last element may
    // use the whole of to_chars' window, so the bound leaves room for it.
    out.resize(1 + dimension.getNumElements() * maxElementText<T>(format) + kMaxDigits + 16);
    char* p = out.data() + 1;
    for (std::uint32_t i = 0; i < dimension.m(); ++i) {
      if (i > 0) {
        *p++ = character(RowSeparator)[0];
      }
      for (std::uint32_t j = 0; j < dimension.n(); ++j) {
        if (j > 0) {
          *p++ = character(ElementSeparator)[0];
        }
        p = writeElement(p, elements[dimension.computeIndex(i, j)], format);
      }
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
  }
  out += character(CloseBracket);
  return out;
}

using PrintFcn = std::string (*)(const qtf::Dimension&, const void*, const ElementFormat&);

// Indexed by DataTypeId.
constexpr auto kPrinters =
    perTypeTable([](auto tag) -> PrintFcn { return &printElements<typename decltype(tag)::type>; });

}  // namespace

ValueData::ValueData(const Context& context, const std::string& text)
    : ValueData(context, parseValueText(context, text)) {}

ValueData::ValueData(const Context& context, ParsedValueText&& parsed)
    : ValueData(context, parsed.type, parsed.dimension, parsed.unit, parsed.buffer.release()) {}

std::string toString(const Value& value, const PrintOptions& options) {
  if (options.significantDigits < 0) {
    qtf::raise(msg::value::InvalidPrintPrecision, options.significantDigits);
  }
  const ElementFormat format{std::min(options.significantDigits, kMaxDigits), options.charactersAsNumbers};
  std::string unit = value.getUnit().convertToString();
  const void* data = value.getGenericValue();
  std::string text = kPrinters[static_cast<std::size_t>(value.getDataType())](value.getDimension(), data, format);
  text += character(FieldSeparator);
  text += unit;
  text += character(FieldSeparator);
  text += qtf::get_type_name_lower(value.getDataType());
  return text;
}

std::string toString(const Value& value, int significantDigits) {
  PrintOptions options;
  options.significantDigits = significantDigits;
  return toString(value, options);
}

std::string Value::toString() const { return data_manager::toString(*this, PrintOptions{}); }

std::ostream& operator<<(std::ostream& stream, const Value& value) { return stream << value.toString(); }

}  // namespace data_manager
