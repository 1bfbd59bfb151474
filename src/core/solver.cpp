#include "solver.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "units.h"

namespace solver {

namespace {

// Bit d - 1 set: digit d still possible.
using Mask = std::uint16_t;
constexpr Mask AllDigits = 0x1FF;

constexpr bool single(Mask m)
{
    return (m & (m - 1)) == 0;
}

constexpr Mask lowest(Mask m)
{
    return Mask(m & (~m + 1));
}

// A centre cell on both diagonals has 20 peers in its row, column and box
// and 12 more on the diagonals.
constexpr int MaxPeers = 32;

// Where a box meets a diagonal in three cells: the three, and the other six
// of the box and of the diagonal.
struct Segment {
    std::array<std::uint8_t, 3> cells{};
    std::array<std::uint8_t, 6> boxRest{};
    std::array<std::uint8_t, 6> lineRest{};
};

struct Tables {
    std::array<std::array<std::uint8_t, MaxPeers>, 81> peers{};
    std::array<int, 81> peerCount{};
    int unitCount = 27;
    // Three boxes on each diagonal.
    std::array<Segment, 6> segments{};
    int segmentCount = 0;
};

constexpr bool holds(const units::Unit& unit, int cell)
{
    for (int c : unit) {
        if (c == cell)
            return true;
    }
    return false;
}

constexpr Tables makeTables(bool diagonal)
{
    Tables t;
    t.unitCount = diagonal ? 29 : 27;
    for (int u = 0; u < t.unitCount; ++u) {
        for (int a : units::all[size_t(u)]) {
            for (int b : units::all[size_t(u)]) {
                bool known = a == b;
                for (int i = 0; i < t.peerCount[size_t(a)]; ++i)
                    known = known || t.peers[size_t(a)][size_t(i)] == b;
                if (!known)
                    t.peers[size_t(a)][size_t(t.peerCount[size_t(a)]++)] = std::uint8_t(b);
            }
        }
    }
    for (int box = 18; box < 27; ++box) {
        const units::Unit& boxCells = units::all[size_t(box)];
        for (int line = 27; line < t.unitCount; ++line) {
            const units::Unit& lineCells = units::all[size_t(line)];
            Segment s;
            int in = 0;
            int boxOut = 0;
            int lineOut = 0;
            for (int c : boxCells) {
                if (holds(lineCells, c)) {
                    if (in < 3)
                        s.cells[size_t(in)] = std::uint8_t(c);
                    ++in;
                } else if (boxOut < 6) {
                    s.boxRest[size_t(boxOut++)] = std::uint8_t(c);
                }
            }
            if (in != 3)
                continue;
            for (int c : lineCells) {
                if (!holds(boxCells, c))
                    s.lineRest[size_t(lineOut++)] = std::uint8_t(c);
            }
            t.segments[size_t(t.segmentCount++)] = s;
        }
    }
    return t;
}

constexpr Tables NormalTables = makeTables(false);
constexpr Tables DiagonalTables = makeTables(true);
static_assert(NormalTables.segmentCount == 0 && DiagonalTables.segmentCount == 6);

constexpr std::array<std::uint8_t, 512> makeCounts()
{
    std::array<std::uint8_t, 512> counts{};
    for (unsigned m = 0; m < 512; ++m)
        counts[m] = std::uint8_t(std::popcount(m));
    return counts;
}
// How many digits a mask holds, without a call where the processor has no
// instruction for it.
constexpr std::array<std::uint8_t, 512> DigitCount = makeCounts();

// The units each cell is in, bit u for units::all[u].
constexpr std::array<std::uint32_t, 81> makeUnitsOf()
{
    std::array<std::uint32_t, 81> of{};
    for (int u = 0; u < 29; ++u) {
        for (int c : units::all[size_t(u)])
            of[size_t(c)] |= 1u << u;
    }
    return of;
}
constexpr std::array<std::uint32_t, 81> UnitsOf = makeUnitsOf();

// A line's triads, numbered 3 * line + part: a row's three cells in one box
// (part the box's column of boxes), or a column's (part the row of boxes).
// Each triad's first cell, for the rows and for the columns.
constexpr std::array<std::uint8_t, 27> makeTriads(bool rows)
{
    std::array<std::uint8_t, 27> first{};
    for (int line = 0; line < 9; ++line) {
        for (int part = 0; part < 3; ++part)
            first[size_t(3 * line + part)] =
                std::uint8_t(rows ? 9 * line + 3 * part : 27 * part + line);
    }
    return first;
}
constexpr std::array<std::uint8_t, 27> RowTriads = makeTriads(true);
constexpr std::array<std::uint8_t, 27> ColumnTriads = makeTriads(false);

// For each triad, the other two of its line and the other two of its box.
struct TriadPeers {
    size_t self = 0;
    std::array<size_t, 2> line{};
    std::array<size_t, 2> box{};
};
constexpr std::array<TriadPeers, 27> makeTriadPeers()
{
    std::array<TriadPeers, 27> table{};
    for (int line = 0; line < 9; ++line) {
        for (int part = 0; part < 3; ++part) {
            TriadPeers& p = table[size_t(3 * line + part)];
            p.self = size_t(3 * line + part);
            p.line = {size_t(3 * line + (part + 1) % 3), size_t(3 * line + (part + 2) % 3)};
            p.box = {size_t(3 * (3 * (line / 3) + (line + 1) % 3) + part),
                     size_t(3 * (3 * (line / 3) + (line + 2) % 3) + part)};
        }
    }
    return table;
}
constexpr std::array<TriadPeers, 27> TriadPeerTable = makeTriadPeers();

// Each cell's digits left (a cell with one digit left holds that digit), and
// the units whose cells have lost digits since they were last looked at, bit
// u for units::all[u].
struct Board {
    std::array<Mask, 81> cells;
    std::uint32_t unseen = 0;
};

// A search that has made this many guesses in all has met a puzzle far
// beyond any known one (the hardest need a few thousand): it gives up rather
// than hold the program.
constexpr long MaxGuesses = 200000;

// A run of the search that has made this many guesses without an answer
// starts again, with twice as many, choosing among equally few choices in
// another order. A wrong guess on a nearly empty grid can otherwise cost a
// hundred thousand guesses before the search learns it was wrong; another
// order rarely meets the same trap.
constexpr long FirstRunGuesses = 1000;

class Search {
public:
    Search(const Tables& tables, int limit) : t_(tables), limit_(limit) {}

