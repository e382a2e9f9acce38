// SPDX-License-Identifier: Apache-2.0
//
// Runs the dmcalc binary with arguments or a batch on stdin and checks what it prints and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  std::string out;
  std::string err;
  int status;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs dmcalc with shell-quoted arguments and optional stdin text.
Outcome dmcalc(const std::string& args, const std::string& input = "") {
  // ctest runs test processes side by side: the files are named after this process.
  const std::string base = ::testing::TempDir() + "dmcalc_" + std::to_string(getpid());
  const std::string in = base + "_in.txt";
  const std::string out = base + "_out.txt";
  const std::string err = base + "_err.txt";
  std::ofstream(in) << input;
  const std::string command = std::string(DMCALC_PATH) + " " + args + " <" + in + " >" + out + " 2>" + err;
  const int raw = std::system(command.c_str());
  Outcome outcome{slurp(out), slurp(err), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
  for (const std::string& file : {in, out, err}) std::remove(file.c_str());
  return outcome;
}

TEST(Dmcalc, OneShotPrintsTheResultInTheTextForm) {
  struct Row {
    const char* args;
    const char* out;
  };
  const Row rows[] = {
      {"parse '[1,2;3,4]:km'", "[1,2;3,4]:km:double\n"},
      {"convert '[1,2.5]:km' m", "[1000,2500]:m:double\n"},
      {"convert_affine '212:degF' degC", "[100]:degC:double\n"},
      {"convert '212:degF' degC", "[117.778]:degC:double\n"},
      {"convert_affine '[0,100]:degC' degF", "[32,212]:degF:double\n"},
      {"linear '[1]:degC'", "[1]:K:double\n"},
      {"affine '[1]:degC'", "[274.15]:K:double\n"},
      {"equals '[1,2]:m' '[1,2]:m'", "1\n"},
      {"equals '[1000]:m' '[1]:km'", "0\n"},
      {"parse '[104,105]::char'", "[104,105]:1:char\n"},
      {"--raw parse '[104,105]::char'", "[h,i]:1:char\n"},
      {"--precision 10 parse '0.1234567891'", "[0.1234567891]:1:double\n"},
      {"--precision 3 --raw parse '0.1234567891'", "[0.123457]:1:double\n"},
      {"parse '[]:s:uint'", "[]:s:uint\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const Outcome run = dmcalc(row.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out);
  }
}

TEST(Dmcalc, OneShotErrorsGoToStderrWithIdentifierAndExitOne) {
  struct Row {
    const char* args;
    const char* identifier;
  };
  const Row rows[] = {
      {"parse '[1,abc]'", "qtf:string:InvalidNumber"},
      {"parse '[1]:foo'", "unit_manager:parser:UnknownUnit"},
      {"convert '[1]:m' s", "unit_manager:unit:IncommensurateUnits"},
      {"linear '[1]::int'", "data_manager:data_type_rec:InvalidDataTypeConversion"},
      {"frobnicate '[1]:foo'", "dmcalc:usage:UnknownOperation"},
      {"equals '[1]:foo'", "dmcalc:usage:WrongArgumentCount"},
      {"parse '[1]' '[2]'", "dmcalc:usage:WrongArgumentCount"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const Outcome run = dmcalc(row.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(std::string("error: ") + row.identifier + ": ", 0), 0U) << run.err;
    EXPECT_GT(run.err.size(), std::string("error: ").size() + std::string(row.identifier).size() + 3);
  }
}

TEST(Dmcalc, BatchPrintsExactlyOneLinePerCommand) {
  const std::string input =
      "# a comment\n"
      "parse [1,2]:m\n"
      "\n"
      "   # an indented comment\n"
      "parse [1,x]\n"
      "units\n"
      "hash [1]:m\n"
      "frobnicate\n"
      "  equals   [1]   [1]  \n";
  const Outcome run = dmcalc("", input);
  EXPECT_EQ(run.status, 0);
  std::vector<std::string> lines;
  std::string line;
  for (const char c : run.out) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  ASSERT_EQ(lines.size(), 6U) << run.out;
  EXPECT_EQ(lines[0], "[1,2]:m:double");
  EXPECT_EQ(lines[1], "error: qtf:string:InvalidNumber");
  EXPECT_NE(lines[2].find(" N = "), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3].size(), 16U);
  EXPECT_EQ(lines[3].find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(lines[4], "error: dmcalc:usage:UnknownOperation");
  EXPECT_EQ(lines[5], "1");
}

TEST(Dmcalc, HashIsStableAcrossRunsAndFollowsEquality) {
  const Outcome a = dmcalc("hash '[1,2]:m'");
  const Outcome b = dmcalc("hash '[1,2]:m'");
  const Outcome c = dmcalc("hash '[1,2]:km'");
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out, c.out);
}

TEST(Dmcalc, BadOptionsAreUsageErrors) {
  EXPECT_EQ(dmcalc("--precision 0 parse 1").status, 2);
  EXPECT_EQ(dmcalc("--precision x parse 1").status, 2);
  EXPECT_EQ(dmcalc("--frobnicate parse 1").status, 2);
  const Outcome help = dmcalc("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("convert_affine"), std::string::npos);
}

}  // namespace
