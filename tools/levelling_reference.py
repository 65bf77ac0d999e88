#!/usr/bin/env python3
"""Expected figures of the whole-run adjustment cases (tests/cases), worked
independently of the program: a least-squares solution of the observation
equations in 40-digit arithmetic (mpmath), and the report lines, station
file and height file that follow from it.

The inputs, the station order, the provisional heights and the observation
equations come from tools/zenith_reference.py (the written reading,
ordering and equation rules); the values the program holds in single
precision (observed height differences, fixed heights, weights,
misclosures) are taken at their single-precision values, so the solution
here is the exact one of the data the program holds. The program solves in
single precision: its adjusted heights differ from these by about 1e-6 m,
its standard deviations and variance factor by about 1e-5 of their value.
Every printed figure is checked against the nearest rounding edge of its
field ("margin"); the cases were built so that no margin is below those
errors (a line "TOO CLOSE" would say otherwise).

    python3 tools/levelling_reference.py <case> [input|lines|hgt|stn]

"input" prints the case's net.dat, "lines" the expected report lines,
"hgt" and "stn" the height file and the adjusted station file; without a
second argument everything is printed with the margins.

The tests of the adjustment (global test, redundancy numbers, normalised
residuals, minimal detectable biases, bias-to-noise ratios) are worked
here too; for a levelling network too large for 40 digits (the
benchmark's case a) a double-precision banded solve compares them with the
program's JSON of the same run:

    python3 tools/levelling_reference.py --levelling net.dat net.json
"""
import math
import os
import sys

from mpmath import mp, mpf, sqrt as msqrt, atan2 as matan2

import zenith_reference as zr
from zenith_reference import Case, Station, HeightDiff, Line, fixed, integer, f32, card
from results_reference import grade

mp.dps = 40
RHO = f32(206264.8)

CASES = {}
case = zr.registrar(CASES)


# ---------------------------------------------------------------------------
# Margins: how far a printed figure is from the next rounding edge

class Margins:
    def __init__(self):
        self.rows = []

    def check(self, what, value, decimals, tolerance, relative=False):
        v = float(value)
        scaled = abs(v) * 10 ** decimals
        margin = abs(scaled - math.floor(scaled) - 0.5) / 10 ** decimals
        limit = tolerance * abs(v) if relative else tolerance
        self.rows.append((what, v, margin, margin < limit))
        return value

    def show(self):
        for what, v, margin, close in self.rows:
            print('  %-44s %14.8f  margin %.2e%s' % (what, v, margin, '  TOO CLOSE' if close else ''))


HEIGHT_TOL = 2e-5      # metres
RELATIVE_TOL = 1e-4    # of the value, for figures taken from the inverse
INVERSE_TOL = 1e-5     # of the value, for elements of the inverse as listed
SUM_TOL = 1e-5         # of the value, for the sums of weighted residuals


# ---------------------------------------------------------------------------
# The least-squares solution of one pass

class Solution:
    """Normal equations of the case's equation records, their inverse, the
    corrections, residuals and the residual sums."""

    def __init__(self, c):
        n = c.matrix_size
        self.n = n
        N = mp.matrix(n, n)
        u = mp.matrix(n, 1)
        self.eqs = [(k, c.eqs[k]) for k in sorted(c.eqs)]
        for _, e in self.eqs:
            terms = [(e.u[i], mpf(e.c[i])) for i in range(5) if e.u[i]]
            w = mpf(e.w)
            for i, ci in terms:
                u[i - 1] += ci * mpf(e.m) * w
                for j, cj in terms:
                    N[i - 1, j - 1] += ci * cj * w
        self.N = N
        self.Q = N ** -1
        self.x = self.Q * u
        self.v = {}
        self.pvv = mpf(0)
        self.plv = mpf(0)
        kinds = {'z': mpf(0), 'h': mpf(0), 'o': mpf(0), 'r': mpf(0)}
        nz, nh = len(c.zeniths), len(c.differences)
        for k, e in self.eqs:
            v = sum(mpf(e.c[i]) * self.x[e.u[i] - 1] for i in range(5) if e.u[i]) - mpf(e.m)
            self.v[k] = v
            p = mpf(e.w)
            self.pvv += p * v * v
            self.plv += p * v * mpf(e.m)
            kind = 'z' if k <= nz else 'h' if k <= nz + nh else 'o' if k <= nz + nh + c.height_equations else 'r'
            kinds[kind] += p * v * v
        self.kinds = kinds
        self.count = len(self.eqs)
        self.redundancy = self.count - n
        self.sigma0 = self.pvv / self.redundancy if self.redundancy > 0 else mpf(1)
        # Redundancy numbers r = 1 - p a'Qa and the tests of each equation.
        self.r = {}
        for k, e in self.eqs:
            terms = [(e.u[i], mpf(e.c[i])) for i in range(5) if e.u[i]]
            aqa = sum(ci * cj * self.Q[i - 1, j - 1] for i, ci in terms for j, cj in terms)
            self.r[k] = 1 - mpf(e.w) * aqa
        self.tests = {k: observation_test(self.v[k], mpf(e.w), self.r[k]) for k, e in self.eqs}
        self.global_test = global_test(self.pvv, self.redundancy)

    def q(self, m):
        return self.Q[m - 1, m - 1]


# ---------------------------------------------------------------------------
# Tests of the adjustment: the global test (chi-square, two-sided at 95 %)
# and data snooping (significance 0.1 %, power 80 %, lambda0 = 17.07) with
# the minimal detectable bias and the bias-to-noise ratio. The quantiles are
# found here by bisection on mpmath's regularised incomplete gamma function,
# the chi-square distribution function P(df / 2, x / 2).

CRITICAL = mpf('3.29')
LAMBDA0 = mpf('17.07')
WEAKLY_CHECKED = mpf('0.1')
NOT_CHECKED = mpf('0.001')


def chi_square_quantile(df, p):
    a, p = mpf(df) / 2, mpf(p)
    lo, hi = mpf(0), mpf(df) + 20 * msqrt(2 * mpf(df)) + 40
    for _ in range(200):
        mid = (lo + hi) / 2
        if mp.gammainc(a, 0, mid / 2, regularized=True) < p:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2


class GlobalTest:
    def __init__(self, pvv, df):
        self.statistic, self.df = pvv, df
        self.lower = chi_square_quantile(df, '0.025')
        self.upper = chi_square_quantile(df, '0.975')
        self.accepted = self.lower <= pvv <= self.upper
        self.ratio = msqrt(pvv / df)
        self.ratio_lower = msqrt(self.lower / df)
        self.ratio_upper = msqrt(self.upper / df)


def global_test(pvv, df):
    return GlobalTest(pvv, df) if df > 0 else None


class ObservationTest:
    """checking: 'checked', 'weakly_checked' or 'not_checked'; w, mdb and
    bnr are None for one not checked."""

    def __init__(self, v, p, r):
        self.r = r
        self.w = self.mdb = self.bnr = None
        if r < NOT_CHECKED:
            self.checking = 'not_checked'
            return
        self.checking = 'weakly_checked' if r < WEAKLY_CHECKED else 'checked'
        sigma = 1 / msqrt(p)
        self.mdb = sigma * msqrt(LAMBDA0 / r)
        self.bnr = msqrt(LAMBDA0 * max(1 - r, 0) / r)
        if v is not None:
            self.w = v / (sigma * msqrt(r))

    @property
    def flagged(self):
        return self.w is not None and abs(self.w) > CRITICAL


def observation_test(v, p, r):
    return ObservationTest(v, p, r)


def global_test_line(test, margins):
    """The console's verdict of the global test."""
    if test is None:
        return ' Global test: none, no degrees of freedom'
    m = margins

    def three(what, value, tolerance=1e-9):
        # The bounds come from the quantiles alone, which the program works
        # in double precision; the ratio from the sum of p v v.
        return fixed(m.check(what, value, 3, tolerance, True), 20, 3).strip()

    ratio = "sigma0'/sigma0 = " + three('sigma ratio', test.ratio, SUM_TOL)
    # The statistic must not be so near a bound that single precision could
    # turn the verdict.
    for bound in (test.lower, test.upper):
        gap = float(abs(test.statistic - bound) / bound)
        m.rows.append(('global test statistic against a bound', gap, gap, gap < SUM_TOL))
    if test.accepted:
        return ' Global test at 95 %%: accepted, %s lies within %s to %s' % (
            ratio, three('sigma ratio lower', test.ratio_lower), three('sigma ratio upper', test.ratio_upper))
    if test.statistic > test.upper:
        return ' Global test at 95 %%: rejected, %s exceeds %s (a blunder, or observations weighted too heavily)' % (
            ratio, three('sigma ratio upper', test.ratio_upper))
    return ' Global test at 95 %%: rejected, %s is below %s (observations weighted too lightly)' % (
        ratio, three('sigma ratio lower', test.ratio_lower))


# ---------------------------------------------------------------------------
# Report lines of the results sections (number mode)

def put_station(line, s, number_col, mark_col, name_col):
    line.put(number_col, integer(s.number, 3))
    if s.status == 0 and mark_col:
        line.put(mark_col, '*')
    line.put(name_col, s.name.ljust(20))


def adjusted_height(c, sol, s):
    if s.status == 0 or s.first == 0:
        return mpf(s.height)
    return mpf(s.height) + sol.x[s.first - 1]


def standard_deviation(sol, s, factor):
    return msqrt(sol.q(s.first) * factor)


