// Singles and intersections: what one known cell, one unit, or the overlap
// of two units says.
#include "nextstepgrid.h"

namespace nextstep::grid {

namespace {

// The eliminations a known cell's digit gives among its peers.
Found knownCellsDigit(const Grid& g, bool decided, Technique technique)
{
    for (int c = 0; c < 81; ++c) {
        if (!g.known(c) || g.board().decided[size_t(c)] != decided)
            continue;
        const int v = g.value(c);
        Step step;
        for (int p : g.candidateCells(v) & g.peers(c))
            step.eliminations.push_back({p, v});
        if (step.eliminations.empty())
            continue;
        step.technique = technique;
        step.cells = {c};
        step.digits = bit(v);
        return step;
    }
    return std::nullopt;
}

// Every place of a digit in unit `a` lies inside a second unit: the digit is
// in that overlap, so the second unit's other cells cannot hold it.
Found lockedCandidates(const Grid& g, bool fromBox, Technique technique)
{
    for (int a = 0; a < g.unitCount(); ++a) {
        if (isBox(a) != fromBox)
            continue;
        for (int d = 1; d <= 9; ++d) {
            if (g.knownIn(a, d))
                continue;
            const Cells places = g.places(a, d);
            if (places.size() < 2)
                continue;
            for (int b = 0; b < g.unitCount(); ++b) {
                if (b == a || !g.unitCells(b).contains(places))
                    continue;
                Step step;
                for (int c : g.candidateCells(d) & g.unitCells(b) & ~places)
                    step.eliminations.push_back({c, d});
                if (step.eliminations.empty())
                    continue;
                step.technique = technique;
                step.cells = places.list();
                step.units = {a, b};
                step.digits = bit(d);
                return step;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

// A decided cell's digit cannot stand anywhere else in its units.
Found peerRemoval(const Grid& g)
{
    return knownCellsDigit(g, true, Technique::PeerRemoval);
}

// An undecided cell with one digit left holds it, so its units' other cells
// cannot.
Found nakedSingle(const Grid& g)
{
    return knownCellsDigit(g, false, Technique::NakedSingle);
}

// A digit with one place left in a unit goes there.
Found hiddenSingle(const Grid& g)
{
    for (int u = 0; u < g.unitCount(); ++u) {
        for (int d = 1; d <= 9; ++d) {
            if (g.knownIn(u, d))
                continue;
            const Cells places = g.places(u, d);
            if (places.size() != 1 || g.frozen(places.first()))
                continue;
            Step step;
            step.technique = Technique::HiddenSingle;
            step.cells = {places.first()};
            step.units = {u};
            step.digits = bit(d);
            step.placements = {{places.first(), d}};
            return step;
        }
    }
    return std::nullopt;
}

// A digit whose places in a box all lie in one line (or, on a diagonal
// board, on one diagonal) is in that line within the box: the line's other
// cells cannot hold it.
Found pointing(const Grid& g)
{
    return lockedCandidates(g, true, Technique::Pointing);
}

// A digit whose places in a line (or diagonal) all lie in one box, or in
// another line, is there: that unit's other cells cannot hold it.
Found claiming(const Grid& g)
{
    return lockedCandidates(g, false, Technique::Claiming);
}

// On a diagonal board a cell may see every place of a digit in a unit
// through different units (one place in its row, the other on its
// diagonal): the digit is in one of those places, so the cell cannot hold
// it. Without the diagonals such a cell always shares one unit with all the
// places, and pointing or claiming has found it.
Found diagonalIntersection(const Grid& g)
{
    if (!g.diagonal())
        return std::nullopt;
    for (int u = 0; u < g.unitCount(); ++u) {
        for (int d = 1; d <= 9; ++d) {
            if (g.knownIn(u, d))
                continue;
            const Cells places = g.places(u, d);
            if (places.size() < 2)
                continue;
            Step step;
            step.eliminations = g.seeingAll(places, d);
            if (step.eliminations.empty())
                continue;
            step.technique = Technique::DiagonalIntersection;
            step.cells = places.list();
            step.units = {u};
            step.digits = bit(d);
            return step;
        }
    }
    return std::nullopt;
}

}  // namespace nextstep::grid
