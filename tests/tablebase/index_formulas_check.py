#!/usr/bin/env python3
"""Works out tablebase indexes from the format's own formulas, without the
engine, and checks the table of known indexes that the engine's test reads.

Usage: index_formulas_check.py <index_cases.txt>
       index_formulas_check.py --generate   (prints a fresh table on stdout)

Every number here comes from the definitions of the file layout: the square
numberings and king-pair numbers, the offset tables counted pair by pair, and
for each sub-family of materials the written formula of each side, with its
fixed radices as literal numbers. Nothing is shared with the engine's code,
which builds its index functions from a general plan instead.

The check fails when a listed position is not one a game can reach, when its
listed index differs from the formula's, or when a sub-family and side (and,
where both sides have pawns, the en-passant form of each side) has no case.
"""
import random
import sys
from math import comb


def file_of(s):
    return s & 7


def rank_of(s):
    return s >> 3


def adjacent(a, b):
    return a != b and abs(file_of(a) - file_of(b)) <= 1 and abs(rank_of(a) - rank_of(b)) <= 1


def square(name):
    return (ord(name[1]) - ord('1')) * 8 + ord(name[0]) - ord('a')


def square_name(s):
    return 'abcdefgh'[file_of(s)] + str(rank_of(s) + 1)


# ---- Static tables ----------------------------------------------------------

FOLD8 = [(7 if file_of(s) >= 4 else 0) + (56 if rank_of(s) >= 4 else 0) for s in range(64)]
DIAG = [file_of(s) * 8 + rank_of(s) for s in range(64)]
IN_TRIANGLE = [rank_of(s) <= file_of(s) <= 3 for s in range(64)]
ON_DIAGONAL = [file_of(s) == rank_of(s) for s in range(64)]
LOWER_HALF = [file_of(s) >= rank_of(s) for s in range(64)]
FILE_MIRROR = [7 if file_of(s) >= 4 else 0 for s in range(64)]
INVERT = [0, 56]


def king_pairs(moving_squares, diagonal_rule):
    pairs = {}
    for k in moving_squares:
        for o in range(64):
            if o == k or adjacent(k, o):
                continue
            if diagonal_rule and ON_DIAGONAL[k] and rank_of(o) > file_of(o):
                continue
            pairs[(k, o)] = len(pairs)
    return pairs


PAWNLESS_PAIRS = king_pairs([s for s in range(64) if IN_TRIANGLE[s]], True)
PAWN_PAIRS = king_pairs([s for s in range(64) if file_of(s) < 4], False)

# Kinds: 0 pawn numbered anywhere on ranks 2-7, 1 pawn that may not attack
# the king, 2 knight, 3 bishop, 4 rook, 5 queen.
KIND = {'n': 2, 'b': 3, 'r': 4, 'q': 5}


def excluded(t, o, x):
    if x == o:
        return True
    df, dr = abs(file_of(x) - file_of(o)), abs(rank_of(x) - rank_of(o))
    if t in (0, 1) and not 8 <= x <= 55:
        return True
    if t == 1:
        return (o == x + 7 and file_of(x) != 0) or (o == x + 9 and file_of(x) != 7)
    if t == 2:
        return (df, dr) in ((1, 2), (2, 1))
    if t == 3:
        return df == 1 and dr == 1
    if t == 4:
        return df + dr == 1
    if t == 5:
        return df <= 1 and dr <= 1
    return False


# NUMBERING[t][o]: square -> its number among the squares kind t may take
# around a king on o, counted upwards; excluded squares are absent.
NUMBERING = [[{} for _ in range(64)] for _ in range(6)]
for t in range(6):
    for o in range(64):
        for x in range(64):
            if not excluded(t, o, x):
                NUMBERING[t][o][x] = len(NUMBERING[t][o])

_offsets = {}


def offset_table(kinds, pawn_form):
    """Offsets by king pair and the total of a group of kinds: each pair
    counts the product of C(a_t, m_t) over its kinds, a_t the squares of kind
    t around o less one when the other king stands on one of them."""
    key = (tuple(sorted(kinds)), pawn_form)
    if key not in _offsets:
        pairs = PAWN_PAIRS if pawn_form else PAWNLESS_PAIRS
        offsets, total = {}, 0
        for k in range(64):
            for o in range(64):
                if (k, o) not in pairs:
                    continue
                offsets[pairs[(k, o)]] = total
                count = 1
                for t in set(kinds):
                    a = len(NUMBERING[t][o]) - (1 if k in NUMBERING[t][o] else 0)
                    count *= comb(a, kinds.count(t))
                total += count
        _offsets[key] = (offsets, total)
    return _offsets[key]


# ---- Positions ----------------------------------------------------------------

