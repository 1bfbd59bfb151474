// The next step: the board as the techniques see it, the contradictions it
// may hold, and the techniques tried easiest first. Each family's techniques
// live in a file of their own (nextstepgrid.h lists them).
#include "nextstep.h"

#include <algorithm>

#include "nextstepgrid.h"

namespace nextstep {

namespace grid {

namespace {

Geometry makeGeometry(int unitCount)
{
    Geometry g;
    g.unitCount = unitCount;
    for (int u = 0; u < 29; ++u)
        g.unit[size_t(u)] = Cells::ofAll(units::all[size_t(u)]);
    for (int u = 0; u < unitCount; ++u) {
        for (int a : units::all[size_t(u)]) {
            g.unitsOf[size_t(a)].push_back(u);
            g.peers[size_t(a)] |= g.unit[size_t(u)];
        }
    }
    for (int c = 0; c < 81; ++c)
        g.peers[size_t(c)].remove(c);
    return g;
}

}  // namespace

const Geometry& geometry(bool diagonal)
{
    static const Geometry normal = makeGeometry(27);
    static const Geometry withDiagonals = makeGeometry(29);
    return diagonal ? withDiagonals : normal;
}

Grid::Grid(const Board& board) : board_(board), geometry_(geometry(board.diagonal))
{
    for (int c = 0; c < 81; ++c) {
        const Digits d = board.digits[size_t(c)] & AllDigits;
        const bool frozen = board.decided[size_t(c)] && count(d) != 1;
        const Digits digits = frozen ? AllDigits : d;
        digits_[size_t(c)] = digits;
        if (frozen)
            frozenCells_.add(c);
        else if (count(digits) >= 2)
            openCells_.add(c);
        for (int k = 1; k <= 9; ++k) {
            if (!(digits & bit(k)))
                continue;
            if (!frozen && count(digits) == 1) {
                known_[size_t(k)].add(c);
            } else {
                places_[size_t(k)].add(c);
                if (!frozen)
                    candidates_[size_t(k)].add(c);
            }
        }
    }
}

int Grid::sharedUnit(int a, int b) const
{
    for (int u : unitsOf(a)) {
        if (unitCells(u).has(b))
            return u;
    }
    return -1;
}

int Grid::unitHolding(Cells cells) const
{
    for (int u = 0; u < unitCount(); ++u) {
        if (unitCells(u).contains(cells))
            return u;
    }
    return -1;
}

std::vector<StrongLink> strongLinks(const Grid& g, int digit)
{
    std::vector<StrongLink> out;
    for (int u = 0; u < g.unitCount(); ++u) {
        if (g.knownIn(u, digit))
            continue;
        const Cells places = g.places(u, digit);
        if (places.size() != 2 || (places & g.frozenCells()).any())
            continue;
        const int a = places.first();
        Cells rest = places;
        rest.remove(a);
        out.push_back({u, a, rest.first()});
    }
    return out;
}

namespace {

// What the board says outright: a cell without a digit, a digit twice in a
// unit, a unit with no place left for a digit.
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

// The techniques, easiest first, each with the one technique it finds.
struct Row {
    Technique technique;
    Found (*find)(const Grid&);
};
constexpr Row techniques[] = {
    {Technique::PeerRemoval, peerRemoval},
    {Technique::NakedSingle, nakedSingle},
    {Technique::HiddenSingle, hiddenSingle},
    {Technique::Pointing, pointing},
    {Technique::Claiming, claiming},
    {Technique::DiagonalIntersection, diagonalIntersection},
    {Technique::NakedPair, [](const Grid& g) { return nakedSubset(g, 2); }},
    {Technique::HiddenPair, [](const Grid& g) { return hiddenSubset(g, 2); }},
    {Technique::NakedTriple, [](const Grid& g) { return nakedSubset(g, 3); }},
    {Technique::HiddenTriple, [](const Grid& g) { return hiddenSubset(g, 3); }},
    {Technique::NakedQuad, [](const Grid& g) { return nakedSubset(g, 4); }},
    {Technique::HiddenQuad, [](const Grid& g) { return hiddenSubset(g, 4); }},
    {Technique::XWing, [](const Grid& g) { return fish(g, 2); }},
    {Technique::Swordfish, [](const Grid& g) { return fish(g, 3); }},
    {Technique::Jellyfish, [](const Grid& g) { return fish(g, 4); }},
    {Technique::XYWing, xyWing},
    {Technique::XYZWing, xyzWing},
    {Technique::WWing, wWing},
    {Technique::Skyscraper, skyscraper},
    {Technique::TwoStringKite, twoStringKite},
    {Technique::FinnedXWing, [](const Grid& g) { return finnedFish(g, 2); }},
    {Technique::FinnedSwordfish, [](const Grid& g) { return finnedFish(g, 3); }},
    {Technique::SimpleColouring, simpleColouring},
    {Technique::XChain, xChain},
    {Technique::XYChain, xyChain},
    {Technique::AlternatingChain, alternatingChain},
    {Technique::GroupedXChain, groupedXChain},
    {Technique::GroupedAIC, groupedAic},
    {Technique::AlsXz, alsXz},
    {Technique::CellForcingChain, cellForcingChain},
    {Technique::UnitForcingChain, unitForcingChain},
    {Technique::ContradictionForcingChain, contradictionForcingChain},
};

}  // namespace

}  // namespace grid

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
    const grid::Grid g(board);
    Outcome outcome;
    if ((outcome.contradiction = grid::contradiction(g)))
        return outcome;
    for (const grid::Row& row : grid::techniques) {
        if (row.technique > hardest)
            break;
        if ((outcome.step = row.find(g))) {
            outcome.step->diagonal = board.diagonal;
            return outcome;
        }
    }
    outcome.solved = (g.openCells() | g.frozenCells()).empty();
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

Board boardOfGivens(const std::array<QString, 81>& givens, bool diagonal)
{
    Board board;
    board.diagonal = diagonal;
    for (int c = 0; c < 81; ++c) {
        const Digits given = digitsOf(givens[size_t(c)]);
        board.decided[size_t(c)] = grid::count(given) == 1;
        board.digits[size_t(c)] = board.decided[size_t(c)] ? given : grid::AllDigits;
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

Grade grade(Technique technique)
{
    if (technique <= Technique::HiddenSingle)
        return Grade::Beginner;
    if (technique <= Technique::HiddenQuad)
        return Grade::Intermediate;
    if (technique <= Technique::SimpleColouring)
        return Grade::Advanced;
    if (technique <= Technique::AlsXz)
        return Grade::Hard;
    return Grade::VeryHard;
}

std::optional<Grade> grade(const Walk& walk)
{
    if (!walk.end.solved || walk.steps.empty())
        return std::nullopt;
    Grade hardest = Grade::Beginner;
    for (const Step& step : walk.steps)
        hardest = std::max(hardest, grade(step.technique));
    return hardest;
}

}  // namespace nextstep
