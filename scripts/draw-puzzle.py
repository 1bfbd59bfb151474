#!/usr/bin/env python3
"""Draws a puzzle as a mondai.txt grid: Shift-JIS, CR LF, full-width digits,
ideographic spaces for empty cells, box-drawing rules in between.

usage: draw-puzzle.py PUZZLE81 > mondai.txt
PUZZLE81 is 81 characters in reading order, '.' or '0' for an empty cell.
"""
import sys


def draw(puzzle: str) -> bytes:
    cells = [ch for ch in puzzle if not ch.isspace()]
    if len(cells) != 81:
        raise SystemExit("need 81 cells, got %d" % len(cells))
    full = {str(d): chr(0xFF10 + d) for d in range(1, 10)}

    def rule(left, mid, right):
        return left + "─" + (mid + "─") * 8 + right

    lines = [rule("┌", "┬", "┐")]
    for r in range(9):
        row = cells[9 * r:9 * r + 9]
        lines.append("│" + "│".join(full.get(ch, "　") for ch in row) + "│")
        lines.append(rule("├", "┼", "┤") if r < 8 else rule("└", "┴", "┘"))
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


if __name__ == "__main__":
    sys.stdout.buffer.write(draw(sys.argv[1]))
