// The window on screens of several sizes and scales (fit/screens.json, on
// Qt's offscreen platform): it starts as large as fits, frame and all; the
// user resizes it and the layout keeps its proportions; on another screen it
// fits again; its dialogs open over it, inside the screen. (The hint's panel
// beside it: tst_viewrules, and e2e_fit_screen under a window manager.)
#include <functional>

#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include "currentfolder.h"
#include "gestures.h"
#include "layout.h"

namespace {

QScreen* screenNamed(const QString& name)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

// Shows `window` on `screen`, where its window manager would first put it:
// near the top left corner of the screen's free area.
bool showOn(MainWindow& window, QScreen* screen)
{
    window.setScreen(screen);
    window.move(screen->availableGeometry().topLeft() + QPoint(10, 10));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    // What the window does once it knows its frame.
    QTest::qWait(20);
    return true;
}

// Every box's rectangle together: where the layout is drawn.
QRect drawnLayout(const MainWindow& window)
{
    QRect all;
    for (const layout::Control& control : layout::controls())
        all |= boxNamed(window, control.name)->geometry();
    return all;
}

// The same for the layout at `scale` in a client area of its own size.
QRect layoutAt(double scale)
{
    Fixture f;
    QRect all;
    for (int i = 0; i < layout::ControlCount; ++i)
        all |= layout::scaledRect(layout::control(f.form, i), scale);
    return all;
}

}  // namespace

using Trigger = std::function<void(MainWindow&)>;
Q_DECLARE_METATYPE(Trigger)

class TestFit : public QObject {
    Q_OBJECT

private slots:
    void startsAsLargeAsFits_data();
    void startsAsLargeAsFits();
    void resizedKeepsItsProportions_data();
    void resizedKeepsItsProportions();
    void anotherScreenFitsItAgain();
    void dialogsOpenOverTheWindow_data();
    void dialogsOpenOverTheWindow();
};

void TestFit::startsAsLargeAsFits_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("asDrawn");  // at the layout's own size
    QTest::newRow("1920x1080") << "wide" << true;
    QTest::newRow("1024x768") << "small" << true;
    QTest::newRow("1366x768 at 200 %") << "laptop at 200 %" << false;
    QTest::newRow("1024x768 at 200 %") << "small at 200 %" << false;
}

void TestFit::startsAsLargeAsFits()
{
    QFETCH(QString, screen);
    QFETCH(bool, asDrawn);
    QScreen* on = screenNamed(screen);
    QVERIFY(on);
    MainWindow window;
    QVERIFY(showOn(window, on));

    const QRect available = on->availableGeometry();
    const QRect frame = window.frameGeometry();
    QVERIFY2(frame != window.geometry(), "the platform draws no frame");
    QVERIFY2(available.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                       .arg(frame.x())
                                                       .arg(frame.y())
                                                       .arg(frame.width())
                                                       .arg(frame.height())));
    QCOMPARE(window.size(), layout::clientSize(window.scale()));
    QCOMPARE(drawnLayout(window), layoutAt(window.scale()));
    if (asDrawn) {
        QCOMPARE(window.scale(), 1.0);
    } else {
        // The largest that fits: a pixel more of height would not.
        QVERIFY(window.scale() < 1.0);
        QVERIFY(frame.height() >= available.height() - 1);
    }
}

void TestFit::resizedKeepsItsProportions_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("scale");
    QTest::newRow("wider: room beside") << QSize(700, 539) << 1.0;
    QTest::newRow("taller: room above and below") << QSize(461, 800) << 1.0;
    QTest::newRow("twice as large") << QSize(922, 1078) << 2.0;
    QTest::newRow("larger, and wider still") << QSize(1000, 700) << 700.0 / 539;
    QTest::newRow("smaller") << QSize(300, 400) << 300.0 / 461;
}