class Results:
    def __init__(self, c, factor_used=None, solved=True, precision=True):
        self.c = c
        self.precision = precision
        self.sol = Solution(c)
        self.margins = Margins()
        self.solved = solved
        self.factor = self.sol.sigma0 if factor_used is None else mpf(factor_used)

    def height(self, s):
        h = adjusted_height(self.c, self.sol, s) if self.solved else mpf(s.height)
        return self.margins.check('height of %d' % s.number, h, 3, HEIGHT_TOL)

    def sd(self, s):
        return standard_deviation(self.sol, s, self.factor)

    # -- residual analysis
    def residual_lines(self):
        c, sol, m = self.c, self.sol, self.margins
        nz = len(c.zeniths)
        pos = {p: s for p, s in enumerate(c.kept, 1)}
        num = {s.number: s for s in c.kept}
        out = []
        for j, h in enumerate(c.differences, 1):
            k = nz + j
            e = c.eqs[k]
            v = sol.v[k]
            s1, s2 = num[h.frm % 1000], num[h.to]
            d = 0.0 if (s1.easting == 0.0 or s2.easting == 0.0) else math.hypot(s2.e - s1.e, s2.n - s1.n)
            if e.distance != 0.0:
                d = e.distance
            w = v * msqrt(mpf(e.w))
            line = Line().put(2, integer(k, 4))
            put_station(line, s1, 12, 15, 20)
            put_station(line, s2, 45, 48, 53)
            line.put(82, fixed(m.check('residual %d' % k, v, 3, 1e-6), 7, 3))
            line.put(97, fixed(m.check('standardised residual %d' % k, w, 3, 1e-5), 6, 3))
            if abs(w) > 2.5:
                line.put(104, '***')
            if d != 0.0:
                line.put(110, zr.rounded(d, 6))
                line.put(124, fixed(m.check('z.d. residual %d' % k, matan2(v, d) * mpf(RHO), 1, 1e-4), 5, 1))
            out.append(line.text())
        return out

    def summary_lines(self):
        c, sol, m = self.c, self.sol, self.margins
        out = [Line().put(71, '(PVV) =').put(79, fixed(m.check('PVV', sol.pvv, 3, SUM_TOL, True), 10, 3)).text()]
        out.append(Line().put(71, '(PLV) =').put(79, fixed(m.check('PLV', sol.plv, 3, SUM_TOL, True), 10, 3))
                   .text())
        r = sol.redundancy
        estimate = sol.sigma0 if r > 0 else mpf(0)
        out.append(Line().put(49, 'Estimate of variance factor =')
                   .put(79, fixed(m.check('variance factor', estimate, 3, SUM_TOL, True), 10, 3)).text())
        total = sol.count
        counts = {'z': len(c.zeniths), 'h': len(c.differences), 'o': c.height_equations,
                  'r': c.refraction_constraints}
        texts = {'z': (61, 'Zenith distance component ='), 'h': (59, 'Height difference component ='),
                 'r': (66, 'Refraction component ='), 'o': (58, 'Height observation component =')}
        for kind in ('z', 'h', 'r', 'o'):
            if counts[kind] > 0:
                value = total * sol.kinds[kind] / (counts[kind] * r) if r > 0 else mpf(0)
                col, text = texts[kind]
                out.append(Line().put(col, text).put(89, fixed(m.check(text, value, 3, SUM_TOL, True), 7, 3))
                           .text())
        out.append(Line().put(44, 'Number of redundant observations =').put(79, integer(r, 10)).text())
        out.append(Line().put(51, 'Average redundancy number =')
                   .put(79, fixed(m.check('average redundancy', mpf(r) / total, 3, 1e-6), 10, 3)).text())
        return out

    # -- distributions of the residuals
    def distribution_lines(self):
        """The standardised and the height-difference distributions: counts
        (a residual of either sign on its own side, as the program counts
        them), extremes, mean, standard deviation and total."""
        c, sol, m = self.c, self.sol, self.margins
        nz, nh = len(c.zeniths), len(c.differences)
        total = sol.count

        def classes(values, unit, what, tol):
            counts = [0] * 10
            bounds = [f32(unit * i) for i in (1, 2, 3, 4)]
            for k, x in values:
                a = abs(x)
                nearest = min([abs(a - b) for b in bounds] + [abs(x)])
                m.rows.append(('%s %d class edge' % (what, k), float(x), nearest, nearest < tol))
                j = sum(1 for b in bounds if a >= b)
                counts[5 + j if x >= 0 else 4 - j] += 1
            return counts

        def count_line(counts):
            line = Line()
            for i, n in enumerate(counts):
                line.put(22 + 10 * i, integer(n, 4))
            return line.text()

        def statistics(values, width, col, metres, total_col, tol, show_deviation=True):
            n = len(values)
            mx = max(values, key=lambda kv: kv[1])
            mn = min(values, key=lambda kv: kv[1])
            mean = sum(v for _, v in values) / n
            sd = msqrt((sum(v * v for _, v in values) - sum(v for _, v in values) ** 2 / n) / (n - 1))
            out = []
            for caption, (k, v) in (('Maximum =', mx), ('Minimum =', mn)):
                line = Line().put(34, caption).put(44, fixed(m.check(caption, v, 3, tol), width, 3))
                if metres:
                    line.put(54, 'metres')
                line.put(col, '(Observation     )').put(col + 13, integer(k, 4))
                out.append(line.text())
            line = Line().put(37, 'Mean =').put(44, fixed(m.check('mean', mean, 3, tol), width, 3))
            if show_deviation:
                line.put(col, 'Standard deviation =').put(col + 21, fixed(m.check('deviation', sd, 3, tol), 7, 3))
            out.append(line.text())
            out.append(Line().put(36, 'Total =').put(total_col, integer(n, 4)).text())
            return out, sd

        w = [(k, sol.v[k] * msqrt(mpf(c.eqs[k].w))) for k, _ in sol.eqs]
        assert len(w) == total and nz == 0
        # Single precision leaves the residuals within some 1e-9 m of these
        # and the standardised ones within some 3e-7.
        out = [Line().put(10, 'STANDARD RESIDUAL DISTRIBUTION').text(), count_line(classes(w, 1.0, 'w', 1e-5))]
        out += statistics(w, 7, 60, False, 47, 1e-5, sol.redundancy != 0)[0]
        v = [(nz + j, sol.v[nz + j]) for j in range(1, nh + 1)]
        lines, sd = statistics(v, 9, 65, True, 49, 5e-6, sol.redundancy != 0)
        unit = 2 if sd >= 0.04 else 1 if sd >= 0.004 else 0
        for bound in (0.004, 0.04):
            m.rows.append(('unit edge', float(sd), abs(float(sd) - bound), abs(float(sd) - bound) < 1e-5))
        name = ('(MILLIMETRES)', '(CENTIMETRES)', '(DECIMETRES)')[unit]
        out.append(Line().put(10, 'HEIGHT DIFFERENCE RESIDUAL DISTRIBUTION').put(50, name).text())
        out.append(count_line(classes(v, (0.001, 0.01, 0.1)[unit], 'v', 5e-6)))
        return out + lines

    # -- adjusted values
    def network_k_fields(self, line):
        """One refraction coefficient for the network: provisional, correction,
        adjusted and (first iteration) standardised correction."""
        c, m = self.c, self.margins
        delta = self.sol.x[c.matrix_size - (3 if c.rotation else 1)] / 1000
        k0 = c.default_k
        line.put(82, fixed(k0, 9, 4)).put(95, fixed(m.check('K correction', delta, 4, 1e-7), 9, 4))
        line.put(107, fixed(m.check('adjusted K', k0 + delta, 4, 1e-7), 9, 4))
        line.put(120, fixed(m.check('standardised K correction', delta / mpf(f32(c.refraction_sd_x1000 / 1000)), 3,
                                    1e-5), 6, 3))

    def adjusted_value_lines(self):
        out = []
        for p, s in enumerate(self.c.kept, 1):
            line = Line().put(1, integer(s.number, 3)).put(7, s.name.ljust(20))
            if s.registration:
                line.put(31, integer(s.registration, 4))
            if s.status == 0:
                line.put(39, 'FIXED STATION').put(66, fixed(s.height, 9, 3))
            else:
                corr = self.sol.x[s.first - 1]
                line.put(39, fixed(s.height, 9, 3))
                line.put(53, fixed(self.margins.check('correction of %d' % s.number, corr, 3, HEIGHT_TOL), 8, 3))
                line.put(66, fixed(self.height(s), 9, 3))
            if p == 1 and self.c.zeniths and self.c.refraction_option == 0:
                self.network_k_fields(line)
            out.append(line.text())
        return out

    # -- precision analysis
    def factor_line(self):
        f = self.margins.check('variance factor used', self.factor, 3, SUM_TOL, True)
        return Line().put(5, 'VARIANCE FACTOR USED:').put(26, fixed(f, 6, 3)).text()

    def precision_lines(self):
        out = []
        for s in self.c.kept:
            line = Line().put(3, integer(s.number, 3)).put(10, s.name.ljust(20))
            if s.registration:
                line.put(40, integer(s.registration, 4))
            line.put(53, fixed(self.height(s), 9, 3))
            if s.status == 0:
                line.put(72, 'FIXED')
            else:
                sd = self.margins.check('sd of %d' % s.number, self.sd(s), 3, RELATIVE_TOL, True)
                line.put(70, fixed(sd, 7, 3))
            out.append(line.text())
        return out

    # -- relative height analysis
    def relative_lines(self):
        c, m = self.c, self.margins
        num = {s.number: s for s in c.kept}
        nz = len(c.zeniths)
        out = []
        for j, h in enumerate(c.differences, 1):
            e = c.eqs[nz + j]
            a, b = num[h.frm % 1000], num[h.to]
            if a.status == 0 and b.status == 0:
                continue
            d = 0.0
            if a.coords and b.coords:
                d = math.hypot(a.e - b.e, a.n - b.n)
            if e.distance > 0.001:
                d = e.distance
            line = Line()
            put_station(line, a, 6, 9, 14)
            put_station(line, b, 39, 42, 47)
            sa = self.sd(a) if a.status != 0 else mpf(0)
            sb = self.sd(b) if b.status != 0 else mpf(0)
            s95 = m.check('s95 %d-%d' % (a.number, b.number), mpf('1.96') * msqrt(sa * sa + sb * sb), 3,
                          RELATIVE_TOL, True)
            line.put(96, fixed(s95, 7, 3))
            if d >= 0.001:
                line.put(74, fixed(d, 10, 3))
                q = 1000 * s95 / (mpf(d) / 1000 + mpf('0.2'))
                text, col = grade(float(q))
                line.put(col, text)
                bounds = [2.0, 5.9, 14.7, 29.4, 58.8, 98.0, 196.0]
                nearest = min(abs(float(q) - b) for b in bounds)
                m.rows.append(('class q %d-%d = %.4f' % (a.number, b.number, q), float(q), nearest,
                               nearest < RELATIVE_TOL * float(q)))
            out.append(line.text())
        return out

    # -- station lists and height file (name order)
    def by_name(self):
        return sorted(self.c.kept, key=lambda s: s.name.ljust(20).encode())

    def list_lines(self):
        out = []
        for s in self.by_name():
            if s.status == 0:
                continue
            line = Line().put(3, s.name.ljust(20))
            if s.registration:
                line.put(32, integer(s.registration, 4))
            line.put(47, fixed(self.height(s), 8, 3))
            # Without a precision analysis no standard deviation is listed.
            s95 = mpf('1.96') * self.sd(s) if self.precision else mpf(0)
            if s95 > 0:
                line.put(67, fixed(self.margins.check('listed 95%% of %d' % s.number, s95, 3, RELATIVE_TOL, True),
                                   5, 3))
            out.append(line.text())
        for s in self.by_name():
            if s.status != 0:
                continue
            line = Line().put(3, s.name.ljust(20))
            if s.registration:
                line.put(32, integer(abs(s.registration), 4))
            line.put(47, fixed(s.height, 8, 3))
            out.append(line.text())
        return out

    def height_file(self, list_number, sub_number):
        out = []
        list_number = -999 if list_number == 0 else list_number
        for s in self.by_name():
            rec = [' '] * 80
            text = '12' + s.name.ljust(20)
            rec[0:22] = text
            if s.registration:
                rec[23:28] = integer(s.registration, 5)
            rec[29:32] = integer(s.number, 3)
            rec[59:67] = fixed(self.height(s), 8, 3)
            if s.status != 0 and s.sd == 0.0:
                rec[72:76] = integer(list_number, 4)
                if sub_number:
                    rec[77] = str(abs(sub_number))
            out.append(''.join(rec))
        return out + ['99', '99']

    def station_file(self):
        out = []
        for s in self.c.kept:
            h = fixed(self.height(s), 8, 3)
            coordinates = '%s %s' % (fixed(s.easting, 10, 3), fixed(s.northing, 11, 3)) if s.coords else ' ' * 22
            text = '   %s %s %s' % (integer(s.number, 3), coordinates, s.name.ljust(20))
            if s.registration:
                text += ' %s   %s' % (integer(s.registration, 4), h)
            else:
                text += ' ' * 8 + h
            rec = list(text.ljust(70))
            if s.status == 0:
                rec[66] = '*'
            rec[0:2] = '10'
            out.append(''.join(rec))
        return out


