#pragma once

#include <QString>

// Puzzles shared by the tests and the benchmarks, 81 characters in reading
// order with '.' for an open cell.
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

}  // namespace puzzles
