// Subsets: n cells of a unit tied to n digits, seen from the cells (naked)
// or from the digits (hidden).
#include <algorithm>

#include "nextstepgrid.h"

namespace nextstep::grid {

// n open cells of a unit that hold only n digits between them take those n
// digits: no other cell of the unit can hold them.
Found nakedSubset(const Grid& g, int n)
{
    static constexpr Technique names[] = {Technique::NakedPair, Technique::NakedTriple,
                                          Technique::NakedQuad};
    for (int u = 0; u < g.unitCount(); ++u) {
        std::array<int, 9> small{};
        int smallCount = 0;
        for (int c : g.unitCells(u) & g.openCells()) {
            if (count(g.digits(c)) <= n)
                small[size_t(smallCount++)] = c;
        }
        Found found;
        choose(smallCount, n, [&](const int* picked) {
            Digits together = 0;
            Cells cells;
            for (int i = 0; i < n; ++i) {
                together |= g.digits(small[size_t(picked[i])]);
                cells.add(small[size_t(picked[i])]);
            }
            if (count(together) != n)
                return false;
            Step step;
            for (int c : g.unitCells(u) & g.openCells() & ~cells) {
                for (int d : digitsIn(g.digits(c) & together))
                    step.eliminations.push_back({c, d});
            }
            if (step.eliminations.empty())
                return false;
            step.technique = names[n - 2];
            step.cells = cells.list();
            step.units = {u};
            step.digits = together;
            found = std::move(step);
            return true;
        });
        if (found)
            return found;
    }
    return std::nullopt;
}

// n digits whose places in a unit are n cells between them fill those
// cells: the cells can hold no other digit.
Found hiddenSubset(const Grid& g, int n)
{
    static constexpr Technique names[] = {Technique::HiddenPair, Technique::HiddenTriple,
                                          Technique::HiddenQuad};
    for (int u = 0; u < g.unitCount(); ++u) {
        std::array<int, 9> digits{};
        std::array<Cells, 9> places{};
        int digitCount = 0;
        for (int d = 1; d <= 9; ++d) {
            if (g.knownIn(u, d))
                continue;
            const Cells p = g.places(u, d);
            if (p.size() <= n) {
                digits[size_t(digitCount)] = d;
                places[size_t(digitCount++)] = p;
            }
        }
        Found found;
        choose(digitCount, n, [&](const int* picked) {
            Cells cells;
            Digits chosen = 0;
            for (int i = 0; i < n; ++i) {
                chosen |= bit(digits[size_t(picked[i])]);
                cells |= places[size_t(picked[i])];
            }
            if (cells.size() != n)
                return false;
            // The cells in the order the digits meet them, as the
            // eliminations are listed.
            std::vector<int> met;
            for (int i = 0; i < n; ++i) {
                for (int c : places[size_t(picked[i])]) {
                    if (std::find(met.begin(), met.end(), c) == met.end())
                        met.push_back(c);
                }
            }
            Step step;
            for (int c : met) {
                for (int d : digitsIn(g.candidates(c) & ~chosen))
                    step.eliminations.push_back({c, d});
            }
            if (step.eliminations.empty())
                return false;
            step.technique = names[n - 2];
            step.cells = cells.list();
            step.units = {u};
            step.digits = chosen;
            found = std::move(step);
            return true;
        });
        if (found)
            return found;
    }
    return std::nullopt;
}

}  // namespace nextstep::grid
