// Whole runs of the program on the cases in tests/cases.
#include "support/test_util.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;
using namespace quarlo::test;

namespace {

fs::path cases_root() { return fs::path(QUARLO_SOURCE_DIR) / "tests" / "cases"; }

// A later run of a case, in the same folder after the first.
constexpr const char* kLaterRun = "then";

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

std::string trimmed(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

// Whether an output line (trailing blanks removed) is the expected one; a
// "?" in the expected line stands for any one character.
bool matches(const std::string& expected, const std::string& actual) {
    if (expected.size() != actual.size()) return false;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != '?' && expected[i] != actual[i]) return false;
    return true;
}

bool starts_with(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// A value of a JSON output against the expected one: numbers within
// absolute + relative x |expected|, arrays element by element, the rest
// (null, booleans, texts) equal.
void expect_json_value(const nlohmann::json& actual, const nlohmann::json& expected, double absolute,
                       double relative, const std::string& where) {
    if (expected.is_array()) {
        ASSERT_TRUE(actual.is_array()) << where;
        ASSERT_EQ(actual.size(), expected.size()) << where;
        for (std::size_t i = 0; i < expected.size(); ++i)
            expect_json_value(actual[i], expected[i], absolute, relative, where + "/" + std::to_string(i));
    } else if (expected.is_number() && !expected.is_boolean()) {
        ASSERT_TRUE(actual.is_number()) << where << ": " << actual.dump();
        const double want = expected.get<double>(), got = actual.get<double>();
        EXPECT_LE(std::fabs(got - want), absolute + relative * std::fabs(want)) << where << ": " << got << " for "
                                                                                << want;
    } else {
        EXPECT_EQ(actual, expected) << where;
    }
}

// expected-json.<file>: an object whose members name values of the JSON
// output by their JSON pointers, each [value, absolute, relative tolerance].
void check_json(const std::string& expected_path, const std::string& target) {
    const auto expected = nlohmann::json::parse(read_file(expected_path));
    const auto actual = nlohmann::json::parse(read_file(target));
    for (const auto& [pointer, want] : expected.items()) {
        const nlohmann::json::json_pointer at(pointer);
        ASSERT_TRUE(actual.contains(at)) << target << " lacks " << pointer;
        expect_json_value(actual[at], want.at(0), want.at(1).get<double>(), want.at(2).get<double>(),
                          target + pointer);
    }
}

// Runs the program once on the case folder `source` in the working
// directory `dir` and checks the expected files of that folder.
void run_and_check(const fs::path& source, const TempDir& dir) {
    SCOPED_TRACE(source.string());
    for (const auto& entry : fs::directory_iterator(source)) {
        std::string name = entry.path().filename().string();
        if (name == "args" || name == kLaterRun || starts_with(name, "expected")) continue;
        fs::copy(entry.path(), fs::path(dir.path()) / name,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    auto args = read_lines((source / "args").string());
    // The output options lead, as on the command line.
    quarlo::ExportRequest exports;
    while (!args.empty() && (args[0] == "--json" || args[0] == "--geojson" || args[0] == "--html")) {
        (args[0] == "--json" ? exports.json : args[0] == "--geojson" ? exports.geojson : exports.html) = true;
        args.erase(args.begin());
    }
    auto result = run_program(args, "", exports);

    if (fs::exists(source / "expected-status")) {
        EXPECT_EQ(std::to_string(result.status), read_lines((source / "expected-status").string()).at(0));
    }
    if (fs::exists(source / "expected-console")) {
        EXPECT_EQ(result.console, read_file((source / "expected-console").string()));
    }
    // Standard error holds the messages and warnings about the input: none
    // unless the case expects them.
    const fs::path expected_errors = source / "expected-stderr";
    EXPECT_EQ(result.errors, fs::exists(expected_errors) ? read_file(expected_errors.string()) : std::string());

    for (const auto& entry : fs::directory_iterator(source)) {
        std::string name = entry.path().filename().string();
        const char* forms[] = {"expected.", "expected-head.", "expected-lines.", "expected-absent.", "expected-json."};
        const char* form = nullptr;
        for (const char* f : forms)
            if (starts_with(name, f)) form = f;
        if (form == nullptr) continue;
        std::string target = name.substr(std::string(form).size());
        ASSERT_TRUE(fs::exists(target)) << target;
        if (form == forms[4]) {
            check_json(entry.path().string(), target);
            continue;
        }
        auto expected = masked(read_lines(entry.path().string()));
        auto actual = masked(read_lines(target));

        if (form == forms[2] || form == forms[3]) {
            // Lines that must (or must not) occur anywhere in the file; a
            // line listed n times must occur n times.
            const bool present = form == forms[2];
            std::vector<std::string> lines;
            for (const auto& l : actual) lines.push_back(trimmed(l));
            std::vector<bool> used(lines.size(), false);
            for (const auto& e : expected) {
                const std::string want = trimmed(e);
                std::size_t i = 0;
                while (i < lines.size() && (used[i] || !matches(want, lines[i]))) ++i;
                if (present) {
                    EXPECT_LT(i, lines.size()) << target << " lacks the line\n" << want;
                    if (i < lines.size()) used[i] = true;
                } else {
                    EXPECT_EQ(i, lines.size()) << target << " holds the line\n" << want;
                }
            }
            continue;
        }
        if (form == forms[1] && actual.size() > expected.size()) actual.resize(expected.size());
        ASSERT_EQ(actual.size(), expected.size()) << target;
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(actual[i], expected[i]) << target << " line " << i + 1;
    }

    if (fs::exists(source / "expected-files")) {
        EXPECT_EQ(dir.files(), read_lines((source / "expected-files").string()));
    }
}

class WholeRun : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(WholeRun, MatchesTheExpectedOutputs) {
    const fs::path source = cases_root() / GetParam();
    TempDir dir;
    run_and_check(source, dir);
    if (fs::is_directory(source / kLaterRun)) run_and_check(source / kLaterRun, dir);
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeRun, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string n = info.param;
                             for (auto& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });
