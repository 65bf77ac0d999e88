#!/usr/bin/env python3
"""Reference values for the residual-analysis tests (tests/results), worked
independently of the program: the residual of each observation, its
standardised value, the sums, the variance factor and its components, and
the three distributions of the networks used there.

Values the program holds in single precision (solution vector,
coefficients, misclosures, weights, residuals) are rounded to IEEE single
precision here with struct; everything else is computed with mpmath at
30 digits. Printed figures are rounded from the exact value to the decimals
of the report field. Run: python3 tools/residual_reference.py
"""
import struct
from mpmath import mp, mpf, sqrt, sin, atan2

mp.dps = 30
RHO = mpf(struct.unpack('f', struct.pack('f', 206264.8))[0])


def f32(x):
    return mpf(struct.unpack('f', struct.pack('f', float(x)))[0])


def f32_sum_products(terms):
    v = f32(0)
    for c, x in terms:
        v = f32(v + f32(f32(c) * f32(x)))
    return v


def classes(x, c):
    counts = [0] * 10
    a = abs(x)
    bounds = [f32(c * i) for i in (1, 2, 3, 4)]
    m = 0
    while m < 4 and a >= bounds[m]:
        m += 1
    counts[5 + m if x >= 0 else 4 - m] += 1
    return counts


def add(a, b):
    return [p + q for p, q in zip(a, b)]


def fmt(x, d):
    return f"{float(x):.{d}f}"


def analyse(title, net):
    print(f"== {title}")
    x = {i + 1: f32(v) for i, v in enumerate(net['x'])}
    st = net['stations']  # position: (easting, northing)
    nz, nh = net['nz'], net['nh']
    s_std = [0] * 10
    s_zd = [0] * 10
    s_ht = [[0] * 10 for _ in range(3)]
    pvv = {'z': mpf(0), 'h': mpf(0), 'o': mpf(0), 'r': mpf(0)}
    plv = mpf(0)
    ws, zs, hs = [], [], []
    for k, (unknowns, coefs, l, p, frm, to, dist) in enumerate(net['main'], start=1):
        l, p = f32(l), f32(p)
        v = f32(f32_sum_products([(c, x[u]) for u, c in zip(unknowns, coefs)]) - l)
        w = f32(v * f32(sqrt(p)))
        (e1, n1), (e2, n2) = st[frm], st[to]
        d = mpf(0)
        if e1 != 0 and e2 != 0:
            d = sqrt((mpf(e2) - e1) ** 2 + (mpf(n2) - n1) ** 2)
        if dist != 0:
            d = mpf(dist)
        term = p * v * v
        plv += p * v * l
        line = f"obs {k}: v={v} w={w} ({fmt(w, 3)}) d={fmt(d, 3)}"
        if k <= nz:
            pvv['z'] += term
            zs.append((v, k))
            s_zd = add(s_zd, classes(v, 2))
            line += f" v'' {fmt(v, 1)} ht.res {fmt(sin(v / RHO) * d, 3)}"
        else:
            pvv['h'] += term
            hs.append((v, k))
            for i, c in enumerate((0.001, 0.01, 0.1)):
                s_ht[i] = add(s_ht[i], classes(v, c))
            line += f" v {fmt(v, 3)}"
            if d != 0:
                line += f" zd.res {fmt(atan2(v, d) * RHO, 1)}"
        if abs(w) > 2.5:
            line += " ***"
        print(line)
        ws.append((w, k))
        s_std = add(s_std, classes(w, 1))
    for kind, code0, eqs in (('o', -1, net['height_obs']), ('r', 10001, net['refraction'])):
        for j, (u, l, p) in enumerate(eqs):
            l, p = f32(l), f32(p)
            v = f32(x[u] - l)
            w = f32(v * f32(sqrt(p)))
            pvv[kind] += p * v * v
            plv += p * v * l
            code = code0 - j if kind == 'o' else code0 + j
            print(f"constraint {code}: v={v} w={w}")
            ws.append((w, code))
            s_std = add(s_std, classes(w, 1))
    counts = {'z': nz, 'h': nh, 'o': len(net['height_obs']), 'r': len(net['refraction'])}
    n = nz + nh + counts['o'] + counts['r']
    r = n - net['u']
    total = sum(pvv.values())
    print(f"PVV {fmt(total, 3)}  PLV {fmt(plv, 3)}  r {r}  N {n}")
    if r > 0:
        print(f"variance factor {fmt(f32(total / r), 3)} ({float(f32(total / r))})")
        for kind in 'zhro':
            if counts[kind]:
                print(f"component {kind}: {fmt(n * pvv[kind] / (counts[kind] * r), 3)}")
    print(f"average redundancy {fmt(mpf(r) / n if n else 0, 3)}")

    def stats(name, vals, dist, width_note=''):
        nn = len(vals)
        mx = max(vals, key=lambda t: (t[0], -vals.index(t)))
        mn = min(vals, key=lambda t: (t[0], vals.index(t)))
        sm = sum(v for v, _ in vals)
        s2 = sum(v * v for v, _ in vals)
        sd = sqrt(max((s2 - sm * sm / nn) / (nn - 1), 0)) if nn > 1 else None
        print(f"{name}: counts {dist} max {fmt(mx[0], 3)} ({mx[1]}) min {fmt(mn[0], 3)} ({mn[1]}) "
              f"mean {fmt(sm / nn, 3)} sd {fmt(sd, 3) if sd is not None else '-'} {width_note}")
        return sd

    stats('standardised', ws, s_std)
    if nz > 1:
        stats('zenith', zs, s_zd)
    if nh > 1:
        sm = sum(v for v, _ in hs)
        s2 = sum(v * v for v, _ in hs)
        sd = sqrt(max((s2 - sm * sm / nh) / (nh - 1), 0))
        unit = 2 if sd >= 0.04 else 1 if sd >= 0.004 else 0
        stats('height', hs, s_ht[unit], ['MILLI', 'CENTI', 'DECI'][unit])


