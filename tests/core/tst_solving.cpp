// Continuous elimination: a whole puzzle solved from its givens, and the
// plain promotion of one-character cells when nothing is eliminated.
#include <algorithm>

#include <QTest>

#include "puzzles.h"
#include "testsupport.h"

namespace {

const QString& givens = puzzles::SinglesGivens;
const QString& solution = puzzles::SinglesSolution;

// Empty when every row, column and box of `grid` holds 1..9 once.
QString sudokuFault(const QString& grid)
{
    if (grid.size() != 81)
        return QStringLiteral("%1 cells").arg(grid.size());
    for (int u = 0; u < 27; ++u) {
        QString seen;
        for (int p = 0; p < 9; ++p) {
            const int cell = u < 9 ? 9 * u + p
                             : u < 18
                                 ? 9 * p + (u - 9)
                                 : 27 * ((u - 18) / 3) + 3 * ((u - 18) % 3) + 9 * (p / 3) + p % 3;
            seen.append(grid.at(cell));
        }
        std::sort(seen.begin(), seen.end());
        if (seen != u"123456789")
            return QStringLiteral("unit %1 holds %2").arg(u).arg(seen);
    }
    return QString();
}

}  // namespace

class TestSolving : public QObject {
    Q_OBJECT

private slots:
    void solvesWholePuzzle_data();
    void solvesWholePuzzle();
    void promotesWithoutElimination();
};

void TestSolving::solvesWholePuzzle_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("givens placed, then auto on") << "placed";
    QTest::newRow("palette clicks, then auto on") << "clicks";
    QTest::newRow("palette clicks with auto on") << "auto first";
}

void TestSolving::solvesWholePuzzle()
{
    QFETCH(QString, entry);

    // The expected grid must itself be a solution of these givens.
    QCOMPARE(sudokuFault(solution), QString());
    for (int i = 0; i < 81; ++i)
        QVERIFY(givens[i] == u'.' || givens[i] == solution[i]);

    Fixture f;
    Korvane& k = f.form;
    if (entry == u"placed") {
        placeDecided(k, givens);
    } else {
        if (entry == u"auto first")
            k.Text6_Click();
        for (int i = 0; i < 81; ++i) {
            if (givens[i] == u'.')
                continue;
            k.Text2_click(givens[i].digitValue() - 1);
            k.Text1_click(i);
        }
    }
    if (k.autoEliminate == 0)
        k.Text6_Click();

    k.Text10_click();

    QCOMPARE(f.port.prompts(), QStringList());
    QCOMPARE(k.conflictFlag, 0);
    QString grid;
    for (int i = 0; i < 81; ++i) {
        QCOMPARE(k.decided[i], 1);
        QCOMPARE(k.Text1[i].FontSize, 28.0);
        QCOMPARE(k.Text1[i].ForeColor, Colors::DecidedDigit);
        QCOMPARE(k.candidates[i], k.Text1[i].Text);
        grid.append(k.Text1[i].Text);
    }
    QCOMPARE(grid, solution);
    QCOMPARE(invariantViolation(k), QString());
}

// Without automatic elimination every open cell that shows one character is
// promoted, a typed non-digit too, and no candidate is removed anywhere.
void TestSolving::promotesWithoutElimination()
{
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, QStringLiteral("5"));
    setCandidates(k, 1, QStringLiteral("5"));
    setCandidates(k, 40, QStringLiteral("3"));
    setCandidates(k, 41, QStringLiteral("x"));
    setCandidates(k, 42, QString());
    setCandidates(k, 43, QStringLiteral("34"));
    k.Text1[40].ForeColor = Colors::HiddenSingle;
    k.Text2_click(2);

    k.Text10_click();

    QCOMPARE(f.port.calls.size(), 0);
    for (int i : {0, 1, 40, 41}) {
        QCOMPARE(k.decided[i], 1);
        QCOMPARE(k.Text1[i].FontSize, 28.0);
        QCOMPARE(k.Text1[i].ForeColor, Colors::DecidedDigit);
        QCOMPARE(k.candidates[i], k.Text1[i].Text);
    }
    QCOMPARE(k.Text1[41].Text, QStringLiteral("x"));
    QCOMPARE(k.decided[42], 0);
    QCOMPARE(k.Text1[42].Text, QString());
    QCOMPARE(k.candidates[43], QStringLiteral("34"));
    for (int i = 2; i < 81; ++i) {
        if (i < 40 || i > 43)
            QCOMPARE(k.candidates[i], QStringLiteral("123456789"));
    }
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(invariantViolation(k), QString());
}

QTEST_GUILESS_MAIN(TestSolving)
#include "tst_solving.moc"
