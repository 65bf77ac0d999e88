// Deterministic networks for the benchmark: 999 stations on a local grid of
// 11 columns, so that stations numbered row by row give a band of about 12.
#pragma once

#include <string>

namespace quarlo::bench {

enum class NetworkKind {
    Levelling,     // height differences only
    Trigonometric, // 40 % of the lines reciprocal zenith distances, one K per station
    Dense          // one K per zenith distance: close to 4000 unknowns
};

// The whole input file of a network of that kind.
std::string make_network(NetworkKind kind);

// The stations of the grid with refraction option 3 (one K per zenith
// distance, so 949 heights and `zeniths` coefficients are unknown), one
// iteration, the analysis option and stage of processing given.
std::string per_observation_refraction_network(int zeniths, int height_differences, char analysis_option,
                                               char stage);

// A levelling network in keyword form: `stations` stations labelled
// "P0001" ... on a grid of 11 columns, every 20th fixed, levelled height
// differences along the rows and columns; stage 4, one iteration. The seed
// sets the heights and the errors of the observations.
std::string keyword_levelling_network(int stations, unsigned seed);

} // namespace quarlo::bench
