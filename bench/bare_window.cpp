// An empty top-level window of the size of the program's window, and nothing
// else: the start-up time and memory bench/startup compares the program with.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(461, 539);
    window.show();
    return QApplication::exec();
}