void TestFit::resizedKeepsItsProportions()
{
    QFETCH(QSize, size);
    QFETCH(double, scale);
    MainWindow window;
    QVERIFY(showOn(window, screenNamed("wide")));
    // The user's text in a box survives the new scale: text, caret, undo.
    TextBoxWidget* cell = boxNamed(window, "Text1_40");
    cell->takeFocus(Qt::TabFocusReason);
    QTest::keyClick(static_cast<QWidget*>(cell->edit()), Qt::Key_End);
    QTest::keyClick(static_cast<QWidget*>(cell->edit()), Qt::Key_Backspace);
    const QString typed = cell->toPlainText();
    const int caret = cell->cursorPosition();

    window.resize(size);
    QTRY_COMPARE(window.size(), size);

    QCOMPARE(window.scale(), scale);
    // Centred: the room the layout leaves is shared out on both sides, to
    // the pixel.
    const QPoint offset = drawnLayout(window).topLeft() - layoutAt(scale).topLeft();
    const QSize room = size - layout::clientSize(scale);
    QVERIFY(qAbs(offset.x() - (room.width() - offset.x())) <= 1);
    QVERIFY(qAbs(offset.y() - (room.height() - offset.y())) <= 1);
    for (const layout::Control& control : layout::controls()) {
        TextBoxWidget* box = boxNamed(window, control.name);
        const TextBox& state = controlNamed(window.form(), control.name);
        QCOMPARE(box->geometry(), layout::scaledRect(state, scale).translated(offset));
        QCOMPARE(box->font().pointSizeF(), state.FontSize * scale);
    }
    QCOMPARE(cell->toPlainText(), typed);
    QCOMPARE(cell->cursorPosition(), caret);
    QVERIFY(cell->edit()->document()->isUndoAvailable());
    QCOMPARE(cell->edit()->geometry(), cell->rect());

    // Back at the layout's own size, every box is where it was drawn.
    window.resize(layout::ClientSize);
    QTRY_COMPARE(window.size(), layout::ClientSize);
    for (const layout::Control& control : layout::controls()) {
        QCOMPARE(boxNamed(window, control.name)->geometry(),
                 layout::pixelRect(controlNamed(window.form(), control.name)));
    }
}

void TestFit::anotherScreenFitsItAgain()
{
    MainWindow window;
    QVERIFY(showOn(window, screenNamed("wide")));
    QCOMPARE(window.scale(), 1.0);
    // Made larger by hand first: on the new screen it fits that one.
    window.resize(700, 800);
    QTRY_COMPARE(window.size(), QSize(700, 800));

    for (const char* name : {"laptop at 200 %", "small", "small at 200 %"}) {
        QScreen* to = screenNamed(QString::fromLatin1(name));
        window.windowHandle()->setScreen(to);
        QTRY_COMPARE(window.screen(), to);
        QTRY_VERIFY2(to->availableGeometry().contains(window.frameGeometry()), name);
        // 1024x768 has room for the layout's own size, the others not.
        const bool roomy = qstrcmp(name, "small") == 0;
        QVERIFY2(roomy ? window.scale() == 1.0 : window.scale() < 1.0, name);
        QCOMPARE(window.size(), layout::clientSize(window.scale()));
    }
}

void TestFit::dialogsOpenOverTheWindow_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<Trigger>("open");
    const Trigger dataLoad = [](MainWindow& w) { w.act([&] { w.form().Text9_click(1); }); };
    const Trigger openFile = [](MainWindow& w) {
        QTest::keyClick(w.windowHandle(), Qt::Key_O, Qt::ControlModifier);
    };
    const Trigger saveFile = [](MainWindow& w) {
        QTest::keyClick(w.windowHandle(), Qt::Key_S, Qt::ControlModifier);
    };
    const Trigger restore = [](MainWindow& w) {
        FormState kept = w.form();
        kept.Text3.Text = QStringLiteral("前回");
        w.offerKeptBoard(kept);
    };
    for (const char* screen : {"wide", "small", "laptop at 200 %", "small at 200 %"}) {
        const QString on = QString::fromLatin1(screen);
        QTest::addRow("エラー_mondai_load, %s", screen) << on << dataLoad;
        QTest::addRow("問題ファイルを開く, %s", screen) << on << openFile;
        QTest::addRow("問題を保存, %s", screen) << on << saveFile;
        QTest::addRow("前回の盤面を復元しますか, %s", screen) << on << restore;
    }
}

void TestFit::dialogsOpenOverTheWindow()
{
    QFETCH(QString, screen);
    QFETCH(Trigger, open);
    TemporaryCurrentFolder folder;  // with no mondai.txt in it
    QVERIFY(folder.isValid());
    QScreen* on = screenNamed(screen);
    MainWindow window;
    QVERIFY(showOn(window, on));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // The dialog as it is open, then closed as Escape would.
    QRect opened;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || !QTest::qWaitForWindowExposed(dialog, 0))
            return;
        opened = dialog->frameGeometry();
        dialog->reject();
    });
    poll.start(10);
    open(window);
    QTRY_VERIFY(!opened.isNull());

    const auto text = [](const QRect& r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    QVERIFY2(window.frameGeometry().contains(opened.center()),
             qPrintable(text(opened) + QStringLiteral(" over ") + text(window.frameGeometry())));
    QVERIFY(on->availableGeometry().contains(opened));
}

QTEST_MAIN(TestFit)
#include "tst_fit.moc"
