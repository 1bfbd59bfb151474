#include <cstdio>

#include <thread>

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QTimer>

#include "boardkeeper.h"
#include "commandline.h"
#include "explain.h"
#include "filenames.h"
#include "mainwindow.h"
#include "platformtexts.h"

namespace {

// The keys that answered a box at the start (the Return) are still down as
// it closes; their releases are the answer's, and must not reach the cell
// that has the focus next as typing.
class AnswerKeys : public QObject {
public:
    explicit AnswerKeys(QList<int> keys) : keys_(std::move(keys)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys_.clear();
        if (event->type() != QEvent::KeyRelease || keys_.isEmpty())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        return !key->isAutoRepeat() && keys_.removeOne(key->key());
    }

private:
    QList<int> keys_;
};

}  // namespace

int main(int argc, char* argv[])
{
    // The command line is read before there is a window, so that --help and
    // --version work without a display. Only what prints needs an application
    // object (for the program's name and Qt's texts in the user's language);
    // a start goes straight on to the window. A file's name keeps its bytes,
    // whether they are UTF-8 or not.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(filenames::fromNative(argv[i]));
    CommandLine command = parseCommandLine(arguments);
    if (command.action == CommandLine::Action::Explain) {
        QCoreApplication console(argc, argv);
        QTextStream out(stdout);
        QTextStream errors(stderr);
        out.setEncoding(QStringConverter::Utf8);
        return explainPuzzle(command.puzzleFile, command.diagonal, out, errors);
    }
    if (command.action != CommandLine::Action::Start) {
        QCoreApplication console(argc, argv);
        installPlatformTranslations(QLocale::system());
        // Again, for Qt's own texts in the user's language.
        command = parseCommandLine(arguments);
        const bool refused = command.action == CommandLine::Action::Refuse;
        std::fputs(qPrintable(command.text), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }

    QApplication app(argc, argv);
    // Two waits of the start-up, side by side: fontconfig reading its
    // configuration and the list of installed fonts, on a second core, and
    // Qt's connection to the accessibility bus, which the window needs first.
    std::thread fonts([] { QFontDatabase::families(); });
    QAccessible::isActive();
    fonts.join();
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    // Lets a desktop match the window with its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korvane.Korvane"));
    installPlatformTranslations(QLocale::system());

    MainWindow window;
    window.show();
    // The board is kept as the user works, and offered at the next start.
    BoardKeeper keeper(BoardKeeper::defaultFolder());
    // Once the window is up, so that a box has a window to belong to.
    QTimer::singleShot(0, &window, [&window, &keeper, &command] {
        std::optional<FormState> kept = keeper.open(window.form());
        // A lock that nothing will ever let go is said in a box, once, which
        // offers to take it over; a second program on this computer keeps
        // nothing and says so on standard error only.
        if (keeper.holder() == BoardKeeper::Holder::Stuck) {
            kept = keeper.offerTakeOver(window.messagePort(), window.form());
            auto* answer = new AnswerKeys(window.messagePort().keysHeldAtClose());
            answer->setParent(&window);
            qApp->installEventFilter(answer);
        }
        const auto keep = [&window, &keeper] { keeper.keep(window.form()); };
        if (!command.puzzleFile.isEmpty()) {
            // A puzzle file named on the command line wins over the kept
            // board; its path is taken from the folder the program started
            // in, its bytes kept.
            window.setAfterAction(keep);
            window.openPuzzleFile(filenames::absolute(command.puzzleFile));
            return;
        }
        // Whatever the answer, the kept file stays as it is until the user's
        // first action.
        if (kept)
            window.offerKeptBoard(*kept);
        window.setAfterAction(keep);
    });
    const int status = QApplication::exec();
    // Once more at the close, for a snapshot still waiting; a run with no
    // action leaves the kept file as it found it.
    if (keeper.hasKept())
        keeper.keep(window.form());
    keeper.finish();
    return status;
}
