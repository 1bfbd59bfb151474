// Solving against an oracle: puzzles that qqwing generates at test time, each
// loaded from a drawn Shift-JIS mondai.txt and worked by automatic and
// continuous elimination, then compared with qqwing's solution; and diagonal
// puzzles of our own whose solutions are known.
#include <QTest>

#include "puzzles.h"
#include "testsupport.h"

namespace {

using Puzzle = SolvedPuzzle;

// Never skipped: without qqwing the test fails, so CI cannot pass silently.

// Loads the puzzle from its drawn file and solves as far as the program can.
// Returns the grid the decided cells show ('.' for the others) and leaves
// every message box it saw in `prompts`.
QString solve(const Puzzle& puzzle, bool diagonal, QStringList& prompts, QString& fault)
{
    if (!writeFile(QStringLiteral("mondai.txt"), drawnGrid(puzzle.givens)))
        return QString();

    Fixture f;
    Korvane& k = f.form;
    k.Text9_click(1);
    if (diagonal)
        k.Text4_click();
    k.Text6_Click();
    k.Text10_click();
    prompts = f.port.prompts();
    fault = invariantViolation(k);
    QString grid;
    for (int i = 0; i < Korvane::CellCount; ++i)
        grid.append(k.decided[i] == 1 && k.Text1[i].Text.size() == 1 ? k.Text1[i].Text.at(0)
                                                                     : QChar(u'.'));
    return grid;
}

// Made for these tests: solvable by singles with both diagonals as units,
// not without them.
const QList<Puzzle> madeDiagonalPuzzles{
    {puzzles::DiagonalGivens, puzzles::DiagonalSolution},
    {".5.....8...96..2.....7.....9...57.......8....6......94..41.......8......321......",
     "256394781479618253813725649932457816145986327687231594564172938798543162321869475"},
    {".....5.....5.......7.3............2.....6.98..439.......42..7.....1...4...1.58..3",
     "936815472415627839278394561897541326152763984643982157564239718389176245721458693"},
};

}  // namespace

class TestOracle : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }
    void qqwingPuzzles_data();
    void qqwingPuzzles();
    void diagonalPuzzles();

private:
    const TemporaryCurrentFolder folder;
};

void TestOracle::qqwingPuzzles_data()
{
    QTest::addColumn<QString>("difficulty");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("mustSolve");
    QTest::addColumn<QStringList>("extra");
    // Symmetric puzzles come out of qqwing's "simple" search much sooner.
    QTest::newRow("simple: solved")
        << "simple" << 200 << true << QStringList{"--symmetry", "rotate90"};
    QTest::newRow("easy: solved") << "easy" << 200 << true << QStringList();
    QTest::newRow("intermediate: no wrong digit")
        << "intermediate" << 100 << false << QStringList();
    QTest::newRow("expert: no wrong digit") << "expert" << 100 << false << QStringList();
}

void TestOracle::qqwingPuzzles()
{
    QFETCH(QString, difficulty);
    QFETCH(int, count);
    QFETCH(bool, mustSolve);
    QFETCH(QStringList, extra);

    const QList<Puzzle> puzzles = ::qqwingPuzzles(difficulty, count, extra);
    QCOMPARE(puzzles.size(), count);
    int solved = 0;
    for (const Puzzle& puzzle : puzzles) {
        QStringList prompts;
        QString fault;
        const QString grid = solve(puzzle, false, prompts, fault);
        QVERIFY2(prompts.isEmpty() && fault.isEmpty(),
                 qPrintable(puzzle.givens + u' ' + prompts.join(u',') + u' ' + fault));
        // An open cell is no wrong digit, but a puzzle that must be solved
        // has none.
        for (int i = 0; i < Korvane::CellCount; ++i) {
            QVERIFY2(grid.at(i) == puzzle.solution.at(i) || (!mustSolve && grid.at(i) == u'.'),
                     qPrintable(QStringLiteral("%1: cell %2 shows %3, solution %4")
                                    .arg(puzzle.givens)
                                    .arg(i)
                                    .arg(grid.at(i))
                                    .arg(puzzle.solution.at(i))));
        }
        solved += grid == puzzle.solution;
    }
    qInfo("%s: %d of %d solved completely, none wrong, no message box", qPrintable(difficulty),
          solved, count);
}

void TestOracle::diagonalPuzzles()
{
    for (const Puzzle& puzzle : madeDiagonalPuzzles) {
        QCOMPARE(solutionFault(puzzle.solution, true), QString());
        QStringList prompts;
        QString fault;
        QCOMPARE(solve(puzzle, true, prompts, fault), puzzle.solution);
        QCOMPARE(prompts, QStringList());
        QCOMPARE(fault, QString());
        // Without the diagonals the same givens leave cells open.
        QVERIFY(solve(puzzle, false, prompts, fault) != puzzle.solution);
    }
}

QTEST_GUILESS_MAIN(TestOracle)
#include "tst_oracle.moc"
