// What every handler refuses to do while a conflict is pending or the
// single-number display is on, and the rules between palette, Text10, Text4,
// Text6 and the flags that must hold after any handler from any state.
#include <QTest>

#include "testsupport.h"

namespace {

enum Handler {
    FormLoad,
    ClearAll,
    PaletteDigit,
    PaletteUndo,
    PaletteCorrection,
    CellClickDecided,
    CellClickOpen,
    TypedEdit,
    TypeToggle,
    AutoToggle,
    Continuous,
    SingleNumber,
    AllNumbers,
    HandlerCount
};

const char* const handlerNames[] = {
    "Form_Load",      "Text5_Click",      "Text2_click(4)", "Text2_click(9)", "Text2_click(10)",
    "Text1_click(0)", "Text1_click(20)",  "Text1_KeyUp",    "Text4_click",    "Text6_Click",
    "Text10_click",   "Text7 down+click", "Text8_Click"};

// Cell 0 is a given, cell 20 an open cell of the same box; no two givens
// share a diagonal, so the diagonal type is always allowed.
const QString givens = QStringLiteral("5.....8.. ...3..... .......2. "
                                      "......... ........7 ......... "
                                      "......... ......... .1.......");

// The typed-edit handler works on the text the edit box already holds, so the
// typing itself happens before the state is recorded.
void prepare(Korvane& k, int handler)
{
    if (handler == TypedEdit)
        k.Text1[20].Text = QStringLiteral("38");
}

void run(Korvane& k, int handler)
{
    switch (handler) {
    case FormLoad:
        k.Form_Load();
        break;
    case ClearAll:
        k.Text5_Click();
        break;
    case PaletteDigit:
        k.Text2_click(4);
        break;
    case PaletteUndo:
        k.Text2_click(9);
        break;
    case PaletteCorrection:
        k.Text2_click(10);
        break;
    case CellClickDecided:
        k.Text1_click(0);
        break;
    case CellClickOpen:
        k.Text1_click(20);
        break;
    case TypedEdit:
        k.Text1_KeyUp(20, 56, 0);
        break;
    case TypeToggle:
        k.Text4_click();
        break;
    case AutoToggle:
        k.Text6_Click();
        break;
    case Continuous:
        k.Text10_click();
        break;
    case SingleNumber:
        k.Text7_MouseDown(1, 0, 10, 10);
        k.Text7_Click();
        break;
    case AllNumbers:
        k.Text8_Click();
        break;
    }
}

enum Setup { Conflict = 1, Single = 2, Restore = 4 };

// Givens in place, automatic elimination on, 5 chosen; then the flags asked for.
void setUp(Korvane& k, int setup)
{
    placeDecided(k, givens);
    k.Text6_Click();
    k.Text2_click(4);
    if (setup & Restore)
        k.Text1_KeyUp(30, 0, 0);
    if (setup & Single)
        run(k, SingleNumber);
    if (setup & Conflict)
        k.conflictFlag = 1;
}

}  // namespace

class TestHandlerGuards : public QObject {
    Q_OBJECT

private slots:
    void guards_data();
    void guards();
    void invariantAfterEveryHandler_data();
    void invariantAfterEveryHandler();
    void clearAllReleasesDataSave();
};

