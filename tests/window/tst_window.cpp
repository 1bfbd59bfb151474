// The window on screen: every control where the layout puts it, in its
// colours and sizes, texts that fit their boxes, and user gestures that reach
// the form's handlers and come back as changed widgets.
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
// A way of putting text into a box, as the user would.
using Insertion = std::function<void(TextBoxWidget&, const QString&)>;
Q_DECLARE_METATYPE(Insertion)
// A way of opening a puzzle file in the window; an empty path is a drag of
// something else, or a cancelled dialog.
using Opening = std::function<void(MainWindow&, const QString& path)>;
Q_DECLARE_METATYPE(Opening)
// Opens a menu or a box over a box; returns what closes it.
using Opener = std::function<std::function<void()>(TextBoxWidget&)>;
Q_DECLARE_METATYPE(Opener)
Q_DECLARE_METATYPE(Setup)

namespace {

// Where the ink of every line lies, in viewport pixels, and whether any line
// is wider than the box.
struct Ink {
    QRectF bounds;
    int lines = 0;
    bool tooWide = false;
};

// Laid out as the box lays it out, which is as its editor does.
Ink inkOf(TextBoxWidget& box)
{
    Ink ink;
    const QTextDocument* doc = box.edit()->document();
    const QFontMetricsF metrics(box.font());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty())
            continue;
        const QPointF origin = doc->documentLayout()->blockBoundingRect(block).topLeft();
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const QString text = block.text().mid(line.textStart(), line.textLength());
            QRectF glyphs = metrics.tightBoundingRect(text);
            glyphs.translate(origin +
                             QPointF(line.cursorToX(line.textStart()), line.y() + line.ascent()));
            ink.bounds = ink.bounds.isNull() ? glyphs : ink.bounds.united(glyphs);
            ink.tooWide = ink.tooWide || line.naturalTextWidth() > line.width() + 0.01;
            ++ink.lines;
        }
    }
    return ink;
}

}  // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowFrame();
    void placesAnchoredToTheGrid_data();
    void placesAnchoredToTheGrid();
    void everyControlFollowsTheForm_data();
    void everyControlFollowsTheForm();
    void tabOrder();
    void textsFitTheirBoxes_data();
    void textsFitTheirBoxes();
    void pictureHitTesting_data();
    void pictureHitTesting();

    void gesturesOnAButton_data();
    void gesturesOnAButton();
    void paletteAndCellClicks();
    void singleViewStashesOnPressBeforeItsClick();
    void dataSaveAndLoad();
    void typingIntoACell_data();
    void typingIntoACell();
    void caretStaysWhereTheFormRewrites_data();
    void caretStaysWhereTheFormRewrites();
    void inputMethodCommit();
    void compositionStaysInItsCell();
    void oneKeyReleaseOneHandler();
    void editorsOnlyWhereTheUserWorks();
    void wheelScrollsOnlyATallerText_data();
    void wheelScrollsOnlyATallerText();
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
    void savePuzzleFromKeysAndMenu();
    void idleEditorWaitsForLoopsOfItsOwn_data();
    void idleEditorWaitsForLoopsOfItsOwn();
    void editedCellTurnsIntoAMark();
    void commitDuringAMessageBoxStartsNoHandler();
    void everyWayInIsBounded_data();
    void everyWayInIsBounded();
    void openingAPuzzleFile_data();
    void openingAPuzzleFile();
    void keptBoardOfferedInARealBox_data();
    void keptBoardOfferedInARealBox();
    void hintInThreeStages();

private:
    std::unique_ptr<MainWindow> window;
    TextBoxWidget* box(const QString& name) { return boxNamed(*window, name); }
};

void TestWindow::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestWindow::cleanup()
{
    window.reset();
}

