// Data Save and Data Load: one grid of givens kept in memory, or read from the
// puzzle file when none is waiting.
#include <algorithm>

#include <QDir>
#include <QSaveFile>

#include "filenames.h"
#include "korvane.h"
#include "puzzlefile.h"

namespace {

// What the puzzle file's error box says, under its heading エラー_mondai_load:
// which file was looked for and in which folder, whether it is missing or
// there but not readable, what the box's buttons do, and the other ways to
// open a puzzle.
QString puzzleFileError(const QString& puzzleFile)
{
    const QString path = filenames::absolute(puzzleFile);
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = filenames::shown(path.mid(slash + 1));
    const QString folder = filenames::shown(slash <= 0 ? QStringLiteral("/") : path.left(slash));
    const QString what =
        puzzlefile::exists(puzzleFile)
            ? QStringLiteral(
                  "問題ファイル「%1」を読めません（ファイルでないか、読む権限がありません）。")
            : QStringLiteral("問題ファイル「%1」が見つかりません。");
    return QStringLiteral("エラー_mondai_load\r\n\r\n") + what.arg(name) +
           QStringLiteral("\r\n探したフォルダー：%1\r\n\r\n"
                          "ファイルを置いて「再試行」で読み直し、「続行」はファイルなしで続け、"
                          "「キャンセル」は何も変えません。\r\n"
                          "ほかの問題は Ctrl+O、korvane ファイル での起動、"
                          "または Ctrl+Shift+V の貼り付けで開けます。")
               .arg(folder);
}

}  // namespace

bool Korvane::LoadPuzzleFile()
{
    for (;;) {
        if (const auto reading = puzzlefile::read(puzzleFile)) {
            std::copy(reading->entries().begin(), reading->entries().end(), savedGrid.begin());
            return true;
        }
        const int answer = port.MsgBox(puzzleFileError(puzzleFile), MessagePort::CancelTryContinue);
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
    for (int i = 0; i < CellCount; ++i)
        savedGrid[i] = decided[i] == 1 ? decidedText(i) : QString();
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
    tellSolutionCount();
}

// ---- puzzles in and out ----

void Korvane::PastePuzzle(const QString& text)
{
    if (!canOpenPuzzleFile())
        return;
    const puzzlefile::Reading reading = puzzlefile::parseText(text);
    if (!reading.isPuzzle()) {
        Text3.Text = QStringLiteral("貼り付けた文字列は問題として読めません");
        return;
    }
    std::copy(reading.entries().begin(), reading.entries().end(), savedGrid.begin());
    loadGrid(false);
}

QString Korvane::PuzzleLine() const
{
    QString line;
    for (int i = 0; i < CellCount; ++i) {
        const bool digit = decided[i] == 1 && puzzlefile::isDigit(decidedText(i));
        line += digit ? decidedText(i) : QStringLiteral(".");
    }
    return line;
}

QString Korvane::CandidateGrid() const
{
    // A cell's text on one line; an empty or blank one would leave a hole
    // in its column.
    std::array<QString, CellCount> shown;
    std::array<qsizetype, 9> width{};
    for (int i = 0; i < CellCount; ++i) {
        QString text = Text1[i].Text;
        text.remove(u'\r').remove(u'\n');
        shown[i] = text.trimmed().isEmpty() ? QStringLiteral(".") : text;
        width[i % 9] = std::max(width[i % 9], shown[i].size());
    }
    QString grid;
    for (int r = 0; r < 9; ++r) {
        if (r == 3 || r == 6) {
            for (int c = 0; c < 9; ++c) {
                grid += QString(width[c] + (c % 3 == 0 ? 0 : 1), u'-');
                if (c == 2 || c == 5)
                    grid += QStringLiteral("-+-");
            }
            grid += u'\n';
        }
        for (int c = 0; c < 9; ++c) {
            if (c == 3 || c == 6)
                grid += QStringLiteral(" | ");
            else if (c > 0)
                grid += u' ';
            grid += shown[9 * r + c].leftJustified(width[c]);
        }
        grid += u'\n';
    }
    return grid;
}

bool Korvane::SavePuzzleFile(const QString& path)
{
    puzzlefile::Entries digits;
    for (int i = 0; i < CellCount; ++i) {
        if (decided[i] == 1)
            digits[i] = decidedText(i);
    }
    const QByteArray bytes = puzzlefile::drawnGrid(digits);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        puzzleFile = path;
        Text3.Text = QStringLiteral("問題が保存されました");
        return true;
    }
    port.MsgBox(QStringLiteral("問題を保存できませんでした\r\n%1\r\n%2")
                    .arg(QDir::toNativeSeparators(path), file.errorString()),
                MessagePort::OkOnly);
    return false;
}

bool Korvane::OfferKeptBoard(const FormState& kept, const KeptHistory& keptHistory)
{
    // Nothing to ask about when the board is the one the program starts
    // with; its history still comes back, so that an undo reaches the game.
    if (kept == *this) {
        history.restore(kept, keptHistory);
        return false;
    }
    if (port.MsgBox(QStringLiteral("前回の盤面を復元しますか？"), MessagePort::YesNo) !=
        MessagePort::Yes)
        return false;
    RestoreKeptBoard(kept, keptHistory);
    return true;
}

void Korvane::RestoreKeptBoard(const FormState& kept, const KeptHistory& keptHistory)
{
    FormState::operator=(kept);
    history.restore(kept, keptHistory);
}
