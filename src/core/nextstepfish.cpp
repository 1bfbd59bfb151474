// Fish: a digit's places in n base lines that n cover lines hold between
// them, with or without fins.
#include <algorithm>

#include "nextstepgrid.h"

namespace nextstep::grid {

namespace {

// The cell where base line k (a row when `base` is 0, a column when 9)
// crosses cover line p.
int crossing(int base, int k, int p)
{
    return base == 0 ? 9 * k + p : 9 * p + k;
}

// The subsets of n bits of `mask`, largest first; returns how many.
int subsetsOf(unsigned mask, int n, std::array<unsigned, 126>& out)
{
    int size = 0;
    const auto from = [&](auto& self, int top, unsigned chosen, int left) -> void {
        if (left == 0) {
            out[size_t(size++)] = chosen;
            return;
        }
        for (int b = top; b >= 0; --b) {
            if (mask & (1u << b))
                self(self, b - 1, chosen | (1u << b), left - 1);
        }
    };
    from(from, 8, 0, n);
    return size;
}

unsigned spotsOf(Cells places, int base)
{
    unsigned mask = 0;
    for (int c : places)
        mask |= 1u << (base == 0 ? c % 9 : c / 9);
    return mask;
}

// On a diagonal board the diagonals are lines too: a fish's base may hold a
// diagonal among its rows (or columns), and its cover a diagonal among its
// columns (or rows). The base lines share no place of the digit, and every
// place in them lies in a cover line, so the n cover lines hold n places of
// the base, one each, and their other cells cannot hold the digit.
Found diagonalFish(const Grid& g, int n, Technique technique)
{
    for (const int base : {0, 9}) {
        const int cover = 9 - base;
        for (int d = 1; d <= 9; ++d) {
            std::array<int, 11> lines{};
            int lineCount = 0;
            for (int unit : {base + 0, base + 1, base + 2, base + 3, base + 4, base + 5, base + 6,
                             base + 7, base + 8, units::MainDiagonal, units::AntiDiagonal}) {
                const int size = g.places(unit, d).size();
                if (!g.knownIn(unit, d) && size >= 2 && size <= n)
                    lines[size_t(lineCount++)] = unit;
            }
            Found found;
            choose(lineCount, n, [&](const int* picked) {
                Fish shape;
                Cells places;
                Cells baseCells;
                bool diagonalUsed = false;
                for (int i = 0; i < n; ++i) {
                    const int unit = lines[size_t(picked[i])];
                    if ((places & g.places(unit, d)).any())
                        return false;
                    places |= g.places(unit, d);
                    baseCells |= g.unitCells(unit);
                    shape.base.push_back(unit);
                    diagonalUsed = diagonalUsed || unit >= units::MainDiagonal;
                }
                // Cover lines for the first place not yet covered, one of
                // the lines through it, until all are covered.
                std::vector<int> chosen;
                const auto coverFrom = [&](auto& self, Cells covered) -> bool {
                    const Cells left = places & ~covered;
                    if (left.empty()) {
                        bool withDiagonal = diagonalUsed;
                        Cells coverCells;
                        for (int u : chosen) {
                            withDiagonal = withDiagonal || u >= units::MainDiagonal;
                            coverCells |= g.unitCells(u);
                        }
                        if (int(chosen.size()) != n || !withDiagonal)
                            return false;
                        Step step;
                        for (int c : g.candidateCells(d) & coverCells & ~baseCells)
                            step.eliminations.push_back({c, d});
                        if (step.eliminations.empty())
                            return false;
                        shape.cover = chosen;
                        std::sort(shape.cover.begin(), shape.cover.end());
                        step.technique = technique;
                        step.cells = places.list();
                        step.units = shape.base;
                        step.units.insert(step.units.end(), shape.cover.begin(), shape.cover.end());
                        step.digits = bit(d);
                        step.pattern = shape;
                        found = std::move(step);
                        return true;
                    }
                    if (int(chosen.size()) == n)
                        return false;
                    const int c = left.first();
                    for (int u : g.unitsOf(c)) {
                        const bool ofCover =
                            (u >= cover && u < cover + 9) || u >= units::MainDiagonal;
                        if (!ofCover ||
                            std::find(shape.base.begin(), shape.base.end(), u) !=
                                shape.base.end() ||
                            std::find(chosen.begin(), chosen.end(), u) != chosen.end())
                            continue;
                        chosen.push_back(u);
                        if (self(self, covered | g.unitCells(u)))
                            return true;
                        chosen.pop_back();
                    }
                    return false;
                };
                return coverFrom(coverFrom, Cells());
            });
            if (found)
                return found;
        }
    }
    return std::nullopt;
}

}  // namespace

// A digit whose places in n rows lie in n columns between them fills those
// columns from these rows: the columns' other cells cannot hold it. The same
// with rows and columns swapped. X-Wing is two, Swordfish three, Jellyfish
// four. On a diagonal board, then, the same with the diagonals among the
// lines (diagonalFish).
Found fish(const Grid& g, int n)
{
    static constexpr Technique names[] = {Technique::XWing, Technique::Swordfish,
                                          Technique::Jellyfish};
    for (const int base : {0, 9}) {
        const int cover = 9 - base;  // rows 0-8 cover columns 9-17, and back
        for (int d = 1; d <= 9; ++d) {
            std::array<int, 9> lines{};
            std::array<unsigned, 9> spots{};
            int lineCount = 0;
            for (int k = 0; k < 9; ++k) {
                const int unit = base + k;
                if (g.knownIn(unit, d))
                    continue;
                const Cells places = g.places(unit, d);
                if (places.size() < 2 || places.size() > n)
                    continue;
                lines[size_t(lineCount)] = unit;
                spots[size_t(lineCount++)] = spotsOf(places, base);
            }
            Found found;
            choose(lineCount, n, [&](const int* picked) {
                unsigned covered = 0;
                Cells baseCells;
                Fish shape;
                for (int i = 0; i < n; ++i) {
                    covered |= spots[size_t(picked[i])];
                    shape.base.push_back(lines[size_t(picked[i])]);
                    baseCells |= g.unitCells(lines[size_t(picked[i])]);
                }
                if (bitCount(covered) != n)
                    return false;
                Step step;
                for (int k = 0; k < 9; ++k) {
                    if (!(covered & (1u << k)))
                        continue;
                    shape.cover.push_back(cover + k);
                    for (int c : g.candidateCells(d) & g.unitCells(cover + k) & ~baseCells)
                        step.eliminations.push_back({c, d});
                }
                if (step.eliminations.empty())
                    return false;
                for (int u : shape.base) {
                    for (int c : g.places(u, d))
                        step.cells.push_back(c);
                }
                step.technique = names[n - 2];
                step.units = shape.base;
                step.units.insert(step.units.end(), shape.cover.begin(), shape.cover.end());
                step.digits = bit(d);
                step.pattern = std::move(shape);
                found = std::move(step);
                return true;
            });
            if (found)
                return found;
        }
    }
    return g.diagonal() ? diagonalFish(g, n, names[n - 2]) : std::nullopt;
}

// A fish with fins: places of the digit in the base lines outside the
// cover lines, all in one box. Either a fin holds the digit, or the fish
// does; a cell of the cover lines outside the base lines that is also in the
// fins' box is ruled out both ways.
Found finnedFish(const Grid& g, int n)
{
    for (const int base : {0, 9}) {
        const int cover = 9 - base;
        for (int d = 1; d <= 9; ++d) {
            std::array<int, 9> lines{};
            std::array<unsigned, 9> spots{};
            int lineCount = 0;
            for (int k = 0; k < 9; ++k) {
                const Cells places = g.places(base + k, d);
                if (g.knownIn(base + k, d) || places.empty() || places.size() > n + 2)
                    continue;
                lines[size_t(lineCount)] = k;
                spots[size_t(lineCount++)] = spotsOf(places, base);
            }
            Found found;
            choose(lineCount, n, [&](const int* picked) {
                unsigned all = 0;
                unsigned baseLines = 0;
                for (int i = 0; i < n; ++i) {
                    all |= spots[size_t(picked[i])];
                    baseLines |= 1u << lines[size_t(picked[i])];
                }
                // Every choice of n cover lines among those the places use.
                std::array<unsigned, 126> covers{};
                const int coverCount = subsetsOf(all, n, covers);
                for (int cover_ = 0; cover_ < coverCount; ++cover_) {
                    const unsigned coverSet = covers[size_t(cover_)];
                    unsigned finLines = 0, finPlaces = 0;
                    for (int i = 0; i < n; ++i) {
                        const unsigned outside = spots[size_t(picked[i])] & ~coverSet;
                        if (outside) {
                            finLines |= 1u << (lines[size_t(picked[i])] / 3);
                            finPlaces |= outside;
                        }
                    }
                    // The fins in one box: in one band of lines and one of
                    // places.
                    if (!finPlaces || bitCount(finLines) != 1)
                        continue;
                    const int bandOfPlaces = std::countr_zero(finPlaces) / 3;
                    if (finPlaces & ~(7u << (3 * bandOfPlaces)))
                        continue;
                    const int bandOfLines = std::countr_zero(finLines);
                    Step step;
                    for (int p = 3 * bandOfPlaces; p < 3 * bandOfPlaces + 3; ++p) {
                        if (!(coverSet & (1u << p)))
                            continue;
                        for (int k = 3 * bandOfLines; k < 3 * bandOfLines + 3; ++k) {
                            const int c = crossing(base, k, p);
                            if (!(baseLines & (1u << k)) && (g.candidates(c) & bit(d)))
                                step.eliminations.push_back({c, d});
                        }
                    }
                    if (step.eliminations.empty())
                        continue;
                    std::vector<int> fins;
                    for (int i = 0; i < n; ++i) {
                        const unsigned outside = spots[size_t(picked[i])] & ~coverSet;
                        for (int p = 0; p < 9; ++p) {
                            if (outside & (1u << p))
                                fins.push_back(crossing(base, lines[size_t(picked[i])], p));
                        }
                    }
                    Fish shape;
                    step.technique = n == 2 ? Technique::FinnedXWing : Technique::FinnedSwordfish;
                    for (int i = 0; i < n; ++i) {
                        const int line = base + lines[size_t(picked[i])];
                        shape.base.push_back(line);
                        for (int c : g.places(line, d))
                            step.cells.push_back(c);
                    }
                    for (int p = 0; p < 9; ++p) {
                        if (coverSet & (1u << p))
                            shape.cover.push_back(cover + p);
                    }
                    shape.finBox = boxOf(fins.front());
                    shape.fins = std::move(fins);
                    step.units = shape.base;
                    step.units.insert(step.units.end(), shape.cover.begin(), shape.cover.end());
                    step.units.push_back(shape.finBox);
                    step.digits = bit(d);
                    step.pattern = std::move(shape);
                    found = std::move(step);
                    return true;
                }
                return false;
            });
            if (found)
                return found;
        }
    }
    return std::nullopt;
}

}  // namespace nextstep::grid
