// The real window under a seeded random stream of what a user can do with a
// mouse, a keyboard, an input method and a clipboard: clicks and presses on
// every control, keys and commits in the boxes, pastes and drops of short and
// of huge texts, and any answer to the message boxes that open. After every
// gesture the widgets must show what the form holds, the form's rules must
// hold, no box may hold more than it is allowed, and no gesture may take long.
//
// The seed is printed; KORVANE_GESTURE_SEED=<seed> replays a run, and
// KORVANE_GESTURE_SECONDS sets how long it runs (30 by default).
#include <memory>
#include <random>

#include <QAbstractButton>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTextEdit>

#include "boxtext.h"
#include "gestures.h"
#include "puzzles.h"
#include "testsupport.h"

namespace {

constexpr qint64 HangBoundMs = 2000;
// What a box that takes typing holds at most, as the README promises.
constexpr qsizetype PromisedLength = 1000;

class Gestures {
public:
    Gestures(MainWindow& window, quint32 seed)
        : window_(window), pick_(seed), answers_(seed ^ 0x9E3779B9u), names_(controlNames()),
          answerer_([this](QMessageBox& box) { answer(box); }, 1)
    {
        // A click may land on 問題を保存… in a menu left open: the dialog
        // saves in the test's folder, or is cancelled.
        window_.setSaveChooser([this](QWidget*, const QString&) {
            return below(2) ? QDir::current().absoluteFilePath(QStringLiteral("saved.txt"))
                            : QString();
        });
    }

    // Does one gesture; returns what it was.
    QString next()
    {
        switch (below(15)) {
        case 0:
        case 1:
        case 2:
            return click(Qt::LeftButton);
        case 3:
            return click(below(2) ? Qt::RightButton : Qt::MiddleButton);
        case 4:
            return doubleClick();
        case 5:
            return drag();
        case 6:
        case 7:
        case 8:
            return key();
        case 9:
            return commit();
        case 10:
            return paste();
        case 11:
            return drop();
        case 12:
            return wheel();
        case 13:
            return openFile();
        default:
            return puzzleFile();
        }
    }

private:
    // What the mouse finds at a box: its editor, while the user works in it.
    static QWidget* under(TextBoxWidget& box)
    {
        return box.editor() ? box.editor()->viewport() : static_cast<QWidget*>(&box);
    }

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(pick_); }
    QString anyName() { return names_[below(int(names_.size()))]; }

    // The box that has the keyboard, or else a cell the user clicks first.
    TextBoxWidget& typingBox()
    {
        if (auto* box = qobject_cast<TextBoxWidget*>(QApplication::focusWidget()))
            return *box;
        const QString name = QStringLiteral("Text1_%1").arg(below(81));
        clickOn(window_, name);
        return *boxNamed(window_, name);
    }

    QString text()
    {
        static const QString alphabet =
            QStringLiteral("123456789１２３４５６７８９０0a＊:　 \r\n\n😀あ");
        switch (below(6)) {
        case 0:
            return QString(1'000'000, QChar(u'1' + below(9)));
        case 1:
            return QString(PromisedLength + below(3) - 1, u'５');
        default: {
            QString t;
            for (int n = below(12); n > 0; --n)
                t += alphabet.at(below(int(alphabet.size())));
            return t;
        }
        }
    }

    QString click(Qt::MouseButton button)
    {
        const QString name = anyName();
        QTest::mouseClick(window_.windowHandle(), button, {}, middleOf(window_, name));
        return QStringLiteral("click %1 with button %2").arg(name).arg(int(button));
    }

    QString doubleClick()
    {
        const QString name = anyName();
        QTest::mouseDClick(window_.windowHandle(), Qt::LeftButton, {}, middleOf(window_, name));
        return QStringLiteral("double-click %1").arg(name);
    }

    QString drag()
    {
        const QString from = anyName();
        const QString to = below(2) ? from : anyName();
        QWindow* w = window_.windowHandle();
        QTest::mousePress(w, Qt::LeftButton, {}, middleOf(window_, from));
        QTest::mouseMove(w, middleOf(window_, to) + QPoint(below(9) - 4, below(9) - 4));
        QTest::mouseRelease(w, Qt::LeftButton, {}, middleOf(window_, to));
        return QStringLiteral("drag from %1 to %2").arg(from, to);
    }

