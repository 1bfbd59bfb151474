#include "benchsupport.h"

#include <stdexcept>

#include <QFile>

QString benchdata::withOpenCells(const QString& solution, std::initializer_list<int> open)
{
    QString board = solution;
    for (int i : open)
        board[i] = u'.';
    return board;
}

SampleFolder::SampleFolder()
{
    QFile::copy(QStringLiteral(KORVANE_SAMPLES_DIR "/mondai.txt"), QStringLiteral("mondai.txt"));
}

int normalPlacementPalette()
{
    return benchdata::NormalSolution[NormalPlacementCell].digitValue() - 1;
}

void buildScene(Korvane& form, Scene scene)
{
    using namespace benchdata;
    using puzzles::placeGivens;
    form.Form_Load();
    switch (scene) {
    case Scene::Start:
        break;
    case Scene::NormalGivensAuto:
    case Scene::NormalGivensAutoDigit:
    case Scene::NormalSingleView:
    case Scene::NormalSolved:
        placeGivens(form, NormalGivens);
        form.Text6_Click();
        if (scene == Scene::NormalGivensAutoDigit || scene == Scene::NormalSingleView)
            form.Text2_click(normalPlacementPalette());
        if (scene == Scene::NormalSingleView) {
            form.Text7_MouseDown(1, 0, 100, 100);
            form.Text7_Click();
        }
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
