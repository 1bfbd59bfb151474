#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "korvane.h"

// A message port that records every box and answers at once. A test that
// needs to look at the form while a box is open sets onMsgBox.
struct FakePort : MessagePort {
    struct Call {
        QString prompt;
        int buttons = 0;
    };
    QList<Call> calls;
    QList<int> answers;  // answered in turn; 1 (OK) once they run out
    std::function<void(const QString& prompt, int buttons)> onMsgBox;

    int MsgBox(const QString& prompt, int buttons) override
    {
        calls.append({prompt, buttons});
        if (onMsgBox)
            onMsgBox(prompt, buttons);
        return answers.isEmpty() ? 1 : answers.takeFirst();
    }

    QStringList prompts() const
    {
        QStringList out;
        for (const Call& c : calls)
            out.append(c.prompt);
        return out;
    }
};

// A form together with the port it talks to.
struct Fixture {
    FakePort port;
    Korvane form{port};
};

// Board fixtures read like the board: 81 characters in reading order, '.' for
// a cell left as it is, anything else a decided cell showing that character in
// the decided style (dark red, 28 points). Whitespace is skipped, so a board
// may be written as nine lines of nine.
void placeDecided(Korvane& form, const QString& board);

// Gives an undecided cell this text as both its shown text and its candidate
// string, with the font size the length calls for.
void setCandidates(Korvane& form, int cellIndex, const QString& text);

// The 81 shown texts, joined with '|', for comparing whole boards.
QString boardTexts(const Korvane& form);

// How many units cells a and b have in common, worked out from rows and
// columns alone: row, column, box, and with `diagonal` the main diagonal
// (row == column) and the anti-diagonal (row + column == 8). A cell shares
// three to five units with itself.
int sharedUnits(int a, int b, bool diagonal);

// Every per-cell field the engine writes (text, candidates, font size, colour,
// decided), for checking that a call left the board exactly as it was.
QString boardState(const Korvane& form);

// Everything a handler may change: boardState plus the stashed texts, every
// button's text and back colour, the message line and the module variables.
// Two equal results mean the call left the form as it found it.
QString formState(const Korvane& form);

// The rules that hold between user actions, checked in one place: exactly one
// palette button is active and it is the one selectedValue ("1".."11") names;
// Text10 reads "元に戻す" on the active colour exactly when restorePending is
// 1 and "連続消去" on the idle colour when it is 0; Text4 and Text6 show
// diagonalMode and autoEliminate; every flag and decided entry is 0 or 1.
// Returns an empty string when all hold, otherwise what is wrong.
QString invariantViolation(const Korvane& form);

// Which cells are decided and what they show, taken before an action.
struct DecidedSnapshot {
    std::array<int, Korvane::CellCount> decided{};
    std::array<QString, Korvane::CellCount> text;
};
DecidedSnapshot decidedSnapshot(const Korvane& form);

// The rule for the actions that may not touch a decided cell (all but
// clear-all, Data Load and the single-number display, which the caller
// leaves out): a cell decided both before and after shows the same text.
// `editedCell` is the cell a typed edit just changed, exempt from the rule.
// Returns an empty string when it holds, otherwise the first cell that broke it.
QString decidedTextViolation(const DecidedSnapshot& before, const Korvane& after,
                             int editedCell = -1);
