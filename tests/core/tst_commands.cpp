// The form's commands beyond the cells: start-up and the controls as the window
// is built from them, clear-all, what every handler refuses while a conflict
// is pending or the single-number display is on, the puzzle-type and
// automatic-elimination toggles, and continuous elimination.
#include <tuple>

#include <QFile>
#include <QTest>

#include "layout.h"
#include "puzzles.h"
#include "testsupport.h"

namespace {

// A handler as the view raises it.
struct Handler {
    QString name;
    Setup run;
    // What the view does before it raises the handler, and so before the
    // state is recorded: the typed-edit handler works on the text the edit
    // box already holds.
    Setup before = [](Korvane&) {};
};

const Handler FormLoad{"Form_Load", [](Korvane& k) { k.Form_Load(); }};
const Handler ClearAll{"Text5_Click", [](Korvane& k) { k.Text5_Click(); }};
const Handler PaletteDigit{"Text2_click(4)", [](Korvane& k) { k.Text2_click(4); }};
const Handler PaletteUndo{"Text2_click(9)", [](Korvane& k) { k.Text2_click(9); }};
const Handler PaletteCorrection{"Text2_click(10)", [](Korvane& k) { k.Text2_click(10); }};
const Handler CellClickDecided{"Text1_click(0)", [](Korvane& k) { k.Text1_click(0); }};
const Handler CellClickOpen{"Text1_click(20)", [](Korvane& k) { k.Text1_click(20); }};
const Handler TypedEdit{"Text1_KeyUp", [](Korvane& k) { k.Text1_KeyUp(20, 56, 0); },
                        [](Korvane& k) { k.Text1[20].Text = QStringLiteral("38"); }};
const Handler TypeToggle{"Text4_click", [](Korvane& k) { k.Text4_click(); }};
const Handler AutoToggle{"Text6_Click", [](Korvane& k) { k.Text6_Click(); }};
const Handler Continuous{"Text10_click", [](Korvane& k) { k.Text10_click(); }};
const Handler SingleNumber{"Text7 down+click", clickSingleNumber};
const Handler AllNumbers{"Text8_Click", [](Korvane& k) { k.Text8_Click(); }};

// Cell 0 is a given, cell 20 an open cell of the same box; no two givens
// share a diagonal, so the diagonal type is always allowed.
const QString givens = QStringLiteral("5.....8.. ...3..... .......2. "
                                      "......... ........7 ......... "
                                      "......... ......... .1.......");

enum Flags { Conflict = 1, Single = 2, Restore = 4 };

// Givens in place, automatic elimination on, 5 chosen; then the flags asked for.
void setUp(Korvane& k, int flags)
{
    placeDecided(k, givens);
    k.Text6_Click();
    k.Text2_click(4);
    if (flags & Restore)
        k.Text1_KeyUp(30, 0, 0);
    if (flags & Single)
        clickSingleNumber(k);
    if (flags & Conflict)
        k.conflictFlag = 1;
}

// 81 dots with `digit` at the given cells.
QString board(std::initializer_list<std::pair<int, char>> cells)
{
    QString b(81, u'.');
    for (auto [cell, digit] : cells)
        b[cell] = QLatin1Char(digit);
    return b;
}

// The diagonal test's scene: automatic elimination on, `decided` placed, the
// `fives` showing an undecided 5, a typed edit in cell 57 (off the diagonals,
// no peer of a digit), 7 chosen and a conflict pending.
void setUpDiagonalTest(Korvane& k, const QString& decided, const QList<int>& fives)
{
    k.Text6_Click();
    placeDecided(k, decided);
    for (int cell : fives)
        setCandidates(k, cell, QStringLiteral("5"));
    k.Text1[57].Text = QStringLiteral("12");
    k.Text1_KeyUp(57, 0, 0);
    k.Text2_click(6);
    k.conflictFlag = 1;
}

}  // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Handler)

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    void startupState();
    void typingIntoAControl_data();
    void typingIntoAControl();
    void cellLayout_data();
    void cellLayout();
    void controlLayout_data();
    void controlLayout();
    void tabOrderCoversEveryControlOnce();
    void clearAll_data();
    void clearAll();

    void guards_data();
    void guards();
    void invariantAfterEveryHandler_data();
    void invariantAfterEveryHandler();

    void diagonalAllowed_data();
    void diagonalAllowed();
    void diagonalRefused_data();
    void diagonalRefused();
    void switchBackNeverFails();
    void appliesDecidedDigits_data();
    void appliesDecidedDigits();
    void autoOffResetsOpenCells();

    void puzzlesAreSound();
    void solvesWholePuzzle_data();
    void solvesWholePuzzle();
    void promotesWithoutElimination();
};

