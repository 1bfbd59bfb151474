#include <cstdio>

#include <thread>

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QTimer>

#include "boardkeeper.h"
#include "commandline.h"
#include "explain.h"
#include "filenames.h"
#include "mainwindow.h"
#include "platformtexts.h"

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
        const Language language = languageOf(QLocale::system());
        // Again, for the user's language; the names keep their bytes.
        command = parseCommandLine(arguments, language);
        QTextStream out(stdout);
        QTextStream errors(stderr);
        out.setEncoding(QStringConverter::Utf8);
        errors.setEncoding(QStringConverter::Utf8);
        return explainPuzzle(command.puzzleFile, command.diagonal, out, errors, language);
    }
    if (command.action != CommandLine::Action::Start) {
        QCoreApplication console(argc, argv);
        installPlatformTranslations(QLocale::system());
        // Again, for Qt's own texts in the user's language.
        command = parseCommandLine(arguments, languageOf(QLocale::system()));
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
        std::optional<keptstate::Kept> kept = keeper.open(window.form());
        // A lock that nothing will ever let go is said in a box, once, which
        // offers to take it over; a second program on this computer keeps
        // nothing and says so on standard error only.
        if (keeper.holder() == BoardKeeper::Holder::Stuck) {
            // The Return that answers is pressed in the box: its release is
            // no typing in the cell that has the focus next.
            kept = keeper.offerTakeOver(window.messagePort(), window.form());
        }
        const auto keep = [&window, &keeper] {
            keeper.keep(window.form(), window.form().keptHistory());
        };
        if (!command.puzzleFile.isEmpty()) {
            // A puzzle file named on the command line wins over the kept
            // board, unasked; its opening is an action, so the kept game
            // goes into the form first and stays one undo away. The path is
            // taken from the folder the program started in, its bytes kept.
            if (kept)
                window.form().RestoreKeptBoard(kept->board, kept->history);
            window.setAfterAction(keep);
            window.openPuzzleFile(filenames::absolute(command.puzzleFile));
            return;
        }
        // Whatever the answer, the kept file stays as it is until the user's
        // first action.
        if (kept)
            window.offerKeptBoard(kept->board, kept->history);
        window.setAfterAction(keep);
    });
    const int status = QApplication::exec();
    // Once more at the close, for a snapshot still waiting; a run with no
    // action leaves the kept file as it found it.
    if (keeper.hasKept())
        keeper.keep(window.form(), window.form().keptHistory());
    keeper.finish();
    return status;
}
