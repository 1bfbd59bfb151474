// The window on screen: every control where the layout puts it, in its
// colours and sizes, and user gestures (clicks, keys, the puzzle commands,
// files opened, the kept board's question) that reach the form's handlers
// and come back as changed widgets.
#include <functional>
#include <memory>

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

#include "boxtext.h"
#include "gestures.h"
#include "puzzlefile.h"
#include "puzzles.h"

// A gesture of the mouse on a window.
using Gesture = std::function<void(MainWindow&)>;
Q_DECLARE_METATYPE(Gesture)
// A way of opening a puzzle file in the window; an empty path is a drag of
// something else, or a cancelled dialog.
using Opening = std::function<void(MainWindow&, const QString& path)>;
Q_DECLARE_METATYPE(Opening)
Q_DECLARE_METATYPE(Setup)

// `chord` pressed where box `name` has the keyboard.
Gesture keysIn(const QString& name, QKeyCombination chord)
{
    return [=](MainWindow& w) {
        boxNamed(w, name)->takeFocus(Qt::TabFocusReason);
        QCoreApplication::sendPostedEvents();
        QTest::keyClick(w.windowHandle(), chord.key(), chord.keyboardModifiers());
    };
}

// Opens cell 40's menu, which keeps the text edit's own entries but its
// undo and redo, and chooses `entry`.
Gesture menuEntry(const QString& entry)
{
    return [=](MainWindow& w) {
        TextBoxWidget* cell = boxNamed(w, QStringLiteral("Text1_40"));
        QContextMenuEvent open(QContextMenuEvent::Mouse, cell->rect().center(),
                               cell->mapToGlobal(cell->rect().center()));
        QCoreApplication::sendEvent(cell, &open);
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(popup);
        const QString paste = QCoreApplication::translate("QWidgetTextControl", "&Paste");
        QStringList texts;
        int undoKeys = 0;
        for (QAction* action : popup->actions()) {
            texts << action->text();
            undoKeys += action->shortcut() == QKeySequence(QKeySequence::Undo);
        }
        QVERIFY(
            !texts.filter(QRegularExpression(u'^' + QRegularExpression::escape(paste))).isEmpty());
        QCOMPARE(texts.mid(0, 2),
                 QStringList({QStringLiteral("取り消し"), QStringLiteral("やり直し")}));
        QCOMPARE(undoKeys, 1);
        QVERIFY(texts.contains(QStringLiteral("間違いを探す")));
        for (QAction* action : popup->actions()) {
            if (action->text() == entry)
                action->trigger();
        }
        popup->close();
    };
}

class TestWindow : public WindowTestCase {
    Q_OBJECT

private slots:
    void windowFrame();
    void placesAnchoredToTheGrid_data();
    void placesAnchoredToTheGrid();
    void everyControlFollowsTheForm_data();
    void everyControlFollowsTheForm();
    void tabOrder();
    void keysOpenTheMenu_data();
    void keysOpenTheMenu();
    void gesturesOnAButton_data();
    void gesturesOnAButton();
    void paletteAndCellClicks();
    void singleViewStashesOnPressBeforeItsClick();
    void dataSaveAndLoad();
    void keysThatClick_data();
    void keysThatClick();
    void onlyTypingEdits_data();
    void onlyTypingEdits();
    void aKeyHandedBackStaysTheCommands();
    void spaceClicksOncePerPress();
    void altArrowsMoveBetweenCells_data();
    void altArrowsMoveBetweenCells();
    void focusMarkOnlyWhereTheKeyboardIs();
    void puzzleCommands_data();
    void puzzleCommands();
    void undoAndRedo_data();
    void undoAndRedo();
    void mistakeFramedUntilTheNextAction();
    void savePuzzleFromKeysAndMenu();
    void openingAPuzzleFile_data();
    void openingAPuzzleFile();
    void keptBoardOfferedInARealBox_data();
    void keptBoardOfferedInARealBox();
};

void TestWindow::windowFrame()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Korvane"));
    // The layout as drawn: the test's screen has room for it.
    QCOMPARE(window->size(), QSize(461, 539));
    QCOMPARE(window->scale(), 1.0);
    QVERIFY(window->windowIcon().availableSizes().contains(QSize(32, 32)));
    // Drawn left to right, whatever language Qt's own texts are in.
    QCOMPARE(window->layoutDirection(), Qt::LeftToRight);
}

