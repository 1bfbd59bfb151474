// Start-up, clear-all and the palette's resting state.
#include <algorithm>

#include "digits.h"
#include "korvane.h"
#include "layout.h"
#include "units.h"

Korvane::Korvane(MessagePort& messagePort) : port(messagePort)
{
    buildControls();
    Form_Load();
    history.reset(*this);
}

int Korvane::paletteIndex() const
{
    for (int i = 0; i < 11; ++i) {
        if (selectedValue == QString::number(i + 1))
            return i;
    }
    return -1;
}

void Korvane::setTenToContinuous()
{
    restorePending = 0;
    Text10.Text = QStringLiteral("連続消去");
    Text10.BackColor = Colors::Idle;
}

void Korvane::ResetPalette()
{
    for (int i = 0; i <= 9; ++i)
        Text2[i].BackColor = Colors::Idle;
    Text2[10].BackColor = Colors::Active;
    selectedValue = QStringLiteral("11");
}

void Korvane::Form_Load()
{
    setTenToContinuous();
    ResetPalette();
    Text4.Text = QStringLiteral("普通問題");
    Text4.BackColor = Colors::NormalType;
    Text6.BackColor = Colors::Idle;
    diagonalMode = 0;
    autoEliminate = 0;
    singleView = 0;
    hasSavedGrid = 0;
    conflictFlag = 0;
    Text3.Text = UsageText;
    decided.fill(0);
    resetUndecidedCells();
}

void Korvane::MarkDecided(int cellIndex, const QString& digit)
{
    decided[cellIndex] = 1;
    setCell(cellIndex, digit, 28, Colors::DecidedDigit);
}

void Korvane::setCell(int cellIndex, const QString& text, double fontSize, quint32 foreColor)
{
    TextBox& cell = Text1[cellIndex];
    cell.Text = text;
    candidates[cellIndex] = text;
    cell.FontSize = fontSize;
    cell.ForeColor = foreColor;
}

void Korvane::Text5_Click()
{
    if (singleView == 1)
        return;
    setTenToContinuous();
    const int current = paletteIndex();
    if (current >= 0)
        Text2[current].BackColor = Colors::Idle;
    // Start-up forgets the saved grid, so its button must stop offering it.
    Text9[0].BackColor = Colors::DataRest;
    Form_Load();
}

void Korvane::setTenToRestore()
{
    restorePending = 1;
    Text10.Text = QStringLiteral("元に戻す");
    Text10.BackColor = Colors::Active;
}

// ---- digit palette ----

void Korvane::Text2_click(int Index)
{
    if (Index < 0 || Index > 10)
        return;
    if (conflictFlag == 1) {
        if (Index != 9)
            return;
        conflictFlag = 0;
    }
    if (singleView == 1)
        return;
    const int previous = paletteIndex();
    if (previous >= 0)
        Text2[previous].BackColor = Colors::Idle;
    Text2[Index].BackColor = Colors::Active;
    selectedValue = QString::number(Index + 1);
}

// ---- cell click ----

void Korvane::Text1_click(int Index)
{
    if (!isCell(Index) || conflictFlag == 1)
        return;

    TextBox& cell = Text1[Index];
    if (singleView == 1) {
        cell.Text = stashedText[Index];
        RemoveCandidate(Index);
        stashedText[Index] = cell.Text;
        cell.Text = QString();
        setTenToRestore();
        return;
    }

    if (selectedValue == u"11")
        return;

    if (selectedValue == u"10") {
        if (decided[Index] == 0) {
            port.MsgBox(QStringLiteral("まだ決定していません"), 0);
            return;
        }
        decided[Index] = 0;
        RebuildCandidates();
        ResetPalette();
        return;
    }

    if (decided[Index] == 1) {
        port.MsgBox(QStringLiteral("決定済みです"), 0);
        return;
    }
    if (selectedValue.size() != 1 || !cell.Text.contains(selectedValue.at(0))) {
        port.MsgBox(QStringLiteral("この位置に ") + selectedValue + QStringLiteral(" は入りません"),
                    0);
        return;
    }

    if (restorePending == 1)
        setTenToContinuous();
    MarkDecided(Index, selectedValue);
    EliminateFromPeers(Index);
    FindHiddenSingles();
}