class Position:
    """A case: material, side to move in the table (0: the first-named side),
    invert flag (1: the first-named side is black), the two sides' men by
    letter (real board squares) and the en-passant square or None."""

    def __init__(self, material, side, invert, lists, ep):
        self.material, self.side, self.invert, self.lists, self.ep = material, side, invert, lists, ep
        second_king = material.index('k', 1)
        self.letters = [material[1:second_king], material[second_king + 1:]]

    def colour(self, list_index):  # 0 white
        return list_index ^ self.invert

    def men(self):
        for side in (0, 1):
            for letter, squares in self.lists[side].items():
                for s in squares:
                    yield side, letter, s

    def attacks(self, side, target):
        occupied = {s for _, _, s in self.men()}
        for owner, letter, s in self.men():
            if owner != side:
                continue
            df, dr = file_of(target) - file_of(s), rank_of(target) - rank_of(s)
            if letter == 'p':
                if dr == (1 if self.colour(side) == 0 else -1) and abs(df) == 1:
                    return True
            elif letter == 'n':
                if (abs(df), abs(dr)) in ((1, 2), (2, 1)):
                    return True
            elif letter == 'k':
                if adjacent(s, target):
                    return True
            else:
                straight = (df == 0) != (dr == 0)
                diagonal = df != 0 and abs(df) == abs(dr)
                if not (letter in 'rq' and straight or letter in 'bq' and diagonal):
                    continue
                step = (df > 0) - (df < 0) + 8 * ((dr > 0) - (dr < 0))
                x = s + step
                while x != target and x not in occupied:
                    x += step
                if x == target:
                    return True
        return False

    def problem(self):
        """Why a game can't reach the position, or None."""
        squares = [s for _, _, s in self.men()]
        if len(set(squares)) != len(squares) or not all(0 <= s < 64 for s in squares):
            return 'men share a square'
        if adjacent(self.lists[0]['k'][0], self.lists[1]['k'][0]):
            return 'kings side by side'
        for side, letter, s in self.men():
            if letter == 'p' and not 8 <= s <= 55:
                return 'pawn on the first or last rank'
        for side in (0, 1):
            expected = sorted(c for c in self.letters[side])
            got = sorted(letter for letter, sq in self.lists[side].items() if letter != 'k' for _ in sq)
            if expected != got:
                return 'men differ from the material'
        waiting = self.side ^ 1
        if self.attacks(self.side, self.lists[waiting]['k'][0]):
            return 'the side not to move is in check'
        if self.ep is not None:
            forward = 8 if self.colour(self.side) == 0 else -8
            if rank_of(self.ep) != (5 if forward > 0 else 2):
                return 'en-passant square on the wrong rank'
            if self.ep - forward not in self.lists[waiting].get('p', []):
                return 'no pawn just moved past the en-passant square'
            if {self.ep, self.ep + forward} & set(squares):
                return 'the squares the pawn crossed are taken'
            if not any(s + forward + df == self.ep and 0 <= file_of(s) + df <= 7
                       for s in self.lists[self.side].get('p', []) for df in (-1, 1)):
                return 'no pawn can take en passant'
        return None


class Index:
    """The quantities the formulas use, for one position and side:
    k, o and kk in the head's frame, n/r/L2/L3/T of head men, and the
    placing of the other men (p, P2, P3 for pieces, q, q2, q3 for pawns)."""

    def __init__(self, pos):
        self.pos = pos
        self.pawn_form = 'p' in pos.material
        moving, waiting = pos.side, pos.side ^ 1
        k0, o0 = pos.lists[moving]['k'][0], pos.lists[waiting]['k'][0]
        if not self.pawn_form:
            fold = FOLD8[k0]
            k, o = k0 ^ fold, o0 ^ fold
            reflect = not (IN_TRIANGLE[k] and (not ON_DIAGONAL[k] or LOWER_HALF[o]))
            self.place_frame = (lambda s: DIAG[s ^ fold]) if reflect else (lambda s: s ^ fold)
            self.head_frame = self.place_frame
            pairs = PAWNLESS_PAIRS
        else:
            x = FILE_MIRROR[k0] ^ INVERT[pos.invert]
            second = pos.letters[1]
            flip = 56 if pos.side == 1 and ('p' in second or second == '') else 0
            self.place_frame = lambda s: s ^ x
            self.head_frame = lambda s: s ^ x ^ flip
            pairs = PAWN_PAIRS
        self.k, self.o = self.head_frame(k0), self.head_frame(o0)
        self.kk = pairs[(self.k, self.o)]
        # Roles: X, Y, Z the first-named side's pieces, U, V the second's.
        self.roles = {}
        for side, names in ((0, 'XYZ'), (1, 'UV')):
            distinct = [c for i, c in enumerate(pos.letters[side]) if c != 'p' and c not in pos.letters[side][:i]]
            for role, letter in zip(names, distinct):
                self.roles[role] = (side, letter)
        # The head: the moving men; without them the waiting pawns.
        head = [(moving, letter, s) for letter, sq in pos.lists[moving].items() if letter != 'k' for s in sq]
        if not head:
            head = [(waiting, 'p', s) for s in pos.lists[waiting].get('p', [])]
        self.placed = {self.place_frame(k0), self.place_frame(o0)} | {self.place_frame(s) for _, _, s in head}
        self.pawns = {self.place_frame(s) for _, letter, s in head if letter == 'p'}

    def _men(self, role):
        """Kind and squares of a role: X..V, or P1 (the moving side's pawns,
        kind 1) and P0 (the waiting side's pawns, kind 0)."""
        if role[0] == 'P':
            kind = int(role[1])
            side = self.pos.side if kind == 1 else self.pos.side ^ 1
            return kind, self.pos.lists[side]['p']
        side, letter = self.roles[role]
        return KIND[letter], self.pos.lists[side][letter]

    def _number(self, kind, s):
        numbering = NUMBERING[kind][self.o]
        if s not in numbering:
            raise ValueError('a head man on a square its kind may not take')
        return numbering[s] - (1 if self.k in numbering and self.k < s else 0)

    def _numbers(self, role):
        kind, squares = self._men(role)
        return sorted(self._number(kind, self.head_frame(s)) for s in squares)

    def n(self, role):
        (number,) = self._numbers(role)
        return number

    def r(self, role):
        kind, _ = self._men(role)
        return len(NUMBERING[kind][self.o]) - (1 if self.k in NUMBERING[kind][self.o] else 0)

    def L2(self, role):
        a, b = self._numbers(role)
        return comb(b, 2) + a

    def L3(self, role):
        a, b, c = self._numbers(role)
        return comb(c, 3) + comb(b, 2) + a

    def _kinds(self, group):
        """'XP1' -> the kinds of X and of a kind-1 pawn; 'PP0' two kind-0 pawns."""
        digit = group[-1] if group[-1].isdigit() else None
        return [int(digit) if c == 'P' else self._men(c)[0] for c in group if not c.isdigit()]

    def T(self, group):
        return offset_table(self._kinds(group), self.pawn_form)[0][self.kk]

    def N(self, group):
        return offset_table(self._kinds(group), self.pawn_form)[1]

    # Placing: pieces counted among every placed square below them, pawns
    # (q) among the placed pawns below them on ranks 2-7; like men of one
    # group don't count each other.
    def _place(self, squares, pawn):
        framed = sorted(self.place_frame(s) for s in squares)
        if pawn:
            values = [s - 8 - sum(1 for p in self.pawns if p < s) for s in framed]
            self.pawns |= set(framed)
        else:
            values = [s - sum(1 for p in self.placed if p < s) for s in framed]
        self.placed |= set(framed)
        return sum(comb(v, i + 1) for i, v in enumerate(values))

    def p(self, role):
        return self._place(self._men(role)[1], False)

    P2 = P3 = p2 = p3 = p

    def q(self, role='P'):
        return self._place(self.pos.lists[self.pos.side ^ 1]['p'], True)

    q2 = q3 = q