void TestWindow::windowFrame()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Korvane"));
    QCOMPARE(window->size(), QSize(461, 539));
    QCOMPARE(window->minimumSize(), window->maximumSize());
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

    QCOMPARE(widget->geometry(), QRect(b.Left / 15, b.Top / 15, b.Width / 15, b.Height / 15));
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
    QStringList expected = ::tabOrder();

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

void TestWindow::textsFitTheirBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");  // empty: the text the window starts with
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("lines");  // 0: as many as it takes

    QTest::newRow("all candidates, 11 points") << "Text1_40"
                                               << "123456789" << 11.0 << 0;
    QTest::newRow("six candidates, 14 points") << "Text1_40"
                                               << "134679" << 14.0 << 0;
    QTest::newRow("decided digit, 28 points") << "Text1_40"
                                              << "8" << 28.0 << 1;
    QTest::newRow("conflict mark, 28 points") << "Text1_40"
                                              << "＊" << 28.0 << 1;
    QTest::newRow("palette digit") << "Text2_7"
                                   << "" << 20.25 << 1;
    QTest::newRow("correction") << "Text2_10"
                                << "" << 9.75 << 1;
    QTest::newRow("partial undo") << "Text2_9"
                                  << "" << 9.75 << 2;
    QTest::newRow("Data Save keeps its words whole") << "Text9_0"
                                                     << "" << 9.75 << 2;
    QTest::newRow("Data Load keeps its words whole") << "Text9_1"
                                                     << "" << 9.75 << 2;
    QTest::newRow("automatic elimination") << "Text6"
                                           << "" << 9.75 << 2;
    QTest::newRow("restore") << "Text10"
                             << "元に戻す" << 9.75 << 2;
    QTest::newRow("usage text") << "Text3"
                                << "" << 9.0 << 2;
    QTest::newRow("single-number message")
        << "Text3"
        << "単数表示されています　戻すには「全数表示」をクリックして下さい" << 9.0 << 2;
}

void TestWindow::textsFitTheirBoxes()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(int, lines);

    TextBox& b = controlNamed(window->form(), name);
    if (!text.isEmpty())
        b.Text = text;
    b.FontSize = points;
    window->mirror();

    TextBoxWidget* widget = box(name);
    const Ink ink = inkOf(*widget);
    const QRect inside = widget->editor()->viewport()->rect();
    QVERIFY2(!ink.tooWide, "a line is wider than its box");
    // The glyph boxes are whole pixels, up to one more than the ink.
    QVERIFY2(ink.bounds.top() >= -1 && ink.bounds.bottom() <= inside.height() + 1,
             qPrintable(QStringLiteral("ink from %1 to %2 in a box %3 high")
                            .arg(ink.bounds.top())
                            .arg(ink.bounds.bottom())
                            .arg(inside.height())));
    QVERIFY(ink.bounds.left() >= -1 && ink.bounds.right() <= inside.width() + 1);
    if (lines > 0)
        QCOMPARE(ink.lines, lines);
}

// Where a box's picture puts each character is where its editor does, and
// a point on a character finds that character again.
void TestWindow::pictureHitTesting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");  // empty: the text the window starts with

    QTest::newRow("all candidates, over three lines") << "Text1_40"
                                                      << "";
    QTest::newRow("a decided digit") << "Text1_40"
                                     << "8";
    QTest::newRow("candidates with a line break") << "Text1_40"
                                                  << "12\r\n3";
    QTest::newRow("a caption of two lines") << "Text9_1"
                                            << "";
    QTest::newRow("the message line, wrapped") << "Text3"
                                               << "";
    QTest::newRow("centred on a button") << "Text7"
                                         << "";
}