// A few places worked out by hand from the twips of the layout, so that a
// slip in the form's layout table shows up here too.
void TestWindow::placesAnchoredToTheGrid_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("top-left cell") << "Text1_0" << QRect(24, 24, 41, 49);
    QTest::newRow("its right neighbour shares its border") << "Text1_1" << QRect(64, 24, 41, 49);
    QTest::newRow("the cell below shares its border") << "Text1_9" << QRect(24, 72, 41, 49);
    QTest::newRow("bottom-right cell") << "Text1_80" << QRect(344, 408, 41, 49);
    QTest::newRow("digit 1 button") << "Text2_0" << QRect(400, 24, 33, 36);
    QTest::newRow("digit 9 button") << "Text2_8" << QRect(400, 280, 33, 36);
    QTest::newRow("correction") << "Text2_10" << QRect(400, 320, 33, 19);
    QTest::newRow("partial undo") << "Text2_9" << QRect(400, 344, 33, 33);
    QTest::newRow("message line") << "Text3" << QRect(104, 472, 201, 33);
    QTest::newRow("Data Save") << "Text9_0" << QRect(24, 472, 33, 33);
    QTest::newRow("puzzle type") << "Text4" << QRect(400, 472, 33, 33);
}

void TestWindow::placesAnchoredToTheGrid()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QCOMPARE(box(name)->geometry(), geometry);
}

void TestWindow::everyControlFollowsTheForm_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : controlNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestWindow::everyControlFollowsTheForm()
{
    QFETCH(QString, name);
    TextBoxWidget* widget = box(name);
    QVERIFY(widget);
    const TextBox& b = controlNamed(window->form(), name);

    QCOMPARE(widget->geometry(),
             QRect(b.Left / layout::TwipsPerPixel, b.Top / layout::TwipsPerPixel,
                   b.Width / layout::TwipsPerPixel, b.Height / layout::TwipsPerPixel));
    QCOMPARE(widget->toPlainText(), QString(b.Text).replace("\r\n", "\n"));
    QCOMPARE(widget->font().pointSizeF(), b.FontSize);
    QCOMPARE(widget->palette().color(QPalette::Base), onScreen(b.BackColor));
    QCOMPARE(widget->palette().color(QPalette::Text), onScreen(b.ForeColor));
    QCOMPARE(widget->isReadOnly(), b.Locked);
    QCOMPARE(widget->isMultiLine(), b.MultiLine);
    QTextEdit* editor = widget->edit();
    QCOMPARE(editor->isReadOnly(), b.Locked);
    QCOMPARE(editor->wordWrapMode() != QTextOption::NoWrap, b.MultiLine);
    QCOMPARE(editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(editor->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // Alignment as laid out: a centred first line has as much room on its
    // left as on its right; a left-aligned one starts at the margin.
    const QTextLine first = editor->document()->begin().layout()->lineAt(0);
    const qreal room = first.width() - first.naturalTextWidth();
    const qreal start = first.cursorToX(first.textStart());
    if (b.Centered)
        QVERIFY2(qAbs(start - room / 2) < 1, qPrintable(QString::number(start)));
    else
        QVERIFY2(start < 1, qPrintable(QString::number(start)));
}

void TestWindow::tabOrder()
{
    QStringList expected = ::tabStops();

    // Walked with the Tab key, as a keyboard user would, once round each way.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const auto walk = [&](Qt::KeyboardModifiers modifiers) {
        box("Text1_0")->setFocus();
        QStringList order;
        for (int i = 0; i <= expected.size(); ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
        }
        return order;
    };
    QCOMPARE(walk(Qt::NoModifier), QStringList(expected) << "Text1_0");
    std::reverse(expected.begin(), expected.end());
    QCOMPARE(walk(Qt::ShiftModifier), QStringList{"Text1_0"} << expected);
}

// Shift+F10 opens the focused box's menu as the Menu key does: a cell's with
// the puzzle commands. Neither key types in the cell.
void TestWindow::keysOpenTheMenu_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QKeyCombination>("keys");
    QTest::addColumn<bool>("commands");  // the menu has the puzzle commands
    const QKeyCombination shiftF10(Qt::ShiftModifier, Qt::Key_F10);
    QTest::newRow("Shift+F10 in a cell") << "Text1_40" << shiftF10 << true;
    QTest::newRow("Shift+F10 in the last cell") << "Text1_80" << shiftF10 << true;
    QTest::newRow("Shift+F10 on a button") << "Text5" << shiftF10 << false;
}

void TestWindow::keysOpenTheMenu()
{
    QFETCH(QString, name);
    QFETCH(QKeyCombination, keys);
    QFETCH(bool, commands);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const QString before = box(name)->toPlainText();
    box(name)->takeFocus(Qt::TabFocusReason);
    QCoreApplication::sendPostedEvents();

    QTest::keyClick(window->windowHandle(), keys.key(), keys.keyboardModifiers());

    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(popup);
    QStringList texts;
    for (QAction* action : popup->actions())
        texts << action->text();
    popup->close();
    QCOMPARE(texts.contains(QStringLiteral("問題を貼り付け")), commands);
    QCOMPARE(box(name)->toPlainText(), before);
    QCOMPARE(window->form().restorePending, 0);
}

