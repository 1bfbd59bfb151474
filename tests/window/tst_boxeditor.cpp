// A box's editor, while the user works in it: typing, the caret where the
// form rewrites the text, input methods, the wheel, and every way in kept
// within the box's bound; given up when it holds nothing of the user's.
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

// A way of putting text into a box, as the user would.
using Insertion = std::function<void(TextBoxWidget&, const QString&)>;
Q_DECLARE_METATYPE(Insertion)
// Opens a menu or a box over a box; returns what closes it.
using Opener = std::function<std::function<void()>(TextBoxWidget&)>;
Q_DECLARE_METATYPE(Opener)

class TestBoxEditor : public WindowTestCase {
    Q_OBJECT

private slots:
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
    void idleEditorWaitsForLoopsOfItsOwn_data();
    void idleEditorWaitsForLoopsOfItsOwn();
    void editedCellTurnsIntoAMark();
    void commitDuringAMessageBoxStartsNoHandler();
    void everyWayInIsBounded_data();
    void everyWayInIsBounded();
};

// What the form makes of a typed text is the core's to test; here, that the
// keys reach it as the form counts them, and what the cell shows after.
void TestBoxEditor::typingIntoACell_data()
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

void TestBoxEditor::typingIntoACell()
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
void TestBoxEditor::caretStaysWhereTheFormRewrites_data()
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
    QTest::newRow("a change that starts at the caret leaves it before the change")
        << "123456789" << QPoint(4, 4) << "12346789" << QPoint(4, 4);
    QTest::newRow("text added where the caret is")
        << "129" << QPoint(2, 2) << "12789" << QPoint(2, 2);
    QTest::newRow("shortened under the caret: the caret at the new end")
        << "123456789" << QPoint(9, 9) << "12" << QPoint(2, 2);
}

void TestBoxEditor::caretStaysWhereTheFormRewrites()
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

void TestBoxEditor::inputMethodCommit()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
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
    QTest::keyClick(window->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cell->toPlainText(), QStringLiteral("123456789"));
    QCOMPARE(window->form().candidates[12], cell->toPlainText());
    QCOMPARE(window->form().restorePending, 0);
}

// A composition in progress when the keyboard moves to another cell ends in
// its own cell, even where the input method commits it a second time.
void TestBoxEditor::compositionStaysInItsCell()
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
    // The same committed twice in a moment into one cell is typed twice.
    const qsizetype fives = second->toPlainText().count(u'5');
    send(second, QString(), QStringLiteral("５"));
    send(second, QString(), QStringLiteral("５"));
    QCOMPARE(second->toPlainText().count(u'5'), fives + 2);
    // A composition longer than a box may hold is shown cut to its bound.
    send(second, QString(1500, u'あ'), QString());
    const QTextLayout* layout = second->editor()->textCursor().block().layout();
    QCOMPARE(layout->preeditAreaText().size(), boxtext::MaxLength);
}

// The editor has a key first; what it leaves alone goes on to the window,
// not back to it. So a key release runs the typed-edit handler once.
void TestBoxEditor::oneKeyReleaseOneHandler()
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
void TestBoxEditor::editorsOnlyWhereTheUserWorks()
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

// The wheel scrolls a box whose text goes on below it; over any other box it
// is the window's, and the box takes no editor for it.
void TestBoxEditor::wheelScrollsOnlyATallerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("three lines of candidates fit") << "123456789" << false;
    QTest::newRow("a fourth line, just below the cell") << "1234567891234" << true;
    QTest::newRow("a long text") << QString(200, u'1') << true;
}

void TestBoxEditor::wheelScrollsOnlyATallerText()
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
    if (!scrolls)
        return;
    // Scrolled, the editor holds something of the user's: it stays, and the
    // text stays where the wheel left it.
    QTest::qWait(100);
    QVERIFY(widget->editor());
    QVERIFY(widget->editor()->verticalScrollBar()->value() > 0);
}

// An idle editor looks as its box does, but a menu or a message box that is
// open may still hold on to it: it is given up once they are closed.
void TestBoxEditor::idleEditorWaitsForLoopsOfItsOwn_data()
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

void TestBoxEditor::idleEditorWaitsForLoopsOfItsOwn()
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
void TestBoxEditor::editedCellTurnsIntoAMark()
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
void TestBoxEditor::commitDuringAMessageBoxStartsNoHandler()
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
void TestBoxEditor::everyWayInIsBounded_data()
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

void TestBoxEditor::everyWayInIsBounded()
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

QTEST_MAIN(TestBoxEditor)
#include "tst_boxeditor.moc"