// ---- start-up and clear-all ----

void TestCommands::startupState()
{
    Fixture f;
    const Korvane& k = f.form;
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(k.diagonalMode, 0);
    QCOMPARE(k.singleView, 0);
    QCOMPARE(k.autoEliminate, 0);
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(k.hasSavedGrid, 0);
    for (int i = 0; i < Korvane::CellCount; ++i) {
        QCOMPARE(k.Text1[i].Text, QStringLiteral("123456789"));
        QCOMPARE(k.candidates[i], QStringLiteral("123456789"));
        QCOMPARE(k.Text1[i].FontSize, 11.0);
        QCOMPARE(k.Text1[i].ForeColor, Colors::Black);
        QCOMPARE(k.decided[i], 0);
    }
    for (int i = 0; i < 10; ++i)
        QCOMPARE(k.Text2[i].BackColor, Colors::Idle);
    QCOMPARE(k.Text2[10].BackColor, Colors::Active);
    QCOMPARE(k.Text10.Text, QStringLiteral("連続消去"));
    QCOMPARE(k.Text10.BackColor, Colors::Idle);
    QCOMPARE(k.Text4.Text, QStringLiteral("普通問題"));
    QCOMPARE(k.Text4.BackColor, Colors::NormalType);
    QCOMPARE(k.Text6.BackColor, Colors::Idle);
    QCOMPARE(k.Text3.Text,
             QStringLiteral("使用方法：右側枠の数字を選択し挿入したい場所をクリックします"));
    QVERIFY(f.port.calls.isEmpty());
}

void TestCommands::cellLayout_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<quint32>("back");
    QTest::newRow("top left, box 0") << 0 << 360 << 360 << Colors::CellEvenBox;
    QTest::newRow("row 0 col 3, box 1") << 3 << 2160 << 360 << Colors::CellOddBox;
    QTest::newRow("top right, box 2") << 8 << 5160 << 360 << Colors::CellEvenBox;
    QTest::newRow("row 3 col 0, box 3") << 27 << 360 << 2520 << Colors::CellOddBox;
    QTest::newRow("centre, box 4") << 40 << 2760 << 3240 << Colors::CellEvenBox;
    QTest::newRow("row 5 col 8, box 5") << 53 << 5160 << 3960 << Colors::CellOddBox;
    QTest::newRow("row 8 col 4, box 7") << 76 << 2760 << 6120 << Colors::CellOddBox;
    QTest::newRow("bottom right, box 8") << 80 << 5160 << 6120 << Colors::CellEvenBox;
}

void TestCommands::cellLayout()
{
    QFETCH(int, cell);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(quint32, back);
    Fixture f;
    const TextBox& t = f.form.Text1[cell];
    QCOMPARE(t.Left, left);
    QCOMPARE(t.Top, top);
    QCOMPARE(t.Width, 615);
    QCOMPARE(t.Height, 735);
    QCOMPARE(t.BackColor, back);
    QVERIFY(t.Centered);
    QVERIFY(t.MultiLine);
    QVERIFY(!t.Locked);
}

// The layout by its properties rather than its numbers: every control in the
// window, cells that tile their boxes, and no control over another but for
// the one-pixel border neighbours share (and the palette's digits, each of
// which lies over the lower edge of the one above), at every scale the
// window draws it at.
void TestCommands::controlLayout_data()
{
    QTest::addColumn<double>("scale");
    QTest::newRow("as drawn") << 1.0;
    QTest::newRow("half, the smallest a user makes it") << 0.5;
    QTest::newRow("a 1366x768 screen at 200 %") << 0.6883;
    QTest::newRow("three quarters") << 0.75;
    QTest::newRow("a window made larger by hand") << 1.3711;
    QTest::newRow("twice") << 2.0;
}

