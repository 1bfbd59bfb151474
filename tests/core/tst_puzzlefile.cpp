// Reading mondai.txt: where the cell characters are taken from, how they map
// to entries, and every way a file can be odd or missing. Files are written in
// Shift-JIS bytes, spelled out literally.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include "puzzlefile.h"
#include "testsupport.h"

namespace {

// Shift-JIS spellings of the characters a drawn grid uses.
const QByteArray Rule = "\x84\x9f";       // ─
const QByteArray Bar = "\x84\xa0";        // │
const QByteArray IdeoSpace = "\x81\x40";  // ideographic space
const QByteArray FullFive = "\x82\x54";   // ５
const QByteArray FullZero = "\x82\x4f";   // ０
QByteArray full(int digit)
{
    return QByteArray("\x82") + char(0x4f + digit);
}

QByteArray ruleLine()
{
    return Rule.repeated(19);
}

// A data line: the nine cells between vertical bars (19 characters).
QByteArray dataLine(const QList<QByteArray>& cells)
{
    QByteArray line = Bar;
    for (const QByteArray& c : cells)
        line += c + Bar;
    return line;
}

QByteArray emptyRow()
{
    return dataLine(QList<QByteArray>(9, IdeoSpace));
}

// A whole drawn grid from 81 characters ('.' empty, digits full-width).
QByteArray drawnGrid(const char* puzzle, const QByteArray& eol = "\r\n")
{
    QByteArray out = ruleLine() + eol;
    for (int r = 0; r < 9; ++r) {
        QList<QByteArray> cells;
        for (int c = 0; c < 9; ++c) {
            const char ch = puzzle[9 * r + c];
            cells.append(ch == '.' ? IdeoSpace : full(ch - '0'));
        }
        out += dataLine(cells) + eol + ruleLine() + eol;
    }
    return out;
}

QStringList entries(const Korvane& k)
{
    QStringList out;
    for (int i = 0; i < 81; ++i)
        out.append(k.savedGrid[i]);
    return out;
}

QStringList expectRows(const QList<QStringList>& rows)
{
    QStringList out;
    for (int r = 0; r < 9; ++r)
        out += r < rows.size() ? rows[r] : QStringList(9, QString());
    return out;
}

}  // namespace

class TestPuzzleFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cellCharacters_data();
    void cellCharacters();
    void lineEnds_data();
    void lineEnds();
    void encodings_data();
    void encodings();
    void notARegularFile_data();
    void notARegularFile();
    void unreadableFile();
    void errorBoxAnswers_data();
    void errorBoxAnswers();
    void tryAgainReadsTheFileAgain();
    void hugeFileLoadsPromptly();
    void fileIsClosedAfterEveryRead();

private:
    void write(const QByteArray& bytes, const QString& name = "mondai.txt");
    QTemporaryDir* dir = nullptr;
    QString previousDir;
};

void TestPuzzleFile::init()
{
    previousDir = QDir::currentPath();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
}

void TestPuzzleFile::cleanup()
{
    QDir::setCurrent(previousDir);
    delete dir;
    dir = nullptr;
}

void TestPuzzleFile::write(const QByteArray& bytes, const QString& name)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