# ---- Sub-families: (side 0 formula, side 1 formula) -----------------------------
# The placing calls run in the order the men are placed; the formula combines
# their values in digit order.

def row(side0, side1, ordinary=None):
    return {'side': (side0, side1), 'ordinary': ordinary}


def _place(c, *calls):
    return [getattr(c, name)(role) for name, role in calls]


PAWNLESS_ROWS = {
    'KXK': row(lambda c: c.T('X') + c.n('X'),
               lambda c: c.kk * 62 + c.p('X')),
    'KXKU': row(lambda c: (c.T('X') + c.n('X')) * 61 + c.p('U'),
                lambda c: (c.T('U') + c.n('U')) * 61 + c.p('X')),
    'KXXK': row(lambda c: c.T('XX') + c.L2('X'),
                lambda c: c.kk * 1891 + c.P2('X')),
    'KXYK': row(lambda c: c.T('XY') + c.n('X') * c.r('Y') + c.n('Y'),
                lambda c: (lambda x, y: (c.kk * 62 + x) * 61 + y)(*_place(c, ('p', 'X'), ('p', 'Y')))),
    'KXXKU': row(lambda c: (c.T('XX') + c.L2('X')) * 60 + c.p('U'),
                 lambda c: (c.T('U') + c.n('U')) * 1830 + c.P2('X')),
    'KXYKU': row(lambda c: (c.T('XY') + c.n('X') * c.r('Y') + c.n('Y')) * 60 + c.p('U'),
                 lambda c: (lambda x, y: ((c.T('U') + c.n('U')) * 61 + x) * 60 + y)(*_place(c, ('p', 'X'), ('p', 'Y')))),
    'KXXXK': row(lambda c: c.T('XXX') + c.L3('X'),
                 lambda c: c.kk * 37820 + c.P3('X')),
    'KXYYK': row(lambda c: c.T('XYY') + c.L2('Y') * c.r('X') + c.n('X'),
                 lambda c: (lambda x, y: (c.kk * 62 + x) * 1830 + y)(*_place(c, ('p', 'X'), ('P2', 'Y')))),
    'KXXYK': row(lambda c: c.T('XXY') + c.L2('X') * c.r('Y') + c.n('Y'),
                 lambda c: (lambda y, x: (c.kk * 1830 + x) * 62 + y)(*_place(c, ('p', 'Y'), ('P2', 'X')))),
    'KXYZK': row(lambda c: c.T('XYZ') + (c.n('X') * c.r('Y') + c.n('Y')) * c.r('Z') + c.n('Z'),
                 lambda c: (lambda x, y, z: ((c.kk * 62 + x) * 61 + y) * 60 + z)(
                     *_place(c, ('p', 'X'), ('p', 'Y'), ('p', 'Z')))),
    'KXXKUU': row(lambda c: (c.T('XX') + c.L2('X')) * 1770 + c.P2('U'),
                  lambda c: (c.T('UU') + c.L2('U')) * 1770 + c.P2('X')),
    'KXYKUU': row(lambda c: (c.T('XY') + c.n('X') * c.r('Y') + c.n('Y')) * 1770 + c.P2('U'),
                  lambda c: (lambda x, y: ((c.T('UU') + c.L2('U')) * 60 + x) * 59 + y)(
                      *_place(c, ('p', 'X'), ('p', 'Y')))),
    'KXXKUV': row(lambda c: (lambda u, v: ((c.T('XX') + c.L2('X')) * 60 + u) * 59 + v)(
                      *_place(c, ('p', 'U'), ('p', 'V'))),
                  lambda c: (c.T('UV') + c.n('U') * c.r('V') + c.n('V')) * 1770 + c.P2('X')),
    'KXYKUV': row(lambda c: (lambda u, v: ((c.T('XY') + c.n('X') * c.r('Y') + c.n('Y')) * 60 + u) * 59 + v)(
                      *_place(c, ('p', 'U'), ('p', 'V'))),
                  lambda c: (lambda x, y: ((c.T('UV') + c.n('U') * c.r('V') + c.n('V')) * 60 + x) * 59 + y)(
                      *_place(c, ('p', 'X'), ('p', 'Y')))),
    'KXXXKU': row(lambda c: (c.T('XXX') + c.L3('X')) * 59 + c.p('U'),
                  lambda c: (c.T('U') + c.n('U')) * 35990 + c.P3('X')),
    'KXYYKU': row(lambda c: (c.T('XYY') + c.L2('Y') * c.r('X') + c.n('X')) * 59 + c.p('U'),
                  lambda c: (lambda x, y: ((c.T('U') + c.n('U')) * 61 + x) * 1770 + y)(
                      *_place(c, ('p', 'X'), ('P2', 'Y')))),
    'KXXYKU': row(lambda c: (c.T('XXY') + c.L2('X') * c.r('Y') + c.n('Y')) * 59 + c.p('U'),
                  lambda c: (lambda y, x: ((c.T('U') + c.n('U')) * 1770 + x) * 61 + y)(
                      *_place(c, ('p', 'Y'), ('P2', 'X')))),
    'KXYZKU': row(lambda c: (c.T('XYZ') + (c.n('X') * c.r('Y') + c.n('Y')) * c.r('Z') + c.n('Z')) * 59 + c.p('U'),
                  lambda c: (lambda x, y, z: (((c.T('U') + c.n('U')) * 61 + x) * 60 + y) * 59 + z)(
                      *_place(c, ('p', 'X'), ('p', 'Y'), ('p', 'Z')))),
}