void TestCommands::controlLayout()
{
    QFETCH(double, scale);
    Fixture f;
    const QRect client(QPoint(), layout::clientSize(scale));
    const QStringList names = controlNames();
    QCOMPARE(names.size(), layout::ControlCount);
    const auto place = [&](int i) { return layout::scaledRect(layout::control(f.form, i), scale); };
    if (scale == 1.0) {
        QCOMPARE(client.size(), layout::ClientSize);
        for (int i = 0; i < layout::ControlCount; ++i)
            QCOMPARE(place(i), layout::pixelRect(layout::control(f.form, i)));
    }
    const auto isDigit = [](const QString& name) {
        return name.startsWith(u"Text2_") && name.mid(6).toInt() < 9;
    };
    for (int a = 0; a < layout::ControlCount; ++a) {
        QVERIFY2(client.contains(place(a)), qPrintable(names[a]));
        for (int b = a + 1; b < layout::ControlCount; ++b) {
            const QRect both = place(a).intersected(place(b));
            const bool border = both.isEmpty() || both.width() == 1 || both.height() == 1;
            const bool digits = isDigit(names[a]) && isDigit(names[b]) && b == a + 1;
            QVERIFY2(border || digits, qPrintable(names[a] + QStringLiteral(" and ") + names[b]));
        }
    }

    // Each cell shares its right border with the next cell of its row and its
    // lower one with the cell below; a box's cells share one colour, which
    // neighbouring boxes do not.
    for (int i = 0; i < Korvane::CellCount; ++i) {
        const QRect cell = place(i);
        // The grid stays even: no cell a pixel more than another.
        QVERIFY(qAbs(cell.width() - place(0).width()) <= 1);
        QVERIFY(qAbs(cell.height() - place(0).height()) <= 1);
        const int r = i / 9;
        const int c = i % 9;
        if (c < 8) {
            QCOMPARE(place(i + 1).left(), cell.right());
            QCOMPARE(place(i + 1).top(), cell.top());
        }
        if (r < 8) {
            QCOMPARE(place(i + 9).top(), cell.bottom());
            QCOMPARE(place(i + 9).left(), cell.left());
        }
        const int corner = 27 * (r / 3) + 3 * (c / 3);
        QCOMPARE(f.form.Text1[i].BackColor, f.form.Text1[corner].BackColor);
        if (c / 3 < 2)
            QVERIFY(f.form.Text1[i].BackColor != f.form.Text1[corner + 3].BackColor);
        QVERIFY(f.form.Text1[i].Centered && !f.form.Text1[i].Locked);
    }

    // The buttons that take no typing are read-only: the palette, the message
    // line, the puzzle type, clear-all and continuous elimination.
    for (int i = Korvane::CellCount; i < layout::ControlCount; ++i) {
        const QString& name = names[i];
        const bool typed =
            name == u"Text6" || name == u"Text7" || name == u"Text8" || name.startsWith(u"Text9_");
        QVERIFY2(layout::control(f.form, i).Locked != typed, qPrintable(name));
    }
}

void TestCommands::tabOrderCoversEveryControlOnce()
{
    Fixture f;
    const QStringList inOrder = tabOrder();
    QCOMPARE(inOrder.size(), 101);
    QCOMPARE(QSet<QString>(inOrder.cbegin(), inOrder.cend()).size(), 101);
    for (int i = 0; i < inOrder.size(); ++i) {
        QCOMPARE(controlNamed(f.form, inOrder[i]).TabIndex, i);
        // Tab stops at every control but the message line.
        QCOMPARE(controlNamed(f.form, inOrder[i]).TabStop, inOrder[i] != u"Text3");
    }
}