# ---------------------------------------------------------------------------
# The normal equations factorised row by row in the order of the unknowns,
# either exactly (40 digits) or with every operation rounded to single
# precision as the program rounds it: the rows formed equation by equation
# ((c_s c_t) w added in equation order), the pivot row divided by the
# rounded square root of its pivot, each later row reduced by f times the
# pivot row, the back substitution summing the known terms first. Only
# the non-zero words are kept: a word the program reduces by f x 0 keeps
# its value, so the sparse working gives the program's figures bit for
# bit, also for matrices far too large for a dense working here.

class Factorisation:
    """x solves the normal equations; `ratio` is the smallest pivot as a
    fraction of its row's diagonal as formed, at row `ratio_row`, and
    `failed` the first row whose pivot is not positive (0: none)."""

    def __init__(self, c, single, misclosure=None):
        n = c.matrix_size
        r = f32 if single else (lambda v: v)
        num = (lambda v: v) if single else mpf
        rows = [dict() for _ in range(n + 1)]
        u = [num(0)] * (n + 1)
        for k in sorted(c.eqs):
            e = c.eqs[k]
            m = e.m if misclosure is None else misclosure(k, e)
            slots = [(e.u[i], num(e.c[i])) for i in range(5) if e.u[i]]
            w = num(e.w)
            for us, cs in slots:
                u[us] = r(u[us] + r(r(cs * num(m)) * w))
                row = rows[us]
                for ut, ct in slots:
                    if ut >= us:
                        row[ut] = r(row.get(ut, num(0)) + r(r(cs * ct) * w))
        self.failed = 0
        self.ratio, self.ratio_row = None, 0
        formed_diagonal = {}
        self.ratios = {}
        for k in range(1, n + 1):
            row = rows[k]
            pivot = row.get(k, num(0))
            formed = formed_diagonal.setdefault(k, pivot)
            if not pivot > 0:
                self.failed = k
                self.x = None
                return
            ratio = pivot / formed
            self.ratios[k] = ratio
            if self.ratio is None or ratio < self.ratio:
                self.ratio, self.ratio_row = ratio, k
            root = r(math.sqrt(pivot)) if single else msqrt(pivot)
            for j in row:
                row[j] = r(row[j] / root)
            u[k] = r(u[k] / root)
            for j in sorted(row):
                if j == k:
                    continue
                f = row[j]
                if f == 0:
                    continue
                target = rows[j]
                # The diagonal as formed is the one first met, before any
                # pivot row has reduced it.
                formed_diagonal.setdefault(j, target.get(j, num(0)))
                for col, value in row.items():
                    if col >= j:
                        target[col] = r(target.get(col, num(0)) - r(f * value))
                u[j] = r(u[j] - r(f * u[k]))
        for i in range(n, 0, -1):
            row = rows[i]
            total = num(0)
            for col in sorted(row):
                if col > i:
                    total = r(total + r(row[col] * u[col]))
            u[i] = r(r(u[i] - total) / row[i])
        self.x = u[1:]


def float_solution(c, misclosure=None):
    """The corrections as the program computes them in single precision."""
    return Factorisation(c, True, misclosure).x


# ---------------------------------------------------------------------------
# The cases

class Levelling(Case):
    """A number-mode network of height differences; the control record is
    built from the named options."""
    stage = 2
    analysis = 0
    precision_option = 0
    iterations = 1
    station_file = 0
    solution_output = 0
    list_number = 0
    sub_number = 0
    # Whether the run's console is checked (empty); the later successful
    # cases leave it unchecked.

    @property
    def control(self):
        f = []
        if self.list_number:
            f.append((20, integer(self.list_number, 4)))
        if self.sub_number:
            f.append((25, integer(self.sub_number, 2)))
        if self.solution_output:
            f.append((34, '1'))
        f.append((54, str(self.stage)))
        if self.station_file:
            f.append((56, '1'))
        if self.iterations != 1:
            f.append((58, str(self.iterations)))
        if self.analysis:
            f.append((64, str(self.analysis)))
        if self.precision_option:
            f.append((66, str(self.precision_option)))
        if self.rotation:
            f.append((74, str(self.rotation)))
        return f

    def results(self):
        self.run()
        self.res = Results(self, None if self.precision_option else 1.0, solved=self.analysis < 4,
                           precision=self.analysis >= 1)
        return self.res

    def outputs(self):
        """Files of the run besides the input and the report."""
        out = []
        if self.stage >= 4:
            out.append('net.hgt')
        if self.station_file:
            out.append('net.stn')
        return out

    def args(self):
        return ['-o', 'net.dat']

    def files(self):
        f = {'args': self.args(), 'net.dat': zr.record_code_input(self),
             'expected-files': sorted(['net.dat', 'net.prt'] + self.outputs())}
        f.update(self.expected())
        f.update(self.console_files())
        return f

    def code_of(self, k):
        """The observation code of equation k as the residual analysis gives
        it: k in the main list, -j for height observation j, 10000 + j for
        refraction constraint j."""
        nm = len(self.zeniths) + len(self.differences)
        if k <= nm:
            return k
        if k <= nm + self.height_equations:
            return -(k - nm)
        return 10000 + k - nm - self.height_equations

    def where(self, code, console):
        if code >= 10000:
            return 'refraction observation %d' % (code - 10000)
        if code < 0:
            s = [s for s in self.kept if s.first and s.status != 0 and s.sd != 0.0][-code - 1]
            return 'height observation of station %d, net.dat:%d' % (
                s.number, console.station_lines[self.stations.index(s)])
        return 'observation %d, net.dat:%d' % (code, console.obs_line[code])

    def largest_residual(self, console):
        """The largest standardised residual as the residual analysis finds
        it: the largest and the smallest w, each where first met (the main
        list, then the height observations, then the refraction
        constraints), and of the two the one larger in size."""
        sol, m = self.res.sol, self.res.margins
        extremes = [mpf(-10), 0, mpf(10), 0]
        for k, e in sol.eqs:
            w = sol.v[k] * msqrt(mpf(e.w))
            code = self.code_of(k)
            if w > extremes[0]:
                extremes[0:2] = [w, code]
            if w < extremes[2]:
                extremes[2:4] = [w, code]
        if extremes[1] != 0 and (extremes[3] == 0 or abs(extremes[0]) >= abs(extremes[2])):
            w, code = extremes[0:2]
        else:
            w, code = extremes[2:4]
        # The sizes of the two must not be so close that single precision
        # could choose the other.
        gap = float(abs(abs(extremes[0]) - abs(extremes[2])))
        m.rows.append(('largest |w| against smallest', gap, gap, gap < 1e-4))
        text = fixed(m.check('largest standardised residual', w, 3, 1e-5), 20, 3).strip()
        return 'Largest standardised residual %s (%s)' % (text, self.where(code, console))

    def largest_normalised(self, console):
        """The largest normalised residual in size, the first met among
        equal ones, over the observations that others check."""
        sol, m = self.res.sol, self.res.margins
        sizes = []
        for k, e in sol.eqs:
            t = sol.tests[k]
            for bound in (NOT_CHECKED, WEAKLY_CHECKED):
                m.rows.append(('r of %d against %s' % (k, bound), float(t.r), float(abs(t.r - bound)),
                               abs(t.r - bound) < 1e-5))
            if t.w is not None:
                sizes.append((abs(t.w), k))
        if not sizes:
            return 'Normalised residuals: none, no observation is checked by the others'
        best = max(sizes, key=lambda s: s[0])
        k = min(k for size, k in sizes if size == best[0])
        others = [size for size, j in sizes if j != k]
        if others:
            gap = float(best[0] - max(others))
            m.rows.append(('largest normalised |w| against the next', gap, gap, gap < 1e-4))
        w = sol.tests[k].w
        text = fixed(m.check('largest normalised residual', w, 3, 1e-5), 20, 3).strip()
        m.rows.append(('largest normalised against 3.29', float(w), float(abs(abs(w) - CRITICAL)),
                       abs(abs(w) - CRITICAL) < 1e-4))
        over = ', over 3.29' if abs(w) > CRITICAL else ''
        return 'Largest normalised residual %s (%s)%s' % (text, self.where(self.code_of(k), console), over)

    def console_files(self):
        """Standard output and standard error of the run, and its status."""
        if not hasattr(self, 'res'):
            # A case worked without the full solution (the factorisation
            # alone) checks its status and an empty standard error only.
            return {'expected-status': ['0']}
        console = zr.Console(self)
        adjustment = zr.plural(self.iterations, 'iteration')
        residual = verdict = None
        r = self.res.sol.redundancy
        if self.analysis >= 4:
            adjustment += ', no residual analysis (analysis option %d)' % self.analysis
        else:
            if r > 0:
                vf = self.res.margins.check('variance factor', self.res.sol.sigma0, 3, SUM_TOL, True)
                adjustment += ', variance factor %s with %s of freedom' % (fixed(vf, 20, 3).strip(),
                                                                         zr.plural(r, 'degree'))
            else:
                adjustment += ', variance factor not estimated (no degrees of freedom)'
            verdict = global_test_line(self.res.sol.global_test, self.res.margins)
            # With the inverse (analysis option 1 or more) the normalised
            # residual, else the standardised one.
            residual = self.largest_normalised(console) if self.analysis >= 1 else self.largest_residual(console)
        # The adjusted station file is completed in the last iteration, the
        # height file after the station lists.
        written = (['net.stn'] if self.station_file else []) + (['net.hgt'] if self.stage >= 4 else []) + \
            list(getattr(self, 'exports', ()))
        return console.files(adjustment=adjustment, verdict=verdict, residual=residual, written=written)


def list_title(fixed_list, number):
    line = Line().put(19, 'LIST OF STATIONS').put(36, 'HELD FIXED' if fixed_list else 'ADJUSTED')
    if number:
        c = 47 if fixed_list else 45
        line.put(c, 'IN ORV V').put(c + 8, integer(number, 3))
    return line.text()


class Textbook(Levelling):
    stage = 4
    precision_option = 1

    def expected(self):
        r = self.results()
        lines = (r.residual_lines() + r.summary_lines() + r.adjusted_value_lines() + [r.factor_line()] +
                 r.precision_lines() + r.relative_lines() +
                 [list_title(False, self.list_number), list_title(True, self.list_number)] + r.list_lines())
        return {'expected-lines.net.prt': lines,
                'expected.net.hgt': r.height_file(self.list_number, self.sub_number)}


