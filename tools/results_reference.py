#!/usr/bin/env python3
"""Reference figures for the results tests (adjusted values, precision and
relative height analyses), computed independently of the program.

Single-precision quantities are emulated by rounding every operation to the
nearest IEEE binary32 value (each operand and result of +, -, *, / and sqrt
is exact in binary64 before the one rounding, so this matches a binary32
computation). Printed fields follow the Fw.d rule: the nearest decimal of the
exact binary value. Distances are worked in 40-digit arithmetic (mpmath).
Run: python3 tools/results_reference.py
"""
import math
import struct

from mpmath import mp, mpf, sqrt as msqrt

from zenith_reference import f32, fixed as field

mp.dps = 40


def add(a, b):
    return f32(f32(a) + f32(b))


def mul(a, b):
    return f32(f32(a) * f32(b))


def div(a, b):
    return f32(f32(a) / f32(b))


def fsqrt(a):
    return f32(math.sqrt(f32(a)))


def show(label, v, w, d):
    print('  %-44s %r  ->  "%s"' % (label, v, field(v, w, d)))


def sd(q, factor):
    return fsqrt(mul(q, factor))


GRADES = [(2.0, '3A', 118), (5.9, '2A', 120), (14.7, 'A ', 122), (29.4, 'B ', 123),
          (58.8, 'C ', 124), (98.0, 'D ', 125), (196.0, 'E ', 126)]


def grade(q):
    for bound, text, col in GRADES:
        if q <= f32(bound):
            return text, col
    return '**', 127


def line_class(s95, d):
    # 1000 s95 / (d/1000 + 0.2) in double, held in single precision.
    return f32((1000.0 * s95) / (d / 1000.0 + 0.2))


def s95_of(sa, sb):
    return mul(1.96, fsqrt(add(mul(sa, sa), mul(sb, sb))))


def finalv_number_mode():
    print('Adjusted values, number mode, refraction option 1 (x = 2.5, 0.0123, -1.5, -0.0456):')
    d1 = div(2.5, 1000.0)
    show('K of station 10: correction', d1, 9, 4)
    show('K of station 10: adjusted', add(0.065, d1), 9, 4)
    show('K of station 10: standardised', div(d1, div(10.0, 1000.0)), 6, 3)
    show('unit 15 record 1', f32(0.0 - mul(d1, 1000.0)), 12, 7)
    h20 = add(105.25, 0.0123)
    show('height of station 20', h20, 9, 3)
    show('correction of station 20', 0.0123, 8, 3)
    d3 = div(-1.5, 1000.0)
    show('K of station 20: correction', d3, 9, 4)
    show('K of station 20: adjusted', add(0.066, d3), 9, 4)
    show('K of station 20: standardised', div(d3, div(10.0, 1000.0)), 6, 3)
    show('unit 15 record 2', f32(0.0 - mul(d3, 1000.0)), 12, 7)
    h30 = add(98.125, -0.0456)
    show('height of station 30', h30, 9, 3)
    show('correction of station 30', -0.0456, 8, 3)
    d4 = div(3.0, 1000.0)
    show('option 3, obs 4: adjusted', add(0.067, d4), 9, 4)
    show('option 3, obs 4: standardised', div(d4, div(10.0, 1000.0)), 6, 3)
    print('  second iteration, stored -0.5 / 1.0 / -2.0:')
    show('unit 14 record 1', f32(-0.5 - 0.0123), 12, 7)
    show('unit 15 record 1', f32(1.0 - mul(d1, 1000.0)), 12, 7)
    show('unit 15 record 2', f32(-2.0 - mul(d3, 1000.0)), 12, 7)


