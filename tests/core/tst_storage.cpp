// Data Save, Data Load and a puzzle file opened from elsewhere: what is kept,
// what is placed, when the puzzle file is read, and what a failed read asks
// and leaves behind.
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTest>

#include "filenames.h"
#include "testsupport.h"

namespace {

// The heading of the puzzle file's error box, its first line.
const QString ErrorPrompt = QStringLiteral("エラー_mondai_load");

// The boxes the form showed, each by its first line.
QStringList headings(const FakePort& port)
{
    QStringList firsts;
    for (const QString& prompt : port.prompts())
        firsts << prompt.section(QStringLiteral("\r\n"), 0, 0);
    return firsts;
}

// A drawn grid whose only given is `digit` in cell 0.
QByteArray cornerFile(char digit)
{
    return drawnGrid(QLatin1Char(digit) + QString(80, u'.'));
}

// The puzzle file opened from elsewhere: in a folder beside the current one
// whose name has a space and kanji.
QString elsewhere()
{
    return QDir::current().absoluteFilePath(QStringLiteral("他の 場所/問題 1.txt"));
}

QStringList savedEntries(const Korvane& form)
{
    return QStringList(form.savedGrid.cbegin(), form.savedGrid.cbegin() + Korvane::CellCount);
}

Setup decided(const QString& board)
{
    return [board](Korvane& k) { placeDecided(k, board); };
}

}  // namespace

Q_DECLARE_METATYPE(Setup)

class TestStorage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void save_data();
    void save();
    void load_data();
    void load();
    void errorBox_data();
    void errorBox();
    void errorBoxSaysWhatWasLookedFor_data();
    void errorBoxSaysWhatWasLookedFor();
    void pasteIsDataLoad_data();
    void pasteIsDataLoad();
    void copies_data();
    void copies();
    void saveWritesTheDrawnGrid();
    void failedSaveChangesNothing_data();
    void failedSaveChangesNothing();

private:
    std::optional<TemporaryCurrentFolder> folder;
};

void TestStorage::init()
{
    folder.emplace();
    QVERIFY(folder->isValid());
}

void TestStorage::cleanup()
{
    folder.reset();
}

// Data Save keeps what the decided cells really show, and nothing else, and
// leaves the board alone.
void TestStorage::save_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("saved");

    QTest::newRow("only decided cells are kept") << Setup([](Korvane& k) {
        placeDecided(k, "5.......3");
        setCandidates(k, 1, "7");  // one candidate left, not decided
    }) << "5.......3";
    QTest::newRow("the single-number display keeps the real digits") << Setup([](Korvane& k) {
        placeDecided(k, "48");
        k.Text2_click(3);
        clickSingleNumber(k);
        QCOMPARE(k.Text1[1].Text, QStringLiteral(" "));
    }) << "48";
    QTest::newRow("a pending conflict is cleared") << Setup([](Korvane& k) {
        placeDecided(k, "77");
        k.CheckConflict("7");
        QCOMPARE(k.conflictFlag, 1);
    }) << "77";
}

void TestStorage::save()
{
    QFETCH(Setup, setup);
    QFETCH(QString, saved);

    Fixture f;
    Korvane& k = f.form;
    setup(k);
    const QString board = boardState(k);
    const int singleView = k.singleView;
    f.port.calls.clear();

    k.Text9_click(0);

    QCOMPARE(savedEntries(k), entriesOf(saved));
    QCOMPARE(boardState(k), board);
    QCOMPARE(k.singleView, singleView);
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.hasSavedGrid, 1);
    QCOMPARE(k.Text9[0].BackColor, Colors::Active);
    QCOMPARE(k.Text3.Text, QStringLiteral("データが保存されました"));
    QVERIFY(f.port.calls.isEmpty());
}