@case('levelling_two_benchmarks')
class TwoBenchmarks(Textbook):
    """Two fixed benchmarks and four junction points of unknown height on a
    local grid, nine levelled lines; precision analysis with the estimated
    variance factor, relative analysis, lists and the height file."""
    title = 'LEVELLING NETWORK - TWO BENCHMARKS'
    analysis = 2

    def network(self):
        st = [Station(1, 'BM ASHFORD', 10000.0, 50000.0, '12.345', fixed=True),
              Station(2, 'BM BRAMLEY', 48000.0, 56000.0, '31.206', fixed=True, registration=4417),
              Station(3, 'JUNCTION NORTH', 22000.0, 61000.0),
              Station(4, 'JUNCTION EAST', 35000.0, 64000.0),
              Station(5, 'JUNCTION SOUTH', 26000.0, 43000.0),
              Station(6, 'CULVERT PEG', 39000.0, 47000.0)]
        hd = [HeightDiff(1, 3, '6.388', sd='0.040'),
              HeightDiff(3, 4, '6.394', sd='0.037'),
              HeightDiff(4, 2, '6.133', sd='0.039'),
              HeightDiff(1, 5, '-2.489', sd='0.042'),
              HeightDiff(5, 6, '11.706', sd='0.037'),
              HeightDiff(6, 2, '9.618', sd='0.036'),
              HeightDiff(3, 5, '-8.816', sd='0.043'),
              HeightDiff(4, 6, '-3.605', sd='0.042'),
              HeightDiff(5, 4, '15.270', sd='0.048')]
        return st, [], hd


@case('levelling_one_benchmark')
class OneBenchmark(Textbook):
    """One fixed benchmark, a tide-gauge benchmark whose height is also an
    observation, four pegs with approximate heights, no co-ordinates; line
    lengths given on most records; final list number and sub-number; the
    normal equations and the inverse listed."""
    title = 'LEVELLING NETWORK - ONE BENCHMARK'
    analysis = 3
    list_number = 17
    sub_number = 3

    def network(self):
        st = [Station(10, 'BM RIVERSIDE', height='4.872', fixed=True),
              Station(11, 'PEG NORTH', height='7.950'),
              Station(12, 'PEG EAST', height='6.100'),
              Station(13, 'PEG SOUTH', height='3.400'),
              Station(14, 'PEG WEST', height='5.500'),
              Station(15, 'TIDE GAUGE BM', height='2.118', sd='0.010')]
        hd = [HeightDiff(10, 11, '3.103', sd='0.012', distance='450.0'),
              HeightDiff(11, 12, '-1.854', sd='0.014', distance='620.0'),
              HeightDiff(12, 13, '-2.712', sd='0.012', distance='510.0'),
              HeightDiff(13, 14, '2.132', sd='0.012'),
              HeightDiff(14, 10, '-0.656', sd='0.010', distance='380.0'),
              HeightDiff(11, 13, '-4.590', sd='0.018', distance='900.0'),
              HeightDiff(12, 15, '-3.995', sd='0.020', distance='1150.0'),
              HeightDiff(15, 13, '1.271', sd='0.015')]
        return st, [], hd


SECONDS = 206264.806247096


@case('rotation_three_iterations')
class RotationIterations(Levelling):
    """Three fixed and two free stations on a local grid whose levelled
    lines carry a rotation of the height differences; three iterations: the
    adjusted rotation of one iteration is the provisional one of the next.
    The first iteration finds the rotation; the later ones correct it by
    single-precision noise only (below 1e-4 second), whose sign is left open
    in the expected lines ("?")."""
    title = 'ROTATION PARAMETERS - THREE ITERATIONS'
    rotation = 2
    iterations = 3
    analysis = 1
    # Observed: true heights (4.107 and 5.562 for the free stations) plus
    # dE tan(14.2") - dN tan(-9.6") plus a few millimetres.

    def network(self):
        st = [Station(1, 'TG ALPHA', 1000.0, 1000.0, '3.215', fixed=True),
              Station(2, 'TG BETA', 4000.0, 1500.0, '1.842', fixed=True),
              Station(3, 'TG GAMMA', 2500.0, 4200.0, '6.930', fixed=True),
              Station(4, 'PEG DELTA', 2200.0, 2300.0),
              Station(5, 'PEG EPSILON', 3300.0, 2900.0)]
        hd = [HeightDiff(1, 4, '1.038', sd='0.005'),
              HeightDiff(4, 2, '-2.180', sd='0.005'),
              HeightDiff(2, 5, '3.741', sd='0.005'),
              HeightDiff(5, 3, '1.370', sd='0.005'),
              HeightDiff(3, 4, '-2.930', sd='0.005'),
              HeightDiff(4, 5, '1.555', sd='0.005'),
              HeightDiff(1, 3, '3.968', sd='0.005')]
        return st, [], hd

    def rotation_line(self, prov, corr, sign_open=False):
        m = self.res.margins
        line = Line()
        for col, angle, what in ((10, prov[0], 'phi'), (28, corr[0], 'phi correction'), (44, prov[0] + corr[0], 'phi'),
                                 (70, prov[1], 'omega'), (88, corr[1], 'omega correction'),
                                 (105, prov[1] + corr[1], 'omega')):
            a = f32(angle)
            if a != 0.0:
                m.check(what + ' (seconds)', abs(a) * SECONDS, 3, self.angle_tol)
            line.put(col, zr.dms(a, 3, wrap=False))
        text = line.text()
        if sign_open:
            text = text[:28] + '?' + text[29:88] + '?' + text[89:]
        return text

    def expected(self):
        r = self.results()
        n = self.matrix_size
        exact = (float(r.sol.x[n - 2]) / 100, float(r.sol.x[n - 1]) / 100)
        single = float_solution(self)
        estimate = (f32(single[n - 2] / 100), f32(single[n - 1] / 100))
        err = max(abs(exact[i] - estimate[i]) for i in (0, 1)) * SECONDS
        self.angle_tol = max(10 * err, 1e-5)
        print('  rotation: exact %r, single precision %r; difference %.2e second' % (exact, estimate, err))
        # The second iteration in single precision: heights and angles as
        # adjusted, misclosures recomputed; its corrections are noise.
        heights = {s.number: (f32(s.height + single[s.first - 1]) if s.first else s.height) for s in self.kept}
        num = {s.number: s for s in self.kept}
        phi, omega = estimate
        nz = len(self.zeniths)

        def misclosure(k, e):
            h = self.differences[k - nz - 1]
            a, b = num[h.frm], num[h.to]
            dhr = h.dh - (b.e - a.e) * math.tan(phi) + (b.n - a.n) * math.tan(omega)
            return f32(dhr - (heights[b.number] - heights[a.number]))

        again = float_solution(self, misclosure)
        noise = max(abs(again[n - 2]), abs(again[n - 1])) / 100 * SECONDS
        print('  second iteration: rotation corrections of about %.1e second' % noise)
        assert noise < 1e-4
        first = self.rotation_line((0.0, 0.0), exact)
        adjusted = (f32(exact[0]), f32(exact[1]))
        later = self.rotation_line(adjusted, (0.0, 0.0), sign_open=True)
        lines = [first, later, later, r.factor_line()] + r.precision_lines()
        return {'expected-lines.net.prt': lines}


class Stop(Levelling):
    """A run that stops when the normal equations are formed or solved."""
    console = ' Normal matrix is singular'

    def files(self):
        self.run()
        return Levelling.files(self)

    def console_files(self):
        # Nothing about the input: no messages, no summary.
        return {'expected-status': ['1'], 'expected-console': ['', self.console, '']}


def singular_lines(column, station):
    lines = [Line().put(38, '*** MATRIX SINGULAR . DIAGONAL BECAME ZERO IN COLUMN').put(90, integer(column, 4))
             .put(95, '***').text()]
    if station:
        lines.append(Line().put(50, '*** STATION INVOLVED IS').put(75, integer(station, 3)).put(79, '***').text())
    return lines


@case('singular_datum_defect')
class DatumDefect(Stop):
    """No fixed height and no height observation: the heights have no
    datum. Weights of 256 (standard deviation 0.0625) keep the reduction
    exact: the pivots are 256, 256 and then exactly 0 in row 3, the last
    station's height."""
    title = 'NO DATUM'

    def network(self):
        st = [Station(1, 'PEG ONE', height='10.000'),
              Station(2, 'PEG TWO', height='12.500'),
              Station(3, 'PEG THREE')]
        hd = [HeightDiff(1, 2, '2.500', sd='0.0625'),
              HeightDiff(2, 3, '-1.250', sd='0.0625')]
        return st, [], hd

    def expected(self):
        assert [s.first for s in self.kept] == [1, 2, 3]
        return {'expected-lines.net.prt': singular_lines(3, self.kept[2].number)}


@case('singular_rotation_trace')
class RotationTrace(Stop):
    """One levelled line, with rotation parameters, between a fixed station
    and a free one 100 m east and 100 m north of it: the equation is
    dH + phi - omega (coefficients 1, 1 and -1 in units of 0.01 radian),
    weight 4. The first pivot is 4 (root 2, row 2 2 -2); the second pivot
    becomes 4 - 2 x 2 = 0 exactly, in row 2, which is no station's first
    unknown: the trace counts down to row 1, the height of station 7."""
    title = 'ROTATION ON ONE LINE'
    rotation = 2

    def network(self):
        st = [Station(3, 'TRIG FIXED', 1000.0, 1000.0, '5.000', fixed=True),
              Station(7, 'PEG FREE', 1100.0, 1100.0, '6.000')]
        hd = [HeightDiff(3, 7, '1.000', sd='0.5')]
        return st, [], hd

    def expected(self):
        assert self.matrix_size == 3 and self.kept[1].first == 1
        return {'expected-lines.net.prt': singular_lines(2, 7)}


@case('zero_diagonal')
class ZeroDiagonal(Stop):
    """Rotation parameters asked for in a network without co-ordinates:
    every rotation coefficient is 0, so the row of the first rotation
    parameter (unknown 3, after the two free heights) has a zero diagonal
    when the normal equations are formed."""
    title = 'ROTATION WITHOUT CO-ORDINATES'
    rotation = 2
    console = ' Zero on diagonal of normal matrix'

    def network(self):
        st = [Station(1, 'BM BASE', height='8.000', fixed=True),
              Station(2, 'PEG NORTH'),
              Station(3, 'PEG SOUTH')]
        hd = [HeightDiff(1, 2, '1.215', sd='0.005'),
              HeightDiff(2, 3, '-2.040', sd='0.005'),
              HeightDiff(3, 1, '0.830', sd='0.005')]
        return st, [], hd

    def expected(self):
        assert self.matrix_size == 4
        line = Line().put(48, '*** ZERO ON DIAGONAL IN COLUMN     ***').put(79, integer(3, 3))
        return {'expected-lines.net.prt': [line.text()]}


# ---------------------------------------------------------------------------
# Long sights: free stations that only a tight levelled link and long zenith
# distances hold, whose smallest pivot is a few units in the last place of
# its diagonal

def zenith_angle(z):
    """An observed zenith distance as the input holds it: degrees, minutes
    and seconds to 0.1"."""
    tenths = round(z * zr.RHO * 10)
    d, rest = divmod(tenths, 36000)
    m, rest = divmod(rest, 600)
    return (d, m, rest / 10)


