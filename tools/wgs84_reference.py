#!/usr/bin/env python3
"""Reference WGS84 positions for the map output tests, computed independently
of the program: the exact Transverse Mercator inverse (Krueger's series by
Newton's method) of tools/geodesy_reference.py, and for the Australian
datum the cartesian coordinates, the seven-parameter transformation to the
satellite datum and the closed conversion back on the GRS80 figure, all in
40-digit arithmetic (mpmath). Run: python3 tools/wgs84_reference.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from mpmath import mp, mpf, pi  # noqa: E402

from geodesy_reference import Zone, to_xyz, to_geo, datum, show  # noqa: E402


def degrees(x):
    return x * 180 / pi


def main():
    E, N = mpf('332795.4917'), mpf('6291830.8611')

    # Zone 856 (MGA zone 56, GRS80): the inverse projection alone.
    z856 = Zone('GRS80', '0.9996', 153, 500000, 10000000)
    phi, lam = z856.inverse(E, N)
    show('856 lon lat', degrees(lam), degrees(phi))

    # Station 1 of the whole-run levelling loop, zone 856.
    phi, lam = z856.inverse(mpf('332795.492'), mpf('6291830.861'))
    show('856 loop station 1 lon lat', degrees(lam), degrees(phi))

    # Zone 56 (AMG zone 56, ANS): height 100 m, geoid separation 20 m.
    z56 = Zone('ANS', '0.9996', 153, 500000, 10000000)
    phi, lam = z56.inverse(E, N)
    x = datum(*to_xyz('ANS', phi, lam, mpf(120)), 1)
    phi, lam, h = to_geo('GRS80', *x)
    show('56 lon lat', degrees(lam), degrees(phi))

    # Zone 561 (ISG zone 56/1, ANS), a point near its central meridian.
    z561 = Zone('ANS', '0.99994', 151, 300000, 5000000)
    phi, lam = z561.inverse(mpf('312345.678'), mpf('1234567.89'))
    x = datum(*to_xyz('ANS', phi, lam, mpf('55.5')), 1)
    phi, lam, h = to_geo('GRS80', *x)
    show('561 lon lat', degrees(lam), degrees(phi))


if __name__ == '__main__':
    mp.dps = 40
    main()