void TestWindow::pictureHitTesting()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    if (!text.isEmpty()) {
        TextBox& b = controlNamed(window->form(), name);
        b.Text = text;
        b.FontSize = Korvane::fontSizeForLength(text.size());
        window->mirror();
    }
    TextBoxWidget* widget = box(name);
    BoxPicture& picture = widget->picture();
    QTextEdit* editor = widget->edit();
    const QPoint viewport = editor->viewport()->mapTo(widget, QPoint());
    const QString shown = widget->toPlainText();
    for (int i = 0; i < shown.size(); ++i) {
        const QRectF place = picture.characterRect(i);
        const QString at = QStringLiteral("offset %1 of \"%2\"").arg(i).arg(shown);
        QTextCursor cursor(editor->document());
        cursor.setPosition(i);
        const QRect caret = editor->cursorRect(cursor).translated(viewport);
        if (place.isEmpty() && shown[i] != u'\n') {
            // Only a line the box does not show has no place.
            QVERIFY2(caret.top() >= widget->height() - 2, qPrintable(at));
            continue;
        }
        QVERIFY2(qAbs(place.left() - caret.left()) <= 1, qPrintable(at));
        QVERIFY2(place.top() <= caret.center().y() && caret.center().y() <= place.bottom(),
                 qPrintable(at));
        if (shown[i] != u'\n') {
            const QPointF onIt(place.left() + place.width() / 4, place.center().y());
            QVERIFY2(picture.offsetAt(onIt) == i, qPrintable(at));
        }
    }
    QCOMPARE(picture.characterRect(int(shown.size())), QRectF());
    // Past the end of every line, the end of the text.
    QCOMPARE(picture.offsetAt(QPointF(widget->width(), widget->height())), int(shown.size()));
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
    QVERIFY(box("Text3")->toPlainText().startsWith(QStringLiteral("使用方法")));
}

// What the form makes of a typed text is the core's to test; here, that the
// keys reach it as the form counts them, and what the cell shows after.
void TestWindow::typingIntoACell_data()
{
    QTest::addColumn<QString>("typed");  // after selecting the whole text
    QTest::addColumn<QString>("candidates");
    QTest::addColumn<double>("points");
    QTest::newRow("one digit") << "7"
                               << "7" << 28.0;
    QTest::newRow("a line break counts as two characters") << "123\n456"
                                                           << "123\r\n456" << 11.0;
    QTest::newRow("everything deleted") << "\b"
                                        << "" << 14.0;
}

void TestWindow::typingIntoACell()
{
    QFETCH(QString, typed);
    QFETCH(QString, candidates);
    QFETCH(double, points);

    TextBoxWidget* cell = box("Text1_30");
    clickOn(*window, "Text1_30");
    QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
    for (QChar c : typed) {
        if (c == u'\b')
            QTest::keyClick(cell, Qt::Key_Backspace);
        else if (c == u'\n')
            QTest::keyClick(cell, Qt::Key_Return);
        else
            QTest::keyClicks(cell, QString(c));
    }

    QCOMPARE(window->form().Text1[30].Text, candidates);
    QCOMPARE(window->form().candidates[30], candidates);
    QCOMPARE(cell->font().pointSizeF(), points);
    QCOMPARE(box("Text10")->toPlainText(), QStringLiteral("元に戻す"));
    QCOMPARE(box("Text10")->palette().color(QPalette::Base), QColor(0xFF, 0x80, 0x80));
    // Mirroring the new size left the caret behind the last typed character.
    QCOMPARE(cell->editor()->textCursor().position(), QString(typed).remove(u'\b').size());
    QCOMPARE(cell->editor()->textCursor().hasSelection(), false);
}

// When the form rewrites a text the user is working in, the caret and the
// selection keep their places in the part that did not change.
void TestWindow::caretStaysWhereTheFormRewrites_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QPoint>("selection");  // anchor, caret
    QTest::addColumn<QString>("after");
    QTest::addColumn<QPoint>("kept");

    QTest::newRow("full-width digits made ASCII, caret behind them")
        << "１２３" << QPoint(3, 3) << "123" << QPoint(3, 3);
    QTest::newRow("a digit removed before the caret")
        << "123456789" << QPoint(9, 9) << "12346789" << QPoint(8, 8);
    QTest::newRow("a digit removed after the caret")
        << "123456789" << QPoint(2, 2) << "12346789" << QPoint(2, 2);
    QTest::newRow("a digit removed inside the selection")
        << "12345" << QPoint(1, 3) << "1245" << QPoint(1, 2);
    QTest::newRow("a line break counts once")
        << "12\r\n34" << QPoint(5, 5) << "12\r\n4" << QPoint(4, 4);
    QTest::newRow("the whole text replaced") << "123" << QPoint(0, 3) << "＊" << QPoint(0, 1);
}

