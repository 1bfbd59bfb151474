// The palette and the cells: what the selection becomes and when the palette
// refuses, what a click on a cell places, takes back or refuses, what typing
// into a cell does, and the single-number display with its strikes.
#include <QTest>

#include "puzzles.h"
#include "testsupport.h"

namespace {

const QString SingleMessage =
    QStringLiteral("単数表示されています\u3000戻すには「全数表示」をクリックして下さい");

// Cell 30 gets `text`, decided or not and in `fore`, its font size spoilt so
// that only what the handlers write shows.
void prepareCell(Korvane& k, const QString& text, int decided, quint32 fore)
{
    setCandidates(k, 30, text);
    k.decided[30] = decided;
    k.Text1[30].ForeColor = fore;
    k.Text1[30].FontSize = 20;
}

void showSingle(Korvane& k, int paletteIndex)
{
    k.Text2_click(paletteIndex);
    clickSingleNumber(k);
}

}  // namespace

Q_DECLARE_METATYPE(Setup)

class TestCells : public QObject {
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

    void typedEdit_data();
    void typedEdit();

    void singleViewRoundTrip_data();
    void singleViewRoundTrip();
    void strikeAndReturn_data();
    void strikeAndReturn();
    void hiddenSingleRevealed_data();
    void hiddenSingleRevealed();
};

// ---- the palette ----

void TestCells::selection_data()
{
    QTest::addColumn<QList<int>>("before");  // palette buttons clicked first
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("value");

    QTest::newRow("1 from correction") << QList<int>{} << 0 << "1";
    QTest::newRow("9 after 3") << QList<int>{2} << 8 << "9";
    QTest::newRow("partial undo after 5") << QList<int>{4} << 9 << "10";
    QTest::newRow("correction after partial undo") << QList<int>{9} << 10 << "11";
    QTest::newRow("same digit twice stays selected") << QList<int>{6} << 6 << "7";
}

void TestCells::selection()
{
    QFETCH(QList<int>, before);
    QFETCH(int, index);
    QFETCH(QString, value);

    Fixture f;
    for (int first : before)
        f.form.Text2_click(first);
    f.form.Text2_click(index);

    QCOMPARE(f.form.selectedValue, value);
    QCOMPARE(f.form.Text2[index].BackColor, Colors::Active);
    QCOMPARE(invariantViolation(f.form), QString());
}

// While a conflict is pending only partial undo gets through; it clears the
// conflict and, outside the single-number display, is selected.
void TestCells::gate_data()
{
    QTest::addColumn<Setup>("scene");  // digit 3 is chosen before it
    QTest::addColumn<int>("index");
    QTest::addColumn<Setup>("changes");  // what the click changes

    const Setup normal = [](Korvane&) {};
    const Setup single = clickSingleNumber;
    const Setup nothing = [](Korvane&) {};
    const Setup cleared = [](Korvane& k) { k.conflictFlag = 0; };
    QTest::newRow("digit ignored") << normal << 4 << nothing;
    QTest::newRow("correction ignored") << normal << 10 << nothing;
    QTest::newRow("partial undo clears and selects") << normal << 9 << Setup([](Korvane& k) {
        k.conflictFlag = 0;
        k.selectedValue = QStringLiteral("10");
        k.Text2[2].BackColor = Colors::Idle;
        k.Text2[9].BackColor = Colors::Active;
    });
    QTest::newRow("single view: digit ignored") << single << 4 << nothing;
    QTest::newRow("single view: partial undo clears only") << single << 9 << cleared;
}

void TestCells::gate()
{
    QFETCH(Setup, scene);
    QFETCH(int, index);
    QFETCH(Setup, changes);

    Fixture f;
    Korvane& k = f.form;
    k.Text2_click(2);
    scene(k);
    k.conflictFlag = 1;
    Korvane expected = k;
    changes(expected);

    k.Text2_click(index);

    QCOMPARE(formState(k), formState(expected));
    QCOMPARE(invariantViolation(k), QString());
    QCOMPARE(f.port.calls.size(), 0);
}

// ---- clicks on cells and on the single-number display ----

