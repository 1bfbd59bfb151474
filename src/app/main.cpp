#include <QApplication>

#include "mainwindow.h"
#include "platformtexts.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    installPlatformTranslations(QLocale::system());

    // Closing the window ends the program; nothing is kept.
    MainWindow window;
    window.show();
    return QApplication::exec();
}