void TestWindow::caretStaysWhereTheFormRewrites()
{
    QFETCH(QString, before);
    QFETCH(QPoint, selection);
    QFETCH(QString, after);
    QFETCH(QPoint, kept);

    TextBox& cell = window->form().Text1[30];
    cell.Text = before;
    window->mirror();
    QTextEdit* editor = box("Text1_30")->edit();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(selection.x());
    cursor.setPosition(selection.y(), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);

    cell.Text = after;
    window->mirror();
    QCOMPARE(box("Text1_30")->toPlainText(), QString(after).replace("\r\n", "\n"));
    QCOMPARE(QPoint(editor->textCursor().anchor(), editor->textCursor().position()), kept);
}

void TestWindow::inputMethodCommit()
{
    TextBoxWidget* cell = box("Text1_12");
    cell->setFocus();
    cell->edit()->selectAll();

    QInputMethodEvent compose(QStringLiteral("ご"), {});
    QCoreApplication::sendEvent(cell, &compose);
    QCOMPARE(window->form().candidates[12], QStringLiteral("123456789"));

    // An input method in its usual mode commits full-width digits: the cell
    // takes them as the digits they are, and the caret stays behind them.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("５７"));
    QCoreApplication::sendEvent(cell, &commit);
    // The handler runs once the input method is done with its commit.
    QCOMPARE(window->form().candidates[12], QStringLiteral("123456789"));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(window->form().candidates[12], QStringLiteral("57"));
    QCOMPARE(cell->toPlainText(), QStringLiteral("57"));
    QCOMPARE(cell->font().pointSizeF(), 14.0);
    QCOMPARE(cell->editor()->textCursor().position(), 2);
    QCOMPARE(window->form().restorePending, 1);

    // The conversion is part of the commit: undo takes both back at once and
    // never shows the full-width digits.
    QTest::keyClick(cell, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cell->toPlainText().contains(QStringLiteral("７")), false);
    QCOMPARE(cell->toPlainText().contains(QStringLiteral("7")), false);
    QCOMPARE(window->form().candidates[12], cell->toPlainText());
}

// A composition in progress when the keyboard moves to another cell ends in
// its own cell, even where the input method commits it a second time.
void TestWindow::compositionStaysInItsCell()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    TextBoxWidget* first = box("Text1_10");
    TextBoxWidget* second = box("Text1_20");
    first->setFocus();
    first->edit()->selectAll();
    const auto send = [](TextBoxWidget* cell, const QString& preedit, const QString& commit) {
        QInputMethodEvent event(preedit, {});
        event.setCommitString(commit);
        QCoreApplication::sendEvent(cell, &event);
        QCoreApplication::sendPostedEvents();
    };
    send(first, QStringLiteral("あいう"), QString());
    // Qt has the input method commit into the cell the keyboard leaves...
    send(first, QString(), QStringLiteral("あいう"));
    second->setFocus();
    // ...and mozc commits the same once more, into the cell that has it now.
    send(second, QString(), QStringLiteral("あいう"));
    QCOMPARE(first->toPlainText(), QStringLiteral("あいう"));
    QCOMPARE(second->toPlainText(), QStringLiteral("123456789"));

    // What is composed in the second cell is its own.
    send(second, QStringLiteral("あいう"), QString());
    send(second, QString(), QStringLiteral("あいう"));
    QCOMPARE(second->toPlainText().count(QStringLiteral("あいう")), 1);
}

