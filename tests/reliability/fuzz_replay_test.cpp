// SPDX-License-Identifier: Apache-2.0
//
// Replays every file of fuzz/corpus/<target>/ and fuzz/regressions/<target>/
// through the entry function of its fuzz target, compiled into this test
// without libFuzzer. A target reports a broken property by throwing; any
// exception that leaves it fails the file's test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "fuzz_targets.hpp"

namespace {

using EntryFcn = int (*)(const std::uint8_t*, std::size_t);

struct Target {
  const char* name;
  EntryFcn entry;
};

const Target kTargets[] = {
    {"value_text", &sorvexa_fuzz::valueTextOneInput},
    {"unit_text", &sorvexa_fuzz::unitTextOneInput},
    {"operation", &sorvexa_fuzz::operationOneInput},
    {"allocation_failure", &sorvexa_fuzz::allocationFailureOneInput},
};

struct Input {
  const Target* target;
  std::string kind;  // "corpus" or "regressions"
  std::filesystem::path path;
};

// Every regular file that is not hidden, in a stable order.
std::vector<Input> listInputs() {
  std::vector<Input> inputs;
  for (const Target& target : kTargets) {
    for (const char* kind : {"corpus", "regressions"}) {
      const std::filesystem::path dir = std::filesystem::path(SORVEXA_FUZZ_DIR) / kind / target.name;
      if (!std::filesystem::is_directory(dir)) {
        continue;
      }
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
          files.push_back(entry.path());
        }
      }
      std::sort(files.begin(), files.end());
      for (const auto& file : files) {
        inputs.push_back({&target, kind, file});
      }
    }
  }
  return inputs;
}

void PrintTo(const Input& input, std::ostream* os) { *os << input.path; }

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FuzzReplay : public ::testing::TestWithParam<Input> {};

TEST_P(FuzzReplay, InputKeepsEveryPropertyOfItsTarget) {
  const Input& input = GetParam();
  const std::vector<std::uint8_t> bytes = readFile(input.path);
  try {
    EXPECT_EQ(input.target->entry(bytes.data(), bytes.size()), 0);
  } catch (const std::exception& e) {
    ADD_FAILURE() << input.path << ": " << e.what();
  } catch (...) {
    ADD_FAILURE() << input.path << ": an exception of no standard type";
  }
}

std::string inputName(const ::testing::TestParamInfo<Input>& info) {
  std::string name =
      std::string(info.param.target->name) + "_" + info.param.kind + "_" + info.param.path.filename().string();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(CorpusAndRegressions, FuzzReplay, ::testing::ValuesIn(listInputs()), inputName);

// A target whose seed corpus went missing would replay nothing and pass.
TEST(FuzzCorpus, EveryTargetHasSeeds) {
  const std::vector<Input> inputs = listInputs();
  for (const Target& target : kTargets) {
    EXPECT_TRUE(std::any_of(inputs.begin(), inputs.end(), [&](const Input& i) {
      return i.target == &target && i.kind == "corpus";
    })) << target.name;
  }
}

}  // namespace
