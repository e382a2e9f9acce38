// SPDX-License-Identifier: Apache-2.0
//
// dmcalc: evaluates the library's operations on values written in the text form.
//
//   dmcalc [--precision N] [--raw] [--units FILE]... OP ARG...   one evaluation; the result on stdout
//   dmcalc [--precision N] [--raw] [--units FILE]...             one evaluation per stdin line
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
#include "unit_manager/context.hpp"

namespace {

void printUsage(std::ostream& out) {
  out << "usage: dmcalc [--precision N] [--raw] [--units FILE]... OP ARG...\n"
         "       dmcalc [--precision N] [--raw] [--units FILE]... < commands\n"
         "Values are written as DATA[:UNIT[:TYPE]], for example '[1,2;3,4]:km:double'.\n"
         "Operations:";
  for (const std::string& name : dmcalc::Calculator::operationNames()) {
    out << ' ' << name;
  }
  out << '\n';
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
    if (arg == "--raw") {
      options.raw = true;
    } else if (arg == "--precision" && first + 1 < argc) {
      const std::string n = argv[++first];
      if (n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != std::string::npos || std::stoi(n) < 1 ||
          std::stoi(n) > 17) {
        std::cerr << "error: dmcalc:usage:InvalidOption: --precision takes a whole number from 1 to 17\n";
        return 2;
      }
      options.precision = std::stoi(n);
    } else if (arg == "--units" && first + 1 < argc) {
      unitFiles.emplace_back(argv[++first]);
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
