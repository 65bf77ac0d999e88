#!/usr/bin/env python3
"""Reference values for the geodesy tests, computed independently of the
program: an exact Transverse Mercator (Krueger's series to eighth order in n,
good to a few nanometres), its inverse by Newton's method, Vincenty's inverse
geodesic, and closed geodetic/cartesian conversions, all in 40-digit
arithmetic (mpmath). Run: python3 tools/geodesy_reference.py
"""
from mpmath import mp, mpf, sin, cos, tan, atan, atanh, asinh, sinh, cosh, sqrt, atan2, pi, fabs

mp.dps = 40
D2R = mpf('0.017453292519943')

FIGURES = {
    'GRS80': (mpf(6378137), mpf('298.257222101')),
    'ANS': (mpf(6378160), mpf('298.25')),
}


class Zone:
    def __init__(self, figure, k0, cm_deg, fe, fn):
        self.a, self.rf = FIGURES[figure]
        self.f = 1 / self.rf
        self.e2 = 2 * self.f - self.f ** 2
        self.k0 = mpf(k0)
        self.cm = cm_deg * D2R
        self.fe = mpf(fe)
        self.fn = mpf(fn)
        n = self.f / (2 - self.f)
        self.n = n
        self.A = self.a / (1 + n) * (1 + n**2 / 4 + n**4 / 64 + n**6 / 256 + 25 * n**8 / 16384)
        self.al = [0,
            n/2 - 2*n**2/3 + 5*n**3/16 + 41*n**4/180 - 127*n**5/288 + 7891*n**6/37800 + 72161*n**7/387072 - 18975107*n**8/50803200,
            13*n**2/48 - 3*n**3/5 + 557*n**4/1440 + 281*n**5/630 - 1983433*n**6/1935360 + 13769*n**7/28800 + 148003883*n**8/174182400,
            61*n**3/240 - 103*n**4/140 + 15061*n**5/26880 + 167603*n**6/181440 - 67102379*n**7/29030400 + 79682431*n**8/79833600,
            49561*n**4/161280 - 179*n**5/168 + 6601661*n**6/7257600 + 97445*n**7/49896 - 40176129013*n**8/7664025600,
            34729*n**5/80640 - 3418889*n**6/1995840 + 14644087*n**7/9123840 + 2605413599*n**8/622702080,
            212378941*n**6/319334400 - 30705481*n**7/10378368 + 175214326799*n**8/58118860800,
            1522256789*n**7/1383782400 - 16759934899*n**8/3113510400,
            1424729850961*n**8/743921418240]

    def forward(self, phi, lam):
        e = sqrt(self.e2)
        dl = lam - self.cm
        tau = tan(phi)
        sig = sinh(e * atanh(e * tau / sqrt(1 + tau**2)))
        taup = tau * sqrt(1 + sig**2) - sig * sqrt(1 + tau**2)
        xip = atan2(taup, cos(dl))
        etap = asinh(sin(dl) / sqrt(taup**2 + cos(dl)**2))
        xi, eta = xip, etap
        for j in range(1, 9):
            xi += self.al[j] * sin(2 * j * xip) * cosh(2 * j * etap)
            eta += self.al[j] * cos(2 * j * xip) * sinh(2 * j * etap)
        return self.fe + self.k0 * self.A * eta, self.fn + self.k0 * self.A * xi

    def inverse(self, E, N):
        phi, lam = mpf(-0.5), self.cm
        for _ in range(60):
            e0, n0 = self.forward(phi, lam)
            h = mpf('1e-15')
            ep, np_ = self.forward(phi + h, lam)
            el, nl = self.forward(phi, lam + h)
            a11, a12, a21, a22 = (ep - e0) / h, (el - e0) / h, (np_ - n0) / h, (nl - n0) / h
            det = a11 * a22 - a12 * a21
            de, dn = E - e0, N - n0
            phi += (a22 * de - a12 * dn) / det
            lam += (-a21 * de + a11 * dn) / det
        return phi, lam

    def convergence_scale(self, phi, lam):
        """Convergence in the program's sign (grid north to true north, negative
        west of the central meridian in the south) and point scale factor."""
        h = mpf('1e-18')
        e1, n1 = self.forward(phi + h, lam)
        e0, n0 = self.forward(phi - h, lam)
        gamma = atan2(e1 - e0, n1 - n0)
        e2_, n2_ = self.forward(phi, lam + h)
        e3, n3 = self.forward(phi, lam - h)
        nu = self.a / sqrt(1 - self.e2 * sin(phi)**2)
        k = sqrt((e2_ - e3)**2 + (n2_ - n3)**2) / (2 * h) / (nu * cos(phi))
        return gamma, k

    def radii(self, phi):
        w2 = 1 - self.e2 * sin(phi)**2
        return self.a / sqrt(w2), self.a * (1 - self.e2) / w2**mpf(1.5)

    def geodesic(self, phi1, lam1, phi2, lam2):
        """Vincenty's inverse: distance and forward azimuth at point 1."""
        a, f = self.a, self.f
        b = a * (1 - f)
        L = lam2 - lam1
        U1 = atan((1 - f) * tan(phi1))
        U2 = atan((1 - f) * tan(phi2))
        lam = L
        for _ in range(200):
            sl, cl = sin(lam), cos(lam)
            ss = sqrt((cos(U2) * sl)**2 + (cos(U1) * sin(U2) - sin(U1) * cos(U2) * cl)**2)
            cs = sin(U1) * sin(U2) + cos(U1) * cos(U2) * cl
            sg = atan2(ss, cs)
            sa = cos(U1) * cos(U2) * sl / ss
            c2a = 1 - sa**2
            c2m = cs - 2 * sin(U1) * sin(U2) / c2a
            C = f / 16 * c2a * (4 + f * (4 - 3 * c2a))
            lam = L + (1 - C) * f * sa * (sg + C * ss * (c2m + C * cs * (-1 + 2 * c2m**2)))
        u2 = c2a * (a**2 - b**2) / b**2
        A = 1 + u2 / 16384 * (4096 + u2 * (-768 + u2 * (320 - 175 * u2)))
        B = u2 / 1024 * (256 + u2 * (-128 + u2 * (74 - 47 * u2)))
        ds = B * ss * (c2m + B / 4 * (cs * (-1 + 2 * c2m**2) - B / 6 * c2m * (-3 + 4 * ss**2) * (-3 + 4 * c2m**2)))
        s = b * A * (sg - ds)
        az = atan2(cos(U2) * sin(lam), cos(U1) * sin(U2) - sin(U1) * cos(U2) * cos(lam))
        return s, az


