// Geoid separations of stations: from the geoid file by station label, and
// from the program's own model by inverse-distance interpolation.
#include "geodesy/geoid.h"

#include "geodesy/geodcat.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/geoid_model.h"
#include "report/iocat3.h"

#include <string>
#include <vector>

namespace quarlo {

namespace {

constexpr double kRadToDeg = 57.295779513025025;

// The model area: latitudes 28 to 38 south, longitudes 140 to 154 east.
constexpr double kSouthMin = 28.0;
constexpr double kSouthMax = 38.0;
constexpr double kEastMin = 140.0;
constexpr double kEastMax = 154.0;

} // namespace

void tgeoidfile(RunContext& ctx, int& found, int number, float& n, float& value2, float& value3) {
    found = 1;
    n = 0.0f;
    SeqFile& file = ctx.files.unit20;
    if (!file.is_open() || !ctx.files.unit18.is_open()) {
        found = 0;
        return;
    }
    // A station without a label (or a label never written) is not looked up:
    // a blank label would match any line whose label columns are blank.
    FixedText<12> wanted = station_label(ctx, number);
    if (wanted.is_blank()) {
        found = 0;
        return;
    }
    std::string label = wanted.str();

    // Every search starts at the top of the file and leaves it there.
    std::string line;
    while (file.read_line(line)) {
        line = pad_line(line, 40);
        if (columns(line, 1, 12) != label) continue;
        int s1 = 0, s2 = 0, s3 = 0;
        double v1 = read_real_field(line, 14, 7, s1);
        double v2 = read_real_field(line, 22, 6, s2);
        double v3 = read_real_field(line, 29, 6, s3);
        if (s1 < 0 || s2 < 0 || s3 < 0) break; // an unreadable line: as not found
        n = static_cast<float>(v1);
        value2 = static_cast<float>(v2);
        value3 = static_cast<float>(v3);
        file.rewind();
        return;
    }
    file.rewind();
    found = 0;
}

void tgesepa(RunContext& ctx, double e, double n, float& separation, int& ok) {
    separation = 0.0f;
    ok = 0;
    std::vector<Neighbour> list;
    int count = 0;

    if (!geod00(ctx)) return; // no figure: no position to look up
    double phi = 0.0, lambda = 0.0, gamma = 0.0, k = 0.0;
    geod02(ctx, e, n, phi, lambda, gamma, k);
    double south = -phi * kRadToDeg;
    double east = lambda * kRadToDeg;
    if (!(south >= kSouthMin && south <= kSouthMax && east >= kEastMin && east <= kEastMax)) return;

    bool grs80 = ctx.tmvals.zone_code > 800;
    if (grs80)
        grs80_n09(east, south, list, count);
    else
        datagd66(east, south, list, count);
    if (count == 0) return;

    double n66 = 0.0, n84 = 0.0;
    nvalue(list, grs80 ? 84 : 66, n66, n84, count);
    separation = static_cast<float>(grs80 ? n84 : n66);
    ok = 1;
}

} // namespace quarlo