// A click that is refused, with a message or silently, and changes nothing,
// but for the stash the press on the single-number display always takes.
void TestCells::refusals_data()
{
    QTest::addColumn<int>("index");  // the palette button chosen first
    QTest::addColumn<Setup>("click");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<Setup>("changes");

    // Cell 0 holds a decided 5, cell 10 the typed text "57", cell 20 a
    // hidden-single mark 5 over the candidates "156", cell 30 nothing.
    const auto cell = [](int index) { return Setup([=](Korvane& k) { k.Text1_click(index); }); };
    const QString notDecided = QStringLiteral("まだ決定していません");
    const QString decided = QStringLiteral("決定済みです");
    const QString no6 = QStringLiteral("この位置に 6 は入りません");
    const Setup nothing = [](Korvane&) {};
    QTest::newRow("partial undo on an open cell") << 9 << cell(40) << notDecided << nothing;
    QTest::newRow("partial undo on a hidden-single mark") << 9 << cell(20) << notDecided << nothing;
    QTest::newRow("same digit on a decided cell") << 4 << cell(0) << decided << nothing;
    QTest::newRow("other digit on a decided cell") << 5 << cell(0) << decided << nothing;
    QTest::newRow("6 on typed 57") << 5 << cell(10) << no6 << nothing;
    QTest::newRow("6 on a mark 5 whose candidates hold 6") << 5 << cell(20) << no6 << nothing;
    QTest::newRow("1 on an empty cell")
        << 0 << cell(30) << QStringLiteral("この位置に 1 は入りません") << nothing;
    // Correction, the resting choice, leaves clicks on cells to typing.
    QTest::newRow("correction: a click on an open cell, silently")
        << 10 << cell(40) << "" << nothing;
    QTest::newRow("correction: a click on a decided cell, silently")
        << 10 << cell(0) << "" << nothing;

    const Setup singleNumber = [](Korvane& k) {
        k.Text7_MouseDown(2, 1, 0, 0);
        k.Text7_Click();
    };
    const Setup stashed = [](Korvane& k) {
        for (int i = 0; i < Korvane::CellCount; ++i)
            k.stashedText[i] = k.Text1[i].Text;
    };
    const QString noDigit = QStringLiteral("表示する数値を選択して下さい");
    QTest::newRow("single-number display with correction chosen")
        << 10 << singleNumber << noDigit << stashed;
    QTest::newRow("single-number display with partial undo chosen")
        << 9 << singleNumber << noDigit << stashed;
}

void TestCells::refusals()
{
    QFETCH(int, index);
    QFETCH(Setup, click);
    QFETCH(QString, prompt);
    QFETCH(Setup, changes);

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
    Korvane expected = k;
    changes(expected);

    click(k);

    QCOMPARE(f.port.prompts(), prompt.isEmpty() ? QStringList() : QStringList{prompt});
    for (const FakePort::Call& call : std::as_const(f.port.calls))
        QCOMPARE(call.buttons, MessagePort::OkOnly);
    QCOMPARE(formState(k), formState(expected));
}

void TestCells::placement_data()
{
    QTest::addColumn<Setup>("before");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("text");  // the cell's text beforehand

    const Setup autoOff = [](Korvane&) {};
    const Setup autoOn = [](Korvane& k) { k.Text6_Click(); };
    const QString full = FullCandidates;
    QTest::newRow("5 into a full cell, auto off") << autoOff << 4 << 40 << full;
    QTest::newRow("5 into a full cell, auto on") << autoOn << 4 << 40 << full;
    QTest::newRow("5 into a corner, auto on") << autoOn << 4 << 80 << full;
    QTest::newRow("5 into typed 57") << autoOff << 4 << 12 << "57";
    QTest::newRow("7 into typed 57, auto on") << autoOn << 6 << 12 << "57";
    QTest::newRow("placement withdraws the restore offer") << Setup([](Korvane& k) {
        k.Text1_KeyUp(3, 0, 0);
        QCOMPARE(k.restorePending, 1);
    }) << 0 << 3 << full;
}

void TestCells::placement()
{
    QFETCH(Setup, before);
    QFETCH(int, index);
    QFETCH(int, cell);
    QFETCH(QString, text);

    Fixture f;
    Korvane& k = f.form;
    before(k);
    setCandidates(k, cell, text);
    k.Text2_click(index);
    const QString digit = QString::number(index + 1);

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
    // With elimination on, the digit left the cell's peers, and only them.
    const QList<int> eliminated = k.autoEliminate == 1 ? QList<int>{cell} : QList<int>{};
    for (int j = 0; j < Korvane::CellCount; ++j) {
        if (j == cell)
            continue;
        QCOMPARE(k.Text1[j].Text, candidatesLeft(k, j, eliminated));
        QCOMPARE(k.decided[j], 0);
    }
}