// The puzzle-type button flips the type on each click, which makes it a
// counter of the clicks a gesture raised.
void TestWindow::gesturesOnAButton_data()
{
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<int>("clicks");

    // A press on one box, moved to another and released there.
    const auto drag = [](const char* from, const char* to) {
        return Gesture([=](MainWindow& w) {
            QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, middleOf(w, from));
            QTest::mouseMove(w.windowHandle(), middleOf(w, to));
            QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, middleOf(w, to));
        });
    };
    QTest::newRow("a click is one click")
        << Gesture([](MainWindow& w) { clickOn(w, "Text4"); }) << 1;
    QTest::newRow("two clicks apart are two") << Gesture([](MainWindow& w) {
        clickAll(w, {"Text4", "Text4"});
    }) << 2;
    QTest::newRow("a double-click is one click") << Gesture([](MainWindow& w) {
        QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, middleOf(w, "Text4"));
    }) << 1;
    QTest::newRow("the right button makes no click")
        << Gesture([](MainWindow& w) { clickOn(w, "Text4", Qt::RightButton); }) << 0;
    QTest::newRow("released over another box is no click") << drag("Text4", "Text3") << 0;
    QTest::newRow("pressed on another box is no click") << drag("Text3", "Text4") << 0;
    // The box's right border, its last column of pixels, is the frame's.
    const auto at = [](int fromRight, int releaseFromRight) {
        return Gesture([=](MainWindow& w) {
            const TextBoxWidget* b = boxNamed(w, "Text4");
            const auto point = [&](int in) {
                return b->mapTo(&w, QPoint(b->width() - 1 - in, b->height() / 2));
            };
            QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, point(fromRight));
            QTest::mouseMove(w.windowHandle(), point(releaseFromRight));
            QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, point(releaseFromRight));
        });
    };
    QTest::newRow("a click on the border is none") << at(0, 0) << 0;
    QTest::newRow("a click a pixel inside the border is one") << at(1, 1) << 1;
    QTest::newRow("released on the border is no click") << at(3, 0) << 0;
}

void TestWindow::gesturesOnAButton()
{
    QFETCH(Gesture, gesture);
    QFETCH(int, clicks);

    gesture(*window);

    QCOMPARE(window->form().diagonalMode, clicks % 2);
    QCOMPARE(box("Text4")->toPlainText(),
             clicks % 2 ? QStringLiteral("斜め問題") : QStringLiteral("普通問題"));
}

void TestWindow::paletteAndCellClicks()
{
    clickOn(*window, "Text6");  // automatic elimination on
    clickOn(*window, "Text2_4");
    QCOMPARE(window->form().selectedValue, QStringLiteral("5"));
    QCOMPARE(box("Text2_4")->palette().color(QPalette::Base), QColor(0xFF, 0x80, 0x80));
    QCOMPARE(box("Text2_10")->palette().color(QPalette::Base), QColor(0xC0, 0xFF, 0xC0));

    clickOn(*window, "Text1_40");
    const TextBoxWidget* placed = box("Text1_40");
    QCOMPARE(placed->toPlainText(), QStringLiteral("5"));
    QCOMPARE(placed->font().pointSizeF(), 28.0);
    QCOMPARE(placed->palette().color(QPalette::Text), QColor(0xC0, 0x00, 0x00));
    // The peers lost the digit, and only they changed.
    QCOMPARE(box("Text1_41")->toPlainText(), QStringLiteral("12346789"));
    QCOMPARE(box("Text1_4")->toPlainText(), QStringLiteral("12346789"));
    QCOMPARE(box("Text1_0")->toPlainText(), QStringLiteral("123456789"));
    QCOMPARE(box("Text1_41")->font().pointSizeF(), 11.0);
}

void TestWindow::singleViewStashesOnPressBeforeItsClick()
{
    // Another button than the left one raises only the mouse-down.
    clickOn(*window, "Text7", Qt::RightButton);
    QCOMPARE(window->form().stashedText[0], QStringLiteral("123456789"));
    QCOMPARE(window->form().singleView, 0);

    // The click draws on the stash its own press has just refreshed: had the
    // press come after it, the cells would show the old stash.
    window->form().stashedText.fill(QString());
    clickOn(*window, "Text2_2");
    clickOn(*window, "Text7");
    QCOMPARE(window->form().singleView, 1);
    for (int i : {0, 40, 80}) {
        const TextBoxWidget* cell = box(QStringLiteral("Text1_%1").arg(i));
        QCOMPARE(cell->toPlainText(), QStringLiteral("3"));
        QCOMPARE(cell->font().pointSizeF(), 28.0);
    }
    QVERIFY(box("Text3")->toPlainText().startsWith(QStringLiteral("単数表示されています")));

    // 全数表示 ends it: every cell shows its own text again.
    clickOn(*window, "Text8");
    QCOMPARE(window->form().singleView, 0);
    for (int i : {0, 40, 80})
        QCOMPARE(box(QStringLiteral("Text1_%1").arg(i))->toPlainText(), FullCandidates);
    QCOMPARE(box("Text3")->toPlainText(), QString(UsageText).replace("\r\n", "\n"));
}