# With pawns the plain pawns are placed first, then the plain pieces in name
# order (with two men a side: the plain groups in reverse name order).
PAWN_ROWS = {
    'KPK': row(lambda c: c.T('P1') + c.n('P1'),
               lambda c: c.T('P0') + c.n('P0')),
    'KXKP': row(lambda c: (c.T('X') + c.n('X')) * 48 + c.q(),
                lambda c: (c.T('P1') + c.n('P1')) * 61 + c.p('X')),
    'KPKP': row(lambda c: (c.T('P1') + c.n('P1')) * 47 + c.q(),
                lambda c: (c.T('P1') + c.n('P1')) * 47 + c.q(),
                (lambda c: c.N('P1') * 47, lambda c: c.N('P1') * 47)),
    'KPPK': row(lambda c: c.T('PP1') + c.L2('P1'),
                lambda c: c.T('PP0') + c.L2('P0')),
    'KXPK': row(lambda c: c.T('XP1') + c.n('X') * c.r('P1') + c.n('P1'),
                lambda c: (c.T('P0') + c.n('P0')) * 61 + c.p('X')),
    'KPPKP': row(lambda c: (c.T('PP1') + c.L2('P1')) * 46 + c.q(),
                 lambda c: (c.T('P1') + c.n('P1')) * 1081 + c.q2(),
                 (lambda c: c.N('PP1') * 46, lambda c: c.N('P1') * 1081)),
    'KPPKU': row(lambda c: (c.T('PP1') + c.L2('P1')) * 60 + c.p('U'),
                 lambda c: (c.T('U') + c.n('U')) * 1128 + c.q2()),
    'KXPKP': row(lambda c: (c.T('XP1') + c.n('X') * c.r('P1') + c.n('P1')) * 47 + c.q(),
                 lambda c: (lambda p, x: ((c.T('P1') + c.n('P1')) * 60 + x) * 47 + p)(
                     *_place(c, ('q', 'P'), ('p', 'X'))),
                 (lambda c: c.N('XP1') * 47, lambda c: c.N('P1') * 60 * 47)),
    'KXPKU': row(lambda c: (c.T('XP1') + c.n('X') * c.r('P1') + c.n('P1')) * 60 + c.p('U'),
                 lambda c: (lambda p, x: ((c.T('U') + c.n('U')) * 60 + x) * 48 + p)(
                     *_place(c, ('q', 'P'), ('p', 'X')))),
    'KXXKP': row(lambda c: (c.T('XX') + c.L2('X')) * 48 + c.q(),
                 lambda c: (c.T('P1') + c.n('P1')) * 1830 + c.p2('X')),
    'KXYKP': row(lambda c: (c.T('XY') + c.n('X') * c.r('Y') + c.n('Y')) * 48 + c.q(),
                 lambda c: (lambda x, y: ((c.T('P1') + c.n('P1')) * 61 + x) * 60 + y)(
                     *_place(c, ('p', 'X'), ('p', 'Y')))),
    'KPPPK': row(lambda c: c.T('PPP1') + c.L3('P1'),
                 lambda c: c.T('PPP0') + c.L3('P0')),
    'KXPPK': row(lambda c: c.T('XPP1') + c.L2('P1') * c.r('X') + c.n('X'),
                 lambda c: (c.T('PP0') + c.L2('P0')) * 60 + c.p('X')),
    'KXXPK': row(lambda c: c.T('XXP1') + c.L2('X') * c.r('P1') + c.n('P1'),
                 lambda c: (c.T('P0') + c.n('P0')) * 1830 + c.p2('X')),
    'KXYPK': row(lambda c: c.T('XYP1') + (c.n('X') * c.r('Y') + c.n('Y')) * c.r('P1') + c.n('P1'),
                 lambda c: (lambda x, y: ((c.T('P0') + c.n('P0')) * 61 + x) * 60 + y)(
                     *_place(c, ('p', 'X'), ('p', 'Y')))),
    'KPPKPP': row(lambda c: (c.T('PP1') + c.L2('P1')) * 1035 + c.q2(),
                  None,
                  (lambda c: c.N('PP1') * 1035, None)),
    'KXPKPP': row(lambda c: (c.T('XP1') + c.n('X') * c.r('P1') + c.n('P1')) * 1081 + c.q2(),
                  lambda c: (lambda p, x: ((c.T('PP1') + c.L2('P1')) * 46 + p) * 59 + x)(
                      *_place(c, ('q', 'P'), ('p', 'X'))),
                  (lambda c: c.N('XP1') * 1081, lambda c: c.N('PP1') * 46 * 59)),
    'KXPKUP': row(lambda c: (lambda p, u: ((c.T('XP1') + c.n('X') * c.r('P1') + c.n('P1')) * 47 + p) * 59 + u)(
                      *_place(c, ('q', 'P'), ('p', 'U'))),
                  lambda c: (lambda p, x: ((c.T('UP1') + c.n('U') * c.r('P1') + c.n('P1')) * 47 + p) * 59 + x)(
                      *_place(c, ('q', 'P'), ('p', 'X'))),
                  (lambda c: c.N('XP1') * 47 * 59, lambda c: c.N('UP1') * 47 * 59)),
    'KXXKPP': row(lambda c: (c.T('XX') + c.L2('X')) * 1128 + c.q2(),
                  lambda c: (c.T('PP1') + c.L2('P1')) * 1770 + c.p2('X')),
    'KXXKUP': row(lambda c: (lambda p, u: ((c.T('XX') + c.L2('X')) * 48 + p) * 59 + u)(
                      *_place(c, ('q', 'P'), ('p', 'U'))),
                  lambda c: (c.T('UP1') + c.n('U') * c.r('P1') + c.n('P1')) * 1770 + c.p2('X')),
    'KXPKUU': row(lambda c: (c.T('XP1') + c.n('X') * c.r('P1') + c.n('P1')) * 1770 + c.p2('U'),
                  lambda c: (lambda p, x: ((c.T('UU') + c.L2('U')) * 48 + p) * 59 + x)(
                      *_place(c, ('q', 'P'), ('p', 'X')))),
    'KXYKPP': row(lambda c: (c.T('XY') + c.n('X') * c.r('Y') + c.n('Y')) * 1128 + c.q2(),
                  lambda c: (lambda y, x: ((c.T('PP1') + c.L2('P1')) * 60 + y) * 59 + x)(
                      *_place(c, ('p', 'Y'), ('p', 'X')))),
    'KXYKUP': row(lambda c: (lambda p, u: ((c.T('XY') + c.n('X') * c.r('Y') + c.n('Y')) * 48 + p) * 59 + u)(
                      *_place(c, ('q', 'P'), ('p', 'U'))),
                  lambda c: (lambda y, x: ((c.T('UP1') + c.n('U') * c.r('P1') + c.n('P1')) * 60 + y) * 59 + x)(
                      *_place(c, ('p', 'Y'), ('p', 'X')))),
    'KXPKUV': row(lambda c: (lambda v, u: ((c.T('XP1') + c.n('X') * c.r('P1') + c.n('P1')) * 60 + v) * 59 + u)(
                      *_place(c, ('p', 'V'), ('p', 'U'))),
                  lambda c: (lambda p, x: ((c.T('UV') + c.n('U') * c.r('V') + c.n('V')) * 48 + p) * 59 + x)(
                      *_place(c, ('q', 'P'), ('p', 'X')))),
    'KPPPKP': row(lambda c: (c.T('PPP1') + c.L3('P1')) * 45 + c.q(),
                  lambda c: (c.T('P1') + c.n('P1')) * 16215 + c.q3(),
                  (lambda c: c.N('PPP1') * 45, lambda c: c.N('P1') * 16215)),
    'KXPPKP': row(lambda c: (c.T('XPP1') + c.L2('P1') * c.r('X') + c.n('X')) * 46 + c.q(),
                  lambda c: (lambda p, x: ((c.T('P1') + c.n('P1')) * 59 + x) * 1081 + p)(
                      *_place(c, ('q2', 'P'), ('p', 'X'))),
                  (lambda c: c.N('XPP1') * 46, lambda c: c.N('P1') * 59 * 1081)),
    'KXXPKP': row(lambda c: (c.T('XXP1') + c.L2('X') * c.r('P1') + c.n('P1')) * 47 + c.q(),
                  lambda c: (lambda p, x: ((c.T('P1') + c.n('P1')) * 1770 + x) * 47 + p)(
                      *_place(c, ('q', 'P'), ('p2', 'X'))),
                  (lambda c: c.N('XXP1') * 47, lambda c: c.N('P1') * 1770 * 47)),
    'KXXXKP': row(lambda c: (c.T('XXX') + c.L3('X')) * 48 + c.q(),
                  lambda c: (c.T('P1') + c.n('P1')) * 35990 + c.p3('X')),
    'KXYPKP': row(lambda c: (c.T('XYP1') + (c.n('X') * c.r('Y') + c.n('Y')) * c.r('P1') + c.n('P1')) * 47 + c.q(),
                  lambda c: (lambda p, x, y: (((c.T('P1') + c.n('P1')) * 60 + x) * 59 + y) * 47 + p)(
                      *_place(c, ('q', 'P'), ('p', 'X'), ('p', 'Y'))),
                  (lambda c: c.N('XYP1') * 47, lambda c: c.N('P1') * 60 * 59 * 47)),
    'KXYYKP': row(lambda c: (c.T('XYY') + c.L2('Y') * c.r('X') + c.n('X')) * 48 + c.q(),
                  lambda c: (lambda x, y: ((c.T('P1') + c.n('P1')) * 61 + x) * 1770 + y)(
                      *_place(c, ('p', 'X'), ('p2', 'Y')))),
    'KXXYKP': row(lambda c: (c.T('XXY') + c.L2('X') * c.r('Y') + c.n('Y')) * 48 + c.q(),
                  lambda c: (lambda x, y: ((c.T('P1') + c.n('P1')) * 1830 + x) * 59 + y)(
                      *_place(c, ('p2', 'X'), ('p', 'Y')))),
    'KXYZKP': row(lambda c: (c.T('XYZ') + (c.n('X') * c.r('Y') + c.n('Y')) * c.r('Z') + c.n('Z')) * 48 + c.q(),
                  lambda c: (lambda x, y, z: (((c.T('P1') + c.n('P1')) * 61 + x) * 60 + y) * 59 + z)(
                      *_place(c, ('p', 'X'), ('p', 'Y'), ('p', 'Z')))),
    'KPPPKU': row(lambda c: (c.T('PPP1') + c.L3('P1')) * 59 + c.p('U'),
                  lambda c: (c.T('U') + c.n('U')) * 17296 + c.q3()),
    'KXPPKU': row(lambda c: (c.T('XPP1') + c.L2('P1') * c.r('X') + c.n('X')) * 59 + c.p('U'),
                  lambda c: (lambda p, x: ((c.T('U') + c.n('U')) * 59 + x) * 1128 + p)(
                      *_place(c, ('q2', 'P'), ('p', 'X')))),
    'KXXPKU': row(lambda c: (c.T('XXP1') + c.L2('X') * c.r('P1') + c.n('P1')) * 59 + c.p('U'),
                  lambda c: (lambda p, x: ((c.T('U') + c.n('U')) * 1770 + x) * 48 + p)(
                      *_place(c, ('q', 'P'), ('p2', 'X')))),
    'KXYPKU': row(lambda c: (c.T('XYP1') + (c.n('X') * c.r('Y') + c.n('Y')) * c.r('P1') + c.n('P1')) * 59 + c.p('U'),
                  lambda c: (lambda p, x, y: (((c.T('U') + c.n('U')) * 60 + x) * 59 + y) * 48 + p)(
                      *_place(c, ('q', 'P'), ('p', 'X'), ('p', 'Y')))),
}