// Data Load places the saved grid, or reads the puzzle file when none waits;
// a file opened from elsewhere becomes the puzzle file and is read at once,
// whatever waits in the saved grid. Either leaves the form as it would be
// with those cells placed on a fresh board, and either waits in the
// single-number display. A cancelled read changes nothing. mondai.txt in the
// current folder has a 2 in its corner, the file elsewhere a 9.
void TestStorage::load_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Setup>("action");
    QTest::addColumn<QList<int>>("answers");  // to the file error box
    QTest::addColumn<Setup>("expected");      // done to a fresh form
    QTest::addColumn<bool>("opened");         // the file elsewhere is the puzzle file
    QTest::addColumn<QStringList>("prompts");

    const Setup load = [](Korvane& k) { k.Text9_click(1); };
    const Setup open = [](Korvane& k) { k.OpenPuzzleFile(elsewhere()); };
    const Setup start = [](Korvane&) {};
    const Setup saved = [](Korvane& k) {
        placeDecided(k, "4");
        k.Text9_click(0);
    };
    const Setup conflict = [](Korvane& k) {
        placeDecided(k, "77");
        k.CheckConflict("7");
    };
    const Setup singleView = [](Korvane& k) {
        placeDecided(k, ".3");
        k.Text2_click(2);
        clickSingleNumber(k);
    };
    const auto withoutPuzzleFile = [](const Setup& then) {
        return Setup([=](Korvane& k) {
            QFile::remove(QStringLiteral("mondai.txt"));
            then(k);
        });
    };
    const QList<int> none;
    const QStringList quiet;
    const QStringList error{ErrorPrompt};

    QTest::newRow("the saved grid is placed, not the file") << Setup([](Korvane& k) {
        placeDecided(k, "5...........7");
        k.Text9_click(0);
        k.Text6_Click();  // automatic elimination on; Load must switch it off
        k.Text2_click(3);
        k.Text1_click(40);
    }) << load << none << decided("5...........7") << false << quiet;
    QTest::newRow("the saved grid once, then the file") << Setup([=](Korvane& k) {
        saved(k);
        k.Text9_click(1);
        QCOMPARE(k.Text1[0].Text, QStringLiteral("4"));
    }) << load << none << decided("2") << false << quiet;
    QTest::newRow("clear-all forgets the saved grid") << Setup([=](Korvane& k) {
        saved(k);
        k.Text5_Click();
        QCOMPARE(k.Text9[0].BackColor, Colors::DataRest);
    }) << load << none << decided("2") << false << quiet;
    const Setup keptThenCleared = withoutPuzzleFile([](Korvane& k) {
        placeDecided(k, "..6");
        k.Text9_click(0);
        k.Text5_Click();
    });
    QTest::newRow("no file: Continue places what is kept")
        << keptThenCleared << load << QList<int>{MessagePort::Continue} << decided("..6") << false
        << error;
    const Setup typedOverConflict = withoutPuzzleFile([](Korvane& k) {
        placeDecided(k, "1.3");
        k.Text6_Click();
        k.Text1[5].Text = "28";
        k.Text1_KeyUp(5, 0, 0);  // a typed edit: restore is offered
        k.conflictFlag = 1;
    });
    QTest::newRow("no file: Cancel leaves everything as it was")
        << typedOverConflict << load << QList<int>{MessagePort::Cancel} << typedOverConflict
        << false << error;
    QTest::newRow("the type goes back to normal") << Setup([](Korvane& k) {
        k.Text4_click();
        QCOMPARE(k.diagonalMode, 1);
    }) << load << none << decided("2") << false << quiet;
    QTest::newRow("Data Load clears a conflict")
        << conflict << load << none << decided("2") << false << quiet;
    // An ordinary space and an ASCII zero are characters like any other.
    QTest::newRow("every character of the file becomes a decided cell") << Setup([](Korvane&) {
        QVERIFY(writeFile("mondai.txt", "\r\n| |0|\x82\x54|"));
    }) << load << none << Setup([](Korvane& k) {
        k.MarkDecided(0, QStringLiteral(" "));
        k.MarkDecided(1, QStringLiteral("0"));
        k.MarkDecided(2, QStringLiteral("5"));
    }) << false << quiet;
    QTest::newRow("Data Load waits in the single-number display")
        << singleView << load << none << singleView << false << quiet;
    QTest::newRow("Data Load reads the opened file") << Setup([=](Korvane& k) {
        open(k);
        k.Text5_Click();
    }) << load << none << decided("9") << true << quiet;

    QTest::newRow("opened at start-up") << start << open << none << decided("9") << true << quiet;
    QTest::newRow("opened although a saved grid waits")
        << saved << open << none << decided("9") << true << quiet;
    QTest::newRow("opening clears a conflict")
        << conflict << open << none << decided("9") << true << quiet;
    QTest::newRow("opening waits in the single-number display")
        << singleView << open << none << singleView << false << quiet;
    const Setup unreadable = [=](Korvane& k) {
        QFile::remove(elsewhere());
        saved(k);
    };
    QTest::newRow("unreadable, Continue places what is kept")
        << unreadable << open << QList<int>{MessagePort::Continue} << decided("4") << true << error;
    QTest::newRow("unreadable, Cancel changes nothing but the file")
        << unreadable << open << QList<int>{MessagePort::Cancel} << unreadable << true << error;
}

