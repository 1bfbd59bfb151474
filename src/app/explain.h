#pragma once

#include <QString>
#include <QTextStream>

// korvane --explain FILE: the puzzle in FILE (any shape the reader takes)
// worked from its givens with the easiest step each time, one line a step:
//   technique<TAB>r5c7=3 r5c8<>7<TAB>explanation
// then a line "solved N steps" or "stuck N steps" (after a line naming the
// contradiction, when the givens contradict each other), and last the
// rating: the grade and the hardest technique used (nextstep::rating()).
// Returns the exit status: 0 solved, 1 stuck, 2 when the file cannot be read
// (said on `errors`).
int explainPuzzle(const QString& path, bool diagonal, QTextStream& out, QTextStream& errors);
