// Typing into a cell: the text becomes the candidate string, the size follows
// its length, a single character is checked for duplicates and the restore
// offer appears.
#include <QTest>

#include "testsupport.h"

class TestTypedEdits : public QObject {
    Q_OBJECT

private slots:
    void edit_data();
    void edit();
    void duplicate_data();
    void duplicate();
    void editRevealsHiddenSingle();
    void fullWidthDigitsAreDigits_data();
    void fullWidthDigitsAreDigits();
};

void TestTypedEdits::edit_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("decided");
    QTest::addColumn<quint32>("fore");

    const quint32 black = Colors::Black;
    QTest::newRow("everything deleted") << "123456789"
                                        << "" << 14.0 << 0 << black;
    QTest::newRow("one digit") << "123456789"
                               << "4" << 28.0 << 0 << black;
    QTest::newRow("six digits") << "4"
                                << "123456" << 14.0 << 0 << black;
    QTest::newRow("seven digits") << "4"
                                  << "1234567" << 11.0 << 0 << black;
    QTest::newRow("4 digits + line break = 6") << "4"
                                               << "12\r\n34" << 14.0 << 0 << black;
    QTest::newRow("5 digits + line break = 7") << "4"
                                               << "123\r\n45" << 11.0 << 0 << black;
    QTest::newRow("one non-digit") << "123456789"
                                   << "x" << 28.0 << 0 << black;
    QTest::newRow("arrow key, text unchanged") << "1234"
                                               << "1234" << 14.0 << 0 << black;
    QTest::newRow("decided cell stays decided and red")
        << "4"
        << "46" << 14.0 << 1 << Colors::DecidedDigit;
    QTest::newRow("hidden-single colour kept") << "4"
                                               << "3" << 28.0 << 0 << Colors::HiddenSingle;
}

void TestTypedEdits::edit()
{
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(double, size);
    QFETCH(int, decided);
    QFETCH(quint32, fore);

    const int cell = 30;
    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();
    setCandidates(k, cell, start);
    k.decided[cell] = decided;
    k.Text1[cell].ForeColor = fore;
    k.Text2_click(6);
    k.Text1[cell].FontSize = 0;  // whatever the handler writes shows

    k.Text1[cell].Text = typed;
    k.Text1_KeyUp(cell, 0, 0);

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.candidates[cell], typed);
    QCOMPARE(k.Text1[cell].Text, typed);
    QCOMPARE(k.Text1[cell].FontSize, size);
    QCOMPARE(k.decided[cell], decided);
    QCOMPARE(k.Text1[cell].ForeColor, fore);
    QCOMPARE(k.selectedValue, QStringLiteral("7"));
    QCOMPARE(k.restorePending, 1);
    QCOMPARE(invariantViolation(k), QString());

    // A second key release leaves the restore offer standing.
    k.Text1_KeyUp(cell, 0, 0);
    QCOMPARE(k.restorePending, 1);
    QCOMPARE(invariantViolation(k), QString());
}

void TestTypedEdits::duplicate_data()
{
    QTest::addColumn<QString>("other");  // shown in `at` beforehand
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("diagonal");
    QTest::addColumn<QString>("prompt");

    const QString five = QStringLiteral("同じ数あり =5");
    QTest::newRow("5 in the row of a decided 5") << "5" << 0 << 4 << "5" << false << five;
    QTest::newRow("5 in the column of a decided 5") << "5" << 0 << 36 << "5" << false << five;
    QTest::newRow("5 in the box of a decided 5") << "5" << 0 << 20 << "5" << false << five;
    QTest::newRow("5 on the diagonal, normal type") << "5" << 0 << 80 << "5" << false << QString();
    QTest::newRow("5 on the diagonal, diagonal type") << "5" << 0 << 80 << "5" << true << five;
    QTest::newRow("5 elsewhere") << "5" << 0 << 50 << "5" << false << QString();
    QTest::newRow("x twice in a row")
        << "x" << 1 << 7 << "x" << false << QStringLiteral("同じ数あり =x");
    QTest::newRow("two characters are never checked")
        << "5" << 0 << 4 << "5 " << false << QString();
}