class LongSights(Levelling):
    """Two fixed stations 8 km apart; beside them pairs of free stations
    10 m apart, each pair joined by a levelled height difference (standard
    deviation `link`) and seen from both fixed stations with 10" zenith
    distances over sights of `km` kilometres (on the perpendicular bisector
    from 4 km, else `km` from the western station and 8 - `km` from the
    eastern one). One network refraction coefficient. The zenith distances
    are those of true heights, to 0.1"; the provisional heights are 1.2 mm
    above the true ones.

    With a tight link the second pivot of each pair is about twice the
    pair's zenith weight (its mean height) over a diagonal of the link's
    weight: 0.1 mm and 10 km leave two units in the last place of the
    diagonal. Single precision then gives the mean of the pair to within
    about the pivot's own rounding (a unit of two to four, up to 1.5 mm
    here), while the difference within the pair comes from the link alone.
    Digits that the single-precision solution (worked here operation by
    operation) can leave open are '?' in the expected lines."""
    pairs = []
    offset = 0.0012

    def network(self):
        west, east = (10000.0, 10000.0), (18000.0, 10000.0)
        st = [Station(1, 'TRIG WEST', west[0], west[1], '512.345', fixed=True),
              Station(2, 'TRIG EAST', east[0], east[1], '487.210', fixed=True)]
        true = {1: f32(512.345), 2: f32(487.210)}
        place = {1: west, 2: east}
        zeniths, differences = [], []
        for i, (km, link) in enumerate(self.pairs):
            side = 1 if i % 2 == 0 else -1
            d = km * 1000.0
            if d >= 4000.0:
                near = (14000.0, 10000.0 + side * math.sqrt(d * d - 16e6))
            else:
                near = (10000.0 + d, 10000.0 + side * 20.0 * (i + 1))
            far = (near[0], near[1] + side * 10.0)
            a, b = 10 + 2 * i, 11 + 2 * i
            h = 500.0345 + 3.1 * i
            true[a], true[b] = f32(h), f32(h + 0.0412)
            place[a], place[b] = near, far
            st.append(Station(a, 'PEG %d NEAR' % a, near[0], near[1], '%.3f' % (h + self.offset)))
            st.append(Station(b, 'PEG %d FAR' % a, far[0], far[1], '%.3f' % (h + 0.0412 + self.offset)))
            for f in (1, 2):
                for t in (a, b):
                    dist = math.hypot(place[t][0] - place[f][0], place[t][1] - place[f][1])
                    computed = zr.computed_zenith(dist, true[f], true[t], zr.DEFAULT_RADIUS, self.default_k)[3]
                    zeniths.append(zr.Zenith(f, t, zenith_angle(computed), sd='10.0'))
            differences.append(HeightDiff(a, b, '0.0412', sd=link))
        return st, zeniths, differences


def open_digits(text_of, value, tolerance):
    """The printed field of `value`, with '?' for each character that a value
    within `tolerance` of it could print otherwise."""
    texts = [text_of(value - tolerance), text_of(value), text_of(value + tolerance)]
    return ''.join(ch if all(t[i] == ch for t in texts) else '?' for i, ch in enumerate(texts[1]))


@case('long_sights')
class LongSightsSolved(LongSights):
    """Pairs at 1 to 10 km with 0.1 mm links, and one at 3 km with a
    0.05 mm link: every pivot keeps two units or more, so the network
    solves."""
    title = 'LONG SIGHTS - TIGHT LINKS'
    pairs = [(km, '0.0001') for km in range(1, 11)] + [(3, '.00005')]


    def expected(self):
        self.run()
        exact = Factorisation(self, False)
        single = Factorisation(self, True)
        assert single.failed == 0 and single.ratio > 2 ** -23
        self.measured = (exact, single)
        x = [float(v) for v in exact.x]
        # Each figure may be off by up to twice what the single-precision
        # working gives (the program's own rounding is that working's, but a
        # margin keeps the case from hanging on its last bit).
        tol = [max(2 * abs(a - b), 1e-6) for a, b in zip(x, single.x)]
        lines = []
        k_unknown = self.matrix_size
        for p, s in enumerate(self.kept, 1):
            line = Line().put(1, integer(s.number, 3)).put(7, s.name.ljust(20))
            if s.status == 0:
                line.put(39, 'FIXED STATION').put(66, fixed(s.height, 9, 3))
            else:
                corr, t = x[s.first - 1], tol[s.first - 1]
                line.put(39, fixed(s.height, 9, 3))
                line.put(53, open_digits(lambda v: fixed(v, 8, 3), corr, t))
                line.put(66, open_digits(lambda v: fixed(f32(s.height + f32(v)), 9, 3), corr, t))
            if p == 1:
                delta, t = x[k_unknown - 1] / 1000, tol[k_unknown - 1] / 1000
                k0 = self.default_k
                line.put(82, fixed(k0, 9, 4)).put(95, open_digits(lambda v: fixed(v, 9, 4), delta, t))
                line.put(107, open_digits(lambda v: fixed(f32(k0 + f32(v)), 9, 4), delta, t))
                line.put(120, open_digits(lambda v: fixed(v / 0.01, 6, 3), delta, t))
            lines.append(line.text())
        return {'expected-lines.net.prt': lines}

    def show(self):
        exact, single = self.measured
        print('  smallest pivot / diagonal as formed: exact %.3g (row %d), single precision %.3g (row %d)'
              % (exact.ratio, exact.ratio_row, single.ratio, single.ratio_row))
        for s in self.kept:
            if s.first:
                k = s.first
                print('  %3d %-14s row %2d  pivot ratio %.3g (single %.3g)  correction %8.5f (single %8.5f)'
                      % (s.number, s.name, k, exact.ratios[k], single.ratios[k], exact.x[k - 1], single.x[k - 1]))


@case('long_sights_no_digit')
class LongSightsNoDigit(LongSights, Stop):
    """One pair at 10 km with a 0.03 mm link: the true second pivot is 1.5e-8
    of its diagonal, a seventh of a unit in its last place; single precision
    leaves one unit (1.15e-7 of it), pure rounding, and the run stops there
    as singular."""
    title = 'LONG SIGHTS - NO DIGIT LEFT'
    pairs = [(10, '.00003')]

    def expected(self):
        exact = Factorisation(self, False)
        single = Factorisation(self, True)
        assert single.failed == 0 and 0 < single.ratio <= 2 ** -23 and exact.ratio < single.ratio / 4
        row = single.ratio_row
        station = next(s for s in self.kept if s.first == row)
        return {'expected-lines.net.prt': singular_lines(row, station.number)}


# ---------------------------------------------------------------------------
# Levelled grids with rotation parameters: the rotation is determined only
# when at least three stations that are not in one line have known heights

class LevelledGrid(Levelling):
    """20 x 20 stations 250 m apart on a local grid, each levelled to its
    eastern and northern neighbour (760 height differences, standard
    deviation 2 mm), rotation parameters for the height differences. The
    observed differences are those of a sloping surface plus dE tan(14.2")
    - dN tan(-9.6") plus up to 2 mm; the provisional heights are the
    surface's, to the centimetre. `fixed` names the corners held fixed."""
    rotation = 2
    size = 20
    spacing = 250.0
    fixed = ()
    phi, omega = 14.2 / SECONDS, -9.6 / SECONDS

    def number(self, row, col):
        return row * self.size + col + 1

    def surface(self, row, col):
        return 100.0 + 0.41 * col - 0.27 * row + 0.003 * ((row * 7 + col * 3) % 11)

    def network(self):
        st, hd = [], []
        corners = {'SW': (0, 0), 'SE': (0, self.size - 1), 'NW': (self.size - 1, 0),
                   'NE': (self.size - 1, self.size - 1)}
        held = {corners[c] for c in self.fixed}
        place = {}
        for row in range(self.size):
            for col in range(self.size):
                e, n = 10000.0 + self.spacing * col, 20000.0 + self.spacing * row
                place[(row, col)] = (e, n)
                h = self.surface(row, col)
                fixed_corner = (row, col) in held
                st.append(Station(self.number(row, col), 'GRID %d %d' % (row + 1, col + 1), e, n,
                                  '%.3f' % h if fixed_corner else '%.2f' % h, fixed=fixed_corner))
        for row in range(self.size):
            for col in range(self.size):
                for nb in ((row, col + 1), (row + 1, col)):
                    if nb[0] >= self.size or nb[1] >= self.size:
                        continue
                    (e1, n1), (e2, n2) = place[(row, col)], place[nb]
                    noise = 0.001 * (((row * 31 + col * 17 + nb[0] * 5) % 5) - 2)
                    dh = (self.surface(*nb) - self.surface(row, col) + (e2 - e1) * math.tan(self.phi)
                          - (n2 - n1) * math.tan(self.omega) + noise)
                    hd.append(HeightDiff(self.number(row, col), self.number(*nb), '%.3f' % dh, sd='0.002'))
        return st, [], hd


@case('levelled_grid_one_corner')
class GridOneCorner(LevelledGrid, Stop):
    """One fixed corner: a tilt of every free height is taken up whole by
    the rotation parameters, and nothing else tells it. The run stops as
    singular at the first rotation parameter, traced down to the station
    whose height is the unknown before it."""
    title = 'LEVELLED GRID - ONE FIXED CORNER'
    fixed = ('SW',)

    def expected(self):
        row = self.matrix_size - 1
        station = next(s for s in self.kept if s.first == row - 1)
        return {'expected-lines.net.prt': singular_lines(row, station.number)}


@case('levelled_grid_three_corners')
class GridThreeCorners(LevelledGrid):
    """Three fixed corners, not in one line: the rotation is determined and
    the run solves. The adjusted rotation against the exact solution."""
    title = 'LEVELLED GRID - THREE FIXED CORNERS'
    fixed = ('SW', 'SE', 'NW')


    def expected(self):
        self.run()
        exact = Factorisation(self, False)
        single = Factorisation(self, True)
        assert single.failed == 0
        n = self.matrix_size
        self.measured = (exact, single)
        # Printed to 0.001 second, which single precision (some 2e-5 of the
        # angle here) can leave open in the last digit.
        line = Line().put(10, zr.dms(0.0, 3, wrap=False)).put(70, zr.dms(0.0, 3, wrap=False))
        for k, cols in ((n - 1, (28, 44)), (n, (88, 105))):
            a, b = float(exact.x[k - 1]) / 100, single.x[k - 1] / 100
            text = open_digits(lambda v: zr.dms(f32(v), 3, wrap=False), a, max(2 * abs(a - b), 1e-11))
            for col in cols:
                line.put(col, text)
        lines = [line.text()]
        return {'expected-lines.net.prt': lines}

    def show(self):
        exact, single = self.measured
        n = self.matrix_size
        for k, what in ((n - 1, 'phi'), (n, 'omega')):
            print('  %s correction: exact %.6f", single precision %.6f" (pivot ratio %.3g, single %.3g)'
                  % (what, float(exact.x[k - 1]) / 100 * SECONDS, single.x[k - 1] / 100 * SECONDS,
                     exact.ratios[k], single.ratios[k]))
        print('  smallest pivot ratio: exact %.3g (row %d), single %.3g (row %d)'
              % (exact.ratio, exact.ratio_row, single.ratio, single.ratio_row))


def tlhed1_line(s, height):
    line = Line().put(17, integer(s.number, 3)).put(30, s.name.ljust(20))
    if s.easting != 0.0:
        line.put(65, fixed(s.easting, 11, 3)).put(82, fixed(s.northing, 11, 3))
    line.put(98, fixed(height, 8, 3))
    if s.status == 0:
        line.put(111, 'FIXED')
    return line.text()