// The editor has a key first; what it leaves alone goes on to the window,
// not back to it. So a key release runs the typed-edit handler once.
void TestWindow::oneKeyReleaseOneHandler()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    TextBoxWidget* cell = box("Text1_5");
    cell->setFocus();
    QCoreApplication::sendPostedEvents();
    QVERIFY(cell->editor() && cell->editor()->hasFocus());
    QSignalSpy released(cell, &TextBoxWidget::keyReleased);
    // As the platform delivers keys: to the window, and on to the focus.
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    QTest::keyClick(window->windowHandle(), Qt::Key_Left);
    QCOMPARE(released.count(), 2);
    // A key held down repeats: its releases while it repeats are left out.
    for (int i = 0; i < 3; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, {}, QString(), true);
        QCoreApplication::sendEvent(cell, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, {}, QString(), true);
        QCoreApplication::sendEvent(cell, &release);
    }
    QCOMPARE(released.count(), 2);
}

// A box holds an editor while it has the keyboard or keeps something of the
// user's (here the history of a typed edit); the others paint themselves.
void TestWindow::editorsOnlyWhereTheUserWorks()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const auto editing = [this] {
        QStringList names;
        for (const QString& name : controlNames()) {
            if (box(name)->editor())
                names << name;
        }
        return names;
    };
    clickOn(*window, "Text1_3");
    QTest::keyClicks(QApplication::focusWidget(), "12");
    clickAll(*window, {"Text1_4", "Text1_5", "Text2_2", "Text1_6"});
    QTRY_COMPARE(editing(), (QStringList{"Text1_3", "Text1_6"}));
    // A palette click needs none.
    clickOn(*window, "Text2_4");
    QTRY_COMPARE(editing(), QStringList{"Text1_3"});
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

// The wheel scrolls a box whose text goes on below it; over any other box it
// is the window's, and the box takes no editor for it.
void TestWindow::wheelScrollsOnlyATallerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("three lines of candidates fit") << "123456789" << false;
    QTest::newRow("a fourth line, just below the cell") << "1234567891234" << true;
    QTest::newRow("a long text") << QString(200, u'1') << true;
}

void TestWindow::wheelScrollsOnlyATallerText()
{
    QFETCH(QString, text);
    QFETCH(bool, scrolls);
    TextBox& cell = window->form().Text1[40];
    cell.Text = text;
    cell.FontSize = Korvane::fontSizeForLength(text.size());
    window->mirror();
    TextBoxWidget* widget = box("Text1_40");
    const QPointF at = widget->rect().center();
    QWheelEvent turn(at, widget->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &turn);

    QCOMPARE(turn.isAccepted(), scrolls);
    QCOMPARE(widget->editor() != nullptr, scrolls);
    if (scrolls)
        QVERIFY(widget->editor()->verticalScrollBar()->value() > 0);
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
    const auto keys = [](QString name, QKeyCombination chord) {
        return Gesture([=](MainWindow& w) {
            boxNamed(w, name)->takeFocus(Qt::TabFocusReason);
            QCoreApplication::sendPostedEvents();
            QTest::keyClick(w.windowHandle(), chord.key(), chord.keyboardModifiers());
        });
    };
    // Opens cell 40's menu, which keeps the text edit's own entries, and
    // chooses `entry`.
    const auto menu = [](QString entry) {
        return Gesture([=](MainWindow& w) {
            TextBoxWidget* cell = boxNamed(w, QStringLiteral("Text1_40"));
            QContextMenuEvent open(QContextMenuEvent::Mouse, cell->rect().center(),
                                   cell->mapToGlobal(cell->rect().center()));
            QCoreApplication::sendEvent(cell, &open);
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(popup);
            const QString paste = QCoreApplication::translate("QWidgetTextControl", "&Paste");
            QStringList texts;
            for (QAction* action : popup->actions())
                texts << action->text();
            QVERIFY(!texts.filter(QRegularExpression(u'^' + QRegularExpression::escape(paste)))
                         .isEmpty());
            for (QAction* action : popup->actions()) {
                if (action->text() == entry)
                    action->trigger();
            }
            popup->close();
        });
    };
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

// An idle editor looks as its box does, but a menu or a message box that is
// open may still hold on to it: it is given up once they are closed.
void TestWindow::idleEditorWaitsForLoopsOfItsOwn_data()
{
    QTest::addColumn<Opener>("open");
    QTest::newRow("its context menu") << Opener([](TextBoxWidget& box) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, box.rect().center(),
                               box.mapToGlobal(box.rect().center()));
        QCoreApplication::sendEvent(&box, &menu);
        return [] { OpenBoxAnswerer::closePopup(); };
    });
    QTest::newRow("a message box") << Opener([](TextBoxWidget& box) {
        auto message = std::make_shared<QMessageBox>(QMessageBox::NoIcon, "Korvane", "?",
                                                     QMessageBox::Ok, box.window());
        message->setWindowModality(Qt::ApplicationModal);
        message->show();
        box.edit();
        return [message] { message->close(); };
    });
}

