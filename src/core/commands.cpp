// Start-up, clear-all and the palette's resting state.
#include "korvane.h"

Korvane::Korvane(MessagePort& messagePort) : port(messagePort)
{
    buildControls();
    Form_Load();
}

int Korvane::paletteIndex() const
{
    for (int i = 0; i < 11; ++i) {
        if (selectedValue == QString::number(i + 1))
            return i;
    }
    return -1;
}

void Korvane::setTenToContinuous()
{
    restorePending = 0;
    Text10.Text = QStringLiteral("連続消去");
    Text10.BackColor = Colors::Idle;
}

void Korvane::ResetPalette()
{
    for (int i = 0; i <= 9; ++i)
        Text2[i].BackColor = Colors::Idle;
    Text2[10].BackColor = Colors::Active;
    selectedValue = QStringLiteral("11");
}

void Korvane::Form_Load()
{
    restorePending = 0;
    ResetPalette();
    Text10.Text = QStringLiteral("連続消去");
    Text10.BackColor = Colors::Idle;
    Text4.Text = QStringLiteral("普通問題");
    Text4.BackColor = Colors::NormalType;
    Text6.BackColor = Colors::Idle;
    diagonalMode = 0;
    autoEliminate = 0;
    singleView = 0;
    hasSavedGrid = 0;
    conflictFlag = 0;
    Text3.Text = QStringLiteral("使用方法：右側枠の数字を選択し挿入したい場所をクリックします");
    for (int i = 0; i < CellCount; ++i) {
        Text1[i].Text = FullCandidates;
        candidates[i] = FullCandidates;
        Text1[i].FontSize = 11;
        Text1[i].ForeColor = Colors::Black;
        decided[i] = 0;
    }
}

void Korvane::Text5_Click()
{
    if (singleView == 1)
        return;
    setTenToContinuous();
    const int current = paletteIndex();
    if (current >= 0)
        Text2[current].BackColor = Colors::Idle;
    Form_Load();
}