    // One run from `board`, with at most `guesses` guesses, in the
    // `order`-th order of choices. True when it has the answer: it came to
    // its end within them, or found as many solutions as the limit.
    bool runFrom(const Board& board, long guesses, int order)
    {
        guessesLeft_ = guesses;
        cellStart_ = (order * 37) % 81;
        unitStart_ = (order * 11) % t_.unitCount;
        digitStart_ = order % 9;
        found = 0;
        run(board);
        return guessesLeft_ >= 0 || found >= limit_;
    }

    int found = 0;  // the solutions this run found
    Grid first{};   // the first of them

    // Places `digit` in `cell` and takes it from the cell's peers, and so on
    // for every peer that keeps one digit. False when a cell runs out of
    // digits, or the cell cannot hold it.
    bool place(Board& board, int cell, Mask digit) const
    {
        if ((board.cells[size_t(cell)] & digit) == 0)
            return false;
        board.cells[size_t(cell)] = digit;
        std::uint32_t touched = UnitsOf[size_t(cell)];
        // A cell is pushed when it comes down to one digit, which happens
        // once, and the first cell besides.
        std::array<std::uint8_t, 82> stack;
        int top = 0;
        stack[size_t(top++)] = std::uint8_t(cell);
        while (top > 0) {
            const int c = stack[size_t(--top)];
            const Mask m = board.cells[size_t(c)];
            const auto& peers = t_.peers[size_t(c)];
            for (int i = 0; i < t_.peerCount[size_t(c)]; ++i) {
                const int p = peers[size_t(i)];
                const Mask before = board.cells[size_t(p)];
                if ((before & m) == 0)
                    continue;
                const Mask left = Mask(before & ~m);
                if (left == 0)
                    return false;
                board.cells[size_t(p)] = left;
                touched |= UnitsOf[size_t(p)];
                if (single(left))
                    stack[size_t(top++)] = std::uint8_t(p);
            }
        }
        board.unseen |= touched;
        return true;
    }

    // Takes `digits` from `cell`, placing what is left when one digit is.
    bool remove(Board& board, int cell, Mask digits) const
    {
        const Mask before = board.cells[size_t(cell)];
        const Mask left = Mask(before & ~digits);
        if (left == before)
            return true;
        if (left == 0)
            return false;
        board.cells[size_t(cell)] = left;
        board.unseen |= UnitsOf[size_t(cell)];
        return !single(left) || place(board, cell, left);
    }

