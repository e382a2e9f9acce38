// SPDX-License-Identifier: Apache-2.0
#include "calculator.hpp"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <memory>
#include <sstream>

#include "data_manager/datairinfo.hpp"
#include "data_manager/datatyperec.hpp"
#include "data_manager/print.hpp"
#include "data_manager/valueoperator.hpp"
#include "qtf/hasher.hpp"
#include "qtf/messageexception.hpp"
#include "qtf/subsref.hpp"
#include "qtir/function.hpp"
#include "resultsize.hpp"
#include "unit_manager/context.hpp"
#include "unit_manager/unitexpression.hpp"

namespace dmcalc {
namespace {

using data_manager::Value;
using Words = std::vector<std::string>;

const qtf::MessageEntry kMessages[] = {
    {"dmcalc:usage:UnknownOperation", "'{1}' is not an operation; run dmcalc --help for the list"},
    {"dmcalc:usage:WrongArgumentCount", "{1} takes {2} argument(s), {3} given"},
    {"dmcalc:usage:InvalidOption", "Invalid option '{1}'"},
    {"dmcalc:usage:InvalidIndex", "'{1}' is not an index list: write 0-based indices separated by commas, or ':'"},
    {"dmcalc:usage:ResultTooLarge",
     "The result of {1} would be {2} ({3} elements), more than the {4} elements that --max-elements allows"},
};
const bool kRegistered = qtf::register_messages(kMessages, std::size(kMessages));

struct Operation {
  const char* name;
  std::size_t minArgs;
  std::size_t maxArgs;
  std::string (*run)(const Calculator& calc, const data_manager::Context& context, const Words& args);
  const char* argumentText;  // for messages: "1", "2", "1 or more"
};

Value parseValue(const data_manager::Context& context, const std::string& text) { return Value(context, text); }

unit_manager::UnitExpression parseUnit(const data_manager::Context& context, const std::string& text) {
  const std::unique_ptr<unit_manager::UnitParser> parser(context.getUnitContext().createUnitParser());
  return parser->parse(text);
}

// A result of the same shape as value, checked against the limit.
void checkSameShape(const Calculator& calc, const char* what, const Value& value) {
  const qtf::Dimension& d = value.getDimension();
  checkResultSize(what, Shape{d.m(), d.n()}, calc.options().maxElements);
}

std::string convert(const Calculator& calc, const data_manager::Context& context, const Words& args, bool affine) {
  const Value v = parseValue(context, args[1]);
  checkSameShape(calc, affine ? "convert_affine" : "convert", v);
  const data_manager::DataTypeRec record(context, v.getDataType(), parseUnit(context, args[2]));
  const std::unique_ptr<Value> converted(v.createConvertedValue(record, affine));
  return calc.format(*converted);
}

std::string fundamental(const Calculator& calc, const data_manager::Context& context, const Words& args, bool affine) {
  const Value v = parseValue(context, args[1]);
  checkSameShape(calc, affine ? "affine" : "linear", v);
  const std::unique_ptr<Value> converted(affine ? v.affine() : v.linear());
  return calc.format(*converted);
}

// A subsref argument as read: the positions, and each position's text as written.
struct ParsedIndex {
  qtf::SubsRef::Index index;
  std::vector<std::string> texts;
};

// The positions of a subsref argument: ":" for all, else 0-based integers separated by commas. A whole number beyond
// the 64-bit range reads as the nearest 64-bit one, which lies outside every extent; its text is kept for the message.
ParsedIndex parseIndex(const std::string& text) {
  if (text == ":") {
    return {qtf::SubsRef::Index::all(), {}};
  }
  std::vector<std::int64_t> positions;
  std::vector<std::string> texts;
  std::size_t start = 0;
  while (!text.empty()) {
    const std::size_t end = text.find(',', start);
    std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::int64_t position = 0;
    const char* first = piece.data();
    const char* last = piece.data() + piece.size();
    const auto [ptr, ec] = std::from_chars(first, last, position);
    if (piece.empty() || ptr != last || (ec != std::errc() && ec != std::errc::result_out_of_range)) {
      qtf::raise("dmcalc:usage:InvalidIndex", text);
    }
    if (ec == std::errc::result_out_of_range) {
      position = piece[0] == '-' ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    }
    positions.push_back(position);
    texts.push_back(std::move(piece));
    if (end == std::string::npos) {
      break;
    }
    start = end + 1;
  }
  return {qtf::SubsRef::Index(std::move(positions)), std::move(texts)};
}

// The first position outside 0 .. extent-1 fails with the error that qtf::SubsRef gives for it, naming the position
// as written (a text beyond the 64-bit range included).
void checkPositions(const ParsedIndex& parsed, std::uint32_t extent, const char* what) {
  if (parsed.index.isAll()) {
    return;
  }
  const std::vector<std::int64_t>& positions = parsed.index.positions();
  for (std::size_t i = 0; i < positions.size(); ++i) {
    if (positions[i] < 0 || positions[i] >= static_cast<std::int64_t>(extent)) {
      qtf::raise("qtf:subsref:IndexOutOfRange", parsed.texts[i], extent, what);
    }
  }
}

std::string subsref(const Calculator& calc, const data_manager::Context& context, const Words& args) {
  const Value v = parseValue(context, args[1]);
  const ParsedIndex rows = parseIndex(args[2]);
  const ParsedIndex cols = parseIndex(args[3]);
  checkPositions(rows, v.getDimension().m(), "row");
  checkPositions(cols, v.getDimension().n(), "column");
  checkResultSize("subsref", selectionShape(v.getDimension(), rows.index, cols.index), calc.options().maxElements);
  const qtf::SubsRef ref(v.getDimension(), rows.index, cols.index);
  return calc.format(Value(v, ref));
}

std::string concatenate(const Calculator& calc, const data_manager::Context& context, const Words& args,
                        bool vertical) {
  std::vector<Value> values;
  for (std::size_t i = 1; i < args.size(); ++i) {
    values.push_back(parseValue(context, args[i]));
  }
  checkResultSize(vertical ? "vertcat" : "horzcat", concatenationShape(values, vertical), calc.options().maxElements);
  return calc.format(vertical ? data_manager::vertcat(values) : data_manager::horzcat(values));
}

// Lowering needs a DataIrInfo factory; dmcalc registers its own, which hands out the function it is given.
class CalculatorIrInfo : public data_manager::DataIrInfo {
 public:
  explicit CalculatorIrInfo(qtir::Function& function) noexcept : mFunction(&function) {}
  qtir::Function& getFunction() const override { return *mFunction; }