@case('station_file_read_back')
class ReadBack(Levelling):
    """A stage-3 run writes the adjusted station file; a second run (then/)
    names the free stations only in its observations and takes them,
    with their adjusted heights, from that file."""
    title = 'ADJUSTED STATION FILE'
    stage = 3
    station_file = 1

    def network(self):
        st = [Station(1, 'BM HILLTOP', 1500.0, 2500.0, '45.120', fixed=True),
              Station(2, 'PEG ONE', 2100.0, 2600.0),
              Station(3, 'PEG TWO', 2400.0, 3100.0, registration=2231),
              Station(4, 'PEG THREE')]
        hd = [HeightDiff(1, 2, '-3.418', sd='0.004'),
              HeightDiff(2, 3, '2.071', sd='0.004'),
              HeightDiff(3, 4, '-5.236', sd='0.005'),
              HeightDiff(4, 1, '6.577', sd='0.005'),
              HeightDiff(1, 3, '-1.352', sd='0.005')]
        return st, [], hd

    def second_run(self):
        return ReadBackSecond()

    def first_run_lines(self, r):
        return {'expected-lines.net.prt': [list_title(False, 0), list_title(True, 0)] + r.list_lines()}

    def expected(self):
        r = self.results()
        stn = r.station_file()
        # The second run: the fixed station in the input, the others from the
        # station file, with the heights as written there.
        second = self.second_run()
        second.from_file = read_station_file(stn, {1})
        second.results()
        listed = [tlhed1_line(s, s.height) for s in second.kept]
        f = {'expected.net.stn': stn}
        f.update(self.first_run_lines(r))
        for name, lines in second.files().items():
            f['then/' + name] = lines
        f['then/expected-lines.net.prt'] = listed + second.res.adjusted_value_lines()
        return f


def read_station_file(lines, given):
    """Stations of number-mode station-file lines as a later run takes them,
    those numbered in `given` left out: a station has co-ordinates when its
    easting and northing fields both hold numbers, not both zero."""
    read = {}
    for text in lines:
        number = int(text[3:6])
        if number in given:
            continue
        fields = text[7:18].strip(), text[18:29].strip()
        east, north = (float(f) if f else 0.0 for f in fields)
        coords = all(fields) and (abs(east) > 0.0001 or abs(north) > 0.0001)
        read[number] = Station(number, text[30:50].rstrip(), east if coords else None, north if coords else None,
                               text[58:66].strip() or None)
    return read


def add_from_file(case, from_file):
    """The stations named only by observations, in order of first appearance,
    with what the station file gives them."""
    added = []
    for o in list(case.zeniths) + list(case.differences):
        for n in (o.frm % 1000, o.to):
            if n not in [s.number for s in case.stations + added]:
                added.append(from_file[n])
                added[-1].from_file = True
    return case.stations + added


class ReadBackSecond(Levelling):
    title = 'STATION FILE READ BACK'
    from_file = {}

    def network(self):
        first = ReadBack().network()
        st = [first[0][0]]
        return st, [], first[2]

    def run(self):
        given = self.stations
        self.stations = add_from_file(self, self.from_file)
        Levelling.run(self)
        self.stations = given

    def outputs(self):
        return ['net.stn']

    def expected(self):
        return {}


TRUE_HEIGHTS = {1: 25.000, 2: 31.4123, 3: 27.9061, 4: 22.5184, 5: 23.7752}
LOCAL_GRID = {1: (-850.0, -1200.0), 2: (-300.0, 650.0), 3: (700.0, -150.0), 4: (-1400.0, 300.0)}


def sighted(frm, to):
    """A 10" zenith distance of the true heights over the plane distance."""
    (e1, n1), (e2, n2) = LOCAL_GRID[frm], LOCAL_GRID[to]
    d = math.hypot(e2 - e1, n2 - n1)
    z = zr.computed_zenith(d, f32(TRUE_HEIGHTS[frm]), f32(TRUE_HEIGHTS[to]), zr.DEFAULT_RADIUS, f32(0.065))[3]
    return zr.Zenith(frm, to, zenith_angle(z), sd='10.0')


@case('station_file_local_grid')
class LocalGridReadBack(ReadBack):
    """A local grid whose origin lies inside the network, so that eastings
    and northings are negative; one station without co-ordinates. A stage-3
    run writes the adjusted station file; the second run (then/) names all
    but the fixed station only in its observations, among them zenith
    distances without distances, which need the co-ordinates read back."""
    title = 'LOCAL GRID - STATION FILE'

    def network(self):
        (e1, n1), (e2, n2), (e3, n3), (e4, n4) = (LOCAL_GRID[k] for k in (1, 2, 3, 4))
        st = [Station(1, 'BM SOUTH WEST', e1, n1, '25.000', fixed=True),
              Station(2, 'PEG NORTH', e2, n2, '31.41'),
              Station(3, 'PEG EAST', e3, n3, '27.91'),
              Station(4, 'PEG WEST', e4, n4, '22.52'),
              Station(5, 'CULVERT', height='23.78')]
        noise = {(1, 2): 0.001, (2, 3): -0.002, (3, 1): 0.001, (1, 4): -0.001, (4, 2): 0.002, (4, 5): 0.0,
                 (5, 1): -0.001}
        # The culvert hangs on two links; unequal weights keep their
        # standardised residuals apart, so the largest one is not a tie.
        hd = [HeightDiff(a, b, '%.3f' % (TRUE_HEIGHTS[b] - TRUE_HEIGHTS[a] + e),
                         sd='0.004' if (a, b) == (5, 1) else '0.003')
              for (a, b), e in noise.items()]
        return st, [], hd

    def second_run(self):
        return LocalGridSecond()

    def first_run_lines(self, r):
        return {'then/expected-absent.net.prt': [Line().put(40, zr.ERROR_TEXT[8]).text()]}


class LocalGridSecond(ReadBackSecond):
    title = 'LOCAL GRID - READ BACK'
    stage = 2
    station_file = 0

    def network(self):
        st = [LocalGridReadBack().network()[0][0]]
        zeniths = [sighted(1, 2), sighted(1, 3), sighted(1, 4), sighted(2, 3), sighted(3, 4)]
        hd = [HeightDiff(4, 5, '%.3f' % (TRUE_HEIGHTS[5] - TRUE_HEIGHTS[4]), sd='0.003'),
              HeightDiff(5, 1, '%.3f' % (TRUE_HEIGHTS[1] - TRUE_HEIGHTS[5] - 0.001), sd='0.003')]
        return st, zeniths, hd


@case('residual_distribution')
class ResidualDistribution(Levelling):
    """A levelled network whose residuals fall on both sides of zero in
    several classes: the height-difference distribution counts each signed
    residual on its own side, as the standardised one does. A height
    observation enters the standardised distribution too."""
    title = 'RESIDUAL DISTRIBUTION'

    def network(self):
        st = [Station(1, 'BM QUARRY', 500.0, 800.0, '61.250', fixed=True),
              Station(2, 'PEG BRIDGE', 900.0, 1200.0, '63.10'),
              Station(3, 'PEG CHAPEL', 1500.0, 900.0, '58.72'),
              Station(4, 'PEG MILL', 1100.0, 300.0, '60.05'),
              Station(5, 'PEG FORD', 700.0, 200.0, '59.41', sd='0.004')]
        hd = [HeightDiff(1, 2, '1.853', sd='0.002'),
              HeightDiff(2, 3, '-4.382', sd='0.002'),
              HeightDiff(3, 4, '1.327', sd='0.002'),
              HeightDiff(4, 5, '-0.636', sd='0.002'),
              HeightDiff(5, 1, '1.838', sd='0.002'),
              HeightDiff(1, 3, '-2.522', sd='0.003'),
              HeightDiff(2, 4, '-3.047', sd='0.003'),
              HeightDiff(1, 4, '-1.205', sd='0.003')]
        return st, [], hd


    def expected(self):
        r = self.results()
        return {'expected-lines.net.prt': r.residual_lines() + r.summary_lines() + r.distribution_lines()}


@case('statistics_dropped_height_observation')
class DroppedHeightObservation(Levelling):
    """Three stations carry a height observation, but the third is a second
    record of a station number already used and is dropped: the statistics
    block counts the two height observations that give equations, so that
    it adds up to the observation equations."""
    title = 'DROPPED HEIGHT OBSERVATION'

    def network(self):
        st = [Station(1, 'BM NORTH', 1000.0, 3000.0, '20.000', fixed=True),
              Station(2, 'PEG A', 1800.0, 3400.0, '21.500', sd='0.010'),
              Station(3, 'PEG B', 1300.0, 2200.0, '19.200', sd='0.010'),
              Station(3, 'PEG C', 1300.0, 2200.0, '19.200', sd='0.010')]
        hd = [HeightDiff(1, 2, '1.512', sd='0.004'),
              HeightDiff(2, 3, '-2.309', sd='0.004'),
              HeightDiff(3, 1, '0.802', sd='0.004')]
        return st, [], hd


    def expected(self):
        r = self.results()
        assert self.height_observations == 3 and self.height_equations == 2

        def count(label, col, value):
            return Line().put(col, label).put(40, integer(value, 5)).text()

        lines = [count('Number of stations :', 18, len(self.kept)),
                 count('Number of height differences :', 8, len(self.differences)),
                 count('Number of height observations :', 7, self.height_equations),
                 count('Number of observation equations :', 5, self.equation_count)]
        return {'expected-lines.net.prt': lines + r.summary_lines() + r.adjusted_value_lines(),
                'expected-absent.net.prt': [count('Number of height observations :', 7, 3)]}


# Analysis options 0 to 5: which sections each prints.
TITLES = {
    'corrections': Line().put(57, 'LIST OF CORRECTIONS').text(),
    'residuals': Line().put(58, 'LIST OF RESIDUALS').text(),
    'analysis': Line().put(57, 'RESIDUAL  ANALYSIS').text(),
    'adjusted': Line().put(59, 'ADJUSTED VALUES').text(),
    'precision': Line().put(57, 'PRECISION  ANALYSIS').text(),
    'relative': Line().put(55, 'RELATIVE HEIGHT ANALYSIS').text(),
    'normal': Line().put(58, 'NORMAL EQUATIONS').text(),
    'inverse': Line().put(60, 'INVERSE MATRIX').text(),
}


class AnalysisOption(Levelling):
    """One small network, solution output on, a-priori variance factor."""
    solution_output = 1

    @property
    def title(self):
        return 'ANALYSIS OPTION %d' % self.analysis

    def network(self):
        st = [Station(1, 'BM NORTH', 1000.0, 3000.0, '20.000', fixed=True),
              Station(2, 'PEG A', 1800.0, 3400.0, '21.500'),
              Station(3, 'PEG B', 1300.0, 2200.0, '19.200')]
        hd = [HeightDiff(1, 2, '1.512', sd='0.004'),
              HeightDiff(2, 3, '-2.309', sd='0.004'),
              HeightDiff(3, 1, '0.802', sd='0.004'),
              HeightDiff(1, 3, '-0.795', sd='0.005')]
        return st, [], hd

    def correction_lines(self):
        out = []
        for s in self.kept:
            if s.first:
                x = self.res.margins.check('correction %d' % s.first, self.res.sol.x[s.first - 1], 3, HEIGHT_TOL)
                out.append(Line().put(55, integer(s.number, 3)).put(62, integer(s.first, 4))
                           .put(71, fixed(x, 8, 3)).text())
        return out

    def expected(self):
        r = self.results()
        a = self.analysis
        shown = set()
        lines = []
        if a < 4:
            shown |= {'corrections', 'residuals', 'analysis', 'adjusted'}
            lines += self.correction_lines() + r.adjusted_value_lines()
        if a >= 1:
            shown.add('precision')
            lines += [r.factor_line()] + r.precision_lines()
        if a >= 2:
            shown.add('relative')
            lines += r.relative_lines()
        if a in (3, 5):
            shown |= {'normal', 'inverse'}
            lines.append(Line().put(5, 'ROW NUMBER').put(17, integer(1, 5)).text())
        return {'expected-lines.net.prt': [TITLES[k] for k in TITLES if k in shown] + lines,
                'expected-absent.net.prt': [TITLES[k] for k in TITLES if k not in shown]}


