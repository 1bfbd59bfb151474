#pragma once

#include <array>

#include "puzzlefile.h"

// An exact solver for a puzzle's givens: whether they have no solution, one
// or more than one, and the solution. A function of the givens alone (no form
// state, no candidates the user typed), for the normal puzzle and the
// diagonal one, where both long diagonals hold 1-9 too (units.h).
//
// It searches with bit masks: each cell's digits left, a placed digit taken
// from its peers at once, a cell with one digit left and a digit with one
// place left in a unit placed in turn, a digit locked where a box meets a
// line taken from the rest of the other; then a guess where the choices are
// fewest, in a cell or among a digit's places in a unit. A run that takes
// too long starts again in another order of choices, with twice the guesses
// (a wrong early guess on a nearly empty grid can otherwise take seconds to
// find out). Givens that already clash (the same digit twice in a unit, a
// cell or a unit left without a digit) end it before any guess. The search
// stops as soon as it has found `limit` solutions, so a nearly empty grid
// answers as fast as a full one. A puzzle takes some microseconds, the
// hardest known ones a fifth of a millisecond (docs/performance.md).
namespace solver {

// A grid in reading order (cell 9 * row + column): 0 an empty cell, 1-9 a
// digit.
using Grid = std::array<int, 81>;

struct Result {
    // The solutions found, at most the limit asked for: 0 none, 1 one (the
    // only one when the limit is above 1), and the limit itself when there
    // are at least that many.
    int count = 0;
    // The first solution found, every cell 1-9; all 0 when there is none.
    // With a count of 1 below the limit, the puzzle's one solution.
    Grid solution{};
    // False when the search gave up before it could tell: after 200,000
    // guesses, a hundred times what the hardest puzzles known need, rather
    // than hold the program for seconds. The count is then what the search
    // had found, fewer than the limit, and neither 0 nor 1 is certain.
    bool complete = true;
};

// The solutions of `givens`, counted up to `limit` (a limit below 1 counts
// as 1). A value outside 1-9 is an empty cell.
Result solve(const Grid& givens, bool diagonal, int limit = 2);

// The givens among a puzzle's entries: "1"-"9" (puzzlefile::isDigit) a
// given, every other entry an empty cell.
Grid givensOf(const puzzlefile::Entries& entries);

// The same solve, of a puzzle's entries.
inline Result solve(const puzzlefile::Entries& entries, bool diagonal, int limit = 2)
{
    return solve(givensOf(entries), diagonal, limit);
}

}  // namespace solver
