// The exact solver: the same solution as qqwing on its puzzles, the count of
// solutions (none, one, more) right on puzzles made for each and against an
// oracle on puzzles changed at random, normal and diagonal.
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include "diagonalpuzzles.h"
#include "puzzlefile.h"
#include "puzzles.h"
#include "solver.h"
#include "testsupport.h"
#include "units.h"

namespace {

solver::Result solve(const QString& givens, bool diagonal, int limit = 2)
{
    return solver::solve(puzzlefile::parseText(givens).entries(), diagonal, limit);
}

QString lineOf(const solver::Grid& grid)
{
    QString line;
    for (int digit : grid)
        line += digit ? QChar(u'0' + digit) : QChar(u'.');
    return line;
}

// `grid` with the cells of `open` emptied.
QString withOpen(QString grid, std::initializer_list<int> open)
{
    for (int cell : open)
        grid[cell] = u'.';
    return grid;
}

// Whether `digit` may stand in `cell` of `givens` without meeting itself in a
// unit.
bool fits(const QString& givens, int cell, QChar digit, bool diagonal)
{
    for (int u = 0; u < (diagonal ? 29 : 27); ++u) {
        const units::Unit& unit = units::all[size_t(u)];
        if (std::find(unit.begin(), unit.end(), cell) == unit.end())
            continue;
        for (int other : unit) {
            if (other != cell && givens.at(other) == digit)
                return false;
        }
    }
    return true;
}

// A puzzle changed at random: one or two givens taken away, or one given
// turned into a digit that meets no given of its own in a unit. No two givens
// clash either way, so the oracles take it.
QString changed(QString givens, bool diagonal, QRandomGenerator& random)
{
    QList<int> given;
    for (int c = 0; c < 81; ++c) {
        if (givens.at(c) != u'.')
            given.append(c);
    }
    if (random.bounded(2) == 0) {
        for (int n = 1 + int(random.bounded(2)); n > 0; --n)
            givens[given.takeAt(random.bounded(int(given.size())))] = u'.';
        return givens;
    }
    for (int tries = 0; tries < 100; ++tries) {
        const int cell = given.at(random.bounded(int(given.size())));
        const QChar digit(char16_t(u'1' + random.bounded(9)));
        if (digit != givens.at(cell) && fits(givens, cell, digit, diagonal)) {
            givens[cell] = digit;
            break;
        }
    }
    return givens;
}

// qqwing's count of each puzzle's solutions, all of them; empty when it did
// not run. Givens that clash would be skipped without a line, so none do.
QList<int> qqwingCounts(const QStringList& puzzles)
{
    QProcess qqwing;
    qqwing.start(QStringLiteral("qqwing"),
                 {"--solve", "--count-solutions", "--one-line", "--nosolution"});
    qqwing.write(puzzles.join(u'\n').toLatin1() + '\n');
    qqwing.closeWriteChannel();
    QList<int> counts;
    if (!qqwing.waitForFinished(300000) || qqwing.exitCode() != 0)
        return counts;
    for (const QString& line :
         QString::fromLatin1(qqwing.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.contains(QStringLiteral("unique")))
            counts.append(1);
        else if (line.contains(QStringLiteral("no solutions")))
            counts.append(0);
        else
            counts.append(line.section(u' ', 2, 2).toInt());
    }
    return counts;
}

}  // namespace

class TestSolver : public QObject {
    Q_OBJECT

private slots:
    void agreesWithQqwing_data();
    void agreesWithQqwing();
    void countsSolutions_data();
    void countsSolutions();
    void countsAgreeWithAnOracle_data();
    void countsAgreeWithAnOracle();
};

void TestSolver::agreesWithQqwing_data()
{
    QTest::addColumn<QString>("difficulty");
    QTest::addColumn<int>("count");
    QTest::newRow("any") << "any" << 800;
    QTest::newRow("expert") << "expert" << 200;
}

// Never skipped: without qqwing the test fails.
void TestSolver::agreesWithQqwing()
{
    QFETCH(QString, difficulty);
    QFETCH(int, count);
    const QList<SolvedPuzzle> puzzles = qqwingPuzzles(difficulty, count);
    QCOMPARE(puzzles.size(), count);
    for (const SolvedPuzzle& puzzle : puzzles) {
        const solver::Result result = solve(puzzle.givens, false);
        QVERIFY2(result.count == 1 && result.complete, qPrintable(puzzle.givens));
        QCOMPARE(lineOf(result.solution), puzzle.solution);
    }
}

