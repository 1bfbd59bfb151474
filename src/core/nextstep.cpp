// The techniques, easiest first, one function each. Every function reads the
// board through Grid and returns the first step it finds, or nothing.
#include "nextstep.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <functional>

#include "units.h"

namespace nextstep {

namespace {

constexpr Digits AllDigits = 0x3FE;

int count(Digits digits)
{
    return std::popcount(unsigned(digits));
}

int lowest(Digits digits)
{
    return std::countr_zero(unsigned(digits));
}

std::vector<int> digitList(Digits digits)
{
    std::vector<int> out;
    for (int d = 1; d <= 9; ++d) {
        if (digits & bit(d))
            out.push_back(d);
    }
    return out;
}

using CellSet = std::bitset<81>;

// Which cells share a unit with which, without and with the diagonals.
struct Peers {
    std::array<CellSet, 81> of;
    std::array<std::vector<int>, 81> unitsOf;
    explicit Peers(int unitCount)
    {
        for (int u = 0; u < unitCount; ++u) {
            for (int a : units::all[size_t(u)]) {
                unitsOf[size_t(a)].push_back(u);
                for (int b : units::all[size_t(u)]) {
                    if (a != b)
                        of[size_t(a)].set(size_t(b));
                }
            }
        }
    }
};

const Peers& peersFor(bool diagonal)
{
    static const Peers normal(27);
    static const Peers withDiagonals(29);
    return diagonal ? withDiagonals : normal;
}

// The board as the techniques see it. A cell is known (decided with one
// digit, or undecided with one digit left), open (undecided, two digits or
// more), or frozen: decided with a text that is not one digit. A frozen cell
// may hold any digit and is never changed by a step.
class Grid {
public:
    explicit Grid(const Board& board)
        : board_(board), peers_(peersFor(board.diagonal)), unitCount_(board.diagonal ? 29 : 27)
    {
        for (int c = 0; c < 81; ++c) {
            const Digits d = board.digits[size_t(c)] & AllDigits;
            frozen_[size_t(c)] = board.decided[size_t(c)] && count(d) != 1;
            digits_[size_t(c)] = frozen_[size_t(c)] ? AllDigits : d;
        }
    }

    const Board& board() const { return board_; }
    int unitCount() const { return unitCount_; }
    bool frozen(int c) const { return frozen_[size_t(c)]; }
    bool known(int c) const { return !frozen(c) && count(digits_[size_t(c)]) == 1; }
    bool open(int c) const { return !frozen(c) && count(digits_[size_t(c)]) >= 2; }
    // The digits a cell may still hold (every digit for a frozen cell).
    Digits digits(int c) const { return digits_[size_t(c)]; }
    // The digits a step may remove from the cell: an open cell's.
    Digits candidates(int c) const { return open(c) ? digits_[size_t(c)] : 0; }
    int value(int c) const { return lowest(digits_[size_t(c)]); }
    bool sees(int a, int b) const { return peers_.of[size_t(a)].test(size_t(b)); }
    const std::vector<int>& unitsOf(int c) const { return peers_.unitsOf[size_t(c)]; }
    static const units::Unit& cells(int unit) { return units::all[size_t(unit)]; }

