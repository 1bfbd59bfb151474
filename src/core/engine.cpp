// The candidate engine: elimination from peers, the conflict check, the
// hidden-single scan and the rebuild of every undecided cell.
#include "korvane.h"
#include "units.h"

namespace {

// One character of s compared with a whole text: a text of another length
// never matches, so "10" and "11" match nothing.
bool charEquals(const QString& s, qsizetype pos, const QString& text)
{
    return text.size() == 1 && s.at(pos) == text.at(0);
}

}  // namespace

void Korvane::EliminateFromPeers(int cellIndex)
{
    if (conflictFlag == 1 || autoEliminate == 0 || !isCell(cellIndex))
        return;

    const auto sweep = [this](const units::Unit& unit) {
        for (int peer : unit)
            RemoveCandidate(peer);
    };
    sweep(units::all[cellIndex / 9]);      // the row
    sweep(units::all[9 + cellIndex % 9]);  // the column
    // The box is walked column by column, each column top to bottom, which
    // is not the order of its unit.
    const int topLeft = 27 * (cellIndex / 27) + 3 * ((cellIndex / 3) % 3);
    for (int k = 0; k < 3; ++k) {
        RemoveCandidate(topLeft + k);
        RemoveCandidate(topLeft + k + 9);
        RemoveCandidate(topLeft + k + 18);
    }

    if (diagonalMode != 1)
        return;
    if (onMainDiagonal(cellIndex))
        sweep(units::all[units::MainDiagonal]);
    if (onAntiDiagonal(cellIndex))
        sweep(units::all[units::AntiDiagonal]);
}

void Korvane::RemoveCandidate(int cellIndex)
{
    if (!isCell(cellIndex))
        return;
    QString s = candidates[cellIndex];
    if (decided[cellIndex] == 1)
        return;

    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!charEquals(s, i, selectedValue))
            continue;
        s.remove(i, 1);
        TextBox& cell = Text1[cellIndex];
        cell.Text = s;
        candidates[cellIndex] = s;
        const qsizetype m = s.size();
        if (m == 1) {
            cell.FontSize = 28;
            cell.ForeColor = Colors::Black;
            CheckConflict(s);
        } else if (m <= 6) {
            cell.FontSize = 14;
        }
        return;
    }
}

void Korvane::CheckConflict(const QString& digitText)
{
    const int unitCount = diagonalMode == 1 ? 29 : 27;
    for (int u = 0; u < unitCount; ++u) {
        int matches = 0;
        for (int cellIndex : units::all[u]) {
            if (Text1[cellIndex].Text != digitText)
                continue;
            if (++matches == 2) {
                markDuplicate(cellIndex, digitText);
                return;
            }
        }
    }
}

void Korvane::markDuplicate(int cellIndex, const QString& digitText)
{
    // The caller may hand us a reference into the state itself; keep a copy so
    // that the text put back is the one the cell had.
    const QString text = digitText;
    Text1[cellIndex].Text = QStringLiteral("＊");
    port.MsgBox(QStringLiteral("同じ数あり =") + text, 0);
    Text1[cellIndex].Text = text;
    conflictFlag = 1;
}

void Korvane::FindHiddenSingles()
{
    if (conflictFlag == 1 || autoEliminate == 0)
        return;
    const int unitCount = diagonalMode == 1 ? 29 : 27;
    for (int u = 0; u < unitCount; ++u) {
        if (!scanUnitForHiddenSingles(units::all[u]))
            return;
    }
}

// Returns false when a mark raised a conflict and the whole scan must end.
bool Korvane::scanUnitForHiddenSingles(const std::array<int, 9>& unit)
{
    // Counting every digit in one walk over the unit's candidate strings gives
    // the same answer as one walk per digit: marks never change candidates.
    // The place of an occurrence is the cell it stands in, so no character of
    // a typed candidate string can move a mark out of this unit.
    std::array<int, 10> count{};
    std::array<int, 10> place{};
    for (int p = 0; p < 9; ++p) {
        for (QChar ch : candidates[unit[p]]) {
            const char16_t u = ch.unicode();
            if (u < u'1' || u > u'9')
                continue;
            const int d = u - u'0';
            ++count[d];
            place[d] = p;
        }
    }

    for (int d = 1; d <= 9; ++d) {
        if (count[d] != 1)
            continue;
        // A decided cell keeps its digit, even where a typed edit has left it
        // showing more than one character.
        const int cellIndex = unit[place[d]];
        TextBox& cell = Text1[cellIndex];
        if (cell.Text.size() <= 1 || decided[cellIndex] == 1)
            continue;
        const QString digit(QChar(u'0' + d));
        cell.FontSize = 28;
        cell.ForeColor = Colors::HiddenSingle;
        cell.Text = digit;
        CheckConflict(digit);
        if (conflictFlag == 1)
            return false;
    }
    return true;
}

void Korvane::resetUndecidedCells()
{
    for (int i = 0; i < CellCount; ++i) {
        if (decided[i] == 0)
            setCell(i, FullCandidates, 11, Colors::Black);
    }
}

void Korvane::applyDecidedCells()
{
    for (int j = 0; j < CellCount; ++j) {
        if (decided[j] != 1)
            continue;
        selectedValue = Text1[j].Text;
        EliminateFromPeers(j);
        FindHiddenSingles();
    }
}

void Korvane::RebuildCandidates()
{
    resetUndecidedCells();
    applyDecidedCells();
}
