#!/usr/bin/env python3
"""Reference values for the banded solver tests, computed independently of
the program in 40-digit arithmetic (mpmath): the solution x of N x = u and
the upper triangle of the inverse of N for the 11 x 11 band matrix of band
width 3 built in tests/pelmo_routines/bandsolve_test.cpp:

  N(i,i)   = 10 + i
  N(i,i+1) = -2,  but N(4,5) = 0
  N(i,i+2) = 1
  N(i,i+3) = -0.5, but N(5,8) = 0
  u(i)     = i - 6

Every entry is exact in single precision, so the program starts from the same
matrix. Run: python3 tools/band_reference.py
"""
from mpmath import mp, mpf, matrix, lu_solve, inverse

mp.dps = 40
n = 11

N = matrix(n, n)
for i in range(1, n + 1):
    N[i - 1, i - 1] = mpf(10 + i)
    for off, value in ((1, mpf(-2)), (2, mpf(1)), (3, mpf('-0.5'))):
        j = i + off
        if j > n:
            continue
        if (i, j) in ((4, 5), (5, 8)):
            value = mpf(0)
        N[i - 1, j - 1] = value
        N[j - 1, i - 1] = value
u = matrix([mpf(i - 6) for i in range(1, n + 1)])

x = lu_solve(N, u)
inv = inverse(N)


def fmt(v):
    return mp.nstr(v, 12, min_fixed=-1, max_fixed=1) if v != 0 else "0.0"


print("// solution x")
print("{" + ", ".join(fmt(x[i]) for i in range(n)) + "}")
print("// upper triangle of the inverse, row by row")
for i in range(n):
    print("{" + ", ".join(fmt(inv[i, j]) for j in range(i, n)) + "},")