# Number-mode network: positions 1 (fixed), 2, 3 (no co-ordinates), 4;
# unknowns 1-3 the heights of positions 2-4, 4 the network K.
NUMBER_NET = {
    'x': [0.015625, -0.03125, 0.0234375, 5.0],
    'u': 4,
    'stations': {1: (1000.0, 2000.0), 2: (1300.0, 2400.0), 3: (0.0, 0.0), 4: (1000.0, 2600.0)},
    'nz': 4, 'nh': 3,
    # unknowns, coefficients, misclosure, weight, from, to, record distance
    'main': [
        ((1, 4), (-384.0, 0.5), -3.5, 0.25, 1, 2, 0.0),
        ((3, 4), (-320.0, 0.75), -11.75, 0.25, 1, 4, 0.0),
        ((1, 4), (384.0, 0.5), 22.3, 0.04, 2, 1, 0.0),
        ((1, 2, 4), (256.0, -256.0, 0.5), 11.3, 0.25, 2, 3, 812.4),
        ((2, 3), (-1.0, 1.0), 0.05, 10000.0, 3, 4, 0.0),
        ((2,), (1.0,), -0.0275, 10000.0, 1, 3, 250.0),
        ((3, 1), (-1.0, 1.0), 0.02, 2500.0, 4, 2, 0.0),
    ],
    'height_obs': [(3, 0.02, 400.0)],
    'refraction': [(4, 20.0, 0.04)],
}

# Label-mode network of height differences only: positions 1 (fixed),
# 2, 3; unknowns 1, 2 the heights of positions 2, 3.
LABEL_NET = {
    'x': [0.25, -0.5],
    'u': 2,
    'stations': {1: (500.0, 500.0), 2: (500.0, 800.0), 3: (900.0, 500.0)},
    'nz': 0, 'nh': 3,
    'main': [
        ((1,), (1.0,), 0.125, 400.0, 1, 2, 0.0),
        ((2,), (1.0,), -0.5605, 100.0, 1, 3, 0.0),
        ((2, 1), (1.0, -1.0), -0.8105, 25.0, 2, 3, 0.0),
    ],
    'height_obs': [(2, -0.125, 25.0)],
    'refraction': [],
}

# Label-mode zenith distances: two set-ups at position 2 observing the
# fixed position 1; unknowns 1 the height of position 2, 2 the network K.
LABEL_ZENITH_NET = {
    'x': [0.0625, 2.0],
    'u': 2,
    'stations': {1: (500.0, 500.0), 2: (500.0, 800.0)},
    'nz': 2, 'nh': 0,
    'main': [
        ((1, 2), (300.0, 0.5), 17.45, 1.0, 2, 1, 0.0),
        ((1, 2), (300.0, 0.5), 21.05, 1.0, 2, 1, 0.0),
    ],
    'height_obs': [],
    'refraction': [],
}

# No redundancy: one zenith distance and two height differences on four
# unknowns (one of them in no observation).
BARE_NET = {
    'x': [0.5, 0.25, 1.0, 0.0],
    'u': 4,
    'stations': {1: (100.0, 100.0), 2: (100.0, 400.0), 3: (0.0, 0.0)},
    'nz': 1, 'nh': 2,
    'main': [
        ((1, 3), (-600.0, 1.0), -305.0, 1.0, 1, 2, 0.0),
        ((2,), (1.0,), 0.25, 1.0, 1, 3, 0.0),
        ((1, 2), (1.0, -1.0), 0.3755, 1.0, 2, 3, 0.0),
    ],
    'height_obs': [],
    'refraction': [],
}



def dms(angle):
    """Signed degrees, minutes and seconds (3 decimals) of an angle in radians."""
    s = abs(mpf(angle)) * 180 / mp.pi * 3600
    d = int(mp.floor(s / 3600))
    m = int(mp.floor((s - 3600 * d) / 60))
    sec = s - 3600 * d - 60 * m
    return f"{'-' if angle < 0 else ''}{d} {m} {float(sec):.3f}"


def rotation(phi, omega, x_phi, x_omega):
    """Adjusted rotation parameters: the last two unknowns in 0.01 radian."""
    phi, omega = f32(phi), f32(omega)
    dphi, domega = f32(f32(x_phi) / 100), f32(f32(x_omega) / 100)
    print("== rotation")
    for name, a in (('phi', phi), ('dphi', dphi), ('phi adj', f32(phi + dphi)),
                    ('omega', omega), ('domega', domega), ('omega adj', f32(omega + domega))):
        print(f"{name}: {dms(a)}")


if __name__ == '__main__':
    analyse('number mode', NUMBER_NET)
    analyse('label mode', LABEL_NET)
    analyse('label mode, zenith distances', LABEL_ZENITH_NET)
    analyse('no redundancy', BARE_NET)
    rotation(0.001, -0.0005, 0.2, -0.1)