void TestStorage::load()
{
    QFETCH(Setup, setup);
    QFETCH(Setup, action);
    QFETCH(QList<int>, answers);
    QFETCH(Setup, expected);
    QFETCH(bool, opened);
    QFETCH(QStringList, prompts);

    QVERIFY(writeFile("mondai.txt", cornerFile('2')));
    QVERIFY(QDir().mkpath(QFileInfo(elsewhere()).path()));
    QVERIFY(writeFile(elsewhere(), cornerFile('9')));
    Fixture f, fresh;
    Korvane& k = f.form;
    QCOMPARE(k.puzzleFile, QStringLiteral("mondai.txt"));
    setup(k);
    expected(fresh.form);
    f.port.calls.clear();
    f.port.answers = answers;

    action(k);

    // A load of a few givens says on the message line that they have more
    // than one solution (tst_mistakes); the rest is this test's.
    if (k.Text3.Text == QStringLiteral("解が複数あります") ||
        k.Text3.Text == QStringLiteral("解がありません"))
        fresh.form.Text3.Text = k.Text3.Text;
    QCOMPARE(formState(k), formState(fresh.form));
    QCOMPARE(k.puzzleFile, opened ? elsewhere() : QStringLiteral("mondai.txt"));
    QCOMPARE(headings(f.port), prompts);
    for (const FakePort::Call& call : std::as_const(f.port.calls))
        QCOMPARE(call.buttons, MessagePort::CancelTryContinue);
    QCOMPARE(invariantViolation(k), QString());
}

// The file error box: Cancel abandons the read, Try Again reads again, and
// anything else goes on with what the saved grid holds. There is no
// mondai.txt until the user puts one in place while the box is open.
void TestStorage::errorBox_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("fileAtBox");  // the box the file appears at; 0 never
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QString>("savedGrid");

    const QString kept = QStringLiteral("....8");
    QTest::newRow("Cancel abandons") << QList<int>{MessagePort::Cancel} << 0 << false << 1 << kept;
    QTest::newRow("Continue goes on")
        << QList<int>{MessagePort::Continue} << 0 << true << 1 << kept;
    QTest::newRow("OK (an unexpected answer) goes on")
        << QList<int>{MessagePort::Ok} << 0 << true << 1 << kept;
    QTest::newRow("Try Again reads the file again")
        << QList<int>(3, MessagePort::TryAgain) << 2 << true << 2 << "9";
}

