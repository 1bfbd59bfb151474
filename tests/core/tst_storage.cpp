// Data Save and Data Load: what is kept, what is placed, when the puzzle file
// is read, and what a failed read leaves behind.
#include <functional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

namespace {

const QString Usage =
    QStringLiteral("使用方法：右側枠の数字を選択し挿入したい場所をクリックします");

// A drawn grid in Shift-JIS whose only given is `digit` (full-width) in cell 0.
QByteArray fileWithCorner(int digit)
{
    const QByteArray bar = "\x84\xa0";
    QByteArray line = bar + "\x82" + char(0x4f + digit) + bar;
    return QByteArray("\x84\x9f\r\n") + line + "\r\n";
}

void writeFile(const QByteArray& bytes)
{
    QFile f("mondai.txt");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Writes `bytes` to a file in a folder beside the current one whose name has
// a space and kanji, or only makes the folder when `bytes` is empty; returns
// the file's absolute path.
QString fileElsewhere(const QByteArray& bytes)
{
    QDir().mkpath(QStringLiteral("他の 場所"));
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("他の 場所/問題 1.txt"));
    QFile file(path);
    if (!bytes.isEmpty() && file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QString solutionOf(const Korvane& k)
{
    QString out;
    for (int i = 0; i < 81; ++i)
        out += k.Text1[i].Text;
    return out;
}

// A state the form is brought into before a puzzle file is opened.
using Setup = std::function<void(Korvane&)>;

}  // namespace

Q_DECLARE_METATYPE(Setup)

class TestStorage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void saveKeepsOnlyDecidedCells();
    void saveThenLoadPlacesTheGrid();
    void secondLoadReadsTheFile();
    void clearAllForgetsTheSavedGrid();
    void missingFileThenContinuePlacesWhatIsKept();
    void cancelLeavesEverythingAsItWas();
    void loadEndsInNormalType();
    void eitherButtonClearsAConflict_data();
    void eitherButtonClearsAConflict();
    void fileCharactersBecomeDecidedCells();
    void singleViewSaveKeepsTheRealDigits();
    void singleViewLoadWaits();
    void sampleIsSolvedByLoadAndElimination();
    void openingAFile_data();
    void openingAFile();
    void dataLoadReadsTheOpenedFile();

private:
    QTemporaryDir* dir = nullptr;
    QString previousDir;
};

void TestStorage::init()
{
    previousDir = QDir::currentPath();
    dir = new QTemporaryDir;
    QVERIFY(QDir::setCurrent(dir->path()));
}

void TestStorage::cleanup()
{
    QDir::setCurrent(previousDir);
    delete dir;
    dir = nullptr;
}

void TestStorage::saveKeepsOnlyDecidedCells()
{
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "5.......3");
    setCandidates(k, 1, "7");  // one candidate left, not decided
    k.Text9_click(0);
    QCOMPARE(k.savedGrid[0], QStringLiteral("5"));
    QCOMPARE(k.savedGrid[1], QString());
    QCOMPARE(k.savedGrid[8], QStringLiteral("3"));
    QCOMPARE(k.hasSavedGrid, 1);
    QCOMPARE(k.Text9[0].BackColor, Colors::Active);
    QCOMPARE(k.Text3.Text, QStringLiteral("データが保存されました"));
    QCOMPARE(k.Text1[1].Text, QStringLiteral("7"));
    QVERIFY(f.port.calls.isEmpty());
}

void TestStorage::saveThenLoadPlacesTheGrid()
{
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "5...........7");
    k.Text9_click(0);
    k.Text6_Click();  // automatic elimination on; Load must switch it off
    k.Text2_click(3);
    k.Text1_click(40);

    k.Text9_click(1);
    QVERIFY(f.port.calls.isEmpty());
    QCOMPARE(k.decided[0], 1);
    QCOMPARE(k.decided[12], 1);
    QCOMPARE(k.decided[40], 0);
    QCOMPARE(k.Text1[0].Text, QStringLiteral("5"));
    QCOMPARE(k.Text1[0].ForeColor, Colors::DecidedDigit);
    QCOMPARE(k.Text1[0].FontSize, 28.0);
    QCOMPARE(k.Text1[1].Text, QStringLiteral("123456789"));
    QCOMPARE(k.Text1[40].Text, QStringLiteral("123456789"));
    QCOMPARE(k.autoEliminate, 0);
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(k.hasSavedGrid, 0);
    QCOMPARE(k.Text9[0].BackColor, Colors::DataRest);
    QCOMPARE(k.Text3.Text, Usage);
}