// ---- typed candidate edits ----

void Korvane::TypeInto(int index, const QString& text)
{
    if (index < 0 || index >= layout::ControlCount)
        return;
    TextBox& box = layout::control(*this, index);
    if (box.Locked)
        return;
    qsizetype cut = std::min(text.size(), TextBox::MaxLength);
    // Never inside a surrogate pair or a line break.
    if (cut < text.size() && cut > 0 &&
        (text.at(cut - 1).isHighSurrogate() ||
         (text.at(cut - 1) == u'\r' && text.at(cut) == u'\n')))
        --cut;
    box.Text = text.left(cut);
}

void Korvane::Text1_KeyUp(int Index, int /*KeyCode*/, int /*Shift*/)
{
    if (!isCell(Index) || conflictFlag == 1 || singleView == 1)
        return;

    TextBox& cell = Text1[Index];
    // An input method in its usual mode types full-width digits; they are
    // digits here too, in the text the cell shows as well as in its
    // candidates. One character for one keeps the caret where it was.
    for (qsizetype i = 0; i < cell.Text.size(); ++i) {
        const QChar ch = cell.Text.at(i);
        if (asciiDigit(ch) != ch)
            cell.Text[i] = asciiDigit(ch);
    }
    candidates[Index] = cell.Text;
    cell.FontSize = fontSizeForLength(cell.Text.size());
    if (cell.Text.size() == 1)
        CheckConflict(cell.Text);
    FindHiddenSingles();
    if (restorePending == 0)
        setTenToRestore();
}

// ---- puzzle type ----

bool Korvane::diagonalAllowed() const
{
    const auto clashes = [this](const units::Unit& diagonal) {
        for (int a = 0; a <= 7; ++a) {
            if (decided[diagonal[a]] != 1)
                continue;
            for (int b = a + 1; b <= 8; ++b) {
                if (Text1[diagonal[a]].Text == Text1[diagonal[b]].Text)
                    return true;
            }
        }
        return false;
    };
    return !clashes(units::all[units::MainDiagonal]) && !clashes(units::all[units::AntiDiagonal]);
}

void Korvane::Text4_click()
{
    if (singleView == 1)
        return;
    if (restorePending == 1)
        setTenToContinuous();
    conflictFlag = 0;

    if (diagonalMode != 0) {
        Text4.Text = QStringLiteral("普通問題");
        Text4.BackColor = Colors::NormalType;
        diagonalMode = 0;
    } else {
        if (!diagonalAllowed()) {
            port.MsgBox(QStringLiteral("斜め問題にはなりません"), 0);
            return;
        }
        Text4.Text = QStringLiteral("斜め問題");
        Text4.BackColor = Colors::Active;
        diagonalMode = 1;
    }
    RebuildCandidates();
    ResetPalette();
    tellSolutionCount();
}

// ---- automatic and continuous elimination ----

void Korvane::Text6_Click()
{
    if (singleView == 1)
        return;
    setTenToContinuous();
    conflictFlag = 0;

    if (autoEliminate == 0) {
        autoEliminate = 1;
        Text6.BackColor = Colors::Active;
        applyDecidedCells();
    } else {
        autoEliminate = 0;
        Text6.BackColor = Colors::Idle;
        resetUndecidedCells();
    }
    ResetPalette();
}

void Korvane::Text10_click()
{
    if (singleView == 1)
        return;

    if (restorePending == 1) {
        conflictFlag = 0;
        RebuildCandidates();
        setTenToContinuous();
    } else {
        // Every pass that promotes something makes at least one more cell
        // decided, so there are at most 82 passes.
        int placedCount = 0;
        do {
            placedCount = 0;
            for (int i = 0; i < CellCount; ++i) {
                TextBox& cell = Text1[i];
                if (cell.Text.size() != 1 || decided[i] != 0)
                    continue;
                ++placedCount;
                selectedValue = cell.Text;
                MarkDecided(i, selectedValue);
                EliminateFromPeers(i);
                FindHiddenSingles();
            }
        } while (placedCount > 0);
    }
    ResetPalette();
}

