#pragma once

#include <array>

#include <QString>

#include "history.h"
#include "nextstep.h"
#include "textbox.h"

// The candidate string of a cell nothing has been decided about.
inline const QString FullCandidates = QStringLiteral("123456789");

// What the message line says after start-up, the all-numbers display and Data
// Load.
inline const QString UsageText =
    QStringLiteral("使用方法：右側枠の数字を選択し挿入したい場所をクリックします");

// The way out to the user: a modal message box. The call returns only after
// the box has been closed, with the answer.
struct MessagePort {
    // Button styles.
    static constexpr int OkOnly = 0;
    static constexpr int YesNo = 4;
    static constexpr int CancelTryContinue = 6;
    // Added to a style of two buttons: the second one is the default, for a
    // question whose first answer is the risky one.
    static constexpr int DefaultButton2 = 256;
    // Answers.
    static constexpr int Ok = 1;
    static constexpr int Cancel = 2;
    static constexpr int Yes = 6;
    static constexpr int No = 7;
    static constexpr int TryAgain = 10;
    static constexpr int Continue = 11;

    virtual ~MessagePort() = default;
    virtual int MsgBox(const QString& prompt, int buttons) = 0;
};

// Everything the form holds between two user actions: every control's state
// and every module variable.
struct FormState {
    static constexpr int CellCount = 81;

    // ---- controls ----
    // What each control is, and its widget's name: layout::controls().
    std::array<TextBox, 81> Text1;
    std::array<TextBox, 11> Text2;
    TextBox Text3;
    TextBox Text4;
    TextBox Text5;
    TextBox Text6;
    TextBox Text7;
    TextBox Text8;
    std::array<TextBox, 2> Text9;
    TextBox Text10;

    // ---- module variables ----
    // "1".."9" a digit, "10" partial undo, "11" correction. While a procedure
    // propagates a decided digit it holds that digit instead.
    QString selectedValue;
    int diagonalMode = 0;
    int singleView = 0;
    int autoEliminate = 0;
    int conflictFlag = 0;
    int restorePending = 0;
    int hasSavedGrid = 0;
    // The puzzle file Data Load reads: a path, relative to the current folder
    // unless absolute.
    QString puzzleFile = QStringLiteral("mondai.txt");
    // Per-cell arrays have a spare entry 81 that nothing uses.
    std::array<int, 82> decided{};
    std::array<QString, 82> candidates;
    std::array<QString, 82> stashedText;
    std::array<QString, 82> savedGrid;

    // Field for field.
    bool operator==(const FormState&) const = default;
};

// The one window of the program, without its widgets: its state (above), the
// candidate engine and the command handlers.
//
// Cells are numbered 0..80 in reading order (row = i / 9, column = i % 9). The
// units are the rows, columns and 3x3 boxes, and while diagonalMode is 1 also
// the main diagonal (0, 10, ..., 80) and the anti-diagonal (8, 16, ..., 72).
//
// Texts keep line breaks as "\r\n"; a character is one UTF-16 code unit.
//
// A form is copied by assignment: it takes over the other form's state and
// history, and keeps talking to its own message port.
class Korvane : public FormState {
public:
    explicit Korvane(MessagePort& port);
    Korvane(const Korvane&) = default;
    Korvane& operator=(const Korvane& other)
    {
        FormState::operator=(other);
        history = other.history;
        return *this;
    }

