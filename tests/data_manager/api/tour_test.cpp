// SPDX-License-Identifier: Apache-2.0
//
// The README's C++ tour: it compiles as it stands (the build cuts it out of README.md), prints on every line what the
// comment on that line says, and shows the facts a newcomer relies on: km plus m in km, a refused read as int, and a
// refused vector that is too short for its dimension.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int readmeTour();

namespace {

const char* const kTourCode =
#include "readme_tour_text.inc"
    ;

// What the tour prints, one entry per line; std::cout is restored even when the tour throws.
std::vector<std::string> tourOutput() {
  std::ostringstream captured;
  struct Restore {
    std::streambuf* old;
    ~Restore() { std::cout.rdbuf(old); }
  } restore{std::cout.rdbuf(captured.rdbuf())};
  EXPECT_EQ(readmeTour(), 0);
  std::vector<std::string> lines;
  std::istringstream in(captured.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The comment of every line of the tour that writes to std::cout: the text that line is meant to print.
std::vector<std::string> promisedOutput() {
  std::vector<std::string> promised;
  std::istringstream in(kTourCode);
  for (std::string line; std::getline(in, line);) {
    const std::size_t comment = line.find("// ");
    if (line.find("std::cout <<") != std::string::npos && comment != std::string::npos) {
      promised.push_back(line.substr(comment + 3));
    }
  }
  return promised;
}

TEST(ReadmeTour, PrintsWhatItsCommentsSay) {
  const std::vector<std::string> promised = promisedOutput();
  EXPECT_GE(promised.size(), 10u);
  EXPECT_EQ(tourOutput(), promised);
}

TEST(ReadmeTour, AddsKilometresAndMetresAndRefusesBadReadsAndShortBuffers) {
  const std::vector<std::string> out = tourOutput();
  const auto printed = [&](const std::string& text) {
    for (const std::string& line : out) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(printed("[1.003,2.004]:km:double"));
  EXPECT_TRUE(printed("data_manager:value:ElementTypeMismatch"));
  EXPECT_TRUE(
      printed("The element count 2 does not match the dimension 3x1 (data_manager:value:ElementCountMismatch)"));
}

}  // namespace
