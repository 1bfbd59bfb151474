// Removing a decided digit from the candidates of its peers: how a shrinking
// cell is restyled, what is left alone, and the guards.
#include <QTest>

#include "testsupport.h"

namespace {

const QString ConflictPrompt = QStringLiteral("同じ数あり =");

// Gives cell 30 these candidates, showing `mark` instead if it is not empty,
// in dark blue as a hidden-single mark would be.
void styleCell(Korvane& form, const QString& candidates, const QString& mark, double fontSize)
{
    const int cell = 30;
    form.Text1[cell].Text = mark.isEmpty() ? candidates : mark;
    form.candidates[cell] = candidates;
    form.Text1[cell].FontSize = fontSize;
    form.Text1[cell].ForeColor = Colors::HiddenSingle;
}

}  // namespace

class TestElimination : public QObject {
    Q_OBJECT

private slots:
    void shrink_data();
    void shrink();
    void nothingToRemove_data();
    void nothingToRemove();
    void shrinkToOneChecksConflict_data();
    void shrinkToOneChecksConflict();
    void guards_data();
    void guards();
    void sweepsGoOnAfterConflict();
};

void TestElimination::shrink_data()
{
    QTest::addColumn<QString>("candidates");
    QTest::addColumn<QString>("mark");  // the text shown instead of the candidates, if any
    QTest::addColumn<int>("sizeBefore");
    QTest::addColumn<QString>("digit");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("expectedSize");

    // clang-format off
    QTest::newRow("9 -> 8 keeps 11pt")  << "123456789" << ""  << 11 << "5" << "12346789" << 11;
    QTest::newRow("8 -> 7 keeps 11pt")  << "12346789"  << ""  << 11 << "1" << "2346789"  << 11;
    QTest::newRow("7 -> 6 turns 14pt")  << "1234569"   << ""  << 11 << "9" << "123456"   << 14;
    QTest::newRow("2 -> 1 turns 28pt")  << "12"        << ""  << 14 << "1" << "2"        << 28;
    QTest::newRow("1 -> 0 empty, 14pt") << "5"         << ""  << 28 << "5" << ""         << 14;
    QTest::newRow("first of two 5s")    << "1525"      << ""  << 14 << "5" << "125"      << 14;
    QTest::newRow("mark, 3 -> 2")       << "234"       << "2" << 28 << "4" << "23"       << 14;
    QTest::newRow("mark, 8 -> 7")       << "12345678"  << "4" << 28 << "8" << "1234567"  << 28;
    // clang-format on
}

void TestElimination::shrink()
{
    QFETCH(QString, candidates);
    QFETCH(QString, mark);
    QFETCH(int, sizeBefore);
    QFETCH(QString, digit);
    QFETCH(QString, expectedText);
    QFETCH(int, expectedSize);

    // Only a cell left with one candidate turns black; the others keep their colour.
    Fixture f;
    styleCell(f.form, candidates, mark, sizeBefore);
    f.form.selectedValue = digit;
    const quint32 expectedColour = expectedText.size() == 1 ? Colors::Black : Colors::HiddenSingle;

    f.form.RemoveCandidate(30);

    QCOMPARE(f.form.Text1[30].Text, expectedText);
    QCOMPARE(f.form.candidates[30], expectedText);
    QCOMPARE(f.form.Text1[30].FontSize, double(expectedSize));
    QCOMPARE(f.form.Text1[30].ForeColor, expectedColour);
    QCOMPARE(f.form.decided[30], 0);
    QVERIFY(f.port.calls.isEmpty());
}

void TestElimination::nothingToRemove_data()
{
    QTest::addColumn<QString>("candidates");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<int>("decided");
    QTest::addColumn<QString>("digit");

    // clang-format off
    QTest::newRow("digit absent, odd size kept")     << "1234"  << ""  << 11 << 0 << "5";
    QTest::newRow("digit absent from a marked cell") << "1234"  << "3" << 28 << 0 << "5";
    QTest::newRow("decided cell")                    << "5"     << ""  << 28 << 1 << "5";
    QTest::newRow("decided cell, longer candidates") << "12345" << "5" << 28 << 1 << "5";
    QTest::newRow("partial-undo code 10")            << "1101"  << ""  << 14 << 0 << "10";
    QTest::newRow("correction code 11")              << "1101"  << ""  << 14 << 0 << "11";
    // clang-format on
}

