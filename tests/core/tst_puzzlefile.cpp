// Reading mondai.txt. Bytes go through the reader's own seam, parse(): where
// the cell characters are taken from, how they decode and which entries they
// become. Files go through read(): what is not a regular file or cannot be
// read, a huge file, a name that is not UTF-8, and that every file is closed
// again. Shift-JIS bytes are spelled out literally.
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filenames.h"
#include "puzzlefile.h"
#include "testsupport.h"

namespace {

using sjis::Bar;
using sjis::fullWidthDigit;
using sjis::IdeographicSpace;

QStringList listed(const puzzlefile::Entries& entries)
{
    return QStringList(entries.cbegin(), entries.cend());
}

// Shift-JIS bytes as a UTF-8 editor would save the same text.
QByteArray utf8Of(const QByteArray& shiftJis)
{
    QStringDecoder decode("Shift_JIS");
    return QString(decode(shiftJis)).toUtf8();
}

// A row of nine equal cells.
QByteArray rowOf(const QByteArray& cell)
{
    return drawnRow(QList<QByteArray>(9, cell));
}

// The first `count` lines of `file`, each with its line end.
QByteArray linesOf(const QByteArray& file, int count)
{
    return file.split('\n').mid(0, count).join('\n') + '\n';
}

// Makes mondai.txt something that is not a regular file, or nothing at all.
using Make = std::function<bool()>;

}  // namespace

Q_DECLARE_METATYPE(Make)

class TestPuzzleFile : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void bothReadingsAgree_data() { parse_data(); }
    void bothReadingsAgree();
    void exchangeShapes_data();
    void exchangeShapes();
    void drawnGridWrittenReadsBack();
    void notARegularFile_data();
    void notARegularFile();
    void unreadableFile();
    void pastTheFirstMegabyte_data();
    void pastTheFirstMegabyte();
    void anyNameOpens_data();
    void anyNameOpens();
    void fileIsClosedAfterEveryRead();
};

void TestPuzzleFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("board");  // the entries, as entriesOf() reads them

    // Where the cells are: row r on line 2r + 2, column c at character 2c + 2.
    const QString example = QStringLiteral("5..3....9.1..7..2.") + QString(63, u'.');
    QTest::newRow("worked example, full-width five") << drawnGrid(example) << example;
    QTest::newRow("worked example, ASCII five")
        << drawnGrid(example).replace(fullWidthDigit(5), "5") << example;
    const QString diagonal = QStringLiteral("5.3......"
                                            ".1......."
                                            "..2......"
                                            "...3....."
                                            "....4...."
                                            ".....5..."
                                            "......6.."
                                            ".......7."
                                            "........8");
    QTest::newRow("CR LF") << drawnGrid(diagonal, "\r\n") << diagonal;
    QTest::newRow("lone LF") << drawnGrid(diagonal, "\n") << diagonal;
    QTest::newRow("lone CR") << drawnGrid(diagonal, "\r") << diagonal;

    // What is read of the file, and what is not.
    QTest::newRow("empty file") << QByteArray() << "";
    const QString fiveRows = QStringLiteral("111111111222222222333333333444444444555555555");
    QTest::newRow("ten lines fill rows 0 to 4") << linesOf(drawnGrid(fiveRows), 10) << fiveRows;
    QTest::newRow("lines past 19 are never read")
        << drawnGrid(QString(81, u'1')) + drawnGrid(QString(81, u'8')) << QString(81, u'1');
    QTest::newRow("characters past 19 are ignored")
        << "\r\n" + rowOf(IdeographicSpace) + fullWidthDigit(4) + Bar + fullWidthDigit(4) +
               QByteArray(5000, '7') + "\r\n"
        << "";
    QTest::newRow("a line ending after position 2") << "\r\n" + Bar + fullWidthDigit(6) + "\r\n"
                                                    << "6";
    QTest::newRow("a missing data line leaves its row empty")
        << drawnRule() + "\r\n\r\n" + drawnRule() + "\r\n" + rowOf(fullWidthDigit(2))
        << QStringLiteral(".........222222222");

    // Which entries the characters become.
    QTest::newRow("zeros, spaces, letters and marks are kept")
        << "\r\n" + drawnRow({"0", fullWidthDigit(0), " ", "x", "*", ":", IdeographicSpace, "7",
                              "\x82\x60"})
        << QStringLiteral("0０ x*:.7Ａ");
    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBF\r\n|\xEF\xBC\x95|\xE3\x80\x80|3|") << "5.3";
    QTest::newRow("UTF-8 without a mark, as editors save it")
        << QByteArray("\xE2\x94\x80\n\xE2\x94\x82\xEF\xBC\x97\xE2\x94\x82\xEF\xBC\x91") << "71";
    // Found by the puzzle-file fuzzer: a character beyond U+FFFF was split
    // into two positions, and its first half became an entry.
    QTest::newRow("UTF-8 character beyond U+FFFF is one position")
        << QByteArray("\r\n|\xF0\xA0\xAE\xB7|\xEF\xBC\x95|\xF0\x9F\x98\x80|4|")
        << QStringLiteral("\uFFFD5\uFFFD4");
    QTest::newRow("plain ASCII") << QByteArray("-------------------\n|1|2| | |5|\n") << "12  5";
    QTest::newRow("bytes that are not Windows-31J become U+FFFD")
        << "\r\n" + Bar + "\xA0" + Bar + fullWidthDigit(5) + Bar + "\xFD" + Bar
        << QStringLiteral("\uFFFD5\uFFFD");
    QTest::newRow("a lead byte of 0x9F starts one character")
        << "\r\n" + Bar + "\x9F\x40" + Bar + fullWidthDigit(5) + Bar << QStringLiteral("\u6A975");
    // The decoder maps the byte 0x7F, which is a character, to U+001A; only
    // what is not a character becomes U+FFFD.
    QTest::newRow("byte 0x7F is the decoder's character")
        << "\r\n" + Bar + "\x7F" + Bar + fullWidthDigit(5) + Bar << QStringLiteral("\u001A5");
    // A mark followed by what is not UTF-8 was not saved as UTF-8: the grid
    // reads as Shift-JIS (the mark on the first line, which holds no cells).
    QTest::newRow("a byte-order mark before Shift-JIS bytes")
        << "\xEF\xBB\xBF\r\n" + Bar + fullWidthDigit(5) + Bar + IdeographicSpace + Bar + "3"
        << QStringLiteral("5.3");
    // E0 80 80 is an overlong form, not UTF-8: the file is Shift-JIS, where
    // E0 80 is one character and 80 another.
    QTest::newRow("an overlong UTF-8 sequence makes the file Shift-JIS")
        << QByteArray("\r\n|\xE0\x80\x80|\r\n\r\n|7|8|")
        << QStringLiteral("\u70D9|") + QString(7, u'.') + QStringLiteral("78");
    QTest::newRow("a UTF-8 grid of three-byte characters keeps its ninth column")
        << utf8Of(drawnGrid(QString(8, u'.') + QStringLiteral("9")))
        << QString(8, u'.') + QStringLiteral("9");
    QTest::newRow("a lead byte cut off by the line end")
        << "\r\n" + Bar + "\x82\r\n" + rowOf(IdeographicSpace) << QStringLiteral("\uFFFD");
}

void TestPuzzleFile::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, board);
    QCOMPARE(listed(puzzlefile::parse(bytes).entries()), entriesOf(board));
}

// Where a drawn grid also has an exchange shape, the two readings give the
// same entries, so the exchange shapes change no drawn grid.
void TestPuzzleFile::bothReadingsAgree()
{
    QFETCH(QByteArray, bytes);
    const puzzlefile::Reading reading = puzzlefile::parse(bytes);
    if (reading.exchange)
        QCOMPARE(listed(*reading.exchange), listed(reading.drawn));
}