void TestHandlerGuards::guards_data()
{
    QTest::addColumn<int>("handler");
    QTest::addColumn<int>("setup");
    QTest::addColumn<bool>("blocked");
    QTest::addColumn<int>("conflictAfter");

    QTest::newRow("start-up runs in any state") << +FormLoad << (Conflict | Single) << false << 0;
    QTest::newRow("clear-all refused in single view") << +ClearAll << +Single << true << 0;
    QTest::newRow("clear-all clears a conflict") << +ClearAll << +Conflict << false << 0;
    QTest::newRow("cell click refused on conflict") << +CellClickOpen << +Conflict << true << 1;
    QTest::newRow("typed edit refused on conflict") << +TypedEdit << +Conflict << true << 1;
    QTest::newRow("typed edit refused in single view") << +TypedEdit << +Single << true << 0;
    QTest::newRow("type toggle refused in single view") << +TypeToggle << +Single << true << 0;
    QTest::newRow("type toggle clears a conflict") << +TypeToggle << +Conflict << false << 0;
    QTest::newRow("auto toggle refused in single view") << +AutoToggle << +Single << true << 0;
    QTest::newRow("auto toggle clears a conflict") << +AutoToggle << +Conflict << false << 0;
    QTest::newRow("Text10 refused in single view")
        << +Continuous << (Single | Restore) << true << 0;
    QTest::newRow("restore clears a conflict") << +Continuous << (Conflict | Restore) << false << 0;
    QTest::newRow("continuous leaves a conflict") << +Continuous << +Conflict << false << 1;
    QTest::newRow("Text7 refused on conflict") << +SingleNumber << +Conflict << true << 1;
    QTest::newRow("Text7 again in single view keeps stash")
        << +SingleNumber << +Single << true << 0;
    QTest::newRow("Text8 refused on conflict") << +AllNumbers << (Single | Conflict) << true << 1;
    QTest::newRow("Text8 in the normal view") << +AllNumbers << 0 << true << 0;
}

void TestHandlerGuards::guards()
{
    QFETCH(int, handler);
    QFETCH(int, setup);
    QFETCH(bool, blocked);
    QFETCH(int, conflictAfter);

    Fixture f;
    setUp(f.form, setup);
    prepare(f.form, handler);
    const QString before = formState(f.form);
    f.port.calls.clear();

    run(f.form, handler);

    QCOMPARE(f.form.conflictFlag, conflictAfter);
    QCOMPARE(f.port.prompts(), QStringList());
    if (blocked) {
        QCOMPARE(formState(f.form), before);
    } else {
        QVERIFY(formState(f.form) != before);
    }
}

void TestHandlerGuards::invariantAfterEveryHandler_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("handler");

    const QStringList states{"fresh",
                             "digit chosen, auto on",
                             "single view",
                             "conflict pending",
                             "restore pending, diagonal",
                             "partial undo chosen"};
    for (const QString& state : states) {
        for (int h = 0; h < HandlerCount; ++h) {
            QTest::addRow("%s: %s", qPrintable(state), handlerNames[h]) << state << h;
        }
    }
}

void TestHandlerGuards::invariantAfterEveryHandler()
{
    QFETCH(QString, state);
    QFETCH(int, handler);

    Fixture f;
    Korvane& k = f.form;
    if (state == u"digit chosen, auto on") {
        setUp(k, 0);
    } else if (state == u"single view") {
        setUp(k, Single);
    } else if (state == u"conflict pending") {
        // Without automatic elimination a 5 typed next to a placed 5 is the
        // only way the duplicate gets noticed.
        k.Text2_click(4);
        k.Text1_click(0);
        k.Text1[1].Text = QStringLiteral("5");
        k.Text1_KeyUp(1, 53, 0);
        QCOMPARE(k.conflictFlag, 1);
    } else if (state == u"restore pending, diagonal") {
        k.Text6_Click();
        k.Text4_click();
        k.Text1[3].Text = QStringLiteral("12");
        k.Text1_KeyUp(3, 50, 0);
    } else if (state == u"partial undo chosen") {
        k.Text2_click(4);
        k.Text1_click(0);
        k.Text2_click(9);
    }
    QCOMPARE(invariantViolation(k), QString());

    prepare(k, handler);
    run(k, handler);
    QCOMPARE(invariantViolation(k), QString());
}

// Clear-all forgets the saved grid, so the Data Save button goes back to rest
// together with it.
void TestHandlerGuards::clearAllReleasesDataSave()
{
    Fixture f;
    Korvane& k = f.form;
    const QString fresh = formState(k);
    placeDecided(k, givens);
    k.Text6_Click();
    k.Text4_click();
    k.Text2_click(6);
    k.hasSavedGrid = 1;
    k.Text9[0].BackColor = Colors::Active;
    k.conflictFlag = 1;

    k.Text5_Click();

    QCOMPARE(k.Text9[0].BackColor, Colors::DataRest);
    QCOMPARE(formState(k), fresh);
}

QTEST_GUILESS_MAIN(TestHandlerGuards)
#include "tst_handler_guards.moc"