    // ---- handlers ----
    // Start-up: every flag off, correction selected, every cell "123456789"
    // in 11-point black. Leaves stashedText and savedGrid alone.
    void Form_Load();
    // Clear all: Form_Load again, refused while the single-number display is
    // on. Also puts Data Save's button back to rest, since the saved grid is
    // no longer offered to Data Load.
    void Text5_Click();
    // Palette button Index (0-8 digits, 9 partial undo, 10 correction).
    void Text2_click(int Index);
    // A click on cell Index: place the selected digit, take a decided digit
    // back (partial undo), or, in the single-number display, strike the
    // digit on show from the cell's candidates.
    void Text1_click(int Index);
    // The user typed into the control at `index` (layout::controls()), which
    // now holds `text` ("\r\n" between lines). A box that takes no typing
    // keeps its text; any other takes `text`, cut to TextBox::MaxLength
    // characters between whole characters and line breaks. The candidates
    // follow at the key release (Text1_KeyUp).
    void TypeInto(int index, const QString& text);
    // A key released in cell Index. The view has already copied the cell's
    // new text into Text1[Index].Text; it becomes the cell's candidates, with
    // each full-width digit "１"-"９" turned into "1"-"9" in both.
    void Text1_KeyUp(int Index, int KeyCode, int Shift);
    // Puzzle type: normal <-> diagonal, the latter after a validity test.
    void Text4_click();
    // Automatic elimination on/off.
    void Text6_Click();
    // Continuous elimination, or restore while typed edits are pending.
    void Text10_click();
    // Single-number display: the mouse-down stashes every cell's text, the
    // click that follows shows only the selected digit's places.
    void Text7_MouseDown(int Button, int Shift, float x, float y);
    void Text7_Click();
    // All-numbers display: ends the single-number display.
    void Text8_Click();
    // Data Save (Index 0) keeps the decided digits in savedGrid; Data Load
    // (any other Index) clears the board and places savedGrid's entries as
    // decided cells, after reading the puzzle file when no saved grid waits.
    void Text9_click(int Index);
    // A puzzle file opened from elsewhere (the command line, a drop, a file
    // dialog): it becomes the puzzle file, and it is loaded as Data Load
    // loads the puzzle file, even where a saved grid waits. Refused, like
    // Data Load, in the single-number display; a cancelled read leaves the
    // board and the saved grid as they were.
    void OpenPuzzleFile(const QString& fileName);
    // Whether a puzzle file may be opened now: not in the single-number
    // display, where Data Load waits too.
    bool canOpenPuzzleFile() const { return singleView == 0; }
    // A puzzle pasted from the clipboard, in any shape a puzzle file may
    // have: placed as Data Load places a puzzle read from the puzzle file.
    // A text that is not a puzzle changes nothing but the message line.
    // Waits, as Data Load does, in the single-number display.
    void PastePuzzle(const QString& text);
    // The decided digits as one line of 81 characters, "." for every cell
    // not decided (or decided as something other than a digit).
    QString PuzzleLine() const;
    // The board as shown: nine lines, each cell's text padded to its
    // column's width, "|" between boxes and a rule between bands.
    QString CandidateGrid() const;
    // Writes the decided digits to `path` as a drawn grid, all of the file
    // or nothing of it. On success the file becomes the puzzle file that
    // Data Load reads; a failure is told in a message box naming the file
    // and the reason, and changes nothing.
    bool SavePuzzleFile(const QString& path);
    // The board kept from an earlier run, offered at the start: where it
    // differs from the form's state, the user is asked once (Yes / No,
    // Yes the default) and Yes puts every control and variable back as
    // `kept` holds them. No leaves the form as it is; a kept board equal to
    // the form is not asked about, and only its history is put back.
    // Yes also puts back the history kept with it, so that an undo goes on
    // back past the restart. Returns whether the kept board was put back.
    bool OfferKeptBoard(const FormState& kept, const KeptHistory& keptHistory = {});
    // The kept board and its history put back without a question: at a
    // start with a puzzle file, whose opening is then an action away from
    // it.
    void RestoreKeptBoard(const FormState& kept, const KeptHistory& keptHistory);

    // ---- history ----
    // The states before each action, and the way forward again after an
    // undo (history.h). Not part of FormState: an undo puts the form's
    // state back, never the history.
    History history;
    // After every action (each handler a gesture runs, the puzzle commands
    // and the hint's step included): where the action changed the form, the
    // state before it becomes a step back and the redo branch goes. An
    // action that changed only the message line is no step of its own.
    // Undo, Redo and UndoToBeforeMistake record themselves; EndAction after
    // them finds nothing to record.
    void EndAction() { history.record(*this); }
    // 取り消し and やり直し: the whole state one step back or forward,
    // exactly as it was; false, and nothing changed, when there is none.
    // They are no actions: the redo branch stays.
    bool Undo() { return history.undo(*this); }
    bool Redo() { return history.redo(*this); }
    bool canUndo() const { return history.canUndo(); }
    bool canRedo() const { return history.canRedo(); }
    // The history to keep with the form's state: History::KeptSteps steps
    // each way at most.
    KeptHistory keptHistory() const { return history.kept(*this, History::KeptSteps); }

    // ---- the puzzle's solution ----
    // The solution a board is judged by is that of its decided digits, when
    // they have exactly one. When they have none (a digit placed wrongly),
    // it is that of the nearest earlier state in the history whose decided
    // digits are all still on the board, each the same, and have exactly
    // one solution; last, that of the saved grid's digits (what Data Load
    // placed, or Data Save kept) under the same condition. Those digits fix
    // the solution, so a digit on the board that disagrees with it is wrong,
    // whichever of them were the puzzle's givens. The puzzle type is the
    // board's.
    //
    // 間違いを探す: the first cell in reading order that is wrong, a decided
    // digit other than the solution's or a cell whose text (its candidates)
    // has lost the solution's digit, is named on the message line and
    // returned; -1 when there is none, or when the board has no solution to
    // be judged by, which the message line says. Nothing else changes, and
    // no digit of the solution is told. Refused, with a word, in the
    // single-number display.
    int FindMistake();
    // 間違いの前まで戻す: back through the history to the nearest state with
    // no such mistake, judged by the same solution, as one action (an undo
    // returns to the board it left). The message line says how many steps
    // back it went, or that there is no mistake, or no such state.
    void UndoToBeforeMistake();
    // 難易度を表示: the grade of the puzzle the decided digits make, as
    // korvane --explain rates it, on the message line; where they have no
    // solution, or more than one, that instead. Nothing else changes.
    void ShowGrade();

