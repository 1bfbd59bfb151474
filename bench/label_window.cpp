// A window of the program's size showing one label of Japanese text in the
// program's face and nothing else: the floor for any window that shows CJK
// text, since it pays for fontconfig and for opening the face. bench/startup
// compares the program's start-up with it.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("使用方法：右側枠の数字を選択し挿入したい場所をクリックします"));
    QFont face(QStringLiteral("Noto Sans CJK JP"));
    face.setWeight(QFont::Bold);
    face.setStretch(95);
    face.setPointSizeF(9);
    window.setFont(face);
    window.setWindowTitle(QStringLiteral("Label window"));
    window.setFixedSize(461, 539);
    window.show();
    return QApplication::exec();
}
