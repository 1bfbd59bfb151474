// The controls as the window is built: design-time texts, places, sizes,
// colours, fonts and tab order (start-up replaces some of these texts), and
// what each control is called.
#include "layout.h"

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

// The tab order follows the screen: the grid row by row, the palette from 1
// down to 部分取消, then the other buttons as they are read, top to bottom
// and each row left to right (全数表示, 単数表示, 全部取消, then the bottom
// row from Data Save to the puzzle type). The message line has its place in
// that order but is no stop: it shows messages and takes no command.
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
        box(QStringLiteral("部分\r\n取消\r\n"), 6000, 5160, 495, 495, Colors::Idle, 9.75, 91);
    Text2[10] = box(QStringLiteral("修正\r\n"), 6000, 4800, 495, 285, Colors::Idle, 9.75, 90);
    for (int i = 9; i <= 10; ++i) {
        Text2[i].Centered = true;
        Text2[i].Locked = true;
    }

    Text3 =
        box(QStringLiteral("使用方法：右側枠の数字を選択し\r\n挿入したい場所をクリックします\r\n"),
            1560, 7080, 3015, 495, Colors::MessageLine, 9, 97);
    Text3.Locked = true;
    Text3.TabStop = false;
    Text4 = box(QStringLiteral("普通\r\n問題\r\n"), 6000, 7080, 495, 495, Colors::NormalType, 9.75,
                100);
    Text4.Locked = true;
    Text5 =
        box(QStringLiteral("全部\r\n取消\r\n"), 6000, 6600, 495, 495, Colors::ClearAll, 9.75, 94);
    Text5.Locked = true;
    Text6 = box(QStringLiteral("自動消去\r\n"), 5280, 7080, 495, 495, Colors::Idle, 9.75, 99);
    Text7 = box(QStringLiteral("単数表示"), 6000, 6120, 495, 495, Colors::DisplayButton, 9.75, 93);
    Text7.Centered = true;
    Text8 = box(QStringLiteral("全数表示"), 6000, 5640, 495, 495, Colors::DisplayButton, 9.75, 92);
    Text8.Centered = true;
    Text9[0] =
        box(QStringLiteral("Data\r\nSave\r\n"), 360, 7080, 495, 495, Colors::DataRest, 9.75, 95);
    Text9[1] =
        box(QStringLiteral("Data\r\nLoad\r\n"), 960, 7080, 495, 495, Colors::DataRest, 9.75, 96);
    Text10 = box(QStringLiteral("連続消去\r\n"), 4680, 7080, 495, 495, Colors::Idle, 9.75, 98);
    Text10.Locked = true;
}

