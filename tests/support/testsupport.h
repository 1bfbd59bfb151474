#pragma once

#include <functional>

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include "currentfolder.h"
#include "korvane.h"

// A message port that records every box and answers at once. A test that
// needs to look at the form while a box is open sets onMsgBox.
struct FakePort : MessagePort {
    struct Call {
        QString prompt;
        int buttons = OkOnly;
    };
    QList<Call> calls;
    QList<int> answers;  // answered in turn; Ok once they run out
    std::function<void(const QString& prompt, int buttons)> onMsgBox;

    int MsgBox(const QString& prompt, int buttons) override
    {
        calls.append({prompt, buttons});
        if (onMsgBox)
            onMsgBox(prompt, buttons);
        return answers.isEmpty() ? Ok : answers.takeFirst();
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

// Steps that bring a fresh form into the state a test starts from (or that a
// test expects it in), for data columns. Each test file that puts one in a
// column declares the metatype itself.
using Setup = std::function<void(Korvane&)>;

// One action as the window runs it: the handler, then EndAction, which
// records it in the history.
void act(Korvane& form, const Setup& action);
// A placement as the user makes it, two actions: the digit on the palette,
// then the cell.
void place(Korvane& form, int cell, int digit);

// Board fixtures read like the board: 81 characters in reading order, '.' for
// a cell left as it is, anything else a cell the form marks decided with that
// character. Whitespace is skipped, so a board may be written as nine lines
// of nine.
void placeDecided(Korvane& form, const QString& board);

// Gives an undecided cell this text as both its shown text and its candidate
// string, with the font size the length calls for.
void setCandidates(Korvane& form, int cellIndex, const QString& text);

// The single-number display as the view raises it: the press on its button,
// then the click.
void clickSingleNumber(Korvane& form);

// The decided cells, in index order.
QList<int> decidedCells(const Korvane& form);

// "123456789" without the digits that the decided cells in `applied` show
// where they share a unit with `cell` (the diagonals too in diagonal mode):
// the cell's candidates once those digits have left their peers.
QString candidatesLeft(const Korvane& form, int cell, const QList<int>& applied);

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

// The rule for the actions that may not touch a decided cell (all but
// clear-all, Data Load and the single-number display, which the caller
// leaves out): a cell decided both in `before`, a copy of the form taken
// before the action, and after it shows the same text. `editedCell` is the
// cell a typed edit just changed, exempt from the rule. Returns an empty
// string when it holds, otherwise the first cell that broke it.
QString decidedTextViolation(const Korvane& before, const Korvane& after, int editedCell = -1);

// Empty when every row, column and box of the 81-character `grid` (and with
// `diagonal` both long diagonals) holds 1 to 9 once; otherwise what is wrong.
QString solutionFault(const QString& grid, bool diagonal);

// Empty when the step is no forcing chain, or when its proof holds: read
// again on `board` from each branch's assumption, every deduction follows by
// the reason it gives from the ones before, each branch ends in the step's
// result or in the contradiction it names. Otherwise what does not follow.
QString forcingProofFault(const nextstep::Step& step, const nextstep::Board& board);

// The controls by the names the window gives their widgets ("Text1_40",
// "Text2_10", "Text3", "Text9_1"), in the order the form declares them.
QStringList controlNames();
// The same names in the order of the screen, as the form numbers them: the
// cells row by row, the palette top to bottom (修正 above 部分取消), then the
// other controls as they are read, top to bottom and left to right.
QStringList tabOrder();
// The ones of them Tab stops at: all but the message line.
QStringList tabStops();
TextBox& controlNamed(Korvane& form, const QString& name);
const TextBox& controlNamed(const Korvane& form, const QString& name);

// Puzzle files as Japanese editors save them, in Shift-JIS bytes spelled out.
namespace sjis {
inline const QByteArray Rule = "\x84\x9F";              // ─
inline const QByteArray Bar = "\x84\xA0";               // │
inline const QByteArray IdeographicSpace = "\x81\x40";  // 　
// "０" to "９".
QByteArray fullWidthDigit(int digit);
}  // namespace sjis

// A line of rules, as wide as a row (19 characters).
QByteArray drawnRule();
// A row as it is drawn: the cells between bars.
QByteArray drawnRow(const QList<QByteArray>& cells);
// The givens of an 81-character puzzle ('.' for an open cell) drawn as a
// Shift-JIS mondai.txt: rule lines around rows of full-width digits and
// ideographic spaces, every line ended by `lineEnd`.
QByteArray drawnGrid(const QString& puzzle, QByteArrayView lineEnd = "\r\n");

// The entries of a puzzle file, or of the saved grid, written like a board:
// '.' an empty entry, any other character an entry of its own; a board
// shorter than the grid ends in empty entries.
QStringList entriesOf(const QString& board);

// A puzzle with its one solution, 81 characters each ('.' an open cell).
struct SolvedPuzzle {
    QString givens;
    QString solution;
};
// `count` puzzles that qqwing generates now at `difficulty` (with `extra`
// options), or fewer when it did not run, which the caller notices: a test
// that needs them fails rather than passing silently without them.
QList<SolvedPuzzle> qqwingPuzzles(const QString& difficulty, int count,
                                  const QStringList& extra = {});

// Writes `bytes` to the file at `path`, replacing what was there; false when
// that failed.
bool writeFile(const QString& path, QByteArrayView bytes);