void TestPuzzleFile::exchangeShapes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("board");  // "" where the drawn grid is read
    QTest::addColumn<bool>("isPuzzle");  // as a paste

    const QByteArray zeros =
        "530070000600195000098000060800060003400803001700020006060000280000419005000080079";
    const QString board = QString::fromLatin1(zeros).replace(u'0', u'.');
    QByteArray dots = zeros;
    dots.replace('0', '.');
    // The same puzzle as nine rows of nine, with `separator` between the
    // cells of a box, `boxes` between boxes and `rule` between bands.
    const auto rows = [&](QByteArray text, QByteArray separator, QByteArray boxes, QByteArray rule,
                          QByteArray lineEnd = "\n") {
        QByteArray out;
        for (int r = 0; r < 9; ++r) {
            if (!rule.isEmpty() && (r == 3 || r == 6))
                out += rule + lineEnd;
            for (int c = 0; c < 9; ++c) {
                out += text.at(9 * r + c);
                if (c < 8)
                    out += (c == 2 || c == 5) ? boxes : separator;
            }
            out += lineEnd;
        }
        return out;
    };
    QTest::newRow("81 characters, 0 for none") << zeros << board << true;
    QTest::newRow("81 characters, . for none, CR LF") << dots + "\r\n" << board << true;
    QTest::newRow("81 characters with | between boxes")
        << rows(dots, "", "|", "").replace("\n", "").append('\n') << board << true;
    QTest::newRow(".sdk: # lines, then 9 rows")
        << "#A Author\n#D A puzzle\n#\n" + rows(dots, "", "", "") << board << true;
    QTest::newRow(".ss: a frame, a history after a blank line")
        << "*-----------*\n" +
               rows(dots, "", "|", "|---+---+---|").replace("\n", "|\n").replace("||", "|") +
               "*-----------*\n\n123456789\n"
        << board << true;
    // The .ss rows above start without a bar; with one, they read the same.
    QTest::newRow("boxed: spaces, | and ---+---")
        << rows(dots, " ", " | ", "------+-------+------") << board << true;
    QTest::newRow("=== rules and blank lines between rows")
        << rows(dots, "", "", "=========", "\n\n") << board << true;
    QTest::newRow("tabs between the cells") << rows(dots, "\t", "\t", "") << board << true;
    QTest::newRow("a comment line that starts with spaces")
        << "   # from a web page\n" + rows(dots, " ", " | ", "------+-------+------") << board
        << true;
    QTest::newRow("an empty board")
        << QByteArray("0.*-_xX") + QByteArray(74, '0') << QString(81, u'.') << true;
    QByteArray marks = zeros;
    const char* none = "0.*-_xX";
    for (int i = 0, n = 0; i < marks.size(); ++i) {
        if (marks[i] == '0')
            marks[i] = none[n++ % 7];
    }
    QTest::newRow("every mark for none, in a puzzle") << marks << board << true;

    // Full-width digits and ideographic spaces, as a Japanese web page has
    // them: Shift-JIS and UTF-8 alike.
    QByteArray fullWidth;
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 9; ++c) {
            const char d = zeros.at(9 * r + c);
            fullWidth += d == '0' ? (c % 2 ? sjis::IdeographicSpace : fullWidthDigit(0))
                                  : fullWidthDigit(d - '0');
        }
        fullWidth += "\r\n";
    }
    QTest::newRow("9 lines of full-width digits, Shift-JIS") << fullWidth << board << true;
    QTest::newRow("9 lines of full-width digits, UTF-8") << utf8Of(fullWidth) << board << true;
    QTest::newRow("… with a byte-order mark")
        << "\xEF\xBB\xBF" + utf8Of(fullWidth) << board << true;

    // Not an exchange shape: the drawn grid is read, as always.
    QTest::newRow("eight rows") << rows(dots, "", "", "").left(80) << "" << false;
    QTest::newRow("a row of ten") << "1" + rows(dots, "", "", "") << "" << false;
    QTest::newRow("a title line before the rows")
        << "Puzzle 1\n" + rows(dots, "", "", "") << "" << false;
    QTest::newRow("80 characters") << zeros.left(80) << "" << false;
    QTest::newRow("a row far past the first megabyte")
        << QByteArray(puzzlefile::BytesRead, '#') + "\n" + zeros << "" << false;
    // The 81 cells' line ends on the first megabyte's last byte, or the byte
    // after it; more follows. (As a paste, a text of as many characters.)
    const QByteArray comment(puzzlefile::BytesRead - zeros.size() - 2, '#');
    QTest::newRow("81 cells ending on the first megabyte's last byte")
        << comment + "\n" + zeros + "\n#" << board << true;
    QTest::newRow("… a byte later") << comment + "#\n" + zeros + "\n#"
                                    << "" << false;
    QTest::newRow("a drawn grid of digits, as a paste")
        << drawnGrid(QStringLiteral("5..3....9.1..7..2.") + QString(63, u'.')) << "" << true;
    QTest::newRow("a drawn grid holding a zero, as a paste")
        << drawnGrid(QStringLiteral("5") + QString(80, u'.')).replace(sjis::IdeographicSpace, "0")
        << "" << false;
    QTest::newRow("an empty text, as a paste") << QByteArray() << "" << false;
    QTest::newRow("a sentence, as a paste") << QByteArray("hello, world") << "" << false;
}

