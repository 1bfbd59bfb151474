// The single-number display: entering it, striking a digit from cells while
// it is shown, and the return to the full display.
#include <QTest>

#include "testsupport.h"

namespace {

const QString singleMessage =
    QStringLiteral("単数表示されています\u3000戻すには「全数表示」をクリックして下さい");
const QString usage =
    QStringLiteral("使用方法：右側枠の数字を選択し挿入したい場所をクリックします");

void showSingle(Korvane& k, int paletteIndex)
{
    k.Text2_click(paletteIndex);
    k.Text7_MouseDown(1, 0, 12, 7);
    k.Text7_Click();
}

// Cell 30 gets `text` (decided, or with `fore`), its font size spoilt so that
// only what the handlers write shows.
void prepareCell(Korvane& k, const QString& text, bool decided, quint32 fore)
{
    if (decided)
        placeDecided(k, QString(30, u'.') + text);
    else
        setCandidates(k, 30, text);
    k.Text1[30].ForeColor = fore;
    k.Text1[30].FontSize = 20;
}

}  // namespace

class TestSingleView : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void noDigitChosen_data();
    void noDigitChosen();
    void strikeAndReturn_data();
    void strikeAndReturn();
    void returnMarksHiddenSingles();
};

void TestSingleView::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("decided");
    QTest::addColumn<quint32>("fore");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("shownSize");
    QTest::addColumn<double>("backSize");  // after the return, by the text's length

    const quint32 black = Colors::Black, red = Colors::DecidedDigit;
    QTest::newRow("decided 5") << "5" << true << red << "5" << 28.0 << 28.0;
    QTest::newRow("full candidates") << "123456789" << false << black << "5" << 28.0 << 11.0;
    QTest::newRow("hidden-single mark 5")
        << "5" << false << Colors::HiddenSingle << "5" << 28.0 << 28.0;
    QTest::newRow("5 on the second line (6 chars)")
        << "12\r\n56" << false << black << "5" << 28.0 << 14.0;
    QTest::newRow("seven without 5") << "1234678" << false << black << " " << 20.0 << 11.0;
    QTest::newRow("two without 5") << "12" << false << black << " " << 20.0 << 14.0;
    QTest::newRow("decided 3") << "3" << true << red << " " << 20.0 << 28.0;
    QTest::newRow("typed blank") << " " << false << black << " " << 20.0 << 28.0;
    QTest::newRow("empty text stays empty") << "" << false << black << "" << 20.0 << 14.0;
}

void TestSingleView::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(bool, decided);
    QFETCH(quint32, fore);
    QFETCH(QString, shown);
    QFETCH(double, shownSize);
    QFETCH(double, backSize);

    Fixture f;
    Korvane& k = f.form;
    prepareCell(k, text, decided, fore);
    const QString before = boardTexts(k);

    showSingle(k, 4);

    QCOMPARE(k.singleView, 1);
    QCOMPARE(k.Text3.Text, singleMessage);
    QCOMPARE(k.Text1[30].Text, shown);
    QCOMPARE(k.Text1[30].FontSize, shownSize);
    QCOMPARE(k.Text1[30].ForeColor, fore);
    QCOMPARE(k.Text1[31].Text, QStringLiteral("5"));
    QStringList stash;
    for (int i = 0; i < Korvane::CellCount; ++i)
        stash.append(k.stashedText[i]);
    QCOMPARE(stash.join(u'|'), before);
    QCOMPARE(invariantViolation(k), QString());

    k.Text8_Click();

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.singleView, 0);
    QCOMPARE(boardTexts(k), before);
    QCOMPARE(k.Text1[30].FontSize, backSize);
    QCOMPARE(k.Text1[30].ForeColor, fore);
    QCOMPARE(k.Text1[31].FontSize, 11.0);
    QCOMPARE(k.Text3.Text, usage);
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(invariantViolation(k), QString());
}

void TestSingleView::noDigitChosen_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("correction") << 10;
    QTest::newRow("partial undo") << 9;
}