# Materials stored in one table: the second side to move reads the first
# side's function with the lists exchanged (and, with pawns, the colours).
SYMMETRIC = {'kk', 'knkn', 'kbkb', 'krkr', 'kqkq', 'knnknn', 'kbbkbb', 'krrkrr', 'kqqkqq', 'kbnkbn', 'krnkrn',
             'krbkrb', 'kqnkqn', 'kqbkqb', 'kqrkqr', 'kppkpp', 'knpknp', 'kbpkbp', 'krpkrp', 'kqpkqp'}


def shape(material):
    """'kqrkqp' -> 'KXYKUP'."""
    second_king = material.index('k', 1)
    out = 'K'
    for men, names in ((material[1:second_king], 'XYZ'), (material[second_king + 1:], 'UV')):
        seen = []
        for c in men:
            if c == 'p':
                out += 'P'
            else:
                if c not in seen:
                    seen.append(c)
                out += names[seen.index(c)]
        out += 'K' if names == 'XYZ' else ''
    return out


def rows_of(material):
    return PAWN_ROWS if 'p' in material else PAWNLESS_ROWS


def en_passant_index(pos, ordinary):
    """The en-passant form: frame x never turned, the capture's two pawns and
    two crossed squares not coded, the moving pieces as head, then the
    waiting pieces, the waiting and the moving side's other pawns, x 14 + case."""
    moving, waiting = pos.side, pos.side ^ 1
    k0 = pos.lists[moving]['k'][0]
    x = FILE_MIRROR[k0] ^ INVERT[pos.invert]
    k, o, e = k0 ^ x, pos.lists[waiting]['k'][0] ^ x, pos.ep ^ x
    kk = PAWN_PAIRS[(k, o)]
    d = 1 if pos.side == 0 else -1
    capturer = case = None
    for s in sorted(s ^ x for s in pos.lists[moving]['p']):
        left, right = (s + 7, s + 9) if d == 1 else (s - 9, s - 7)
        if e == left and file_of(s) != 0:
            capturer, case = s, file_of(s) - 1
        elif e == right and file_of(s) != 7:
            capturer, case = s, file_of(s) + 7
        if capturer is not None:
            break
    captured = e - 8 * d
    assert captured in {s ^ x for s in pos.lists[waiting]['p']}

    pieces = [c for c in pos.letters[moving] if c != 'p']
    numbering = lambda letter, s: (NUMBERING[KIND[letter]][o][s]
                                   - (1 if k in NUMBERING[KIND[letter]][o] and k < s else 0))
    radix = lambda letter: len(NUMBERING[KIND[letter]][o]) - (1 if k in NUMBERING[KIND[letter]][o] else 0)
    if not pieces:
        head = kk
    else:
        offsets = offset_table([KIND[c] for c in pieces], True)[0][kk]
        if len(pieces) == 1:
            head = offsets + numbering(pieces[0], pos.lists[moving][pieces[0]][0] ^ x)
        elif pieces[0] == pieces[1]:
            a, b = sorted(numbering(pieces[0], s ^ x) for s in pos.lists[moving][pieces[0]])
            head = offsets + comb(b, 2) + a
        else:
            X, Y = pieces
            head = (offsets + numbering(X, pos.lists[moving][X][0] ^ x) * radix(Y)
                    + numbering(Y, pos.lists[moving][Y][0] ^ x))

    pawns = {e, e + 8 * d, capturer, captured}
    placed = {k, o} | pawns | {s ^ x for c in set(pieces) for s in pos.lists[moving][c]}

    def place_pawns(squares):
        framed = sorted(squares)
        values = [s - 8 - sum(1 for p in pawns if p < s) for s in framed]
        pawns.update(framed)
        placed.update(framed)
        return sum(comb(v, i + 1) for i, v in enumerate(values)), len(framed)

    mover_value, mover_count = place_pawns([s ^ x for s in pos.lists[moving]['p'] if s ^ x != capturer])
    waiter_value, waiter_count = place_pawns([s ^ x for s in pos.lists[waiting]['p'] if s ^ x != captured])
    digits = []
    for c in dict.fromkeys(c for c in pos.letters[waiting] if c != 'p'):
        framed = sorted(s ^ x for s in pos.lists[waiting][c])
        values = [s - sum(1 for p in placed if p < s) for s in framed]
        digits.append((sum(comb(v, i + 1) for i, v in enumerate(values)), comb(64 - len(placed), len(framed))))
        placed.update(framed)
    digits.append((waiter_value, comb(44 - mover_count, waiter_count)))
    digits.append((mover_value, comb(44, mover_count)))
    value = head
    for digit, base in digits:
        value = value * base + digit
    return ordinary + value * 14 + case


