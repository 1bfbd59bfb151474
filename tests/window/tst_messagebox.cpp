// The form's message boxes on screen: caption, prompt, buttons and answers,
// and the board as the user sees it while a box is open.
#include <algorithm>
#include <functional>
#include <memory>

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "gestures.h"
#include "messageboxport.h"

namespace {

// Waits for the next message box to open, notes what it shows, lets `look`
// note more, then answers it: "Escape", "close", or the label of the button
// to click.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer(QString answer, std::function<void()> look = {})
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

        if (answer_ == u"Escape") {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (answer_ == u"close") {
            box->close();
        } else {
            for (QAbstractButton* button : shown) {
                if (button->text().remove(u'&') == answer_)
                    QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    }

    QString answer_;
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
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("result");

    const QStringList ok{"OK"};
    const QStringList three{"キャンセル", "再試行", "続行"};
    QTest::newRow("OK only") << 0 << "OK" << ok << 1;
    QTest::newRow("OK only, closed with Escape") << 0 << "Escape" << ok << 1;
    QTest::newRow("cancel") << 6 << "キャンセル" << three << 2;
    QTest::newRow("try again") << 6 << "再試行" << three << 10;
    QTest::newRow("continue") << 6 << "続行" << three << 11;
    QTest::newRow("Escape cancels") << 6 << "Escape" << three << 2;
    QTest::newRow("the close button cancels") << 6 << "close" << three << 2;
}

void TestMessageBox::styles()
{
    QFETCH(int, style);
    QFETCH(QString, answer);
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

    BoxAnswerer answerer("OK");
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
    BoxAnswerer answerer("OK", [&] { markedWhileOpen = cell->toPlainText(); });
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
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("cellAfterwards");
    QTest::newRow("cancel leaves the board alone") << "キャンセル"
                                                   << "5";
    QTest::newRow("Escape leaves the board alone") << "Escape"
                                                   << "5";
    QTest::newRow("continue loads the empty grid kept so far") << "続行"
                                                               << "123456789";
}

void TestMessageBox::missingPuzzleFile()
{
    QFETCH(QString, answer);
    QFETCH(QString, cellAfterwards);

    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(empty.path()));

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickAll(window, {"Text2_4", "Text1_40"});

    BoxAnswerer answerer(answer);
    clickOn(window, "Text9_1");
    QDir::setCurrent(previous);

    QVERIFY(answerer.seen);
    QCOMPARE(answerer.title, QStringLiteral("Korvane"));
    QCOMPARE(answerer.buttons, (QStringList{"キャンセル", "再試行", "続行"}));
    QCOMPARE(boxNamed(window, "Text1_40")->toPlainText(), cellAfterwards);
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