// Clear-all leaves the form as start-up leaves it, whatever state it is in,
// but for the stashed texts and the saved grid, which it keeps. It forgets
// that a grid is saved, so the Data Save button goes back to rest with it.
void TestCommands::clearAll_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Setup>("kept");  // what a fresh form must have too

    const Setup nothing = [](Korvane&) {};
    QTest::newRow("digit selected") << Setup([](Korvane& k) {
        placeDecided(k, "5...3....");
        k.Text2_click(4);
    }) << nothing;
    QTest::newRow("diagonal type with automatic elimination") << Setup([](Korvane& k) {
        placeDecided(k, "5...3....");
        k.Text4_click();
        k.Text6_Click();
    }) << nothing;
    QTest::newRow("conflict pending and restore offered") << Setup([](Korvane& k) {
        placeDecided(k, "5...3....");
        k.Text1_KeyUp(30, 0, 0);
        k.conflictFlag = 1;
    }) << nothing;
    QTest::newRow("a grid saved, Data Save active") << Setup([](Korvane& k) {
        placeDecided(k, givens);
        k.Text6_Click();
        k.Text4_click();
        k.Text2_click(6);
        k.Text9_click(0);
        QCOMPARE(k.Text9[0].BackColor, Colors::Active);
        k.conflictFlag = 1;
    }) << nothing;
    QTest::newRow("stash and saved grid kept") << Setup([](Korvane& k) {
        k.stashedText[3] = QStringLiteral("47");
        k.savedGrid[7] = QStringLiteral("9");
        k.hasSavedGrid = 1;
    }) << Setup([](Korvane& k) { k.stashedText[3] = QStringLiteral("47"); });
}

void TestCommands::clearAll()
{
    QFETCH(Setup, setup);
    QFETCH(Setup, kept);

    Fixture f, fresh;
    setup(f.form);
    kept(fresh.form);
    const auto savedGrid = f.form.savedGrid;

    f.form.Text5_Click();

    QCOMPARE(formState(f.form), formState(fresh.form));
    QCOMPARE(f.form.Text9[0].BackColor, Colors::DataRest);
    QCOMPARE(f.form.savedGrid, savedGrid);
}

// ---- what each handler refuses ----

void TestCommands::guards_data()
{
    QTest::addColumn<Handler>("handler");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("blocked");
    QTest::addColumn<int>("conflictAfter");

    QTest::newRow("start-up runs in any state") << FormLoad << (Conflict | Single) << false << 0;
    QTest::newRow("clear-all refused in single view") << ClearAll << +Single << true << 0;
    QTest::newRow("clear-all clears a conflict") << ClearAll << +Conflict << false << 0;
    QTest::newRow("cell click refused on conflict") << CellClickOpen << +Conflict << true << 1;
    QTest::newRow("typed edit refused on conflict") << TypedEdit << +Conflict << true << 1;
    QTest::newRow("typed edit refused in single view") << TypedEdit << +Single << true << 0;
    QTest::newRow("type toggle refused in single view") << TypeToggle << +Single << true << 0;
    QTest::newRow("type toggle clears a conflict") << TypeToggle << +Conflict << false << 0;
    QTest::newRow("auto toggle refused in single view") << AutoToggle << +Single << true << 0;
    QTest::newRow("auto toggle clears a conflict") << AutoToggle << +Conflict << false << 0;
    QTest::newRow("Text10 refused in single view") << Continuous << (Single | Restore) << true << 0;
    QTest::newRow("restore clears a conflict") << Continuous << (Conflict | Restore) << false << 0;
    QTest::newRow("continuous leaves a conflict") << Continuous << +Conflict << false << 1;
    QTest::newRow("Text7 refused on conflict") << SingleNumber << +Conflict << true << 1;
    QTest::newRow("Text7 again in single view keeps stash") << SingleNumber << +Single << true << 0;
    QTest::newRow("Text8 refused on conflict") << AllNumbers << (Single | Conflict) << true << 1;
    QTest::newRow("Text8 in the normal view") << AllNumbers << 0 << true << 0;
}

void TestCommands::guards()
{
    QFETCH(Handler, handler);
    QFETCH(int, flags);
    QFETCH(bool, blocked);
    QFETCH(int, conflictAfter);

    Fixture f;
    setUp(f.form, flags);
    handler.before(f.form);
    const QString before = formState(f.form);
    f.port.calls.clear();

    handler.run(f.form);

    QCOMPARE(f.form.conflictFlag, conflictAfter);
    QCOMPARE(f.port.prompts(), QStringList());
    QCOMPARE(formState(f.form) == before, blocked);
}

