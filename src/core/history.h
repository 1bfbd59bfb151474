#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include <QLatin1StringView>
#include <QString>

struct FormState;

// The fields of the form's run-time state, numbered: what a history step
// holds. Each control (in the order of layout::controls()) has four, its
// text, font size, text colour and back colour; then the selected value, the
// puzzle file, the six flags and the four per-cell arrays of 82 entries. The
// numbers are the program's own; the kept file names the fields instead.
namespace formfield {

inline constexpr int ControlProperties = 4;  // text, fontSize, foreColor, backColor
inline constexpr int ControlFields = 101 * ControlProperties;
inline constexpr int SelectedValue = ControlFields;
inline constexpr int PuzzleFile = SelectedValue + 1;
inline constexpr int FirstFlag = PuzzleFile + 1;
inline constexpr int FlagCount = 6;
inline constexpr int CellEntries = 82;
inline constexpr int Decided = FirstFlag + FlagCount;
inline constexpr int Candidates = Decided + CellEntries;
inline constexpr int StashedText = Candidates + CellEntries;
inline constexpr int SavedGrid = StashedText + CellEntries;
inline constexpr int Count = SavedGrid + CellEntries;

// The field of a control's property (0 text, 1 font size, 2 colour, 3 back
// colour).
constexpr int control(int index, int property)
{
    return index * ControlProperties + property;
}
// The message line's text.
inline constexpr int Message = control(92, 0);

// The flags in field order, under the names the kept file gives them.
struct Flag {
    QLatin1StringView name;
    int FormState::*member;
};
extern const Flag Flags[FlagCount];

// Whether a field holds a text; every other one holds a number.
bool isText(int field);

}  // namespace formfield

// One step of the history: the fields in which a state differs from its
// neighbour, with the state's values. A step is never changed once made, so
// the history, the kept file's writer and a copy of the form share it.
struct HistoryStep {
    struct Change {
        int field = 0;
        double number = 0;  // a number field's value
        QString text;       // a text field's value
        bool operator==(const Change&) const = default;
    };
    std::vector<Change> changes;  // in field order, each field once
};
using SharedStep = std::shared_ptr<const HistoryStep>;

// The history as the kept file holds it, the nearest step first: `undo[0]`
// is the board before the last action, as what differs from the board kept;
// `undo[1]` the one before, as what differs from `undo[0]`'s; `redo` the same
// towards the end of the redo branch.
struct KeptHistory {
    std::vector<SharedStep> undo;
    std::vector<SharedStep> redo;
    // The same steps (a step is compared by its identity: a copy of the same
    // history is equal, a history read from a file is a new one).
    bool operator==(const KeptHistory&) const = default;
};

// The states of the form before each action, and after each undone one: the
// way back and the way forward again (the redo branch).
//
// It holds the state after the last action (the present) and, for each step
// back or forward, only the fields that differ from the neighbouring state.
// An action is recorded when the form differs from the present; one that
// changed nothing but the message line, or only the texts the single-number
// display stashes while that display is off (its button's press), is no step
// of its own: it goes with the next action, and an undo drops it. A recorded
// action drops the redo branch.
//
// Bounds: the last MaxSteps steps back, and no more than MaxBytes of changes
// in all (each change counted at its size and its text's); the oldest go
// first. Recording an action costs one comparison of the form with the
// present, field by field.
class History {
public:
    static constexpr int MaxSteps = 2000;
    static constexpr qsizetype MaxBytes = 16 * 1024 * 1024;
    // How many steps each way the kept file holds (keptstate.h).
    static constexpr int KeptSteps = 500;

    History();
    ~History();
    History(const History& other);
    History& operator=(const History& other);

    // Forgets every step; `present` is the state from now on.
    void reset(const FormState& present);

    // After an action: where `form` differs from the present (beyond what is
    // no step of its own), the present becomes a step back, the redo branch
    // goes, and `form` is the present.
    void record(const FormState& form);
    // Puts `form` back to the state one step back, or forward; false (and
    // `form` as it was) when there is none. A change made since the last
    // record() is recorded first, as an action: an undo takes it back, and
    // it leaves nothing to redo.
    bool undo(FormState& form);
    bool redo(FormState& form);
    bool canUndo() const { return !past_.empty(); }
    bool canRedo() const { return !future_.empty(); }
    int undoCount() const { return int(past_.size()); }
    int redoCount() const { return int(future_.size()); }

    // The states back from the present, the nearest first, each with how
    // many steps back it lies, until `visit` returns false.
    void walkBack(const std::function<bool(const FormState& state, int stepsBack)>& visit) const;

    // The history as it is to be kept with `form` as the board: at most
    // `limit` steps each way. A change since the last record() is the first
    // step back, and leaves no redo branch, as an undo would find it.
    KeptHistory kept(const FormState& form, int limit) const;
    // `board` as the present, with the steps of `kept` around it.
    void restore(const FormState& board, const KeptHistory& kept);

private:
    std::unique_ptr<FormState> present_;
    std::deque<SharedStep> past_;     // the nearest at the back
    std::vector<SharedStep> future_;  // the nearest at the back
    qsizetype bytes_ = 0;             // what past_ and future_ hold

    // Brings `form` to the present before a step is taken: records a change,
    // or drops what is no step of its own. False when a change was recorded.
    bool settle(FormState& form);
    // Takes `step` from the present: `form` and the present become the
    // neighbour it describes; returns the step back to where they were.
    SharedStep take(const HistoryStep& step, FormState& form);
    void trim();
};
