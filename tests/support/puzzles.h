#pragma once

#include <QString>

#include "korvane.h"

// Puzzles shared by the tests and the benchmarks, 81 characters in reading
// order with '.' for an open cell, and the way a user enters them.
namespace puzzles {

// Naked and hidden singles solve this one in normal mode.
inline const QString SinglesGivens = QStringLiteral(".......19"
                                                    "...3..5.."
                                                    "57...92.6"
                                                    ".27......"
                                                    "64.28...."
                                                    "..1.6...7"
                                                    "...8.5..4"
                                                    "1.......2"
                                                    ".9..7....");
inline const QString SinglesSolution = QStringLiteral("236758419"
                                                      "419326578"
                                                      "578149236"
                                                      "827591643"
                                                      "643287951"
                                                      "951463827"
                                                      "762815394"
                                                      "185934762"
                                                      "394672185");

// The same for diagonal mode: 18 givens, solved by singles only once the two
// long diagonals count as units.
inline const QString DiagonalGivens = QStringLiteral(".4.3..7.5"
                                                     ".......2."
                                                     "...5....."
                                                     "......49."
                                                     "....9.2.3"
                                                     "8........"
                                                     "...6...5."
                                                     "67......."
                                                     ".......68");
inline const QString DiagonalSolution = QStringLiteral("249368715"
                                                       "356971824"
                                                       "781542639"
                                                       "512783496"
                                                       "467195283"
                                                       "893426571"
                                                       "928614357"
                                                       "675839142"
                                                       "134257968");

// Places the digits of `board` as the user would, cell by cell in reading
// order: the digit on the palette, then the cell. Correction is chosen again
// at the end.
inline void placeGivens(Korvane& form, const QString& board)
{
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (board[i] == u'.')
            continue;
        form.Text2_click(board[i].digitValue() - 1);
        form.Text1_click(i);
    }
    form.Text2_click(10);
}

}  // namespace puzzles
