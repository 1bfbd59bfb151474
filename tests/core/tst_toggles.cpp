// The puzzle-type toggle with its diagonal test, the automatic-elimination
// toggle and the restore action of Text10.
#include <QTest>

#include "testsupport.h"

namespace {

const QString full = QStringLiteral("123456789");

// 81 dots with `digit` at the given cells.
QString board(std::initializer_list<std::pair<int, char>> cells)
{
    QString b(81, u'.');
    for (auto [cell, digit] : cells)
        b[cell] = QLatin1Char(digit);
    return b;
}

}  // namespace

class TestToggles : public QObject {
    Q_OBJECT

private slots:
    void diagonalTest_data();
    void diagonalTest();
    void switchBackNeverFails();
    void appliesDecidedDigits_data();
    void appliesDecidedDigits();
    void autoOffResetsOpenCells();
};

void TestToggles::diagonalTest_data()
{
    QTest::addColumn<QString>("decided");
    QTest::addColumn<int>("openCell");  // an undecided cell showing "5", or -1
    QTest::addColumn<bool>("passes");

    QTest::newRow("decided 5 in 0 and 40") << board({{0, '5'}, {40, '5'}}) << -1 << false;
    QTest::newRow("decided 5 in 8, open 72 shows 5") << board({{8, '5'}}) << 72 << false;
    QTest::newRow("open 0 shows 5, decided 5 in 80") << board({{80, '5'}}) << 0 << true;
    QTest::newRow("decided 3 in 40 and 24") << board({{40, '3'}, {24, '3'}}) << -1 << false;
    QTest::newRow("no decided diagonal cell")
        << board({{1, '5'}, {9, '5'}, {41, '3'}}) << -1 << true;
    QTest::newRow("distinct digits on both diagonals")
        << board({{0, '1'}, {40, '2'}, {80, '3'}, {8, '4'}, {72, '5'}}) << -1 << true;
}

void TestToggles::diagonalTest()
{
    QFETCH(QString, decided);
    QFETCH(int, openCell);
    QFETCH(bool, passes);

    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();
    placeDecided(k, decided);
    if (openCell >= 0)
        setCandidates(k, openCell, QStringLiteral("5"));
    k.Text1[57].Text = QStringLiteral("12");  // off the diagonals, no peer of a digit
    k.Text1_KeyUp(57, 0, 0);
    k.Text2_click(6);
    k.conflictFlag = 1;
    const QString boardBefore = boardState(k);

    k.Text4_click();

    // Cleared whether the test passes or not.
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.restorePending, 0);
    if (passes) {
        QCOMPARE(f.port.calls.size(), 0);
        QCOMPARE(k.diagonalMode, 1);
        QCOMPARE(k.selectedValue, QStringLiteral("11"));
        QCOMPARE(k.candidates[57], full);  // the typed edit is rebuilt away
        for (int cell = 0; cell < Korvane::CellCount; ++cell) {
            if (k.decided[cell] == 1 || !Korvane::onMainDiagonal(cell))
                continue;
            // No digit of a decided cell on the main diagonal survives there.
            for (int d : {0, 10, 20, 30, 40, 50, 60, 70, 80}) {
                if (k.decided[d] == 1)
                    QVERIFY(!k.candidates[cell].contains(k.Text1[d].Text));
            }
        }
        if (openCell == 0)
            QCOMPARE(k.Text1[0].Text, QStringLiteral("12346789"));
    } else {
        QCOMPARE(f.port.prompts(), QStringList{QStringLiteral("斜め問題にはなりません")});
        QCOMPARE(f.port.calls.first().buttons, 0);
        QCOMPARE(k.diagonalMode, 0);
        QCOMPARE(k.selectedValue, QStringLiteral("7"));  // no palette reset
        QCOMPARE(boardState(k), boardBefore);            // no rebuild
    }
    QCOMPARE(invariantViolation(k), QString());
}

void TestToggles::switchBackNeverFails()
{
    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();
    k.Text4_click();
    QCOMPARE(k.diagonalMode, 1);
    placeDecided(k, board({{0, '5'}, {40, '5'}}));
    k.Text2_click(4);

    k.Text4_click();

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.diagonalMode, 0);
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(k.Text1[80].Text, full);  // diagonal peers get 5 back
    QCOMPARE(invariantViolation(k), QString());
}

void TestToggles::appliesDecidedDigits_data()
{
    QTest::addColumn<QString>("decided");
    QTest::addColumn<bool>("restore");  // Text10 restore rather than Text6 on
    QTest::addColumn<bool>("autoOn");   // elimination on while restoring

    const QString three = board({{0, '5'}, {40, '3'}, {44, '5'}});
    QTest::newRow("auto on, nothing decided") << QString() << false << true;
    QTest::newRow("auto on, 5 in 40") << board({{40, '5'}}) << false << true;
    QTest::newRow("auto on, three decided") << three << false << true;
    QTest::newRow("restore, auto off") << three << true << false;
    QTest::newRow("restore, auto on") << three << true << true;
}

// Switching elimination on, and restoring after typed edits, must leave the
// board exactly as placing the same digits one by one (elimination on or off)
// does. Both also clear a pending conflict and the restore offer.
void TestToggles::appliesDecidedDigits()
{
    QFETCH(QString, decided);
    QFETCH(bool, restore);
    QFETCH(bool, autoOn);

    Fixture f, reference;
    if (autoOn)
        reference.form.Text6_Click();
    for (int cell = 0; cell < decided.size(); ++cell) {
        if (decided[cell] == u'.')
            continue;
        reference.form.Text2_click(decided[cell].digitValue() - 1);
        reference.form.Text1_click(cell);
    }
    Korvane& k = f.form;
    placeDecided(k, decided);
    if (restore && autoOn)
        k.Text6_Click();
    // Edits that only a restore throws away; switching on keeps typed texts.
    k.Text1_KeyUp(60, 0, 0);
    if (restore) {
        k.Text1[10].Text = QStringLiteral("9");
        k.Text1_KeyUp(10, 0, 0);
        k.Text1[11].Text.clear();
        k.Text1_KeyUp(11, 0, 0);
    }
    k.Text2_click(8);
    k.conflictFlag = 1;

    if (restore)
        k.Text10_click();
    else
        k.Text6_Click();

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.autoEliminate, autoOn ? 1 : 0);
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(boardState(k), boardState(reference.form));
    QCOMPARE(invariantViolation(k), QString());
}

void TestToggles::autoOffResetsOpenCells()
{
    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();
    k.Text2_click(4);
    k.Text1_click(40);
    for (int c = 0; c < 7; ++c)  // row 0 leaves 5 only in 7 and 8, 6 only in 8
        setCandidates(k, c, QStringLiteral("1234789"));
    setCandidates(k, 7, QStringLiteral("5"));
    k.Text1[8].Text = QStringLiteral("56");
    k.Text1_KeyUp(8, 0, 0);
    QCOMPARE(k.Text1[8].ForeColor, Colors::HiddenSingle);
    const QString decidedCell = boardState(k).section(u'|', 40, 40);

    k.Text6_Click();

    QCOMPARE(k.autoEliminate, 0);
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(boardState(k).section(u'|', 40, 40), decidedCell);
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (i == 40)
            continue;
        QCOMPARE(k.Text1[i].Text, full);
        QCOMPARE(k.candidates[i], full);
        QCOMPARE(k.Text1[i].FontSize, 11.0);
        QCOMPARE(k.Text1[i].ForeColor, Colors::Black);
    }
    QCOMPARE(invariantViolation(k), QString());
}

QTEST_GUILESS_MAIN(TestToggles)
#include "tst_toggles.moc"