void TestWindow::idleEditorWaitsForLoopsOfItsOwn()
{
    QFETCH(Opener, open);
    TextBoxWidget* line = box("Text3");
    const std::function<void()> close = open(*line);
    QVERIFY(line->editor());
    QVERIFY(QApplication::activePopupWidget() || QApplication::activeModalWidget());
    // A new text would let an idle editor go.
    window->form().Text3.Text = QStringLiteral("データが保存されました");
    window->mirror();
    QTest::qWait(150);
    QVERIFY(line->editor());
    close();
    QTRY_VERIFY(!line->editor());
}

// A cell the user types in that the scan then marks shows the mark in its
// editor: the digit, and its colour too.
void TestWindow::editedCellTurnsIntoAMark()
{
    clickOn(*window, "Text6");  // automatic elimination on
    // Row 2 has no 7 but in cell 23.
    for (int cell = 18; cell < 27; ++cell) {
        if (cell != 23)
            setCandidates(window->form(), cell, QStringLiteral("12345689"));
    }
    window->mirror();
    TextBoxWidget* cell = box("Text1_23");
    clickOn(*window, "Text1_23");
    QTest::keyClick(cell, Qt::Key_End);
    QTest::keyClicks(cell, "x");

    QCOMPARE(cell->toPlainText(), QStringLiteral("7"));
    QCOMPARE(cell->editor()->toPlainText(), QStringLiteral("7"));
    QCOMPARE(cell->editor()->palette().color(QPalette::Text), onScreen(Colors::HiddenSingle));
    QCOMPARE(cell->editor()->palette().color(QPalette::Base), onScreen(Colors::CellOddBox));
}

// A handler's message box runs a loop of its own; an input-method commit
// whose handler was queued before it, or comes during it, runs no second
// handler inside the first.
void TestWindow::commitDuringAMessageBoxStartsNoHandler()
{
    FakePort answers;
    window->messagePort().answerWith(&answers);
    TextBoxWidget* other = box("Text1_2");
    other->edit()->selectAll();
    answers.onMsgBox = [&](const QString&, int) {
        if (answers.calls.size() > 1)
            return;
        // A 5 committed into the same row would clash again.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("５"));
        QCoreApplication::sendEvent(other, &commit);
        QCoreApplication::sendPostedEvents();
    };
    clickAll(*window, {"Text2_4", "Text1_0"});
    TextBoxWidget* cell = box("Text1_1");
    QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(cell, Qt::Key_5);
    QCoreApplication::sendPostedEvents();

    QCOMPARE(answers.prompts(), QStringList{QStringLiteral("同じ数あり =5")});
    QCOMPARE(window->form().candidates[2], FullCandidates);
}