void TestPuzzleFile::cellCharacters_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");

    const QStringList row0 = {"5", "", "", "3", "", "", "", "", "9"};
    const QStringList row1 = {"", "1", "", "", "7", "", "", "2", ""};
    auto example = [&](const QByteArray& five) {
        return ruleLine() + "\r\n" +
               dataLine({five, IdeoSpace, IdeoSpace, full(3), IdeoSpace, IdeoSpace, IdeoSpace,
                         IdeoSpace, full(9)}) +
               "\r\n" + ruleLine() + "\r\n" +
               dataLine({IdeoSpace, full(1), IdeoSpace, IdeoSpace, full(7), IdeoSpace, IdeoSpace,
                         full(2), IdeoSpace}) +
               "\r\n";
    };
    QTest::newRow("worked example, full-width five")
        << example(FullFive) << expectRows({row0, row1});
    QTest::newRow("worked example, ASCII five") << example("5") << expectRows({row0, row1});

    QTest::newRow("empty file") << QByteArray() << expectRows({});

    QByteArray tenLines;
    for (int i = 1; i <= 10; ++i)
        tenLines +=
            (i % 2 == 0 ? dataLine(QList<QByteArray>(9, full(i / 2))) : ruleLine()) + "\r\n";
    QList<QStringList> fiveRows;
    for (int r = 1; r <= 5; ++r)
        fiveRows.append(QStringList(9, QString::number(r)));
    QTest::newRow("ten lines fill rows 0 to 4") << tenLines << expectRows(fiveRows);

    QByteArray thirty;
    for (int i = 1; i <= 30; ++i)
        thirty +=
            (i % 2 == 0 ? dataLine(QList<QByteArray>(9, full(i <= 18 ? 1 : 8))) : ruleLine()) +
            "\r\n";
    QTest::newRow("lines past 19 are never read")
        << thirty << expectRows(QList<QStringList>(9, QStringList(9, "1")));

    QByteArray longLine = emptyRow() + full(4) + Bar + full(4) + QByteArray(5000, '7');
    QTest::newRow("characters past 19 are ignored")
        << QByteArray("\r\n" + longLine + "\r\n") << expectRows({});

    QTest::newRow("a line ending after position 2")
        << QByteArray("\r\n" + Bar + full(6) + "\r\n")
        << expectRows({{"6", "", "", "", "", "", "", "", ""}});

    QTest::newRow("zeros, spaces, letters and marks are kept")
        << QByteArray("\r\n" +
                      dataLine({"0", FullZero, " ", "x", "*", ":", IdeoSpace, "7", "\x82\x60"}))
        << expectRows({{"0", "０", " ", "x", "*", ":", "", "7", "Ａ"}});

    QTest::newRow("a missing data line leaves its row empty")
        << QByteArray(ruleLine() + "\r\n" + "\r\n" + ruleLine() + "\r\n" +
                      dataLine(QList<QByteArray>(9, full(2))))
        << expectRows({QStringList(9, QString()), QStringList(9, "2")});
}

void TestPuzzleFile::cellCharacters()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    write(file);
    Fixture f;
    QVERIFY(f.form.LoadPuzzleFile());
    QCOMPARE(entries(f.form), expected);
    QVERIFY(f.port.calls.isEmpty());
}

void TestPuzzleFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("eol");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("lone LF") << QByteArray("\n");
    QTest::newRow("lone CR") << QByteArray("\r");
}

void TestPuzzleFile::lineEnds()
{
    QFETCH(QByteArray, eol);
    const char* puzzle = "5.3......"
                         ".1......."
                         "..2......"
                         "...3....."
                         "....4...."
                         ".....5..."
                         "......6.."
                         ".......7."
                         "........8";
    write(drawnGrid(puzzle, eol));
    Fixture f;
    QVERIFY(f.form.LoadPuzzleFile());
    QStringList expected;
    for (int i = 0; i < 81; ++i)
        expected.append(puzzle[i] == '.' ? QString() : QString(QChar(puzzle[i])));
    QCOMPARE(entries(f.form), expected);
}

void TestPuzzleFile::encodings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("row0");

    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBF\r\n|\xEF\xBC\x95|\xE3\x80\x80|3|")
        << QStringList{"5", "", "3", "", "", "", "", "", ""};
    QTest::newRow("UTF-8 without a mark, as editors save it")
        << QByteArray("\xE2\x94\x80\n\xE2\x94\x82\xEF\xBC\x97\xE2\x94\x82\xEF\xBC\x91")
        << QStringList{"7", "1", "", "", "", "", "", "", ""};
    // Found by the puzzle-file fuzzer: a character beyond U+FFFF was split
    // into two positions, and its first half became an entry.
    QTest::newRow("UTF-8 character beyond U+FFFF is one position")
        << QByteArray("\r\n|\xF0\xA0\xAE\xB7|\xEF\xBC\x95|\xF0\x9F\x98\x80|4|")
        << QStringList{
               QString(QChar(0xFFFD)), "5", QString(QChar(0xFFFD)), "4", "", "", "", "", ""};
    QTest::newRow("plain ASCII") << QByteArray("-------------------\n|1|2| | |5|\n")
                                 << QStringList{"1", "2", " ", " ", "5", "", "", "", ""};
    QTest::newRow("bytes that are not Windows-31J become U+FFFD")
        << QByteArray("\r\n" + Bar + "\xA0" + Bar + FullFive + Bar + "\xFD" + Bar)
        << QStringList{QString(QChar(0xFFFD)), "5", QString(QChar(0xFFFD)), "", "", "", "", "", ""};
    QTest::newRow("a lead byte cut off by the line end")
        << QByteArray("\r\n" + Bar + "\x82\r\n" + emptyRow())
        << QStringList{QString(QChar(0xFFFD)), "", "", "", "", "", "", "", ""};
}

void TestPuzzleFile::encodings()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, row0);
    write(file);
    Fixture f;
    QVERIFY(f.form.LoadPuzzleFile());
    QCOMPARE(entries(f.form).mid(0, 9), row0);
    QCOMPARE(puzzlefile::parse(file)[0], row0[0]);
}

