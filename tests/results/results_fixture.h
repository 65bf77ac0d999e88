// The work files the results stage reads, prepared directly: the numbered
// station records of the equation work file, the station and zenith records
// of the observation work file, the equation records and the solution.
#pragma once

#include "adjust/adjust_fixture.h"
#include "driver/records.h"

#include <string>
#include <vector>

namespace quarlo::test {

inline EqnStationRecord numbered_station(int number, int status, int first_unknown, float height, double e, double n,
                                    const std::string& name) {
    EqnStationRecord s;
    s.number = number;
    s.status = status;
    s.first_unknown = first_unknown;
    s.height = height;
    s.easting = e;
    s.northing = n;
    s.coordinates_flag = 1;
    s.name.set(name);
    return s;
}

inline ZenithRecord zenith_k(int from, int to, float k, int reciprocal = 0, int set = 1) {
    ZenithRecord z = zenith(from, to, 1.5, 100.0);
    z.k = k;
    z.reciprocal = reciprocal;
    z.refraction_set = set;
    return z;
}

struct ResultsRun : AdjustRun {
    std::vector<EqnStationRecord> eqn;
    int rejected = 0;

    ResultsRun() {
        c().names.job_name.set("NET1");
        c().option.run_status = 1;
        c().rec01.refraction_standard_deviation = 10.0f;
        c().rec01.default_refraction = 0.065f;
        c().rec01.required_stage = 2;
    }

    // Lays the records out: the stations in use on both work files (the
    // observation work file may hold `rejected` further records before the
    // observations), the zenith distances and height differences after them.
    void lay_out() {
        auto& ctx = c();
        int n = static_cast<int>(eqn.size());
        for (int i = 0; i < n; ++i) {
            write_eqn_station(ctx.files.unit1, i + 1, eqn[static_cast<std::size_t>(i)]);
            write_station(ctx.files.unit9, i + 1, station_record(eqn[static_cast<std::size_t>(i)]));
        }
        int rec = n + rejected;
        for (const auto& z : zeniths) write_zenith(ctx.files.unit9, ++rec, z);
        for (const auto& h : differences) write_height_diff(ctx.files.unit9, ++rec, h);
        ctx.numbrs.number_of_stations = n;
        ctx.numbrs.rejected_station_count = rejected;
        ctx.numbrs.number_of_zenith_distances = static_cast<int>(zeniths.size());
        ctx.numbrs.number_of_height_differences = static_cast<int>(differences.size());
        ctx.numbrs.number_of_observations = static_cast<int>(zeniths.size() + differences.size());
        for (std::size_t s = 0; s < zeniths.size(); ++s)
            ctx.frmstn.from_station(static_cast<int>(s) + 1) = static_cast<std::int16_t>(zeniths[s].from % 1000);
    }

    void solution(const std::vector<float>& x) {
        c().numbrs.matrix_size = static_cast<int>(x.size());
        for (std::size_t m = 0; m < x.size(); ++m) c().nearea.rhs(static_cast<int>(m) + 1) = x[m];
    }

    // Pass `pass` of `total` iterations.
    void iteration(int pass, int total) {
        c().rec01.iteration_total = total;
        c().rec01.pass_countdown = total - pass + 1;
        c().rec01.iterations_left = total - pass;
    }

    ZenithRecord zenith_on_file(int s) { return read_zenith(c().files.unit9, static_cast<int>(eqn.size()) + rejected + s); }

    // The report records after the last one holding `caption`, blank
    // records as "", the trailing blank records dropped.
    std::vector<std::string> after(const std::string& caption) {
        std::vector<std::string> all = run.report(), out;
        std::size_t start = 0;
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].find(caption) != std::string::npos) start = i + 1;
        for (std::size_t i = start; i < all.size(); ++i)
            out.push_back(all[i].find_first_not_of(' ') == std::string::npos ? "" : all[i]);
        while (!out.empty() && out.back().empty()) out.pop_back();
        return out;
    }
};

inline float misclosure(DirectFile& f, int rec) {
    Record r(4);
    f.read(rec, r);
    return r.f32(0);
}

inline void put_misclosure(DirectFile& f, int rec, float v) {
    Record r(4);
    r.set_f32(0, v);
    f.write(rec, r);
}

} // namespace quarlo::test