    // Looks at the units that lost digits until none is left: places every
    // digit that has one place left in a unit, and where a box holds a digit
    // only where it meets a line (or the line only where it meets the box),
    // takes it from the rest of the line (of the box). False when a unit has
    // no place for a digit, or one cell is the only place of two.
    bool settle(Board& board) const
    {
        const std::uint32_t inPlay = t_.unitCount == 29 ? 0x1FFFFFFFu : 0x7FFFFFFu;
        for (;;) {
            while ((board.unseen &= inPlay) != 0) {
                const int u = std::countr_zero(board.unseen);
                board.unseen &= board.unseen - 1;
                const units::Unit& unit = units::all[size_t(u)];
                Mask once = 0;
                Mask twice = 0;
                Mask placed = 0;
                for (int c : unit) {
                    const Mask m = board.cells[size_t(c)];
                    twice |= Mask(once & m);
                    once |= m;
                    if (single(m))
                        placed |= m;
                }
                if (once != AllDigits)
                    return false;
                const Mask hidden = Mask(once & ~twice & ~placed);
                if (hidden == 0)
                    continue;
                for (int c : unit) {
                    const Mask m = Mask(board.cells[size_t(c)] & hidden);
                    if (m == 0)
                        continue;
                    if (!single(m) || !place(board, c, m))
                        return false;
                }
            }
            if (!lockedInLines(board, true) || !lockedInLines(board, false) ||
                !lockedOnDiagonals(board))
                return false;
            if ((board.unseen & inPlay) == 0)
                return true;
        }
    }

    // Where a box holds a digit only where it meets a row (rows) or a column,
    // takes it from the rest of the line, and where the line holds it only
    // there, from the rest of the box. Each line is three triads of cells,
    // one in each box it crosses; the digits of a box's rest and of a line's
    // rest are those of two triads.
    bool lockedInLines(Board& board, bool rows) const
    {
        const int step = rows ? 1 : 9;
        const auto& firstCells = rows ? RowTriads : ColumnTriads;
        std::array<Mask, 27> triads;  // [3 * line + part]
        for (int t = 0; t < 27; ++t) {
            const int c = firstCells[size_t(t)];
            triads[size_t(t)] = Mask(board.cells[size_t(c)] | board.cells[size_t(c + step)] |
                                     board.cells[size_t(c + 2 * step)]);
        }
        // The digits found are still right when an earlier removal made the
        // triads' digits fewer: a digit missing from a triad stays missing.
        const auto removeFrom = [&](int t, Mask digits) {
            const int c = firstCells[size_t(t)];
            return remove(board, c, digits) && remove(board, c + step, digits) &&
                   remove(board, c + 2 * step, digits);
        };
        for (const TriadPeers& p : TriadPeerTable) {
            const Mask in = triads[p.self];
            const Mask lineRest = Mask(triads[p.line[0]] | triads[p.line[1]]);
            const Mask boxRest = Mask(triads[p.box[0]] | triads[p.box[1]]);
            const Mask fromLine = Mask(in & lineRest & ~boxRest);
            const Mask fromBox = Mask(in & boxRest & ~lineRest);
            if (fromLine != 0 &&
                (!removeFrom(p.line[0], fromLine) || !removeFrom(p.line[1], fromLine)))
                return false;
            if (fromBox != 0 && (!removeFrom(p.box[0], fromBox) || !removeFrom(p.box[1], fromBox)))
                return false;
        }
        return true;
    }

    // The same where a box meets a diagonal.
    bool lockedOnDiagonals(Board& board) const
    {
        for (int i = 0; i < t_.segmentCount; ++i) {
            const Segment& s = t_.segments[size_t(i)];
            Mask in = 0;
            Mask boxRest = 0;
            Mask lineRest = 0;
            for (int c : s.cells)
                in |= board.cells[size_t(c)];
            for (int c : s.boxRest)
                boxRest |= board.cells[size_t(c)];
            for (int c : s.lineRest)
                lineRest |= board.cells[size_t(c)];
            const Mask fromLine = Mask(in & lineRest & ~boxRest);
            const Mask fromBox = Mask(in & boxRest & ~lineRest);
            for (int c : s.lineRest) {
                if (fromLine != 0 && !remove(board, c, fromLine))
                    return false;
            }
            for (int c : s.boxRest) {
                if (fromBox != 0 && !remove(board, c, fromBox))
                    return false;
            }
        }
        return true;
    }

