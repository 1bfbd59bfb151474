// The hidden-single scan: which digit ends up marked in which cell, and when
// the scan marks nothing.
#include <algorithm>

#include <QTest>

#include "testsupport.h"

namespace {

using Cells = QMap<int, QString>;  // cell index -> candidate string (or mark)

const QString ConflictPrompt = QStringLiteral("同じ数あり =");

// Nine cells first, first + step, ..., first + 8 * step.
struct Line {
    int first;
    int step;
};
Line row(int r)
{
    return {9 * r, 1};
}
Line column(int c)
{
    return {c, 9};
}
const Line MainDiagonal{0, 10};
const Line AntiDiagonal{8, 8};

// Takes `digit` out of the candidates of every cell of `line` but `keep`; a
// cell not yet in `board` starts from the full list.
void drop(Cells& board, Line line, int keep, QChar digit)
{
    for (int k = 0; k < 9; ++k) {
        const int cell = line.first + k * line.step;
        if (cell != keep)
            board[cell] = board.value(cell, QStringLiteral("123456789")).remove(digit);
    }
}

// Row 2 where only cell 23, showing 1789, can hold a 7.
Cells rowTwoExample()
{
    Cells board{{23, QStringLiteral("1789")}};
    drop(board, row(2), 23, u'7');
    return board;
}

QStringList candidateList(const Korvane& form)
{
    return QStringList(form.candidates.cbegin(), form.candidates.cbegin() + Korvane::CellCount);
}

void setUp(Fixture& f, const Cells& board, int diagonal)
{
    for (auto it = board.cbegin(); it != board.cend(); ++it)
        setCandidates(f.form, it.key(), it.value());
    f.form.autoEliminate = 1;
    f.form.diagonalMode = diagonal;
}

}  // namespace

class TestHiddenSingles : public QObject {
    Q_OBJECT

private slots:
    void marks_data();
    void marks();
    void nothingNew_data();
    void nothingNew();
    void decidedCellKeepsItsText();
};

void TestHiddenSingles::marks_data()
{
    QTest::addColumn<Cells>("board");
    QTest::addColumn<int>("diagonal");
    QTest::addColumn<Cells>("marks");
    QTest::addColumn<QString>("clash");  // the duplicate reported, if any

    QTest::newRow("row 2: cell 23 the only place of 7")
        << rowTwoExample() << 0 << Cells{{23, "7"}} << "";

    Cells board = rowTwoExample();
    board[60] = board[61] = QStringLiteral("7");
    QTest::newRow("row 2 mark checked against a 7 twice elsewhere")
        << board << 0 << Cells{{23, "7"}} << "7";

    board.clear();
    drop(board, row(0), 4, u'3');
    drop(board, row(0), 4, u'6');
    QTest::newRow("one cell the only place of two digits: the lower wins")
        << board << 0 << Cells{{4, "3"}} << "";

    board.clear();
    drop(board, row(4), 40, u'6');
    drop(board, column(4), 40, u'2');
    QTest::newRow("one cell the only place of two digits: the row wins")
        << board << 0 << Cells{{40, "6"}} << "";

    board.clear();
    drop(board, row(0), 0, u'3');
    board[0] = QStringLiteral("123");
    QTest::newRow("digit once in a string") << board << 0 << Cells{{0, "3"}} << "";
    board[0] = QStringLiteral("1233");
    QTest::newRow("digit twice in a string") << board << 0 << Cells{} << "";

    board[0] = QStringLiteral("3");
    board[60] = board[61] = QStringLiteral("3");
    QTest::newRow("only place already shows one character, no check")
        << board << 0 << Cells{} << "";

    board.clear();
    drop(board, MainDiagonal, 30, u'5');
    QTest::newRow("main-diagonal single, normal mode") << board << 0 << Cells{} << "";
    QTest::newRow("main-diagonal single, diagonal mode") << board << 1 << Cells{{30, "5"}} << "";

    board.clear();
    drop(board, AntiDiagonal, 56, u'2');
    QTest::newRow("anti-diagonal single, normal mode") << board << 0 << Cells{} << "";
    QTest::newRow("anti-diagonal single, diagonal mode") << board << 1 << Cells{{56, "2"}} << "";

    // Cell 0 is the only 9 of row 0 and cell 10 the only 9 of column 1; they
    // share box 0. Column 5's lone 4 comes later and is never reached.
    board.clear();
    drop(board, row(0), 0, u'9');
    drop(board, column(1), 10, u'9');
    drop(board, column(5), 50, u'4');
    QTest::newRow("second mark clashes: scan ends, first mark stays")
        << board << 0 << Cells{{0, "9"}, {10, "9"}} << "9";

    board.clear();
    drop(board, row(0), 2, u'9');
    board[0] = QStringLiteral("1:2:3");
    QTest::newRow("typed ':' before the single place") << board << 0 << Cells{{2, "9"}} << "";

    board.clear();
    drop(board, row(8), 80, u'9');
    board[72] = QStringLiteral("1::::::::::2");
    QTest::newRow("typed ':'s outnumbering the unit's cells")
        << board << 0 << Cells{{80, "9"}} << "";
}

