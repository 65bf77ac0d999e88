// The zenith distances observed from each station, in their order, from the
// from-station table that the adjusted values fill in each pass: the stages
// that go through the zenith distances station by station look them up
// instead of scanning them all for every station.
#pragma once

#include "core/context.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

namespace quarlo {

class ZenithsFrom {
public:
    // Zenith distances 1 .. count of the from-station table.
    ZenithsFrom(const RunContext& ctx, int count) {
        std::vector<std::pair<int, int>> pairs; // (from-station, zenith distance)
        pairs.reserve(static_cast<std::size_t>(std::max(count, 0)));
        for (int s = 1; s <= count; ++s) pairs.push_back({ctx.frmstn.from_station(s), s});
        std::sort(pairs.begin(), pairs.end());
        numbers_.reserve(pairs.size());
        order_.reserve(pairs.size());
        for (const auto& p : pairs) {
            numbers_.push_back(p.first);
            order_.push_back(p.second);
        }
    }

    // The zenith distances whose from-station is `number`, in increasing order.
    std::span<const int> of(int number) const {
        auto range = std::equal_range(numbers_.begin(), numbers_.end(), number);
        return {order_.data() + (range.first - numbers_.begin()), static_cast<std::size_t>(range.second - range.first)};
    }

private:
    std::vector<int> numbers_;               // the from-stations, sorted
    std::vector<int> order_;                 // the zenith distances beside them
};

} // namespace quarlo