    QString key()
    {
        static const QList<QPair<Qt::Key, Qt::KeyboardModifiers>> keys{
            {Qt::Key_1, {}},
            {Qt::Key_5, {}},
            {Qt::Key_9, {}},
            {Qt::Key_0, {}},
            {Qt::Key_X, {}},
            {Qt::Key_Backspace, {}},
            {Qt::Key_Delete, {}},
            {Qt::Key_Left, {}},
            {Qt::Key_End, {}},
            {Qt::Key_Return, {}},
            {Qt::Key_Tab, {}},
            {Qt::Key_Tab, Qt::ShiftModifier},
            {Qt::Key_Escape, {}},
            {Qt::Key_Shift, {}},
            {Qt::Key_A, Qt::ControlModifier},
            {Qt::Key_Z, Qt::ControlModifier},
            {Qt::Key_Y, Qt::ControlModifier},
            {Qt::Key_X, Qt::ControlModifier},
            {Qt::Key_C, Qt::ControlModifier},
            {Qt::Key_V, Qt::ControlModifier},
            {Qt::Key_1, Qt::ControlModifier},
            {Qt::Key_Home, Qt::ShiftModifier},
        };
        TextBoxWidget& box = typingBox();
        const auto& [code, modifiers] = keys[below(int(keys.size()))];
        QTest::keyClick(&box, code, modifiers);
        return QStringLiteral("key %1 (modifiers %2) in %3")
            .arg(QKeySequence(code).toString())
            .arg(int(modifiers))
            .arg(box.objectName());
    }

    QString commit()
    {
        TextBoxWidget& box = typingBox();
        QInputMethodEvent compose(QStringLiteral("すう"), {});
        QCoreApplication::sendEvent(&box, &compose);
        const QString committed = text();
        QInputMethodEvent done;
        done.setCommitString(committed);
        QCoreApplication::sendEvent(&box, &done);
        QCoreApplication::sendPostedEvents();  // the handler of the commit
        return QStringLiteral("commit %1 characters in %2")
            .arg(committed.size())
            .arg(box.objectName());
    }

    QString paste()
    {
        TextBoxWidget& box = typingBox();
        const QString pasted = text();
        QGuiApplication::clipboard()->setText(pasted);
        if (below(2)) {
            QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        } else {
            std::unique_ptr<QMenu> menu(box.edit()->createStandardContextMenu());
            const QString label = QCoreApplication::translate("QWidgetTextControl", "&Paste");
            for (QAction* action : menu->actions()) {
                if (action->text().startsWith(label))
                    action->trigger();
            }
        }
        return QStringLiteral("paste %1 characters in %2").arg(pasted.size()).arg(box.objectName());
    }

    QString drop()
    {
        TextBoxWidget* box = boxNamed(window_, anyName());
        QWidget* target = under(*box);
        QMimeData data;
        data.setText(text());
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &dropped);
        return QStringLiteral("drop %1 characters on %2")
            .arg(data.text().size())
            .arg(box->objectName());
    }

    // A puzzle file opened by a drop of its file, or with Ctrl+O and a file
    // dialog that chooses it, chooses a file that is not there, or cancels.
    QString openFile()
    {
        static const QStringList choices{QStringLiteral("mondai.txt"),
                                         QStringLiteral("nowhere.txt"), QString()};
        const QString chosen = choices[below(3)];
        const QString path = chosen.isEmpty() ? chosen : QDir::current().absoluteFilePath(chosen);
        if (below(2)) {
            window_.setFileChooser([path](QWidget*, const QString&) { return path; });
            QTest::keyClick(&window_, Qt::Key_O, Qt::ControlModifier);
            return QStringLiteral("Ctrl+O, the dialog answers \"%1\"").arg(chosen);
        }
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QWidget* target = under(*boxNamed(window_, anyName()));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&window_, &dropped);
        return QStringLiteral("drop the file \"%1\"").arg(chosen);
    }

    QString wheel()
    {
        TextBoxWidget* box = boxNamed(window_, anyName());
        QWidget* target = under(*box);
        const QPointF at = target->rect().center();
        QWheelEvent turn(at, target->mapToGlobal(at), {}, QPoint(0, below(2) ? 120 : -120),
                         Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target, &turn);
        return QStringLiteral("wheel on %1").arg(box->objectName());
    }

    // Not a gesture of the window's, but of the world around it: Data Load
    // finds a puzzle file, or none.
    QString puzzleFile()
    {
        if (below(2)) {
            QFile::remove(QStringLiteral("mondai.txt"));
            return QStringLiteral("mondai.txt removed");
        }
        writeFile(QStringLiteral("mondai.txt"), drawnGrid(puzzles::SinglesGivens));
        return QStringLiteral("mondai.txt written");
    }

    // Any answer a user may give a message box that opens: a button, Escape,
    // Return, or the close button. Menus are closed.
    void answer(QMessageBox& box)
    {
        const QList<QAbstractButton*> buttons = box.buttons();
        const int choice = std::uniform_int_distribution<int>(0, int(buttons.size()) + 2)(answers_);
        if (choice < buttons.size())
            buttons[choice]->click();
        else if (choice == buttons.size())
            QTest::keyClick(&box, Qt::Key_Escape);
        else if (choice == buttons.size() + 1)
            QTest::keyClick(&box, Qt::Key_Return);
        else
            box.close();
    }

    MainWindow& window_;
    std::mt19937 pick_;
    std::mt19937 answers_;
    QStringList names_;
    OpenBoxAnswerer answerer_;
};

