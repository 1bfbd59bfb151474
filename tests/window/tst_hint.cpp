// ヒント in the window: named and marked, explained beside the board, made.
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

class TestHint : public WindowTestCase {
    Q_OBJECT

private slots:
    void hintInThreeStages();
};

// Where singles stall: Ctrl+H names and marks the step, again explains it
// beside the board, a third time makes it; 連続消去 then goes on from the
// board with the step in it. The key releases of Ctrl+H themselves leave the
// hint on show.
void TestHint::hintInThreeStages()
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

QTEST_MAIN(TestHint)
#include "tst_hint.moc"
