#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <random>
#include <vector>

#include <QRandomGenerator>

#include "testsupport.h"
#include "units.h"

// A seeded generator of diagonal puzzles, which qqwing does not make, with
// their solutions.
class DiagonalGenerator {
public:
    explicit DiagonalGenerator(quint32 seed) : random_(seed) {}

    // A full grid, then givens taken away in a random order while the
    // puzzle keeps one solution, down to 22-35 givens: easy to hard.
    SolvedPuzzle next()
    {
        std::array<int, 81> grid{};
        fill(grid);
        const std::array<int, 81> solution = grid;
        std::array<int, 81> order;
        for (int i = 0; i < 81; ++i)
            order[size_t(i)] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(random_.generate()));
        int givens = 81;
        const int target = 22 + int(random_.bounded(14));
        for (int c : order) {
            if (givens == target)
                break;
            const int kept = grid[size_t(c)];
            grid[size_t(c)] = 0;
            if (countSolutions(grid) != 1)
                grid[size_t(c)] = kept;
            else
                --givens;
        }
        SolvedPuzzle puzzle;
        for (int c = 0; c < 81; ++c) {
            puzzle.givens += grid[size_t(c)] ? QChar(u'0' + grid[size_t(c)]) : QChar(u'.');
            puzzle.solution += QChar(u'0' + solution[size_t(c)]);
        }
        return puzzle;
    }

    // The solutions of `grid` (0 an open cell, 1-9 a digit) as a diagonal
    // puzzle, counted up to two, by a search of its own that looks at one cell
    // at a time.
    static int countSolutions(std::array<int, 81> grid)
    {
        int solutions = 0;
        count(grid, solutions);
        return solutions;
    }

private:
    // The cells that share a unit with each cell, diagonals included.
    static const std::array<std::vector<int>, 81>& peers()
    {
        static const std::array<std::vector<int>, 81> all = [] {
            std::array<std::vector<int>, 81> out;
            for (const units::Unit& unit : units::all) {
                for (int a : unit) {
                    for (int b : unit) {
                        if (a != b && std::find(out[size_t(a)].begin(), out[size_t(a)].end(), b) ==
                                          out[size_t(a)].end())
                            out[size_t(a)].push_back(b);
                    }
                }
            }
            return out;
        }();
        return all;
    }
    // Bit d set: digit d is free in the cell.
    static unsigned freeDigits(const std::array<int, 81>& grid, int cell)
    {
        unsigned used = 0;
        for (int p : peers()[size_t(cell)])
            used |= 1u << grid[size_t(p)];
        return ~used & 0x3FE;
    }
    // The open cell with the fewest free digits, and those digits; -1 when
    // no cell is open.
    static int tightestCell(const std::array<int, 81>& grid, unsigned& freeOfIt)
    {
        int best = -1;
        int fewest = 10;
        for (int c = 0; c < 81 && fewest > 1; ++c) {
            if (grid[size_t(c)])
                continue;
            const unsigned free = freeDigits(grid, c);
            const int n = std::popcount(free);
            if (n < fewest) {
                fewest = n;
                best = c;
                freeOfIt = free;
            }
        }
        return best;
    }
    // A random full grid: the open cell with fewest digits first, digits in
    // a random order. A search that wanders too long starts again, so no
    // seed can keep it busy.
    void fill(std::array<int, 81>& grid)
    {
        for (;;) {
            grid.fill(0);
            int budget = 20000;
            if (fill(grid, budget))
                return;
        }
    }
    bool fill(std::array<int, 81>& grid, int& budget)
    {
        if (--budget < 0)
            return false;
        unsigned bestFree = 0;
        const int best = tightestCell(grid, bestFree);
        if (best < 0)
            return true;
        std::array<int, 9> digits{1, 2, 3, 4, 5, 6, 7, 8, 9};
        std::shuffle(digits.begin(), digits.end(), std::mt19937(random_.generate()));
        for (int d : digits) {
            if (bestFree & (1u << d)) {
                grid[size_t(best)] = d;
                if (fill(grid, budget))
                    return true;
            }
        }
        grid[size_t(best)] = 0;
        return false;
    }
    // Counts solutions up to two, the open cell with fewest digits first.
    static void count(std::array<int, 81>& grid, int& solutions)
    {
        unsigned bestFree = 0;
        const int best = tightestCell(grid, bestFree);
        if (best < 0) {
            ++solutions;
            return;
        }
        for (int d = 1; d <= 9 && solutions < 2; ++d) {
            if (bestFree & (1u << d)) {
                grid[size_t(best)] = d;
                count(grid, solutions);
                grid[size_t(best)] = 0;
            }
        }
    }
    QRandomGenerator random_;
};