// Every widget against its control: text, size, colours, and the bound on
// what a box may hold.
QString mirrorViolation(MainWindow& window)
{
    for (const QString& name : controlNames()) {
        const TextBox& control = controlNamed(window.form(), name);
        const TextBoxWidget* widget = boxNamed(window, name);
        QString fault;
        if (widget->toPlainText() != boxtext::shown(control.Text))
            fault = QStringLiteral("text \"%1\" for \"%2\"")
                        .arg(widget->toPlainText().left(40), control.Text.left(40));
        else if (widget->font().pointSizeF() != control.FontSize)
            fault = QStringLiteral("size %1 for %2")
                        .arg(widget->font().pointSizeF())
                        .arg(control.FontSize);
        else if (widget->palette().color(QPalette::Text) != onScreen(control.ForeColor) ||
                 widget->palette().color(QPalette::Base) != onScreen(control.BackColor))
            fault = QStringLiteral("colours");
        else if (control.Text.size() > PromisedLength)
            fault = QStringLiteral("%1 characters").arg(control.Text.size());
        if (!fault.isEmpty())
            return name + QStringLiteral(": ") + fault;
    }
    return QString();
}

}  // namespace

class TestGestures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void randomGestures();
};

void TestGestures::initTestCase()
{
    // The offscreen platform says so each time a context menu opens; that is
    // about the platform, not the program, and would hide what is.
    static const QtMessageHandler platform = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.startsWith(QStringLiteral("This plugin does not support")))
                platform(type, context, message);
        });
}

void TestGestures::randomGestures()
{
    const quint32 seed = qEnvironmentVariableIsSet("KORVANE_GESTURE_SEED")
                             ? quint32(qEnvironmentVariableIntValue("KORVANE_GESTURE_SEED"))
                             : QRandomGenerator::global()->generate();
    const int seconds = qEnvironmentVariableIsSet("KORVANE_GESTURE_SECONDS")
                            ? qEnvironmentVariableIntValue("KORVANE_GESTURE_SECONDS")
                            : 30;
    qInfo("seed %u: KORVANE_GESTURE_SEED=%u replays this run", seed, seed);

    const TemporaryCurrentFolder folder;
    QVERIFY(folder.isValid());

    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    Gestures gestures(window, seed);

    QStringList done;
    QElapsedTimer run;
    run.start();
    int count = 0;
    qint64 slowest = 0;
    QString slowestGesture;
    while (run.elapsed() < seconds * 1000) {
        QElapsedTimer gesture;
        gesture.start();
        done.append(gestures.next());
        const qint64 took = gesture.elapsed();
        ++count;
        if (took > slowest) {
            slowest = took;
            slowestGesture = done.last();
        }
        QString fault = invariantViolation(window.form());
        if (fault.isEmpty())
            fault = mirrorViolation(window);
        if (fault.isEmpty() && took > HangBoundMs)
            fault = QStringLiteral("took %1 ms").arg(took);
        if (!fault.isEmpty()) {
            QFAIL(qPrintable(
                QStringLiteral("seed %1, gesture %2: %3\nlast gestures:\n  %4")
                    .arg(seed)
                    .arg(count)
                    .arg(fault, done.mid(done.size() - 15).join(QStringLiteral("\n  ")))));
        }
    }
    qInfo("%d gestures in %lld ms; the slowest, %lld ms: %s", count, run.elapsed(), slowest,
          qPrintable(slowestGesture));
}

QTEST_MAIN(TestGestures)
#include "tst_gestures.moc"
