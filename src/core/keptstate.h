#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QString>

#include "korvane.h"

// The form's state as it is kept between two runs of the program: a JSON
// document a person can read, with a format name, a version and a check.
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
//     "check": "sha256:<hex of the board written compactly>",
//     "format": "korvane-board",
//     "version": 1
//   }
//
// Keys stand in alphabetical order; colours are numbers 0xBBGGRR. The check
// covers the board's values, not its spacing: a file reformatted by hand
// still reads, one with a value changed or cut short does not.
namespace keptstate {

inline constexpr int Version = 1;
// No control text, candidate string, stashed text, saved entry or selected
// value the program makes is longer than a box holds (1000); the puzzle
// file's name is a path.
inline constexpr qsizetype MaxTextLength = TextBox::MaxLength;
inline constexpr qsizetype MaxPathLength = 4096;
// A kept board of the longest texts is under 2 MiB; a longer file is
// refused before it is parsed.
inline constexpr qsizetype MaxFileBytes = 8 * 1024 * 1024;

// The run-time part of `state` (what the form changes between actions; the
// design-time settings of the controls are the form's own) as a document.
QByteArray write(const FormState& state);

struct Reading {
    std::optional<FormState> board;  // the kept state over `base`, when it reads
    QString fault;                   // otherwise why not, in a few words
};

// The kept state in `bytes` over `base` (a form as it starts, which gives the
// design-time settings), all of it or nothing. Refused: anything that is not
// such a document, another version, a check that does not match, a field
// missing or of another type, a flag other than 0 or 1, a colour beyond
// 0xFFFFFF, a font size outside 1-100 points, a text longer than the limits.
Reading read(QByteArrayView bytes, const FormState& base);

// The check of a board: "sha256:" and the hex of the board's values written
// compactly (keys in order, no spacing).
QString checkOf(const QJsonObject& board);

}  // namespace keptstate
