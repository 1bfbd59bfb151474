// The digit palette and the cell click: what the selection becomes, when the
// palette refuses, and what a click on a cell places, takes back or refuses.
#include <QTest>

#include "testsupport.h"

namespace {

const QString full = QStringLiteral("123456789");

QString without(QString text, QChar digit)
{
    text.remove(text.indexOf(digit), 1);
    return text;
}

}  // namespace

class TestPaletteCells : public QObject {
    Q_OBJECT

private slots:
    void selection_data();
    void selection();
    void gate_data();
    void gate();
    void refusals_data();
    void refusals();
    void placement_data();
    void placement();
    void partialUndo_data();
    void partialUndo();
};

void TestPaletteCells::selection_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("value");

    QTest::newRow("1 from correction") << -1 << 0 << "1";
    QTest::newRow("9 after 3") << 2 << 8 << "9";
    QTest::newRow("partial undo after 5") << 4 << 9 << "10";
    QTest::newRow("correction after partial undo") << 9 << 10 << "11";
    QTest::newRow("same digit twice stays selected") << 6 << 6 << "7";
}

void TestPaletteCells::selection()
{
    QFETCH(int, first);
    QFETCH(int, index);
    QFETCH(QString, value);

    Fixture f;
    if (first >= 0)
        f.form.Text2_click(first);
    f.form.Text2_click(index);

    QCOMPARE(f.form.selectedValue, value);
    QCOMPARE(f.form.Text2[index].BackColor, Colors::Active);
    QCOMPARE(invariantViolation(f.form), QString());
}

void TestPaletteCells::gate_data()
{
    QTest::addColumn<bool>("single");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("conflictAfter");
    QTest::addColumn<QString>("value");

    // Digit 3 is chosen beforehand; a conflict is pending in every row.
    QTest::newRow("digit ignored") << false << 4 << 1 << "3";
    QTest::newRow("correction ignored") << false << 10 << 1 << "3";
    QTest::newRow("partial undo clears and selects") << false << 9 << 0 << "10";
    QTest::newRow("single view: digit ignored") << true << 4 << 1 << "3";
    QTest::newRow("single view: partial undo clears only") << true << 9 << 0 << "3";
}

void TestPaletteCells::gate()
{
    QFETCH(bool, single);
    QFETCH(int, index);
    QFETCH(int, conflictAfter);
    QFETCH(QString, value);

    Fixture f;
    Korvane& k = f.form;
    k.Text2_click(2);
    if (single) {
        k.Text7_MouseDown(1, 0, 0, 0);
        k.Text7_Click();
    }
    k.conflictFlag = 1;
    const QString before = formState(k);

    k.Text2_click(index);

    QCOMPARE(k.conflictFlag, conflictAfter);
    QCOMPARE(k.selectedValue, value);
    QCOMPARE(invariantViolation(k), QString());
    if (value == u"3") {
        k.conflictFlag = 1;
        QCOMPARE(formState(k), before);
    }
    QCOMPARE(f.port.calls.size(), 0);
}

void TestPaletteCells::refusals_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("prompt");

    // Cell 0 holds a decided 5, cell 10 the typed text "57", cell 20 a
    // hidden-single mark 5 over the candidates "156", cell 30 nothing.
    const QString notDecided = QStringLiteral("まだ決定していません");
    const QString decided = QStringLiteral("決定済みです");
    QTest::newRow("partial undo on an open cell") << 9 << 40 << notDecided;
    QTest::newRow("partial undo on a hidden-single mark") << 9 << 20 << notDecided;
    QTest::newRow("same digit on a decided cell") << 4 << 0 << decided;
    QTest::newRow("other digit on a decided cell") << 5 << 0 << decided;
    QTest::newRow("6 on typed 57") << 5 << 10 << QStringLiteral("この位置に 6 は入りません");
    QTest::newRow("6 on a mark 5 whose candidates hold 6")
        << 5 << 20 << QStringLiteral("この位置に 6 は入りません");
    QTest::newRow("1 on an empty cell") << 0 << 30 << QStringLiteral("この位置に 1 は入りません");
}

