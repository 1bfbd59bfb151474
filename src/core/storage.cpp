// Data Save and Data Load: one grid of givens kept in memory, or read from the
// puzzle file when none is waiting.
#include "korvane.h"
#include "puzzlefile.h"

bool Korvane::LoadPuzzleFile()
{
    for (;;) {
        if (const auto entries = puzzlefile::read(puzzleFile)) {
            std::copy(entries->begin(), entries->end(), savedGrid.begin());
            return true;
        }
        const int answer =
            port.MsgBox(QStringLiteral("エラー_mondai_load"), MessagePort::CancelTryContinue);
        if (answer == MessagePort::TryAgain)
            continue;
        return answer != MessagePort::Cancel;
    }
}

void Korvane::Text9_click(int Index)
{
    // In the single-number display the board shows blanks in place of the
    // cells' texts, and a clear-all would be refused, so Load would place the
    // grid over a board it cannot clear. It waits, like clear-all.
    if (Index != 0 && singleView == 1)
        return;
    if (Index != 0) {
        loadGrid(hasSavedGrid == 0);
        return;
    }

    setTenToContinuous();
    conflictFlag = 0;
    // The stash holds what the cells really show while the single-number
    // display has blanked them.
    for (int i = 0; i < CellCount; ++i) {
        if (decided[i] != 1)
            savedGrid[i] = QString();
        else
            savedGrid[i] = singleView == 1 ? stashedText[i] : Text1[i].Text;
    }
    Text3.Text = QStringLiteral("データが保存されました");
    hasSavedGrid = 1;
    Text9[0].BackColor = Colors::Active;
}

void Korvane::OpenPuzzleFile(const QString& fileName)
{
    if (!canOpenPuzzleFile())
        return;
    puzzleFile = fileName;
    loadGrid(true);
}

void Korvane::loadGrid(bool readFile)
{
    const int hadRestorePending = restorePending;
    const int hadConflict = conflictFlag;
    setTenToContinuous();
    conflictFlag = 0;

    if (readFile && !LoadPuzzleFile()) {
        // Cancelled: the load never happened, so nothing may have changed.
        if (hadRestorePending == 1)
            setTenToRestore();
        conflictFlag = hadConflict;
        return;
    }
    Text5_Click();
    for (int k = 0; k < CellCount; ++k) {
        if (savedGrid[k].isEmpty()) {
            decided[k] = 0;
            continue;
        }
        MarkDecided(k, savedGrid[k]);
        selectedValue = savedGrid[k];
        EliminateFromPeers(k);
        FindHiddenSingles();
    }
    Text3.Text = UsageText;
    ResetPalette();
    hasSavedGrid = 0;
    Text9[0].BackColor = Colors::DataRest;
    Text10.BackColor = Colors::Idle;
}
