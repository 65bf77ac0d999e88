// Bounded random input: a few hundred generated input files (arbitrary text,
// binary bytes, over-long lines, lines without line ends, empty files,
// record-code records with unreadable fields, keyword lines with garbage,
// damaged networks of both forms) run through the whole program. Every run
// must end with a clean status, leave no work file behind and finish in
// bounded time. The generator is seeded, so a failure repeats.
#include "core/fatal.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using quarlo::test::run_program;
using quarlo::test::TempDir;
using quarlo::test::write_file;

namespace {

constexpr int kCases = 360;
// A single run that takes longer than this is taken for a hang.
constexpr auto kHangLimit = std::chrono::seconds(60);

// Printable form of an input for a failure message.
std::string escaped(const std::string& s, std::size_t limit = 400) {
    std::string out;
    for (std::size_t i = 0; i < s.size() && i < limit; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '\n') {
            out += "\\n\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c >= 32 && c < 127) {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    if (s.size() > limit) out += "... (" + std::to_string(s.size()) + " bytes)";
    return out;
}

// Ends the test binary when one run does not finish: a hang cannot be
// interrupted from inside the run itself.
class Watchdog {
public:
    Watchdog() : thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    void starting(int index, const std::string& description) {
        std::lock_guard<std::mutex> lock(mutex_);
        index_ = index;
        description_ = description;
        ++progress_;
        cv_.notify_all();
    }

private:
    void watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            long seen = progress_;
            if (!cv_.wait_for(lock, kHangLimit, [&] { return stop_ || progress_ != seen; })) {
                std::fprintf(stderr, "\nInput case %d did not finish within %lld s:\n%s\n", index_,
                             static_cast<long long>(kHangLimit.count()), description_.c_str());
                std::fflush(stderr);
                std::_Exit(1);
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
    long progress_ = 0;
    int index_ = -1;
    std::string description_;
    std::thread thread_;
};

// One generated case: the input file, and an options file when wanted.
struct Case {
    std::string kind;
    std::string input;
    std::string options; // empty: no quarlo.opt
};

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    Case make(int index) {
        static const std::vector<std::pair<const char*, std::string (Generator::*)()>> kinds = {
            {"empty file", &Generator::empty_file},
            {"header only", &Generator::header_only},
            {"arbitrary text", &Generator::arbitrary_text},
            {"binary bytes", &Generator::binary_bytes},
            {"over-long lines", &Generator::over_long_lines},
            {"no line ends", &Generator::no_line_ends},
            {"unreadable record-code fields", &Generator::unreadable_records},
            {"keyword garbage", &Generator::keyword_garbage},
            {"damaged keyword network", &Generator::damaged_keyword_network},
            {"damaged record-code network", &Generator::damaged_record_network},
            {"many stations", &Generator::many_stations},
        };
        const auto& [name, make_input] = kinds[static_cast<std::size_t>(index) % kinds.size()];
        Case c;
        c.kind = name;
        c.input = (this->*make_input)();
        if (chance(4)) c.options = options_file();
        return c;
    }

private:
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int one_in) { return uniform(1, one_in) == 1; }
    char printable() { return static_cast<char>(uniform(32, 126)); }
    char byte() { return static_cast<char>(uniform(0, 255)); }
    char digit() { return static_cast<char>('0' + uniform(0, 9)); }

    std::string printable_text(int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s.push_back(printable());
        return s;
    }

    // Text of field characters: digits, signs, points, blanks, now and then
    // a letter or another stray character.
    std::string field_text(int n) {
        static const std::string chars = "0123456789      .-+E";
        std::string s;
        for (int i = 0; i < n; ++i)
            s.push_back(chance(12) ? printable() : chars[static_cast<std::size_t>(uniform(0, static_cast<int>(chars.size()) - 1))]);
        return s;
    }

    // A control record: mostly the defaults, sometimes options in their
    // columns (stage, iterations, zone, geoid model, analysis).
    std::string control_record() {
        std::string card(80, ' ');
        card[0] = '0';
        card[1] = '1';
        if (chance(2)) card[53] = static_cast<char>('1' + uniform(0, 3)); // stage
        if (chance(3)) card[57] = static_cast<char>('1' + uniform(0, 2)); // iterations
        if (chance(4)) card[7] = static_cast<char>('0' + uniform(0, 3));  // refraction option
        if (chance(5)) {
            // A zone, and now and then the geoid model.
            const char* zones[] = {" 56", "  1", "833", "999", "6 5"};
            std::string z = zones[uniform(0, 4)];
            card.replace(3, 3, z);
            if (chance(2)) card[35] = chance(2) ? '1' : '2';
        }
        if (chance(6)) card[63] = static_cast<char>('0' + uniform(0, 5)); // analysis option
        if (chance(6)) card[73] = static_cast<char>('0' + uniform(0, 2)); // rotation
        if (chance(8))
            for (int i = 0; i < 6; ++i) card[static_cast<std::size_t>(uniform(2, 79))] = printable();
        return card;
    }

    std::string header() {
        std::string h;
        if (chance(2)) h += "92 RANDOM INPUT " + std::to_string(uniform(0, 999)) + "\n";
        if (chance(6)) h += "95 ignored\n";
        if (!chance(8)) h += control_record() + "\n";
        return h;
    }

    std::string options_file() {
        std::string o;
        if (chance(2)) o += "01" + std::string(78, ' ') + "\n";
        if (chance(3)) o += "WORK=" + std::string(chance(2) ? "x" : "./") + "\n";
        if (chance(4)) o += "DATA=./\n";
        return o;
    }

    std::string empty_file() { return chance(2) ? std::string() : std::string(uniform(1, 3), '\n'); }

    std::string header_only() {
        std::string h = header();
        if (chance(2) && !h.empty()) h.pop_back(); // the last line without its line end
        return h;
    }

    std::string arbitrary_text() {
        std::string s = header();
        int lines = uniform(1, 40);
        for (int i = 0; i < lines; ++i) s += printable_text(uniform(0, 150)) + "\n";
        return s;
    }

    std::string binary_bytes() {
        std::string s = chance(2) ? header() : std::string();
        int n = uniform(0, 3000);
        for (int i = 0; i < n; ++i) s.push_back(byte());
        return s;
    }

    std::string over_long_lines() {
        static const char* starts[] = {"GRD ", "ZEN ", "10   1", "23   1   2", "GEO ", "CCD ", "!", "99"};
        std::string s = header();
        int lines = uniform(1, 4);
        for (int i = 0; i < lines; ++i) {
            std::string line = starts[uniform(0, 7)];
            line += chance(2) ? printable_text(uniform(4000, 9000)) : std::string(static_cast<std::size_t>(uniform(4000, 9000)), chance(2) ? ' ' : '\\');
            s += line + "\n";
        }
        return s;
    }

    std::string no_line_ends() {
        std::string s = header();
        // Lines separated by carriage returns only, or nothing at all, and
        // never a line end at the end of the file.
        const char* sep = chance(2) ? "\r" : "";
        int lines = uniform(1, 10);
        for (int i = 0; i < lines; ++i) {
            s += chance(2) ? keyword_line() : printable_text(uniform(0, 120));
            if (i + 1 < lines) s += sep;
        }
        if (!s.empty() && s.back() == '\n') s.pop_back();
        return s;
    }

    // Record-code records whose every field is unreadable.
    std::string unreadable_records() {
        static const char* codes[] = {"10", "11", "18", "23", "24", "26", "20", "94", "92", "01", "99"};
        std::string s = header();
        int lines = uniform(1, 30);
        for (int i = 0; i < lines; ++i) {
            std::string line = codes[uniform(0, 10)];
            line += chance(3) ? " " : "";
            int n = uniform(0, 90);
            for (int k = 0; k < n; ++k) line.push_back(chance(5) ? ' ' : static_cast<char>(chance(2) ? uniform('A', 'Z') : uniform('!', '/')));
            s += line + "\n";
        }
        return s;
    }

    std::string keyword_line() {
        static const char* keys[] = {"GRD", "grd", "STN", "GEO", "geo", "GCR", "ZEN", "zen", "VER", "DIF", "dif", "CCD", "ccd", "Grd", "ZEn"};
        std::string line = keys[uniform(0, 14)];
        int n = uniform(0, 110);
        for (int k = 0; k < n; ++k) line.push_back(chance(3) ? printable() : (chance(2) ? ' ' : digit()));
        if (chance(3)) {
            line.resize(105, ' ');
            line[79] = '\\';
        }
        return line;
    }

    std::string keyword_garbage() {
        std::string s = header();
        int lines = uniform(1, 40);
        for (int i = 0; i < lines; ++i) s += keyword_line() + "\n";
        if (chance(3)) {
            // The last line asks for a continuation that is not there.
            std::string last = keyword_line();
            last.resize(105, ' ');
            last[79] = '\\';
            s += last;
            if (chance(2)) s += "\n";
        }
        return s;
    }

    // Replaces, inserts or removes a few characters.
    std::string damage(std::string s, int changes) {
        for (int i = 0; i < changes && !s.empty(); ++i) {
            std::size_t pos = static_cast<std::size_t>(uniform(0, static_cast<int>(s.size()) - 1));
            switch (uniform(0, 3)) {
            case 0: s[pos] = printable(); break;
            case 1: s.insert(pos, 1, chance(2) ? printable() : '\n'); break;
            case 2: s.erase(pos, 1); break;
            default: s[pos] = digit(); break;
            }
        }
        return s;
    }

    std::string place(std::string line, int col, const std::string& text) {
        if (line.size() < static_cast<std::size_t>(col - 1) + text.size()) line.resize(static_cast<std::size_t>(col - 1) + text.size(), ' ');
        line.replace(static_cast<std::size_t>(col - 1), text.size(), text);
        return line;
    }

    std::string number(int width, int decimals, double lo, double hi) {
        double v = std::uniform_real_distribution<double>(lo, hi)(rng_);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
        std::string s(buf);
        return s.size() > static_cast<std::size_t>(width) ? s.substr(0, static_cast<std::size_t>(width)) : s;
    }

    std::string label(int i) { return std::string("P").append(std::to_string(i)); }

    std::string angle_packed() {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%03d%02d%02d.%d", uniform(80, 100), uniform(0, 59), uniform(0, 59), uniform(0, 9));
        return buf;
    }

    std::string damaged_keyword_network() {
        std::string s = header();
        int stations = uniform(2, 8);
        for (int i = 1; i <= stations; ++i) {
            std::string l = place("GRD", 5, label(i));
            l = place(l, 18, "Station " + std::to_string(i));
            l = place(l, 38, number(11, 3, 1000, 9000));
            l = place(l, 49, number(11, 3, 1000, 9000));
            if (!chance(3)) l = place(l, 61, number(8, 3, 0, 500));
            if (i == 1 || chance(5)) l = place(l, 69, "*");
            s += l + "\n";
        }
        int observations = uniform(1, 15);
        for (int i = 0; i < observations; ++i) {
            std::string a = label(uniform(1, stations + 1)), b = label(uniform(1, stations + 1));
            int kind = uniform(0, 2);
            std::string l;
            if (kind == 0) {
                l = place(chance(2) ? "ZEN" : "VER", 5, a);
                l = place(l, 19, b);
                l = place(l, 32, angle_packed());
                l = place(l, 49, number(9, 3, 100, 5000));
                l = place(l, 69, number(5, 3, 1, 2));
                l = place(l, 75, number(5, 3, 1, 2));
            } else if (kind == 1) {
                l = place("DIF", 5, a);
                l = place(l, 19, b);
                l = place(l, 33, number(9, 3, -50, 50));
                l = place(l, 54, number(9, 3, 100, 5000));
            } else {
                l = place("CCD", 5, a);
                l = place(l, 19, b);
                l = place(l, 32, number(11, 3, -900, 900));
                l = place(l, 43, number(11, 3, -900, 900));
                l = place(l, 54, number(11, 3, -90, 90));
            }
            s += l + "\n";
        }
        if (chance(2)) s += "99\n";
        return damage(s, uniform(0, 8));
    }

    std::string damaged_record_network() {
        std::string s = header();
        int stations = uniform(2, 8);
        for (int i = 1; i <= stations; ++i) {
            std::string l = place("10", 4, number(3, 0, i, i));
            l = place(l, 8, number(11, 3, 1000, 9000));
            l = place(l, 19, number(11, 3, 1000, 9000));
            if (!chance(3)) l = place(l, 59, number(8, 3, 0, 500));
            if (i == 1) l = place(l, 67, "*");
            s += l + "\n";
        }
        int observations = uniform(1, 15);
        for (int i = 0; i < observations; ++i) {
            std::string a = std::to_string(uniform(1, stations + 1));
            std::string b = std::to_string(uniform(1, stations + 1));
            std::string l;
            if (i < observations / 2) {
                l = place("23", 4, std::string(4 - a.size(), ' ') + a);
                l = place(l, 9, std::string(3 - b.size(), ' ') + b);
                l = place(l, 13, angle_packed());
                l = place(l, 29, number(10, 3, 100, 5000));
            } else {
                l = place(chance(3) ? "26" : "24", 4, std::string(4 - a.size(), ' ') + a);
                l = place(l, 9, std::string(3 - b.size(), ' ') + b);
                l = place(l, 13, number(9, 3, -50, 50));
                l = place(l, 30, number(8, 2, 100, 5000));
            }
            s += l + "\n";
        }
        s += "99\n";
        return damage(s, uniform(0, 8));
    }

    std::string many_stations() {
        std::string s = header();
        int stations = uniform(990, 1010);
        for (int i = 1; i <= stations; ++i) s += place(chance(2) ? "GRD" : "GCR", 5, std::string("S").append(std::to_string(i))) + "\n";
        s += place(place("DIF", 5, "S1"), 19, "NEW") + "\n";
        return s;
    }

    std::mt19937 rng_;
};

} // namespace