// ---- single-number display ----

void Korvane::Text7_MouseDown(int /*Button*/, int /*Shift*/, float /*x*/, float /*y*/)
{
    if (conflictFlag == 1 || singleView == 1)
        return;
    for (int i = 0; i < CellCount; ++i)
        stashedText[i] = Text1[i].Text;
}

void Korvane::Text7_Click()
{
    if (conflictFlag == 1 || singleView == 1)
        return;
    if (selectedValue == u"11" || selectedValue == u"10") {
        port.MsgBox(QStringLiteral("表示する数値を選択して下さい"), 0);
        return;
    }
    singleView = 1;
    for (int i = 0; i < CellCount; ++i) {
        TextBox& cell = Text1[i];
        for (QChar ch : std::as_const(stashedText[i])) {
            if (selectedValue.size() == 1 && ch == selectedValue.at(0)) {
                cell.Text = selectedValue;
                cell.FontSize = 28;
                break;
            }
            cell.Text = QStringLiteral(" ");
        }
    }
    Text3.Text = QStringLiteral("単数表示されています　戻すには「全数表示」をクリックして下さい");
}

void Korvane::Text8_Click()
{
    if (conflictFlag == 1 || singleView == 0)
        return;
    singleView = 0;
    for (int i = 0; i < CellCount; ++i) {
        TextBox& cell = Text1[i];
        cell.Text = stashedText[i];
        cell.FontSize = fontSizeForLength(cell.Text.size());
    }
    Text3.Text = UsageText;
    Text2_click(10);
    FindHiddenSingles();
}

// ---- hints ----

nextstep::Board Korvane::HintBoard() const
{
    nextstep::Board board;
    board.diagonal = diagonalMode == 1;
    for (int i = 0; i < CellCount; ++i) {
        board.digits[i] = nextstep::digitsOf(Text1[i].Text);
        board.decided[i] = decided[i] == 1;
    }
    return board;
}

nextstep::Outcome Korvane::ShowHint()
{
    if (singleView == 1) {
        Text3.Text = QStringLiteral("ヒントは全数表示に戻してから使えます");
        return {};
    }
    const nextstep::Outcome outcome = nextstep::next(HintBoard());
    if (outcome.step)
        Text3.Text = QStringLiteral("ヒント：") + nextstep::name(outcome.step->technique);
    else if (outcome.contradiction)
        Text3.Text = nextstep::explanation(*outcome.contradiction);
    else if (outcome.solved)
        Text3.Text = QStringLiteral("ヒント：すべてのマスが決まっています");
    else
        Text3.Text = QStringLiteral("ヒント：使える手筋が見つかりません");
    return outcome;
}

void Korvane::MakeHintStep(const nextstep::Step& step)
{
    // The step is the program's reasoning, as its own removals are: it does
    // not offer 元に戻す, so that 連続消去 goes on from the board it leaves.
    const int hadRestorePending = restorePending;
    std::array<QString, CellCount> text;
    std::array<bool, CellCount> changed{};
    for (int i = 0; i < CellCount; ++i)
        text[i] = Text1[i].Text;
    for (const nextstep::Candidate& k : step.placements) {
        text[k.cell] = QString::number(k.digit);
        changed[k.cell] = true;
    }
    for (const nextstep::Candidate& k : step.eliminations) {
        text[k.cell].remove(QChar(u'0' + k.digit));
        changed[k.cell] = true;
    }
    for (int i = 0; i < CellCount; ++i) {
        if (!changed[i] || text[i] == Text1[i].Text)
            continue;
        Text1[i].Text = text[i];
        Text1_KeyUp(i, 0, 0);
    }
    if (hadRestorePending == 0 && restorePending == 1)
        setTenToContinuous();
    Text3.Text = QStringLiteral("ヒントの手を進めました：") + nextstep::name(step.technique);
}
