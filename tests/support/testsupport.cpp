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
    form.Text1[cellIndex].FontSize = Korvane::fontSizeForLength(text.size());
}

QString boardTexts(const Korvane& form)
{
    QStringList texts;
    for (int i = 0; i < Korvane::CellCount; ++i)
        texts.append(form.Text1[i].Text);
    return texts.join(u'|');
}

int sharedUnits(int a, int b, bool diagonal)
{
    const int ra = a / 9, ca = a % 9, rb = b / 9, cb = b % 9;
    int shared = 0;
    shared += ra == rb;
    shared += ca == cb;
    shared += (ra / 3 == rb / 3 && ca / 3 == cb / 3);
    if (diagonal) {
        shared += (ra == ca && rb == cb);
        shared += (ra + ca == 8 && rb + cb == 8);
    }
    return shared;
}

QString boardState(const Korvane& form)
{
    QStringList cells;
    for (int i = 0; i < Korvane::CellCount; ++i) {
        const TextBox& t = form.Text1[i];
        cells.append(QStringLiteral("%1/%2/%3/%4/%5")
                         .arg(t.Text, form.candidates[i])
                         .arg(t.FontSize)
                         .arg(t.ForeColor, 6, 16, QChar(u'0'))
                         .arg(form.decided[i]));
    }
    return cells.join(u'|');
}

QString formState(const Korvane& form)
{
    QStringList parts{boardState(form)};
    for (int i = 0; i < Korvane::CellCount; ++i)
        parts.append(form.stashedText[i]);
    const auto box = [&parts](const TextBox& t) {
        parts.append(t.Text + u'#' + QString::number(t.BackColor, 16));
    };
    for (const TextBox& t : form.Text2)
        box(t);
    for (const TextBox* t : {&form.Text3, &form.Text4, &form.Text5, &form.Text6, &form.Text7,
                             &form.Text8, &form.Text9[0], &form.Text9[1], &form.Text10})
        box(*t);
    parts.append(form.selectedValue);
    for (int flag : {form.diagonalMode, form.singleView, form.autoEliminate, form.conflictFlag,
                     form.restorePending, form.hasSavedGrid})
        parts.append(QString::number(flag));
    return parts.join(u'|');
}

QString invariantViolation(const Korvane& form)
{
    QStringList faults;
    bool ok = false;
    const int value = form.selectedValue.toInt(&ok);
    if (!ok || value < 1 || value > 11 || form.selectedValue != QString::number(value))
        faults.append(QStringLiteral("selectedValue is \"%1\"").arg(form.selectedValue));
    QList<int> active;
    for (int i = 0; i < 11; ++i) {
        if (form.Text2[i].BackColor == Colors::Active)
            active.append(i);
        else if (form.Text2[i].BackColor != Colors::Idle)
            faults.append(QStringLiteral("palette %1 has colour %2")
                              .arg(i)
                              .arg(form.Text2[i].BackColor, 6, 16, QChar(u'0')));
    }
    if (active.size() != 1 || (ok && active.first() != value - 1)) {
        QStringList indexes;
        for (int i : active)
            indexes.append(QString::number(i));
        faults.append(QStringLiteral("active palette buttons [%1] for selectedValue \"%2\"")
                          .arg(indexes.join(u','), form.selectedValue));
    }
    const bool restore = form.restorePending == 1;
    if (form.Text10.Text != (restore ? QStringLiteral("元に戻す") : QStringLiteral("連続消去")) ||
        form.Text10.BackColor != (restore ? Colors::Active : Colors::Idle))
        faults.append(QStringLiteral("Text10 \"%1\" does not show restorePending %2")
                          .arg(form.Text10.Text)
                          .arg(form.restorePending));
    const bool diagonal = form.diagonalMode == 1;
    if (form.Text4.Text != (diagonal ? QStringLiteral("斜め問題") : QStringLiteral("普通問題")) ||
        form.Text4.BackColor != (diagonal ? Colors::Active : Colors::NormalType))
        faults.append(QStringLiteral("Text4 does not show diagonalMode %1").arg(form.diagonalMode));
    if (form.Text6.BackColor != (form.autoEliminate == 1 ? Colors::Active : Colors::Idle))
        faults.append(
            QStringLiteral("Text6 does not show autoEliminate %1").arg(form.autoEliminate));
    const QList<QPair<const char*, int>> flags{
        {"diagonalMode", form.diagonalMode},     {"singleView", form.singleView},
        {"autoEliminate", form.autoEliminate},   {"conflictFlag", form.conflictFlag},
        {"restorePending", form.restorePending}, {"hasSavedGrid", form.hasSavedGrid}};
    for (const auto& [name, flag] : flags) {
        if (flag != 0 && flag != 1)
            faults.append(QStringLiteral("%1 is %2").arg(QLatin1String(name)).arg(flag));
    }
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (form.decided[i] != 0 && form.decided[i] != 1)
            faults.append(QStringLiteral("decided(%1) is %2").arg(i).arg(form.decided[i]));
    }
    return faults.join(QStringLiteral("; "));
}

DecidedSnapshot decidedSnapshot(const Korvane& form)
{
    DecidedSnapshot cells;
    for (int i = 0; i < Korvane::CellCount; ++i) {
        cells.decided[i] = form.decided[i];
        cells.text[i] = form.Text1[i].Text;
    }
    return cells;
}

QString decidedTextViolation(const DecidedSnapshot& before, const Korvane& after, int editedCell)
{
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (i != editedCell && before.decided[i] == 1 && after.decided[i] == 1 &&
            before.text[i] != after.Text1[i].Text)
            return QStringLiteral("decided cell %1 changed from \"%2\" to \"%3\"")
                .arg(i)
                .arg(before.text[i], after.Text1[i].Text);
    }
    return QString();
}