void TestStorage::errorBox()
{
    QFETCH(QList<int>, answers);
    QFETCH(int, fileAtBox);
    QFETCH(bool, goesOn);
    QFETCH(int, boxes);
    QFETCH(QString, savedGrid);

    Fixture f;
    f.form.savedGrid[4] = QStringLiteral("8");
    f.port.answers = answers;
    f.port.onMsgBox = [&](const QString&, int) {
        if (f.port.calls.size() == fileAtBox)
            QVERIFY(writeFile("mondai.txt", cornerFile('9')));
    };

    QCOMPARE(f.form.LoadPuzzleFile(), goesOn);

    QCOMPARE(headings(f.port), QStringList(boxes, ErrorPrompt));
    for (const FakePort::Call& call : std::as_const(f.port.calls))
        QCOMPARE(call.buttons, MessagePort::CancelTryContinue);
    QCOMPARE(savedEntries(f.form), entriesOf(savedGrid));
}

// The error box names the file it looked for and the folder it looked in,
// says whether the file is missing or there but unreadable, and how else a
// puzzle is opened; its buttons are the same whatever the cause.
void TestStorage::errorBoxSaysWhatWasLookedFor_data()
{
    QTest::addColumn<QString>("puzzleFile");  // relative to the current folder
    QTest::addColumn<bool>("folderInItsPlace");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");  // relative to the current folder
    QTest::newRow("no mondai.txt in the current folder") << "mondai.txt" << false << "mondai.txt"
                                                         << "";
    QTest::newRow("a file opened from elsewhere, gone since")
        << "他の 場所/問題 1.txt" << false << "問題 1.txt"
        << "/他の 場所";
    QTest::newRow("a folder named mondai.txt") << "mondai.txt" << true << "mondai.txt"
                                               << "";
    QTest::newRow("a name whose bytes are not UTF-8")
        << filenames::fromNative("caf\xE9/\xFF.txt") << false << "\uFFFD.txt"
        << "/caf\uFFFD";
}

void TestStorage::errorBoxSaysWhatWasLookedFor()
{
    QFETCH(QString, puzzleFile);
    QFETCH(bool, folderInItsPlace);
    QFETCH(QString, name);
    QFETCH(QString, folder);
    if (folderInItsPlace)
        QVERIFY(QDir::current().mkdir(puzzleFile));
    Fixture f;
    f.form.puzzleFile = puzzleFile;
    f.port.answers = {MessagePort::Cancel};

    QVERIFY(!f.form.LoadPuzzleFile());

    QCOMPARE(f.port.calls.size(), 1);
    QCOMPARE(f.port.calls[0].buttons, MessagePort::CancelTryContinue);
    const QString prompt = f.port.calls[0].prompt;
    QCOMPARE(headings(f.port), QStringList{ErrorPrompt});
    QVERIFY2(prompt.contains(u'「' + name + u'」'), qPrintable(prompt));
    QVERIFY2(prompt.contains(QStringLiteral("探したフォルダー：") + QDir::currentPath() + folder +
                             QStringLiteral("\r\n")),
             qPrintable(prompt));
    QCOMPARE(prompt.contains(QStringLiteral("が見つかりません")), !folderInItsPlace);
    QCOMPARE(prompt.contains(QStringLiteral("を読めません")), folderInItsPlace);
    for (const char* way : {"Ctrl+O", "korvane ファイル", "Ctrl+Shift+V"})
        QVERIFY2(prompt.contains(QString::fromUtf8(way)), way);
}