def finalv_label_mode():
    print('Adjusted values, label mode, network K with rotation (x3 = 5.0):')
    d = div(5.0, 1000.0)
    show('network K: correction', d, 9, 4)
    show('network K: adjusted', add(0.065, d), 9, 4)
    show('network K: standardised', div(d, div(10.0, 1000.0)), 6, 3)
    h = add(10000.5, -0.2)
    show('height of HILL_A', add(50.0, 0.1), 9, 3)
    show('height of FAR_EAST (report F9.3)', h, 9, 3)
    show('height of FAR_EAST (file F8.3)', h, 8, 3)
    show('easting 1234567.891 in F10.3', 1234567.891, 10, 3)
    show('easting 1234567.891 in F11.3', 1234567.891, 11, 3)
    show('northing 12345678.9 in F11.3', 12345678.9, 11, 3)
    show('easting -123456.789 in F10.3', -123456.789, 10, 3)
    show('easting -123456.789 in F11.3', -123456.789, 11, 3)
    print('  option 2 (x = 0.01, 1.0, -2.0):')
    show('height of FIVE', add(10.0, 0.01), 9, 3)
    show('set 1: adjusted', add(0.061, div(1.0, 1000.0)), 9, 4)
    show('set 2: adjusted', add(0.064, div(-2.0, 1000.0)), 9, 4)


def precis_cases():
    print('Precision analysis, F = 2.25:')
    for name, q, scale in [('K of obs 1', 100.0, 1000.0), ('K of obs 4', 400.0, 1000.0),
                           ('height of 20', 0.0004, 1.0), ('K of obs 3', 25.0, 1000.0),
                           ('height of 30', 0.0016, 1.0)]:
        s = sd(q, 2.25)
        if scale != 1.0:
            s = div(s, scale)
            show(name, s, 9, 4)
        else:
            show(name, s, 7, 3)
    print('  adjusted heights 105.25 + 0.0123, 98.125 - 0.0456:',
          field(add(105.25, 0.0123), 9, 3), field(add(98.125, -0.0456), 9, 3))
    print('Precision analysis, F = 1 (label mode, network K with rotation):')
    show('height of HILL_A', sd(0.0009, 1.0), 7, 3)
    show('height of VALLEY_B', sd(0.0001, 1.0), 7, 3)
    show('network K', div(sd(144.0, 1.0), 1000.0), 9, 4)


def rel_precis_cases():
    print('Relative height analysis, F = 1:')
    s20, s30, s40 = sd(0.0001, 1.0), sd(0.0004, 1.0), sd(0.0009, 1.0)
    lines = [
        ('10* -> 20', 0.0, s20, mpf(500)),
        ('20 -> 30 (negative grid)', s20, s30, msqrt(mpf(1800) ** 2 + mpf(2700) ** 2)),
        ('30 -> 40 (no co-ordinates)', s30, s40, None),
        ('40 -> 20 (record distance)', s40, s20, mpf('812.5')),
    ]
    for name, sa, sb, d in lines:
        s95 = s95_of(sa, sb)
        text = '  %-28s s95 %r "%s"' % (name, s95, field(s95, 7, 3))
        if d is not None:
            q = line_class(s95, float(d))
            text += '  d "%s"  q %r  class %s' % (field(float(d), 10, 3), q, grade(q))
        print(text)


def class_edges():
    # One adjusted station (the other fixed) on a line of 800 m: the divisor
    # d/1000 + 0.2 is exactly 1, so q is 1000 s95 held in single precision.
    print('Class edges on a line of 800 m (F = 1, q(m) chosen):')
    for target in (0.002, 0.196):
        t = f32(target)
        # Search q(m) around (t / 1.96)^2 for s95 values at and just above t.
        base = f32((t / 1.96) ** 2)
        found = {}
        q = base
        step = math.ulp(base) / 2
        for i in range(-4000, 4000):
            qq = f32(base + i * step * 2)
            s95 = s95_of(sd(qq, 1.0), 0.0)
            key = 'at' if s95 == t else ('above' if s95 > t else None)
            if key and key not in found:
                found[key] = (qq, s95)
            if key == 'above' and 'at' in found:
                break
        for key, (qq, s95) in sorted(found.items()):
            qc = line_class(s95, 800.0)
            print('  target %.3f %-5s q(m) = %r (%s) s95 = %r q = %r class %s' %
                  (target, key, qq, struct.pack('<f', qq).hex(), s95, qc, grade(qc)))


if __name__ == '__main__':
    finalv_number_mode()
    finalv_label_mode()
    precis_cases()
    rel_precis_cases()
    class_edges()
