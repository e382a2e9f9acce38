// SPDX-License-Identifier: Apache-2.0
//
// dmcalc: evaluates the library's operations on values written in the text form.
//
//   dmcalc [OPTION...] OP ARG...   one evaluation; the result on stdout
//   dmcalc [OPTION...]             one evaluation per stdin line
//   dmcalc --version | --help
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "calculator.hpp"
#include "data_manager/context.hpp"
#include "qtf/messageexception.hpp"
#include "sorvexa/version.hpp"
#include "unit_manager/context.hpp"

namespace {

void printUsage(std::ostream& out) {
  out << "usage: dmcalc [OPTION...] OP ARG...\n"
         "       dmcalc [OPTION...] < commands\n"
         "       dmcalc --version\n"
         "Options (--name=VALUE works as well as --name VALUE):\n"
         "  --precision N     print doubles with N significant digits, 1 to 17 (default 6)\n"
         "  --raw             print results exactly as the library's text form does\n"
         "  --max-elements N  refuse to compute a result of more than N elements (default 134217728)\n"
         "  --units FILE      load user-defined units from FILE before any command (may be repeated)\n"
         "Values are written as DATA[:UNIT[:TYPE]], for example '[1,2;3,4]:km:double'.\n"
         "Operations:";
  for (const std::string& name : dmcalc::Calculator::operationNames()) {
    out << ' ' << name;
  }
  out << '\n';
}

// The value of option `name` at argv[i], written "--name=VALUE" or "--name VALUE"; i moves past what was read.
// Returns false when argv[i] is not that option; value is then untouched. A missing value reads as empty.
bool optionValue(const std::string& name, int argc, char** argv, int& i, std::string& value) {
  const std::string arg = argv[i];
  if (arg == name) {
    value = i + 1 < argc ? argv[++i] : "";
    return true;
  }
  if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

// A whole number in decimal digits only (no sign, no spaces) that fits in 64 bits.
bool parseWholeNumber(const std::string& text, std::uint64_t& n) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return ec == std::errc() && end == text.data() + text.size();
}

// ", not 'VALUE'" for a message about a bad option value; nothing when no value was given.
std::string given(const std::string& value) { return value.empty() ? std::string() : ", not '" + value + "'"; }

int usageError(const std::string& message) {
  std::cerr << "error: dmcalc:usage:InvalidOption: " << message << '\n';
  return 2;
}

// The identifier and readable message of whatever evaluate threw.
struct Failure {
  std::string identifier;
  std::string message;
};

template <typename Fcn>
bool guarded(Fcn&& fcn, Failure& failure) {
  try {
    fcn();
    return true;
  } catch (const qtf::MessageException& e) {
    failure = {e.identifier(), e.message()};
  } catch (const std::bad_alloc&) {
    failure = {"dmcalc:system:OutOfMemory", "Out of memory"};
  } catch (const std::exception& e) {
    failure = {"dmcalc:system:UnexpectedError", e.what()};
  }
  return false;
}

std::vector<std::string> splitWords(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  std::string word;
  while (in >> word) {
    words.push_back(word);
  }
  return words;
}

// A result of several lines is given as one, joined with single spaces.
std::string oneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n') {
      c = ' ';
    }
  }
  return text;
}

// Loads each file's unit definitions into context; false, after reporting on stderr, when a file cannot be read or its
// text fails.
bool loadUnitFiles(const std::vector<std::string>& files, unit_manager::StandardContext& context) {
  for (const std::string& file : files) {
    std::string text;
    bool read = false;
    try {
      std::ifstream in(file, std::ios::binary);
      if (in.is_open()) {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
        read = !in.bad();
      }
    } catch (const std::ios_base::failure&) {
      read = false;  // a directory, or a read error part way
    }
    if (!read) {
      std::cerr << "error: dmcalc:usage:CannotReadFile: Cannot read the units file '" << file << "'\n";
      return false;
    }
    try {
      context.define(text);
    } catch (const qtf::MessageException& e) {
      // The definition errors carry the line number first.
      std::cerr << "error: " << e.identifier() << ": " << file << ":" << e.argument(1) << ": " << e.message() << '\n';
      return false;
    } catch (const std::bad_alloc&) {
      std::cerr << "error: dmcalc:system:OutOfMemory: Out of memory\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  dmcalc::Options options;
  std::vector<std::string> unitFiles;
  int first = 1;
  for (; first < argc; ++first) {
    const std::string arg = argv[first];
    std::string value;
    std::uint64_t n = 0;
    if (arg == "--raw") {
      options.raw = true;
    } else if (optionValue("--precision", argc, argv, first, value)) {
      if (!parseWholeNumber(value, n) || n < 1 || n > 17) {
        return usageError("--precision takes a whole number from 1 to 17" + given(value));
      }
      options.precision = static_cast<int>(n);
    } else if (optionValue("--units", argc, argv, first, value)) {
      if (value.empty()) {
        return usageError("--units takes a file name");
      }
      unitFiles.push_back(value);
    } else if (optionValue("--max-elements", argc, argv, first, value)) {
      if (!parseWholeNumber(value, n)) {
        return usageError("--max-elements takes a whole number of elements" + given(value));
      }
      options.maxElements = n;
    } else if (arg == "--version") {
      std::cout << "dmcalc " << sorvexa::version() << '\n';
      return 0;
    } else if (arg == "--help" || arg == "-h") {
      printUsage(std::cout);
      return 0;
    } else if (arg.rfind("--", 0) == 0) {
      std::cerr << "error: dmcalc:usage:InvalidOption: Invalid option '" << arg << "'\n";
      printUsage(std::cerr);
      return 2;
    } else {
      break;
    }
  }

  unit_manager::StandardContext unitContext;
  if (!loadUnitFiles(unitFiles, unitContext)) {
    return 2;
  }
  const std::unique_ptr<data_manager::Context> context(data_manager::Context::create(unitContext));
  if (!context) {
    std::cerr << "error: dmcalc:system:OutOfMemory: Out of memory\n";
    return 1;
  }
  const dmcalc::Calculator calculator(*context, options);

  if (first < argc) {
    const std::vector<std::string> words(argv + first, argv + argc);
    std::string result;
    Failure failure;
    if (!guarded([&] { result = calculator.evaluate(words); }, failure)) {
      std::cerr << "error: " << failure.identifier << ": " << failure.message << '\n';
      return 1;
    }
    std::cout << result << '\n';
    return 0;
  }

  std::string line;
  while (std::getline(std::cin, line)) {
    const std::vector<std::string> words = splitWords(line);
    if (words.empty() || words[0][0] == '#') {
      continue;
    }
    std::string result;
    Failure failure;
    if (guarded([&] { result = calculator.evaluate(words); }, failure)) {
      std::cout << oneLine(result) << '\n';
    } else {
      std::cout << "error: " << failure.identifier << '\n';
    }
  }
  return 0;
}
