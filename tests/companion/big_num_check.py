#!/usr/bin/env python3
"""Checks the engine's multi-precision routines and record cipher against
Python's own integers.

Usage: big_num_check.py <big_num_calc program>

Every request goes to the program in one batch; each answer is compared with
the value Python computes. Operands are edge values of each width (0, 1, one
word full, all words full, lone top bit and the like), numbers made of
"awkward" words (0, 1, 0x7fffffff, 0x80000000, 0xffffffff ...) that drive the
division into its rare corrections, and random numbers, all from a fixed seed.
"""
import random
import subprocess
import sys

WORD = 32
B = 1 << WORD
AWKWARD = [0, 1, 2, 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFE, 0xFFFFFFFF]

# The book's public key and the example record (7 wins, 2 draws, 1 loss,
# 2400 against 2300, 1999) under it.
N = 0xC01FD5C62740604AA7356C748D74011FF0D53FC3
E = 0xC2E5A3F1
D = 0x1B5DB851BC5A181CDB0D5E921D6195C804D2AB1
EXAMPLE_PLAIN = 0x26990ABD | 0x1C00 << 32 | 0x400001 << 64
EXAMPLE_CIPHER = sum(w << (32 * i) for i, w in enumerate(
    [0xFBCE19F3, 0x48CC0F0B, 0x5B474542, 0x3DEBE400, 0xAA5D6025]))

rng = random.Random(20)


def top(words):
    return 1 << (WORD * words)


def edges(words):
    full = top(words) - 1
    values = {0, 1, 2, B - 1, full, full - 1, 1 << (WORD * words - 1), (1 << (WORD * words - 1)) - 1,
              1 << (WORD * (words - 1)), full ^ (B - 1)}
    return sorted(v for v in values if v < top(words))


def awkward(words):
    return sum(rng.choice(AWKWARD) << (WORD * i) for i in range(words))


def random_number(words):
    bits = rng.randint(1, WORD * words)
    return rng.getrandbits(bits)


def operands(words, count):
    """Edge values, awkward and random numbers of the width."""
    values = edges(words)
    values += [awkward(words) for _ in range(count)]
    values += [random_number(words) for _ in range(count)]
    return values


def hx(value):
    return format(value, "x")