void TestPuzzleFile::exchangeShapes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, board);
    QFETCH(bool, isPuzzle);
    const puzzlefile::Reading reading = puzzlefile::parse(bytes);
    QCOMPARE(reading.exchange.has_value(), !board.isEmpty());  // else the drawn grid
    if (reading.exchange)
        QCOMPARE(listed(*reading.exchange), entriesOf(board));
    QCOMPARE(reading.isPuzzle(), isPuzzle);
    // A text on the clipboard reads as the same bytes, UTF-8, in a file.
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes)
        QCOMPARE(listed(puzzlefile::parseText(text).entries()), listed(reading.entries()));
}

// What the program writes reads back as the same digits, as a drawn grid.
void TestPuzzleFile::drawnGridWrittenReadsBack()
{
    puzzlefile::Entries digits;
    const QString board = QStringLiteral("5..3....9.1..7..2.") + QString(62, u'.') + u'9';
    for (int k = 0; k < 81; ++k) {
        if (board.at(k) != u'.')
            digits[k] = board.at(k);
    }
    digits[2] = QStringLiteral("0");  // not a digit: written as no given
    const QByteArray bytes = puzzlefile::drawnGrid(digits);
    const puzzlefile::Reading reading = puzzlefile::parse(bytes);
    QVERIFY(!reading.exchange);
    QCOMPARE(listed(reading.drawn), entriesOf(board));
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 20);  // 19 lines, each ended by CR LF
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < 19; ++i) {
        QVERIFY(lines[i].endsWith('\r'));
        QCOMPARE(QStringDecoder("Shift_JIS").decode(lines[i]).operator QString().size(), 20);
    }
    QCOMPARE(lines[1].mid(2, 2), fullWidthDigit(5));
    QCOMPARE(lines[1].mid(6, 2), sjis::IdeographicSpace);

    // The drawing itself: heavy rules between boxes, light ones inside, and
    // each crossing joins the weights that meet there.
    const QString empty = QStringLiteral("┃　│　│　┃　│　│　┃　│　│　┃");
    const QString light = QStringLiteral("┠─┼─┼─╂─┼─┼─╂─┼─┼─┨");
    const QString heavy = QStringLiteral("┣━┿━┿━╋━┿━┿━╋━┿━┿━┫");
    const QStringList drawing{
        QStringLiteral("┏━┯━┯━┳━┯━┯━┳━┯━┯━┓"),
        QStringLiteral("┃５│　│　┃３│　│　┃　│　│９┃"),
        light,
        QStringLiteral("┃　│１│　┃　│７│　┃　│２│　┃"),
        light,
        empty,
        heavy,
        empty,
        light,
        empty,
        light,
        empty,
        heavy,
        empty,
        light,
        empty,
        light,
        QStringLiteral("┃　│　│　┃　│　│　┃　│　│９┃"),
        QStringLiteral("┗━┷━┷━┻━┷━┷━┻━┷━┷━┛"),
    };
    QCOMPARE(QString(QStringDecoder("Shift_JIS").decode(bytes)).split(QStringLiteral("\r\n")),
             drawing + QStringList{QString()});
}