void TestPuzzleFile::notARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a directory") << "directory";
    QTest::newRow("a FIFO without a writer") << "fifo";
    QTest::newRow("a device") << "device";
    QTest::newRow("a dangling link") << "dangling";
}

void TestPuzzleFile::notARegularFile()
{
    QFETCH(QString, kind);
    if (kind == "directory")
        QVERIFY(QDir().mkdir("mondai.txt"));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo("mondai.txt", 0600), 0);
    else if (kind == "device")
        QVERIFY(QFile::link("/dev/zero", "mondai.txt"));
    else if (kind == "dangling")
        QVERIFY(QFile::link("nowhere.txt", "mondai.txt"));

    Fixture f;
    f.form.savedGrid[4] = "8";
    f.port.answers = {11};
    QVERIFY(f.form.LoadPuzzleFile());
    QCOMPARE(f.port.calls.size(), 1);
    QCOMPARE(f.port.calls[0].prompt, QStringLiteral("エラー_mondai_load"));
    QCOMPARE(f.port.calls[0].buttons, 6);
    QCOMPARE(f.form.savedGrid[4], QStringLiteral("8"));
}

void TestPuzzleFile::unreadableFile()
{
    if (::geteuid() == 0)
        QSKIP("root reads files whatever their permissions");
    write(drawnGrid(
        "123456789........................................................................"));
    QVERIFY(QFile::setPermissions("mondai.txt", QFileDevice::WriteOwner));
    Fixture f;
    f.port.answers = {11};
    QVERIFY(f.form.LoadPuzzleFile());
    QCOMPARE(f.port.prompts(), QStringList{"エラー_mondai_load"});
    QCOMPARE(f.form.savedGrid[0], QString());
}

void TestPuzzleFile::errorBoxAnswers_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("goesOn");
    QTest::newRow("Cancel abandons") << 2 << false;
    QTest::newRow("Continue goes on") << 11 << true;
    QTest::newRow("OK (an unexpected answer) goes on") << 1 << true;
}

void TestPuzzleFile::errorBoxAnswers()
{
    QFETCH(int, answer);
    QFETCH(bool, goesOn);
    Fixture f;
    f.port.answers = {answer};
    QCOMPARE(f.form.LoadPuzzleFile(), goesOn);
    QCOMPARE(f.port.calls.size(), 1);
}

void TestPuzzleFile::tryAgainReadsTheFileAgain()
{
    Fixture f;
    int boxes = 0;
    // The user puts the file in place while the box is open, then tries again.
    f.port.onMsgBox = [&](const QString&, int) {
        if (++boxes == 2)
            write(drawnGrid("9....................................................................."
                            "..........."));
    };
    f.port.answers = {10, 10, 10};
    QVERIFY(f.form.LoadPuzzleFile());
    QCOMPARE(boxes, 2);
    QCOMPARE(f.form.savedGrid[0], QStringLiteral("9"));
}

void TestPuzzleFile::hugeFileLoadsPromptly()
{
    // One line of 64 MiB followed by a real grid: nothing of the long line is
    // kept but its first characters, and only 19 lines are looked at.
    QFile f("mondai.txt");
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray chunk(1 << 20, 'x');
    for (int i = 0; i < 64; ++i)
        QCOMPARE(f.write(chunk), chunk.size());
    f.write("\r\n" + dataLine(QList<QByteArray>(9, full(3))) + "\r\n");
    for (int i = 0; i < 100000; ++i)
        f.write("\r\n");
    f.close();

    Fixture fx;
    QVERIFY(fx.form.LoadPuzzleFile());
    QCOMPARE(entries(fx.form).mid(0, 9), QStringList(9, "3"));
    QVERIFY(fx.port.calls.isEmpty());
}

void TestPuzzleFile::fileIsClosedAfterEveryRead()
{
    write(drawnGrid(
        "1................................................................................"));
    const auto openDescriptors = [] {
        return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
    };
    Fixture f;
    const qsizetype before = openDescriptors();
    for (int i = 0; i < 50; ++i)
        QVERIFY(f.form.LoadPuzzleFile());
    QVERIFY(QDir().remove("mondai.txt"));
    QVERIFY(QDir().mkdir("mondai.txt"));
    f.port.answers = QList<int>(50, 11);
    for (int i = 0; i < 50; ++i)
        QVERIFY(f.form.LoadPuzzleFile());
    QCOMPARE(openDescriptors(), before);
}

QTEST_GUILESS_MAIN(TestPuzzleFile)
#include "tst_puzzlefile.moc"