namespace {

void typeIn(TextBoxWidget& box, const QString& text)
{
    QTest::keyClicks(&box, text);
}

void commitIn(TextBoxWidget& box, const QString& text)
{
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(&box, &commit);
    QCoreApplication::sendPostedEvents();
}

void pasteWithKeys(TextBoxWidget& box, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
}

void pasteFromMenu(TextBoxWidget& box, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    std::unique_ptr<QMenu> menu(box.edit()->createStandardContextMenu());
    const QString paste = QCoreApplication::translate("QWidgetTextControl", "&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().startsWith(paste))
            action->trigger();
    }
}

void dropOn(TextBoxWidget& box, const QString& text)
{
    QMimeData data;
    data.setText(text);
    const QPointF at = box.rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&box, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&box, &drop);
}

}  // namespace

// A box that takes typing holds at most MaxLength characters, counted as the
// form counts them, whichever way the text comes in; what would not fit is
// left out, never half a character or half a line break.
void TestWindow::everyWayInIsBounded_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("free");      // room left before the insertion
    QTest::addColumn<int>("selected");  // characters selected at the end, replaced
    QTest::addColumn<Insertion>("insert");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("kept");  // how the box ends

    const QString million(1'000'000, u'7');
    const Insertion type(typeIn), commit(commitIn), paste(pasteWithKeys), menu(pasteFromMenu),
        drop(dropOn);
    const Insertion lineBreak(
        [](TextBoxWidget& b, const QString&) { QTest::keyClick(&b, Qt::Key_Return); });
    QTest::newRow("a key in a full cell types nothing") << "Text1_30" << 0 << 0 << type << "5"
                                                        << "";
    QTest::newRow("the last free place takes one key") << "Text1_30" << 1 << 0 << type << "56"
                                                       << "5";
    QTest::newRow("a line break needs two places") << "Text1_30" << 1 << 0 << lineBreak << ""
                                                   << "";
    QTest::newRow("a commit is cut, its digits still become digits")
        << "Text1_30" << 3 << 0 << commit << "１２３４５"
        << "123";
    QTest::newRow("a million pasted with Ctrl+V")
        << "Text1_30" << 4 << 0 << paste << million << "7777";
    QTest::newRow("pasted from the context menu") << "Text6" << 2 << 0 << menu << million << "77";
    QTest::newRow("dropped") << "Text9_1" << 3 << 0 << drop << million << "777";
    QTest::newRow("a paste stops before a line break that would not fit")
        << "Text8" << 3 << 0 << paste << "ab\r\ncd"
        << "ab";
    QTest::newRow("a paragraph separator is a line break too")
        << "Text8" << 3 << 0 << paste << "ab\u2029cd"
        << "ab";
    QTest::newRow("and so is the document's frame bound")
        << "Text8" << 3 << 0 << paste << "ab\uFDD1cd"
        << "ab";
    QTest::newRow("a commit into a read-only box types nothing")
        << "Text3" << 5 << 0 << commit << "abc"
        << "";
    QTest::newRow("a paste never splits a character") << "Text7" << 2 << 0 << paste << "x😀"
                                                      << "x";
    QTest::newRow("typing over a selection in a full cell replaces it")
        << "Text1_30" << 0 << 2 << type << "56"
        << "56";
    QTest::newRow("a paste over a selection in a full cell takes its room")
        << "Text1_30" << 0 << 3 << paste << million << "777";
}