void TestTypedEdits::duplicate()
{
    QFETCH(QString, other);
    QFETCH(int, at);
    QFETCH(int, cell);
    QFETCH(QString, typed);
    QFETCH(bool, diagonal);
    QFETCH(QString, prompt);

    Fixture f;
    Korvane& k = f.form;
    if (diagonal)
        k.Text4_click();
    placeDecided(k, QString(at, u'.') + other);

    k.Text1[cell].Text = typed;
    k.Text1_KeyUp(cell, 0, 0);

    QCOMPARE(f.port.prompts(), prompt.isEmpty() ? QStringList() : QStringList{prompt});
    QCOMPARE(k.conflictFlag, prompt.isEmpty() ? 0 : 1);
    QCOMPARE(k.Text1[cell].Text, typed);  // the mark is gone again
    QCOMPARE(k.candidates[cell], typed);
    QCOMPARE(k.decided[cell], 0);
    QCOMPARE(k.restorePending, 1);  // offered even after a conflict
    QCOMPARE(invariantViolation(k), QString());
}

// With automatic elimination on, an edit that leaves a digit one place in a
// unit gets that place marked at once.
void TestTypedEdits::editRevealsHiddenSingle()
{
    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();
    for (int c = 0; c < 8; ++c)
        setCandidates(k, c, QStringLiteral("12345689"));

    k.Text1[8].Text = QStringLiteral("78");
    k.Text1_KeyUp(8, 0, 0);

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.Text1[8].Text, QStringLiteral("7"));
    QCOMPARE(k.Text1[8].ForeColor, Colors::HiddenSingle);
    QCOMPARE(k.Text1[8].FontSize, 28.0);
    QCOMPARE(k.candidates[8], QStringLiteral("78"));
    QCOMPARE(k.decided[8], 0);
}

// An input method types "５" for 5. Typed into cell 4, next to a decided 5 in
// cell 0 and with automatic elimination on, it must count as the digit.
void TestTypedEdits::fullWidthDigitsAreDigits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("prompt");

    const QString none;
    QTest::newRow("５ is a 5 and clashes with the 5 in its row") << "５"
                                                                 << "5" << 28.0 << "同じ数あり =5";
    QTest::newRow("７ alone is a 7") << "７"
                                     << "7" << 28.0 << none;
    QTest::newRow("１２３ is three digits") << "１２３"
                                            << "123" << 14.0 << none;
    QTest::newRow("full-width and ASCII mixed, seven long") << "１2３4５6９"
                                                            << "1234569" << 11.0 << none;
    QTest::newRow("over two lines") << "１２\r\n３"
                                    << "12\r\n3" << 14.0 << none;
    QTest::newRow("full-width zero stays") << "０"
                                           << "０" << 28.0 << none;
    QTest::newRow("full-width letter stays") << "ａ"
                                             << "ａ" << 28.0 << none;
    QTest::newRow("ideographic space stays") << "　"
                                             << "　" << 28.0 << none;
    QTest::newRow("the conflict mark stays") << "＊"
                                             << "＊" << 28.0 << none;
}

void TestTypedEdits::fullWidthDigitsAreDigits()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(double, size);
    QFETCH(QString, prompt);

    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();
    k.Text2_click(4);
    k.Text1_click(0);  // a decided 5, taken out of cell 4's candidates

    k.Text1[4].Text = typed;
    k.Text1_KeyUp(4, 229, 0);

    QCOMPARE(k.Text1[4].Text, stored);
    QCOMPARE(k.candidates[4], stored);
    QCOMPARE(k.Text1[4].FontSize, size);
    QCOMPARE(f.port.prompts(), prompt.isEmpty() ? QStringList() : QStringList{prompt});
    QCOMPARE(k.restorePending, 1);
}

QTEST_GUILESS_MAIN(TestTypedEdits)
#include "tst_typed_edits.moc"