void TestWindow::dataSaveAndLoad()
{
    clickAll(*window, {"Text2_4", "Text1_40", "Text9_0"});
    QCOMPARE(box("Text3")->toPlainText(), QStringLiteral("データが保存されました"));
    QCOMPARE(box("Text9_0")->palette().color(QPalette::Base), QColor(0xFF, 0x80, 0x80));

    // Load puts back the saved grid, not the board as it is now.
    clickAll(*window, {"Text2_2", "Text1_0", "Text9_1"});
    QCOMPARE(box("Text1_0")->toPlainText(), QStringLiteral("123456789"));
    QCOMPARE(box("Text1_0")->font().pointSizeF(), 11.0);
    QCOMPARE(box("Text1_40")->toPlainText(), QStringLiteral("5"));
    QCOMPARE(box("Text1_40")->palette().color(QPalette::Text), QColor(0xC0, 0x00, 0x00));
    QCOMPARE(box("Text9_0")->palette().color(QPalette::Base), QColor(0xC0, 0xFF, 0xFF));
    // One digit is no puzzle of one solution, and the message line says so.
    QCOMPARE(box("Text3")->toPlainText(), QStringLiteral("解が複数あります"));
}

// The keys that click a focused control run what a left click runs, and a
// box that takes typing still types a space and a line.
void TestWindow::keysThatClick_data()
{
    QTest::addColumn<QStringList>("before");  // clicks first
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<Setup>("expected");  // the same, by mouse, on a fresh window

    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers ctrl(Qt::ControlModifier);
    const auto clicked = [](QStringList names) {
        return Setup([names](Korvane& k) {
            for (const QString& name : names) {
                if (name.startsWith(u"Text1_"))
                    k.Text1_click(name.mid(6).toInt());
                else if (name.startsWith(u"Text2_"))
                    k.Text2_click(name.mid(6).toInt());
                else if (name == u"Text4")
                    k.Text4_click();
                else if (name == u"Text6")
                    k.Text6_Click();
                else if (name == u"Text7")
                    clickSingleNumber(k);
                else if (name == u"Text10")
                    k.Text10_click();
            }
        });
    };
    QTest::newRow("Space on a palette digit")
        << QStringList{} << "Text2_4" << int(Qt::Key_Space) << none << clicked({"Text2_4"});
    // A press, a drag or a key release may have given it an editor.
    QTest::newRow("Space on a palette digit that holds an editor")
        << QStringList{"edit"} << "Text2_4" << int(Qt::Key_Space) << none << clicked({"Text2_4"});
    QTest::newRow("Return on the puzzle type")
        << QStringList{} << "Text4" << int(Qt::Key_Return) << none << clicked({"Text4"});
    QTest::newRow("Enter on the keypad on continuous elimination")
        << QStringList{"Text2_4", "Text1_40"} << "Text10" << int(Qt::Key_Enter)
        << Qt::KeyboardModifiers(Qt::KeypadModifier) << clicked({"Text2_4", "Text1_40", "Text10"});
    QTest::newRow("Space on continuous elimination")
        << QStringList{"Text6", "Text2_4", "Text1_40"} << "Text10" << int(Qt::Key_Space) << none
        << clicked({"Text6", "Text2_4", "Text1_40", "Text10"});
    QTest::newRow("Ctrl+Return on automatic elimination")
        << QStringList{} << "Text6" << int(Qt::Key_Return) << ctrl << clicked({"Text6"});
    // Its release is the click's, no typed edit.
    QTest::newRow("Ctrl+Return on a cell that holds an editor types no line")
        << QStringList{"edit"} << "Text1_40" << int(Qt::Key_Return) << ctrl
        << clicked({"Text1_40"});
    QTest::newRow("Ctrl+Return on a cell places the digit")
        << QStringList{"Text2_4"} << "Text1_40" << int(Qt::Key_Return) << ctrl
        << clicked({"Text2_4", "Text1_40"});
    QTest::newRow("Ctrl+Return on the single-number display: press, then click")
        << QStringList{"Text2_2"} << "Text7" << int(Qt::Key_Return) << ctrl
        << clicked({"Text2_2", "Text7"});
    QTest::newRow("Space in a box that takes typing is typed")
        << QStringList{} << "Text9_0" << int(Qt::Key_Space) << none
        << Setup([](Korvane& k) { k.Text9[0].Text = QStringLiteral(" Data\r\nSave\r\n"); });
}

void TestWindow::keysThatClick()
{
    QFETCH(QStringList, before);
    QFETCH(QString, name);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(Setup, expected);

    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    TextBoxWidget* target = box(name);
    if (before == QStringList{"edit"})
        target->edit();
    else
        clickAll(*window, before);
    target->takeFocus(Qt::TabFocusReason);
    QCoreApplication::sendPostedEvents();
    QTest::keyClick(window->windowHandle(), Qt::Key(key), modifiers);
    QCoreApplication::sendPostedEvents();

    FakePort port;
    Korvane fresh(port);
    expected(fresh);
    QCOMPARE(formState(window->form()), formState(fresh));
}