def index_of(pos):
    if pos.material in SYMMETRIC and pos.side == 1:
        swapped = Position(pos.material, 0, pos.invert ^ 1, [pos.lists[1], pos.lists[0]], pos.ep)
        return index_of(swapped)
    entry = rows_of(pos.material)[shape(pos.material)]
    if pos.ep is not None:
        return en_passant_index(pos, entry['ordinary'][pos.side](Index(pos)))
    return entry['side'][pos.side](Index(pos))


# ---- Self-checks against the figures the format states ----------------------------

def self_check():
    assert len(PAWNLESS_PAIRS) == 462 and len(PAWN_PAIRS) == 1806
    assert PAWNLESS_PAIRS[(0, 2)] == 0 and PAWNLESS_PAIRS[(0, 4)] == 2 and PAWNLESS_PAIRS[(27, 63)] == 461
    assert PAWN_PAIRS[(59, 62)] == 1804 and PAWN_PAIRS[(59, 63)] == 1805
    totals = {(2, False): 26282, (3, False): 27243, (4, False): 27036, (5, False): 25635, (0, True): 84012,
              (1, True): 81664}
    for (kind, pawn_form), total in totals.items():
        assert offset_table([kind], pawn_form)[1] == total, (kind, total)
    queens = offset_table([5], False)[0]
    assert (queens[32], queens[202], queens[17]) == (1766, 11178, 941)
    assert len(NUMBERING[5][0]) == 60 and len(NUMBERING[2][0]) == 61
    assert 27 not in NUMBERING[1][36] and 29 not in NUMBERING[1][36]