for option in range(6):
    case('analysis_option_%d' % option)(type('AnalysisOption%d' % option, (AnalysisOption,), {'analysis': option}))


@case('inverse_listed_whole')
class InverseListedWhole(AnalysisOption):
    """Analysis option 5 on five pegs levelled in a line from one benchmark
    and back to it: band width 1, yet the inverse is listed whole, row j
    with its n - j + 1 elements (those beyond the band too), from the
    40-digit inverse. Its elements are some 1e-3: single precision, about
    1e-6 of the value here, leaves their six decimals in no doubt."""
    title = 'INVERSE LISTED WHOLE'
    analysis = 5
    solution_output = 0

    def network(self):
        st = [Station(1, 'BM HILLTOP', 1000.0, 1000.0, '50.000', fixed=True),
              Station(2, 'PEG ONE', 1700.0, 1100.0, '48.210'),
              Station(3, 'PEG TWO', 2350.0, 1300.0, '46.905'),
              Station(4, 'PEG THREE', 2900.0, 1800.0, '47.530'),
              Station(5, 'PEG FOUR', 2500.0, 2400.0, '49.112'),
              Station(6, 'PEG FIVE', 1600.0, 2000.0, '50.874')]
        hd = [HeightDiff(1, 2, '-1.788', sd='0.048'),
              HeightDiff(2, 3, '-1.306', sd='0.060'),
              HeightDiff(3, 4, '0.627', sd='0.045'),
              HeightDiff(4, 5, '1.580', sd='0.056'),
              HeightDiff(5, 6, '1.764', sd='0.052'),
              HeightDiff(6, 1, '-0.871', sd='0.064')]
        return st, [], hd

    def inverse_lines(self):
        q, m, n = self.res.sol.Q, self.res.margins, self.matrix_size
        lines = []
        for j in range(1, n + 1):
            lines.append(Line().put(5, 'ROW NUMBER').put(17, integer(j, 5)).text())
            row = [m.check('inverse (%d, %d)' % (j, k), q[j - 1, k - 1], 6, INVERSE_TOL, relative=True)
                   for k in range(j, n + 1)]
            for start in range(0, len(row), 8):
                line = Line()
                for t, v in enumerate(row[start:start + 8]):
                    line.put(1 + 16 * t, fixed(v, 15, 6))
                lines.append(line.text())
        return lines

    def expected(self):
        f = AnalysisOption.expected(self)
        assert self.band_width < self.matrix_size - 1
        f['expected-lines.net.prt'] += self.inverse_lines()
        return f

    def files(self):
        # What the console says after a successful run is not this case's
        # concern.
        f = AnalysisOption.files(self)
        del f['expected-console']
        return f


# ---------------------------------------------------------------------------
# Data snooping: a blunder that the normalised residual finds and the
# report's standardised residual does not

def json_expectations(values):
    """The lines of an expected-json file: one member per line."""
    import json
    members = [' %s: %s' % (json.dumps(k), json.dumps(v)) for k, v in values.items()]
    return ['{'] + [m + ',' for m in members[:-1]] + members[-1:] + ['}']


class WithOutputs(Levelling):
    """A case whose run also writes the JSON and the page."""
    exports = ('net.json', 'net.html')

    def outputs(self):
        return Levelling.outputs(self) + list(self.exports)

    def args(self):
        return ['--json', '--html', '-o', 'net.dat']


@case('planted_blunder')
class PlantedBlunder(WithOutputs):
    """Two fixed benchmarks and five pegs levelled in loops (3 mm), a
    precise short link from the centre peg to the east peg (1.2 mm) that
    the loops check weakly (r = 0.14), a spur peg that one line alone
    reaches (r = 0: not checked), a tide-gauge peg whose height is also an
    observation, and three zenith distances from the benchmarks with the
    network's refraction coefficient. The observations are the true
    differences plus a few tenths of a millimetre, and the link carries a
    blunder of 13.2 mm (11 of its standard deviations): its standardised
    residual is -1.558, below the 2.5 that the report flags, and the
    report's largest is -2.048 on the line from the east peg to BM EAST;
    its normalised residual -4.145 is the largest, over 3.29 (the next is
    -2.632). The run writes the JSON and the page, whose figures are
    checked against this solution."""
    title = 'PLANTED BLUNDER - DATA SNOOPING'
    analysis = 2
    true = {1: 52.418, 2: 61.207, 3: 55.933, 4: 58.035, 5: 53.757, 6: 50.882, 7: 56.311, 8: 57.604, 9: 51.365}

    def network(self):
        st = [Station(1, 'BM WEST', 1000.0, 6000.0, '52.418', fixed=True),
              Station(2, 'BM EAST', 4200.0, 3900.0, '61.207', fixed=True),
              Station(3, 'PEG NORTH', 2300.0, 6400.0, '55.93'),
              Station(4, 'PEG EAST', 3700.0, 5300.0, '58.04'),
              Station(5, 'PEG SOUTH', 2700.0, 3600.0, '53.76'),
              Station(6, 'PEG WEST', 1200.0, 4500.0, '50.88'),
              Station(7, 'PEG CENTRE', 2500.0, 5000.0, '56.31'),
              Station(8, 'SPUR PEG', 2900.0, 7300.0, '57.60'),
              Station(9, 'TIDE GAUGE', 1600.0, 3300.0, '51.37', sd='0.005')]
        noise = {(1, 3): 0.0004, (3, 4): 0.0003, (4, 2): -0.0002, (2, 5): 0.0003, (5, 6): -0.0004,
                 (6, 1): 0.0002, (3, 7): -0.0003, (7, 5): 0.0002, (6, 7): 0.0004, (7, 4): 0.0132,
                 (3, 8): 0.0001, (5, 9): -0.0002, (9, 6): 0.0002}
        hd = []
        for (a, b), e in noise.items():
            sd = '0.0012' if (a, b) == (7, 4) else '0.003'
            hd.append(HeightDiff(a, b, '%.4f' % (self.true[b] - self.true[a] + e), sd=sd))
        place = {s.number: (s.easting, s.northing) for s in st}
        zeniths = []
        for f, t, e in ((1, 3, 0.6), (1, 7, -0.4), (2, 7, 0.3)):
            d = math.hypot(place[t][0] - place[f][0], place[t][1] - place[f][1])
            z = zr.computed_zenith(d, f32(self.true[f]), f32(self.true[t]), zr.DEFAULT_RADIUS, self.default_k)[3]
            zeniths.append(zr.Zenith(f, t, zenith_angle(z + e / SECONDS), sd='2.0'))
        return st, zeniths, hd

    def expected(self):
        r = self.results()
        sol, m = r.sol, r.margins
        nz = len(self.zeniths)
        link = nz + list(self.noise_keys()).index((7, 4)) + 1
        w_std = {k: sol.v[k] * msqrt(mpf(e.w)) for k, e in sol.eqs}
        assert all(abs(w) < 2.4 for w in w_std.values()), 'the report would flag a line'
        largest_std = max(w_std, key=lambda k: abs(w_std[k]))
        assert largest_std != link and sol.tests[link].flagged
        assert max((abs(t.w) for k, t in sol.tests.items() if t.w is not None and k != link)) < 3.0
        lines = r.residual_lines() + r.summary_lines()
        return {'expected-lines.net.prt': lines, 'expected-json.net.json': json_expectations(self.json_values()),
                'expected-lines.net.html': self.page_lines()}

    def noise_keys(self):
        return [(h.frm, h.to) for h in self.differences]

    def input_lines(self):
        """The input line of each equation as the JSON gives it."""
        console = zr.Console(self)
        out = []
        for k, _ in self.res.sol.eqs:
            code = self.code_of(k)
            if code >= 10000:
                out.append(None)
            elif code < 0:
                s = [s for s in self.kept if s.first and s.status != 0 and s.sd != 0.0][-code - 1]
                out.append(console.station_lines[self.stations.index(s)])
            else:
                out.append(console.obs_line[code])
        return out

    def json_values(self):
        """expected-json: JSON pointer -> [value, absolute, relative
        tolerance]. Single precision leaves the redundancy numbers within
        some 1e-7 of these, the residuals within some 1e-9 m and 1e-4"; the
        quantiles are worked in double precision by the program."""
        sol = self.res.sol
        g = sol.global_test
        tests = [sol.tests[k] for k, _ in sol.eqs]

        def column(name):
            return [None if getattr(t, name) is None else float(getattr(t, name)) for t in tests]
        return {
            '/adjustment/global_test/statistic': [float(g.statistic), 0, 1e-5],
            '/adjustment/global_test/lower': [float(g.lower), 0, 1e-12],
            '/adjustment/global_test/upper': [float(g.upper), 0, 1e-12],
            '/adjustment/global_test/accepted': [g.accepted, 0, 0],
            '/adjustment/global_test/sigma_ratio': [float(g.ratio), 0, 1e-5],
            '/adjustment/global_test/sigma_ratio_lower': [float(g.ratio_lower), 0, 1e-12],
            '/adjustment/global_test/sigma_ratio_upper': [float(g.ratio_upper), 0, 1e-12],
            '/adjustment/data_snooping/flagged': [sum(1 for t in tests if t.flagged), 0, 0],
            '/adjustment/data_snooping/weakly_checked': [sum(1 for t in tests if t.checking == 'weakly_checked'), 0, 0],
            '/adjustment/data_snooping/not_checked': [sum(1 for t in tests if t.checking == 'not_checked'), 0, 0],
            '/adjustment/data_snooping/not_checked_for_rounding': [0, 0, 0],
            '/observations/input_line': [self.input_lines(), 0, 0],
            '/observations/checking': [[t.checking for t in tests], 0, 0],
            '/observations/redundancy_number': [[float(t.r) for t in tests], 1e-6, 0],
            '/observations/normalised_residual': [column('w'), 2e-5, 0],
            '/observations/minimal_detectable_bias': [column('mdb'), 0, 1e-5],
            '/observations/bias_to_noise_ratio': [column('bnr'), 0, 1e-5],
        }

    def page_lines(self):
        """The page's global test and the rows of its table of flagged and
        weakly checked observations (the flagged first, largest first; then
        the others by redundancy number)."""
        sol, m = self.res.sol, self.res.margins
        g = sol.global_test

        def three(what, value, tolerance):
            return fixed(m.check(what, value, 3, tolerance, True), 20, 3).strip()
        verdict = 'accepted' if g.accepted else 'rejected (too large)' if g.statistic > g.upper else \
            'rejected (too small)'
        lines = ['<p class="global-test">Global test of the model (chi-square, two-sided at 95 %%): &#931;pvv = %s on '
                 '%d degrees of freedom, against %s to %s: <strong>%s</strong>. &#963;<sub>0</sub>&#8242;/&#963;'
                 '<sub>0</sub> = %s (interval %s to %s).</p>' % (
                     three('pvv', g.statistic, SUM_TOL), g.df, three('lower', g.lower, 1e-9),
                     three('upper', g.upper, 1e-9), verdict, three('ratio', g.ratio, SUM_TOL),
                     three('ratio lower', g.ratio_lower, 1e-9), three('ratio upper', g.ratio_upper, 1e-9))]
        listed = [(k, e) for k, e in sol.eqs if sol.tests[k].flagged or sol.tests[k].checking != 'checked']
        listed.sort(key=lambda ke: (-abs(sol.tests[ke[0]].w), ke[0]) if sol.tests[ke[0]].flagged
                    else (sol.tests[ke[0]].r, ke[0]))
        num = {p: s.number for p, s in enumerate(self.kept, 1)}
        lines_of = dict(zip([k for k, _ in sol.eqs], self.input_lines()))
        nz, nh = len(self.zeniths), len(self.differences)
        for k, e in listed:
            t = sol.tests[k]
            assert k > nz and k <= nz + nh, 'only height differences are listed here'
            h = self.differences[k - nz - 1]
            cells = ['%d' % k, 'height difference', '%d' % h.frm, '%d' % h.to,
                     three('v %d' % k, sol.v[k], 1e-6) + ' m']
            if t.w is None:
                cells += ['', three('r %d' % k, t.r + mpf('1e-30'), 1e-6) if t.r > 0 else '0.000', '', '']
                finding = 'not checked: no error here would show'
            else:
                cells += [three('w %d' % k, t.w, 1e-5), three('r %d' % k, t.r, 1e-6),
                          three('mdb %d' % k, t.mdb, 1e-5) + ' m',
                          fixed(m.check('bnr %d' % k, t.bnr, 1, 1e-5, True), 20, 1).strip()]
                finding = 'flagged' + ('; weakly checked' if t.checking == 'weakly_checked' else '') \
                    if t.flagged else 'weakly checked'
            cells.append('%d' % lines_of[k])
            row = '<tr><td class="n">%s</td><td>%s</td><td>%s</td><td>%s</td>' % tuple(cells[:4])
            row += ''.join('<td class="n">%s</td>' % c for c in cells[4:])
            lines.append(row + '<td>%s</td></tr>' % finding)
        return lines


