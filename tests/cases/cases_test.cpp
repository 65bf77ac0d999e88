// Whole runs of the program on the cases in tests/cases.
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace quarlo::test;

namespace {

fs::path cases_root() { return fs::path(QUARLO_SOURCE_DIR) / "tests" / "cases"; }

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(cases_root()))
        if (entry.is_directory() && fs::exists(entry.path() / "args")) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> masked(std::vector<std::string> lines) {
    for (auto& l : lines)
        if (l.rfind("PROGRAM:", 0) == 0 && l.size() >= 132) l.replace(121, 11, "##-###-####");
    return lines;
}

class WholeRun : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(WholeRun, MatchesTheExpectedOutputs) {
    const fs::path source = cases_root() / GetParam();
    TempDir dir;
    for (const auto& entry : fs::directory_iterator(source)) {
        std::string name = entry.path().filename().string();
        if (name == "args" || name.rfind("expected", 0) == 0) continue;
        fs::copy(entry.path(), fs::path(dir.path()) / name, fs::copy_options::recursive);
    }
    auto args = read_lines((source / "args").string());
    auto result = run_program(args);

    if (fs::exists(source / "expected-status")) {
        EXPECT_EQ(std::to_string(result.status), read_lines((source / "expected-status").string()).at(0));
    }
    if (fs::exists(source / "expected-console")) {
        EXPECT_EQ(result.console, read_file((source / "expected-console").string()));
    }

    for (const auto& entry : fs::directory_iterator(source)) {
        std::string name = entry.path().filename().string();
        bool whole = name.rfind("expected.", 0) == 0;
        bool head = name.rfind("expected-head.", 0) == 0;
        if (!whole && !head) continue;
        std::string target = name.substr(whole ? 9 : 14);
        ASSERT_TRUE(fs::exists(target)) << target;
        auto expected = masked(read_lines(entry.path().string()));
        auto actual = masked(read_lines(target));
        if (head && actual.size() > expected.size()) actual.resize(expected.size());
        ASSERT_EQ(actual.size(), expected.size()) << target;
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(actual[i], expected[i]) << target << " line " << i + 1;
    }

    if (fs::exists(source / "expected-files")) {
        EXPECT_EQ(dir.files(), read_lines((source / "expected-files").string()));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeRun, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string n = info.param;
                             for (auto& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });
