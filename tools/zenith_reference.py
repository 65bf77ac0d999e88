#!/usr/bin/env python3
"""Reference figures for the observation-equation tests, worked independently
of the program in double precision from the written formulas: the distance
reduction to the ellipsoid, the zenith distance reduced to the marks and
computed from the heights, the misclosures, weights and unknown numbers of
the equations, the ordering of the stations for the band width, and the
report fields (fixed-point fields, degrees-minutes-seconds, page layout).

Single-precision values (heights, instrument and target heights, standard
deviations, K, the stored misclosures, coefficients and weights) are rounded
to 32 bits where the program holds them so.

Run: python3 tools/zenith_reference.py [case ...]    (cases: see CASES)
Each case prints its input file, its whole report page by page, and its
equation records; "units" prints the figures of the unit tests.
"""
import math
import os
import struct
import sys

RHO = 206264.806247096          # seconds per radian
DEG = 57.295779513              # degrees per radian (reductions)
D2R = 0.017453292519943         # degrees to radians (zone constants)
PI = 3.141592653589793
SECOND = 4848.136811095e-9      # one second of arc read from an angle field
DEFAULT_RADIUS = 6370100.0


def f32(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


# ---------------------------------------------------------------------------
# Report fields

def fixed(v, w, d):
    """Fw.d as the report prints it: rounded, right-aligned, no minus sign on
    a value that rounds to zero, asterisks when it does not fit."""
    if not math.isfinite(v):
        return '*' * w
    s = '%.*f' % (d, v)
    if s.startswith('-') and float(s) == 0.0:
        s = s[1:]
    if len(s) > w and s.startswith('0.'):
        s = s[1:]
    if len(s) > w and s.startswith('-0.'):
        s = '-' + s[2:]
    return '*' * w if len(s) > w else s.rjust(w)


def rounded(v, w):
    """Real with decimals -1: the value plus 0.5 truncated to an integer."""
    k = int(v + 0.5)
    s = str(k)
    return '*' * w if len(s) > w else s.rjust(w)


def integer(v, w):
    s = str(v)
    return '*' * w if len(s) > w else s.rjust(w)


def dms(angle, d=1, wrap=True):
    """Degrees, minutes and seconds as the report prints an angle (the first
    d + 11 characters; wrap flag 1: a negative angle is brought into 0-2pi;
    without it the angle is signed)."""
    if wrap and angle < 0:
        angle += 6.283185307179586
    sign = -1 if angle < 0 else 1
    s = abs(angle * 57.29577951308232 * 3600.0) + 0.000000005
    deg = int(s) // 3600
    r = s - 3600 * deg
    mins = int(r) // 60
    sec = r - 60 * mins
    if sign < 0 and deg == 0:
        t = ' -0 %2d %*.*f' % (mins, d + 3, d, sec)
    else:
        t = '%3d %2d %*.*f' % (deg * sign, mins, d + 3, d, sec)
    t = list(t.ljust(15))
    if t[7] == '6':
        t[7:9] = '00'
        mins += 1
        t[4:6] = '%2d' % mins
    if t[4] == '6':
        t[4:6] = '00'
        deg += 1
        t[0:3] = '%3d' % (deg * sign)
    for i in (4, 5, 7, 8):
        if t[i] == ' ':
            t[i] = '0'
    return ''.join(t)[:d + 11]


class Line:
    def __init__(self):
        self.c = [' '] * 132

    def put(self, col, text):
        for i, ch in enumerate(text):
            if col + i <= 132:
                self.c[col - 1 + i] = ch
        return self

    def text(self):
        return ''.join(self.c)


def angle_field(d, m, s):
    """Radians of an angle field of degrees, minutes and seconds."""
    return (d * 3600 + m * 60 + s) * SECOND


# ---------------------------------------------------------------------------
# Zone of a Transverse Mercator grid: inverse projection and line quantities

class Zone:
    def __init__(self, a, rf, k0, cm_deg, fe, fn):
        self.a, self.rf, self.k0 = a, rf, k0
        self.cm = cm_deg * D2R
        self.fe, self.fn = fe, fn
        self.e2 = 2 / rf - 1 / rf ** 2
        b = 1 / (2 * rf)
        self.n = b * (1 + b + b * b)

    def radii(self, phi):
        w2 = 1 - self.e2 * math.sin(phi) ** 2
        nu = self.a / math.sqrt(w2)
        return nu, self.a * (1 - self.e2) / w2 ** 1.5

    def inverse(self, E, N):
        """Latitude, longitude, grid convergence, point scale factor."""
        n, a, k0 = self.n, self.a, self.k0
        Np = (N - self.fn) / k0
        G = a * (1 - n) * (1 - n * n) * (1 + 2.25 * n * n + 3.515625 * n ** 4) * D2R
        sig = (Np / G) * D2R
        fp = (sig + (1.5 * n - 0.84375 * n ** 3) * math.sin(2 * sig)
              + (1.3125 * n * n - 1.71875 * n ** 4) * math.sin(4 * sig)
              + 1.5729166666666667 * n ** 3 * math.sin(6 * sig)
              + 2.142578125 * n ** 4 * math.sin(8 * sig))
        nu, rho = self.radii(fp)
        t = math.tan(fp)
        T = t * t
        h = nu / rho - 1
        eta = math.sqrt(h)
        Ep = E - self.fe
        x = Ep / (k0 * nu)
        X = x * x
        P = (1 - 2 * eta) * (1 + 2 * eta) * h + 3 * T * (1 - 3 * h) + 5
        Q = (61 + 90 * T + 45 * T * T + 46 * h - 3 * h * h + 100 * h ** 3 - 252 * T * h - 66 * T * h * h
             + 84 * T * h ** 3 - 90 * T * T * h + 225 * T * T * h * h)
        R = 1385 + 3633 * T + 4095 * T * T + 1575 * T ** 3
        phi = fp - (t / (k0 * rho)) * (Ep * x / 2) * (1 - (X / 12) * (P - (X / 30) * (Q - (X / 56) * R)))
        D1 = 1 + 2 * T + h
        D2 = 5 + 6 * h - 3 * h * h - 4 * h ** 3 + 4 * T * (7 + 2 * h + h * h + 6 * h ** 3) + 24 * T * T
        D3 = (61 + 662 * T + 1320 * T * T + 720 * T ** 3 + 107 * h + 43 * h * h + 97 * h ** 3 + 440 * T * h
              - 234 * T * h * h + 336 * T * T * h)
        lam = self.cm + (x / math.cos(fp)) * (1 - (X / 6) * (D1 - (X / 20) * (D2 - (X / 42) * D3)))
        F = 2 + 5 * T + 3 * T * T + 2 * h + 9 * h * h + 20 * h ** 3 + T * h * (1 - 7 * h - 27 * h * h)
        gamma = -t * x * (1 - (X / 3) * (1 + T - h - 2 * h * h - (X / 5) * (F - (X / 21) * (17 + 77 * T + 105 * T * T
                                                                                             + 45 * T ** 3))))
        u = Ep * Ep / (k0 * k0 * rho * nu)
        k = k0 * (1 + (u / 2) * (1 + (u / 12) * (1 + 6 * h + 9 * h * h + 4 * h ** 3 - 24 * T * h * h * (1 + h)
                                                 + u / 30)))
        return phi, lam, gamma, k

    def rm2(self, e1, n1, e2, n2):
        phim = self.inverse((e1 + e2) / 2, (n1 + n2) / 2)[0]
        nu, rho = self.radii(phim)
        return self.k0 ** 2 * rho * nu

    def line_scale(self, e1, n1, e2, n2):
        r = self.rm2(e1, n1, e2, n2)
        a, b = e1 - self.fe, e2 - self.fe
        p = (a * a + a * b + b * b) / (6 * r)
        return self.k0 * (1 + p + p * p / 6)

    def arc_to_chord(self, e1, n1, e2, n2):
        r = self.rm2(e1, n1, e2, n2)
        g = 2 * (e1 - self.fe) + (e2 - self.fe)
        return (n1 - n2) * g * (1 - g * g / (27 * r)) / (6 * r)

    def radius_in_azimuth(self, e1, n1, e2, n2):
        phim = self.inverse((e1 + e2) / 2, (n1 + n2) / 2)[0]
        nu, rho = self.radii(phim)
        delta = self.arc_to_chord(e1, n1, e2, n2)
        g1 = self.inverse(e1, n1)[2]
        beta = 0.0 if abs(e2 - e1) < 0.001 and abs(n2 - n1) < 0.001 else math.atan2(e2 - e1, n2 - n1)
        alpha = beta - g1 - delta
        if alpha < 0:
            alpha += 6.283185307179586
        return rho * nu / (rho * math.sin(alpha) ** 2 + nu * math.cos(alpha) ** 2)


def zone_of(code):
    if 49 <= code <= 57:
        return Zone(6378160.0, 298.25, 0.9996, 6 * code - 183, 500000.0, 10000000.0)
    if 801 <= code <= 860:
        return Zone(6378137.0, 298.257222101, 0.9996, 6 * (code - 800) - 183, 500000.0, 10000000.0)
    raise ValueError(code)



def geoxyz(phi, lam, h, a, rf):
    e2 = 2 / rf - 1 / rf ** 2
    nu = a / math.sqrt(1 - e2 * math.sin(phi) ** 2)
    return ((nu + h) * math.cos(phi) * math.cos(lam), (nu + h) * math.cos(phi) * math.sin(lam),
            ((1 - e2) * nu + h) * math.sin(phi))


def xyzgeo(x, y, z, a, rf):
    e2 = 2 / rf - 1 / rf ** 2
    lam = math.atan(abs(y / x))
    if y >= 0 and x < 0:
        lam = PI - lam
    elif y < 0 and x < 0:
        lam = PI + lam
    elif y < 0 and x >= 0:
        lam = 2 * PI - lam
    p = math.hypot(x, y)
    phi, zp = 0.0, z
    for _ in range(1000):
        prev = phi
        phi = math.atan2(zp, p)
        nu = a / math.sqrt(1 - e2 * math.sin(phi) ** 2)
        zp = z + e2 * nu * math.sin(phi)
        if abs(phi - prev) <= 9.7e-18:
            break
    if x < y:
        h = y / (math.cos(phi) * math.sin(lam)) - nu
    else:
        h = x / (math.cos(phi) * math.cos(lam)) - nu
    return phi, lam, h


def coordinate_difference(zone, s1, s2, dx, dy, dz, k0):
    """Height difference of a coordinate difference (GRS80 zones: no datum
    change), and the equivalent zenith distance and slope distance."""
    phi1, lam1 = zone.inverse(s1.e, s1.n)[:2]
    h1 = f32(s1.height + s1.geoid)
    x1, y1, z1 = geoxyz(phi1, lam1, h1, zone.a, zone.rf)
    h2 = f32(xyzgeo(x1 + dx, y1 + dy, z1 + dz, zone.a, zone.rf)[2])
    height2 = f32(h2 - s2.geoid)
    dh = f32(height2 - s1.height)
    scale = zone.line_scale(s1.e, s1.n, s2.e, s2.n)
    s = math.hypot(s1.e - s2.e, s1.n - s2.n) / scale
    slope = math.sqrt(dx * dx + dy * dy + dz * dz)
    r = zone.radius_in_azimuth(s1.e, s1.n, s2.e, s2.n)
    c = s * (1 + (s1.height + height2) / (2 * r) + s * s / (12 * r * r))
    z = PI / 2 + math.atan2(-dh, c) + (0.5 - k0) * c / r
    return dh, z, slope


# ---------------------------------------------------------------------------
# Reductions

def spdcor(S, R, e, h1, h2):
    """Slope, sea-level, height and chord corrections (all 0 when the height
    difference is not smaller than the distance)."""
    D = h2 - h1
    hm = (h1 + h2) / 2

    def msl(L):
        return (D * D * hm / (2 * R * L) - hm * L / (R + hm) + D ** 4 * hm / (8 * R * L ** 3)
                + D ** 6 * hm / (16 * R * L ** 5))

    if not abs(D) < S:
        return 0.0, 0.0, 0.0, 0.0
    if S <= 15:
        L = math.sqrt(S * S - D * D)
        cs = L - S
        L = L - msl(L)
    else:
        cs = -D * D / (2 * S) - D ** 4 / (8 * S ** 3) - D ** 6 / (16 * S ** 5)
        L = S + cs
    cm = msl(L)
    ce = e * (L + cm) / (R + hm)
    cc = (L + cm + ce) ** 3 / (24 * R * R)
    return cs, cm, ce, cc


def reduce_to_marks(z, dhi, d):
    if d < 50:
        return PI / 2 - math.atan((dhi + math.tan(PI / 2 - z) * d) / d)
    return z - dhi * math.sin(z) ** 2 / d


def computed_zenith(d, h1, h2, R, K):
    x = d * (1 + (h1 + h2) / (2 * R) + d * d / (12 * R * R))
    theta = math.atan2(h1 - h2, x) + PI / 2
    ch = math.sin(theta) ** 2 / x * RHO
    return x, theta, ch, theta + (0.5 - K) * x / R


# ---------------------------------------------------------------------------
# The input: stations and observations as the reading stage stores them

class Station:
    def __init__(self, number, name='', e=None, n=None, height=None, fixed=False, sd=None, label=None,
                 status=None, registration=0):
        self.number = number
        self.label = label
        self.name = name
        self.e, self.n = e, n
        self.height_text = height
        self.height = f32(float(height)) if height is not None else 0.0
        self.fixed = fixed
        self.sd_text = sd
        self.sd = f32(float(sd)) if sd else 0.0
        self.registration = registration
        if status is not None:
            self.status = status
        else:
            self.status = 0 if fixed else (1 if height is not None else 2)
        self.coords = e is not None
        self.geoid = 0.0
        self.geoid_found = False

    @property
    def easting(self):
        return self.e if self.e is not None else 0.0

    @property
    def northing(self):
        return self.n if self.n is not None else 0.0


class Zenith:
    """A type 23 record: angle as (degrees, minutes, seconds)."""
    def __init__(self, frm, to, angle, sd=None, distance=None, dtype=' ', azimuth=None, k=None, i=None, t=None,
                 e1=None, e2=None, c1=0, c2=0, reciprocal=False, vertical=False):
        self.frm, self.to, self.angle = frm, to, angle
        self.sd_text, self.distance_text, self.dtype = sd, distance, dtype
        self.dtype_text = dtype
        self.azimuth_text, self.k_text = azimuth, k
        self.i_text, self.t_text, self.e1_text, self.e2_text = i, t, e1, e2
        self.c1, self.c2 = c1, c2
        self.recip_mark = reciprocal
        self.vertical = vertical


class HeightDiff:
    def __init__(self, frm, to, dh, sd=None, distance=None, i=None, t=None, c1=0, c2=0):
        self.frm, self.to, self.dh_text = frm, to, dh
        self.sd_text, self.distance_text, self.i_text, self.t_text = sd, distance, i, t
        self.c1, self.c2 = c1, c2
        self.coordinate_difference = False


class CoordDiff:
    def __init__(self, frm, to, dx, dy, dz, sd=None, i=None, t=None):
        self.frm, self.to = frm, to
        self.dx, self.dy, self.dz = dx, dy, dz
        self.sd_text, self.i_text, self.t_text = sd, i, t
        self.c1 = self.c2 = 0
        self.coordinate_difference = True


def num(text, default=0.0):
    return float(text) if text not in (None, '') else default


def read_observations(case):
    """Carried values and flags of the reading stage: the records on file."""
    zsd, hsd, csd, hih = 10.0, 0.1, 0.05, 0.0
    prev_to, prev_dist, prev_type = 0, 0.0, ' '
    setup = (None, None, 0.0)
    for z in case.zeniths:
        a = angle_field(*z.angle)
        if a > PI:
            a = 2 * PI - a
        if z.vertical:
            a = PI / 2 - a
        z.zenith = a
        sd = num(z.sd_text)
        if sd == 0.0:
            sd = zsd
        else:
            zsd = sd
        z.sd = f32(f32(sd) * case.sd_factor)
        z.distance = num(z.distance_text)
        z.supplied = z.distance_text is not None
        z.azimuth = num(z.azimuth_text)
        z.k = f32(num(z.k_text))
        if z.k == 0.0:
            z.k = case.default_k
        z.i, z.t = f32(num(z.i_text)), f32(num(z.t_text))
        z.e1, z.e2 = f32(num(z.e1_text)), f32(num(z.e2_text))
        station, su = z.frm % 1000, z.frm // 1000
        z.reciprocal = 0
        if z.recip_mark:
            z.reciprocal = 1 if case.refraction_option == 3 else 0
            if station != prev_to:
                z.reciprocal = -1
            if not z.supplied:
                z.distance = prev_dist
            if z.dtype == ' ':
                z.dtype = prev_type
            if z.distance != 0.0:
                z.supplied = True
        prev_to = z.to
        if (station, su) == setup[:2]:
            if z.i == 0.0:
                z.i = setup[2]
            z.set_flag = 0
        else:
            z.set_flag = 2 if z.reciprocal == 1 else 1
            setup = (station, su, z.i)
        prev_dist, prev_type = z.distance, z.dtype
    for h in case.differences:
        if isinstance(h, CoordDiff):
            sd = num(h.sd_text)
            if sd != 0.0:
                csd = sd
            h.sd = f32(csd)
            h.i, h.t = f32(num(h.i_text)), f32(num(h.t_text))
            h.distance = 0.0
            continue
        h.dh = f32(float(h.dh_text))
        if h.i_text is not None:
            hih = f32(float(h.i_text))
        h.i = hih
        h.t = f32(num(h.t_text))
        h.distance = num(h.distance_text)
        sd = num(h.sd_text)
        if sd != 0.0:
            hsd = sd
        h.sd = f32(hsd)


# ---------------------------------------------------------------------------
# Ordering of the stations for the band width (from the written algorithm)

def order_stations(case):
    st = case.records
    n = len(st)
    numbers = [None] + [s.number for s in st]
    free = [None] + [s.status != 0 for s in st]
    obs = [(z.frm % 1000, z.to) for z in case.zeniths] + [(h.frm % 1000, h.to) for h in case.differences]
    nz = len(case.zeniths)
    links = []
    for j, (f, t) in enumerate(obs, 1):
        if f not in numbers[1:] or t not in numbers[1:]:
            return list(range(1, n + 1))
        fp, tp = numbers.index(f, 1), numbers.index(t, 1)
        if free[tp] and (j <= nz or free[fp]):
            links.append([fp, tp])
    if not links:
        return list(range(1, n + 1))
    perm = list(range(n + 1))

    def partners(p):
        return [l[1] if l[0] == p else l[0] for l in links if p in l]

    def reach(p, target):
        return max([abs(q - target) for q in partners(p)] or [0])

    def swap(s, t):
        perm[s], perm[t] = perm[t], perm[s]
        for l in links:
            for e in (0, 1):
                if l[e] == s:
                    l[e] = t
                elif l[e] == t:
                    l[e] = s

    for _ in range(101):
        D, A, B = 1, 0, 0
        for f, t in links:
            if abs(f - t) >= D:
                D, A, B = abs(f - t), f, t
        if A == 0:
            break
        pa, pb = partners(A) + [A], partners(B) + [B]
        maxa, mina, maxb, minb = max(pa), min(pa), max(pb), min(pb)
        if (maxa - mina) // 2 < D and (maxb - minb) // 2 < D:
            def start(mx, mn):
                c = max((mx + mn) // 2 - 2, 1)
                return n - 5 if c + 5 > n else c
            ca, cb = start(maxa, mina), start(maxb, minb)
            done = False
            for _k in range(5):
                big = 10 ** 9
                da = max(abs(ca - maxa), abs(ca - mina), reach(ca, A)) if 1 <= ca <= n else big
                db = max(abs(cb - maxb), abs(cb - minb), reach(cb, B)) if 1 <= cb <= n else big
                if da < D:
                    swap(A, ca) if da <= db else swap(B, cb)
                    done = True
                    break
                if db < D:
                    swap(B, cb)
                    done = True
                    break
                ca, cb = ca + 1, cb + 1
            if not done:
                break
            continue
        X, Y = (A, B) if (maxa - mina) // 2 >= D else (B, A)
        others = [q for q in partners(X) if q != Y]
        P = max(sum(others) // len(others), 2) - 1
        done = False
        for target in (P, P + 1, P + 2):
            if not 1 <= target <= n:
                continue
            if max(1, reach(target, Y), reach(Y, target)) <= D:
                swap(X, target)
                done = True
                break
        if not done:
            break
    return perm[1:]


# ---------------------------------------------------------------------------
# Provisional heights (height differences first, then every observation)

def provisional_heights(case, ordered):
    """Heights of the stations without one, carried along the observations
    (station positions found as the first record with the number)."""
    numbers = [s.number for s in ordered]

    def position(n):
        return numbers.index(n) if n in numbers else None

    known = [s.status in (0, 1, 5) for s in ordered]
    nz = len(case.zeniths)
    obs = list(case.zeniths) + list(case.differences)
    ends = [(position(o.frm % 1000), position(o.to)) for o in obs]
    case.computed_lines = []

    def step(k):
        o = obs[k]
        s1, s2 = ordered[ends[k][0]], ordered[ends[k][1]]
        if k >= nz:
            if o.coordinate_difference:
                return None
            return ('d', o.dh, o.i, o.t)
        d = o.distance
        if not o.supplied:
            if not (s1.coords and s2.coords):
                return None
            d = math.hypot(s2.e - s1.e, s2.n - s1.n)
        if case.zone is not None:
            raise NotImplementedError('provisional heights in a zone')
        if o.dtype == 'S':
            d = d * math.sin(o.zenith)
        dh = d / math.tan(o.zenith) + (f32(0.5 - o.k)) * d * d / DEFAULT_RADIUS
        return ('z', dh, o.i, o.t, d)

    def phase(first):
        left, previous = 1000, -1000
        while left != 0 and left != previous:
            previous, left = left, 0
            for i, s in enumerate(ordered):
                if known[i]:
                    continue
                done = False
                for k in range(first, len(obs)):
                    fp, tp = ends[k]
                    if fp is None or tp is None:
                        continue
                    if tp == i and known[fp]:
                        fwd, kp = True, fp
                    elif tp != i and fp == i and known[tp]:
                        fwd, kp = False, tp
                    else:
                        continue
                    r = step(k)
                    if r is None:
                        continue
                    hk = ordered[kp].height
                    if r[0] == 'd':
                        dh = r[1]
                        h = f32(f32(f32(hk + r[2]) + dh) - r[3]) if fwd else f32(f32(f32(hk + r[3]) - dh) - r[2])
                    else:
                        h = f32(f32(hk + r[2]) + r[1] - r[3]) if fwd else f32(f32(hk + r[3]) - r[1] - r[2])
                    s.height, s.status = h, 1
                    known[i] = True
                    case.computed_lines.append((s.number, ordered[kp].number, obs[k], r))
                    done = True
                    break
                if not done:
                    left += 1
        return left

    hd_first = nz if len(obs) > nz else 0
    if phase(hd_first) == 0 or nz == 0 or hd_first == 0:
        return
    phase(0)


def computed_line(c, entry):
    number, known_number, o, r = entry
    line = Line()
    if c.label_mode:
        line.put(1, c.label_of(number).ljust(12)).put(14, 'computed from').put(29, c.label_of(known_number).ljust(12))
        line.put(42, 'using')
        col, dcol = 49, 65
    else:
        line.put(1, integer(number, 4)).put(7, 'computed from').put(21, integer(known_number, 4)).put(27, 'using')
        col, dcol = 36, 52
    if r[0] == 'z':
        line.put(col, dms(o.zenith)).put(dcol, fixed(r[4], 10, 3))
    else:
        line.put(col, fixed(o.dh, 8, 3))
    return line


# ---------------------------------------------------------------------------
# Iteration set-up: stations taking part and the numbering of the unknowns

def number_unknowns(case, ordered):
    obs_numbers = {z.frm % 1000 for z in case.zeniths} | {z.to for z in case.zeniths}
    obs_numbers |= {h.frm % 1000 for h in case.differences} | {h.to for h in case.differences}
    kept = []
    for s in ordered:
        if s.status in (2, 5):
            continue
        if any(k.number == s.number for k in kept):
            s.status = 4
            continue
        if s.status == 0 or s.number in obs_numbers or s.sd > 0:
            kept.append(s)
        else:
            s.status = 3
    count = {s.number: (0 if s.status == 0 else 1) for s in kept}
    option = case.refraction_option
    counted_once = set()
    if option != 0 and case.zeniths:
        for z in case.zeniths:
            f = z.frm % 1000
            if z.reciprocal == 1 or (option == 2 and z.set_flag != 1) or f not in count:
                continue
            if option == 1:
                if f in counted_once:
                    continue
                counted_once.add(f)
            count[f] += 1
    size, nxt = 0, 1
    for s in kept:
        c = count[s.number]
        s.first = nxt if c else 0
        size += c
        s.register = s.first - 1 if s.status == 0 else s.first
        nxt = size + 1
    if option == 0 and case.zeniths:
        size += 1
    if case.rotation:
        size += 2
    case.kept = kept
    case.matrix_size = size


# ---------------------------------------------------------------------------
# Observation equations

class Equation:
    def __init__(self):
        self.distance = 0.0
        self.u = [0] * 5
        self.c = [0.0] * 5
        self.m = 0.0
        self.w = 0.0


def equations(case):
    """Listing entries ('z'/'h' line with its fields, or a message) and the
    equation records of one pass."""
    pos = {s.number: p for p, s in enumerate(case.kept, 1)}
    zone = zone_of(case.zone) if case.zone is not None else None
    if zone is not None:
        b = zone.a * (1 - 1 / zone.rf)
        polar = zone.a / math.sqrt(1 - zone.e2)
        ep2 = (zone.a ** 2 - b * b) / (b * b)
    phi0 = -case.mean_latitude / DEG
    cs = case.centring / 10000.0
    R = DEFAULT_RADIUS
    network_k = case.matrix_size - (2 if case.rotation else 0)
    analysis = case.analysis
    out = []          # ('line', kind, fields) and ('msg', code or text)
    eqs = {}
    errors = 0
    remembered_k = 0.0
    previous_u = 0
    seq = 0
    register = {s.number: s.register for s in case.kept}
    for i, z in enumerate(case.zeniths, 1):
        seq += 1
        f = z.frm % 1000
        k = z.k
        if case.refraction_option == 3:
            if z.reciprocal == 0:
                remembered_k = z.k
            if z.reciprocal == 1:
                k = remembered_k
        entry = {'kind': 'z', 'seq': seq, 'z': z, 'short': True, 'msgs_before': [], 'msgs_after': []}
        p1, p2 = pos.get(f), pos.get(z.to)
        if p1 is None or p2 is None:
            entry['on_line'] = 10 if p1 is None else 11
            if p1 is None and p2 is None:
                entry['msgs_after'].append(11)
            errors += (p1 is None) + (p2 is None)
            out.append(entry)
            continue
        s1, s2 = case.kept[p1 - 1], case.kept[p2 - 1]
        coords = s1.coords and s2.coords
        slope = z.dtype in ('S', 'H')
        marker = 'E' if z.dtype == 'E' else ' '
        d = z.distance
        alpha, phi, az = z.azimuth / DEG, phi0, z.azimuth
        geoid = case.geoid_option != 0
        seps = abs(s1.geoid) >= 0.001 or abs(s2.geoid) >= 0.001
        if (slope or geoid) and z.dtype != 'E' and z.distance >= 0.001 and (slope or seps):
            h1, h2 = s1.height, s2.height
            if geoid and seps:
                n1 = s2.geoid if abs(s1.geoid) < 0.001 else s1.geoid
                n2 = s1.geoid if abs(s2.geoid) < 0.001 else s2.geoid
                h1, h2 = (h1 + n1, h2 + n2) if slope else (n1, n2)
            h1 = h1 + z.e1 + z.i
            h2 = h2 + z.e2 + z.t
            if z.dtype == 'H':
                h2 = h1
            if zone is not None and coords:
                R = zone.radius_in_azimuth(s1.e, s1.n, s2.e, s2.n)
            c = spdcor(z.distance, R, 0.0, h1, h2)
            if geoid and not slope:
                c = (c[0], c[1], c[2], 0.0)
            d = z.distance + c[0] + c[1] + c[2] + c[3]
            entry['spdcor'] = c
            if geoid:
                marker = 'E'
        in_error = False
        if analysis < 4 and z.zenith == 0.0:
            entry['msgs_before'].append(1)
            errors += 1
            in_error = True
        if not z.supplied or not d >= 0.001:
            if not coords:
                entry['msgs_before'].append(8)
                errors += 1
                in_error = True
            else:
                scale = zone.line_scale(s1.e, s1.n, s2.e, s2.n) if zone is not None else 1.0
                d = math.hypot(s1.e - s2.e, s1.n - s2.n) / scale
                if zone is not None:
                    marker = 'E'
                if not d >= 0.001:
                    entry['msgs_before'].append(2)
                    errors += 1
                    in_error = True
        if zone is not None:
            if coords:
                phi1, _, g1, _ = zone.inverse(s1.e, s1.n)
                phi2 = zone.inverse(s2.e, s2.n)[0]
                alpha = math.atan2(s2.e - s1.e, s2.n - s1.n) - g1
                az = alpha * DEG
                if az < 0:
                    az += 360.0
                phi = (phi1 + phi2) / 2
            t = ep2 * math.cos(phi) ** 2
            R = polar / math.sqrt(1 + t) / (1 + t * math.cos(alpha) ** 2)
        eq = Equation()
        if not in_error:
            zr = 0.0
            if analysis < 4:
                dhi = (z.i + z.e1) - (z.t + z.e2)
                zr = reduce_to_marks(z.zenith, dhi, d)
            x, theta, ch, C = computed_zenith(d, s1.height, s2.height, R, k)
            m = f32((zr - C) * RHO) if analysis < 4 else 0.0
            sigma = z.sd
            if case.centring:
                sigma = math.sqrt(sigma * sigma + (math.atan2(cs, x) * RHO) ** 2)
            eq.m, eq.w = m, f32(1 / (sigma * sigma))
            if s1.status != 0:
                eq.u[0], eq.c[0] = s1.first, f32(ch)
            eq.c[1] = f32(-0.001 * d * RHO / R)
            if s2.status != 0:
                eq.u[2], eq.c[2] = s2.first, f32(-ch)
            eq.distance = d
            entry.update(short=False, zr=zr, d=d, marker=marker, az=az, C=C, m=m, sigma=sigma, R=R, x=x)
        # the refraction unknown
        if z.reciprocal == 1:
            case.reciprocal_equations += 1
        if case.refraction_option == 0:
            u = network_k
        elif z.reciprocal == 1:
            u = previous_u
        else:
            r = register[f]
            if case.refraction_option == 1:
                if r >= 0:
                    r = -(r + 1)
            elif case.refraction_option == 2:
                if z.set_flag == 1:
                    r += 1
            else:
                r += 1
            register[f] = r
            u = previous_u = abs(r)
        eq.u[1] = u
        if not in_error:
            if not abs(eq.m) < case.zenith_limit:
                entry['msgs_after'].append(3)
                errors += 1
            else:
                if z.reciprocal == -1:
                    entry['msgs_after'].append(9)
                eqs[i] = eq
        out.append(entry)
    nz = len(case.zeniths)
    for j, h in enumerate(case.differences, 1):
        seq += 1
        f = h.frm % 1000
        entry = {'kind': 'h', 'seq': seq, 'h': h, 'msgs_after': [], 'found': False}
        p1, p2 = pos.get(f), pos.get(h.to)
        cd = h.coordinate_difference
        entry['dh'] = None if cd else h.dh
        entry['dhr'] = None if cd else h.dh + h.i - h.t
        if p1 is not None and p2 is not None:
            s1, s2 = case.kept[p1 - 1], case.kept[p2 - 1]
            coords = s1.coords and s2.coords
            de, dn = (s2.easting - s1.easting), (s2.northing - s1.northing)
            out_of_range = False
            distance = h.distance
            if cd:
                if not coords:
                    out.append({'kind': 'msg', 'code': 12, 'obs': nz + j})
                    errors += 1
                    continue
                dh, zz, slope = coordinate_difference(zone, s1, s2, float(h.dx), float(h.dy), float(h.dz),
                                                      case.default_k)
                entry['dh'] = entry['dhr'] = dh
                distance = math.hypot(de, dn)
                if case.zenith_switch:
                    case.zen_lines.append(zen_record(case, h, zz, slope))
            elif h.dh >= 10000.0:
                out_of_range = True
            eq = Equation()
            if s1.status != 0:
                eq.u[0], eq.c[0] = s1.first, -1.0
            if s2.status != 0:
                eq.u[1], eq.c[1] = s2.first, 1.0
            dhr = entry['dhr']
            if (case.rotation == 2 or (case.rotation == 1 and cd)) and coords:
                eq.u[2], eq.c[2] = case.matrix_size - 1, f32(de / 100)
                eq.u[3], eq.c[3] = case.matrix_size, f32(-dn / 100)
                dhr = dhr - de * math.tan(0.0) + dn * math.tan(0.0)
            hc = s2.height - s1.height
            m = f32(dhr - hc) if analysis < 4 else 0.0
            var = h.sd * h.sd
            if case.ppm_tenths:
                D = math.hypot(de, dn) if coords else h.distance
                var += (case.ppm_tenths / 10.0 * D / 1000000.0) ** 2
            w = f32(1 / var)
            eq.m, eq.w = m, w
            eq.distance = distance
            entry.update(found=True, dhr=dhr, hc=hc, m=m, w=w)
            if not out_of_range:
                eqs[nz + j] = eq
            if out_of_range:
                entry['msgs_after'].append('range')
                errors += 1
            elif not abs(m) < case.height_limit:
                entry['msgs_after'].append(3)
                errors += 1
        else:
            if p1 is None:
                entry['msgs_after'].append(10)
            if p2 is None:
                entry['msgs_after'].append(11)
            errors += (p1 is None) + (p2 is None)
        out.append(entry)
    # constraints
    nobs = nz + len(case.differences)
    nxt = nobs
    heights = 0
    if case.height_observations:
        for p, s in enumerate(case.kept, 1):
            if s.first == 0 or s.status == 0 or s.sd == 0.0:
                continue
            heights += 1
            nxt += 1
            e = Equation()
            e.u[0], e.c[0], e.w = s.first, 1.0, f32(1 / (s.sd * s.sd))
            eqs[nxt] = e
    refraction = 0
    if nz:
        last = case.matrix_size - (2 if case.rotation else 0)
        firsts = {s.first: s for s in case.kept if s.first}
        for u in range(1, last + 1):
            s = firsts.get(u)
            if s is not None and s.status != 0:
                continue
            refraction += 1
            nxt += 1
            e = Equation()
            e.u[0], e.c[0], e.w = u, 1.0, f32(1 / (case.refraction_sd_x1000 ** 2))
            eqs[nxt] = e
    case.height_equations = heights
    case.refraction_constraints = refraction
    case.equation_count = nxt
    case.errors = errors
    case.eqs = eqs
    # band width over the observation equations
    band = 0
    for k in range(1, nobs + 1):
        e = eqs.get(k)
        if e is None:
            continue
        mx = max(e.u)
        band = max([band] + [1 if u == 0 else abs(u - mx) + 1 for u in e.u])
    if band >= case.matrix_size:
        band = case.matrix_size - 1
    case.band_width = band
    return out


# ---------------------------------------------------------------------------
# The report: pages, section headings and the lines of each section

ERROR_TEXT = {
    1: '*** ERROR IN OBSERVED ZENITH DISTANCE ***',
    2: '*** STATIONS HAVE THE SAME CO-ORDINATES ***',
    3: '*** (C-O) VALUE TOO LARGE ***',
    8: '*** DISTANCE BETWEEN STATIONS NOT SUPPLIED ***',
    9: '*** RECIPROCAL OBSERVATION NOT INCLUDED - "S" IGNORED  ***',
    10: '*** OCCUPIED STATION NOT FOUND ***',
    11: '*** OBSERVED STATION NOT FOUND ***',
    12: '*** COORDINATES NOT ENTERED FOR COORDINATE DIFFERENCE DATA ***',
    'range': '*** OBSERVATION OUT OF RANGE ***',
}


class Report:
    def __init__(self, case):
        self.case = case
        self.out = []
        self.lnleft = 0
        self.pagno = 0
        self.heading = None

    def emit(self, text):
        self.out.append(text)

    def opr10(self, n):
        if n < 0:
            self.emit('\f')
            self.lnleft = 60
        elif n > 0:
            for _ in range(n - 1):
                self.emit(' ')
            self.lnleft -= n

    def opr00(self, n, line):
        if n > 0:
            if self.lnleft - n <= 0:
                self.new_page()
            self.opr10(n)
        self.emit(line.text())

    def new_page(self):
        self.lnleft = 60
        self.pagno += 1
        self.opr10(-1)
        self.emit(Line().put(1, 'TARNWELD').put(43, '       TRIGONOMETRICAL HEIGHT ADJUSTMENT')
                  .put(125, 'PAGE').put(130, integer(self.pagno, 3)).text())
        self.opr10(1)
        line2 = Line().put(1, 'PROGRAM:').put(10, 'QUARLO G77-2.6').put(122, ' 8-Dec-2026')
        if self.case.options_date_on_page(self.pagno):
            line2.put(26, '24-04-2014')
        self.emit(line2.text())
        self.opr10(1)
        self.emit(Line().put(33, self.case.jobtxt1).text())
        self.opr10(1)
        self.emit(Line().put(33, self.case.jobtxt2()).text())
        self.opr10(1)
        self.emit(Line().text())
        if self.heading:
            self.heading(self)

    def section(self, heading):
        self.heading = heading
        self.lnleft = 0

    def space(self, n, line):
        self.opr10(n)
        self.emit(line.text())


def grid_line(case):
    line = Line()
    if case.zone is None:
        line.put(57, 'LOCAL GRID - METRES')
    elif case.zone > 800:
        line.put(43, 'GEOCENTRIC DATUM OF AUSTRALIA  ZONE    - METRES').put(79, integer(case.zone - 800, 2))
    elif case.zone > 48:
        line.put(49, 'AUSTRALIAN MAP GRID ZONE    - METRES').put(74, integer(case.zone, 2))
    return line


def tlhed1(r):
    c = r.case
    r.space(1, grid_line(c))
    r.space(1, Line().put(59, 'LIST OF STATIONS'))
    line = Line()
    if c.label_mode:
        line.put(1, 'NUMBER').put(13, 'LABEL')
    else:
        line.put(17, 'NUMBER')
    line.put(38, 'NAME').put(67, 'EASTING').put(84, 'NORTHING').put(99, 'HEIGHT')
    if c.geoid_option:
        if (c.zone or 0) < 800:
            line.put(125, 'N (ANS)')
        elif c.zone > 800:
            line.put(124, 'N (GRS80)')
    if c.height_observations:
        line.put(114, 'SDH')
    r.space(2, line)


def tlhed2(r):
    lab = r.case.label_mode
    r.space(1, Line().put(53, 'ZENITH DISTANCE OBSERVATIONS'))
    line = Line().put(1, 'OBS.')
    if not lab:
        line.put(18, 'OBSERVED').put(33, 'HEIGHT  OF').put(47, 'ECCENTRIC HT.DIFF.')
    else:
        line.put(38, 'OBSERVED').put(53, 'HEIGHT  OF')
    line.put(69, 'REDUCED').put(81, 'OBSERVED').put(92, 'REDUCED').put(110, 'COMPUTED').put(122, '(C-O)')
    line.put(130, 'STD')
    r.space(2, line)
    line = Line().put(2, 'NO.')
    if not lab:
        line.put(6, 'FROM').put(12, 'TO').put(17, 'ZENITH DST').put(32, 'INSTR').put(38, 'TARGET')
        line.put(47, 'OCCUPIED').put(57, 'OBSERVED')
    else:
        line.put(11, 'FROM').put(25, 'TO').put(37, 'ZENITH DST').put(52, 'INSTR').put(58, 'TARGET')
    line.put(68, 'ZENITH DST').put(81, 'DISTANCE').put(92, 'DISTANCE').put(102, 'AZMTH').put(109, 'ZENITH DST')
    line.put(121, 'SECONDS').put(130, 'DEV')
    r.space(1, line)


def tlhed6(r):
    c = r.case
    ecc = c.eccentric_present
    r.space(1, Line().put(52, 'HEIGHT DIFFERENCE OBSERVATIONS'))
    if not c.label_mode:
        line = Line().put(1, 'OBS.').put(19, 'OBSERVED').put(31, 'HEIGHT  OF').put(47, 'REDUCED')
        if ecc:
            line.put(56, 'ECCENTRIC HT DIFF').put(77, 'CORRECTED')
        line.put(90, 'COMPUTED').put(101, '(C-O)').put(109, 'STD')
        if ecc:
            line.put(124, 'ECCENTRIC')
        r.space(2, line)
        line = Line().put(2, 'NO.').put(6, 'FROM  TO     HT DIFF').put(30, 'INSTR TARGET').put(47, 'HT DIFF')
        if ecc:
            line.put(56, 'OCCUPIED OBSERVED').put(78, 'HT DIFF')
        line.put(90, 'HT DIFF').put(109, 'DEV     WEIGHT')
        if ecc:
            line.put(125, 'FROM  TO')
        r.space(1, line)
    else:
        line = Line().put(1, 'OBS.').put(36, 'OBSERVED').put(48, 'HEIGHT  OF').put(63, 'REDUCED')
        if ecc:
            line.put(72, 'ECCENTRIC HT DIFF').put(93, 'CORRECTED')
        line.put(102, 'COMPUTED').put(112, '(C-O)').put(120, 'STD')
        r.space(2, line)
        line = Line().put(2, 'NO.').put(10, 'FROM').put(25, 'TO').put(37, 'HT DIFF').put(47, 'INSTR TARGET')
        line.put(63, 'HT DIFF')
        if ecc:
            line.put(72, 'OCCUPIED OBSERVED').put(94, 'HT DIFF')
        line.put(103, 'HT DIFF').put(120, 'DEV    WEIGHT')
        r.space(1, line)


def prhead(r):
    r.space(2, Line().put(51, 'PROVISIONAL HEIGHT COMPUTATION'))
    r.opr10(3)


def nought(r):
    pass


def station_lines(r):
    c = r.case
    for s in c.records_in_order:
        line = Line()
        if c.label_mode:
            line.put(1, integer(s.number, 3)).put(9, s.label.ljust(12))
        else:
            line.put(17, integer(s.number, 3))
        line.put(30, s.name.ljust(20))
        if s.registration:
            line.put(54, integer(s.registration, 5))
        if s.easting != 0.0:
            line.put(65, fixed(s.easting, 11, 3)).put(82, fixed(s.northing, 11, 3))
        if c.geoid_option and s.coords and s.status in (0, 1):
            line.put(125, fixed(s.geoid, 7, 3))
            if not s.geoid_found:
                line.put(124, 'NOT FOUND')
        if s.status != 2:
            line.put(98, fixed(s.height, 8, 3))
        if s.sd > 0:
            line.put(112, fixed(s.sd, 6, 3))
        if s.status == 0:
            line.put(111, 'FIXED')
        if s.status >= 2:
            line.put(111, '*** OMITTED ***')
        if s.status == 2:
            line.put(66, 'UNABLE TO COMPUTE HEIGHT')
        if s.status == 3:
            line.put(53, 'STATION NOT FOUND IN AN OBSERVATION')
        if s.status == 4:
            line.put(53, 'STATION NUMBER HAS ALREADY BEEN USED')
        if s.status == 5:
            line.put(53, 'REPEATED LABEL WITH DIFFERENT STATION DATA')
        r.opr00(2, line)


def stations_on(line, c, frm, to, cols_number, cols_label):
    if c.label_mode:
        line.put(cols_label[0], c.label_of(frm % 1000).ljust(12)).put(cols_label[1], c.label_of(to).ljust(12))
    else:
        line.put(cols_number[0], integer(frm, 4)).put(cols_number[1], integer(to, 3))


def message(r, text):
    r.opr00(3, Line().put(40, text))


def zenith_lines(r, e):
    c = r.case
    z = e['z']
    lab = c.label_mode
    for code in e['msgs_before']:
        message(r, ERROR_TEXT[code])
    line = Line().put(1, integer(e['seq'], 4))
    stations_on(line, c, z.frm, z.to, (6, 11), (8, 22))
    if z.reciprocal in (1, -1):
        line.put(48 if lab else 28, 'S')
    if 'on_line' in e:
        line.put(40, ERROR_TEXT[e['on_line']])
        r.opr00(3, line)
    elif e['short']:
        r.opr00(2, line)
    else:
        sh = 20 if lab else 0
        if c.analysis < 4:
            line.put(16 + sh, dms(z.zenith)).put(30 + sh, fixed(z.i, 7, 3)).put(37 + sh, fixed(z.t, 7, 3))
            if not lab:
                line.put(47, integer(z.c1, 1)).put(48, fixed(z.e1, 7, 3))
                line.put(56, integer(z.c2, 1)).put(57, fixed(z.e2, 7, 3))
            line.put(67, dms(e['zr']))
            if z.supplied:
                line.put(79, fixed(z.distance, 10, 3)).put(89, z.dtype)
        line.put(90, fixed(e['d'], 10, 3)).put(100, e['marker']).put(102, fixed(e['az'], 5, 1))
        line.put(108, dms(e['C']))
        if c.analysis < 4:
            line.put(120, fixed(-e['m'], 7, 1))
        line.put(129, fixed(e['sigma'], 4, 1))
        r.opr00(2, line)
    for code in e['msgs_after']:
        message(r, ERROR_TEXT[code])


def height_lines(r, e):
    c = r.case
    h = e['h']
    lab = c.label_mode
    line = Line().put(1, integer(e['seq'], 4))
    stations_on(line, c, h.frm, h.to, (6, 11), (7, 21))
    line.put(119 if lab else 108, fixed(h.sd, 6, 4))
    if c.analysis < 4:
        if e['dh'] is not None:
            line.put(35 if lab else 17, fixed(e['dh'], 9, 3))
        if h.coordinate_difference:
            line.put(44 if lab else 26, 'C')
        line.put(45 if lab else 28, fixed(h.i, 7, 3)).put(53 if lab else 35, fixed(h.t, 7, 3))
        if e['dhr'] is not None:
            line.put(61 if lab else 45, fixed(e['dhr'], 9, 3))
    if e['found']:
        if h.c1 or h.c2:
            line.put(72 if lab else 57, fixed(0.0, 7, 3)).put(81 if lab else 66, fixed(0.0, 7, 3))
            line.put(90 if lab else 76, fixed(e['dhr'], 9, 3))
        line.put(101 if lab else 88, fixed(e['hc'], 9, 3))
        if c.analysis < 4:
            line.put(110 if lab else 97, fixed(-e['m'], 7 if lab else 9, 3))
        line.put(126 if lab else 115, fixed(e['w'], 7 if lab else 9, 1))
        if not lab:
            line.put(127, integer(h.c1, 1)).put(132, integer(h.c2, 1))
    r.opr00(2, line)
    for code in e['msgs_after']:
        message(r, ERROR_TEXT[code])


def statistics(r):
    c = r.case
    r.section(nought)

    def count(label, col, value, spacing):
        r.opr00(spacing, Line().put(col, label).put(40, integer(value, 5)))

    count('Number of stations :', 18, len(c.kept), 3)
    count('Number of fixed stations :', 12, c.fixed_count, 1)
    count('Number of zenith distances :', 10, len(c.zeniths), 1)
    count('Number of refraction observations :', 3, c.refraction_constraints, 1)
    if c.differences:
        count('Number of height differences :', 8, len(c.differences), 1)
    if c.height_equations:
        count('Number of height observations :', 7, c.height_equations, 1)
    count('Number of observation equations :', 5, c.equation_count, 2)
    count('Matrix size :', 25, c.matrix_size, 1)
    count('Band width :', 26, c.band_width, 1)
    n, b = f32(c.matrix_size), f32(c.band_width)
    terms = f32(f32(f32(2 * n - b) * f32(b + 1)) / 2)
    r.opr00(1, Line().put(1, 'Number of terms in normal equations :').put(38, rounded(terms, 7)))
    for _ in range(10):
        r.opr10(3)
    r.opr00(1, Line().put(1, '*' * 132))
    r.opr00(1, Line().put(57, '*STAGE ONE COMPLETE'))
    r.opr00(1, Line().put(1, '*' * 132))


def zen_record(c, h, z, slope):
    """The 80-column zenith-distance record written for a coordinate difference."""
    t = dms(z)
    closed = t[0:3] + t[4:6] + t[7:11]
    line = Line()
    if c.label_mode:
        line.put(1, 'zen').put(5, c.label_of(h.frm % 1000).ljust(12)).put(19, c.label_of(h.to).ljust(12))
        line.put(32, closed).put(48, fixed(slope, 10, 3)).put(58, 'S')
    else:
        line.put(1, '23').put(4, integer(h.frm % 1000, 3)).put(9, integer(h.to, 3))
        line.put(13, closed).put(29, fixed(slope, 10, 3)).put(39, 'S')
    return line.text()[:80]


# ---------------------------------------------------------------------------
# A whole run

def card(*fields):
    line = Line()
    for col, text in fields:
        line.put(col, text)
    return line.text().rstrip()


def angle_text(angle):
    d, m, sec = angle
    return '%03d%02d%04.1f' % (d, m, sec)


class Case:
    title = ''
    label_mode = False
    zone = None
    refraction_option = 0
    analysis = 0
    geoid_option = 0
    rotation = 0
    centring = 0           # hundredths of a centimetre
    ppm_tenths = 0
    mean_latitude = 0
    sd_factor = 1.0
    default_k = f32(0.065)
    refraction_sd_x1000 = f32(f32(0.01) * 1000)
    zenith_limit = 600.0
    height_limit = 10.0
    control = []           # (column, text) of the control record after "01"
    option_lines = []      # (spacing, [(col, text), ...]) after "*** OPTIONS SELECTED ***"
    reciprocal_equations = 0
    zenith_switch = 0
    written = ()  # files the run writes besides the report, in the order it completes them

    def __init__(self):
        self.stations, self.zeniths, self.differences = self.network()
        self.labels = {}

    def options_date_on_page(self, page):
        return page == 1

    @property
    def jobtxt1(self):
        return ''

    def jobtxt2(self):
        text = (' ' + self.title)
        return ' ' * ((68 - len(text)) // 2) + text

    def label_of(self, number):
        return self.labels.get(number, '')

    def run(self):
        self.zen_lines = []
        read_observations(self)
        records = list(self.stations)
        named = [s.number for s in records]
        for o in list(self.zeniths) + list(self.differences):
            for n in (o.frm % 1000, o.to):
                if n not in named:
                    named.append(n)
                    records.append(Station(n, '' if self.label_mode else 'STATION %3d' % n,
                                           label=self.label_of(n)))
        self.records = records
        self.fixed_count = sum(1 for s in records if s.status == 0)
        self.height_observations = sum(1 for s in self.stations if s.status != 0 and s.sd != 0.0)
        self.eccentric_present = any(o.c1 or o.c2 for o in list(self.zeniths) + list(self.differences))
        order = order_stations(self)
        ordered = [records[p - 1] for p in order]
        self.records_in_order = ordered
        self.computed_lines = []
        if any(s.status == 2 for s in ordered):
            provisional_heights(self, ordered)
        number_unknowns(self, ordered)
        entries = equations(self)
        self.entries = entries

        r = Report(self)
        r.opr00(2, Line().put(54, '*** OPTIONS SELECTED ***'))
        for spacing, fields in self.option_lines:
            line = Line()
            for col, text in fields:
                line.put(col, text)
            r.opr00(spacing, line)
        r.lnleft = 0
        if self.computed_lines:
            r.heading = prhead
            for entry in self.computed_lines:
                r.opr00(1, computed_line(self, entry))
        r.section(tlhed1)
        station_lines(r)
        r.section(tlhed2)
        for e in entries:
            if e['kind'] == 'z':
                zenith_lines(r, e)
        r.section(tlhed6)
        for e in entries:
            if e['kind'] == 'h':
                height_lines(r, e)
            elif e['kind'] == 'msg':
                message(r, ERROR_TEXT[e['code']])
        if self.errors:
            line = Line().put(40, '*** JOB STOPPED BECAUSE OF     ERROR  ***').put(67, integer(self.errors, 3))
            if self.errors >= 2:
                line.put(76, 'S')
            r.opr00(3, line)
        else:
            statistics(r)
        r.emit(Line().text())
        r.emit('\f')
        return r.out

    def show_equations(self):
        for k in sorted(self.eqs):
            e = self.eqs[k]
            print('equation %4d' % (1000 + k), e.u, ['%.9g' % c for c in e.c], '%.9g' % e.m, '%.9g' % e.w)


def registrar(cases):
    """A decorator that enters a case class into `cases` under a name."""
    def case(name):
        def register(cls):
            cases[name] = cls
            return cls
        return register
    return case


CASES = {}
case = registrar(CASES)


def record_code_input(c):
    """The input file of a number-mode case."""
    lines = ['92 ' + c.title, card((1, '01'), *c.control)]
    for s in c.stations:
        f = [(1, '10'), (4, integer(s.number, 3)), (31, s.name)]
        if s.status == 5:
            f.append((7, '#'))
        if s.e is not None:
            f += [(8, fixed(s.e, 11, 3)), (19, fixed(s.n, 11, 3))]
        if s.registration:
            f.append((52, integer(s.registration, 5)))
        if s.height_text:
            f.append((59, s.height_text.rjust(8)))
        if s.fixed:
            f.append((67, '*'))
        if s.sd_text:
            f.append((69, s.sd_text.rjust(5)))
        lines.append(card(*f))

    def opt(f, col, text, width):
        if text is not None:
            f.append((col, text.rjust(width)))

    for z in c.zeniths:
        f = [(1, '23'), (4, integer(z.frm, 4)), (9, integer(z.to, 3)), (13, angle_text(z.angle)), (39, z.dtype_text)]
        if z.recip_mark:
            f.append((3, 'S'))
        if z.vertical:
            f.append((12, 'V'))
        for col, text, width in ((23, z.sd_text, 6), (29, z.distance_text, 10), (40, z.azimuth_text, 3),
                                 (44, z.k_text, 5), (50, z.i_text, 5), (56, z.t_text, 6), (63, z.e1_text, 6),
                                 (70, z.e2_text, 6)):
            opt(f, col, text, width)
        if z.c1:
            f.append((78, str(z.c1)))
        if z.c2:
            f.append((80, str(z.c2)))
        lines.append(card(*f))
    for h in c.differences:
        if isinstance(h, CoordDiff):
            f = [(1, '26'), (4, integer(h.frm, 4)), (9, integer(h.to, 3)), (12, h.dx.rjust(11)),
                 (23, h.dy.rjust(11)), (34, h.dz.rjust(11))]
            for col, text, width in ((61, h.sd_text, 4), (66, h.i_text, 5), (72, h.t_text, 5)):
                opt(f, col, text, width)
        else:
            f = [(1, '24'), (4, integer(h.frm, 4)), (9, integer(h.to, 3)), (13, h.dh_text.rjust(9))]
            for col, text, width in ((23, h.sd_text, 6), (30, h.distance_text, 8), (50, h.i_text, 5),
                                     (56, h.t_text, 6)):
                opt(f, col, text, width)
            if h.c1:
                f.append((78, str(h.c1)))
            if h.c2:
                f.append((80, str(h.c2)))
        lines.append(card(*f))
    lines.append('99')
    return lines


def keyword_input(c):
    """The input file of a label-mode case: grid station lines, then the
    observation lines (spread angles when a zenith line has no distance)."""
    lines = ['92 ' + c.title, card((1, '01'), *c.control)]

    def opt(f, col, text, width):
        if text is not None:
            f.append((col, text.rjust(width)))

    for s in c.stations:
        f = [(1, 'GRD'), (5, s.label), (18, s.name)]
        if s.fixed:
            f.append((4, '*'))
        if s.e is not None:
            f += [(38, fixed(s.e, 11, 3)), (49, fixed(s.n, 11, 3))]
        opt(f, 61, s.height_text, 8)
        opt(f, 70, s.sd_text, 5)
        lines.append(card(*f))
    for z in c.zeniths:
        f = [(1, 'VER' if z.vertical else 'ZEN'), (5, c.label_of(z.frm)), (19, c.label_of(z.to))]
        if z.recip_mark:
            f.append((4, 'S'))
        if z.distance_text is None and z.dtype_text == ' ' and z.azimuth_text is None:
            d, m, sec = z.angle
            f += [(33, '%3d' % d), (37, '%02d' % m), (40, '%04.1f' % sec)]
            for col, text, width in ((45, z.sd_text, 6), (59, z.k_text, 5), (66, z.i_text, 5), (74, z.t_text, 5)):
                opt(f, col, text, width)
        else:
            f += [(32, angle_text(z.angle)), (58, z.dtype_text)]
            for col, text, width in ((42, z.sd_text, 6), (49, z.distance_text, 9), (59, z.azimuth_text, 3),
                                     (63, z.k_text, 5), (69, z.i_text, 5), (75, z.t_text, 5)):
                opt(f, col, text, width)
        for col, text, width in ((81, z.e1_text, 6), (88, z.e2_text, 6)):
            opt(f, col, text, width)
        if z.c1:
            f.append((95, str(z.c1)))
        if z.c2:
            f.append((97, str(z.c2)))
        lines.append(card(*f))
    for h in c.differences:
        if isinstance(h, CoordDiff):
            f = [(1, 'CCD'), (5, c.label_of(h.frm)), (19, c.label_of(h.to)), (32, h.dx.rjust(11)),
                 (43, h.dy.rjust(11)), (54, h.dz.rjust(11))]
            for col, text, width in ((81, h.sd_text, 4), (88, h.i_text, 5), (94, h.t_text, 5)):
                opt(f, col, text, width)
        else:
            f = [(1, 'DIF'), (5, c.label_of(h.frm)), (19, c.label_of(h.to)), (33, h.dh_text.rjust(9))]
            for col, text, width in ((43, h.sd_text, 6), (54, h.distance_text, 9), (69, h.i_text, 5),
                                     (75, h.t_text, 6)):
                opt(f, col, text, width)
            if h.c1:
                f.append((50, str(h.c1)))
            if h.c2:
                f.append((52, str(h.c2)))
        lines.append(card(*f))
    lines.append('99')
    return lines


# ---------------------------------------------------------------------------
# The console: the messages and warnings about the input on standard error,
# each at its line of net.dat and followed by the line, and the closing
# lines on standard output

OMISSION = {2: 'UNABLE TO COMPUTE HEIGHT', 3: 'STATION NOT FOUND IN AN OBSERVATION',
            4: 'STATION NUMBER HAS ALREADY BEEN USED', 5: 'REPEATED LABEL WITH DIFFERENT STATION DATA'}


def plural(n, noun):
    return '%d %s%s' % (n, noun, '' if n == 1 else 's')


class Console:
    """Standard error and standard output of a run of a case (one pass of
    the equations: messages said once)."""

    def __init__(self, c, name='net.dat', lines=None):
        """`lines`: the input as it stands in the case's folder (it may hold
        comments the case's own writing of it does not)."""
        self.c, self.name = c, name
        self.input = lines if lines is not None else keyword_input(c) if c.label_mode else record_code_input(c)
        self.err = []
        self.dropped = 0
        # The lines of the station and observation records, in their order.
        kinds = ('GRD', 'STN', 'GEO', 'GCR') if c.label_mode else ('10', '11', '18')
        obs = ('ZEN', 'VER', 'DIF', 'CCD') if c.label_mode else ('23', '24', '26')
        width = 3 if c.label_mode else 2
        self.station_lines = [n for n, l in enumerate(self.input, 1) if l[:width].upper() in kinds]
        obs_lines = [n for n, l in enumerate(self.input, 1) if l[:width].upper() in obs]
        self.observations = list(c.zeniths) + list(c.differences)
        self.obs_line = dict(enumerate(obs_lines, 1))

    def quote(self, line):
        self.err.append('    ' + self.input[line - 1])

    def message(self, line, text):
        self.err.append('%s:%d: %s' % (self.name, line, text))
        self.quote(line)

    def warning(self, line, col, text):
        self.err.append('%s:%d:%d: warning: %s' % (self.name, line, col, text))
        self.quote(line)
        self.err.append('    ' + ' ' * (col - 1) + '^')

    def station_id(self, number):
        return "'%s'" % self.c.label_of(number) if self.c.label_mode else str(number)

    def naming(self, number):
        """The first observation naming a station: its number, and whether
        the station is the observed one."""
        for k, o in enumerate(self.observations, 1):
            if o.frm <= 999 and o.frm == number:
                return k, False
            if o.to == number:
                return k, True
        return None, None

    def station_line(self, s):
        for i, t in enumerate(self.c.stations):
            if t is s:
                return self.station_lines[i]
        return self.obs_line[self.naming(s.number)[0]]

    def reading(self):
        """Station assembly: stations that observations name and neither the
        input nor a station file defines."""
        c = self.c
        for s in c.records[len(c.stations):]:
            if getattr(s, 'from_file', False):
                continue
            k, observed = self.naming(s.number)
            col = (19 if observed else 5) if c.label_mode else (11 if observed else 7)
            self.warning(self.obs_line[k], col, 'station %s is used here but defined neither in the input nor in '
                         'the station file' % self.station_id(s.number))

    def setup(self):
        """The stations the first pass leaves out, in the order of the
        unknowns."""
        for s in self.c.records_in_order:
            if s.status not in OMISSION:
                continue
            line = self.station_line(s)
            text = 'station %s OMITTED: %s' % (self.station_id(s.number), OMISSION[s.status])
            others = [self.station_line(t) for t in self.c.records_in_order if t is not s and t.number == s.number]
            others = [l for l in others if l != line]
            if others:
                text += ' (also defined at line %d)' % min(others)
            self.message(line, text)
            self.dropped += 1

    def distance(self, k, z):
        """An observed slope or horizontal distance more than 5 % from the
        grid distance."""
        num = {s.number: s for s in self.c.kept}
        s1, s2 = num.get(z.frm % 1000), num.get(z.to)
        if s1 is None or s2 is None or not (s1.coords and s2.coords):
            return
        if not z.supplied or z.dtype not in ('S', 'H'):
            return
        grid = math.hypot(s2.easting - s1.easting, s2.northing - s1.northing)
        horizontal = z.distance * math.sin(z.zenith) if z.dtype == 'S' else z.distance
        if grid >= 0.001 and abs(horizontal - grid) > 0.05 * grid:
            self.warning(self.obs_line[k], 57 if self.c.label_mode else 38,
                         'observed %s distance %s m differs by %s %% from the grid distance %s m between the '
                         'stations: a shifted field or a wrong station number?' % (
                             'slope' if z.dtype == 'S' else 'horizontal', fixed(z.distance, 20, 3).strip(),
                             fixed(100 * abs(horizontal - grid) / grid, 20, 1).strip(), fixed(grid, 20, 3).strip()))

    def equations(self):
        """The messages of the observation equations, as they are listed."""
        nz = len(self.c.zeniths)
        for e in self.c.entries:
            if e['kind'] == 'msg':
                self.message(self.obs_line[e['obs']], ERROR_TEXT[e['code']].strip('* '))
                continue
            k = e['seq']
            codes = []
            if e['kind'] == 'z':
                self.distance(k, e['z'])
                codes = e['msgs_before'] + ([e['on_line']] if 'on_line' in e else []) + e['msgs_after']
            else:
                codes = e['msgs_after']
            for code in codes:
                self.message(self.obs_line[k], ERROR_TEXT[code].strip('* '))

    def files(self, adjustment=None, verdict=None, residual=None, written=()):
        """expected-status, expected-console and (when there is something on
        it) expected-stderr. `adjustment`: the closing words of the first
        summary line after an adjustment; `verdict`: the line of the global
        test; `residual`: the largest normalised or standardised residual
        and where it is."""
        c = self.c
        self.reading()
        self.setup()
        self.equations()
        out = []
        if c.errors:
            out = ['', ' Errors in observation processing', '']
            status = 1
        else:
            kinds = [plural(len(c.kept), 'station') + ' (%d fixed)' % sum(1 for s in c.kept if s.status == 0)]
            levelled = [h for h in c.differences if not isinstance(h, CoordDiff)]
            for n, noun in ((len(c.zeniths), 'zenith distance'), (len(levelled), 'height difference'),
                            (len(c.differences) - len(levelled), 'coordinate difference'),
                            (c.height_equations, 'height observation')):
                if n:
                    kinds.append(plural(n, noun))
            if not self.observations:
                kinds.append('no observations')
            out.append(' %s: %s; %s' % (self.name, ', '.join(kinds),
                                        adjustment if adjustment else 'input checked (stage 1)'))
            names = ', '.join([self.name.split('.')[0] + '.prt'] + list(written))
            if verdict:
                out.append(verdict)
            if residual:
                out.append(' %s; written: %s' % (residual, names))
            else:
                out.append(' Written: ' + names)
            status = 5 if self.dropped else 0
        if self.dropped:
            out.append(' Input records skipped or omitted: %d' % self.dropped)
        f = {'expected-status': [str(status)], 'expected-console': out}
        if self.err:
            f['expected-stderr'] = self.err
        return f


# ---------------------------------------------------------------------------
# The cases of tests/cases

LOCAL_OPTIONS = [
    (3, [(54, 'Zone number is'), (74, 'Local system')]),
    (1, [(48, 'Refraction option is'), (70, '0')]),
    (1, [(38, 'Zenith distance (C-O) limit is'), (70, '600'), (75, 'seconds')]),
    (1, [(36, 'Height difference (C-O) limit is'), (70, '10'), (75, 'metres')]),
    (1, [(37, 'Default value for refraction is'), (70, '0.0650')]),
    (1, [(36, 'Refraction standard deviation is'), (70, '0.0100')]),
    (1, [(37, 'Required stage of processing is'), (70, '1')]),
]


@case('stage1_number_mode')
class Stage1NumberMode(Case):
    title = 'STAGE ONE CHECK'
    written = ('net.stn',)
    option_lines = LOCAL_OPTIONS

    def network(self):
        st = [Station(1, 'TRIG ALPHA', 1000.0, 2000.0, '100.000', fixed=True),
              Station(2, 'TRIG BRAVO', 1500.0, 2000.0),
              Station(3, 'TRIG CHARLIE', 1500.0, 2500.0, registration=4321),
              Station(4, 'BENCH MARK DELTA 001', height='50.000', sd='0.020'),
              Station(5, 'ECHO', height='80.000'),
              Station(2, 'BRAVO AGAIN', height='90.000'),
              Station(7, 'GOLF'),
              Station(8, 'HOTEL', height='70.000', status=5)]
        hd = [HeightDiff(1, 2, '5.250'), HeightDiff(3, 1, '2.000'), HeightDiff(1, 6, '-1.500')]
        return st, [], hd


@case('stage1_label_mode')
class Stage1LabelMode(Case):
    title = 'LABEL MODE CHECK'
    written = ('net.stn',)
    label_mode = True
    option_lines = LOCAL_OPTIONS

    def network(self):
        self.labels = {1: 'BASE', 2: 'TOWER', 3: 'HILL', 4: 'PEG'}
        st = [Station(1, 'BASE STATION', 1000.0, 5000.0, '250.000', fixed=True, label='BASE'),
              Station(2, 'WATER TOWER', 1800.0, 5600.0, label='TOWER'),
              Station(3, 'HILL TOP', 2500.0, 4200.0, label='HILL')]
        zen = [Zenith(1, 2, (89, 30, 0.0), i='1.500', t='2.000'),
               Zenith(2, 3, (90, 15, 12.5), i='1.45', t='1.60')]
        hd = [HeightDiff(3, 4, '-3.125', sd='0.005', distance='150.0')]
        return st, zen, hd

    def __init__(self):
        Case.__init__(self)
        self.labels = {1: 'BASE', 2: 'TOWER', 3: 'HILL', 4: 'PEG'}



ZONE_OPTIONS = [
    (3, [(54, 'Zone number is'), (70, '56')]),
    (1, [(52, 'Mean latitude is'), (70, '28')]),
    (1, [(48, 'Refraction option is'), (70, '3')]),
    (1, [(38, 'Zenith distance (C-O) limit is'), (70, '600'), (75, 'seconds')]),
    (1, [(36, 'Height difference (C-O) limit is'), (70, '10'), (75, 'metres')]),
    (1, [(34, 'Height difference weight factor is'), (70, ' 2.0'), (75, 'ppm')]),
    (1, [(37, 'Default value for refraction is'), (70, '0.0650')]),
    (1, [(36, 'Refraction standard deviation is'), (70, '0.0100')]),
    (1, [(37, 'Required stage of processing is'), (70, '1')]),
    (1, [(37, 'Centering standard deviation is'), (69, ' 0.5'), (74, 'centimetres')]),
    (1, [(23, 'Rotation parameters for height differences are included')]),
]


@case('zone_number_mode')
class ZoneNumberMode(Case):
    """Zone 56 of the GRS80 grid: slope, horizontal, ellipsoidal and grid
    distances, a simultaneous reciprocal pair (one K per observation), a
    vertical angle from a second set-up, eccentric heights, centring, the
    ppm weight and rotation parameters of the height differences."""
    title = 'ZONE NETWORK'
    zone = 856
    refraction_option = 3
    mean_latitude = 28
    ppm_tenths = 20
    centring = 50
    rotation = 2
    option_lines = ZONE_OPTIONS
    control = [(5, '56'), (8, '3'), (28, '2.0'), (51, '28'), (54, '1'), (68, ' 0.5'), (74, '2')]

    def network(self):
        st = [Station(1, 'PILLAR A', 501234.567, 6957890.123, '45.678', fixed=True),
              Station(2, 'PILLAR B', 502345.678, 6958901.234, '112.345'),
              Station(3, 'HILL C', 500456.789, 6959012.345, '230.500', registration=1234),
              Station(4, 'TOWER D', 501300.000, 6957900.000, '48.000'),
              Station(5, 'BM E', height='50.100', sd='0.015'),
              Station(6, 'PEG F', 501310.000, 6957905.000, '47.500')]
        zen = [Zenith(1, 2, ZA[0], sd='3.0', distance='1504.391', dtype='S', i='1.520', t='1.650'),
               Zenith(2, 1, ZA[1], distance=None, i='1.480', t='1.600', reciprocal=True),
               Zenith(1, 3, ZA[2], i='1.500', t='1.500'),
               Zenith(1, 4, ZA[3], distance='66.199', dtype='H', k='0.10', i='1.500', t='2.000'),
               Zenith(4, 6, ZA[4], sd='5.0', distance='11.204', dtype='S', i='1.200', t='1.300', e1='0.250', c1=1),
               Zenith(3, 2, ZA[5], sd='3.0', distance='1892.913', dtype='E', i='1.550', t='1.600'),
               Zenith(1002, 3, ZA[6], distance='1896.605', dtype='S', i='1.500', t='1.700', vertical=True)]
        hd = [HeightDiff(1, 5, '4.425', sd='0.010', distance='250.0'),
              HeightDiff(5, 4, '-2.095', c1=1),
              HeightDiff(2, 3, '118.161', sd='0.020')]
        return st, zen, hd


ZA = [(87, 27, 42.0), (92, 32, 26.5), (82, 17, 59.9), (87, 33, 30.7), (93, 19, 37.6), (93, 34, 40.5), (3, 34, 14.3)]



@case('zone_label_mode')
class ZoneLabelMode(Case):
    """Labels in zone 50 of the GRS80 grid, outside the geoid model (no
    separations): a grid distance, a vertical angle with a slope distance, an
    ellipsoidal distance, one K per occupied station, a levelled height
    difference and a coordinate difference with its rotation terms and its
    zenith-distance record."""
    title = 'ZONE NETWORK BY LABEL'
    label_mode = True
    zone = 850
    refraction_option = 1
    rotation = 1
    geoid_option = 1
    zenith_switch = 1
    written = ('net.zen',)
    control = [(5, '50'), (8, '1'), (54, '1'), (74, '1'), (76, '1')]
    option_lines = [
        (3, [(54, 'Zone number is'), (70, '50')]),
        (1, [(48, 'Refraction option is'), (70, '1')]),
        (1, [(38, 'Zenith distance (C-O) limit is'), (70, '600'), (75, 'seconds')]),
        (1, [(36, 'Height difference (C-O) limit is'), (70, '10'), (75, 'metres')]),
        (1, [(37, 'Default value for refraction is'), (70, '0.0650')]),
        (1, [(36, 'Refraction standard deviation is'), (70, '0.0100')]),
        (1, [(37, 'Required stage of processing is'), (70, '1')]),
        (1, [(23, 'Rotation parameters for height differences are included')]),
    ]

    def __init__(self):
        Case.__init__(self)
        self.labels = {1: 'BASE', 2: 'RIDGE', 3: 'MAST', 4: 'CREEK'}

    def network(self):
        st = [Station(1, 'BASE PILLAR', 391234.560, 6461234.780, '12.345', fixed=True, label='BASE'),
              Station(2, 'RIDGE TRIG', 392456.780, 6462345.670, '84.210', label='RIDGE'),
              Station(3, 'RADIO MAST', 390876.540, 6462789.010, '63.500', label='MAST'),
              Station(4, 'CREEK BM', height='10.800', label='CREEK')]
        zen = [Zenith(1, 2, ZB[0], sd='4.0', i='1.500', t='1.600'),
               Zenith(3, 2, ZB[1], distance='1641.802', dtype='S', i='1.450', t='1.550', vertical=True),
               Zenith(2, 3, ZB[2], distance='1641.671', dtype='E', k='0.080', i='1.380', t='1.620')]
        hd = [HeightDiff(1, 4, '-1.540', sd='0.004', distance='320.0'),
              CoordDiff(1, 3, '-71.318', '930.590', '1294.861', sd='.015')]
        return st, zen, hd


ZB = [(87, 30, 45.6), (0, 43, 13.8), (90, 43, 14.8)]



@case('observation_errors')
class ObservationErrors(Case):
    """A local grid in number mode with an observation of every error kind:
    all are listed, then the job stops."""
    title = 'OBSERVATION ERRORS'
    geoid_option = 1   # set by the coordinate-difference record
    option_lines = LOCAL_OPTIONS

    def network(self):
        st = [Station(1, 'BASE', 1000.0, 1000.0, '100.000', fixed=True),
              Station(2, 'NORTH', 1000.0, 1500.0, '110.000'),
              Station(3, 'EAST', 1400.0, 1000.0, '95.000'),
              Station(4, 'TWIN', 1400.0, 1000.0, '96.000'),
              Station(5, 'LEVEL', height='101.000'),
              Station(7, 'REDEFINED', height='90.000', status=5)]
        zen = [Zenith(1, 2, ZC[0], sd='5.0', distance='500.000', dtype='H', i='1.500', t='1.600'),
               Zenith(1, 3, (0, 0, 0.0), distance='400.000'),
               Zenith(3, 4, (90, 0, 0.0)),
               Zenith(1, 5, (90, 0, 0.0)),
               Zenith(2, 1, ZC[1], i='1.550', t='1.500', reciprocal=True),
               Zenith(1, 7, (90, 0, 0.0)),
               Zenith(7, 1, (90, 0, 0.0)),
               Zenith(9, 7, (90, 0, 0.0)),
               Zenith(1, 3, (85, 0, 0.0), distance='400.000')]
        hd = [HeightDiff(1, 2, '10.003', sd='0.005'),
              HeightDiff(3, 5, '50.000'),
              HeightDiff(7, 5, '11.000'),
              HeightDiff(2, 7, '-20.000'),
              HeightDiff(1, 3, '10001.000'),
              CoordDiff(5, 1, '1.000', '2.000', '3.000')]
        return st, zen, hd


ZC = [(88, 50, 43.7), (91, 9, 11.0)]



# ---------------------------------------------------------------------------
# Figures of the unit tests (tests/adjust/vobseqn_test.cpp)

def fixture_angle(d, m, s):
    """Radians as the tests' fixture forms them."""
    return (d + m / 60.0 + s / 3600.0) * 3.141592653589793 / 180.0


class UnitNetwork(Case):
    """Three stations written straight to the work files (no reading, no
    ordering): a fixed station, a free one with a height standard deviation,
    a free one without co-ordinates; four zenith distances, the second the
    reciprocal partner of the first, the third and fourth one set-up; two
    height differences."""
    title = ''

    def __init__(self, option):
        self.refraction_option = option
        Case.__init__(self)

    def network(self):
        st = [Station(1, 'ONE', 1000.0, 1000.0, '100.0', fixed=True),
              Station(2, 'TWO', 1000.0, 1600.0, '112.5', sd='0.02'),
              Station(3, 'THREE', height='95.25')]
        return st, [], []

    def run(self):
        def zen(frm, to, angle, distance, i, t, k, reciprocal, set_flag):
            z = Zenith(frm, to, angle)
            z.zenith = fixture_angle(*angle)
            z.sd, z.distance, z.supplied = f32(5.0), distance, distance != 0.0
            z.dtype, z.azimuth, z.k = ' ', 0.0, f32(k)
            z.i, z.t, z.e1, z.e2 = f32(i), f32(t), 0.0, 0.0
            z.reciprocal, z.set_flag = reciprocal, set_flag
            return z

        def hd(frm, to, dh):
            h = HeightDiff(frm, to, str(dh))
            h.dh, h.sd, h.i, h.t, h.distance = f32(dh), f32(0.01), 0.0, 0.0, 0.0
            return h

        self.zeniths = [zen(1, 2, (88, 48, 30.0), 0.0, 1.5, 1.7, 0.065, 0, 1),
                        zen(2, 1, (91, 11, 40.0), 0.0, 1.6, 1.5, 0.13, 1, 2),
                        zen(1, 3, (91, 6, 44.0), 250.0, 1.5, 1.4, 0.065, 0, 1),
                        zen(1, 2, (88, 48, 35.0), 0.0, 1.5, 1.7, 0.065, 0, 0)]
        self.differences = [hd(1, 3, -4.75), hd(3, 2, 17.3)]
        self.records = self.stations
        self.height_observations = 1
        number_unknowns(self, self.stations)
        self.entries = equations(self)


def unit_figures():
    print('spdcor S=12 R=6370100 h1=100.5 h2=103.7:', ['%.17g' % v for v in spdcor(12.0, 6370100.0, 0.0, 100.5, 103.7)])
    print('spdcor S=850 R=6370100 h1=250 h2=180:', ['%.17g' % v for v in spdcor(850.0, 6370100.0, 0.0, 250.0, 180.0)])
    print('spdcor S=5 h1=0 h2=5:', spdcor(5.0, 6370100.0, 0.0, 0.0, 5.0))
    z = fixture_angle(89, 30, 0.0)
    print('reduce_to_marks z=89 30 00 dhi=-0.5 d=30: %.17g' % reduce_to_marks(z, -0.5, 30.0))
    print('reduce_to_marks z=89 30 00 dhi=-0.5 d=1000: %.17g' % reduce_to_marks(z, -0.5, 1000.0))
    print('computed_zenith d=1000 h1=250 h2=258.3 R=6370100 K=0.065:',
          ['%.17g' % v for v in computed_zenith(1000.0, 250.0, 258.3, 6370100.0, 0.065)])
    for option in range(4):
        c = UnitNetwork(option)
        c.run()
        print('option %d: matrix %d, band %d, equations %d, refraction constraints %d, reciprocal %d' % (
            option, c.matrix_size, c.band_width, c.equation_count, c.refraction_constraints,
            c.reciprocal_equations))
        for k in sorted(c.eqs):
            e = c.eqs[k]
            print('  %d' % (1000 + k), e.u, ['%.9g' % v for v in e.c], 'm %.9g w %.9g d %.17g' % (e.m, e.w, e.distance))


def main(names):
    if names == ['units']:
        unit_figures()
        return
    if names and names[0] == '--console':
        # The expected console files of the cases, written into their folders
        # with --write.
        write = '--write' in names
        for name in [n for n in names[1:] if n != '--write'] or sorted(CASES):
            c = CASES[name]()
            c.run()
            given = os.path.join('tests', 'cases', name, 'net.dat')
            lines = open(given).read().splitlines() if os.path.exists(given) else None
            for path, lines in sorted(Console(c, lines=lines).files(written=c.written).items()):
                text = ''.join(line + '\n' for line in lines)
                if write:
                    with open(os.path.join('tests', 'cases', name, path), 'w') as out:
                        out.write(text)
                else:
                    print('--- %s/%s' % (name, path))
                    print(text, end='')
        return
    for name in names or sorted(CASES):
        c = CASES[name]()
        out = c.run()
        print('=== %s input' % name)
        for line in (keyword_input(c) if c.label_mode else record_code_input(c)):
            print(line)
        print('=== %s report' % name)
        for line in out:
            print(line)
        c.show_equations()
        for line in c.zen_lines:
            print('zen file: ' + line)


if __name__ == '__main__':
    main(sys.argv[1:])
