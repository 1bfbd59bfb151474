// Rebuilding every undecided cell from the decided ones.
#include <QTest>

#include "testsupport.h"

namespace {

const QString Full = QStringLiteral("123456789");

// Leaves on every undecided cell something a rebuild has to throw away: a
// typed edit under a hidden-single mark.
void scribble(Korvane& form)
{
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (form.decided[i] == 0) {
            form.candidates[i] = QStringLiteral("x:1");
            form.Text1[i].Text = QStringLiteral("1");
            form.Text1[i].FontSize = 28;
            form.Text1[i].ForeColor = Colors::HiddenSingle;
        }
    }
}

double sizeFor(qsizetype length)
{
    return length == 1 ? 28 : (length >= 7 ? 11 : 14);
}

// What an undecided cell holds once the digits of the `applied` decided
// cells are gone from their peers.
QString expectedCandidates(const Korvane& form, int cell, const QList<int>& applied, bool diagonal)
{
    QString s = Full;
    for (int j : applied) {
        if (sharedUnits(cell, j, diagonal) > 0)
            s.remove(form.Text1[j].Text);
    }
    return s;
}

using Marks = QMap<int, QString>;

// Checks every cell against the decided cells in `applied`: undecided cells
// freshly built in black unless they carry one of `marks`, decided cells
// exactly as they were.
void checkBoard(const Korvane& form, const QStringList& decidedBefore, const QList<int>& applied,
                const Marks& marks = {})
{
    const QStringList state = boardState(form).split(u'|');
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (form.decided[i] == 1) {
            QCOMPARE(state[i], decidedBefore[i]);
            continue;
        }
        const QString expected = expectedCandidates(form, i, applied, form.diagonalMode == 1);
        QCOMPARE(form.candidates[i], expected);
        if (marks.contains(i)) {
            QCOMPARE(form.Text1[i].Text, marks[i]);
            QCOMPARE(form.Text1[i].FontSize, 28.0);
            QCOMPARE(form.Text1[i].ForeColor, Colors::HiddenSingle);
        } else {
            QCOMPARE(form.Text1[i].Text, expected);
            QCOMPARE(form.Text1[i].FontSize, sizeFor(expected.size()));
            QCOMPARE(form.Text1[i].ForeColor, Colors::Black);
        }
    }
}

QList<int> decidedCells(const Korvane& form)
{
    QList<int> cells;
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (form.decided[i] == 1)
            cells.append(i);
    }
    return cells;
}

}  // namespace

class TestRebuild : public QObject {
    Q_OBJECT

private slots:
    void rebuild_data();
    void rebuild();
    void conflictDuringReapply_data();
    void conflictDuringReapply();
};

void TestRebuild::rebuild_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<int>("autoEliminate");
    QTest::addColumn<int>("diagonal");
    QTest::addColumn<QString>("cell0Candidates");  // empty: as placed
    QTest::addColumn<QString>("selectedAfter");

    const QString none;
    const QString fiveAndThree = u'5' + QString(39, u'.') + u'3';
    // clang-format off
    QTest::newRow("no decided cell")                  << none         << 1 << 0 << none << "7";
    QTest::newRow("no decided cell, elimination off") << none         << 0 << 0 << none << "7";
    QTest::newRow("5 in cell 0, 3 in cell 40")        << fiveAndThree << 1 << 0 << none << "3";
    QTest::newRow("the same in diagonal mode")        << fiveAndThree << 1 << 1 << none << "3";
    QTest::newRow("the same, elimination off")        << fiveAndThree << 0 << 0 << none << "3";
    QTest::newRow("digit read from the cell's text")  << fiveAndThree << 1 << 0 << "6"  << "3";
    // clang-format on
}

void TestRebuild::rebuild()
{
    QFETCH(QString, board);
    QFETCH(int, autoEliminate);
    QFETCH(int, diagonal);
    QFETCH(QString, cell0Candidates);
    QFETCH(QString, selectedAfter);

    Fixture f;
    placeDecided(f.form, board);
    if (!cell0Candidates.isEmpty())
        f.form.candidates[0] = cell0Candidates;
    scribble(f.form);
    f.form.autoEliminate = autoEliminate;
    f.form.diagonalMode = diagonal;
    f.form.selectedValue = QStringLiteral("7");
    const QStringList before = boardState(f.form).split(u'|');

    f.form.RebuildCandidates();

    checkBoard(f.form, before, autoEliminate == 1 ? decidedCells(f.form) : QList<int>{});
    QCOMPARE(f.form.selectedValue, selectedAfter);
    QVERIFY(f.port.calls.isEmpty());
    QCOMPARE(f.form.conflictFlag, 0);
}

void TestRebuild::conflictDuringReapply_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<QList<int>>("applied");  // decided cells whose digits leave their peers
    QTest::addColumn<Marks>("marks");

    // Applying cell 44 (8) brings cell 36 down to a 9 while row 8 holds two
    // 9s. The rest of cell 44's sweeps still run (cell 51 is reached by the
    // box sweep only); the 9s, applied later, are removed from nowhere.
    QTest::newRow("clash while a cell's sweeps run")
        << QStringLiteral("1........"
                          "2........"
                          "3........"
                          "4.5......"
                          "..6.7...8"
                          "........."
                          "........."
                          "........."
                          ".......99")
        << QList<int>{0, 9, 18, 27, 29, 38, 40, 44} << Marks{};
    // With row 0 holding 1 to 8, the scan after cell 0 marks the 9 of cell 8,
    // which clashes with cell 80. Cells 1 to 7 are never applied.
    QTest::newRow("clash raised by a mark after the first cell")
        << QStringLiteral("12345678.") + QString(71, u'.') + u'9' << QList<int>{0}
        << Marks{{8, "9"}};
}

void TestRebuild::conflictDuringReapply()
{
    QFETCH(QString, board);
    QFETCH(QList<int>, applied);
    QFETCH(Marks, marks);

    Fixture f;
    placeDecided(f.form, board);
    scribble(f.form);
    f.form.autoEliminate = 1;
    const QStringList before = boardState(f.form).split(u'|');

    f.form.RebuildCandidates();

    QCOMPARE(f.port.prompts(), QStringList{QStringLiteral("同じ数あり =9")});
    QCOMPARE(f.form.conflictFlag, 1);
    checkBoard(f.form, before, applied, marks);
    QCOMPARE(f.form.selectedValue, QStringLiteral("9"));
}

QTEST_GUILESS_MAIN(TestRebuild)
#include "tst_rebuild.moc"