    // ---- hints ----
    // The board the next-step engine reads: each cell's text and whether it
    // is decided, and the puzzle type.
    nextstep::Board HintBoard() const;
    // A hint's first stage: finds the easiest next step and names it on the
    // message line, or says there is none (solved, stuck, or the candidates
    // contradicting each other, named). Changes nothing else. Refused, with
    // a word on the message line, in the single-number display.
    nextstep::Outcome ShowHint();
    // A hint's last stage: makes `step`, each changed cell taking its new
    // text as a typed edit does (candidates, size, conflict check, hidden
    // singles), in cell order. Unlike the user's edits, the step leaves
    // 連続消去 as it was: the next 連続消去 goes on from the board with the
    // step in it.
    void MakeHintStep(const nextstep::Step& step);

    // ---- engine ----
    // Removes selectedValue from the candidates of every cell sharing a unit
    // with cellIndex: row, column, box, then the diagonals the cell lies on in
    // diagonal mode. Every cell of each sweep is visited, the cell itself too.
    // Returns at once while autoEliminate is 0 or conflictFlag is 1.
    void EliminateFromPeers(int cellIndex);
    // Cuts the first character equal to selectedValue out of the candidates of
    // an undecided cell, shows the rest and restyles the cell by its new
    // length; a single candidate left turns black and goes to CheckConflict.
    void RemoveCandidate(int cellIndex);
    // Scans rows, columns, boxes (and diagonals in diagonal mode) for a unit in
    // which two cell texts equal digitText. At the first such pair it shows
    // "＊" in the second cell while the message box is open, puts the text
    // back and sets conflictFlag. Never clears the flag.
    void CheckConflict(const QString& digitText);
    // Marks, in every unit, a digit whose candidates stand in one cell only,
    // unless that cell already shows a single character or is decided. Stops at the first
    // conflict. Changes texts and styles only, never candidates or decided.
    void FindHiddenSingles();
    // Reads the puzzle file (puzzleFile) into savedGrid, all entries at
    // once and only when the whole read succeeded. On failure it asks the user
    // (Cancel / Try Again / Continue) and reads again on Try Again. Returns
    // false when the user cancelled, true otherwise; savedGrid is unchanged on
    // every failure.
    bool LoadPuzzleFile();
    // Resets every undecided cell to "123456789" and applies every decided
    // cell again in index order (elimination plus hidden singles after each).
    // Leaves selectedValue at the last decided cell's text.
    void RebuildCandidates();
    // All palette buttons idle, correction active, selectedValue "11".
    void ResetPalette();
    // Makes a cell decided, showing and holding `digit` in 28-point dark red:
    // a placement, continuous elimination and Data Load all do this, before
    // they eliminate the digit from the cell's peers.
    void MarkDecided(int cellIndex, const QString& digit);

    // Unit membership helpers, shared by the engine and the commands.
    static bool onMainDiagonal(int cellIndex) { return cellIndex % 10 == 0; }
    static bool onAntiDiagonal(int cellIndex)
    {
        return cellIndex > 0 && cellIndex < 80 && cellIndex % 8 == 0;
    }
    static bool isCell(int cellIndex) { return cellIndex >= 0 && cellIndex < CellCount; }

    // The font size a cell text of length n is shown in: one character 28
    // points, seven or more 11, anything else (the empty text too) 14.
    static double fontSizeForLength(qsizetype n) { return n == 1 ? 28 : (n >= 7 ? 11 : 14); }

    // The palette index of selectedValue ("1" -> 0 ... "11" -> 10), or -1 when
    // it is not a palette value.
    int paletteIndex() const;

    // True when no decided cell on a long diagonal shares its text with a
    // later cell of that diagonal, decided or not.
    bool diagonalAllowed() const;

private:
    MessagePort& port;

    // After a load or a change of puzzle type: the message line says so when
    // the decided digits have no solution, or more than one.
    void tellSolutionCount();

    void buildControls();
    void setTenToContinuous();
    void setTenToRestore();
    void markDuplicate(int cellIndex, const QString& digitText);
    // A cell's shown text and candidates both `text`, in this size and colour.
    void setCell(int cellIndex, const QString& text, double fontSize, quint32 foreColor);
    // Every undecided cell back to "123456789" in 11-point black.
    void resetUndecidedCells();
    // Each decided cell in index order: its text into selectedValue, then
    // elimination from its peers and the hidden-single scan.
    void applyDecidedCells();
    bool scanUnitForHiddenSingles(const std::array<int, 9>& unit);
    // Data Load, reading the puzzle file first when `readFile`. When the user
    // cancels the read, nothing changes.
    void loadGrid(bool readFile);
    // What Data Save keeps of decided cell i: its digit, which the
    // single-number display may have stashed away.
    const QString& decidedText(int i) const
    {
        return singleView == 1 ? stashedText[i] : Text1[i].Text;
    }
};
