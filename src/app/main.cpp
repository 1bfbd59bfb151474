#include <QApplication>

#include "mainwindow.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));

    // Closing the window ends the program; nothing is kept.
    MainWindow window;
    window.show();
    return QApplication::exec();
}