void TestPaletteCells::refusals()
{
    QFETCH(int, index);
    QFETCH(int, cell);
    QFETCH(QString, prompt);

    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();
    placeDecided(k, QStringLiteral("5"));
    setCandidates(k, 10, QStringLiteral("57"));
    setCandidates(k, 20, QStringLiteral("156"));
    k.Text1[20].Text = QStringLiteral("5");
    k.Text1[20].FontSize = 28;
    k.Text1[20].ForeColor = Colors::HiddenSingle;
    setCandidates(k, 30, QString());
    k.Text2_click(index);
    const QString before = formState(k);

    k.Text1_click(cell);

    QCOMPARE(f.port.prompts(), QStringList{prompt});
    QCOMPARE(f.port.calls.first().buttons, 0);
    QCOMPARE(formState(k), before);
}

void TestPaletteCells::placement_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("text");  // the cell's text beforehand
    QTest::addColumn<bool>("autoOn");
    QTest::addColumn<bool>("restoreBefore");

    QTest::newRow("5 into a full cell, auto off") << 4 << 40 << full << false << false;
    QTest::newRow("5 into a full cell, auto on") << 4 << 40 << full << true << false;
    QTest::newRow("5 into a corner, auto on") << 4 << 80 << full << true << false;
    QTest::newRow("5 into typed 57") << 4 << 12 << "57" << false << false;
    QTest::newRow("7 into typed 57, auto on") << 6 << 12 << "57" << true << false;
    QTest::newRow("placement withdraws the restore offer") << 0 << 3 << full << false << true;
}

void TestPaletteCells::placement()
{
    QFETCH(int, index);
    QFETCH(int, cell);
    QFETCH(QString, text);
    QFETCH(bool, autoOn);
    QFETCH(bool, restoreBefore);

    Fixture f;
    Korvane& k = f.form;
    if (autoOn)
        k.Text6_Click();
    setCandidates(k, cell, text);
    if (restoreBefore)
        k.Text1_KeyUp(cell, 0, 0);
    k.Text2_click(index);
    const QString digit = QString::number(index + 1);
    QCOMPARE(k.restorePending, restoreBefore ? 1 : 0);

    k.Text1_click(cell);

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.decided[cell], 1);
    QCOMPARE(k.Text1[cell].Text, digit);
    QCOMPARE(k.candidates[cell], digit);
    QCOMPARE(k.Text1[cell].FontSize, 28.0);
    QCOMPARE(k.Text1[cell].ForeColor, Colors::DecidedDigit);
    QCOMPARE(k.selectedValue, digit);  // stays chosen for the next cell
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(invariantViolation(k), QString());
    for (int j = 0; j < Korvane::CellCount; ++j) {
        if (j == cell)
            continue;
        const bool peer = sharedUnits(cell, j, false) > 0;
        QCOMPARE(k.Text1[j].Text, autoOn && peer ? without(full, digit.at(0)) : full);
        QCOMPARE(k.decided[j], 0);
    }
}

void TestPaletteCells::partialUndo_data()
{
    QTest::addColumn<QList<int>>("placed");  // cells given 5, 3, 8, ... in turn
    QTest::addColumn<int>("undone");

    QTest::newRow("the only decided cell") << QList<int>{40} << 40;
    QTest::newRow("first of two") << QList<int>{0, 40} << 0;
    QTest::newRow("middle of three") << QList<int>{0, 40, 80} << 40;
}

// Taking a digit back must leave the board as if it had never been placed.
void TestPaletteCells::partialUndo()
{
    QFETCH(QList<int>, placed);
    QFETCH(int, undone);

    const int digits[] = {4, 2, 7};
    Fixture f, reference;
    for (Fixture* x : {&f, &reference}) {
        x->form.Text6_Click();
        for (int n = 0; n < placed.size(); ++n) {
            if (x == &reference && placed[n] == undone)
                continue;
            x->form.Text2_click(digits[n]);
            x->form.Text1_click(placed[n]);
        }
    }
    Korvane& k = f.form;
    k.Text1[50].Text = QStringLiteral("12");
    k.Text1_KeyUp(50, 0, 0);
    k.Text2_click(9);

    k.Text1_click(undone);

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(boardState(k), boardState(reference.form));
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(k.restorePending, 1);  // the offer to restore stays
    QCOMPARE(invariantViolation(k), QString());
}

QTEST_GUILESS_MAIN(TestPaletteCells)
#include "tst_palette_cells.moc"
