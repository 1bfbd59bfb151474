// The form's message boxes: on screen, their caption, prompt, buttons and
// answers; from the window, which box each gesture raises and the board as
// the user sees it while a box is open (answered through the window's port,
// so that no box opens).
#include <algorithm>
#include <functional>
#include <memory>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "gestures.h"
#include "messageboxport.h"

// How the user answers a message box.
using Answer = std::function<void(QMessageBox&)>;
Q_DECLARE_METATYPE(Answer)

namespace {

const Answer pressEscape = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
const Answer pressReturn = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); };
const Answer closeBox = [](QMessageBox& box) { box.close(); };

// A click on the button labelled `label` (mnemonics left out).
Answer press(const QString& label)
{
    return [label](QMessageBox& box) {
        for (QAbstractButton* button : box.buttons()) {
            if (button->text().remove(u'&') == label)
                QTest::mouseClick(button, Qt::LeftButton);
        }
    };
}

}  // namespace

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void styles_data();
    void styles();
    void messagesFromClicks_data();
    void messagesFromClicks();
    void conflictMarkShowsWhileTheBoxIsOpen();
    void missingPuzzleFile_data();
    void missingPuzzleFile();
};

void TestMessageBox::styles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("result");

    using M = MessagePort;
    const QStringList ok{"OK"};
    const QStringList three{"キャンセル", "再試行", "続行"};
    QTest::newRow("OK only") << M::OkOnly << press("OK") << ok << M::Ok;
    QTest::newRow("OK only, closed with Escape") << M::OkOnly << pressEscape << ok << M::Ok;
    QTest::newRow("cancel") << M::CancelTryContinue << press("キャンセル") << three << M::Cancel;
    QTest::newRow("try again") << M::CancelTryContinue << press("再試行") << three << M::TryAgain;
    QTest::newRow("continue") << M::CancelTryContinue << press("続行") << three << M::Continue;
    QTest::newRow("Escape cancels") << M::CancelTryContinue << pressEscape << three << M::Cancel;
    // As in the Windows numbering of the style, the first button is the
    // default one.
    QTest::newRow("Return answers the default button, キャンセル")
        << M::CancelTryContinue << pressReturn << three << M::Cancel;
    QTest::newRow("Return answers OK") << M::OkOnly << pressReturn << ok << M::Ok;
    QTest::newRow("the close button cancels")
        << M::CancelTryContinue << closeBox << three << M::Cancel;
    const QStringList yesNo{"はい", "いいえ"};
    QTest::newRow("yes") << M::YesNo << press("はい") << yesNo << M::Yes;
    QTest::newRow("no") << M::YesNo << press("いいえ") << yesNo << M::No;
    QTest::newRow("Return answers the default button, はい")
        << M::YesNo << pressReturn << yesNo << M::Yes;
    QTest::newRow("Escape answers いいえ") << M::YesNo << pressEscape << yesNo << M::No;
    QTest::newRow("Return answers いいえ where it is the default")
        << (M::YesNo | M::DefaultButton2) << pressReturn << yesNo << M::No;
    QTest::newRow("はい where いいえ is the default")
        << (M::YesNo | M::DefaultButton2) << press("はい") << yesNo << M::Yes;
    QTest::newRow("the close button answers いいえ") << M::YesNo << closeBox << yesNo << M::No;
}

void TestMessageBox::styles()
{
    QFETCH(int, style);
    QFETCH(Answer, answer);
    QFETCH(QStringList, buttons);
    QFETCH(int, result);

    QWidget parent;
    MessageBoxPort port;
    port.setParent(&parent);
    bool mirrored = false;
    port.setBeforeOpen([&] { mirrored = true; });

    // Short, so that Qt alone would make the box narrow; a line break and
    // markup, shown as they are.
    const QString prompt = QStringLiteral("あ\r\n<b>い</b>");
    QString title;
    QString text;
    QStringList shown;
    QMessageBox::Icon icon = QMessageBox::Information;
    int width = 0;
    bool plain = false;  // the prompt is shown as it is, never as markup
    OpenBoxAnswerer answerer([&](QMessageBox& box) {
        width = box.width();
        plain = box.textFormat() == Qt::PlainText;
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        shown = OpenBoxAnswerer::buttonLabels(box);
        answer(box);
    });
    QCOMPARE(port.MsgBox(prompt, style), result);

    QCOMPARE(answerer.boxesAnswered, 1);
    QVERIFY(mirrored);
    QCOMPARE(title, QStringLiteral("Korvane"));
    QCOMPARE(text, QStringLiteral("あ\n<b>い</b>"));
    QVERIFY(plain);
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(shown, buttons);
    // Wide enough for a window manager to show the caption beside its
    // buttons, however short the prompt.
    QVERIFY2(width >= 240, qPrintable(QString::number(width)));
}

void TestMessageBox::messagesFromClicks_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("partial undo on an undecided cell")
        << QStringList{"Text2_9", "Text1_20"} << "まだ決定していません";
    QTest::newRow("a digit on a decided cell")
        << QStringList{"Text2_0", "Text1_20", "Text1_20"} << "決定済みです";
    QTest::newRow("single-number display with no digit chosen")
        << QStringList{"Text7"} << "表示する数値を選択して下さい";
}

void TestMessageBox::messagesFromClicks()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, prompt);

    MainWindow window;
    FakePort answers;
    window.messagePort().answerWith(&answers);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickAll(window, clicks);

    QCOMPARE(answers.prompts(), QStringList{prompt});
    QCOMPARE(answers.calls.first().buttons, MessagePort::OkOnly);
}

void TestMessageBox::conflictMarkShowsWhileTheBoxIsOpen()
{
    MainWindow window;
    FakePort answers;
    window.messagePort().answerWith(&answers);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickAll(window, {"Text2_4", "Text1_0"});  // a 5 in the first cell

    // Typing a 5 into the next cell of the row: the second 5 of the row is
    // marked while the box is open, and shown again once it is closed.
    TextBoxWidget* cell = boxNamed(window, "Text1_1");
    QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
    QString markedWhileOpen;
    answers.onMsgBox = [&](const QString&, int) { markedWhileOpen = cell->toPlainText(); };
    QTest::keyClick(cell, Qt::Key_5);

    QCOMPARE(answers.prompts(), QStringList{QStringLiteral("同じ数あり =5")});
    QCOMPARE(markedWhileOpen, QStringLiteral("＊"));
    QCOMPARE(cell->toPlainText(), QStringLiteral("5"));
    QCOMPARE(window.form().conflictFlag, 1);
}

// Data Load with no saved grid reads mondai.txt; when it is missing, the
// three-button box decides whether the load goes on.
void TestMessageBox::missingPuzzleFile_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("cellAfterwards");
    QTest::newRow("cancel leaves the board alone") << int(MessagePort::Cancel) << "5";
    QTest::newRow("continue loads the empty grid kept so far")
        << int(MessagePort::Continue) << "123456789";
}

void TestMessageBox::missingPuzzleFile()
{
    QFETCH(int, answer);
    QFETCH(QString, cellAfterwards);

    const TemporaryCurrentFolder empty;
    QVERIFY(empty.isValid());

    MainWindow window;
    FakePort answers;
    answers.answers = {answer};
    window.messagePort().answerWith(&answers);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickAll(window, {"Text2_4", "Text1_40", "Text9_1"});

    QCOMPARE(answers.calls.size(), 1);
    QCOMPARE(answers.calls.first().buttons, MessagePort::CancelTryContinue);
    QCOMPARE(boxNamed(window, "Text1_40")->toPlainText(), cellAfterwards);
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