void TestElimination::nothingToRemove()
{
    QFETCH(QString, candidates);
    QFETCH(QString, mark);
    QFETCH(int, fontSize);
    QFETCH(int, decided);
    QFETCH(QString, digit);

    Fixture f;
    styleCell(f.form, candidates, mark, fontSize);
    f.form.decided[30] = decided;
    f.form.selectedValue = digit;
    const QString before = boardState(f.form);

    f.form.RemoveCandidate(30);

    QCOMPARE(boardState(f.form), before);
    QVERIFY(f.port.calls.isEmpty());
}

void TestElimination::shrinkToOneChecksConflict_data()
{
    QTest::addColumn<QString>("candidates");
    QTest::addColumn<QString>("digit");
    QTest::addColumn<int>("otherCell");
    QTest::addColumn<QString>("otherText");
    QTest::addColumn<QString>("clash");  // the duplicate reported, if any

    // clang-format off
    QTest::newRow("one left, same digit in the row") << "12" << "1" << 8  << "2" << "2";
    QTest::newRow("one left, same digit in the box") << "34" << "3" << 20 << "4" << "4";
    QTest::newRow("one left, no duplicate")          << "12" << "1" << 8  << "1" << "";
    QTest::newRow("none left, beside an empty cell") << "5"  << "5" << 1  << ""  << "";
    // clang-format on
}

void TestElimination::shrinkToOneChecksConflict()
{
    QFETCH(QString, candidates);
    QFETCH(QString, digit);
    QFETCH(int, otherCell);
    QFETCH(QString, otherText);
    QFETCH(QString, clash);

    Fixture f;
    setCandidates(f.form, 0, candidates);
    setCandidates(f.form, otherCell, otherText);
    f.form.decided[otherCell] = otherText.isEmpty() ? 0 : 1;
    f.form.selectedValue = digit;

    f.form.RemoveCandidate(0);

    QCOMPARE(f.port.prompts(),
             clash.isEmpty() ? QStringList{} : QStringList{ConflictPrompt + clash});
    QCOMPARE(f.form.conflictFlag, clash.isEmpty() ? 0 : 1);
}

void TestElimination::guards_data()
{
    QTest::addColumn<int>("autoEliminate");
    QTest::addColumn<int>("conflictFlag");
    QTest::addColumn<bool>("changes");

    QTest::newRow("on, no conflict") << 1 << 0 << true;
    QTest::newRow("automatic elimination off") << 0 << 0 << false;
    QTest::newRow("conflict pending") << 1 << 1 << false;
}

void TestElimination::guards()
{
    QFETCH(int, autoEliminate);
    QFETCH(int, conflictFlag);
    QFETCH(bool, changes);

    Fixture f;
    placeDecided(f.form, QString(40, u'.') + u'5');
    setCandidates(f.form, 41, QStringLiteral("25"));  // would shrink to one
    f.form.autoEliminate = autoEliminate;
    f.form.conflictFlag = conflictFlag;
    f.form.selectedValue = QStringLiteral("5");
    const QString before = boardState(f.form);

    f.form.EliminateFromPeers(40);

    QCOMPARE(boardState(f.form) != before, changes);
    QCOMPARE(f.form.Text1[41].Text, changes ? QStringLiteral("2") : QStringLiteral("25"));
    QCOMPARE(f.form.conflictFlag, conflictFlag);
}

// Decided 5 in cell 0. Its row sweep brings cell 3 down to a 3 that clashes
// with cell 30; its box sweep, walked column by column, reaches cell 19 (down
// to a clashing 7) before cell 11 (down to a clashing 8). Every clash is
// reported and every sweep still runs to its end.
void TestElimination::sweepsGoOnAfterConflict()
{
    Fixture f;
    placeDecided(f.form, QStringLiteral("5........"
                                        "........8"
                                        "........7"
                                        "...3....."));
    setCandidates(f.form, 3, QStringLiteral("35"));
    setCandidates(f.form, 11, QStringLiteral("58"));
    setCandidates(f.form, 19, QStringLiteral("57"));
    f.form.autoEliminate = 1;
    f.form.selectedValue = QStringLiteral("5");

    f.form.EliminateFromPeers(0);

    QCOMPARE(f.port.prompts(),
             (QStringList{ConflictPrompt + "3", ConflictPrompt + "7", ConflictPrompt + "8"}));
    QCOMPARE(f.form.conflictFlag, 1);
    for (int cell : {9, 45, 72, 20})  // column and box sweeps after the first clash
        QCOMPARE(f.form.candidates[cell], QStringLiteral("12346789"));
}

QTEST_GUILESS_MAIN(TestElimination)
#include "tst_elimination.moc"