// A pasted puzzle ends exactly as Data Load ends with the same text read from
// the puzzle file; a paste that is no puzzle changes only the message line.
void TestStorage::pasteIsDataLoad_data()
{
    QTest::addColumn<Setup>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isPuzzle");

    const QString line =
        "530070000600195000098000060800060003400803001700020006060000280000419005000080079";
    const Setup fresh = [](Korvane&) {};
    QTest::newRow("81 characters") << fresh << line << true;
    QTest::newRow("a drawn grid") << fresh
                                  << QString(QStringDecoder("Shift_JIS").decode(cornerFile('7')))
                                  << true;
    QTest::newRow("over a waiting Data Save, a conflict, typed edits and diagonals")
        << Setup([](Korvane& k) {
               k.Text4_click();
               k.Text6_Click();
               placeDecided(k, QStringLiteral("12"));
               k.Text9_click(0);
               k.Text1[40].Text = QStringLiteral("1");
               k.Text1_KeyUp(40, 0, 0);
               k.conflictFlag = 1;
           })
        << line << true;
    QTest::newRow("a sentence") << Setup([](Korvane& k) { placeDecided(k, QStringLiteral("12")); })
                                << QStringLiteral("手順 1: 5 を置く") << false;
    QTest::newRow("a drawn grid holding a letter")
        << fresh
        << QString(QStringDecoder("Shift_JIS")
                       .decode(drawnGrid(QStringLiteral("4") + QString(80, u'.'))
                                   .replace(sjis::IdeographicSpace, "x")))
        << false;
}

void TestStorage::pasteIsDataLoad()
{
    QFETCH(Setup, before);
    QFETCH(QString, text);
    QFETCH(bool, isPuzzle);

    Fixture pasted;
    before(pasted.form);
    pasted.port.calls.clear();
    Fixture expected;
    before(expected.form);
    if (isPuzzle) {
        QVERIFY(writeFile("mondai.txt", text.toUtf8()));
        expected.form.OpenPuzzleFile(QStringLiteral("mondai.txt"));
    } else {
        expected.form.Text3.Text = QStringLiteral("貼り付けた文字列は問題として読めません");
    }
    pasted.form.PastePuzzle(text);
    QCOMPARE(formState(pasted.form), formState(expected.form));
    QCOMPARE(savedEntries(pasted.form), savedEntries(expected.form));
    QCOMPARE(pasted.port.calls.size(), 0);

    // It waits in the single-number display, as Data Load does.
    Fixture single;
    before(single.form);
    single.form.conflictFlag = 0;
    single.form.Text2_click(2);
    clickSingleNumber(single.form);
    QCOMPARE(single.form.singleView, 1);
    const QString shown = formState(single.form);
    single.form.PastePuzzle(text);
    QCOMPARE(formState(single.form), shown);
}

// What the two copies put on the clipboard.
void TestStorage::copies_data()
{
    QTest::addColumn<Setup>("board");
    QTest::addColumn<QString>("puzzleLine");
    QTest::addColumn<QString>("candidateGrid");

    const QString rowOfNines =
        QStringLiteral("123456789 123456789 123456789 | 123456789 123456789 123456789 | 123456789 "
                       "123456789 123456789\n");
    const QString rule = QString(29, u'-') + QStringLiteral("-+-") + QString(29, u'-') +
                         QStringLiteral("-+-") + QString(29, u'-') + u'\n';
    QTest::newRow("a fresh board")
        << Setup([](Korvane&) {}) << QString(81, u'.')
        << (rowOfNines.repeated(3) + rule + rowOfNines.repeated(3) + rule + rowOfNines.repeated(3));

    // Decided digits only: a hidden single, a cell with one candidate left
    // and a decided cell that is no digit are "." in the line. Each column of
    // the grid is as wide as its widest text.
    QTest::newRow("decided, single, emptied and odd cells") << Setup([](Korvane& k) {
        placeDecided(k, QStringLiteral("53..7....0"));
        setCandidates(k, 2, QStringLiteral("4"));
        setCandidates(k, 3, QString());
        setCandidates(k, 4 + 9, QStringLiteral("1\r\n2"));
    }) << QStringLiteral("53..7") + QString(76, u'.') << QString();
    QTest::newRow("the single-number display: what the cells really hold") << Setup([](Korvane& k) {
        placeDecided(k, QStringLiteral("53"));
        k.Text2_click(4);
        clickSingleNumber(k);
    }) << QStringLiteral("53") + QString(79, u'.') << QString();
}

