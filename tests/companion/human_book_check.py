#!/usr/bin/env python3
"""Runs the book-writing tool on a source text and reads the book it writes
with Python alone: header and records little-endian at their offsets, the
records sorted by key word 1, and every record's statistics, deciphered
with the public key, equal to its source line.

Usage: human_book_check.py <human_book_writer program> <source text> <book file>
"""
import struct
import subprocess
import sys

N = 0xC01FD5C62740604AA7356C748D74011FF0D53FC3
E = 0xC2E5A3F1
MAGIC = 0xA9C5B003


def square(text):
    return (ord(text[1]) - ord("1")) * 8 + ord(text[0]) - ord("a")


def source_moves(path):
    """{(move word, class): (W, D, L, white, black, year) or None, learning byte}"""
    moves = {}
    for line in open(path):
        words = line.split()
        if not words or words[0] != "move":
            continue
        text, play_class = words[1], int(words[3])
        word = square(text[0:2]) << 6 | square(text[2:4]) | play_class << 12
        fields = dict(zip(words[4::2], words[5::2]))
        games = None
        if "result" in fields:
            w, d, l = (int(x) for x in fields["result"].split("/"))
            white, black = (int(x) for x in fields["elo"].split("/"))
            games = (w, d, l, white, black, int(fields["year"]))
        learning = int(fields["learn"]) if "learn" in fields else min(play_class * 4, 31)
        moves[word] = (games, learning)
    return moves


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    writer, source, book = sys.argv[1:]
    subprocess.run([writer, source, book], check=True)
    data = open(book, "rb").read()
    expected = source_moves(source)
    failures = []

    magic, positions, variations, _, _, games, _, version = struct.unpack_from("<8I", data, 0)
    if magic != MAGIC or positions != len(expected) or len(data) != 32 * (positions + 1):
        failures.append(f"header: magic {magic:x}, positions {positions}, file {len(data)} bytes")
    total = sum(g[0] + g[1] + g[2] for g, _ in expected.values() if g)
    if games != total or variations != positions or version != 1:
        failures.append(f"header: games {games} (want {total}), variations {variations}, version {version}")

    previous = -1
    for i in range(positions):
        key1, key2, move, learning, spare = struct.unpack_from("<IIHBB", data, 32 * (i + 1))
        cipher = struct.unpack_from("<5I", data, 32 * (i + 1) + 12)
        if key1 < previous:
            failures.append(f"record {i}: key word 1 {key1:08x} below the one before")
        previous = key1
        if move not in expected:
            failures.append(f"record {i}: move word {move:04x} not in the source")
            continue
        games_wanted, learning_wanted = expected.pop(move)
        if learning != learning_wanted or spare != 0:
            failures.append(f"record {i}: learning {learning} (want {learning_wanted}), spare {spare}")
        plain = pow(sum(w << (32 * k) for k, w in enumerate(cipher)), E, N)
        w0, w1, w2 = plain & 0xFFFFFFFF, plain >> 32 & 0xFFFFFFFF, plain >> 64 & 0xFFFFFFFF
        got = (w1 >> 10, (w1 & 0x3FF) << 11 | w2 >> 21, w2 & 0x1FFFFF,
               (w0 >> 11 & 0x7FF) + 1599, (w0 & 0x7FF) + 1599, (w0 >> 22) + 1845)
        if games_wanted is None and plain != 0:
            failures.append(f"record {i}: a novelty with statistics {plain:x}")
        if games_wanted is not None and got != games_wanted:
            failures.append(f"record {i}: statistics {got}, want {games_wanted}")
    if expected:
        failures.append(f"moves missing from the book: {sorted(expected)}")

    for failure in failures:
        print("FAIL", failure)
    print(f"{positions} records, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
