#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Drivers shared by the fuzz targets and the corpus replay test. Both work in
// the current directory: they write, read and remove mondai.txt there.

// Writes `bytes` as mondai.txt and runs Data Load on a fresh form. Every entry
// of savedGrid must then be empty or one character, equal to what
// puzzlefile::parse makes of the same bytes, placed as a decided cell when
// not empty; no message box may open and the form's rules must hold. The
// same bytes, pasted as text, must be placed as they read where they are a
// puzzle and leave the board alone where not.
// Bytes that start with "\xFF" "cap" are the end of a file past the first
// megabyte instead: Data Load must read it as its bytes parse, what lies past
// the megabyte must change nothing, and the file must read as its first
// megabyte would or as no puzzle.
// Returns an empty string, or what went wrong.
QString checkPuzzleFileLoad(QByteArrayView bytes);

// Decodes `bytes` into a sequence of user actions (cell clicks, palette
// choices, typed texts, every button, Save, Load with and without a file, a
// file opened from elsewhere, any answer to the file error box) and plays it
// on a fresh form, checking invariantViolation and decidedTextViolation after
// every action. Returns an empty string, or the broken rule and the actions
// that led to it.
QString playActions(QByteArrayView bytes);
// The same, and along the way (after actions 1, 2, 4, 8, ... and the last)
// the form's state is kept and read back, and must come back field for
// field. Kept out of the fuzzer's loop: a round trip costs more than a short
// script of actions.
QString playActionsKept(QByteArrayView bytes);
// The same with each action recorded in the form's history (EndAction), and
// undo and redo among the actions. Every undo and redo must give back the
// state that was there, field for field; an action that records no step may
// have changed only the message line and the texts the single-number display
// stashes while it is off. At the end the history is walked back to the
// first state and forward to the last, and so is the history kept and read
// back into a fresh form, as after a restart.
QString playActionsUndone(QByteArrayView bytes);

// Reads `bytes` as a kept board, as they are and with the check of their
// board made anew. Each must either be refused, with a reason, or give a
// state that is kept and read back as itself, from which every handler but
// the file's can run.
QString checkKeptBoard(QByteArrayView bytes);

// Reads `bytes` as a board of candidates (a byte for the puzzle type, then
// two a cell: its digits, and whether it is decided) and works it with the
// next-step engine to its end. Each step must change only digits the board
// it was found on shows, in cells whose value is not known, and be told;
// the walk must end.
QString checkNextSteps(QByteArrayView bytes);