void TestStorage::copies()
{
    QFETCH(Setup, board);
    QFETCH(QString, puzzleLine);
    QFETCH(QString, candidateGrid);
    Fixture f;
    board(f.form);
    const QString before = formState(f.form);
    QCOMPARE(f.form.PuzzleLine(), puzzleLine);
    const QString grid = f.form.CandidateGrid();
    if (!candidateGrid.isEmpty())
        QCOMPARE(grid, candidateGrid);
    // Nine rows and two rules, each line of one width, and every cell's
    // text in its place.
    const QStringList lines = grid.split(u'\n');
    QCOMPARE(lines.size(), 12);
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < 11; ++i)
        QCOMPARE(lines[i].size(), lines[0].size());
    for (int r = 0; r < 9; ++r) {
        const QString row = lines[r + r / 3];
        QStringList cells = row.split(u' ', Qt::SkipEmptyParts);
        cells.removeAll(QStringLiteral("|"));
        QCOMPARE(cells.size(), 9);
        for (int c = 0; c < 9; ++c) {
            QString text = f.form.Text1[9 * r + c].Text;
            text.remove(QStringLiteral("\r\n"));
            QCOMPARE(cells[c], text.trimmed().isEmpty() ? QStringLiteral(".") : text);
        }
    }
    QCOMPARE(formState(f.form), before);
}

// The decided digits go to the file as a drawn grid, which Data Load reads
// back; it becomes the puzzle file, and an earlier file is replaced whole.
void TestStorage::saveWritesTheDrawnGrid()
{
    Fixture f;
    placeDecided(f.form, QStringLiteral("5..3....9.1..7..2."));
    f.form.Text6_Click();  // hidden singles and lone candidates are no givens
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("保存 先.txt"));
    QVERIFY(writeFile(path, QByteArray(5000, 'x')));
    QVERIFY(f.form.SavePuzzleFile(path));
    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(f.form.puzzleFile, path);
    QCOMPARE(f.form.Text3.Text, QStringLiteral("問題が保存されました"));

    Fixture loaded;
    loaded.form.OpenPuzzleFile(path);
    QCOMPARE(decidedCells(loaded.form), decidedCells(f.form));
    QCOMPARE(loaded.form.PuzzleLine(), f.form.PuzzleLine());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), 19 * (19 * 2 + 2));
    QCOMPARE(QDir().entryList(QDir::Files).size(), 1);  // no temporary left
}

// A file that cannot be written: a box names it and says why, and nothing
// else changes; what was at the path stays.
void TestStorage::failedSaveChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("a folder that does not exist") << QStringLiteral("無い/問題.txt");
    QTest::newRow("a folder in the way") << QStringLiteral("folder");
    QTest::newRow("no name") << QString();
}

void TestStorage::failedSaveChangesNothing()
{
    QFETCH(QString, path);
    QVERIFY(QDir().mkdir(QStringLiteral("folder")));
    QVERIFY(writeFile(QStringLiteral("folder/kept.txt"), "kept"));
    Fixture f;
    placeDecided(f.form, QStringLiteral("12"));
    const QString before = formState(f.form);
    QVERIFY(!f.form.SavePuzzleFile(path));
    QCOMPARE(f.port.calls.size(), 1);
    QVERIFY(f.port.calls[0].prompt.startsWith(QStringLiteral("問題を保存できませんでした\r\n") +
                                              QDir::toNativeSeparators(path) + "\r\n"));
    QVERIFY(f.port.calls[0].prompt.size() > 20);  // and why
    QCOMPARE(f.port.calls[0].buttons, MessagePort::OkOnly);
    QCOMPARE(formState(f.form), before);
    QCOMPARE(f.form.puzzleFile, QStringLiteral("mondai.txt"));
    QVERIFY(QFileInfo(QStringLiteral("folder")).isDir());
    QCOMPARE(QDir(QStringLiteral("folder")).entryList(QDir::Files),
             QStringList{QStringLiteral("kept.txt")});
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