# ---- The table of cases ---------------------------------------------------------

def parse_list(text):
    men = {}
    for word in text.split():
        men.setdefault(word[0].lower(), []).append(square(word[1:]))
    return men


def format_list(men, letters):
    words = ['K' + square_name(men['k'][0])]
    for c in dict.fromkeys(letters):
        words += [c.upper() + square_name(s) for s in men[c]]
    return ' '.join(words)


def parse_case(line):
    """'<material> <side> <invert> <first men> / <second men> [ep <square>] = <index>'"""
    left, expected = line.split('=')
    head, second = left.split('/')
    words = head.split()
    material, side, invert, first = words[0], int(words[1]), int(words[2]), ' '.join(words[3:])
    ep = None
    if ' ep ' in ' ' + second + ' ':
        second, ep_name = second.split(' ep ')
        ep = square(ep_name.strip())
    return Position(material, side, invert, [parse_list(first), parse_list(second)], ep), int(expected)


def check(path):
    failures = 0
    covered = set()
    with open(path) as table:
        for number, line in enumerate(table, 1):
            line = line.split('#')[0].strip()
            if not line:
                continue
            pos, expected = parse_case(line)
            problem = pos.problem()
            if problem:
                print(f'{path}:{number}: {problem}: {line}')
                failures += 1
                continue
            got = index_of(pos)
            if got != expected:
                print(f'{path}:{number}: the formulas give {got}, the table says {expected}: {line}')
                failures += 1
            covered.add((shape(pos.material), pos.side, pos.ep is not None))
    for rows in (PAWNLESS_ROWS, PAWN_ROWS):
        for name, entry in rows.items():
            for side in (0, 1):
                forms = [False] + ([True] if entry['ordinary'] else [])
                for en_passant in forms:
                    if (name, side, en_passant) not in covered:
                        print(f'no case of {name} side {side}' + (' with en passant' if en_passant else ''))
                        failures += 1
    return failures