void TestCells::partialUndo_data()
{
    QTest::addColumn<QString>("placed");
    QTest::addColumn<int>("undone");

    QTest::newRow("the only decided cell") << QString(40, u'.') + u'5' << 40;
    QTest::newRow("first of two") << u'5' + QString(39, u'.') + u'3' << 0;
    QTest::newRow("middle of three")
        << u'5' + QString(39, u'.') + u'3' + QString(39, u'.') + u'8' << 40;
}

// Taking a digit back must leave the board as if it had never been placed.
void TestCells::partialUndo()
{
    QFETCH(QString, placed);
    QFETCH(int, undone);

    QString neverPlaced = placed.leftJustified(Korvane::CellCount, u'.');
    neverPlaced[undone] = u'.';
    Fixture f, reference;
    Korvane& k = f.form;
    k.Text6_Click();
    puzzles::placeGivens(k, placed.leftJustified(Korvane::CellCount, u'.'));
    reference.form.Text6_Click();
    puzzles::placeGivens(reference.form, neverPlaced);
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

// ---- typing into a cell ----

// The text becomes the candidate string, with each full-width digit turned
// into its digit; the size follows its length; a single character is checked
// for duplicates; and the restore offer appears, to stay through a second key
// release. Decided state, colour and selection are left alone.
void TestCells::typedEdit_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");  // the text and candidates afterwards
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("prompt");

    // Cell 30 showing `start`, with automatic elimination on and 7 chosen.
    const auto cell30 = [](const QString& start, int decided, quint32 fore) {
        return Setup([=](Korvane& k) {
            k.Text6_Click();
            setCandidates(k, 30, start);
            k.decided[30] = decided;
            k.Text1[30].ForeColor = fore;
            k.Text2_click(6);
        });
    };
    const Setup full = cell30(FullCandidates, 0, Colors::Black);
    const Setup four = cell30(QStringLiteral("4"), 0, Colors::Black);
    const QString none;
    QTest::newRow("everything deleted") << full << 30 << ""
                                        << "" << 14.0 << none;
    QTest::newRow("one digit") << full << 30 << "4"
                               << "4" << 28.0 << none;
    QTest::newRow("six digits") << four << 30 << "123456"
                                << "123456" << 14.0 << none;
    QTest::newRow("seven digits") << four << 30 << "1234567"
                                  << "1234567" << 11.0 << none;
    QTest::newRow("4 digits + line break = 6") << four << 30 << "12\r\n34"
                                               << "12\r\n34" << 14.0 << none;
    QTest::newRow("5 digits + line break = 7") << four << 30 << "123\r\n45"
                                               << "123\r\n45" << 11.0 << none;
    QTest::newRow("one non-digit") << full << 30 << "x"
                                   << "x" << 28.0 << none;
    QTest::newRow("arrow key, text unchanged")
        << cell30(QStringLiteral("1234"), 0, Colors::Black) << 30 << "1234"
        << "1234" << 14.0 << none;
    QTest::newRow("decided cell stays decided and red")
        << cell30(QStringLiteral("4"), 1, Colors::DecidedDigit) << 30 << "46"
        << "46" << 14.0 << none;
    QTest::newRow("hidden-single colour kept")
        << cell30(QStringLiteral("4"), 0, Colors::HiddenSingle) << 30 << "3"
        << "3" << 28.0 << none;

    // A decided `digit` in cell `at`.
    const auto decidedAt = [](int at, const QString& digit) {
        return Setup([=](Korvane& k) { placeDecided(k, QString(at, u'.') + digit); });
    };
    const Setup five = decidedAt(0, QStringLiteral("5"));
    const QString clash5 = QStringLiteral("同じ数あり =5");
    QTest::newRow("5 in the row of a decided 5") << five << 4 << "5"
                                                 << "5" << 28.0 << clash5;
    QTest::newRow("5 in the column of a decided 5") << five << 36 << "5"
                                                    << "5" << 28.0 << clash5;
    QTest::newRow("5 in the box of a decided 5") << five << 20 << "5"
                                                 << "5" << 28.0 << clash5;
    QTest::newRow("5 on the diagonal, normal type") << five << 80 << "5"
                                                    << "5" << 28.0 << none;
    QTest::newRow("5 on the diagonal, diagonal type") << Setup([=](Korvane& k) {
        k.Text4_click();
        five(k);
    }) << 80 << "5"
                                                      << "5" << 28.0 << clash5;
    QTest::newRow("5 elsewhere") << five << 50 << "5"
                                 << "5" << 28.0 << none;
    QTest::newRow("x twice in a row") << decidedAt(1, QStringLiteral("x")) << 7 << "x"
                                      << "x" << 28.0 << QStringLiteral("同じ数あり =x");
    QTest::newRow("two characters are never checked") << five << 4 << "5 "
                                                      << "5 " << 14.0 << none;

    // An input method types "５" for 5. Typed into cell 4, next to a decided
    // 5 in cell 0 and with automatic elimination on, it counts as the digit.
    const Setup besideFive = [](Korvane& k) {
        k.Text6_Click();
        k.Text2_click(4);
        k.Text1_click(0);
    };
    QTest::newRow("５ is a 5 and clashes with the 5 in its row") << besideFive << 4 << "５"
                                                                 << "5" << 28.0 << clash5;
    QTest::newRow("７ alone is a 7") << besideFive << 4 << "７"
                                     << "7" << 28.0 << none;
    QTest::newRow("１２３ is three digits") << besideFive << 4 << "１２３"
                                            << "123" << 14.0 << none;
    QTest::newRow("full-width and ASCII mixed, seven long") << besideFive << 4 << "１2３4５6９"
                                                            << "1234569" << 11.0 << none;
    QTest::newRow("over two lines") << besideFive << 4 << "１２\r\n３"
                                    << "12\r\n3" << 14.0 << none;
    QTest::newRow("full-width zero stays") << besideFive << 4 << "０"
                                           << "０" << 28.0 << none;
    QTest::newRow("full-width letter stays") << besideFive << 4 << "ａ"
                                             << "ａ" << 28.0 << none;
    QTest::newRow("ideographic space stays") << besideFive << 4 << "　"
                                             << "　" << 28.0 << none;
    QTest::newRow("the conflict mark stays") << besideFive << 4 << "＊"
                                             << "＊" << 28.0 << none;
}