void TestSolver::countsSolutions_data()
{
    QTest::addColumn<QString>("givens");
    QTest::addColumn<bool>("diagonal");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("count");  // -1: the search gives up

    const QString& singles = puzzles::SinglesGivens;
    const QString& diagonal = puzzles::DiagonalGivens;
    const QString none(81, u'.');
    // Swapping the digits of r1c2, r1c9, r2c2 and r2c9 gives a second
    // solution; the second one breaks the main diagonal.
    const QString twoWays = withOpen(puzzles::DiagonalSolution, {1, 8, 10, 17});
    const QString fourGivens = QStringLiteral("1....2...") + QString(27, u'.') +
                               QStringLiteral("....3....") + QString(27, u'.') +
                               QStringLiteral("........4");
    QTest::newRow("one solution") << singles << false << 2 << 1;
    QTest::newRow("a full grid") << puzzles::SinglesSolution << false << 2 << 1;
    QTest::newRow("its one solution breaks a diagonal") << singles << true << 2 << 0;
    QTest::newRow("diagonal: one solution") << diagonal << true << 2 << 1;
    QTest::newRow("the same givens without the diagonals") << diagonal << false << 2 << 2;
    QTest::newRow("two 5s in row 1")
        << QStringLiteral("5.......5") + QString(72, u'.') << false << 2 << 0;
    QTest::newRow("a cell with no digit left")
        << QStringLiteral("12345678.") + QString(8, u'.') + u'9' + QString(63, u'.') << false << 2
        << 0;
    // 1 is kept out of box 1's rows 1 and 2 and columns 1 and 2, and r3c3
    // holds 2.
    QTest::newRow("a digit with no place in a box") << QStringLiteral("...1....."
                                                                      "......1.."
                                                                      "..2......"
                                                                      "1........"
                                                                      "........."
                                                                      "........."
                                                                      ".1......."
                                                                      "........."
                                                                      ".........")
                                                    << false << 2 << 0;
    QString twoFivesOnTheDiagonal = none;
    twoFivesOnTheDiagonal[0] = twoFivesOnTheDiagonal[40] = u'5';
    QTest::newRow("two 5s on a diagonal") << twoFivesOnTheDiagonal << true << 2 << 0;
    QTest::newRow("the same, not diagonal") << twoFivesOnTheDiagonal << false << 2 << 2;
    QTest::newRow("four givens") << fourGivens << false << 2 << 2;
    QTest::newRow("four givens, diagonal") << fourGivens << true << 2 << 2;
    QTest::newRow("no givens, up to 100") << none << false << 100 << 100;
    QTest::newRow("no givens, up to a million") << none << false << 1000000 << -1;
    QTest::newRow("no givens, diagonal") << none << true << 2 << 2;
    QTest::newRow("two solutions, up to 3") << twoWays << false << 3 << 2;
    QTest::newRow("two solutions, up to 1") << twoWays << false << 1 << 1;
    QTest::newRow("a limit below 1 is 1") << twoWays << false << 0 << 1;
    QTest::newRow("two solutions, one of them diagonal") << twoWays << true << 2 << 1;
}

// The count, and a solution that keeps the givens and fills every unit.
void TestSolver::countsSolutions()
{
    QFETCH(QString, givens);
    QFETCH(bool, diagonal);
    QFETCH(int, limit);
    QFETCH(int, count);
    const solver::Result result = solve(givens, diagonal, limit);
    QCOMPARE(result.complete, count >= 0);
    if (count < 0) {
        QVERIFY(result.count < limit);
        return;
    }
    QCOMPARE(result.count, count);
    if (count == 0) {
        QCOMPARE(result.solution, solver::Grid{});
        return;
    }
    const QString solution = lineOf(result.solution);
    QCOMPARE(solutionFault(solution, diagonal), QString());
    for (int c = 0; c < 81; ++c)
        QVERIFY(givens.at(c) == u'.' || givens.at(c) == solution.at(c));
}

void TestSolver::countsAgreeWithAnOracle_data()
{
    QTest::addColumn<bool>("diagonal");
    QTest::newRow("qqwing's puzzles, counted by qqwing") << false;
    QTest::newRow("diagonal puzzles, counted by a search of their own") << true;
}

// Puzzles changed at random (givens taken away, a given changed) have none,
// one or many solutions; the solver counts them as the oracle does, up to 2.
void TestSolver::countsAgreeWithAnOracle()
{
    QFETCH(bool, diagonal);
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    QStringList puzzles;
    if (diagonal) {
        DiagonalGenerator generator(seed);
        for (int i = 0; i < 30; ++i)
            puzzles.append(generator.next().givens);
    } else {
        for (const SolvedPuzzle& puzzle : qqwingPuzzles(QStringLiteral("any"), 200))
            puzzles.append(puzzle.givens);
        QCOMPARE(puzzles.size(), 200);
    }
    for (QString& puzzle : puzzles)
        puzzle = changed(puzzle, diagonal, random);
    if (diagonal) {
        // The generator's puzzles keep more givens than they need, so one
        // or two taken away seldom leave a second solution: one cut to 8
        // givens, fewer than any diagonal puzzle of one solution has, always
        // does.
        QString sparse = puzzles.first();
        int kept = 0;
        for (QChar& ch : sparse) {
            if (ch != u'.' && ++kept > 8)
                ch = u'.';
        }
        puzzles.append(sparse);
    }

    QList<int> expected;
    if (diagonal) {
        for (const QString& puzzle : puzzles)
            expected.append(DiagonalGenerator::countSolutions(
                solver::givensOf(puzzlefile::parseText(puzzle).entries())));
    } else {
        expected = qqwingCounts(puzzles);
        QCOMPARE(expected.size(), puzzles.size());
    }
    std::array<int, 3> seen{};
    for (qsizetype i = 0; i < puzzles.size(); ++i) {
        const int count = std::min(expected[i], 2);
        QVERIFY2(
            solve(puzzles[i], diagonal).count == count,
            qPrintable(QStringLiteral("seed %1: %2 has %3").arg(seed).arg(puzzles[i]).arg(count)));
        ++seen[size_t(count)];
    }
    qInfo("none %d, one %d, more %d", seen[0], seen[1], seen[2]);
    QVERIFY(seen[0] > 0 && seen[2] > 0);
}

QTEST_GUILESS_MAIN(TestSolver)
#include "tst_solver.moc"
