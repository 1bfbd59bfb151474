#include <cstdio>

#include <thread>

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QTimer>

#include "commandline.h"
#include "mainwindow.h"
#include "platformtexts.h"

int main(int argc, char* argv[])
{
    // The command line is read before there is a window, so that --help and
    // --version work without a display. Only what prints needs an application
    // object (for the program's name and Qt's texts in the user's language);
    // a start goes straight on to the window.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CommandLine command = parseCommandLine(arguments);
    if (command.action != CommandLine::Action::Start) {
        QCoreApplication console(argc, argv);
        installPlatformTranslations(QLocale::system());
        command = parseCommandLine(QCoreApplication::arguments());
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

    // Closing the window ends the program; nothing is kept.
    MainWindow window;
    window.show();
    if (!command.puzzleFile.isEmpty()) {
        // Once the window is up, so that an error box has a window to belong
        // to; the path is taken from the folder the program started in.
        QTimer::singleShot(0, &window,
                           [&window, &command] { window.openPuzzleFile(command.puzzleFile); });
    }
    return QApplication::exec();
}