def word_count(value):
    return max(1, (value.bit_length() + WORD - 1) // WORD)


class Checks:
    def __init__(self):
        self.requests = []  # (request line, expected answer)

    def add(self, request, expected):
        self.requests.append((request, expected))

    def run(self, program):
        text = "".join(request + "\n" for request, _ in self.requests)
        answers = subprocess.run([program], input=text, capture_output=True, text=True, check=True).stdout.split("\n")
        failures = 0
        for index, (request, expected) in enumerate(self.requests):
            got = answers[index] if index < len(answers) else "<no answer>"
            if got != expected:
                failures += 1
                if failures <= 20:
                    print(f"FAIL {request}\n  expected {expected}\n  got      {got}")
        print(f"{len(self.requests)} requests, {failures} failures")
        return failures == 0


def plain_fields(plain):
    w0, w1, w2 = plain & (B - 1), plain >> 32 & (B - 1), plain >> 64 & (B - 1)
    wins = w1 >> 10 & 0x1FFFFF
    draws = (w1 & 0x3FF) << 11 | w2 >> 21
    losses = w2 & 0x1FFFFF
    white = (w0 >> 11 & 0x7FF) + 1599
    black = (w0 & 0x7FF) + 1599
    year = (w0 >> 22 & 0xFF) + 1845
    return f"{wins} {draws} {losses} {white} {black} {year}"


def build(checks):
    for w in range(1, 6):
        mask = top(w) - 1
        values = operands(w, 12)
        for a in values:
            checks.add(f"digits {w} {hx(a)}", str(word_count(a) if a else 0))
            for k in (0, 1, 13, 31, 32):
                if k >= 32:  # refused: nothing shifted
                    checks.add(f"shl {w} {k} {hx(a)}", f"0 {hx(a)}")
                    checks.add(f"shr {w} {k} {hx(a)}", f"0 {hx(a)}")
                    continue
                checks.add(f"shl {w} {k} {hx(a)}", f"{hx((a << k) >> (WORD * w))} {hx((a << k) & mask)}")
                out = ((a & ((1 << k) - 1)) << (WORD - k)) if k else 0
                checks.add(f"shr {w} {k} {hx(a)}", f"{hx(out)} {hx(a >> k)}")
            checks.add(f"modword {w} {hx(a)} 0", "refused")
        for _ in range(60):
            a, b = rng.choice(values), rng.choice(values)
            checks.add(f"cmp {w} {hx(a)} {hx(b)}", str((a > b) - (a < b)))
            checks.add(f"add {w} {hx(a)} {hx(b)}", f"{hx((a + b) >> (WORD * w))} {hx((a + b) & mask)}")
            checks.add(f"mul {w} {hx(a)} {hx(b)}", hx(a * b))
            c = rng.choice(AWKWARD + [rng.getrandbits(32)])
            diff = a - c * b
            checks.add(f"submul {w} {hx(a)} {hx(b)} {hx(c)}", f"{hx(((diff & mask) - diff) >> (WORD * w))} {hx(diff & mask)}")
            d = rng.choice(AWKWARD[1:] + [rng.getrandbits(32) | 1])
            checks.add(f"modword {w} {hx(a)} {hx(d)}", hx(a % d))
        # The highest differing word decides, whatever the lower words hold.
        if w == 5:
            checks.add(f"cmp 5 {hx(1 << 128)} {hx(B - 1)}", "1")

    # Division: every dividend width up to a product's against every divisor
    # width, the divisor's top word anywhere from 1 (a shift of 31) to full
    # (no shift at all).
    for wu in range(1, 11):
        for wv in range(1, 11):
            for _ in range(40):
                u = rng.choice(operands(wu, 3))
                v = rng.choice(operands(wv, 3)) or 1
                checks.add(f"div {wu} {wv} {hx(u)} {hx(v)}", f"{hx(u // v)} {hx(u % v)}")
            checks.add(f"div {wu} {wv} {hx(rng.getrandbits(WORD * wu))} 0", "refused")
    for wu in (1, 5, 10):  # awkward words drive the estimate into its add-back
        for wv in range(2, 6):
            for _ in range(400):
                u, v = awkward(wu), awkward(wv) or B
                checks.add(f"div {wu} {wv} {hx(u)} {hx(v)}", f"{hx(u // v)} {hx(u % v)}")
    for u, v in ((0x7FFFFFFFFFFFFFFF800000010000000000000001, 0xFFFFFFFF00000001FFFFFFFF),
                 (0xFFFFFFFF800000007FFFFFFF00000001, 0x10000000100000001)):
        checks.add(f"div 5 3 {hx(u)} {hx(v)}", f"{hx(u // v)} {hx(u % v)}")
    for v in (1, 7, B - 1, top(3) - 1, top(5) - 1):  # by itself, by one more, by one word
        checks.add(f"div 5 5 {hx(v)} {hx(v)}", "1 0")
        if v + 1 < top(5):
            checks.add(f"div 5 5 {hx(v)} {hx(v + 1)}", f"0 {hx(v)}")
        checks.add(f"div 5 1 {hx(top(5) - 1)} {hx(v & (B - 1))}",
                   f"{hx((top(5) - 1) // (v & (B - 1)))} {hx((top(5) - 1) % (v & (B - 1)))}")
    checks.add(f"div 11 5 1 1", "refused")  # beyond the working storage
    for wa, wm in ((10, 5), (10, 1), (4, 5), (10, 10)):
        for _ in range(40):
            a, m = random_number(wa), random_number(wm) or 3
            checks.add(f"mod {wa} {wm} {hx(a)} {hx(m)}", hx(a % m))

    for w in range(1, 6):
        moduli = [m for m in operands(w, 8) if m] + [1, 2]
        for m in moduli:
            a, b = random_number(w), awkward(w)  # factors above the modulus too
            checks.add(f"modmul {w} {hx(a)} {hx(b)} {hx(m)}", hx(a * b % m))
            exponents = [0, 1, 2, 3, B - 1, rng.getrandbits(32), random_number(w), top(w) - 1]
            for e in exponents:
                base = rng.choice([0, 1, a, b, m, m - 1, top(w) - 1])
                checks.add(f"modexp {w} {hx(base)} {hx(e)} {hx(m)}", hx(pow(base, e, m)))
        checks.add(f"modmul {w} 2 3 0", "refused")
        checks.add(f"modexp {w} 2 3 0", "refused")
    checks.add("modexp 6 2 3 5", "refused")  # products would not fit

    # The cipher: the example vector, zero, the largest plain texts, cipher
    # texts at and above the modulus, random records.
    checks.add(f"decipher {hx(EXAMPLE_CIPHER)}", hx(EXAMPLE_PLAIN))
    checks.add("decipher 0", "0")
    checks.add(f"unpack {hx(EXAMPLE_PLAIN)}", "7 2 1 2400 2300 1999")
    plains = [1, (1 << 96) - 1, (1 << 30) - 1, EXAMPLE_PLAIN] + [rng.getrandbits(96) for _ in range(40)]
    for p in plains:
        checks.add(f"decipher {hx(pow(p, D, N))}", hx(p))
        checks.add(f"unpack {hx(p)}", plain_fields(p))
    for c in (N, N + 1, top(5) - 1, N - 1):
        checks.add(f"decipher {hx(c)}", hx(pow(c, E, N)))


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    if pow(pow(EXAMPLE_PLAIN, D, N), E, N) != EXAMPLE_PLAIN or pow(EXAMPLE_PLAIN, D, N) != EXAMPLE_CIPHER:
        print("the key pair does not invert")
        return 1
    checks = Checks()
    build(checks)
    return 0 if checks.run(sys.argv[1]) else 1


if __name__ == "__main__":
    sys.exit(main())