// The rules between palette, Text10, Text4, Text6 and the flags hold after
// any handler from any state.
void TestCommands::invariantAfterEveryHandler_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Handler>("handler");

    const QList<std::pair<const char*, Setup>> states{
        {"fresh", [](Korvane&) {}},
        {"digit chosen, auto on", [](Korvane& k) { setUp(k, 0); }},
        {"single view", [](Korvane& k) { setUp(k, Single); }},
        // Without automatic elimination a 5 typed next to a placed 5 is the
        // only way the duplicate gets noticed.
        {"conflict pending",
         [](Korvane& k) {
             k.Text2_click(4);
             k.Text1_click(0);
             k.Text1[1].Text = QStringLiteral("5");
             k.Text1_KeyUp(1, 53, 0);
             QCOMPARE(k.conflictFlag, 1);
         }},
        {"restore pending, diagonal",
         [](Korvane& k) {
             k.Text6_Click();
             k.Text4_click();
             k.Text1[3].Text = QStringLiteral("12");
             k.Text1_KeyUp(3, 50, 0);
         }},
        {"partial undo chosen",
         [](Korvane& k) {
             k.Text2_click(4);
             k.Text1_click(0);
             k.Text2_click(9);
         }},
    };
    const QList<Handler> handlers{FormLoad,          ClearAll,         PaletteDigit,  PaletteUndo,
                                  PaletteCorrection, CellClickDecided, CellClickOpen, TypedEdit,
                                  TypeToggle,        AutoToggle,       Continuous,    SingleNumber,
                                  AllNumbers};
    for (const auto& [state, setup] : states) {
        for (const Handler& handler : handlers)
            QTest::addRow("%s: %s", state, qPrintable(handler.name)) << setup << handler;
    }
}

void TestCommands::invariantAfterEveryHandler()
{
    QFETCH(Setup, setup);
    QFETCH(Handler, handler);

    Fixture f;
    setup(f.form);
    QCOMPARE(invariantViolation(f.form), QString());

    handler.before(f.form);
    handler.run(f.form);
    QCOMPARE(invariantViolation(f.form), QString());
}

// ---- the puzzle type ----

// The test passes: the type changes, the board is rebuilt in diagonal mode
// and the palette goes back to correction. A pending conflict and the
// restore offer are cleared.
void TestCommands::diagonalAllowed_data()
{
    QTest::addColumn<QString>("decided");
    QTest::addColumn<QList<int>>("fives");  // undecided cells showing "5"

    QTest::newRow("open 0 shows 5, decided 5 in 80") << board({{80, '5'}}) << QList<int>{0};
    QTest::newRow("no decided diagonal cell")
        << board({{1, '5'}, {9, '5'}, {41, '3'}}) << QList<int>{};
    QTest::newRow("distinct digits on both diagonals")
        << board({{0, '1'}, {40, '2'}, {80, '3'}, {8, '4'}, {72, '5'}}) << QList<int>{};
}

void TestCommands::diagonalAllowed()
{
    QFETCH(QString, decided);
    QFETCH(QList<int>, fives);

    Fixture f;
    Korvane& k = f.form;
    setUpDiagonalTest(k, decided, fives);

    k.Text4_click();

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(k.diagonalMode, 1);
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    // No digit of a decided cell survives among its peers, diagonals
    // included, and the typed edit in cell 57 is rebuilt away.
    for (int cell = 0; cell < Korvane::CellCount; ++cell) {
        if (k.decided[cell] == 0) {
            QCOMPARE(k.candidates[cell], candidatesLeft(k, cell, decidedCells(k)));
            QCOMPARE(k.Text1[cell].Text, k.candidates[cell]);
        }
    }
    QCOMPARE(k.candidates[57], FullCandidates);
    QCOMPARE(invariantViolation(k), QString());
}

// The test fails: a box says so and nothing changes but the cleared conflict
// and restore offer; no rebuild, no palette reset.
void TestCommands::diagonalRefused_data()
{
    QTest::addColumn<QString>("decided");
    QTest::addColumn<QList<int>>("fives");  // undecided cells showing "5"

    QTest::newRow("decided 5 in 0 and 40") << board({{0, '5'}, {40, '5'}}) << QList<int>{};
    QTest::newRow("decided 5 in 8, open 72 shows 5") << board({{8, '5'}}) << QList<int>{72};
    QTest::newRow("decided 3 in 40 and 24") << board({{40, '3'}, {24, '3'}}) << QList<int>{};
    // The last two cells of each diagonal are compared too.
    QTest::newRow("decided 5 in 70 and 80") << board({{70, '5'}, {80, '5'}}) << QList<int>{};
    QTest::newRow("decided 5 in 64, open 72 shows 5") << board({{64, '5'}}) << QList<int>{72};
}

