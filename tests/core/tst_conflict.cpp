// The duplicate check: which unit is reported first, which cell carries the
// mark while the message is open, and what is left afterwards.
#include <QTest>

#include "testsupport.h"

namespace {

const QString Mark = QStringLiteral("＊");

}  // namespace

class TestConflict : public QObject {
    Q_OBJECT

private slots:
    void report_data();
    void report();
};

void TestConflict::report_data()
{
    QTest::addColumn<QList<int>>("cells");  // cells showing `text`; the rest stay full
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("diagonal");
    QTest::addColumn<int>("flagBefore");
    QTest::addColumn<QString>("digit");
    QTest::addColumn<int>("markedCell");  // -1: no duplicate, no message

    QTest::newRow("three in row 3: the middle one")
        << QList<int>{28, 30, 35} << "7" << 0 << 0 << "7" << 30;
    QTest::newRow("column 4: the lower one") << QList<int>{4, 67} << "7" << 0 << 0 << "7" << 67;
    QTest::newRow("box 0: the later in reading order")
        << QList<int>{11, 19} << "7" << 0 << 0 << "7" << 19;
    QTest::newRow("row 7 before the earlier column 5")
        << QList<int>{5, 50, 63, 70} << "7" << 0 << 0 << "7" << 70;
    QTest::newRow("row 2 before row 6") << QList<int>{20, 24, 54, 56} << "7" << 0 << 0 << "7" << 24;
    QTest::newRow("column 7 before the earlier box 0")
        << QList<int>{0, 10, 25, 79} << "7" << 0 << 0 << "7" << 79;
    QTest::newRow("box 2 before the main diagonal")
        << QList<int>{6, 16, 30, 80} << "7" << 1 << 0 << "7" << 16;
    QTest::newRow("main diagonal before anti-diagonal")
        << QList<int>{16, 50, 64, 80} << "7" << 1 << 0 << "7" << 80;
    QTest::newRow("anti-diagonal: the lower-left one")
        << QList<int>{24, 56} << "7" << 1 << 0 << "7" << 56;
    QTest::newRow("anti-diagonal ignored in normal mode")
        << QList<int>{24, 56} << "7" << 0 << 0 << "7" << -1;
    QTest::newRow("main diagonal ignored in normal mode")
        << QList<int>{0, 40} << "7" << 0 << 0 << "7" << -1;
    QTest::newRow("candidate lists holding the digit never match")
        << QList<int>{0, 2} << "7" << 0 << 0 << "5" << -1;
    QTest::newRow("no duplicate leaves a pending flag set")
        << QList<int>{0} << "7" << 0 << 1 << "7" << -1;
    QTest::newRow("typed non-digit character") << QList<int>{0, 3} << "x" << 0 << 0 << "x" << 3;
}

void TestConflict::report()
{
    QFETCH(QList<int>, cells);
    QFETCH(QString, text);
    QFETCH(int, diagonal);
    QFETCH(int, flagBefore);
    QFETCH(QString, digit);
    QFETCH(int, markedCell);

    Fixture f;
    for (int cell : cells)
        setCandidates(f.form, cell, text);
    f.form.diagonalMode = diagonal;
    f.form.conflictFlag = flagBefore;
    const QString before = boardTexts(f.form);

    QString seenWhileOpen;
    f.port.onMsgBox = [&](const QString&, int) { seenWhileOpen = boardTexts(f.form); };

    f.form.CheckConflict(digit);

    QCOMPARE(boardTexts(f.form), before);
    if (markedCell < 0) {
        QVERIFY(f.port.calls.isEmpty());
        QCOMPARE(f.form.conflictFlag, flagBefore);
        return;
    }
    QCOMPARE(f.port.calls.size(), 1);
    QCOMPARE(f.port.calls[0].prompt, QStringLiteral("同じ数あり =") + digit);
    QCOMPARE(f.port.calls[0].buttons, 0);
    QCOMPARE(f.form.conflictFlag, 1);

    QStringList expectedWhileOpen = before.split(u'|');
    expectedWhileOpen[markedCell] = Mark;
    QCOMPARE(seenWhileOpen.split(u'|'), expectedWhileOpen);
}

QTEST_GUILESS_MAIN(TestConflict)
#include "tst_conflict.moc"