namespace layout {

const std::array<Control, ControlCount>& controls()
{
    static const std::array<Control, ControlCount> table = [] {
        // A control whose caption tells its state (連続消去 / 元に戻す,
        // 普通問題 / 斜め問題) and the message line are named by what they
        // show; any other by its role, since its caption breaks over lines
        // (部分\r\n取消). A cell is named by its place, and said by its
        // colour (cellDescription).
        std::array<Control, ControlCount> t;
        int at = 0;
        for (int i = 0; i < FormState::CellCount; ++i) {
            t[at++] = {QStringLiteral("Text1_%1").arg(i), Role::Cell, i,
                       QStringLiteral("%1行%2列").arg(i / 9 + 1).arg(i % 9 + 1), QString()};
            t[at - 1].click = [](Korvane& form, int index) { form.Text1_click(index); };
        }
        // How the keyboard clicks a button, and a box that takes typing.
        const QString button = QStringLiteral("。スペースキーかEnterで押します");
        const QString typed = QStringLiteral("。Ctrl+Enterで押します");
        using Click = void (*)(Korvane&, int);
        const auto add = [&](const QString& name, Role role, int index, const QString& spoken,
                             const QString& description, Click click,
                             int FormState::*checkedBy = nullptr) {
            t[at++] = {name, role, index, spoken, description, checkedBy, click};
        };
        const Click palette = [](Korvane& form, int index) { form.Text2_click(index); };
        for (int digit = 1; digit <= 9; ++digit)
            add(QStringLiteral("Text2_%1").arg(digit - 1), Role::PaletteButton, digit - 1,
                QStringLiteral("数字%1").arg(digit),
                QStringLiteral("クリックしたマスにこの数字を置きます") + button, palette);
        add("Text2_9", Role::PaletteButton, 9, "部分取消",
            "次にクリックしたマスの確定数字を取り消します" + button, palette);
        add("Text2_10", Role::PaletteButton, 10, "修正",
            "マスの候補をキー入力で修正します" + button, palette);
        add("Text3", Role::MessageLine, 0, "", "メッセージ", nullptr);
        add("Text4", Role::CommandButton, 0, "",
            "問題の種類。普通問題と斜め問題を切り替えます" + button,
            [](Korvane& form, int) { form.Text4_click(); });
        add("Text5", Role::CommandButton, 0, "全部取消",
            "盤面をすべて最初の状態に戻します" + button,
            [](Korvane& form, int) { form.Text5_Click(); });
        add(
            "Text6", Role::TwoStateButton, 0, "自動消去",
            "確定した数字を同じ行・列・ブロックの候補から自動で消去します" + typed,
            [](Korvane& form, int) { form.Text6_Click(); }, &FormState::autoEliminate);
        add(
            "Text7", Role::TwoStateButton, 0, "単数表示",
            "選んだ数字が入りうるマスだけを表示します" + typed,
            [](Korvane& form, int) { form.Text7_Click(); }, &FormState::singleView);
        t[at - 1].mouseDown = [](Korvane& form, int button, int shift, float x, float y) {
            form.Text7_MouseDown(button, shift, x, y);
        };
        add("Text8", Role::CommandButton, 0, "全数表示", "すべての候補の表示に戻ります" + typed,
            [](Korvane& form, int) { form.Text8_Click(); });
        const Click data = [](Korvane& form, int index) { form.Text9_click(index); };
        add("Text9_0", Role::CommandButton, 0, "Data Save", "確定した数字を記憶します" + typed,
            data);
        add("Text9_1", Role::CommandButton, 1, "Data Load",
            "記憶した数字、または mondai.txt の問題を読み込みます" + typed, data);
        add("Text10", Role::CommandButton, 0, "",
            "候補が一つのマスを次々に確定します。キー入力で候補を修正した後は「元に戻す」になり、"
            "その修正を取り消します" +
                button,
            [](Korvane& form, int) { form.Text10_click(); });
        Q_ASSERT(at == ControlCount);
        return t;
    }();
    return table;
}

QString cellDescription(quint32 foreColor)
{
    QString meaning = QStringLiteral("候補の数字");
    if (foreColor == Colors::DecidedDigit)
        meaning = QStringLiteral("確定した数字");
    else if (foreColor == Colors::HiddenSingle)
        meaning = QStringLiteral("ここにしか入らない数字");
    return meaning + QStringLiteral("。Alt+矢印キーで隣のマスへ、Ctrl+Enterでクリックします");
}

QString cellMeaning(quint32 foreColor)
{
    if (foreColor == Colors::DecidedDigit)
        return QStringLiteral("確定");
    if (foreColor == Colors::HiddenSingle)
        return QStringLiteral("ここにしか入らない");
    return QStringLiteral("候補");
}

int indexOf(QStringView name)
{
    const auto& table = controls();
    for (int i = 0; i < ControlCount; ++i) {
        if (table[i].name == name)
            return i;
    }
    return -1;
}

const TextBox& control(const FormState& form, int index)
{
    constexpr int Palette = FormState::CellCount;
    constexpr int Single = Palette + 11;  // Text3 to Text8
    constexpr int Data = Single + 6;
    if (index < Palette)
        return form.Text1[index];
    if (index < Single)
        return form.Text2[index - Palette];
    const TextBox* const singles[] = {&form.Text3, &form.Text4, &form.Text5,
                                      &form.Text6, &form.Text7, &form.Text8};
    if (index < Data)
        return *singles[index - Single];
    if (index < Data + 2)
        return form.Text9[index - Data];
    return form.Text10;
}

TextBox& control(FormState& form, int index)
{
    return const_cast<TextBox&>(control(std::as_const(form), index));
}

}  // namespace layout