void TestCommands::diagonalRefused()
{
    QFETCH(QString, decided);
    QFETCH(QList<int>, fives);

    Fixture f;
    Korvane& k = f.form;
    setUpDiagonalTest(k, decided, fives);
    const QString boardBefore = boardState(k);

    k.Text4_click();

    QCOMPARE(f.port.prompts(), QStringList{QStringLiteral("斜め問題にはなりません")});
    QCOMPARE(f.port.calls.first().buttons, MessagePort::OkOnly);
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(k.diagonalMode, 0);
    QCOMPARE(k.selectedValue, QStringLiteral("7"));
    QCOMPARE(boardState(k), boardBefore);
    QCOMPARE(invariantViolation(k), QString());
}

void TestCommands::switchBackNeverFails()
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
    QCOMPARE(k.Text1[80].Text, FullCandidates);  // diagonal peers get 5 back
    QCOMPARE(invariantViolation(k), QString());
}

// ---- automatic elimination and restore ----

// Switching elimination on, and restoring after typed edits, must leave the
// board exactly as placing the same digits one by one (elimination on or off)
// does. Both also clear a pending conflict and the restore offer.
void TestCommands::appliesDecidedDigits_data()
{
    QTest::addColumn<QString>("decided");
    QTest::addColumn<Setup>("edits");      // after the digits are in place
    QTest::addColumn<Setup>("action");     // the handler under test
    QTest::addColumn<Setup>("reference");  // before the same digits are placed by clicks

    // A key release that changes nothing still offers the restore; switching
    // on keeps typed texts, only a restore throws them away.
    const Setup keyUp = [](Korvane& k) { k.Text1_KeyUp(60, 0, 0); };
    const Setup typed = [](Korvane& k) {
        k.Text1_KeyUp(60, 0, 0);
        k.Text1[10].Text = QStringLiteral("9");
        k.Text1_KeyUp(10, 0, 0);
        k.Text1[11].Text.clear();
        k.Text1_KeyUp(11, 0, 0);
    };
    const Setup switchOn = [](Korvane& k) { k.Text6_Click(); };
    const Setup restore = [](Korvane& k) { k.Text10_click(); };
    const Setup off = [](Korvane&) {};

    const QString three = board({{0, '5'}, {40, '3'}, {44, '5'}});
    QTest::newRow("auto on, nothing decided") << board({}) << keyUp << switchOn << switchOn;
    QTest::newRow("auto on, 5 in 40") << board({{40, '5'}}) << keyUp << switchOn << switchOn;
    QTest::newRow("auto on, three decided") << three << keyUp << switchOn << switchOn;
    QTest::newRow("restore, auto off") << three << typed << restore << off;
    QTest::newRow("restore, auto on") << three << Setup([=](Korvane& k) {
        switchOn(k);
        typed(k);
    }) << restore << switchOn;
}

void TestCommands::appliesDecidedDigits()
{
    QFETCH(QString, decided);
    QFETCH(Setup, edits);
    QFETCH(Setup, action);
    QFETCH(Setup, reference);

    Fixture f, placed;
    reference(placed.form);
    puzzles::placeGivens(placed.form, decided);
    Korvane& k = f.form;
    placeDecided(k, decided);
    edits(k);
    k.Text2_click(8);
    k.conflictFlag = 1;

    action(k);

    QCOMPARE(f.port.calls.size(), 0);
    QCOMPARE(k.autoEliminate, placed.form.autoEliminate);
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(boardState(k), boardState(placed.form));
    QCOMPARE(invariantViolation(k), QString());
}

void TestCommands::autoOffResetsOpenCells()
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
        QCOMPARE(k.Text1[i].Text, FullCandidates);
        QCOMPARE(k.candidates[i], FullCandidates);
        QCOMPARE(k.Text1[i].FontSize, 11.0);
        QCOMPARE(k.Text1[i].ForeColor, Colors::Black);
    }
    QCOMPARE(invariantViolation(k), QString());
}

