#pragma once

#include <QString>

#include "currentfolder.h"
#include "korvane.h"
#include "puzzles.h"

// Boards and form states the benchmarks start from. Every board is 81
// characters in reading order, '.' for an open cell.
namespace benchdata {

// A puzzle that naked and hidden singles solve in normal mode, and its
// solution.
inline const QString& NormalGivens = puzzles::SinglesGivens;
inline const QString& NormalSolution = puzzles::SinglesSolution;

// The same for diagonal mode: solved by singles only once the two long
// diagonals count as units.
inline const QString& DiagonalGivens = puzzles::DiagonalGivens;
inline const QString& DiagonalSolution = puzzles::DiagonalSolution;

// `solution` with every cell kept whose index is in none of `open`.
QString withOpenCells(const QString& solution, std::initializer_list<int> open);

}  // namespace benchdata

// A message port that answers every box at once with OK and counts them, so a
// benchmark can refuse to report figures for a run that met a message.
struct CountingPort : MessagePort {
    int boxes = 0;
    int MsgBox(const QString&, int) override
    {
        ++boxes;
        return Ok;
    }
};

// A temporary current folder holding the sample puzzle as mondai.txt, for as
// long as the object lives.
class SampleFolder : public TemporaryCurrentFolder {
public:
    SampleFolder();
};

// The named starting points. Each returns the form after the user's steps
// that lead there; see benchsupport.cpp for the steps.
enum class Scene {
    Start,                  // start-up
    NormalGivensAuto,       // normal givens placed, automatic elimination on
    NormalGivensAutoDigit,  // as above, palette on the digit of NormalPlacementCell
    NormalThirtyGivens,     // 30 givens of the normal solution, automatic elimination off
    NormalSingleView,       // NormalGivensAutoDigit in the single-number display
    NormalSolved,           // NormalGivensAuto after continuous elimination
    DiagonalGivensAuto,     // diagonal mode, diagonal givens, automatic elimination on
    Diagonal80Decided,      // diagonal mode, 80 decided cells, automatic elimination on
    Diagonal80DecidedOff,   // as above with automatic elimination off
    Diagonal81DecidedUndo,  // diagonal mode, every cell decided, partial undo selected
};
void buildScene(Korvane& form, Scene scene);

// The open cell of NormalGivensAuto the placement benchmarks place into, and
// the palette index of its digit.
inline constexpr int NormalPlacementCell = 38;
int normalPlacementPalette();