def to_xyz(figure, phi, lam, h):
    a, rf = FIGURES[figure]
    e2 = 2 / rf - 1 / rf**2
    nu = a / sqrt(1 - e2 * sin(phi)**2)
    return (nu + h) * cos(phi) * cos(lam), (nu + h) * cos(phi) * sin(lam), ((1 - e2) * nu + h) * sin(phi)


def to_geo(figure, x, y, z):
    a, rf = FIGURES[figure]
    e2 = 2 / rf - 1 / rf**2
    p = sqrt(x**2 + y**2)
    phi = atan2(z, p * (1 - e2))
    for _ in range(60):
        nu = a / sqrt(1 - e2 * sin(phi)**2)
        phi = atan2(z + e2 * nu * sin(phi), p)
    nu = a / sqrt(1 - e2 * sin(phi)**2)
    return phi, atan2(y, x), p / cos(phi) - nu


def datum(x, y, z, direction):
    sg = -1 if direction == 1 else 1
    c = mpf('3.141592653589793') / 648000
    rx, ry, rz = sg * mpf('0.415') * c, sg * mpf('0.26') * c, sg * mpf('0.437') * c
    s = 1 + sg * mpf('6.13e-07')
    return ((x + rz * y - ry * z) * s + sg * mpf('119.353'),
            (y - rz * x + rx * z) * s + sg * mpf('48.301'),
            (z + ry * x - rx * y) * s - sg * mpf('139.484'))


def dms(z):
    s = fabs(z) * 180 / pi * 3600
    d = int(mp.floor(s / 3600))
    m = int(mp.floor((s - 3600 * d) / 60))
    return d, m, s - 3600 * d - 60 * m


def show(label, *values):
    print(label, *[mp.nstr(v, 17) for v in values])


