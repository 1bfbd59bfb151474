// Wings and single-digit patterns: a few cells of two or three digits, or
// two strong links of one digit, that force a digit into one of two cells.
#include "nextstepgrid.h"

namespace nextstep::grid {

namespace {

std::array<int, 81> bivalueCells(const Grid& g, int& size)
{
    std::array<int, 81> out{};
    size = 0;
    for (int c : g.openCells()) {
        if (count(g.digits(c)) == 2)
            out[size_t(size++)] = c;
    }
    return out;
}

// 0 for a row, 1 a column, 2 a diagonal; -1 for a box.
int lineKind(int unit)
{
    return unit < 9 ? 0 : unit < 18 ? 1 : unit >= 27 ? 2 : -1;
}

// A line (row, column or diagonal) that holds both cells, or -1.
int sharedLine(const Grid& g, int a, int b)
{
    for (int u : g.unitsOf(a)) {
        if (!isBox(u) && g.unitCells(u).has(b))
            return u;
    }
    return -1;
}

// Two strong links of one digit, each in a line, whose ends on one side see
// each other: both of those cannot hold it, so one of the other two ends
// does, and a cell seeing both of those cannot. `kite` picks the two-string
// kite (lines of two kinds, a row and a column say, the ends joined in a
// box) over the skyscraper (two lines of one kind, the ends joined in a
// line).
Found twoLinks(const Grid& g, bool kite)
{
    for (int d = 1; d <= 9; ++d) {
        const std::vector<StrongLink> links = strongLinks(g, d);
        for (size_t i = 0; i < links.size(); ++i) {
            for (size_t j = 0; j < links.size(); ++j) {
                const StrongLink& r = links[i];
                const StrongLink& s = links[j];
                const int rKind = lineKind(r.unit);
                const int sKind = lineKind(s.unit);
                if (i == j || rKind < 0 || sKind < 0)
                    continue;
                if (kite ? rKind >= sKind : (rKind != sKind || j < i))
                    continue;
                for (const auto& [ra, rb] : {std::pair{r.a, r.b}, std::pair{r.b, r.a}}) {
                    for (const auto& [sa, sb] : {std::pair{s.a, s.b}, std::pair{s.b, s.a}}) {
                        if (ra == sa || ra == sb || rb == sa || rb == sb || !g.sees(ra, sa))
                            continue;
                        const int joint = kite ? (boxOf(ra) == boxOf(sa) ? boxOf(ra) : -1)
                                               : sharedLine(g, ra, sa);
                        if (joint < 0 || g.sees(rb, sb))
                            continue;
                        Step step;
                        step.eliminations = g.seeingAll(Cells::of(rb) | Cells::of(sb), d);
                        if (step.eliminations.empty())
                            continue;
                        step.technique = kite ? Technique::TwoStringKite : Technique::Skyscraper;
                        step.cells = {ra, rb, sa, sb};
                        step.units = {r.unit, s.unit, joint};
                        step.digits = bit(d);
                        return step;
                    }
                }
            }
        }
    }
    return std::nullopt;
}

}  // namespace

// A pivot of two digits x and y sees two cells, one of x and z, one of y and
// z. Whichever the pivot is, one of them is z: a cell that sees both cannot
// be z.
Found xyWing(const Grid& g)
{
    int size = 0;
    const std::array<int, 81> pairs = bivalueCells(g, size);
    for (int i = 0; i < size; ++i) {
        const int p = pairs[size_t(i)];
        for (int j = 0; j < size; ++j) {
            const int a = pairs[size_t(j)];
            if (a == p || !g.sees(a, p))
                continue;
            const Digits shared = g.digits(a) & g.digits(p);
            if (count(shared) != 1)
                continue;
            const Digits z = g.digits(a) & ~shared;
            for (int k = 0; k < size; ++k) {
                const int b = pairs[size_t(k)];
                if (b == p || b == a || !g.sees(b, p))
                    continue;
                if (g.digits(b) != ((g.digits(p) & ~shared) | z))
                    continue;
                Step step;
                step.eliminations =
                    g.seeingAll(Cells::of(a) | Cells::of(b), lowest(z), Cells::of(p));
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
// z. If the pivot is z, it holds z; if it is x or y, the wing of that digit
// holds z. One of the three is z: a cell that sees all three cannot be.
Found xyzWing(const Grid& g)
{
    int size = 0;
    const std::array<int, 81> pairs = bivalueCells(g, size);
    for (int p : g.openCells()) {
        if (count(g.digits(p)) != 3)
            continue;
        for (int i = 0; i < size; ++i) {
            const int a = pairs[size_t(i)];
            if (!g.sees(a, p) || (g.digits(a) & ~g.digits(p)))
                continue;
            for (int j = 0; j < size; ++j) {
                const int b = pairs[size_t(j)];
                if (b <= a || !g.sees(b, p) || (g.digits(b) & ~g.digits(p)) ||
                    g.digits(b) == g.digits(a))
                    continue;
                const Digits z = g.digits(a) & g.digits(b);
                Step step;
                step.eliminations =
                    g.seeingAll(Cells::of(p) | Cells::of(a) | Cells::of(b), lowest(z));
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

// Two cells of the same two digits x and y that do not see each other, and a
// unit whose only places for x see one each. Both cannot be x, or x would
// have no place in that unit: one of them is y, and a cell seeing both
// cannot be.
Found wWing(const Grid& g)
{
    int size = 0;
    const std::array<int, 81> pairs = bivalueCells(g, size);
    for (int i = 0; i < size; ++i) {
        for (int j = i + 1; j < size; ++j) {
            const int c1 = pairs[size_t(i)];
            const int c2 = pairs[size_t(j)];
            if (g.digits(c1) != g.digits(c2) || g.sees(c1, c2))
                continue;
            for (int x : digitsIn(g.digits(c1))) {
                const int y = lowest(g.digits(c1) & ~bit(x));
                for (const StrongLink& link : strongLinks(g, x)) {
                    if (link.a == c1 || link.a == c2 || link.b == c1 || link.b == c2)
                        continue;
                    const bool straight = g.sees(link.a, c1) && g.sees(link.b, c2);
                    const bool crossed = g.sees(link.b, c1) && g.sees(link.a, c2);
                    if (!straight && !crossed)
                        continue;
                    Step step;
                    step.eliminations = g.seeingAll(Cells::of(c1) | Cells::of(c2), y);
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

// Two rows' strong links of one digit (or two columns', or the two
// diagonals') with one end each in one line.
Found skyscraper(const Grid& g)
{
    return twoLinks(g, false);
}

// A row's strong link and a column's of one digit (or a line's and a
// diagonal's) with one end each in one box.
Found twoStringKite(const Grid& g)
{
    return twoLinks(g, true);
}

}  // namespace nextstep::grid