    void run(Board board)
    {
        if (--guessesLeft_ < 0 || !settle(board))
            return;
        // Guesses where they are fewest: in the open cell with the fewest
        // digits (of those, the one with the most open peers, where a guess
        // tells the most), or among the places of a digit with two or three
        // in a unit where no open cell has as few digits.
        int bestCell = -1;
        int fewest = 10;
        int mostOpenPeers = -1;
        for (int i = 0, c = cellStart_; i < 81; ++i, c = c == 80 ? 0 : c + 1) {
            const int n = DigitCount[board.cells[size_t(c)]];
            if (n < 2 || n > fewest)
                continue;
            int openPeers = 0;
            for (int k = 0; k < t_.peerCount[size_t(c)]; ++k)
                openPeers += !single(board.cells[t_.peers[size_t(c)][size_t(k)]]);
            if (n < fewest || openPeers > mostOpenPeers) {
                fewest = n;
                bestCell = c;
                mostOpenPeers = openPeers;
            }
        }
        if (bestCell < 0) {
            if (found++ == 0) {
                for (int c = 0; c < 81; ++c)
                    first[size_t(c)] = std::countr_zero(unsigned(board.cells[size_t(c)])) + 1;
            }
            return;
        }
        int bestUnit = -1;
        Mask bestDigit = 0;
        for (int i = 0, u = unitStart_; i < t_.unitCount && fewest > 2;
             ++i, u = u + 1 == t_.unitCount ? 0 : u + 1) {
            // Per digit, how many of the unit's open cells hold it, in bit
            // slices: one, two, three, four or more.
            Mask one = 0;
            Mask two = 0;
            Mask three = 0;
            Mask four = 0;
            for (int c : units::all[size_t(u)]) {
                const Mask m = board.cells[size_t(c)];
                if (single(m))
                    continue;
                four |= Mask(three & m);
                three |= Mask(two & m);
                two |= Mask(one & m);
                one |= m;
            }
            const Mask pairs = Mask(two & ~three);
            const Mask triples = Mask(three & ~four);
            if (pairs != 0) {
                fewest = 2;
                bestUnit = u;
                bestDigit = firstDigit(pairs);
            } else if (triples != 0 && fewest > 3) {
                fewest = 3;
                bestUnit = u;
                bestDigit = firstDigit(triples);
            }
        }
        // Each choice tried is taken away before the next, so that the last
        // one left is no guess.
        if (bestUnit >= 0) {
            for (int c : units::all[size_t(bestUnit)]) {
                const Mask m = board.cells[size_t(c)];
                if ((m & bestDigit) == 0 || single(m))
                    continue;
                Board next = board;
                if (place(next, c, bestDigit))
                    run(next);
                if (stopped() || !remove(board, c, bestDigit))
                    return;
            }
            return;
        }
        for (Mask rest = board.cells[size_t(bestCell)]; rest != 0;) {
            const Mask digit = firstDigit(rest);
            rest &= Mask(~digit);
            Board next = board;
            if (place(next, bestCell, digit))
                run(next);
            if (stopped() || !remove(board, bestCell, digit))
                return;
        }
    }

private:
    // The digit of `digits` this run's order tries first.
    Mask firstDigit(Mask digits) const
    {
        const Mask fromStart = Mask(digits & (AllDigits << digitStart_));
        return lowest(fromStart != 0 ? fromStart : digits);
    }

    // Out of guesses, or at the limit.
    bool stopped() const { return guessesLeft_ < 0 || found >= limit_; }

    const Tables& t_;
    const int limit_;
    long guessesLeft_ = 0;
    int cellStart_ = 0;
    int unitStart_ = 0;
    int digitStart_ = 0;
};

}  // namespace

Result solve(const Grid& givens, bool diagonal, int limit)
{
    Search search(diagonal ? DiagonalTables : NormalTables, limit < 1 ? 1 : limit);
    Result result;
    Board board;
    board.cells.fill(AllDigits);
    for (int c = 0; c < 81; ++c) {
        const int digit = givens[size_t(c)];
        if (digit >= 1 && digit <= 9 && !search.place(board, c, Mask(1u << (digit - 1))))
            return result;
    }
    // Every unit is looked at once before the first guess.
    board.unseen = ~0u;
    for (long spent = 0, order = 0;; ++order) {
        const long guesses = std::min(FirstRunGuesses << order, MaxGuesses - spent);
        if (search.runFrom(board, guesses, int(order)))
            break;
        spent += guesses;
        if (spent >= MaxGuesses) {
            result.complete = false;
            break;
        }
    }
    result.count = search.found;
    if (search.found > 0)
        result.solution = search.first;
    return result;
}

Grid givensOf(const puzzlefile::Entries& entries)
{
    Grid grid{};
    for (int c = 0; c < 81; ++c) {
        const QString& entry = entries[size_t(c)];
        grid[size_t(c)] = puzzlefile::isDigit(entry) ? entry.at(0).digitValue() : 0;
    }
    return grid;
}

}  // namespace solver
