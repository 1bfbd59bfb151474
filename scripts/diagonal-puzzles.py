#!/usr/bin/env python3
"""Minimal diagonal puzzles: a random full grid in which both long diagonals
hold 1-9 too, then givens taken away in a random order while the puzzle keeps
one solution, until no given can go. Each line is the puzzle and its
solution, 81 characters each ('.' for an open cell), with a space between.

    scripts/diagonal-puzzles.py COUNT [SEED] > tests/data/diagonal-minimal.txt

The same seed gives the same puzzles. qqwing makes no diagonal puzzles, so
the test data's diagonal set comes from here.
"""

import random
import sys

UNITS = ([[9 * r + c for c in range(9)] for r in range(9)]
         + [[9 * r + c for r in range(9)] for c in range(9)]
         + [[27 * (b // 3) + 3 * (b % 3) + 9 * (p // 3) + p % 3 for p in range(9)]
            for b in range(9)]
         + [[10 * p for p in range(9)], [8 * (p + 1) for p in range(9)]])
PEERS = [sorted({p for u in UNITS if c in u for p in u} - {c}) for c in range(81)]
ALL = 0x3FE


def free_digits(grid, cell):
    used = 0
    for p in PEERS[cell]:
        used |= 1 << grid[p]
    return ~used & ALL


def fill(grid, rng, cell=0):
    if cell == 81:
        return True
    digits = list(range(1, 10))
    rng.shuffle(digits)
    free = free_digits(grid, cell)
    for d in digits:
        if free & (1 << d):
            grid[cell] = d
            if fill(grid, rng, cell + 1):
                return True
    grid[cell] = 0
    return False


def count(grid, limit=2):
    """Solutions of `grid`, up to `limit`, the open cell with fewest digits
    first."""
    best, best_free, fewest = -1, 0, 10
    for c in range(81):
        if grid[c]:
            continue
        free = free_digits(grid, c)
        n = bin(free).count("1")
        if n < fewest:
            best, best_free, fewest = c, free, n
            if n <= 1:
                break
    if best < 0:
        return 1
    found = 0
    for d in range(1, 10):
        if best_free & (1 << d):
            grid[best] = d
            found += count(grid, limit - found)
            grid[best] = 0
            if found >= limit:
                break
    return found


def minimal_puzzle(rng):
    grid = [0] * 81
    fill(grid, rng)
    solution = list(grid)
    order = list(range(81))
    rng.shuffle(order)
    for c in order:
        kept = grid[c]
        grid[c] = 0
        if count(list(grid)) != 1:
            grid[c] = kept
    return grid, solution


def main():
    total = int(sys.argv[1])
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    for _ in range(total):
        grid, solution = minimal_puzzle(rng)
        print("".join(str(d) if d else "." for d in grid), "".join(map(str, solution)),
              flush=True)


if __name__ == "__main__":
    main()