void TestSingleView::noDigitChosen()
{
    QFETCH(int, index);

    Fixture f;
    Korvane& k = f.form;
    setCandidates(k, 30, QStringLiteral("57"));
    k.Text2_click(index);
    const QString before = formState(k);

    k.Text7_MouseDown(2, 1, 0, 0);
    k.Text7_Click();

    QCOMPARE(f.port.prompts(), QStringList{QStringLiteral("表示する数値を選択して下さい")});
    QCOMPARE(f.port.calls.first().buttons, 0);
    QCOMPARE(k.singleView, 0);
    QCOMPARE(k.stashedText[30], QStringLiteral("57"));  // the mouse-down did stash
    for (int i = 0; i < Korvane::CellCount; ++i)
        k.stashedText[i].clear();
    QCOMPARE(formState(k), before);
}

void TestSingleView::strikeAndReturn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("candidates");
    QTest::addColumn<bool>("decided");
    QTest::addColumn<quint32>("fore");
    QTest::addColumn<QString>("after");  // candidates and returned text
    QTest::addColumn<double>("size");
    QTest::addColumn<quint32>("foreAfter");

    const quint32 black = Colors::Black;
    QTest::newRow("5 struck") << "12356"
                              << "12356" << false << black << "1236" << 14.0 << black;
    QTest::newRow("one candidate left")
        << "57"
        << "57" << false << Colors::HiddenSingle << "7" << 28.0 << black;
    QTest::newRow("5 not there") << "1234"
                                 << "1234" << false << black << "1234" << 14.0 << black;
    QTest::newRow("decided 5 kept")
        << "5"
        << "5" << true << Colors::DecidedDigit << "5" << 28.0 << Colors::DecidedDigit;
    QTest::newRow("mark 3 over candidates with 5")
        << "3"
        << "13589" << false << Colors::HiddenSingle << "1389" << 14.0 << Colors::HiddenSingle;
}

void TestSingleView::strikeAndReturn()
{
    QFETCH(QString, text);
    QFETCH(QString, candidates);
    QFETCH(bool, decided);
    QFETCH(quint32, fore);
    QFETCH(QString, after);
    QFETCH(double, size);
    QFETCH(quint32, foreAfter);

    Fixture f;
    Korvane& k = f.form;
    prepareCell(k, text, decided, fore);
    k.candidates[30] = candidates;
    showSingle(k, 4);

    k.Text1_click(30);

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.Text1[30].Text, QString());
    QCOMPARE(k.candidates[30], after);
    QCOMPARE(k.stashedText[30], after);
    QCOMPARE(k.decided[30], decided ? 1 : 0);
    QCOMPARE(k.restorePending, 1);
    QCOMPARE(k.singleView, 1);
    QCOMPARE(invariantViolation(k), QString());

    k.Text8_Click();

    QCOMPARE(k.singleView, 0);
    QCOMPARE(k.Text1[30].Text, after);
    QCOMPARE(k.Text1[30].FontSize, size);
    QCOMPARE(k.Text1[30].ForeColor, foreAfter);
    QCOMPARE(k.restorePending, 1);  // the strike can still be thrown away
    QCOMPARE(invariantViolation(k), QString());
}

// Striking 5 from every cell of row 0 but the last leaves it one place there,
// which the return to the full display marks.
void TestSingleView::returnMarksHiddenSingles()
{
    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();
    showSingle(k, 4);
    for (int c = 0; c < 8; ++c)
        k.Text1_click(c);

    k.Text8_Click();

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.Text1[8].Text, QStringLiteral("5"));
    QCOMPARE(k.Text1[8].ForeColor, Colors::HiddenSingle);
    QCOMPARE(k.candidates[8], QStringLiteral("123456789"));
    QCOMPARE(k.Text1[7].Text, QStringLiteral("12346789"));
    QCOMPARE(k.decided[8], 0);
}

QTEST_GUILESS_MAIN(TestSingleView)
#include "tst_single_view.moc"
