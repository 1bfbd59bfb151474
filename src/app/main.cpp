#include <cstdio>

#include <QApplication>
#include <QTimer>

#include "commandline.h"
#include "mainwindow.h"
#include "platformtexts.h"

int main(int argc, char* argv[])
{
    // The command line is read before there is a window, so that --help and
    // --version work without a display.
    CommandLine command;
    {
        QCoreApplication console(argc, argv);
        installPlatformTranslations(QLocale::system());
        command = parseCommandLine(QCoreApplication::arguments());
    }
    switch (command.action) {
    case CommandLine::Action::Start:
        break;
    case CommandLine::Action::ShowHelp:
    case CommandLine::Action::ShowVersion:
        std::fputs(qPrintable(command.text), stdout);
        return 0;
    case CommandLine::Action::Refuse:
        std::fputs(qPrintable(command.text), stderr);
        return 2;
    }

    QApplication app(argc, argv);
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
