#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QString>

#include "korvane.h"

// The form's state as it is kept between two runs of the program, with its
// history: a JSON document a person can read, with a format name, a version
// and a check.
//
//   {
//     "board": {
//       "autoEliminate": 0, ... every module variable ...,
//       "candidates": [82 texts], "decided": [82 numbers], ...
//       "controls": { "Text1_0": {"backColor": ..., "fontSize": ...,
//                                 "foreColor": ..., "text": ...},
//                     ... every control, by its widget's name ... },
//       ...
//     },
//     "check": "sha256:<hex of the board and the history written compactly>",
//     "format": "korvane-board",
//     "history": {
//       "redo": [ ...steps, the nearest first... ],
//       "undo": [ {"controls": {"Text1_4": {"text": "123"}},
//                  "decided": {"4": 0}, "selectedValue": "5"}, ... ]
//     },
//     "version": 2
//   }
//
// Keys stand in alphabetical order; colours are numbers 0xBBGGRR. A step of
// the history holds only what differs from its neighbour: undo[0] the
// fields in which the board before the last action differs from the board
// kept, undo[1] those in which the one before that differs from undo[0]'s,
// and so on; redo the same forward. It names fields as the board does, a
// per-cell entry by its index ("4"). The check is the SHA-256 of the object
// {"board": ..., "history": ...} written compactly: it covers the values,
// not their spacing, so a file reformatted by hand still reads, and one with
// a value changed or cut short does not.
//
// Version 1, the board alone with the check of the board written compactly,
// still reads, with no history.
namespace keptstate {

inline constexpr int Version = 2;
// No control text, candidate string, stashed text, saved entry or selected
// value the program makes is longer than a box holds (1000); the puzzle
// file's name is a path.
inline constexpr qsizetype MaxTextLength = TextBox::MaxLength;
inline constexpr qsizetype MaxPathLength = 4096;
// A kept board of the longest texts is under 2 MiB; a longer file is
// refused before it is parsed, and the writer keeps fewer steps of the
// history where they would make the file longer.
inline constexpr qsizetype MaxFileBytes = 8 * 1024 * 1024;
// The steps each way a file holds at most.
inline constexpr int MaxSteps = History::KeptSteps;

// A board and its history, as kept.
struct Kept {
    FormState board;
    KeptHistory history;
    bool operator==(const Kept&) const = default;
};

// The run-time part of `state` (what the form changes between actions; the
// design-time settings of the controls are the form's own) as a document,
// with `history` around it: MaxSteps steps each way at most, the nearest
// ones, and fewer where the document would be longer than MaxFileBytes.
QByteArray write(const FormState& state, const KeptHistory& history = {});

struct Reading {
    std::optional<FormState> board;  // the kept state over `base`, when it reads
    KeptHistory history;             // and its history, empty for version 1
    QString fault;                   // otherwise why not, in a few words
};

// The kept state in `bytes` over `base` (a form as it starts, which gives the
// design-time settings), with its history, all of it or nothing. Refused:
// anything that is not such a document, another version, a check that does
// not match, a field missing or of another type, a flag other than 0 or 1, a
// colour beyond 0xFFFFFF, a font size outside 1-100 points, a text longer
// than the limits; in the history, more than MaxSteps steps a way, a step
// that changes nothing or names a field the board does not have.
Reading read(QByteArrayView bytes, const FormState& base);

// Version 1's check, of a board: "sha256:" and the hex of the board's values
// written compactly (keys in order, no spacing).
QString checkOf(const QJsonObject& board);
// Version 2's, of a board and its history: the same of the object
// {"board": board, "history": history}.
QString checkOf(const QJsonObject& board, const QJsonObject& history);
// The check `document` calls for by its version.
QString checkOfDocument(const QJsonObject& document);

}  // namespace keptstate
