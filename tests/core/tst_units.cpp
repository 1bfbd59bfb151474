// Which units the engine walks for a cell: diagonal membership, and how often
// the peer sweeps visit every cell of the grid.
#include <numeric>

#include <QTest>

#include "testsupport.h"

class TestUnits : public QObject {
    Q_OBJECT

private slots:
    void diagonalMembership_data();
    void diagonalMembership();
    void sweepVisits_data();
    void sweepVisits();
};

void TestUnits::diagonalMembership_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<bool>("main");
    QTest::addColumn<bool>("anti");

    QTest::newRow("0 top left: main only") << 0 << true << false;
    QTest::newRow("8 top right: anti only") << 8 << false << true;
    QTest::newRow("40 centre: both") << 40 << true << true;
    QTest::newRow("72 bottom left: anti only") << 72 << false << true;
    QTest::newRow("80 bottom right: main only") << 80 << true << false;
    QTest::newRow("30 inner main") << 30 << true << false;
    QTest::newRow("16 inner anti") << 16 << false << true;
    QTest::newRow("1 neither") << 1 << false << false;
}

void TestUnits::diagonalMembership()
{
    QFETCH(int, cell);
    QFETCH(bool, main);
    QFETCH(bool, anti);

    QCOMPARE(Korvane::onMainDiagonal(cell), main);
    QCOMPARE(Korvane::onAntiDiagonal(cell), anti);
}

void TestUnits::sweepVisits_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("diagonal");
    QTest::addColumn<int>("totalVisits");

    QTest::newRow("normal mode, cell 0") << 0 << 0 << 27;
    QTest::newRow("normal mode, cell 40") << 40 << 0 << 27;
    QTest::newRow("diagonal mode, cell 0") << 0 << 1 << 36;
    QTest::newRow("diagonal mode, cell 80") << 80 << 1 << 36;
    QTest::newRow("diagonal mode, cell 30") << 30 << 1 << 36;
    QTest::newRow("diagonal mode, cell 8") << 8 << 1 << 36;
    QTest::newRow("diagonal mode, cell 72") << 72 << 1 << 36;
    QTest::newRow("diagonal mode, cell 56") << 56 << 1 << 36;
    QTest::newRow("diagonal mode, cell 40") << 40 << 1 << 45;
    QTest::newRow("diagonal mode, off-diagonal cell 44") << 44 << 1 << 27;
}

// Every cell holds a long run of 5s, the swept one too (left undecided so that
// its own visits show). Each visit cuts one 5 away, so what a cell lost is the
// number of times it was visited.
void TestUnits::sweepVisits()
{
    QFETCH(int, cell);
    QFETCH(int, diagonal);
    QFETCH(int, totalVisits);

    Fixture f;
    const QString fives(20, u'5');
    for (int i = 0; i < Korvane::CellCount; ++i)
        setCandidates(f.form, i, fives);
    f.form.autoEliminate = 1;
    f.form.diagonalMode = diagonal;
    f.form.selectedValue = QStringLiteral("5");

    f.form.EliminateFromPeers(cell);

    QList<int> lost, expected;
    for (int i = 0; i < Korvane::CellCount; ++i) {
        QCOMPARE(f.form.Text1[i].Text, f.form.candidates[i]);
        lost.append(int(fives.size() - f.form.candidates[i].size()));
        expected.append(sharedUnits(cell, i, diagonal == 1));
    }
    QCOMPARE(lost, expected);
    QCOMPARE(std::accumulate(lost.cbegin(), lost.cend(), 0), totalVisits);
    QVERIFY(f.port.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestUnits)
#include "tst_units.moc"