TEST(InputFuzz, GeneratedInputsEndCleanlyInBoundedTime) {
    Generator gen(20261208u);
    Watchdog watchdog;
    const auto start = std::chrono::steady_clock::now();
    auto slowest = std::chrono::steady_clock::duration::zero();
    int slowest_case = -1;
    int failures = 0;
    int by_status[6] = {0, 0, 0, 0, 0, 0};
    const char* dump = std::getenv("QUARLO_FUZZ_DUMP");

    for (int i = 0; i < kCases && failures < 5; ++i) {
        Case c = gen.make(i);
        std::string description = "case " + std::to_string(i) + " (" + c.kind + "):\n" + escaped(c.input);
        watchdog.starting(i, description);

        // QUARLO_FUZZ_DUMP=<directory> keeps a copy of every generated input.
        if (dump) write_file(std::string(dump) + "/case" + std::to_string(i) + ".dat", c.input);

        TempDir dir;
        write_file("fuzz.dat", c.input);
        if (!c.options.empty()) write_file("quarlo.opt", c.options);
        const auto t0 = std::chrono::steady_clock::now();
        auto result = run_program({"-o", "fuzz.dat"});
        const auto took = std::chrono::steady_clock::now() - t0;
        if (took > slowest) {
            slowest = took;
            slowest_case = i;
        }

        if (result.status >= 0 && result.status < 6) ++by_status[result.status];
        bool clean = result.status == quarlo::kExitOk || result.status == quarlo::kExitDataErrors ||
                     result.status == quarlo::kExitSetupFailed || result.status == quarlo::kExitInputDropped;
        std::vector<std::string> left;
        for (const auto& f : dir.files())
            if (f.size() > 4 && f.compare(f.size() - 4, 4, ".wrk") == 0) left.push_back(f);
        if (!clean || !left.empty() || result.console.find("Internal error") != std::string::npos) {
            ++failures;
            std::string files;
            for (const auto& f : left) files += f + " ";
            ADD_FAILURE() << "status " << result.status << ", console:\n"
                          << result.console << "\nwork files left: " << files << "\n"
                          << description;
        }
    }

    const auto total = std::chrono::steady_clock::now() - start;
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    // Generous bounds: a sanitizer build on a shared machine is slow, but
    // no single input here should take more than a few seconds.
    EXPECT_LT(duration_cast<milliseconds>(slowest).count(), 10000) << "slowest: case " << slowest_case;
    EXPECT_LT(duration_cast<milliseconds>(total).count(), 120000);
    RecordProperty("slowest_case_ms", static_cast<int>(duration_cast<milliseconds>(slowest).count()));
    RecordProperty("runs_ok", by_status[quarlo::kExitOk]);
    RecordProperty("runs_with_data_errors", by_status[quarlo::kExitDataErrors]);
    RecordProperty("runs_abandoned_in_set_up", by_status[quarlo::kExitSetupFailed]);
    RecordProperty("runs_with_input_dropped", by_status[quarlo::kExitInputDropped]);
    RecordProperty("total_ms", static_cast<int>(duration_cast<milliseconds>(total).count()));
}