void TestHiddenSingles::marks()
{
    QFETCH(Cells, board);
    QFETCH(int, diagonal);
    QFETCH(Cells, marks);
    QFETCH(QString, clash);

    Fixture f;
    setUp(f, board, diagonal);
    const QString selectedBefore = f.form.selectedValue;
    const QStringList candidatesBefore = candidateList(f.form);
    QStringList expectedTexts = boardTexts(f.form).split(u'|');
    for (auto it = marks.cbegin(); it != marks.cend(); ++it)
        expectedTexts[it.key()] = it.value();

    f.form.FindHiddenSingles();

    QCOMPARE(boardTexts(f.form).split(u'|'), expectedTexts);
    QCOMPARE(f.port.prompts(),
             clash.isEmpty() ? QStringList{} : QStringList{ConflictPrompt + clash});
    QCOMPARE(f.form.conflictFlag, clash.isEmpty() ? 0 : 1);
    for (auto it = marks.cbegin(); it != marks.cend(); ++it) {
        QCOMPARE(f.form.Text1[it.key()].FontSize, 28.0);
        QCOMPARE(f.form.Text1[it.key()].ForeColor, Colors::HiddenSingle);
    }
    QCOMPARE(candidateList(f.form), candidatesBefore);
    QCOMPARE(std::count(f.form.decided.cbegin(), f.form.decided.cend(), 1), 0);
    QCOMPARE(f.form.selectedValue, selectedBefore);
}

void TestHiddenSingles::nothingNew_data()
{
    QTest::addColumn<int>("autoEliminate");
    QTest::addColumn<int>("conflictFlag");
    QTest::addColumn<bool>("scanFirst");

    QTest::newRow("automatic elimination off") << 0 << 0 << false;
    QTest::newRow("conflict pending") << 1 << 1 << false;
    QTest::newRow("second call in a row") << 1 << 0 << true;
}

// The row 2 example. Once the scene is set, the 7s in cells 60 and 61 make any
// conflict check for 7 show a message, so a repeated mark of cell 23 would show.
void TestHiddenSingles::nothingNew()
{
    QFETCH(int, autoEliminate);
    QFETCH(int, conflictFlag);
    QFETCH(bool, scanFirst);

    Fixture f;
    Cells board = rowTwoExample();
    board[61] = QStringLiteral("7");
    setUp(f, board, 0);
    if (scanFirst) {
        f.form.FindHiddenSingles();
        QCOMPARE(f.form.Text1[23].Text, QStringLiteral("7"));
    }
    setCandidates(f.form, 60, QStringLiteral("7"));
    f.form.autoEliminate = autoEliminate;
    f.form.conflictFlag = conflictFlag;
    const QString before = boardState(f.form);

    f.form.FindHiddenSingles();

    QCOMPARE(boardState(f.form), before);
    QVERIFY(f.port.calls.isEmpty());
}

// Found by the action fuzzer: a decided cell whose text the user typed over
// with several characters was marked like an undecided one, and lost its text
// at the next rebuild.
void TestHiddenSingles::decidedCellKeepsItsText()
{
    Fixture f;
    setUp(f, rowTwoExample(), 0);
    f.form.decided[23] = 1;
    f.form.FindHiddenSingles();
    QCOMPARE(f.form.Text1[23].Text, QStringLiteral("1789"));
    QVERIFY(f.port.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestHiddenSingles)
#include "tst_hiddensingles.moc"