# ---- Drawing a fresh table (fixed seed) --------------------------------------------

def members():
    """Every material of the registry's naming rules, by sub-family."""
    order = 'qrbnp'
    sides = ['']
    for n in (1, 2, 3):
        sides += sorted({''.join(sorted(c, key=order.index)) for c in _multisets(order, n)}, key=_strength)
    found = {}
    for a in sides:
        for b in sides:
            if not a or len(a) + len(b) > 4 or _strength(b) > _strength(a):
                continue
            material = 'k' + a + 'k' + b
            found.setdefault(shape(material), []).append(material)
    return found


def _multisets(letters, n):
    if n == 0:
        yield ''
        return
    for i, c in enumerate(letters):
        for rest in _multisets(letters[i:], n - 1):
            yield c + rest


def _strength(men):
    order = 'pnbrq'
    return (len(men), [order.index(c) for c in men])


def random_case(material, side, with_ep, rng):
    second_king = material.index('k', 1)
    letters = [material[1:second_king], material[second_king + 1:]]
    while True:
        invert = rng.randrange(2)
        used = set()
        lists = [{}, {}]
        for s in (0, 1):
            for c in 'k' + letters[s]:
                while True:
                    sq = rng.randrange(8, 56) if c == 'p' else rng.randrange(64)
                    if sq not in used:
                        break
                used.add(sq)
                lists[s].setdefault(c, []).append(sq)
        ep = None
        if with_ep:
            mover_white = (side ^ invert) == 0
            forward = 8 if mover_white else -8
            pawn = rng.choice(range(len(lists[side ^ 1]['p'])))
            ep = rng.randrange(40, 48) if mover_white else rng.randrange(16, 24)
            lists[side ^ 1]['p'][pawn] = ep - forward
            capturer = rng.choice(range(len(lists[side]['p'])))
            lists[side]['p'][capturer] = ep - forward + rng.choice((-1, 1))  # the rules refuse a wrap
        pos = Position(material, side, invert, lists, ep)
        if pos.problem() is None:
            try:
                return pos, index_of(pos)
            except ValueError:
                continue


def generate():
    rng = random.Random(33)
    families = members()
    for rows in (PAWNLESS_ROWS, PAWN_ROWS):
        for name, entry in rows.items():
            chosen = families[name][:1] + families[name][-1:] if len(families[name]) > 1 else families[name]
            print(f'# {name}')
            for material in chosen:
                for side in (0, 1):
                    forms = [False] + ([True] if entry['ordinary'] else [])
                    for with_ep in forms:
                        pos, index = random_case(material, side, with_ep, rng)
                        second = format_list(pos.lists[1], pos.letters[1])
                        if pos.ep is not None:
                            second += ' ep ' + square_name(pos.ep)
                        print(f'{material} {side} {pos.invert} {format_list(pos.lists[0], pos.letters[0])} / '
                              f'{second} = {index}')


def main():
    self_check()
    if sys.argv[1:] == ['--generate']:
        generate()
        return 0
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    failures = check(sys.argv[1])
    print('index table:', 'ok' if failures == 0 else f'{failures} failures')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
