// Fish: a digit's places in n base lines that n cover lines hold between
// them, with or without fins.
#include "nextstepgrid.h"

namespace nextstep::grid {

namespace {

// The cell where base line k (a row when `base` is 0, a column when 9)
// crosses cover line p.
int crossing(int base, int k, int p)
{
    return base == 0 ? 9 * k + p : 9 * p + k;
}

unsigned spotsOf(Cells places, int base)
{
    unsigned mask = 0;
    for (int c : places)
        mask |= 1u << (base == 0 ? c % 9 : c / 9);
    return mask;
}

}  // namespace

// A digit whose places in n rows lie in n columns between them fills those
// columns from these rows: the columns' other cells cannot hold it. The same
// with rows and columns swapped. X-Wing is two, Swordfish three, Jellyfish
// four.
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
                if (std::popcount(covered) != n)
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
    return std::nullopt;
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
                for (unsigned coverSet = all; coverSet; coverSet = (coverSet - 1) & all) {
                    if (std::popcount(coverSet) != n)
                        continue;
                    unsigned finLines = 0, finPlaces = 0;
                    std::vector<int> fins;
                    for (int i = 0; i < n; ++i) {
                        const int k = lines[size_t(picked[i])];
                        const unsigned outside = spots[size_t(picked[i])] & ~coverSet;
                        for (int p = 0; p < 9; ++p) {
                            if (outside & (1u << p)) {
                                finLines |= 1u << (k / 3);
                                finPlaces |= 1u << (p / 3);
                                fins.push_back(crossing(base, k, p));
                            }
                        }
                    }
                    if (fins.empty() || std::popcount(finLines) != 1 ||
                        std::popcount(finPlaces) != 1)
                        continue;
                    const int bandOfLines = std::countr_zero(finLines);
                    const int bandOfPlaces = std::countr_zero(finPlaces);
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
