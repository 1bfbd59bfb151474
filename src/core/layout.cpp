// The controls as the window is built: design-time texts, places, sizes,
// colours, fonts and tab order. Start-up replaces some of these texts.
#include "korvane.h"

namespace {

TextBox box(const QString& text, int left, int top, int width, int height, quint32 back,
            double fontSize, int tabIndex)
{
    TextBox b;
    b.Text = text;
    b.Left = left;
    b.Top = top;
    b.Width = width;
    b.Height = height;
    b.BackColor = back;
    b.FontSize = fontSize;
    b.TabIndex = tabIndex;
    return b;
}

}  // namespace

void Korvane::buildControls()
{
    for (int i = 0; i < CellCount; ++i) {
        const int r = i / 9;
        const int c = i % 9;
        const bool evenBox = ((r / 3) + (c / 3)) % 2 == 0;
        TextBox& t = Text1[i];
        t = box(QString(), 360 + 600 * c, 360 + 720 * r, 615, 735,
                evenBox ? Colors::CellEvenBox : Colors::CellOddBox, 14.25, i);
        t.Centered = true;
    }

    for (int i = 0; i < 9; ++i) {
        TextBox& t = Text2[i];
        t = box(QString::number(i + 1), 6000, 360 + 480 * i, 495, 540, Colors::Idle, 20.25, 81 + i);
        t.Centered = true;
        t.MultiLine = false;
        t.Locked = true;
    }
    Text2[9] =
        box(QStringLiteral("部分\r\n取消\r\n"), 6000, 5160, 495, 495, Colors::Idle, 9.75, 90);
    Text2[10] = box(QStringLiteral("修正\r\n"), 6000, 4800, 495, 285, Colors::Idle, 9.75, 93);
    for (int i = 9; i <= 10; ++i) {
        Text2[i].Centered = true;
        Text2[i].Locked = true;
    }

    Text3 =
        box(QStringLiteral("使用方法：右側枠の数字を選択し\r\n挿入したい場所をクリックします\r\n"),
            1560, 7080, 3015, 495, Colors::MessageLine, 9, 91);
    Text3.Locked = true;
    Text4 =
        box(QStringLiteral("普通\r\n問題\r\n"), 6000, 7080, 495, 495, Colors::NormalType, 9.75, 92);
    Text4.Locked = true;
    Text5 =
        box(QStringLiteral("全部\r\n取消\r\n"), 6000, 6600, 495, 495, Colors::ClearAll, 9.75, 94);
    Text5.Locked = true;
    Text6 = box(QStringLiteral("自動消去\r\n"), 5280, 7080, 495, 495, Colors::Idle, 9.75, 95);
    Text7 = box(QStringLiteral("単数表示"), 6000, 6120, 495, 495, Colors::DisplayButton, 9.75, 96);
    Text7.Centered = true;
    Text8 = box(QStringLiteral("全数表示"), 6000, 5640, 495, 495, Colors::DisplayButton, 9.75, 97);
    Text8.Centered = true;
    Text9[0] =
        box(QStringLiteral("Data\r\nSave\r\n"), 360, 7080, 495, 495, Colors::DataRest, 9.75, 98);
    Text9[1] =
        box(QStringLiteral("Data\r\nLoad\r\n"), 960, 7080, 495, 495, Colors::DataRest, 9.75, 99);
    Text10 = box(QStringLiteral("連続消去\r\n"), 4680, 7080, 495, 495, Colors::Idle, 9.75, 100);
    Text10.Locked = true;
}