def main():
    z856 = Zone('GRS80', '0.9996', 153, 500000, 10000000)
    phi, lam = -mpf('33.5') * D2R, mpf('151.2') * D2R
    E, N = z856.forward(phi, lam)
    g, k = z856.convergence_scale(phi, lam)
    show('anchor E N', E, N)
    show('anchor convergence(deg) k', g * 180 / pi, k)

    # A 12 km line in zone 856.
    e1, n1, e2, n2 = mpf('332795.4917'), mpf('6291830.8611'), mpf(342000), mpf(6300000)
    p1 = z856.inverse(e1, n1)
    p2 = z856.inverse(e2, n2)
    s, az = z856.geodesic(p1[0], p1[1], p2[0], p2[1])
    grid = sqrt((e2 - e1)**2 + (n2 - n1)**2)
    show('line scale factor', grid / s)
    beta = atan2(e2 - e1, n2 - n1)
    g1, _ = z856.convergence_scale(*p1)
    delta = beta - g1 - az
    show('arc-to-chord at 1', delta)
    pm = z856.inverse((e1 + e2) / 2, (n1 + n2) / 2)
    nu, rho = z856.radii(pm[0])
    show('k0^2 rho nu at mid', z856.k0**2 * rho * nu)
    alpha = beta - g1 - delta
    show('radius in azimuth', rho * nu / (rho * sin(alpha)**2 + nu * cos(alpha)**2))
    # Coincident points: azimuth -gamma1.
    a0 = -g1 + 2 * pi
    nu1, rho1 = z856.radii(p1[0])
    show('radius coincident', rho1 * nu1 / (rho1 * sin(a0)**2 + nu1 * cos(a0)**2))

    # Coordinate difference between two stations, zone 856 (no datum change).
    H1, G1, G2 = mpf(100), mpf(20), mpf('20.5')
    H2 = mpf('137.25')
    x1 = to_xyz('GRS80', p1[0], p1[1], H1 + G1)
    x2 = to_xyz('GRS80', p2[0], p2[1], H2 + G2)
    d = [x2[i] - x1[i] for i in range(3)]
    show('crdiff2 856 dX dY dZ', *d)
    show('crdiff2 856 dh', H2 - H1)

    # The same grid coordinates in zone 855 (GRS80, 147 E).
    z855 = Zone('GRS80', '0.9996', 147, 500000, 10000000)
    r1 = z855.inverse(e1, n1)
    r2 = z855.inverse(e2, n2)
    u1 = to_xyz('GRS80', r1[0], r1[1], H1 + G1)
    u2 = to_xyz('GRS80', r2[0], r2[1], mpf('-12.5') + G2)
    show('crdiff2 855 dX dY dZ (dh -112.5)', *[u2[i] - u1[i] for i in range(3)])

    # The same differences in zone 56 (ANS): station 1 carried across and back.
    z56 = Zone('ANS', '0.9996', 153, 500000, 10000000)
    q1 = z56.inverse(e1, n1)
    y1 = datum(*to_xyz('ANS', q1[0], q1[1], H1 + G1), 1)
    y2 = datum(*[y1[i] + d[i] for i in range(3)], 2)
    h2 = to_geo('ANS', *y2)[2]
    show('crdiff2 56 dh', h2 - G2 - H1)

    # A line whose equivalent zenith distance is 92 05 07.3 (K = 0.065),
    # zone 856, 1200 m east, 300 m north.
    K = mpf('0.065')
    e3, n3 = e1 + 1200, n1 + 300
    p3 = z856.inverse(e3, n3)
    s3, az3 = z856.geodesic(p1[0], p1[1], p3[0], p3[1])
    pm3 = z856.inverse((e1 + e3) / 2, (n1 + n3) / 2)
    nu3, rho3 = z856.radii(pm3[0])
    R3 = rho3 * nu3 / (rho3 * sin(az3)**2 + nu3 * cos(az3)**2)
    target = (92 + mpf(5) / 60 + mpf('7.3') / 3600) * pi / 180
    G3 = mpf('19.5')
    H3 = H1
    for _ in range(50):
        c = s3 * (1 + (H1 + H3) / (2 * R3) + s3**2 / (12 * R3**2))
        zz = pi / 2 + atan2(-(H3 - H1), c) + (mpf('0.5') - K) * c / R3
        H3 += (zz - target) * c
    H3 = mpf(mp.nstr(H3, 7))  # a height given to the millimetre
    c = s3 * (1 + (H1 + H3) / (2 * R3) + s3**2 / (12 * R3**2))
    zz = pi / 2 + atan2(-(H3 - H1), c) + (mpf('0.5') - K) * c / R3
    x3 = to_xyz('GRS80', p3[0], p3[1], H3 + G3)
    d3 = [x3[i] - x1[i] for i in range(3)]
    show('zenith line H3 dh', H3, H3 - H1)
    show('zenith line dX dY dZ', *d3)
    show('zenith line z (d m s)', *dms(zz))
    show('zenith line slope', sqrt(sum(v**2 for v in d3)))


if __name__ == '__main__':
    main()
