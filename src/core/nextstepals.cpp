// Almost locked sets: n cells of one unit that hold n + 1 digits between
// them, so that taking any one digit away leaves them a locked set.
#include <algorithm>

#include "nextstepgrid.h"

namespace nextstep::grid {

namespace {

// Larger sets make patterns no teacher would point out; four cells already
// reach every puzzle of the test data that two sets solve.
constexpr int MaxCells = 4;

struct Als {
    Cells cells;
    int unit = 0;
    Digits digits = 0;
    std::array<Cells, 10> holding{};  // the set's cells that hold each digit
    std::array<Cells, 10> seeing{};   // the cells that see all of those
};

std::vector<Als> almostLockedSets(const Grid& g)
{
    std::vector<Als> out;
    for (int u = 0; u < g.unitCount(); ++u) {
        const std::vector<int> open = (g.unitCells(u) & g.openCells()).list();
        const int size = int(open.size());
        for (unsigned mask = 1; mask < (1u << size); ++mask) {
            const int n = bitCount(mask);
            if (n > MaxCells)
                continue;
            Als set;
            set.unit = u;
            for (int i = 0; i < size; ++i) {
                if (mask & (1u << i)) {
                    set.cells.add(open[size_t(i)]);
                    set.digits |= g.digits(open[size_t(i)]);
                }
            }
            // A set inside two units (a box and a line) is taken once, from
            // the first.
            if (count(set.digits) != n + 1 || g.unitHolding(set.cells) < u)
                continue;
            for (int c : set.cells) {
                for (int d : digitsIn(g.digits(c)))
                    set.holding[size_t(d)].add(c);
            }
            for (int d : digitsIn(set.digits))
                set.seeing[size_t(d)] = g.seeingAll(set.holding[size_t(d)]);
            out.push_back(set);
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Als& a, const Als& b) { return a.cells.size() < b.cells.size(); });
    return out;
}

// What two sets tied by their restricted common digits `restricted` remove.
// One such digit x: at most one set holds x, so the other is locked without
// it and holds each of its other digits; a digit z both hold is then in one
// of them, and a cell that sees all their places of z cannot be z. Two such
// digits (doubly linked): each set is locked without one of them, so each
// holds all its digits but those two, and one each of the two; a cell that
// sees all the places of one of these in the sets cannot hold it.
std::vector<Candidate> eliminations(const Grid& g, const Als& a, const Als& b, Digits restricted)
{
    std::vector<Candidate> out;
    const Cells both = a.cells | b.cells;
    const auto seeingAllOf = [&](Cells places, int digit) {
        for (int c : g.candidateCells(digit) & g.seeingAll(places) & ~both)
            out.push_back({c, digit});
    };
    const Digits common = a.digits & b.digits;
    if (count(restricted) == 1) {
        for (int z : digitsIn(common & ~restricted))
            seeingAllOf(a.holding[size_t(z)] | b.holding[size_t(z)], z);
    } else {
        for (int x : digitsIn(restricted))
            seeingAllOf(a.holding[size_t(x)] | b.holding[size_t(x)], x);
        for (const Als* set : {&a, &b}) {
            for (int e : digitsIn(set->digits & ~restricted))
                seeingAllOf(set->holding[size_t(e)], e);
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace

// Two almost locked sets with no cell in common and a restricted common
// digit: one whose places in the one set all see its places in the other.
// The smallest pair of sets that removes a candidate is shown.
Found alsXz(const Grid& g)
{
    const std::vector<Als> sets = almostLockedSets(g);
    Found best;
    int bestSize = 2 * MaxCells + 1;
    for (size_t i = 0; i < sets.size(); ++i) {
        const Als& a = sets[i];
        for (size_t j = i + 1; j < sets.size(); ++j) {
            const Als& b = sets[j];
            if (a.cells.size() + b.cells.size() >= bestSize)
                break;
            const Digits common = a.digits & b.digits;
            if ((common & (common - 1)) == 0 || (a.cells & b.cells).any())
                continue;
            Digits restricted = 0;
            for (int x : digitsIn(common)) {
                if (count(restricted) < 2 && a.seeing[size_t(x)].contains(b.holding[size_t(x)]))
                    restricted |= bit(x);
            }
            if (!restricted)
                continue;
            std::vector<Candidate> removed = eliminations(g, a, b, restricted);
            if (removed.empty())
                continue;
            Step step;
            step.technique = Technique::AlsXz;
            step.cells = a.cells.list();
            for (int c : b.cells)
                step.cells.push_back(c);
            step.units = {a.unit, b.unit};
            step.digits = common;
            step.eliminations = std::move(removed);
            step.pattern = AlmostLockedSets{{a.cells.list(), b.cells.list()},
                                            {a.unit, b.unit},
                                            {a.digits, b.digits},
                                            restricted};
            bestSize = a.cells.size() + b.cells.size();
            best = std::move(step);
            break;
        }
    }
    return best;
}

}  // namespace nextstep::grid
