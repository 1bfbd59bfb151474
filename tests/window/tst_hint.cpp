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
    void marksFrameWhatTheStepUses();
    void aContradictionIsExplained();
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

// The marks frame the cells that cause the step in blue and each cell it
// changes in red (a removal) or green (a placement), and let the mouse
// through to the boxes.
void TestHint::marksFrameWhatTheStepUses()
{
    window->form().PastePuzzle(puzzles::SinglesGivens);
    window->mirror();
    window->hintAction()->trigger();
    QCOMPARE(window->hintStage(), 1);
    const QImage marks = window->hintMarks()->grab().toImage();
    const auto frameAt = [&](int cell) {
        const QRect r = box(QStringLiteral("Text1_%1").arg(cell))->geometry();
        return marks.pixelColor(r.left() + 1, r.center().y());
    };
    const QColor cause(0x20, 0x60, 0xFF);
    const nextstep::Outcome outcome = nextstep::next(window->form().HintBoard());
    QVERIFY(outcome.step && !outcome.step->cells.empty());
    for (int cell : outcome.step->cells)
        QCOMPARE(frameAt(cell), cause);
    QVERIFY(window->hintMarks()->testAttribute(Qt::WA_TransparentForMouseEvents));
}

// Candidates that contradict each other are named on the message line and
// explained beside the board at once.
void TestHint::aContradictionIsExplained()
{
    // Row 1 has no place left for 9.
    for (int cell = 0; cell < 9; ++cell)
        window->form().Text1[size_t(cell)].Text = QStringLiteral("12345678");
    window->mirror();
    window->hintAction()->trigger();
    QTRY_VERIFY(window->hintPanel()->isVisible());
    QVERIFY2(window->hintPanel()->text().contains(u'9'), qPrintable(window->hintPanel()->text()));
    QCOMPARE(window->hintPanel()->text(), window->form().Text3.Text);
}

QTEST_MAIN(TestHint)
#include "tst_hint.moc"
