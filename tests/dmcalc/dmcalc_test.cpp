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

#include "sorvexa/version.hpp"

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

// A command line and what it must print on stdout, exiting 0.
struct Printed {
  std::string args;
  std::string out;
};

void expectPrinted(const std::vector<Printed>& rows) {
  for (const Printed& row : rows) {
    SCOPED_TRACE(row.args);
    const Outcome run = dmcalc(row.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out);
  }
}

// That a run failed with status and its stderr starts with "error: <identifier>: ".
void expectError(const Outcome& run, int status, const std::string& identifier) {
  EXPECT_EQ(run.status, status);
  EXPECT_EQ(run.err.rfind("error: " + identifier + ": ", 0), 0U) << run.err;
}

// The lines dmcalc printed, without their newlines.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  return lines;
}

TEST(Dmcalc, OneShotPrintsTheResultInTheTextForm) {
  expectPrinted({
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
  });
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
  const std::vector<std::string> lines = linesOf(run.out);
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

TEST(Dmcalc, OptionsTakeTheirValueAttachedOrAsTheNextArgument) {
  expectPrinted({
      {"--precision=10 parse '0.1234567891'", "[0.1234567891]:1:double\n"},
      {"--precision=2 parse '[3.14159,2.71828]'", "[3.1,2.7]:1:double\n"},
      {"--precision=17 parse '0.1'", "[0.10000000000000001]:1:double\n"},
      {"--precision=3 --raw parse '0.1234567891'", "[0.123457]:1:double\n"},
      {"--raw --precision=3 parse '0.1234567891'", "[0.123457]:1:double\n"},
      {"--precision 4 --precision=2 parse '1.2345'", "[1.2]:1:double\n"},
      // A limit of exactly the result's element count admits it.
      {"--max-elements=4 mtimes '[1;2]' '[3,4]'", "[3,4;6,8]:1:double\n"},
      {"--max-elements 4 mtimes '[1;2]' '[3,4]'", "[3,4;6,8]:1:double\n"},
      {"--max-elements=0 plus '[]' '[]'", "[]:1:double\n"},
      {"--max-elements=18446744073709551615 plus 1 2", "[3]:1:double\n"},
  });
}

TEST(Dmcalc, BadOptionValuesAreUsageErrorsBeforeAnyCommand) {
  const char* const rows[] = {
      "--precision=0 parse 1",
      "--precision=18 parse 1",
      "--precision= parse 1",
      "--precision",
      "--precision=-1 parse 1",
      "--precision=1x parse 1",
      "--precision=' 3' parse 1",
      "--precision=99999999999999999999 parse 1",
      "--max-elements=-1 parse 1",
      "--max-elements= parse 1",
      "--max-elements=1e6 parse 1",
      "--max-elements=18446744073709551616 parse 1",
      "--max-elements",
      "--precisionx=3 parse 1",
      "--max-elementsx parse 1",
  };
  for (const char* args : rows) {
    SCOPED_TRACE(args);
    // A batch on stdin must not run either.
    const Outcome run = dmcalc(args, "parse 2\n");
    expectError(run, 2, "dmcalc:usage:InvalidOption");
    EXPECT_EQ(run.out, "");
  }
}

TEST(Dmcalc, VersionIsTheProjectVersionInTheHeaderTheLibraryAndTheProgram) {
  EXPECT_STREQ(sorvexa::version(), SORVEXA_PROJECT_VERSION);
  EXPECT_STREQ(SORVEXA_VERSION_STRING, SORVEXA_PROJECT_VERSION);
  EXPECT_EQ(SORVEXA_VERSION_MAJOR, SORVEXA_PROJECT_VERSION_MAJOR);
  EXPECT_EQ(SORVEXA_VERSION_MINOR, SORVEXA_PROJECT_VERSION_MINOR);
  EXPECT_EQ(SORVEXA_VERSION_PATCH, SORVEXA_PROJECT_VERSION_PATCH);
  for (const char* args : {"--version", "--precision=3 --version", "--version parse 1"}) {
    SCOPED_TRACE(args);
    const Outcome run = dmcalc(args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("dmcalc ") + SORVEXA_PROJECT_VERSION + "\n");
  }
}

// Every kind of result is measured before it is computed; a limit the result meets lets it through, and an error of
// the operands' shapes stays the library's.
TEST(Dmcalc, ResultsBeyondTheElementLimitAreRefusedBeforeTheyAreComputed) {
  struct Row {
    const char* args;
    const char* identifier;  // nullptr: succeeds
    const char* shape;       // named in the message of a refused result
  };
  const Row rows[] = {
      {"--max-elements 3 mtimes '[1;2]' '[3,4]'", "dmcalc:usage:ResultTooLarge", "2x2"},
      {"--max-elements 3 mtimes 2 '[1,2,3,4]'", "dmcalc:usage:ResultTooLarge", "1x4"},
      {"--max-elements 3 mtimes '[1,2,3,4]' 2", "dmcalc:usage:ResultTooLarge", "1x4"},
      {"--max-elements 1 mtimes '[1,2]' '[3;4]'", nullptr, ""},
      {"--max-elements 1 mtimes '[1,2]' '[3,4]'", "data_manager:value:InvalidMtimesDimension", ""},
      {"--max-elements 1 plus '[1,2]' '[1,2,3]'", "data_manager:value:InvalidBinaryOperatorDimension", ""},
      {"--max-elements 1 plus 1 '[1,2]'", "dmcalc:usage:ResultTooLarge", "1x2"},
      {"--max-elements 1 transpose '[1,2]'", "dmcalc:usage:ResultTooLarge", "2x1"},
      {"--max-elements 1 uminus '[1;2]'", "dmcalc:usage:ResultTooLarge", "2x1"},
      {"--max-elements 1 power '[1,2]' 2", "dmcalc:usage:ResultTooLarge", "1x2"},
      {"--max-elements 1 mldivide 2 '[1,2]'", "dmcalc:usage:ResultTooLarge", "1x2"},
      {"--max-elements 5 vertcat '[1,2]' '[3,4]' '[5,6]'", "dmcalc:usage:ResultTooLarge", "3x2"},
      {"--max-elements 6 vertcat '[1,2]' '[]' '[3,4]' '[5,6]'", nullptr, ""},
      {"--max-elements 5 horzcat '[1;2]' '[3;4]' '[5;6]'", "dmcalc:usage:ResultTooLarge", "2x3"},
      {"--max-elements 3 subsref '[1,2]' 0,0 0,1", "dmcalc:usage:ResultTooLarge", "2x2"},
      {"--max-elements 3 subsref '[1,2;3,4]' : :", "dmcalc:usage:ResultTooLarge", "2x2"},
      {"--max-elements 4 subsref '[1,2]' 0,0 0,1", nullptr, ""},
      {"--max-elements 1 convert '[1,2]:km' m", "dmcalc:usage:ResultTooLarge", "1x2"},
      {"--max-elements 1 convert_affine '[1,2]:degC' K", "dmcalc:usage:ResultTooLarge", "1x2"},
      {"--max-elements 1 linear '[1,2]:km'", "dmcalc:usage:ResultTooLarge", "1x2"},
      {"--max-elements 1 affine '[1,2]:degC'", "dmcalc:usage:ResultTooLarge", "1x2"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const Outcome run = dmcalc(row.args);
    if (row.identifier == nullptr) {
      EXPECT_EQ(run.status, 0) << run.err;
      continue;
    }
    expectError(run, 1, row.identifier);
    EXPECT_NE(run.err.find(row.shape), std::string::npos) << run.err;
  }
}

// The product of an R-by-0 and a 0-by-R matrix is R*R elements from text of a few R bytes; under the default limit
// it fails at once, as do its square and a selection that repeats an index.
TEST(Dmcalc, TheDefaultLimitStopsSmallTextsThatAskForHugeResults) {
  std::string rowsWithoutColumns = "[-";
  std::string columnsWithoutRows = "[|";
  std::string manyZeros = "0";
  for (int i = 1; i < 100000; ++i) {
    rowsWithoutColumns += ";-";
    columnsWithoutRows += ",|";
    if (i < 20000) {
      manyZeros += ",0";
    }
  }
  rowsWithoutColumns += "]";
  columnsWithoutRows += "]";
  const std::string input = "mtimes " + rowsWithoutColumns + " " + columnsWithoutRows + "\n" + "subsref [1] " +
                            manyZeros + " " + manyZeros + "\n" + "mtimes " + columnsWithoutRows + " " +
                            rowsWithoutColumns + "\n";
  const Outcome run = dmcalc("", input);
  EXPECT_EQ(run.status, 0);
  const std::vector<std::string> lines = linesOf(run.out);
  ASSERT_EQ(lines.size(), 3U) << run.out;
  EXPECT_EQ(lines[0], "error: dmcalc:usage:ResultTooLarge");
  EXPECT_EQ(lines[1], "error: dmcalc:usage:ResultTooLarge");
  // 0-by-100000 times 100000-by-0 is 0-by-0: nothing to refuse.
  EXPECT_EQ(lines[2], "[]:1:double");
}

TEST(Dmcalc, SubsrefIndicesOutsideTheSourceAreIndexErrorsAndOtherTextUsageErrors) {
  struct Row {
    const char* args;
    const char* identifier;
    const char* named;  // the position as written, or the text, in the message
  };
  const Row rows[] = {
      {"subsref '[1,2]' 0 9223372036854775808", "qtf:subsref:IndexOutOfRange", "9223372036854775808"},
      {"subsref '[1,2]' 0 9223372036854775807", "qtf:subsref:IndexOutOfRange", "9223372036854775807"},
      {"subsref '[1,2]' 0 0,99999999999999999999999", "qtf:subsref:IndexOutOfRange", "99999999999999999999999"},
      {"subsref '[1,2]' 0 -9223372036854775809", "qtf:subsref:IndexOutOfRange", "-9223372036854775809"},
      {"subsref '[1,2]' 0 -1", "qtf:subsref:IndexOutOfRange", "-1"},
      {"subsref '[1,2]' 0 2", "qtf:subsref:IndexOutOfRange", "2"},
      {"subsref '[1,2]' 1 0", "qtf:subsref:IndexOutOfRange", "row"},
      {"subsref '[1,2]' 18446744073709551616 0", "qtf:subsref:IndexOutOfRange", "row"},
      // The row list is checked before the column list.
      {"subsref '[1,2]' 5 99999999999999999999", "qtf:subsref:IndexOutOfRange", "row"},
      // A list that is not one is reported before any position is checked.
      {"subsref '[1,2]' 99999999999999999999 x", "dmcalc:usage:InvalidIndex", "'x'"},
      {"subsref '[1,2]' 0 1,x", "dmcalc:usage:InvalidIndex", "'1,x'"},
      {"subsref '[1,2]' 0 1,", "dmcalc:usage:InvalidIndex", "'1,'"},
      {"subsref '[1,2]' 0 ,1", "dmcalc:usage:InvalidIndex", "',1'"},
      {"subsref '[1,2]' 0 +1", "dmcalc:usage:InvalidIndex", "'+1'"},
      {"subsref '[1,2]' 0 1.0", "dmcalc:usage:InvalidIndex", "'1.0'"},
      {"subsref '[1,2]' 0 -", "dmcalc:usage:InvalidIndex", "'-'"},
      {"subsref '[1,2]' 0 ::", "dmcalc:usage:InvalidIndex", "'::'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const Outcome run = dmcalc(row.args);
    expectError(run, 1, row.identifier);
    EXPECT_NE(run.err.find(row.named), std::string::npos) << run.err;
  }
  expectPrinted({
      {"subsref '[1,2;3,4]' 1,0,1 1", "[4;2;4]:1:double\n"},
      {"subsref '[1,2;3,4]:m' : 0", "[1;3]:m:double\n"},
      {"subsref '[1,2;3,4]' '' :", "[|,|]:1:double\n"},
      {"subsref '[1,2]' 0 -0", "[1]:1:double\n"},
  });
}

TEST(Dmcalc, BadOptionsAreUsageErrors) {
  EXPECT_EQ(dmcalc("--precision 0 parse 1").status, 2);
  EXPECT_EQ(dmcalc("--precision x parse 1").status, 2);
  EXPECT_EQ(dmcalc("--frobnicate parse 1").status, 2);
  const Outcome help = dmcalc("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("convert_affine"), std::string::npos);
}

// A units file in the test's temporary directory, removed when the test ends.
class UnitsFile {
 public:
  UnitsFile(const std::string& name, const std::string& text)
      : mPath(::testing::TempDir() + "dmcalc_" + std::to_string(getpid()) + "_" + name) {
    std::ofstream(mPath) << text;
  }
  ~UnitsFile() { std::remove(mPath.c_str()); }
  UnitsFile(const UnitsFile&) = delete;
  UnitsFile& operator=(const UnitsFile&) = delete;
  const std::string& path() const { return mPath; }

 private:
  std::string mPath;
};

TEST(Dmcalc, EverydayUnitsConvert) {
  expectPrinted({
      {"convert 30:kn km/h", "[55.56]:km/h:double\n"},
      {"convert 760:mmHg Pa", "[101325]:Pa:double\n"},
      {"convert 1:lb oz", "[16]:oz:double\n"},
      {"convert 1:lb lbm", "[1]:lbm:double\n"},
      {"convert 2:t kg", "[2000]:kg:double\n"},
      {"convert 1:kt t", "[1000]:t:double\n"},
      {"convert 1:ft in", "[12]:in:double\n"},
      {"convert 2000:mAh C", "[7200]:C:double\n"},
      {"convert 100:cP 'Pa*s'", "[0.1]:Pa*s:double\n"},
      {"convert 1:acre 'ft^2'", "[43560]:ft^2:double\n"},
      {"convert 1:wk h", "[168]:h:double\n"},
  });
}

TEST(Dmcalc, UnknownUnitsSuggestTheSymbol) {
  struct Row {
    const char* args;
    const char* err;
  };
  const Row rows[] = {
      {"parse 1:knot", "error: unit_manager:parser:UnknownUnit: Unknown unit 'knot' in 'knot'; did you mean 'kn'?\n"},
      {"convert 1:m 'meters/s'",
       "error: unit_manager:parser:UnknownUnit: Unknown unit 'meters' in 'meters/s'; did you mean 'm'?\n"},
      {"parse 1:xyzzy", "error: unit_manager:parser:UnknownUnit: Unknown unit 'xyzzy' in 'xyzzy'\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const Outcome run = dmcalc(row.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, row.err);
  }
}

TEST(Dmcalc, UnitsFilesDefineUnitsForEveryCommand) {
  const UnitsFile first("first.txt", "furlong = 201.168 m\nprefixable widget = 3 kg\n");
  const UnitsFile second("second.txt", "# an affine unit\ndegX = 5/9 K @ 255.37\nchain = 1/10 furlong\n");
  const std::string both = "--units " + first.path() + " --units " + second.path() + " ";
  expectPrinted({
      {"--units " + first.path() + " convert 2:kwidget kg", "[6000]:kg:double\n"},
      {"--units " + first.path() + " convert 1:furlong ft", "[660]:ft:double\n"},
      {both + "convert 1:chain ft", "[66]:ft:double\n"},
      {both + "affine '[0]:degX'", "[255.37]:K:double\n"},
      {both + "linear '[9]:degX'", "[5]:K:double\n"},
      {both + "convert_affine '[0]:degX' degC", "[-17.78]:degC:double\n"},
      {both + "plus '[1]:furlong' '[1]:chain'", "[1.1]:furlong:double\n"},
  });
  const Outcome mismatch = dmcalc(both + "gt '[1]:degX' '[1]:K'");
  expectError(mismatch, 1, "unit_manager:propagation:AffineUnitMismatch");
  // Batch mode sees the units too, and "units" lists them after the built-in ones.
  const Outcome batch = dmcalc(both, "convert 1:furlong m\nunits\n");
  EXPECT_EQ(batch.status, 0);
  const std::string listed = "furlong = 201.168 m widget = 3 kg degX = 5/9 K @ 255.37 chain = 1/10 furlong\n";
  ASSERT_GT(batch.out.size(), listed.size());
  EXPECT_EQ(batch.out.substr(0, batch.out.find('\n') + 1), "[201.168]:m:double\n");
  EXPECT_EQ(batch.out.substr(batch.out.size() - listed.size()), listed);
  EXPECT_EQ(dmcalc("parse 1:furlong").err.rfind("error: unit_manager:parser:UnknownUnit: ", 0), 0u);
}

TEST(Dmcalc, ABadUnitsFileStopsBeforeAnyCommand) {
  const UnitsFile ambiguous("ambiguous.txt", "furlong = 201.168 m\nchain = 22 m\nkm = 1000 m\n");
  const UnitsFile invalid("invalid.txt", "ok = 1 m\nbad = 1000kg\n");
  struct Row {
    std::string args;
    std::string err;
  };
  const Row rows[] = {
      {"--units " + ambiguous.path() + " parse 1",
       "error: unit_manager:definition:AmbiguousUnit: " + ambiguous.path() + ":3: "},
      {"--units " + invalid.path() + " parse 1",
       "error: unit_manager:definition:InvalidDefinition: " + invalid.path() + ":2: "},
      {"--units " + invalid.path() + " --units " + invalid.path() + " parse 1",
       "error: unit_manager:definition:InvalidDefinition: " + invalid.path() + ":2: "},
      {"--units /nonexistent/units.txt parse 1", "error: dmcalc:usage:CannotReadFile: "},
      {"--units " + ::testing::TempDir() + " parse 1", "error: dmcalc:usage:CannotReadFile: "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const Outcome run = dmcalc(row.args, "parse 2\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, row.err.size()), row.err);
  }
  const UnitsFile good("good.txt", "chain = 22 m\n");
  const Outcome twice = dmcalc("--units " + good.path() + " --units " + good.path() + " parse 1");
  EXPECT_EQ(twice.status, 2);
  EXPECT_EQ(twice.err.rfind("error: unit_manager:definition:DuplicateUnit: " + good.path() + ":1: ", 0), 0U);
}

}  // namespace