    bool knownIn(int unit, int digit) const
    {
        return std::any_of(cells(unit).begin(), cells(unit).end(),
                           [&](int c) { return known(c) && value(c) == digit; });
    }
    // The cells of a unit where a digit may still go: open cells that hold
    // it, and frozen ones.
    std::vector<int> places(int unit, int digit) const
    {
        std::vector<int> out;
        for (int c : cells(unit)) {
            if (!known(c) && (digits(c) & bit(digit)))
                out.push_back(c);
        }
        return out;
    }
    // The open cells outside `except` that see every cell of `seen` and
    // hold `digit`: what a step that proves `digit` in one of `seen` removes.
    std::vector<Candidate> seeingAll(const std::vector<int>& seen, int digit,
                                     const std::vector<int>& except = {}) const
    {
        std::vector<Candidate> out;
        for (int c = 0; c < 81; ++c) {
            if (!(candidates(c) & bit(digit)) ||
                std::find(seen.begin(), seen.end(), c) != seen.end() ||
                std::find(except.begin(), except.end(), c) != except.end())
                continue;
            if (std::all_of(seen.begin(), seen.end(), [&](int s) { return sees(c, s); }))
                out.push_back({c, digit});
        }
        return out;
    }

private:
    const Board& board_;
    const Peers& peers_;
    int unitCount_;
    std::array<Digits, 81> digits_{};
    std::array<bool, 81> frozen_{};
};

using Found = std::optional<Step>;

// Calls `visit` with every choice of `n` of the first `size` indexes, in
// order, until it returns true.
bool choose(int size, int n, const std::function<bool(const std::vector<int>&)>& visit)
{
    std::vector<int> picked;
    std::function<bool(int)> from = [&](int start) {
        if (int(picked.size()) == n)
            return visit(picked);
        for (int i = start; i < size; ++i) {
            picked.push_back(i);
            if (from(i + 1))
                return true;
            picked.pop_back();
        }
        return false;
    };
    return from(0);
}

// ---- what the board says outright ----

std::optional<Contradiction> contradiction(const Grid& g)
{
    for (int c = 0; c < 81; ++c) {
        if (!g.frozen(c) && g.digits(c) == 0)
            return Contradiction{Contradiction::Kind::EmptyCell, c, -1, -1, 0};
    }
    for (int u = 0; u < g.unitCount(); ++u) {
        std::array<int, 10> seen;
        seen.fill(-1);
        for (int c : Grid::cells(u)) {
            if (!g.known(c))
                continue;
            const int v = g.value(c);
            if (seen[size_t(v)] >= 0)
                return Contradiction{Contradiction::Kind::DigitTwice, c, seen[size_t(v)], u, v};
            seen[size_t(v)] = c;
        }
        for (int d = 1; d <= 9; ++d) {
            if (seen[size_t(d)] < 0 && g.places(u, d).empty())
                return Contradiction{Contradiction::Kind::DigitWithoutPlace, -1, -1, u, d};
        }
    }
    return std::nullopt;
}

// A known cell's digit cannot stand anywhere else in its units: first for
// the decided cells, then for those with one digit left (a naked single).
Found peerRemoval(const Grid& g, bool decided)
{
    for (int c = 0; c < 81; ++c) {
        if (!g.known(c) || g.board().decided[size_t(c)] != decided)
            continue;
        const int v = g.value(c);
        Step step;
        for (int p = 0; p < 81; ++p) {
            if (g.sees(c, p) && (g.candidates(p) & bit(v)))
                step.eliminations.push_back({p, v});
        }
        if (step.eliminations.empty())
            continue;
        step.technique = decided ? Technique::PeerRemoval : Technique::NakedSingle;
        step.cells = {c};
        step.digits = bit(v);
        return step;
    }
    return std::nullopt;
}

// A digit with one place left in a unit goes there.
Found hiddenSingle(const Grid& g)
{
    for (int u = 0; u < g.unitCount(); ++u) {
        for (int d = 1; d <= 9; ++d) {
            if (g.knownIn(u, d))
                continue;
            const std::vector<int> places = g.places(u, d);
            if (places.size() != 1 || g.frozen(places[0]))
                continue;
            Step step;
            step.technique = Technique::HiddenSingle;
            step.cells = places;
            step.units = {u};
            step.digits = bit(d);
            step.placements = {{places[0], d}};
            return step;
        }
    }
    return std::nullopt;
}

// ---- intersections ----

// When every place of a digit in one unit lies inside a second unit, the
// digit is in that overlap, so the second unit's other cells cannot hold it.
// From a box into a line it is called pointing; from a line into a box,
// claiming.
Found lockedCandidates(const Grid& g)
{
    for (const bool fromBox : {true, false}) {
        for (int a = 0; a < g.unitCount(); ++a) {
            const bool aIsBox = a >= 18 && a < 27;
            if (aIsBox != fromBox)
                continue;
            for (int d = 1; d <= 9; ++d) {
                if (g.knownIn(a, d))
                    continue;
                const std::vector<int> places = g.places(a, d);
                if (places.size() < 2)
                    continue;
                for (int b = 0; b < g.unitCount(); ++b) {
                    if (b == a)
                        continue;
                    const units::Unit& inB = Grid::cells(b);
                    if (!std::all_of(places.begin(), places.end(), [&](int c) {
                            return std::find(inB.begin(), inB.end(), c) != inB.end();
                        }))
                        continue;
                    Step step;
                    for (int c : inB) {
                        if ((g.candidates(c) & bit(d)) &&
                            std::find(places.begin(), places.end(), c) == places.end())
                            step.eliminations.push_back({c, d});
                    }
                    if (step.eliminations.empty())
                        continue;
                    step.technique = fromBox ? Technique::Pointing : Technique::Claiming;
                    step.cells = places;
                    step.units = {a, b};
                    step.digits = bit(d);
                    return step;
                }
            }
        }
    }
    return std::nullopt;
}

// ---- subsets ----

// n open cells of a unit that hold only n digits between them take those n
// digits: no other cell of the unit can hold them.
Found nakedSubset(const Grid& g, int n)
{
    static constexpr Technique names[] = {Technique::NakedPair, Technique::NakedTriple,
                                          Technique::NakedQuad};
    for (int u = 0; u < g.unitCount(); ++u) {
        std::vector<int> small;
        for (int c : Grid::cells(u)) {
            if (g.open(c) && count(g.digits(c)) <= n)
                small.push_back(c);
        }
        Found found;
        choose(int(small.size()), n, [&](const std::vector<int>& picked) {
            Digits together = 0;
            std::vector<int> cells;
            for (int i : picked) {
                together |= g.digits(small[size_t(i)]);
                cells.push_back(small[size_t(i)]);
            }
            if (count(together) != n)
                return false;
            Step step;
            for (int c : Grid::cells(u)) {
                if (std::find(cells.begin(), cells.end(), c) != cells.end())
                    continue;
                for (int d : digitList(g.candidates(c) & together))
                    step.eliminations.push_back({c, d});
            }
            if (step.eliminations.empty())
                return false;
            step.technique = names[n - 2];
            step.cells = cells;
            step.units = {u};
            step.digits = together;
            found = step;
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
        std::vector<int> digits;
        std::vector<std::vector<int>> places;
        for (int d = 1; d <= 9; ++d) {
            if (g.knownIn(u, d))
                continue;
            std::vector<int> p = g.places(u, d);
            if (int(p.size()) <= n) {
                digits.push_back(d);
                places.push_back(std::move(p));
            }
        }
        Found found;
        choose(int(digits.size()), n, [&](const std::vector<int>& picked) {
            std::vector<int> cells;
            Digits chosen = 0;
            for (int i : picked) {
                chosen |= bit(digits[size_t(i)]);
                for (int c : places[size_t(i)]) {
                    if (std::find(cells.begin(), cells.end(), c) == cells.end())
                        cells.push_back(c);
                }
            }
            if (int(cells.size()) != n)
                return false;
            Step step;
            for (int c : cells) {
                for (int d : digitList(g.candidates(c) & ~chosen))
                    step.eliminations.push_back({c, d});
            }
            if (step.eliminations.empty())
                return false;
            std::sort(cells.begin(), cells.end());
            step.technique = names[n - 2];
            step.cells = cells;
            step.units = {u};
            step.digits = chosen;
            found = step;
            return true;
        });
        if (found)
            return found;
    }
    return std::nullopt;
}

// ---- fish ----

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
            std::vector<int> lines;
            std::vector<unsigned> spots;  // the other kind's lines each base line's places lie in
            for (int k = 0; k < 9; ++k) {
                const int unit = base + k;
                if (g.knownIn(unit, d))
                    continue;
                const std::vector<int> places = g.places(unit, d);
                if (places.size() < 2 || int(places.size()) > n)
                    continue;
                unsigned mask = 0;
                for (int c : places)
                    mask |= 1u << (base == 0 ? c % 9 : c / 9);
                lines.push_back(unit);
                spots.push_back(mask);
            }
            Found found;
            choose(int(lines.size()), n, [&](const std::vector<int>& picked) {
                unsigned covered = 0;
                std::vector<int> baseUnits;
                for (int i : picked) {
                    covered |= spots[size_t(i)];
                    baseUnits.push_back(lines[size_t(i)]);
                }
                if (std::popcount(covered) != n)
                    return false;
                Step step;
                std::vector<int> coverUnits;
                for (int k = 0; k < 9; ++k) {
                    if (!(covered & (1u << k)))
                        continue;
                    coverUnits.push_back(cover + k);
                    for (int c : Grid::cells(cover + k)) {
                        const int line = base == 0 ? c / 9 : 9 + c % 9;
                        if ((g.candidates(c) & bit(d)) &&
                            std::find(baseUnits.begin(), baseUnits.end(), line) == baseUnits.end())
                            step.eliminations.push_back({c, d});
                    }
                }
                if (step.eliminations.empty())
                    return false;
                for (int u : baseUnits) {
                    for (int c : g.places(u, d))
                        step.cells.push_back(c);
                }
                step.technique = names[n - 2];
                step.units = baseUnits;
                step.units.insert(step.units.end(), coverUnits.begin(), coverUnits.end());
                step.digits = bit(d);
                found = step;
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
        // The cell at line k, place p of the other kind.
        const auto at = [&](int k, int p) { return base == 0 ? 9 * k + p : 9 * p + k; };
        for (int d = 1; d <= 9; ++d) {
            std::vector<int> lines;
            std::vector<unsigned> spots;
            for (int k = 0; k < 9; ++k) {
                const std::vector<int> places = g.places(base + k, d);
                if (g.knownIn(base + k, d) || places.empty() || int(places.size()) > n + 2)
                    continue;
                unsigned mask = 0;
                for (int c : places)
                    mask |= 1u << (base == 0 ? c % 9 : c / 9);
                lines.push_back(k);
                spots.push_back(mask);
            }
            Found found;
            choose(int(lines.size()), n, [&](const std::vector<int>& picked) {
                unsigned all = 0;
                unsigned baseLines = 0;
                for (int i : picked) {
                    all |= spots[size_t(i)];
                    baseLines |= 1u << lines[size_t(i)];
                }
                // Every choice of n cover lines among those the places use.
                for (unsigned coverSet = all; coverSet; coverSet = (coverSet - 1) & all) {
                    if (std::popcount(coverSet) != n)
                        continue;
                    int finLines = 0, finPlaces = 0, fins = 0;
                    std::vector<int> finCells;
                    for (int i : picked) {
                        const unsigned outside = spots[size_t(i)] & ~coverSet;
                        for (int p = 0; p < 9; ++p) {
                            if (outside & (1u << p)) {
                                finLines |= 1 << (lines[size_t(i)] / 3);
                                finPlaces |= 1 << (p / 3);
                                finCells.push_back(at(lines[size_t(i)], p));
                                ++fins;
                            }
                        }
                    }
                    if (fins == 0 || std::popcount(unsigned(finLines)) != 1 ||
                        std::popcount(unsigned(finPlaces)) != 1)
                        continue;
                    const int bandOfLines = std::countr_zero(unsigned(finLines));
                    const int bandOfPlaces = std::countr_zero(unsigned(finPlaces));
                    Step step;
                    for (int p = 3 * bandOfPlaces; p < 3 * bandOfPlaces + 3; ++p) {
                        if (!(coverSet & (1u << p)))
                            continue;
                        for (int k = 3 * bandOfLines; k < 3 * bandOfLines + 3; ++k) {
                            if (!(baseLines & (1u << k)) && (g.candidates(at(k, p)) & bit(d)))
                                step.eliminations.push_back({at(k, p), d});
                        }
                    }
                    if (step.eliminations.empty())
                        continue;
                    step.technique = n == 2 ? Technique::FinnedXWing : Technique::FinnedSwordfish;
                    for (int i : picked) {
                        step.units.push_back(base + lines[size_t(i)]);
                        for (int c : g.places(base + lines[size_t(i)], d))
                            step.cells.push_back(c);
                    }
                    for (int p = 0; p < 9; ++p) {
                        if (coverSet & (1u << p))
                            step.units.push_back(cover + p);
                    }
                    const int fin = finCells.front();
                    step.units.push_back(18 + fin / 27 * 3 + fin % 9 / 3);
                    for (int c : finCells)
                        step.chain.push_back({c, d});
                    step.digits = bit(d);
                    found = step;
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

// ---- wings ----

std::vector<int> bivalueCells(const Grid& g)
{
    std::vector<int> out;
    for (int c = 0; c < 81; ++c) {
        if (g.open(c) && count(g.digits(c)) == 2)
            out.push_back(c);
    }
    return out;
}

// A pivot of two digits x and y sees two cells, one of x and z, one of y and
// z. Whichever the pivot is, one of them is z: a cell that sees both cannot
// be z.
Found xyWing(const Grid& g)
{
    const std::vector<int> pairs = bivalueCells(g);
    for (int p : pairs) {
        for (int a : pairs) {
            if (a == p || !g.sees(a, p))
                continue;
            const Digits shared = g.digits(a) & g.digits(p);
            if (count(shared) != 1)
                continue;
            const Digits z = g.digits(a) & ~shared;
            for (int b : pairs) {
                if (b == p || b == a || !g.sees(b, p))
                    continue;
                if (g.digits(b) != ((g.digits(p) & ~shared) | z))
                    continue;
                Step step;
                step.eliminations = g.seeingAll({a, b}, lowest(z), {p});
                if (step.eliminations.empty())
                    continue;
                step.technique = Technique::XYWing;
                step.cells = {p, a, b};
                step.digits = g.digits(p) | z;
                return step;
            }
        }
    }
    return std::nullopt;
}

// A pivot of three digits x, y and z sees a cell of x and z and one of y and
// z. One of the three is z: a cell that sees all three cannot be.
Found xyzWing(const Grid& g)
{
    const std::vector<int> pairs = bivalueCells(g);
    for (int p = 0; p < 81; ++p) {
        if (!g.open(p) || count(g.digits(p)) != 3)
            continue;
        for (int a : pairs) {
            if (!g.sees(a, p) || (g.digits(a) & ~g.digits(p)))
                continue;
            for (int b : pairs) {
                if (b <= a || !g.sees(b, p) || (g.digits(b) & ~g.digits(p)) ||
                    g.digits(b) == g.digits(a))
                    continue;
                const Digits z = g.digits(a) & g.digits(b);
                Step step;
                step.eliminations = g.seeingAll({p, a, b}, lowest(z));
                if (step.eliminations.empty())
                    continue;
                step.technique = Technique::XYZWing;
                step.cells = {p, a, b};
                step.digits = g.digits(p);
                return step;
            }
        }
    }
    return std::nullopt;
}

// The two places of a digit in a unit, when it has exactly two: one of them
// holds it.
struct StrongLink {
    int unit;
    int a;
    int b;
};

std::vector<StrongLink> strongLinks(const Grid& g, int digit)
{
    std::vector<StrongLink> out;
    for (int u = 0; u < g.unitCount(); ++u) {
        if (g.knownIn(u, digit))
            continue;
        const std::vector<int> places = g.places(u, digit);
        if (places.size() == 2 && !g.frozen(places[0]) && !g.frozen(places[1]))
            out.push_back({u, places[0], places[1]});
    }
    return out;
}

// Two cells of the same two digits x and y that do not see each other, and a
// unit whose only places for x see one each. Both cannot be x, or x would
// have no place in that unit: one of them is y, and a cell seeing both
// cannot be.
Found wWing(const Grid& g)
{
    const std::vector<int> pairs = bivalueCells(g);
    for (size_t i = 0; i < pairs.size(); ++i) {
        for (size_t j = i + 1; j < pairs.size(); ++j) {
            const int c1 = pairs[i];
            const int c2 = pairs[j];
            if (g.digits(c1) != g.digits(c2) || g.sees(c1, c2))
                continue;
            for (int x : digitList(g.digits(c1))) {
                const int y = lowest(g.digits(c1) & ~bit(x));
                for (const StrongLink& link : strongLinks(g, x)) {
                    if (link.a == c1 || link.a == c2 || link.b == c1 || link.b == c2)
                        continue;
                    const bool straight = g.sees(link.a, c1) && g.sees(link.b, c2);
                    const bool crossed = g.sees(link.b, c1) && g.sees(link.a, c2);
                    if (!straight && !crossed)
                        continue;
                    Step step;
                    step.eliminations = g.seeingAll({c1, c2}, y);
                    if (step.eliminations.empty())
                        continue;
                    step.technique = Technique::WWing;
                    step.cells = {c1, c2, straight ? link.a : link.b, straight ? link.b : link.a};
                    step.units = {link.unit};
                    step.digits = g.digits(c1);
                    return step;
                }
            }
        }
    }
    return std::nullopt;
}

// ---- single-digit patterns ----

// Two strong links of one digit whose ends on one side see each other: both
// of those cannot hold it, so one of the other two ends does, and a cell
// seeing both of those cannot. Two links in parallel rows (or columns) with
// ends in one column (or row) make a skyscraper; a row's link and a column's
// with ends in one box, a two-string kite.
Found twoLinks(const Grid& g, bool kite)
{
    for (int d = 1; d <= 9; ++d) {
        const std::vector<StrongLink> links = strongLinks(g, d);
        for (size_t i = 0; i < links.size(); ++i) {
            for (size_t j = 0; j < links.size(); ++j) {
                const StrongLink& r = links[i];
                const StrongLink& s = links[j];
                if (i == j || r.unit >= 18 || s.unit >= 18)
                    continue;
                const bool parallel = (r.unit < 9) == (s.unit < 9);
                if (kite ? (parallel || r.unit >= 9) : (!parallel || j < i))
                    continue;
                for (const auto& [ra, rb] : {std::pair{r.a, r.b}, std::pair{r.b, r.a}}) {
                    for (const auto& [sa, sb] : {std::pair{s.a, s.b}, std::pair{s.b, s.a}}) {
                        if (ra == sa || ra == sb || rb == sa || rb == sb || !g.sees(ra, sa))
                            continue;
                        const bool joined =
                            kite ? ra / 27 == sa / 27 && ra % 9 / 3 == sa % 9 / 3
                                 : (r.unit < 9 ? ra % 9 == sa % 9 : ra / 9 == sa / 9);
                        if (!joined || g.sees(rb, sb))
                            continue;
                        Step step;
                        step.eliminations = g.seeingAll({rb, sb}, d);
                        if (step.eliminations.empty())
                            continue;
                        step.technique = kite ? Technique::TwoStringKite : Technique::Skyscraper;
                        step.cells = {ra, rb, sa, sb};
                        step.units = {r.unit, s.unit};
                        step.digits = bit(d);
                        return step;
                    }
                }
            }
        }
    }
    return std::nullopt;
}

// The strong links of one digit join its places into clusters that can be
// coloured in two colours, one of which holds the digit. Two cells of one
// colour that see each other make that colour false; a cell that sees both
// colours cannot hold the digit.
Found simpleColouring(const Grid& g)
{
    for (int d = 1; d <= 9; ++d) {
        const std::vector<StrongLink> links = strongLinks(g, d);
        std::array<int, 81> colour;
        colour.fill(-1);
        for (const StrongLink& start : links) {
            if (colour[size_t(start.a)] >= 0)
                continue;
            // Colour the cluster: 2k and 2k + 1 for the k-th cluster.
            const int base = 2 * start.a;
            std::vector<int> cluster{start.a};
            colour[size_t(start.a)] = base;
            bool consistent = true;
            for (size_t next = 0; next < cluster.size(); ++next) {
                const int c = cluster[next];
                for (const StrongLink& link : links) {
                    const int other = link.a == c ? link.b : link.b == c ? link.a : -1;
                    if (other < 0)
                        continue;
                    const int wanted = base + 1 - (colour[size_t(c)] - base);
                    if (colour[size_t(other)] < 0) {
                        colour[size_t(other)] = wanted;
                        cluster.push_back(other);
                    } else if (colour[size_t(other)] != wanted) {
                        consistent = false;
                    }
                }
            }
            if (!consistent || cluster.size() < 4)
                continue;
            Step step;
            step.technique = Technique::SimpleColouring;
            step.digits = bit(d);
            for (int c : cluster)
                step.chain.push_back({c, colour[size_t(c)] - base});
            std::sort(step.chain.begin(), step.chain.end(),
                      [](const Candidate& a, const Candidate& b) {
                          return a.digit != b.digit ? a.digit < b.digit : a.cell < b.cell;
                      });
            // A colour that sees itself is false.
            for (const int side : {0, 1}) {
                bool clash = false;
                for (int a : cluster) {
                    for (int b : cluster) {
                        if (a < b && colour[size_t(a)] == base + side &&
                            colour[size_t(b)] == base + side && g.sees(a, b))
                            clash = true;
                    }
                }
                if (!clash)
                    continue;
                for (int c : cluster) {
                    if (colour[size_t(c)] == base + side)
                        step.eliminations.push_back({c, d});
                }
                step.cells = cluster;
                return step;
            }
            // A cell that sees both colours.
            for (int c = 0; c < 81; ++c) {
                if (!(g.candidates(c) & bit(d)) || colour[size_t(c)] >= 0)
                    continue;
                bool sees[2] = {false, false};
                for (int k : cluster) {
                    if (g.sees(c, k))
                        sees[colour[size_t(k)] - base] = true;
                }
                if (sees[0] && sees[1])
                    step.eliminations.push_back({c, d});
            }
            if (!step.eliminations.empty()) {
                step.cells = cluster;
                return step;
            }
        }
    }
    return std::nullopt;
}

// ---- chains ----

// An alternating chain of candidates: from its first node, a strong link
// (not both false), a weak link (not both true), a strong link, and so on,
// ending with a strong link. If the first is false the last is true, so one
// of the two ends is true, and a candidate that would make both false (one
// that sees both, or shares a cell with one and sees the other) cannot be.
// An X-chain keeps to one digit; an XY-chain's strong links are cells of two
// digits; an alternating inference chain mixes both.
enum class ChainKind { X, XY, Any };
constexpr int MaxLinks = 12;

int node(int cell, int digit)
{
    return cell * 9 + digit - 1;
}
int nodeCell(int n)
{
    return n / 9;
}
int nodeDigit(int n)
{
    return n % 9 + 1;
}

bool weaklyLinked(const Grid& g, int a, int b)
{
    if (a == b)
        return false;
    if (nodeCell(a) == nodeCell(b))
        return true;
    return nodeDigit(a) == nodeDigit(b) && g.sees(nodeCell(a), nodeCell(b));
}

std::vector<int> strongFrom(const Grid& g, int n, ChainKind kind)
{
    std::vector<int> out;
    const int c = nodeCell(n);
    const int d = nodeDigit(n);
    if (kind != ChainKind::XY) {
        for (int u : g.unitsOf(c)) {
            if (g.knownIn(u, d))
                continue;
            const std::vector<int> places = g.places(u, d);
            if (places.size() != 2)
                continue;
            const int other = places[0] == c ? places[1] : places[0];
            if (!g.frozen(other) && std::find(out.begin(), out.end(), node(other, d)) == out.end())
                out.push_back(node(other, d));
        }
    }
    if (kind != ChainKind::X && count(g.candidates(c)) == 2)
        out.push_back(node(c, lowest(g.candidates(c) & ~bit(d))));
    return out;
}

std::vector<int> weakFrom(const Grid& g, int n, ChainKind kind)
{
    std::vector<int> out;
    const int c = nodeCell(n);
    const int d = nodeDigit(n);
    for (int p = 0; p < 81; ++p) {
        if (g.sees(c, p) && (g.candidates(p) & bit(d)))
            out.push_back(node(p, d));
    }
    if (kind == ChainKind::Any) {
        for (int e : digitList(g.candidates(c) & ~bit(d)))
            out.push_back(node(c, e));
    }
    return out;
}

Found chain(const Grid& g, ChainKind kind)
{
    std::vector<int> nodes;
    for (int c = 0; c < 81; ++c) {
        for (int d : digitList(g.candidates(c)))
            nodes.push_back(node(c, d));
    }
    // Breadth first from each start, over (node, whether it is true); the
    // shortest chain over all starts wins.
    Found best;
    size_t bestLength = MaxLinks + 1;
    std::array<int, 729 * 2> parent;
    std::array<int, 729 * 2> depth;
    for (int start : nodes) {
        parent.fill(-2);
        std::vector<int> frontier;
        // State 2n: n is false; 2n + 1: n is true. The start is assumed false.
        parent[size_t(2 * start)] = -1;
        depth[size_t(2 * start)] = 0;
        frontier.push_back(2 * start);
        for (size_t next = 0; next < frontier.size(); ++next) {
            const int state = frontier[next];
            const int n = state / 2;
            const bool isTrue = state % 2 == 1;
            if (depth[size_t(state)] >= MaxLinks || size_t(depth[size_t(state)]) + 1 >= bestLength)
                break;
            const std::vector<int> links = isTrue ? weakFrom(g, n, kind) : strongFrom(g, n, kind);
            for (int m : links) {
                const int reached = 2 * m + (isTrue ? 0 : 1);
                if (parent[size_t(reached)] != -2)
                    continue;
                parent[size_t(reached)] = state;
                depth[size_t(reached)] = depth[size_t(state)] + 1;
                frontier.push_back(reached);
                if (isTrue || depth[size_t(reached)] < 3 || m == start)
                    continue;
                // start or m is true: what would make both false is gone.
                Step step;
                for (int z : nodes) {
                    if (z != start && z != m && weaklyLinked(g, z, start) && weaklyLinked(g, z, m))
                        step.eliminations.push_back({nodeCell(z), nodeDigit(z)});
                }
                if (step.eliminations.empty())
                    continue;
                for (int s = reached; s >= 0; s = parent[size_t(s)])
                    step.chain.push_back({nodeCell(s / 2), nodeDigit(s / 2)});
                std::reverse(step.chain.begin(), step.chain.end());
                step.technique = kind == ChainKind::X    ? Technique::XChain
                                 : kind == ChainKind::XY ? Technique::XYChain
                                                         : Technique::AlternatingChain;
                for (const Candidate& k : step.chain) {
                    step.digits |= bit(k.digit);
                    if (std::find(step.cells.begin(), step.cells.end(), k.cell) == step.cells.end())
                        step.cells.push_back(k.cell);
                }
                bestLength = size_t(depth[size_t(reached)]);
                best = std::move(step);
                break;
            }
            if (best && bestLength <= size_t(depth[size_t(state)]) + 1)
                break;
        }
    }
    return best;
}

}  // namespace

Digits digitsOf(QStringView text)
{
    Digits digits = 0;
    for (QChar ch : text) {
        if (ch >= u'1' && ch <= u'9')
            digits |= bit(ch.unicode() - u'0');
    }
    return digits;
}

Outcome next(const Board& board, Technique hardest)
{
    const Grid g(board);
    Outcome outcome;
    if ((outcome.contradiction = contradiction(g)))
        return outcome;
    // Each with the hardest technique it may find.
    const std::pair<Technique, std::function<Found()>> techniques[] = {
        {Technique::PeerRemoval, [&] { return peerRemoval(g, true); }},
        {Technique::NakedSingle, [&] { return peerRemoval(g, false); }},
        {Technique::HiddenSingle, [&] { return hiddenSingle(g); }},
        {Technique::Claiming, [&] { return lockedCandidates(g); }},
        {Technique::NakedPair, [&] { return nakedSubset(g, 2); }},
        {Technique::HiddenPair, [&] { return hiddenSubset(g, 2); }},
        {Technique::NakedTriple, [&] { return nakedSubset(g, 3); }},
        {Technique::HiddenTriple, [&] { return hiddenSubset(g, 3); }},
        {Technique::NakedQuad, [&] { return nakedSubset(g, 4); }},
        {Technique::HiddenQuad, [&] { return hiddenSubset(g, 4); }},
        {Technique::XWing, [&] { return fish(g, 2); }},
        {Technique::Swordfish, [&] { return fish(g, 3); }},
        {Technique::Jellyfish, [&] { return fish(g, 4); }},
        {Technique::XYWing, [&] { return xyWing(g); }},
        {Technique::XYZWing, [&] { return xyzWing(g); }},
        {Technique::WWing, [&] { return wWing(g); }},
        {Technique::Skyscraper, [&] { return twoLinks(g, false); }},
        {Technique::TwoStringKite, [&] { return twoLinks(g, true); }},
        {Technique::FinnedXWing, [&] { return finnedFish(g, 2); }},
        {Technique::FinnedSwordfish, [&] { return finnedFish(g, 3); }},
        {Technique::SimpleColouring, [&] { return simpleColouring(g); }},
        {Technique::XChain, [&] { return chain(g, ChainKind::X); }},
        {Technique::XYChain, [&] { return chain(g, ChainKind::XY); }},
        {Technique::AlternatingChain, [&] { return chain(g, ChainKind::Any); }},
    };
    for (const auto& [most, technique] : techniques) {
        if (most > hardest)
            break;
        if ((outcome.step = technique())) {
            outcome.step->diagonal = board.diagonal;
            return outcome;
        }
    }
    bool anyOpen = false;
    for (int c = 0; c < 81; ++c)
        anyOpen = anyOpen || g.open(c) || g.frozen(c);
    outcome.solved = !anyOpen;
    return outcome;
}

Board applied(Board board, const Step& step)
{
    for (const Candidate& k : step.placements)
        board.digits[size_t(k.cell)] = bit(k.digit);
    for (const Candidate& k : step.eliminations)
        board.digits[size_t(k.cell)] &= Digits(~bit(k.digit));
    return board;
}

}  // namespace nextstep

namespace nextstep {

Board boardOfGivens(const std::array<QString, 81>& givens, bool diagonal)
{
    Board board;
    board.diagonal = diagonal;
    for (int c = 0; c < 81; ++c) {
        const Digits given = digitsOf(givens[size_t(c)]);
        board.decided[size_t(c)] = std::popcount(unsigned(given)) == 1;
        board.digits[size_t(c)] = board.decided[size_t(c)] ? given : AllDigits;
    }
    return board;
}

Walk walk(Board board, Technique hardest)
{
    Walk result;
    for (int guard = 0; guard <= 729; ++guard) {
        result.end = next(board, hardest);
        if (!result.end.step)
            break;
        result.before.push_back(board);
        board = applied(board, *result.end.step);
        result.steps.push_back(std::move(*result.end.step));
        result.end.step.reset();
    }
    return result;
}

}  // namespace nextstep
