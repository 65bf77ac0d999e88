// Work files of the results stage prepared directly: station and equation
// records on quarlo01.wrk, the station tables and a chosen solution vector.
#pragma once

#include "adjust/adjust_fixture.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quarlo::test {

struct ResultsRun : AdjustRun {
    // Station position p: number, height status, co-ordinates, name, first
    // unknown and pillar flag.
    void station_at(int p, int number, int status, double e, double n, const std::string& name, int first_unknown,
                    int pillar_flag = 0) {
        EqnStationRecord s;
        s.status = status;
        s.easting = e;
        s.northing = n;
        s.first_unknown = first_unknown;
        s.number = number;
        s.name.set(name);
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