// ---- continuous elimination ----

// The shared puzzles' solutions are solutions of their givens.
void TestCommands::puzzlesAreSound()
{
    const QList<std::tuple<QString, QString, bool>> all{
        {puzzles::SinglesGivens, puzzles::SinglesSolution, false},
        {puzzles::DiagonalGivens, puzzles::DiagonalSolution, true}};
    for (const auto& [givens, solution, diagonal] : all) {
        QCOMPARE(solutionFault(solution, diagonal), QString());
        for (int i = 0; i < Korvane::CellCount; ++i)
            QVERIFY(givens[i] == u'.' || givens[i] == solution[i]);
    }
}

// A whole puzzle solved from its givens, however they were entered.
void TestCommands::solvesWholePuzzle_data()
{
    QTest::addColumn<Setup>("entry");
    QTest::addColumn<QString>("solution");

    using puzzles::placeGivens;
    using puzzles::SinglesGivens;
    QTest::newRow("givens placed, then auto on") << Setup([](Korvane& k) {
        placeDecided(k, SinglesGivens);
        k.Text6_Click();
    }) << puzzles::SinglesSolution;
    QTest::newRow("palette clicks, then auto on") << Setup([](Korvane& k) {
        placeGivens(k, SinglesGivens);
        k.Text6_Click();
    }) << puzzles::SinglesSolution;
    QTest::newRow("palette clicks with auto on") << Setup([](Korvane& k) {
        k.Text6_Click();
        placeGivens(k, SinglesGivens);
    }) << puzzles::SinglesSolution;
    QTest::newRow("diagonal puzzle, diagonal type") << Setup([](Korvane& k) {
        placeGivens(k, puzzles::DiagonalGivens);
        k.Text4_click();
        k.Text6_Click();
    }) << puzzles::DiagonalSolution;
    QTest::newRow("the sample, by Data Load") << Setup([](Korvane& k) {
        const TemporaryCurrentFolder folder;
        QVERIFY(QFile::copy(QStringLiteral(KORVANE_SAMPLES_DIR "/mondai.txt"), "mondai.txt"));
        k.Text9_click(1);
        k.Text6_Click();
    })
                                              << QStringLiteral(
                                                     "825936174761458932943217685417893526396542718"
                                                     "258761493574329861139685247682174359");
}

void TestCommands::solvesWholePuzzle()
{
    QFETCH(Setup, entry);
    QFETCH(QString, solution);

    Fixture f;
    Korvane& k = f.form;
    entry(k);

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
void TestCommands::promotesWithoutElimination()
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
            QCOMPARE(k.candidates[i], FullCandidates);
    }
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(invariantViolation(k), QString());
}

// What the user types reaches a control through the form: a box that takes
// no typing keeps its text, any other takes the text within its bound, cut
// between whole characters and line breaks.
void TestCommands::typingIntoAControl_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");  // empty: the text it had
    const QString full(1000, u'1');
    QTest::newRow("a cell") << "Text1_40"
                            << "57"
                            << "57";
    QTest::newRow("a box that takes typing") << "Text9_0"
                                             << "Data"
                                             << "Data";
    QTest::newRow("a palette button") << "Text2_4"
                                      << "x"
                                      << "";
    QTest::newRow("the message line") << "Text3"
                                      << "x"
                                      << "";
    QTest::newRow("連続消去") << "Text10"
                              << "x"
                              << "";
    QTest::newRow("too long, cut") << "Text1_0" << full + "2" << full;
    QTest::newRow("never inside a line break") << "Text1_0" << QString(999, u'1') + "\r\n"
                                               << QString(999, u'1');
    QTest::newRow("nor a surrogate pair")
        << "Text1_0" << QString(999, u'1') + QStringLiteral("😀") << QString(999, u'1');
}

void TestCommands::typingIntoAControl()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    Fixture f;
    const int index = layout::indexOf(name);
    const QString before = layout::control(f.form, index).Text;
    f.form.TypeInto(index, typed);
    QCOMPARE(layout::control(f.form, index).Text, kept.isEmpty() ? before : kept);
}

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