// Nothing is read, and nothing waits on what is not a regular file.
void TestPuzzleFile::notARegularFile_data()
{
    QTest::addColumn<Make>("make");
    QTest::newRow("missing") << Make([] { return true; });
    QTest::newRow("a directory") << Make([] { return QDir().mkdir("mondai.txt"); });
    QTest::newRow("a FIFO without a writer")
        << Make([] { return ::mkfifo("mondai.txt", 0600) == 0; });
    QTest::newRow("a device") << Make([] { return QFile::link("/dev/zero", "mondai.txt"); });
    QTest::newRow("a dangling link")
        << Make([] { return QFile::link("nowhere.txt", "mondai.txt"); });
}

void TestPuzzleFile::notARegularFile()
{
    QFETCH(Make, make);
    const TemporaryCurrentFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(make());
    QVERIFY(!puzzlefile::read(QStringLiteral("mondai.txt")));
}

void TestPuzzleFile::unreadableFile()
{
    if (::geteuid() == 0)
        QSKIP("root reads files whatever their permissions");
    const TemporaryCurrentFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(writeFile("mondai.txt", drawnGrid(QStringLiteral("123456789") + QString(72, u'.'))));
    QVERIFY(QFile::setPermissions("mondai.txt", QFileDevice::WriteOwner));
    QVERIFY(!puzzlefile::read(QStringLiteral("mondai.txt")));
}

void TestPuzzleFile::pastTheFirstMegabyte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("size");    // the file made this long with a hole, without line ends
    QTest::addColumn<QString>("board");  // "": a file with no puzzle

    const QString puzzle = QStringLiteral("5..3....9.1..7..2.") + QString(62, u'.') + u'9';
    const QByteArray grid = drawnGrid(puzzle, "\n");
    const qsizetype pad = puzzlefile::BytesRead - grid.size();
    QTest::newRow("a grid, then 64 MiB without a line end")
        << grid << qint64(64) * 1024 * 1024 << puzzle;
    QTest::newRow("2 GiB without a line end")
        << QByteArray() << qint64(2) * 1024 * 1024 * 1024 << "";
    QTest::newRow("a first line longer than a megabyte, then a grid")
        << QByteArray(puzzlefile::BytesRead, 'x') + "\r\n" + drawnGrid(puzzle) << qint64(0) << "";
    // The grid's 19th line ends on the first megabyte's last byte, or the
    // byte after it; more follows.
    QTest::newRow("a grid ending on the first megabyte's last byte")
        << QByteArray(pad, ' ') + grid + "more" << qint64(0) << puzzle;
    QTest::newRow("… a byte later") << QByteArray(pad + 1, ' ') + grid + "more" << qint64(0) << "";
    QTest::newRow("… the file ending there")
        << QByteArray(pad + 1, ' ') + grid.chopped(1) << qint64(0) << puzzle;
}

// Only the first megabyte is read, whatever the line ends: a puzzle that
// does not lie in it is no puzzle, and a file far longer is read at once.
void TestPuzzleFile::pastTheFirstMegabyte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    QFETCH(QString, board);
    const TemporaryCurrentFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(writeFile("mondai.txt", bytes));
    if (size > 0)
        QCOMPARE(::truncate("mondai.txt", size), 0);

    const auto reading = puzzlefile::read(QStringLiteral("mondai.txt"));
    QVERIFY(reading);
    QCOMPARE(listed(reading->entries()), entriesOf(board));
    QCOMPARE(reading->isPuzzle(), !board.isEmpty());
    if (size == 0)
        QCOMPARE(listed(puzzlefile::parse(bytes).entries()), entriesOf(board));
}

