// The form's message boxes on screen: caption, prompt, buttons and answers,
// and the board as the user sees it while a box is open.
#include <algorithm>
#include <functional>
#include <memory>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "gestures.h"
#include "messageboxport.h"

// How the user answers a message box.
using Answer = std::function<void(QMessageBox&)>;
Q_DECLARE_METATYPE(Answer)

namespace {

const Answer pressEscape = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
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

// Waits for the next message box to open, notes what it shows, lets `look`
// note more, then answers it.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer(Answer answer, std::function<void()> look = {})
        : answer_(std::move(answer)), look_(std::move(look))
    {
        connect(&poll_, &QTimer::timeout, this, &BoxAnswerer::answerIfOpen);
        poll_.start(5);
    }

    bool seen = false;
    QString title;
    QString text;
    QStringList buttons;  // labels from left to right, without mnemonics
    QMessageBox::Icon icon = QMessageBox::Information;

private:
    void answerIfOpen()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll_.stop();
        seen = true;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        QList<QAbstractButton*> shown = box->buttons();
        std::sort(shown.begin(), shown.end(), [](QAbstractButton* a, QAbstractButton* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        for (QAbstractButton* button : shown)
            buttons << button->text().remove(u'&');
        if (look_)
            look_();
        answer_(*box);
    }

    Answer answer_;
    std::function<void()> look_;
    QTimer poll_;
};

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
    QTest::newRow("the close button cancels")
        << M::CancelTryContinue << closeBox << three << M::Cancel;
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

    const QString prompt = QStringLiteral("mondai.txt が読めません\r\n<b>続けますか</b>");
    BoxAnswerer answerer(answer);
    QCOMPARE(port.MsgBox(prompt, style), result);

    QVERIFY(answerer.seen);
    QVERIFY(mirrored);
    QCOMPARE(answerer.title, QStringLiteral("Korvane"));
    QCOMPARE(answerer.text, QStringLiteral("mondai.txt が読めません\n<b>続けますか</b>"));
    QCOMPARE(answerer.icon, QMessageBox::NoIcon);
    QCOMPARE(answerer.buttons, buttons);
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
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString last = clicks.takeLast();
    clickAll(window, clicks);

    BoxAnswerer answerer(press("OK"));
    clickOn(window, last);
    QVERIFY(answerer.seen);
    QCOMPARE(answerer.title, QStringLiteral("Korvane"));
    QCOMPARE(answerer.text, prompt);
    QCOMPARE(answerer.buttons, QStringList{"OK"});
}

void TestMessageBox::conflictMarkShowsWhileTheBoxIsOpen()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickAll(window, {"Text2_4", "Text1_0"});  // a 5 in the first cell

    // Typing a 5 into the next cell of the row: the second 5 of the row is
    // marked while the box is open, and shown again once it is closed.
    TextBoxWidget* cell = boxNamed(window, "Text1_1");
    QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
    QString markedWhileOpen;
    BoxAnswerer answerer(press("OK"), [&] { markedWhileOpen = cell->toPlainText(); });
    QTest::keyClick(cell, Qt::Key_5);

    QVERIFY(answerer.seen);
    QCOMPARE(answerer.text, QStringLiteral("同じ数あり =5"));
    QCOMPARE(markedWhileOpen, QStringLiteral("＊"));
    QCOMPARE(cell->toPlainText(), QStringLiteral("5"));
    QCOMPARE(window.form().conflictFlag, 1);
}

// Data Load with no saved grid reads mondai.txt; when it is missing, the
// three-button box decides whether the load goes on.
void TestMessageBox::missingPuzzleFile_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("cellAfterwards");
    QTest::newRow("cancel leaves the board alone") << press("キャンセル") << "5";
    QTest::newRow("Escape leaves the board alone") << pressEscape << "5";
    QTest::newRow("continue loads the empty grid kept so far") << press("続行") << "123456789";
}

void TestMessageBox::missingPuzzleFile()
{
    QFETCH(Answer, answer);
    QFETCH(QString, cellAfterwards);

    const TemporaryCurrentFolder empty;
    QVERIFY(empty.isValid());

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickAll(window, {"Text2_4", "Text1_40"});

    BoxAnswerer answerer(answer);
    clickOn(window, "Text9_1");

    QVERIFY(answerer.seen);
    QCOMPARE(answerer.title, QStringLiteral("Korvane"));
    QCOMPARE(answerer.buttons, (QStringList{"キャンセル", "再試行", "続行"}));
    QCOMPARE(boxNamed(window, "Text1_40")->toPlainText(), cellAfterwards);
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