// A key release in a cell is a typed edit only when its press went to that
// cell and was no command: the keys that move, press and open menus edit
// nothing, while an arrow key inside the cell is a typed edit as any key is.
void TestWindow::onlyTypingEdits_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QKeyCombination>("keys");
    QTest::addColumn<bool>("edit");
    const auto row = [](const char* name, const char* cell, QKeyCombination keys, bool edit) {
        QTest::newRow(name) << QString::fromLatin1(cell) << keys << edit;
    };
    row("Tab", "Text1_40", Qt::Key_Tab, false);
    row("Shift+Tab", "Text1_40", Qt::SHIFT | Qt::Key_Backtab, false);
    row("Alt+Right", "Text1_40", Qt::ALT | Qt::Key_Right, false);
    row("Alt+Up at the top of the grid, where nothing moves", "Text1_4", Qt::ALT | Qt::Key_Up,
        false);
    row("Ctrl+Return", "Text1_40", Qt::CTRL | Qt::Key_Return, false);
    row("Ctrl+H", "Text1_40", Qt::CTRL | Qt::Key_H, false);
    row("Ctrl+Shift+C", "Text1_40", Qt::CTRL | Qt::SHIFT | Qt::Key_C, false);
    row("Escape", "Text1_40", Qt::Key_Escape, false);
    row("an arrow key in the cell", "Text1_40", Qt::Key_Left, true);
    row("Shift alone", "Text1_40", Qt::Key_Shift, true);
    row("a digit", "Text1_40", Qt::Key_5, true);
}

void TestWindow::onlyTypingEdits()
{
    QFETCH(QString, cell);
    QFETCH(QKeyCombination, keys);
    QFETCH(bool, edit);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    box(cell)->takeFocus(Qt::TabFocusReason);
    QTRY_VERIFY(box(cell)->hasKeyboard());
    QTest::keyClick(window->windowHandle(), keys.key(), keys.keyboardModifiers());
    QCoreApplication::sendPostedEvents();
    QCOMPARE(window->form().restorePending, int(edit));
    QCOMPARE(window->form().Text10.Text,
             edit ? QStringLiteral("元に戻す") : QStringLiteral("連続消去"));
}

// With a screen reader on, a key press goes to the reader and comes back
// later, after a shortcut pressed after it: Ctrl's second press and its
// release are still Ctrl+H's, no typing.
void TestWindow::aKeyHandedBackStaysTheCommands()
{
    window->form().PastePuzzle(puzzles::SinglesGivens);
    window->mirror();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    box("Text1_40")->takeFocus(Qt::TabFocusReason);
    QTRY_VERIFY(box("Text1_40")->hasKeyboard());
    QWidget* cell = QApplication::focusWidget();
    QWindow* platform = window->windowHandle();
    QTest::simulateEvent(platform, true, Qt::Key_Control, Qt::NoModifier, QString(), false);
    QTest::simulateEvent(platform, true, Qt::Key_H, Qt::ControlModifier, QString(), false);
    QTest::simulateEvent(platform, false, Qt::Key_H, Qt::ControlModifier, QString(), false);
    QCOMPARE(window->hintStage(), 1);
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QApplication::sendEvent(cell, &again);
    QTest::simulateEvent(platform, false, Qt::Key_Control, Qt::ControlModifier, QString(), false);
    QCOMPARE(window->form().restorePending, 0);
    QCOMPARE(window->hintStage(), 1);
}

// Each Space clicks a button once: the second as the first, a held one no
// more than once.
void TestWindow::spaceClicksOncePerPress()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    TextBoxWidget* button = box("Text2_4");
    QSignalSpy clicks(button, &TextBoxWidget::clicked);
    button->takeFocus(Qt::TabFocusReason);
    QTest::keyClick(window->windowHandle(), Qt::Key_Space);
    QTest::keyClick(window->windowHandle(), Qt::Key_Space);
    QCOMPARE(clicks.count(), 2);
    // The release of the Tab that brought the keyboard here makes no editor.
    box("Text2_3")->takeFocus(Qt::TabFocusReason);
    QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    QVERIFY(button->hasKeyboard());
    QVERIFY(!button->editor());
    QTest::keyPress(window->windowHandle(), Qt::Key_Space);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(button, &repeat);
    QTest::keyRelease(window->windowHandle(), Qt::Key_Space);
    QCOMPARE(clicks.count(), 3);
}

void TestWindow::altArrowsMoveBetweenCells_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("right") << 40 << int(Qt::Key_Right) << 41;
    QTest::newRow("left") << 40 << int(Qt::Key_Left) << 39;
    QTest::newRow("up") << 40 << int(Qt::Key_Up) << 31;
    QTest::newRow("down") << 40 << int(Qt::Key_Down) << 49;
    QTest::newRow("no further right at the edge") << 44 << int(Qt::Key_Right) << 44;
    QTest::newRow("no further left at the edge") << 36 << int(Qt::Key_Left) << 36;
    QTest::newRow("no further up at the top") << 4 << int(Qt::Key_Up) << 4;
    QTest::newRow("no further down at the bottom") << 76 << int(Qt::Key_Down) << 76;
}