void TestPuzzleFile::anyNameOpens_data()
{
    QTest::addColumn<QByteArray>("name");  // the system's bytes
    QTest::addColumn<QString>("shown");    // as a message shows it

    const QString none(QChar::ReplacementCharacter);
    QTest::newRow("ASCII") << QByteArray("mondai.txt") << "mondai.txt";
    QTest::newRow("kanji in UTF-8") << QByteArray("問題 1.sdk") << "問題 1.sdk";
    // Its low half is one of the stand-ins for a byte, but it is a character.
    QTest::newRow("beyond U+FFFF") << QByteArray("\xF0\x90\x82\x80.txt") << "\U00010080.txt";
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray("bad\xFF\xFE.txt") << "bad" + none + none + ".txt";
    QTest::newRow("a character cut short")
        << QByteArray("a\xE5\x95.txt") << "a" + none + none + ".txt";
    QTest::newRow("an overlong slash") << QByteArray("a\xC0\xAF.txt") << "a" + none + none + ".txt";
    QTest::newRow("a surrogate in UTF-8")
        << QByteArray("a\xED\xA0\x80.txt") << "a" + none + none + none + ".txt";
}

// A name keeps its bytes from the command line or a drop to the file it
// names, and shows readably.
void TestPuzzleFile::anyNameOpens()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    const TemporaryCurrentFolder folder;
    QVERIFY(folder.isValid());
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    QVERIFY(fd >= 0);
    // Qt itself cannot remove such a file with the folder.
    const struct Removed {
        QByteArray name;
        ~Removed() { ::unlink(name.constData()); }
    } removed{name};
    const QByteArray grid = drawnGrid(QStringLiteral("7") + QString(80, u'.'));
    QCOMPARE(::write(fd, grid.constData(), size_t(grid.size())), ssize_t(grid.size()));
    ::close(fd);

    const QString fromCommandLine = filenames::fromNative(name);
    QCOMPARE(filenames::toNative(fromCommandLine), name);
    QCOMPARE(filenames::shown(fromCommandLine), shown);
    // Where a name is UTF-8, it is what Qt makes of it.
    if (QString::fromUtf8(name).toUtf8() == name)
        QCOMPARE(fromCommandLine, QString::fromUtf8(name));
    const QString absolute = filenames::absolute(fromCommandLine);
    const QString fromDrop = filenames::fromLocalUrl(
        QUrl::fromEncoded("file://" + filenames::toNative(folder.path()).toPercentEncoding("/") +
                          '/' + name.toPercentEncoding()));
    QCOMPARE(filenames::toNative(fromDrop), filenames::toNative(absolute));
    for (const QString& path : {fromCommandLine, absolute, fromDrop}) {
        const auto reading = puzzlefile::read(path);
        QVERIFY(reading);
        QCOMPARE(reading->entries()[0], QStringLiteral("7"));
    }
}

void TestPuzzleFile::fileIsClosedAfterEveryRead()
{
    const TemporaryCurrentFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(writeFile("mondai.txt", drawnGrid(QStringLiteral("1") + QString(80, u'.'))));
    const auto openDescriptors = [] {
        return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
    };
    const qsizetype before = openDescriptors();
    for (int i = 0; i < 50; ++i)
        QVERIFY(puzzlefile::read(QStringLiteral("mondai.txt")));
    QVERIFY(QDir().remove("mondai.txt"));
    QVERIFY(QDir().mkdir("mondai.txt"));
    for (int i = 0; i < 50; ++i)
        QVERIFY(!puzzlefile::read(QStringLiteral("mondai.txt")));
    QCOMPARE(openDescriptors(), before);
}

QTEST_GUILESS_MAIN(TestPuzzleFile)
#include "tst_puzzlefile.moc"
