// Completing the station table with stations that only observations name,
// and the small station routines used by many stages.
#pragma once

#include "core/context.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace quarlo {

void stnadd(RunContext& ctx);
// Places the 12-character label of station n into the print line at col.
void getlab(RunContext& ctx, int n, int col);
// The label of station n from the label work file.
FixedText<12> station_label(RunContext& ctx, int n);
// Station n as the messages name it: its label in quotes in label mode,
// else its number.
std::string station_in_message(RunContext& ctx, int n);
// Station number n in: its position among the numbered stations out.
void tgetnum(RunContext& ctx, int& n);
// Grid co-ordinates of a latitude and longitude (radians) by the run's map
// projection; false, with both co-ordinates 0, when the angles were not
// readable or the run has no map zone.
bool geographic_to_grid(const RunContext& ctx, bool readable, double latitude, double longitude, double& easting,
                        double& northing);
// 1-based position of the first entry equal to n among the first `count`
// entries of a table, or 0.
template <int N>
int ifind(int n, const Table<std::int16_t, N>& table, int count) {
    if (count > N) count = N;
    if (count < 1 || n < INT16_MIN || n > INT16_MAX) return 0;
    const std::int16_t* p = &table(1);
    const auto key = static_cast<std::int16_t>(n);
    // Blocks of 16 entries are tested whole, eight lanes at a time; the
    // first hit is then found within its block.
    using Lanes = std::int16_t __attribute__((vector_size(16)));
    Lanes keys = Lanes{} + key;
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        Lanes x, y;
        std::memcpy(&x, p + i, sizeof x);
        std::memcpy(&y, p + i + 8, sizeof y);
        Lanes eq = (x == keys) | (y == keys);
        std::uint64_t half[2];
        std::memcpy(half, &eq, sizeof half);
        if ((half[0] | half[1]) != 0) break;
    }
    for (; i < count; ++i)
        if (p[i] == key) return i + 1;
    return 0;
}

// The positions ifind gives, looked up at once: for a stage that looks many
// station numbers up in a table that does not change meanwhile. Numbers
// 0-999 are indexed (the first of equal entries wins, as in ifind); any
// other number is searched for in the table.
template <int N>
class StationPositions {
public:
    StationPositions(const Table<std::int16_t, N>& table, int count) : table_(table), count_(count > N ? N : count) {
        position_.fill(0);
        for (int i = count_; i >= 1; --i) {
            const int n = table(i);
            if (n >= 0 && n < kIndexed) position_[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(i);
        }
    }
    int find(int n) const {
        if (n >= 0 && n < kIndexed) return position_[static_cast<std::size_t>(n)];
        return ifind(n, table_, count_);
    }

private:
    static constexpr int kIndexed = 1000;
    const Table<std::int16_t, N>& table_;
    int count_;
    std::array<std::int16_t, kIndexed> position_;
};

} // namespace quarlo
