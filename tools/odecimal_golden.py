#!/usr/bin/env python3
"""Writes the golden table of the decimal arithmetic tests.

Each line holds an operation, its operands and the expected result, computed
here with Python's decimal module and nothing else:

    add    A B          exact A + B
    mul    A B          A x B with its fraction truncated to 36 digits
    div    A B S        A / B truncated to S fraction digits (S < 0 means 35)
    addint A K          A + K, K a 32-bit integer
    mulint A K          A x K
    divint A K          A / K truncated to 36 fraction digits
    cmp    A B          -1, 0 or 1
    cmpint A K          -1, 0 or 1
    toint  A            integer part, or !-1 when it is outside +-2147483647
    round  A S          A truncated to S fraction digits

A result is a number, or !<hex status> (0x1ba001 overflow, 0x1ba003 division
by zero).  Numbers are written without exponent, without leading zeros in the
integer part and without trailing zeros in the fraction; zero is "0".
Operands have at most 36 integer and 36 fraction digits.

Usage: tools/odecimal_golden.py > tests/expr/data/odecimal_golden.txt
"""
import decimal
import random
from decimal import Decimal, ROUND_DOWN

CTX = decimal.Context(prec=400, rounding=ROUND_DOWN, Emax=999999, Emin=-999999)
decimal.setcontext(CTX)
LIMIT = Decimal(10) ** 36
ULP = Decimal(10) ** -36
OVERFLOW = "!0x1ba001"
DIVZERO = "!0x1ba003"


def canon(d):
    if d == 0:
        return "0"
    s = format(abs(d), "f")
    if "." in s:
        s = s.rstrip("0").rstrip(".")
    return ("-" if d < 0 else "") + s


def trunc(d, scale):
    return d.quantize(Decimal(10) ** -scale, rounding=ROUND_DOWN)


def checked(d):
    return OVERFLOW if abs(d) >= LIMIT else canon(d)


def rand_dec(rng, max_int=36, max_frac=36):
    ni = rng.randint(0, max_int)
    nf = rng.randint(0, max_frac)
    digits = "".join(rng.choice("0123456789") for _ in range(ni)) or "0"
    frac = "".join(rng.choice("0123456789") for _ in range(nf))
    s = digits + ("." + frac if frac else "")
    d = Decimal(s)
    return -d if rng.random() < 0.5 else d


def rand_int(rng):
    pick = rng.random()
    if pick < 0.2:
        return rng.choice([0, 1, -1, 2147483647, -2147483648, 999999999, -999999999,
                           1000000000, -1000000000, 2000000000, -2000000000])
    if pick < 0.5:
        return rng.randint(-1000, 1000)
    return rng.randint(-2147483648, 2147483647)


SPECIAL = [
    "0", "1", "-1", "0.5", "999999999", "999999999.999999999", "0.000000001",
    "1000000000", "999999999999999999", "1000000000000000000",
    "9" * 36, "9" * 36 + "." + "9" * 36, "0." + "0" * 35 + "1",
    "-" + "9" * 36, "1" + "0" * 35, "0." + "9" * 36,
    "1234567890123456789012345678901", "-9999999999999999999999.999999999",
    "5.5", "-5", "5", "10", "3", "1.1", "22", "99999999999999999.9",
    "0.3333333333333333333333333333333", "123.45", "-123.45",
]


def main():
    rng = random.Random(20261210)
    lines = []
    specials = [Decimal(s) for s in SPECIAL]

    def pairs(n):
        for a in specials:
            for b in specials:
                yield a, b
        for _ in range(n):
            yield rand_dec(rng), rand_dec(rng)
        for _ in range(n // 2):
            yield rand_dec(rng, 18, 18), rand_dec(rng, 18, 18)
        for _ in range(n // 4):  # DB2's 31-digit values
            s = rng.randint(0, 31)
            a = rand_dec(rng, 31 - s, s)
            s = rng.randint(0, 31)
            yield a, rand_dec(rng, 31 - s, s)

    for a, b in pairs(120):
        lines.append(f"add {canon(a)} {canon(b)} {checked(a + b)}")
    for a, b in pairs(120):
        lines.append(f"mul {canon(a)} {canon(b)} {checked(trunc(a * b, 36))}")
    for a, b in pairs(120):
        scale = rng.choice([0, 0, 1, 2, 5, 9, 15, 18, 20, 27, 31, 35, 36, -1])
        if b == 0:
            res = DIVZERO
        else:
            q = trunc(a / b, 36 if scale >= 36 else (35 if scale < 0 else scale))
            res = OVERFLOW if abs(a) >= abs(b) * LIMIT else canon(q)
        lines.append(f"div {canon(a)} {canon(b)} {scale} {res}")
    ints = [0, 1, -1, 5, -5, 2147483647, -2147483648, 999999999, 1000000000, -2000000000]
    decs = specials + [rand_dec(rng) for _ in range(25)] + [rand_dec(rng, 10, 3) for _ in range(25)]
    for a in decs:
        for k in ints + [rand_int(rng) for _ in range(2)]:
            lines.append(f"addint {canon(a)} {k} {checked(a + k)}")
            lines.append(f"mulint {canon(a)} {k} {checked(trunc(a * k, 36))}")
            if k != 0:
                lines.append(f"divint {canon(a)} {k} {canon(trunc(a / k, 36))}")
            lines.append(f"cmpint {canon(a)} {k} {(a > k) - (a < k)}")
    for a, b in pairs(60):
        lines.append(f"cmp {canon(a)} {canon(b)} {(a > b) - (a < b)}")
    for a in decs:
        t = int(a)
        lines.append(f"toint {canon(a)} {t if abs(t) <= 2147483647 else '!-1'}")
        for s in (0, 1, 8, 9, 10, 28, 35, 36):
            lines.append(f"round {canon(a)} {s} {canon(trunc(a, min(s, 36)))}")
    # Quotients whose first estimate lands a hair above the true value.
    for a, b in (("99999999999999999.9", "0.5"), ("1", "3"), ("2", "3"), ("-2", "3"),
                 ("999999999999999999999999999999.999999", "0.000001"),
                 ("10", "3"), ("22", "1.1"), ("1", "0.999999999999999999999999999999999999")):
        a, b = Decimal(a), Decimal(b)
        for scale in (0, 1, 2, 6, 18, 31, 36):
            res = OVERFLOW if abs(a) >= abs(b) * LIMIT else canon(trunc(a / b, scale))
            lines.append(f"div {canon(a)} {canon(b)} {scale} {res}")
    # Values just around a word carry, and a whole word of nines in each place.
    for w in range(4):
        nines = Decimal(10) ** (9 * w) - 1 if w else Decimal("0.999999999")
        for e in range(-4, 4):
            unit = Decimal(10) ** (9 * e)
            lines.append(f"add {canon(nines)} {canon(unit)} {checked(nines + unit)}")
            lines.append(f"add {canon(-nines)} {canon(unit)} {checked(unit - nines)}")
    print("# Golden table of the decimal arithmetic; generated by tools/odecimal_golden.py.")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