@case('no_redundancy')
class NoRedundancy(WithOutputs):
    """Two pegs levelled from one benchmark, one line each: no degrees of
    freedom. No global test, and no observation is checked (r = 0 for
    both): no normalised residual, no minimal detectable bias, as the
    console, the JSON and the page say."""
    title = 'NO REDUNDANCY'
    analysis = 1

    def network(self):
        st = [Station(1, 'BM HILL', 500.0, 500.0, '120.000', fixed=True),
              Station(2, 'PEG ONE', 900.0, 800.0, '121.40'),
              Station(3, 'PEG TWO', 1300.0, 600.0, '119.75')]
        hd = [HeightDiff(1, 2, '1.412', sd='0.004'),
              HeightDiff(1, 3, '-0.245', sd='0.004')]
        return st, [], hd

    def expected(self):
        r = self.results()
        assert r.sol.redundancy == 0 and all(t.checking == 'not_checked' for t in r.sol.tests.values())
        nulls = [None, None]
        values = {'/adjustment/degrees_of_freedom': [0, 0, 0], '/adjustment/variance_factor': [None, 0, 0],
                  '/adjustment/global_test': [None, 0, 0],
                  '/adjustment/data_snooping/not_checked': [2, 0, 0],
                  '/observations/checking': [['not_checked', 'not_checked'], 0, 0],
                  '/observations/normalised_residual': [nulls, 0, 0],
                  '/observations/minimal_detectable_bias': [nulls, 0, 0],
                  '/observations/bias_to_noise_ratio': [nulls, 0, 0]}
        return {'expected-json.net.json': json_expectations(values),
                'expected-lines.net.html': [
                    '<p class="global-test">No global test: the adjustment has no degrees of freedom.</p>',
                    '<p class="snooping">0 flagged, 0 weakly checked, 2 not checked.</p>']}


# ---------------------------------------------------------------------------
# A levelling network of many stations read from its record-code input (the
# benchmark's case a), solved in double precision: banded Cholesky in the
# order of the station numbers, the band of the inverse by the backward
# recursion Q_ij = (delta_ij / R_ii - sum over k > i of R_ik Q_kj) / R_ii,
# which needs no element outside the band; then the tests of the adjustment,
# compared with the program's JSON of the same run.
#
#     python3 tools/levelling_reference.py --levelling net.dat net.json

def read_levelling(path):
    """Stations (number -> height, fixed) and height differences (from, to,
    dh, weight) of a record-code input of levelled lines; values as the
    program holds them, in single precision."""
    stations, lines = {}, []
    for text in open(path):
        code = text[:2]
        if code == '10':
            fixed_station = text[66:67] == '*'
            height = f32(float(text[58:66])) if fixed_station else None
            stations[int(text[3:6])] = height
        elif code == '24':
            sd = f32(float(text[22:28]))
            lines.append((int(text[3:7]) % 1000, int(text[8:11]), f32(float(text[12:21])), f32(1 / (sd * sd))))
    return stations, lines


def banded_levelling(stations, lines):
    free = sorted(n for n, h in stations.items() if h is None)
    index = {n: i for i, n in enumerate(free)}
    n = len(free)
    rows = []  # (terms [(unknown, coefficient)], constant: dh minus the fixed heights, weight)
    for frm, to, dh, p in lines:
        terms, known = [], float(dh)
        for station, c in ((frm, -1.0), (to, 1.0)):
            if station in index:
                terms.append((index[station], c))
            else:
                known -= c * stations[station]
        rows.append((terms, known, p))
    b = max([abs(t[0][0] - t[1][0]) for t, _, _ in rows if len(t) == 2] + [0])
    N = [[0.0] * (b + 1) for _ in range(n)]  # N[i][j - i]
    u = [0.0] * n
    for terms, known, p in rows:
        for i, ci in terms:
            u[i] += ci * known * p
            for j, cj in terms:
                if j >= i:
                    N[i][j - i] += ci * cj * p
    R = [row[:] for row in N]
    for k in range(n):
        R[k][0] = math.sqrt(R[k][0])
        for t in range(1, b + 1):
            R[k][t] /= R[k][0]
        for j in range(k + 1, min(n, k + b + 1)):
            f = R[k][j - k]
            for t in range(j, min(n, k + b + 1)):
                R[j][t - j] -= f * R[k][t - k]
    y = u[:]
    for k in range(n):
        y[k] = (y[k] - sum(R[i][k - i] * y[i] for i in range(max(0, k - b), k))) / R[k][0]
    x = [0.0] * n
    for k in reversed(range(n)):
        x[k] = (y[k] - sum(R[k][t - k] * x[t] for t in range(k + 1, min(n, k + b + 1)))) / R[k][0]
    Q = {}

    def q(i, j):
        return Q[(min(i, j), max(i, j))]
    for i in reversed(range(n)):
        top = min(n, i + b + 1)
        for j in reversed(range(i, top)):
            total = sum(R[i][k - i] * q(k, j) for k in range(i + 1, top))
            Q[(i, j)] = ((1.0 / R[i][0] if j == i else 0.0) - total) / R[i][0]
    tests, pvv = [], 0.0
    for terms, known, p in rows:
        v = sum(c * x[i] for i, c in terms) - known
        pvv += p * v * v
        r = 1.0 - p * sum(ci * cj * q(i, j) for i, ci in terms for j, cj in terms)
        tests.append((v, p, r))
    return n, b, tests, pvv


def compare_levelling(input_path, json_path):
    import json
    stations, lines = read_levelling(input_path)
    n, b, tests, pvv = banded_levelling(stations, lines)
    data = json.load(open(json_path))
    ob, adj = data['observations'], data['adjustment']
    df = len(lines) - n
    g = global_test(mpf(pvv), df)
    print('%d unknowns, band width %d in the order of the station numbers, %d degrees of freedom' % (n, b, df))
    gt = adj['global_test']
    for name, ours, theirs in (('statistic', g.statistic, gt['statistic']), ('lower', g.lower, gt['lower']),
                               ('upper', g.upper, gt['upper']), ('sigma ratio', g.ratio, gt['sigma_ratio'])):
        print('  global test %-12s reference %.10f  program %.10f  relative difference %.1e' % (
            name, float(ours), theirs, abs(float(ours) - theirs) / float(ours)))
    print('  accepted: reference %s, program %s' % (g.accepted, gt['accepted']))
    worst = {}
    counts = {'flagged': 0, 'weakly_checked': 0, 'not_checked': 0}
    for i, (v, p, r) in enumerate(tests):
        t = ObservationTest(mpf(v), mpf(p), mpf(r))
        counts['flagged'] += 1 if t.flagged else 0
        if t.checking != 'checked':
            counts[t.checking] += 1
        assert ob['checking'][i] == t.checking, (i, t.checking, ob['checking'][i])
        for field, ours in (('redundancy_number', r), ('normalised_residual', t.w),
                            ('minimal_detectable_bias', t.mdb), ('bias_to_noise_ratio', t.bnr)):
            theirs = ob[field][i]
            if ours is None or theirs is None:
                assert ours is None and theirs is None, (field, i, ours, theirs)
                continue
            d = abs(float(ours) - theirs)
            rel = d / max(abs(float(ours)), 1e-30)
            if field not in worst or d > worst[field][0]:
                worst[field] = (d, rel, i)
    for field, (d, rel, i) in sorted(worst.items()):
        print('  %-24s largest difference %.2e (relative %.1e) at observation %d' % (field, d, rel, i + 1))
    snoop = adj['data_snooping']
    print('  counts: reference %s; program flagged %d, weakly checked %d, not checked %d' % (
        counts, snoop['flagged'], snoop['weakly_checked'], snoop['not_checked']))


def main(args):
    if args[:1] == ['--levelling']:
        compare_levelling(args[1], args[2])
        return
    write = '--write' in args
    names = [a for a in args if a != '--write'] or sorted(CASES)
    for name in names:
        c = CASES[name]()
        print('=== %s' % name)
        files = c.files()
        if hasattr(c, 'show'):
            c.show()
        res = getattr(c, 'res', None)
        if res is not None:
            close = [row for row in res.margins.rows if row[3]]
            for what, v, margin, _ in close:
                print('  TOO CLOSE: %s %.8f margin %.2e' % (what, v, margin))
        for path, lines in sorted(files.items()):
            if os.path.basename(path).startswith(('expected-lines', 'expected-absent')):
                lines = [line.rstrip() for line in lines]
            text = ''.join(line + '\n' for line in lines)
            if write:
                target = os.path.join('tests', 'cases', name, path)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                with open(target, 'w') as out:
                    out.write(text)
            else:
                print('--- %s' % path)
                print(text, end='')


if __name__ == '__main__':
    main(sys.argv[1:])