void TestWindow::altArrowsMoveBetweenCells()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const auto cell = [this](int i) { return box(QStringLiteral("Text1_%1").arg(i)); };
    cell(from)->takeFocus(Qt::TabFocusReason);
    QCoreApplication::sendPostedEvents();
    // As the platform delivers keys: to the window, on to the focus.
    QTest::keyClick(window->windowHandle(), Qt::Key(key), Qt::AltModifier);
    QCoreApplication::sendPostedEvents();
    QVERIFY(cell(to)->hasKeyboard());
    // A bare arrow moves the caret, not the keyboard.
    QTest::keyClick(window->windowHandle(), Qt::Key(key));
    QVERIFY(cell(to)->hasKeyboard());
}

// The mark shows on the control that has the keyboard, and only there.
void TestWindow::focusMarkOnlyWhereTheKeyboardIs()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const auto marked = [this] {
        QStringList names;
        for (const QString& name : controlNames()) {
            for (QWidget* child : box(name)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (child->isVisible() && !qobject_cast<QTextEdit*>(child))
                    names << name;
            }
        }
        return names;
    };
    // At the start the keyboard is on the first cell, and its mark shows.
    QTRY_COMPARE(marked(), QStringList{"Text1_0"});
    QVERIFY(box("Text1_0")->hasKeyboard());
    box("Text2_4")->takeFocus(Qt::TabFocusReason);
    QTRY_COMPARE(marked(), QStringList{"Text2_4"});
    box("Text1_40")->takeFocus(Qt::TabFocusReason);
    QTRY_COMPARE(marked(), QStringList{"Text1_40"});
    QTRY_VERIFY(box("Text1_40")->editor() && box("Text1_40")->editor()->hasFocus());
    // The editor has the keyboard now; the mark stays with the box.
    QTest::keyClick(box("Text1_40")->editor(), Qt::Key_End);
    QCOMPARE(marked(), QStringList{"Text1_40"});
    box("Text1_40")->editor()->clearFocus();
    QTRY_COMPARE(marked(), QStringList());
    // Alt+arrow moves it as Tab does; a mouse press ends it, as in Qt's own
    // styles.
    box("Text1_40")->takeFocus(Qt::TabFocusReason);
    QTest::keyClick(window->windowHandle(), Qt::Key_Right, Qt::AltModifier);
    QTRY_COMPARE(marked(), QStringList{"Text1_41"});
    QTest::mouseClick(box("Text2_4"), Qt::LeftButton);
    QTRY_VERIFY(box("Text2_4")->hasKeyboard());
    QCOMPARE(marked(), QStringList());
}

// The puzzle commands, from their keys anywhere and from a cell's menu, run
// as the form's own do, and the chord's key releases run no cell's handler.
void TestWindow::puzzleCommands_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<Setup>("before");  // the window's form, and a fresh one alike
    QTest::addColumn<Gesture>("command");
    QTest::addColumn<Setup>("expected");
    QTest::addColumn<QString>("copied");  // the clipboard after, or nothing to check

    const QString line = QStringLiteral(
        "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79");
    const auto keys = keysIn;
    const auto menu = menuEntry;
    const Setup none = [](Korvane&) {};
    const Setup pasted = [=](Korvane& k) { k.PastePuzzle(line); };
    const auto refused = [](Korvane& k) {
        k.Text3.Text = QStringLiteral("貼り付けた文字列は問題として読めません");
    };
    const QKeyCombination pasteKeys(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_V);
    const QKeyCombination copyKeys(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_C);

    QTest::newRow("Ctrl+Shift+V in a cell")
        << line << none << keys("Text1_40", pasteKeys) << pasted << line;
    QTest::newRow("Ctrl+Shift+V on a button")
        << line << none << keys("Text2_4", pasteKeys) << pasted << line;
    QTest::newRow("問題を貼り付け") << line << none << menu("問題を貼り付け") << pasted << line;
    QTest::newRow("Ctrl+Shift+V of what is no puzzle")
        << "メモ" << none << keys("Text1_40", pasteKeys) << Setup(refused) << "メモ";
    QTest::newRow("Ctrl+Shift+C in a cell")
        << "" << pasted << keys("Text1_40", copyKeys) << none << line;
    QTest::newRow("問題をコピー") << "" << pasted << menu("問題をコピー") << none << line;
    Fixture grid;
    grid.form.PastePuzzle(line);
    QTest::newRow("候補をコピー") << "" << pasted << menu("候補をコピー") << none
                                  << grid.form.CandidateGrid();
}