void TestWindow::everyWayInIsBounded()
{
    QFETCH(QString, name);
    QFETCH(int, free);
    QFETCH(int, selected);
    QFETCH(Insertion, insert);
    QFETCH(QString, inserted);
    QFETCH(QString, kept);

    // A box holds what the README promises, whatever the code's constant.
    constexpr int Promised = 1000;
    TextBoxWidget* target = box(name);
    const QString before(Promised - free, u'1');
    controlNamed(window->form(), name).Text = before;
    window->mirror();
    target->setFocus();
    target->edit()->moveCursor(QTextCursor::End);
    for (int i = 0; i < selected; ++i)
        target->edit()->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);

    insert(*target, inserted);
    // A drop lands where it is dropped, anything else at the caret.
    const auto sorted = [](QString text) {
        std::sort(text.begin(), text.end());
        return text;
    };
    const QString shown = controlNamed(window->form(), name).Text;
    const QString expected = before.chopped(selected) + kept;
    QCOMPARE(boxtext::formLength(target->toPlainText()), expected.size());
    QCOMPARE(sorted(shown), sorted(expected));
}

namespace {

// Notes whether a drag reached the watched widget.
class DragWatch : public QObject {
public:
    bool entered = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        entered = entered || event->type() == QEvent::DragEnter;
        return false;
    }
};

void dragOnto(QWidget& target, MainWindow& window, const QList<QUrl>& urls, const QString& text)
{
    QMimeData data;
    if (!urls.isEmpty())
        data.setUrls(urls);
    if (!text.isEmpty())
        data.setText(text);
    // Where a box leaves the drag alone, Qt offers it to the window; the drop
    // then goes to whichever widget took the drag.
    DragWatch watch;
    window.installEventFilter(&watch);
    QDragEnterEvent enter(target.rect().center(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&target, &enter);
    window.removeEventFilter(&watch);
    if (!enter.isAccepted())
        return;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(watch.entered ? static_cast<QWidget*>(&window) : &target, &drop);
}

}  // namespace

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

// Where singles stall: Ctrl+H names and marks the step, again explains it
// beside the board, a third time makes it; 連続消去 then goes on from the
// board with the step in it. The key releases of Ctrl+H themselves leave the
// hint on show.
void TestWindow::hintInThreeStages()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->form().PastePuzzle(QStringLiteral(
        "3.5.149...4..2.73..9....4..9.1..3.....8.49.2..5..........5..179....8....2........"));
    clickAll(*window, {"Text6", "Text10"});
    const QString stalled = boardState(window->form());
    TextBoxWidget* cell = box("Text1_80");
    cell->setFocus();
    QCoreApplication::sendPostedEvents();

    QTest::keyPress(window->windowHandle(), Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(window->hintStage(), 1);
    QVERIFY(window->form().Text3.Text.startsWith(QStringLiteral("ヒント：")));
    QVERIFY(window->hintMarks()->isVisible());
    QCOMPARE(boardState(window->form()), stalled);
    // H comes up, then Ctrl.
    QTest::keyRelease(window->windowHandle(), Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(window->hintStage(), 1);

    window->hintAction()->trigger();
    QCOMPARE(window->hintStage(), 2);
    QTRY_VERIFY(window->hintPanel()->isVisible());
    QVERIFY(window->hintPanel()->text().contains(QStringLiteral("消せます")));
    QVERIFY(window->hintMarks()->isVisible());
    const QString firstExplanation = window->hintPanel()->text();

    window->hintAction()->trigger();
    QCOMPARE(window->hintStage(), 0);
    QVERIFY(!window->hintMarks()->isVisible());
    QVERIFY(!window->hintPanel()->isVisible());
    const QString stepped = boardState(window->form());
    QVERIFY(stepped != stalled);
    QCOMPARE(window->form().restorePending, 0);
    clickOn(*window, "Text10");  // 連続消去, not 元に戻す
    QVERIFY(boardState(window->form()) != stalled);
    // The next hint is the next step, not the one made.
    window->hintAction()->trigger();
    window->hintAction()->trigger();
    QVERIFY(window->hintPanel()->text() != firstExplanation);
    clickOn(*window, "Text2_3");

    // Any other action ends a hint on show.
    window->hintAction()->trigger();
    QCOMPARE(window->hintStage(), 1);
    clickOn(*window, "Text2_3");
    QCOMPARE(window->hintStage(), 0);
    QVERIFY(!window->hintMarks()->isVisible());
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
