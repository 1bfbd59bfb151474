#pragma once

#include <QString>
#include <QTextStream>

#include "language.h"

// korvane --explain FILE: the puzzle in FILE (any shape the reader takes)
// worked from its givens with the easiest step each time, one line a step:
//   technique<TAB>r5c7=3 r5c8<>7<TAB>explanation
// after a first line 解がありません or 解が複数あります when the givens have
// no solution or more than one, and before a last line "solved N steps" or
// "stuck N steps" (解けました（N手）or 行き詰まりました（N手）in Japanese;
// after a line naming the contradiction, when the candidates come to
// contradict each other), and last the rating: the grade and the hardest
// technique used (nextstep::rating(), always in Japanese). The errors are in `language` too. Returns the exit
// status: 0 solved, 1 stuck, 2 when the file cannot be read or holds no
// puzzle (said on `errors`), 3 when the givens have no solution or more
// than one. `path` is a name as filenames::fromNative() makes it.
int explainPuzzle(const QString& path, bool diagonal, QTextStream& out, QTextStream& errors,
                  Language language = Language::English);