void TestStorage::secondLoadReadsTheFile()
{
    writeFile(fileWithCorner(9));
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "4");
    k.Text9_click(0);
    k.Text9_click(1);
    QCOMPARE(k.Text1[0].Text, QStringLiteral("4"));
    k.Text9_click(1);
    QCOMPARE(k.Text1[0].Text, QStringLiteral("9"));
    QVERIFY(f.port.calls.isEmpty());
}

void TestStorage::clearAllForgetsTheSavedGrid()
{
    writeFile(fileWithCorner(2));
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "4");
    k.Text9_click(0);
    k.Text5_Click();
    QCOMPARE(k.Text9[0].BackColor, Colors::DataRest);
    k.Text9_click(1);
    QCOMPARE(k.Text1[0].Text, QStringLiteral("2"));
}

void TestStorage::missingFileThenContinuePlacesWhatIsKept()
{
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "..6");
    k.Text9_click(0);
    k.Text5_Click();
    f.port.answers = {11};
    k.Text9_click(1);
    QCOMPARE(f.port.prompts(), QStringList{"エラー_mondai_load"});
    QCOMPARE(f.port.calls[0].buttons, 6);
    QCOMPARE(k.decided[2], 1);
    QCOMPARE(k.Text1[2].Text, QStringLiteral("6"));
}

void TestStorage::cancelLeavesEverythingAsItWas()
{
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "1.3");
    k.Text6_Click();
    k.Text1[5].Text = "28";
    k.Text1_KeyUp(5, 0, 0);  // a typed edit: restore is offered
    k.conflictFlag = 1;
    const QString before = boardTexts(k);
    const auto decidedBefore = k.decided;

    f.port.answers = {2};
    k.Text9_click(1);
    QCOMPARE(f.port.calls.size(), 1);
    QCOMPARE(boardTexts(k), before);
    QCOMPARE(k.decided, decidedBefore);
    QCOMPARE(k.autoEliminate, 1);
    QCOMPARE(k.conflictFlag, 1);
    QCOMPARE(k.restorePending, 1);
    QCOMPARE(k.Text10.Text, QStringLiteral("元に戻す"));
    QCOMPARE(k.Text10.BackColor, Colors::Active);
}

void TestStorage::loadEndsInNormalType()
{
    writeFile(fileWithCorner(1));
    Fixture f;
    Korvane& k = f.form;
    k.Text4_click();
    QCOMPARE(k.diagonalMode, 1);
    k.Text9_click(1);
    QCOMPARE(k.diagonalMode, 0);
    QCOMPARE(k.Text4.Text, QStringLiteral("普通問題"));
    QCOMPARE(k.Text4.BackColor, Colors::NormalType);
}

void TestStorage::eitherButtonClearsAConflict_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("Data Save") << 0;
    QTest::newRow("Data Load") << 1;
}

void TestStorage::eitherButtonClearsAConflict()
{
    QFETCH(int, index);
    writeFile(fileWithCorner(1));
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "77");
    k.CheckConflict("7");
    QCOMPARE(k.conflictFlag, 1);
    const QString before = boardTexts(k);
    k.Text9_click(index);
    QCOMPARE(k.conflictFlag, 0);
    if (index == 0)
        QCOMPARE(boardTexts(k), before);
}

void TestStorage::fileCharactersBecomeDecidedCells()
{
    // An ordinary space and an ASCII zero are characters like any other.
    writeFile("\r\n| |0|\x82\x54|");
    Fixture f;
    Korvane& k = f.form;
    k.Text9_click(1);
    QCOMPARE(k.decided[0], 1);
    QCOMPARE(k.Text1[0].Text, QStringLiteral(" "));
    QCOMPARE(k.decided[1], 1);
    QCOMPARE(k.Text1[1].Text, QStringLiteral("0"));
    QCOMPARE(k.Text1[2].Text, QStringLiteral("5"));
    QCOMPARE(k.decided[3], 0);
}

void TestStorage::singleViewSaveKeepsTheRealDigits()
{
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "48");
    k.Text2_click(3);
    k.Text7_MouseDown(1, 0, 0, 0);
    k.Text7_Click();
    QCOMPARE(k.Text1[1].Text, QStringLiteral(" "));
    k.Text9_click(0);
    QCOMPARE(k.savedGrid[0], QStringLiteral("4"));
    QCOMPARE(k.savedGrid[1], QStringLiteral("8"));
    QCOMPARE(k.singleView, 1);
    QCOMPARE(k.Text1[1].Text, QStringLiteral(" "));
}