  static data_manager::DataIrInfo* create(qtir::Function& function) { return new CalculatorIrInfo(function); }

 private:
  qtir::Function* mFunction;
};

std::string lower(const data_manager::Context& context, const Words& args) {
  static const bool registered = data_manager::DataIrInfo::registerFactory(&CalculatorIrInfo::create);
  (void)registered;
  const Value v = parseValue(context, args[1]);
  const qtir::Context irContext;
  qtir::Function function(irContext, "f");
  const std::unique_ptr<data_manager::DataIrInfo> info(data_manager::DataIrInfo::create(function));
  const qtir::Expression expression = v.createExpression(*info);
  return function.str() + "\nresult: " + expression.str();
}

const Operation kOperations[] = {
    {"parse", 1, 1,
     [](const Calculator& calc, const data_manager::Context& context, const Words& args) {
       return calc.format(parseValue(context, args[1]));
     },
     "1"},
    {"convert", 2, 2,
     [](const Calculator& calc, const data_manager::Context& context, const Words& args) {
       return convert(calc, context, args, false);
     },
     "2"},
    {"convert_affine", 2, 2,
     [](const Calculator& calc, const data_manager::Context& context, const Words& args) {
       return convert(calc, context, args, true);
     },
     "2"},
    {"linear", 1, 1,
     [](const Calculator& calc, const data_manager::Context& context, const Words& args) {
       return fundamental(calc, context, args, false);
     },
     "1"},
    {"affine", 1, 1,
     [](const Calculator& calc, const data_manager::Context& context, const Words& args) {
       return fundamental(calc, context, args, true);
     },
     "1"},
    {"equals", 2, 2,
     [](const Calculator&, const data_manager::Context& context, const Words& args) {
       const Value a = parseValue(context, args[1]);
       const Value b = parseValue(context, args[2]);
       return std::string(a == b ? "1" : "0");
     },
     "2"},
    {"hash", 1, 1,
     [](const Calculator&, const data_manager::Context& context, const Words& args) {
       qtf::Hasher hasher;
       parseValue(context, args[1]).hash(hasher);
       char text[17];
       std::snprintf(text, sizeof text, "%016" PRIx64, hasher.getHash());
       return std::string(text);
     },
     "1"},
    {"subsref", 3, 3,
     [](const Calculator& calc, const data_manager::Context& context, const Words& args) {
       return subsref(calc, context, args);
     },
     "3"},
    {"vertcat", 1, std::numeric_limits<std::size_t>::max(),
     [](const Calculator& calc, const data_manager::Context& context, const Words& args) {
       return concatenate(calc, context, args, true);
     },
     "1 or more"},
    {"horzcat", 1, std::numeric_limits<std::size_t>::max(),
     [](const Calculator& calc, const data_manager::Context& context, const Words& args) {
       return concatenate(calc, context, args, false);
     },
     "1 or more"},
    {"lower", 1, 1,
     [](const Calculator&, const data_manager::Context& context, const Words& args) { return lower(context, args); },
     "1"},
    {"units", 0, 0,
     [](const Calculator&, const data_manager::Context& context, const Words&) {
       // A standard context lists its user-defined units after the built-in ones.
       const auto* standard = dynamic_cast<const unit_manager::StandardContext*>(&context.getUnitContext());
       std::string out;
       for (const unit_manager::Unit* unit : standard != nullptr ? standard->units() : unit_manager::unitTable()) {
         out += unit->symbol() + " = " + unit->definition() + "\n";
       }
       if (!out.empty()) {
         out.pop_back();
       }
       return out;
     },
     "0"},
};

}  // namespace

std::string Calculator::format(const Value& value) const {
  if (mOptions.raw) {
    return value.toString();
  }
  data_manager::PrintOptions print;
  print.significantDigits = mOptions.precision;
  print.charactersAsNumbers = true;
  return data_manager::toString(value, print);
}

std::string Calculator::evaluate(const Words& words) const {
  (void)kRegistered;
  for (const Operation& op : kOperations) {
    if (words[0] == op.name) {
      const std::size_t given = words.size() - 1;
      if (given < op.minArgs || given > op.maxArgs) {
        qtf::raise("dmcalc:usage:WrongArgumentCount", op.name, op.argumentText, given);
      }
      return op.run(*this, mContext, words);
    }
  }
  for (int i = 0; i < data_manager::ValueOpId::NumValueOps; ++i) {
    const auto op = static_cast<data_manager::ValueOpId::Type>(i);
    if (words[0] == data_manager::ValueOperator::getName(op)) {
      const std::size_t operands = data_manager::ValueOperator::getNumOperands(op);
      if (words.size() - 1 != operands) {
        qtf::raise("dmcalc:usage:WrongArgumentCount", words[0], operands, words.size() - 1);
      }
      const Value first = parseValue(mContext, words[1]);
      // A one-operand operator does not look at its second operand; any value will do.
      const Value second = operands == 2 ? parseValue(mContext, words[2]) : first;
      checkResultSize(words[0].c_str(), operatorResultShape(op, first.getDimension(), second.getDimension()),
                      mOptions.maxElements);
      return format(data_manager::ValueOperator::call(op, first, second));
    }
  }
  qtf::raise("dmcalc:usage:UnknownOperation", words[0]);
}

std::vector<std::string> Calculator::operationNames() {
  std::vector<std::string> names;
  for (const Operation& op : kOperations) {
    names.emplace_back(op.name);
  }
  for (int i = 0; i < data_manager::ValueOpId::NumValueOps; ++i) {
    names.push_back(data_manager::ValueOperator::getName(static_cast<data_manager::ValueOpId::Type>(i)));
  }
  return names;
}

}  // namespace dmcalc