void TestCells::typedEdit()
{
    QFETCH(Setup, setup);
    QFETCH(int, cell);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(double, size);
    QFETCH(QString, prompt);

    Fixture f;
    Korvane& k = f.form;
    setup(k);
    const int decided = k.decided[cell];
    const quint32 fore = k.Text1[cell].ForeColor;
    const QString selected = k.selectedValue;
    k.Text1[cell].FontSize = 0;  // whatever the handler writes shows

    k.Text1[cell].Text = typed;
    k.Text1_KeyUp(cell, 229, 0);

    QCOMPARE(f.port.prompts(), prompt.isEmpty() ? QStringList() : QStringList{prompt});
    QCOMPARE(k.conflictFlag, prompt.isEmpty() ? 0 : 1);
    QCOMPARE(k.Text1[cell].Text, stored);  // a conflict mark is gone again
    QCOMPARE(k.candidates[cell], stored);
    QCOMPARE(k.Text1[cell].FontSize, size);
    QCOMPARE(k.decided[cell], decided);
    QCOMPARE(k.Text1[cell].ForeColor, fore);
    QCOMPARE(k.selectedValue, selected);
    QCOMPARE(k.restorePending, 1);  // offered even after a conflict
    QCOMPARE(invariantViolation(k), QString());

    k.Text1_KeyUp(cell, 0, 0);
    QCOMPARE(k.restorePending, 1);
    QCOMPARE(invariantViolation(k), QString());
}

// ---- the single-number display ----

