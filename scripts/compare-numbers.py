#!/usr/bin/env python3
"""Compares two trees of result files number by number.

usage: compare-numbers.py TREE_A TREE_B [--limit REL]

Every file of either tree must exist in the other. Text files are split into
numbers and the text between them: the text must match exactly, the numbers
may differ by a relative amount |a - b| / max(|a|, |b|). Other files must
match byte for byte. Prints the largest relative difference of each file that
has one and of the whole tree; exits with 1 when the trees differ other than
in numbers, or a number differs by more than REL (when given).
"""
import argparse
import os
import re
import sys

NUMBER = re.compile(rb"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?")


def files_of(root):
    out = set()
    for folder, _, names in os.walk(root):
        for name in names:
            out.add(os.path.relpath(os.path.join(folder, name), root))
    return out


def is_text(data):
    return b"\0" not in data[:4096]


def relative(a, b):
    if a == b:
        return 0.0
    return abs(a - b) / max(abs(a), abs(b))


def compare_text(a, b):
    """Largest relative difference of the numbers, or None when the text differs."""
    na, nb = NUMBER.findall(a), NUMBER.findall(b)
    if len(na) != len(nb) or NUMBER.split(a) != NUMBER.split(b):
        return None
    worst = 0.0
    for x, y in zip(na, nb):
        if x != y:
            worst = max(worst, relative(float(x), float(y)))
    return worst


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("a")
    parser.add_argument("b")
    parser.add_argument("--limit", type=float, default=None)
    args = parser.parse_args()
    fa, fb = files_of(args.a), files_of(args.b)
    ok = True
    for only in sorted(fa ^ fb):
        print(f"only in {'first' if only in fa else 'second'}: {only}")
        ok = False
    worst, where = 0.0, ""
    for name in sorted(fa & fb):
        with open(os.path.join(args.a, name), "rb") as f:
            a = f.read()
        with open(os.path.join(args.b, name), "rb") as f:
            b = f.read()
        if a == b:
            continue
        diff = compare_text(a, b) if is_text(a) and is_text(b) else None
        if diff is None:
            print(f"differs other than in numbers: {name}")
            ok = False
            continue
        print(f"{name}: largest relative difference {diff:.3e}")
        if diff >= worst:
            worst, where = diff, name
    print(f"largest relative difference: {worst:.3e}" + (f" ({where})" if where else ""))
    if args.limit is not None and worst > args.limit:
        ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