void TestWindow::puzzleCommands()
{
    QFETCH(QString, clipboard);
    QFETCH(Setup, before);
    QFETCH(Gesture, command);
    QFETCH(Setup, expected);
    QFETCH(QString, copied);

    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QGuiApplication::clipboard()->setText(clipboard);
    before(window->form());
    window->mirror();
    command(*window);
    QCoreApplication::sendPostedEvents();

    FakePort port;
    Korvane fresh(port);
    before(fresh);
    expected(fresh);
    QCOMPARE(formState(window->form()), formState(fresh));
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    QCOMPARE(box("Text1_40")->toPlainText(), boxtext::shown(fresh.Text1[40].Text));
}

// 取り消し and やり直し from keys anywhere in the window and from a cell's
// menu: each takes back, or brings again, one whole action, typing included;
// the text edit's own undo never takes back a keystroke behind the form.
void TestWindow::undoAndRedo_data()
{
    QTest::addColumn<Gesture>("undo");
    QTest::addColumn<Gesture>("redo");

    const QKeyCombination undo(Qt::ControlModifier, Qt::Key_Z);
    QTest::newRow("Ctrl+Z, Ctrl+Shift+Z in the cell typed in")
        << keysIn("Text1_0", undo)
        << keysIn("Text1_0", QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z));
    QTest::newRow("Ctrl+Z, Ctrl+Y on a button")
        << keysIn("Text10", undo)
        << keysIn("Text10", QKeyCombination(Qt::ControlModifier, Qt::Key_Y));
    QTest::newRow("取り消し, やり直し") << menuEntry("取り消し") << menuEntry("やり直し");
}

void TestWindow::undoAndRedo()
{
    QFETCH(Gesture, undo);
    QFETCH(Gesture, redo);

    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    std::vector<FormState> states{window->form()};
    clickOn(*window, "Text2_4");
    states.push_back(window->form());
    clickOn(*window, "Text1_40");
    states.push_back(window->form());
    box("Text1_0")->takeFocus(Qt::TabFocusReason);
    QCoreApplication::sendPostedEvents();
    QTest::keyClick(window->windowHandle(), Qt::Key_Delete);
    QCOMPARE(window->form().Text1[0].Text.size(), 8);
    states.push_back(window->form());

    for (int at : {2, 1, 0}) {
        undo(*window);
        Korvane expected(window->messagePort());
        static_cast<FormState&>(expected) = states[size_t(at)];
        QCOMPARE(formState(window->form()), formState(expected));
        QVERIFY2(static_cast<const FormState&>(window->form()) == states[size_t(at)],
                 qPrintable(QString::number(at)));
        QCOMPARE(box("Text1_0")->toPlainText(), boxtext::shown(states[size_t(at)].Text1[0].Text));
        QCOMPARE(box("Text1_40")->toPlainText(), boxtext::shown(states[size_t(at)].Text1[40].Text));
    }
    // Nothing further back: the form stays as it is.
    undo(*window);
    QVERIFY(static_cast<const FormState&>(window->form()) == states[0]);
    redo(*window);
    QVERIFY(static_cast<const FormState&>(window->form()) == states[1]);
    // An action after an undo leaves nothing to redo.
    clickOn(*window, "Text2_2");
    QVERIFY(!window->form().canRedo());
}

// 間違いを探す frames the wrong cell over the board, says which it is, and
// the next action takes the frame away.
void TestWindow::mistakeFramedUntilTheNextAction()
{
    window->form().PastePuzzle(puzzles::SinglesGivens);
    window->mirror();
    clickAll(*window, {"Text2_2", "Text1_0"});  // 3 where 2 belongs
    window->commands().findMistake()->trigger();
    QCOMPARE(window->form().Text3.Text, QStringLiteral("間違い：1行1列の3は正しくありません"));
    QVERIFY(window->hintMarks()->isVisible());
    QCOMPARE(window->hintStage(), 0);
    clickOn(*window, "Text2_5");
    QVERIFY(!window->hintMarks()->isVisible());
}