void TestStorage::singleViewLoadWaits()
{
    writeFile(fileWithCorner(6));
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, ".3");
    k.Text2_click(2);
    k.Text7_MouseDown(1, 0, 0, 0);
    k.Text7_Click();
    const QString before = boardTexts(k);
    k.Text9_click(1);
    QCOMPARE(boardTexts(k), before);
    QCOMPARE(k.singleView, 1);
    QCOMPARE(k.decided[1], 1);
    QVERIFY(f.port.calls.isEmpty());
}

void TestStorage::sampleIsSolvedByLoadAndElimination()
{
    QVERIFY(QFile::copy(QStringLiteral(KORVANE_SAMPLES_DIR "/mondai.txt"), "mondai.txt"));
    Fixture f;
    Korvane& k = f.form;
    k.Text9_click(1);
    k.Text6_Click();
    k.Text10_click();
    QVERIFY(f.port.calls.isEmpty());
    QCOMPARE(solutionOf(k),
             QStringLiteral("825936174761458932943217685417893526396542718258761493574"
                            "329861139685247682174359"));
    for (int i = 0; i < 81; ++i) {
        QCOMPARE(k.decided[i], 1);
        QCOMPARE(k.Text1[i].ForeColor, Colors::DecidedDigit);
    }
}

// A file opened from elsewhere becomes the puzzle file and is read as Data
// Load reads one, whatever waits in the saved grid. Here mondai.txt in the
// current folder has a 2 in its corner and the opened file, in a folder
// whose name has a space and kanji, a 9.
void TestStorage::openingAFile_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QList<int>>("answers");  // to the file error box
    QTest::addColumn<QString>("corner");      // cell 0 afterwards
    QTest::addColumn<bool>("opened");         // the file became Data Load's
    QTest::addColumn<bool>("changed");        // anything else changed

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
        placeDecided(k, "4");
        k.Text2_click(3);
        k.Text7_MouseDown(1, 0, 0, 0);
        k.Text7_Click();
    };
    const QList<int> none;
    QTest::newRow("read at start-up") << start << true << none << "9" << true << true;
    QTest::newRow("read although a saved grid waits")
        << saved << true << none << "9" << true << true;
    QTest::newRow("a pending conflict is cleared")
        << conflict << true << none << "9" << true << true;
    QTest::newRow("refused in the single-number display")
        << singleView << true << none << "4" << false << false;
    QTest::newRow("unreadable, continue places what is kept")
        << saved << false << QList<int>{11} << "4" << true << true;
    QTest::newRow("unreadable, cancel changes nothing but the file")
        << saved << false << QList<int>{2} << "4" << true << false;
}

void TestStorage::openingAFile()
{
    QFETCH(Setup, setup);
    QFETCH(bool, readable);
    QFETCH(QList<int>, answers);
    QFETCH(QString, corner);
    QFETCH(bool, opened);
    QFETCH(bool, changed);

    writeFile(fileWithCorner(2));
    const QString path = fileElsewhere(readable ? fileWithCorner(9) : QByteArray());
    Fixture f;
    Korvane& k = f.form;
    QCOMPARE(k.puzzleFile, QStringLiteral("mondai.txt"));
    setup(k);
    const QString before = formState(k);
    f.port.calls.clear();
    f.port.answers = answers;

    k.OpenPuzzleFile(path);
    QCOMPARE(k.Text1[0].Text, corner);
    QCOMPARE(k.puzzleFile, opened ? path : QStringLiteral("mondai.txt"));
    QCOMPARE(f.port.prompts(), readable ? QStringList() : QStringList{"エラー_mondai_load"});
    QCOMPARE(formState(k) != before, changed);
    QCOMPARE(invariantViolation(k), QString());
}

// Once opened, the file is the one Data Load reads whenever it would have
// read mondai.txt.
void TestStorage::dataLoadReadsTheOpenedFile()
{
    writeFile(fileWithCorner(2));
    Fixture f;
    Korvane& k = f.form;
    k.OpenPuzzleFile(fileElsewhere(fileWithCorner(9)));
    k.Text5_Click();
    k.Text9_click(1);
    QCOMPARE(k.Text1[0].Text, QStringLiteral("9"));
    QVERIFY(f.port.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
