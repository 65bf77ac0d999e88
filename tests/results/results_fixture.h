// Work files of the results stage prepared directly: station and equation
// records on quarlo01.wrk, the station tables and a chosen solution vector.
#pragma once

#include "adjust/adjust_fixture.h"
#include "core/records.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

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
    // Stations in use (station position order) for lay_out(), and the
    // records of dropped stations before the observations.
    std::vector<EqnStationRecord> eqn;
    int rejected = 0;

    // Lays the records out: the stations in use on both work files (the
    // observation work file may hold `rejected` further records before the
    // observations), the zenith distances and height differences after them,
    // and the from-station table of the zenith distances.
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

    // Pass `pass` of `total` iterations.
    void iteration(int pass, int total) {
        c().rec01.iteration_total = total;
        c().rec01.pass_countdown = total - pass + 1;
        c().rec01.iterations_left = total - pass;
    }

    ZenithRecord zenith_on_file(int s) {
        return read_zenith(c().files.unit9, static_cast<int>(eqn.size()) + rejected + s);
    }

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

    // Station position p: number, height status, co-ordinates, name, first
    // unknown and pillar flag.
    void station_at(int p, int number, int status, double e, double n, const std::string& name, int first_unknown,
                    int pillar_flag = 0) {
        EqnStationRecord s = numbered_station(number, status, first_unknown, 0.0f, e, n, name);
        s.pillar = pillar_flag;
        s.coordinates_flag = e != 0.0 ? 1 : 0;
        write_eqn_station(c().files.unit1, p, s);
        c().stnfst.station_number(p) = static_cast<std::int16_t>(number);
        c().stnfst.refraction_register(p) = static_cast<std::int16_t>(first_unknown);
        if (p > c().numbrs.number_of_stations) c().numbrs.number_of_stations = p;
    }

    // Equation k (record 1000 + k).
    void equation(int k, std::vector<int> unknowns, std::vector<float> coefficients, float misclosure, float weight,
                  int from = 0, int to = 0, int set_flag = 0, double distance = 0.0) {
        EquationRecord e;
        for (std::size_t i = 0; i < unknowns.size(); ++i) {
            e.unknown[i] = unknowns[i];
            e.coefficient[i] = coefficients[i];
        }
        e.misclosure = misclosure;
        e.weight = weight;
        e.from_position = from;
        e.to_position = to;
        e.refraction_set = set_flag;
        e.distance = distance;
        write_equation(c().files.unit1, 1000 + k, e);
    }

    // Counts of the main list (zenith distances, height differences) and of
    // the constraint equations written (height observations, refraction).
    void counts(int nz, int nh, int no = 0, int nr = 0) {
        auto& n = c().numbrs;
        n.number_of_zenith_distances = nz;
        n.number_of_height_differences = nh;
        n.number_of_observations = nz + nh;
        n.number_of_height_observation_equations = no;
        n.number_of_refraction_constraints = nr;
        n.number_of_equations = nz + nh + no + nr;
    }

    void solution(std::vector<float> x) {
        for (std::size_t i = 0; i < x.size(); ++i) c().nearea.rhs(static_cast<int>(i) + 1) = x[i];
        c().numbrs.matrix_size = static_cast<int>(x.size());
    }

    // The report with trailing blanks removed; each page heading (the form
    // feed and the five heading records) becomes one "<page>" record.
    std::vector<std::string> body() {
        std::vector<std::string> out;
        auto all = run.report();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i] == "\f") {
                out.push_back("<page>");
                i += 5;
                continue;
            }
            std::string l = all[i];
            l.erase(l.find_last_not_of(' ') + 1);
            out.push_back(l);
        }
        return out;
    }
};

// A results run with the control record's defaults: analysis option 0,
// K 0.065 with a standard deviation of 0.01, stage 2, job "NET1".
struct AnalysisRun : ResultsRun {
    AnalysisRun() {
        c().names.job_name.set("NET1");
        c().option.run_status = 1;
        c().rec01.refraction_standard_deviation = 10.0f;
        c().rec01.default_refraction = 0.065f;
        c().rec01.required_stage = 2;
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

// A report line with trailing blanks removed.
inline std::string rec(std::initializer_list<std::pair<int, std::string>> fields) {
    std::string l = line132(fields);
    l.erase(l.find_last_not_of(' ') + 1);
    return l;
}

// Record-by-record comparison, naming the first records that differ.
inline void expect_records(const std::vector<std::string>& got, const std::vector<std::string>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "record " << i;
}

} // namespace quarlo::test