// Ctrl+S and 問題を保存… write the puzzle where the save dialog says; a
// cancelled dialog writes nothing.
void TestWindow::savePuzzleFromKeysAndMenu()
{
    const TemporaryCurrentFolder folder;
    QVERIFY(folder.isValid());
    QString answer = QStringLiteral("保存.txt");
    QString offered;
    window->setSaveChooser([&](QWidget*, const QString& current) {
        offered = current;
        return answer;
    });
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->form().PastePuzzle(QStringLiteral("5") + QString(80, u'0'));
    window->mirror();
    box("Text1_3")->takeFocus(Qt::TabFocusReason);
    QTest::keyClick(window->windowHandle(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(offered, QStringLiteral("mondai.txt"));
    const QString path = QDir::current().absoluteFilePath(answer);
    QCOMPARE(window->form().puzzleFile, path);
    QCOMPARE(box("Text3")->toPlainText(), QStringLiteral("問題が保存されました"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             puzzlefile::drawnGrid(
                 puzzlefile::parseText(QStringLiteral("5") + QString(80, u'0')).entries()));
    answer.clear();
    window->savePuzzleAction()->trigger();
    QCOMPARE(offered, path);
    QCOMPARE(QDir().entryList(QDir::Files), QStringList{QStringLiteral("保存.txt")});
}

// A puzzle file opened by a drop or the file dialog is loaded as Data Load
// loads one and becomes Data Load's file; anything else dropped is refused.
// The file has a 9 in its corner.
void TestWindow::openingAPuzzleFile_data()
{
    QTest::addColumn<Opening>("open");
    QTest::addColumn<bool>("opened");

    const auto url = [](const QString& path) { return QUrl::fromLocalFile(path); };
    QTest::newRow("one file dropped on the window")
        << Opening([&](MainWindow& w, const QString& path) { dragOnto(w, w, {url(path)}, {}); })
        << true;
    QTest::newRow("one file dropped on a cell, which leaves it to the window")
        << Opening([&](MainWindow& w, const QString& path) {
               dragOnto(*boxNamed(w, "Text1_40"), w, {url(path)}, path);
           })
        << true;
    QTest::newRow("two files are refused") << Opening([&](MainWindow& w, const QString& path) {
        dragOnto(w, w, {url(path), url(path)}, {});
    }) << false;
    QTest::newRow("a remote file is refused") << Opening([](MainWindow& w, const QString&) {
        dragOnto(w, w, {QUrl("https://example.org/mondai.txt")}, {});
    }) << false;
    QTest::newRow("text dropped on the window is refused")
        << Opening([](MainWindow& w, const QString& path) { dragOnto(w, w, {}, path); }) << false;
    QTest::newRow("Ctrl+O and a file chosen") << Opening([](MainWindow& w, const QString& path) {
        w.setFileChooser([path](QWidget*, const QString&) { return path; });
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    }) << true;
    QTest::newRow("Ctrl+O offers no dialog in the single-number display")
        << Opening([](MainWindow& w, const QString& path) {
               clickAll(w, {"Text2_2", "Text7"});
               bool asked = false;
               w.setFileChooser([&](QWidget*, const QString&) {
                   asked = true;
                   return path;
               });
               QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
               QVERIFY(!asked);
               clickOn(w, "Text8");
           })
        << false;
    QTest::newRow("Ctrl+O and cancel") << Opening([](MainWindow& w, const QString&) {
        w.setFileChooser([](QWidget*, const QString&) { return QString(); });
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    }) << false;
}

void TestWindow::openingAPuzzleFile()
{
    QFETCH(Opening, open);
    QFETCH(bool, opened);

    const TemporaryCurrentFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.path() + QStringLiteral("/他の 場所 問題.txt");
    QVERIFY(writeFile(path, drawnGrid(QStringLiteral("9") + QString(80, u'.'))));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    open(*window, path);
    QCOMPARE(box("Text1_0")->toPlainText(),
             opened ? QStringLiteral("9") : QStringLiteral("123456789"));
    QCOMPARE(window->form().puzzleFile, opened ? path : QStringLiteral("mondai.txt"));
}

void TestWindow::keptBoardOfferedInARealBox_data()
{
    QTest::addColumn<int>("key");  // answers the box; its release reaches the cell
    QTest::addColumn<bool>("restored");
    QTest::newRow("Return answers はい") << int(Qt::Key_Return) << true;
    QTest::newRow("Escape answers いいえ") << int(Qt::Key_Escape) << false;
}

// The key that answers comes up in the cell that has the focus again; it
// runs no handler there, so the board stays as the answer left it, and the
// next key's release is the cell's again.
void TestWindow::keptBoardOfferedInARealBox()
{
    QFETCH(int, key);
    QFETCH(bool, restored);

    FakePort port;
    Korvane kept(port);
    kept.PastePuzzle(puzzles::SinglesGivens);
    kept.Text9_click(0);
    const Korvane startUp = window->form();

    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    TextBoxWidget* cell = box("Text1_0");
    cell->setFocus();
    QCoreApplication::sendPostedEvents();
    QStringList prompts;
    OpenBoxAnswerer answerer([&](QMessageBox& box) {
        prompts << box.text();
        QTest::keyPress(&box, Qt::Key(key));
    });
    window->offerKeptBoard(kept);
    QCOMPARE(prompts, QStringList{QStringLiteral("前回の盤面を復元しますか？")});
    // As the platform delivers it once the window is active again: to the
    // window, and on to the focus.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTRY_VERIFY(cell->hasKeyboard());
    QTest::keyRelease(window->windowHandle(), Qt::Key(key));
    const FormState& expected = restored ? kept : startUp;
    QVERIFY(static_cast<const FormState&>(window->form()) == expected);
    QCOMPARE(cell->formText(), expected.Text1[0].Text);

    QSignalSpy released(cell, &TextBoxWidget::keyReleased);
    QTest::keyClick(window->windowHandle(), Qt::Key_Left);
    QCOMPARE(released.count(), 1);
    QCOMPARE(window->form().restorePending, 1);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