void TestCells::singleViewRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decided");
    QTest::addColumn<quint32>("fore");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("shownSize");
    QTest::addColumn<double>("backSize");  // after the return, by the text's length

    const quint32 black = Colors::Black, red = Colors::DecidedDigit;
    QTest::newRow("decided 5") << "5" << 1 << red << "5" << 28.0 << 28.0;
    QTest::newRow("full candidates") << "123456789" << 0 << black << "5" << 28.0 << 11.0;
    QTest::newRow("hidden-single mark 5")
        << "5" << 0 << Colors::HiddenSingle << "5" << 28.0 << 28.0;
    QTest::newRow("5 on the second line (6 chars)")
        << "12\r\n56" << 0 << black << "5" << 28.0 << 14.0;
    QTest::newRow("seven without 5") << "1234678" << 0 << black << " " << 20.0 << 11.0;
    QTest::newRow("two without 5") << "12" << 0 << black << " " << 20.0 << 14.0;
    QTest::newRow("decided 3") << "3" << 1 << red << " " << 20.0 << 28.0;
    QTest::newRow("typed blank") << " " << 0 << black << " " << 20.0 << 28.0;
    QTest::newRow("empty text stays empty") << "" << 0 << black << "" << 20.0 << 14.0;
}

void TestCells::singleViewRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(int, decided);
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
    QCOMPARE(k.Text3.Text, SingleMessage);
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
    QCOMPARE(k.Text3.Text, UsageText);
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(invariantViolation(k), QString());
}

// A click on a cell in the single-number display strikes the digit on show
// from its candidates; the return to the full display shows the rest.
void TestCells::strikeAndReturn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("candidates");
    QTest::addColumn<int>("decided");
    QTest::addColumn<quint32>("fore");
    QTest::addColumn<QString>("after");  // candidates and returned text
    QTest::addColumn<double>("size");
    QTest::addColumn<quint32>("foreAfter");

    const quint32 black = Colors::Black, blue = Colors::HiddenSingle, red = Colors::DecidedDigit;
    QTest::newRow("5 struck") << "12356"
                              << "12356" << 0 << black << "1236" << 14.0 << black;
    QTest::newRow("one candidate left") << "57"
                                        << "57" << 0 << blue << "7" << 28.0 << black;
    QTest::newRow("5 not there") << "1234"
                                 << "1234" << 0 << black << "1234" << 14.0 << black;
    QTest::newRow("decided 5 kept") << "5"
                                    << "5" << 1 << red << "5" << 28.0 << red;
    QTest::newRow("mark 3 over candidates with 5")
        << "3"
        << "13589" << 0 << blue << "1389" << 14.0 << blue;
}

void TestCells::strikeAndReturn()
{
    QFETCH(QString, text);
    QFETCH(QString, candidates);
    QFETCH(int, decided);
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
    QCOMPARE(k.decided[30], decided);
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

// With automatic elimination on, a digit left one place in a unit gets that
// place marked at once: in row 0, cell 8 is left the only place of a digit
// by a typed edit, or by strikes in the single-number display and the return
// to the full display.
void TestCells::hiddenSingleRevealed_data()
{
    QTest::addColumn<Setup>("action");
    QTest::addColumn<QString>("mark");        // cell 8 afterwards
    QTest::addColumn<QString>("candidates");  // cell 8's, unchanged by the mark
    QTest::addColumn<QString>("besideMark");  // cell 7 afterwards

    QTest::newRow("a typed edit") << Setup([](Korvane& k) {
        for (int c = 0; c < 8; ++c)
            setCandidates(k, c, QStringLiteral("12345689"));
        k.Text1[8].Text = QStringLiteral("78");
        k.Text1_KeyUp(8, 0, 0);
    }) << "7"
                                  << "78"
                                  << "12345689";
    QTest::newRow("strikes, then the return to the full display") << Setup([](Korvane& k) {
        showSingle(k, 4);
        for (int c = 0; c < 8; ++c)
            k.Text1_click(c);
        k.Text8_Click();
    }) << "5"
                                                                  << "123456789"
                                                                  << "12346789";
}

void TestCells::hiddenSingleRevealed()
{
    QFETCH(Setup, action);
    QFETCH(QString, mark);
    QFETCH(QString, candidates);
    QFETCH(QString, besideMark);

    Fixture f;
    Korvane& k = f.form;
    k.Text6_Click();

    action(k);

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.Text1[8].Text, mark);
    QCOMPARE(k.Text1[8].ForeColor, Colors::HiddenSingle);
    QCOMPARE(k.Text1[8].FontSize, 28.0);
    QCOMPARE(k.candidates[8], candidates);
    QCOMPARE(k.decided[8], 0);
    QCOMPARE(k.Text1[7].Text, besideMark);
}

QTEST_GUILESS_MAIN(TestCells)
#include "tst_cells.moc"
