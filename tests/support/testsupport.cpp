#include "testsupport.h"

void placeDecided(Korvane& form, const QString& board)
{
    int cell = 0;
    for (QChar ch : board) {
        if (ch.isSpace())
            continue;
        if (cell >= Korvane::CellCount)
            break;
        if (ch != u'.') {
            form.decided[cell] = 1;
            form.candidates[cell] = QString(ch);
            form.Text1[cell].Text = QString(ch);
            form.Text1[cell].FontSize = 28;
            form.Text1[cell].ForeColor = Colors::DecidedDigit;
        }
        ++cell;
    }
}

void setCandidates(Korvane& form, int cellIndex, const QString& text)
{
    form.candidates[cellIndex] = text;
    form.Text1[cellIndex].Text = text;
    const qsizetype n = text.size();
    form.Text1[cellIndex].FontSize = n == 1 ? 28 : (n >= 7 ? 11 : 14);
}

QString boardTexts(const Korvane& form)
{
    QStringList texts;
    for (int i = 0; i < Korvane::CellCount; ++i)
        texts.append(form.Text1[i].Text);
    return texts.join(u'|');
}
