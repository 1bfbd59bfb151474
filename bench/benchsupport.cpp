#include "benchsupport.h"

#include <stdexcept>

QString benchdata::withOpenCells(const QString& solution, std::initializer_list<int> open)
{
    QString board = solution;
    for (int i : open)
        board[i] = u'.';
    return board;
}

void placeGivens(Korvane& form, const QString& board)
{
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (board[i] == u'.')
            continue;
        form.Text2_click(board[i].digitValue() - 1);
        form.Text1_click(i);
    }
    form.Text2_click(10);
}

int normalPlacementPalette()
{
    return benchdata::NormalSolution[NormalPlacementCell].digitValue() - 1;
}

void buildScene(Korvane& form, Scene scene)
{
    using namespace benchdata;
    form.Form_Load();
    switch (scene) {
    case Scene::Start:
        break;
    case Scene::NormalGivensAuto:
    case Scene::NormalGivensAutoDigit:
    case Scene::NormalSolved:
        placeGivens(form, NormalGivens);
        form.Text6_Click();
        if (scene == Scene::NormalGivensAutoDigit)
            form.Text2_click(normalPlacementPalette());
        if (scene == Scene::NormalSolved)
            form.Text10_click();
        break;
    case Scene::NormalThirtyGivens: {
        QString board = NormalGivens;
        for (int i = 0; i < Korvane::CellCount && board.count(u'.') > 81 - 30; i += 7) {
            if (board[i] == u'.')
                board[i] = NormalSolution[i];
        }
        placeGivens(form, board);
        break;
    }
    case Scene::DiagonalGivensAuto:
        placeGivens(form, DiagonalGivens);
        form.Text4_click();
        form.Text6_Click();
        break;
    case Scene::Diagonal80Decided:
    case Scene::Diagonal80DecidedOff:
        // The open cell lies on both diagonals, so every sweep reaches it.
        placeGivens(form, withOpenCells(DiagonalSolution, {40}));
        form.Text4_click();
        if (scene == Scene::Diagonal80Decided)
            form.Text6_Click();
        break;
    case Scene::Diagonal81DecidedUndo:
        placeGivens(form, DiagonalSolution);
        form.Text4_click();
        form.Text6_Click();
        form.Text2_click(9);
        break;
    }
    if (form.conflictFlag != 0)
        throw std::logic_error("a benchmark scene raised a conflict");
}
