#include "testsupport.h"

#include "layout.h"

#include <algorithm>
#include <bit>

#include <QFile>
#include <QProcess>

#include "units.h"

void act(Korvane& form, const Setup& action)
{
    action(form);
    form.EndAction();
}

void place(Korvane& form, int cell, int digit)
{
    act(form, [=](Korvane& f) { f.Text2_click(digit - 1); });
    act(form, [=](Korvane& f) { f.Text1_click(cell); });
}

void placeDecided(Korvane& form, const QString& board)
{
    int cell = 0;
    for (QChar ch : board) {
        if (ch.isSpace())
            continue;
        if (cell >= Korvane::CellCount)
            break;
        if (ch != u'.')
            form.MarkDecided(cell, QString(ch));
        ++cell;
    }
}

void setCandidates(Korvane& form, int cellIndex, const QString& text)
{
    form.candidates[cellIndex] = text;
    form.Text1[cellIndex].Text = text;
    form.Text1[cellIndex].FontSize = Korvane::fontSizeForLength(text.size());
}

void clickSingleNumber(Korvane& form)
{
    form.Text7_MouseDown(1, 0, 0, 0);
    form.Text7_Click();
}

QList<int> decidedCells(const Korvane& form)
{
    QList<int> cells;
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (form.decided[i] == 1)
            cells.append(i);
    }
    return cells;
}

QString candidatesLeft(const Korvane& form, int cell, const QList<int>& applied)
{
    QString left = FullCandidates;
    for (int j : applied) {
        if (sharedUnits(cell, j, form.diagonalMode == 1) > 0)
            left.remove(form.Text1[j].Text);
    }
    return left;
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

QString decidedTextViolation(const Korvane& before, const Korvane& after, int editedCell)
{
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (i != editedCell && before.decided[i] == 1 && after.decided[i] == 1 &&
            before.Text1[i].Text != after.Text1[i].Text)
            return QStringLiteral("decided cell %1 changed from \"%2\" to \"%3\"")
                .arg(i)
                .arg(before.Text1[i].Text, after.Text1[i].Text);
    }
    return QString();
}

QString solutionFault(const QString& grid, bool diagonal)
{
    if (grid.size() != Korvane::CellCount)
        return QStringLiteral("%1 cells").arg(grid.size());
    const int unitCount = diagonal ? 29 : 27;
    for (int u = 0; u < unitCount; ++u) {
        QString seen;
        for (int cell : units::all[u])
            seen.append(grid.at(cell));
        std::sort(seen.begin(), seen.end());
        if (seen != u"123456789")
            return QStringLiteral("unit %1 holds %2").arg(u).arg(seen);
    }
    return QString();
}

QString forcingProofFault(const nextstep::Step& step, const nextstep::Board& board)
{
    using nextstep::Deduction;
    const auto* forcing = std::get_if<nextstep::Forcing>(&step.pattern);
    if (!forcing)
        return {};
    const int unitCount = board.diagonal ? 29 : 27;
    const auto inUnit = [](int u, int c) {
        const units::Unit& cells = units::all[size_t(u)];
        return std::find(cells.begin(), cells.end(), c) != cells.end();
    };
    const auto sees = [&](int a, int b) {
        for (int u = 0; u < unitCount; ++u) {
            if (a != b && inUnit(u, a) && inUnit(u, b))
                return true;
        }
        return false;
    };
    for (const nextstep::Branch& branch : forcing->branches) {
        // Each cell's digits as the branch has them; frozen cells (decided,
        // not one digit) may hold any and are never touched.
        std::array<nextstep::Digits, 81> digits = board.digits;
        std::array<int, 81> placed{};
        const auto frozen = [&](int c) {
            return board.decided[size_t(c)] &&
                   std::popcount(unsigned(board.digits[size_t(c)])) != 1;
        };
        const auto place = [&](int c, int d) {
            digits[size_t(c)] = nextstep::bit(d);
            placed[size_t(c)] = d;
            for (int p = 0; p < 81; ++p) {
                if (sees(c, p) && !frozen(p) && !placed[size_t(p)])
                    digits[size_t(p)] &= nextstep::Digits(~nextstep::bit(d));
            }
        };
        for (size_t i = 0; i < branch.deductions.size(); ++i) {
            const Deduction& d = branch.deductions[i];
            const nextstep::Digits one = nextstep::bit(d.digit);
            bool follows = true;
            switch (d.reason) {
            case Deduction::Reason::Assumed:
                follows = i == 0 && (digits[size_t(d.cell)] & one);
                break;
            case Deduction::Reason::OnlyDigit:
                follows = digits[size_t(d.cell)] == one;
                break;
            case Deduction::Reason::OnlyPlace:
                for (int c : units::all[size_t(d.unit)])
                    follows = follows && (c == d.cell ? (digits[size_t(c)] & one) != 0
                                                      : frozen(c) || placed[size_t(c)] ||
                                                            !(digits[size_t(c)] & one));
                break;
            case Deduction::Reason::Seen: {
                const Deduction& by = branch.deductions.at(size_t(d.from.at(0)));
                follows =
                    by.placed && (d.unit < 0 ? by.cell == d.cell
                                             : inUnit(d.unit, by.cell) && inUnit(d.unit, d.cell));
                break;
            }
            }
            if (!follows)
                return QStringLiteral("%1: deduction %2 does not follow")
                    .arg(nextstep::notation(step))
                    .arg(i);
            if (d.placed)
                place(d.cell, d.digit);
            else
                digits[size_t(d.cell)] &= nextstep::Digits(~one);
        }
        if (const auto& c = branch.contradiction) {
            bool holds = false;
            if (c->kind == nextstep::Contradiction::Kind::EmptyCell) {
                holds = digits[size_t(c->cell)] == 0;
            } else {
                holds = true;
                for (int cell : units::all[size_t(c->unit)])
                    holds =
                        holds && !frozen(cell) && !(digits[size_t(cell)] & nextstep::bit(c->digit));
            }
            if (!holds)
                return nextstep::notation(step) + QStringLiteral(": no such contradiction");
            continue;
        }
        const Deduction& last = branch.deductions.back();
        const nextstep::Candidate result =
            step.placements.empty() ? step.eliminations.at(0) : step.placements.at(0);
        if (last.cell != result.cell || last.digit != result.digit ||
            last.placed != step.eliminations.empty())
            return nextstep::notation(step) + QStringLiteral(": a branch ends elsewhere");
    }
    return {};
}

QStringList controlNames()
{
    QStringList names;
    for (const layout::Control& control : layout::controls())
        names.append(control.name);
    return names;
}

QStringList tabOrder()
{
    QStringList names;
    for (int i = 0; i < 81; ++i)
        names << QStringLiteral("Text1_%1").arg(i);
    for (int i = 0; i < 9; ++i)
        names << QStringLiteral("Text2_%1").arg(i);
    return names << "Text2_10"
                 << "Text2_9"
                 << "Text8"
                 << "Text7"
                 << "Text5"
                 << "Text9_0"
                 << "Text9_1"
                 << "Text3"
                 << "Text10"
                 << "Text6"
                 << "Text4";
}

QStringList tabStops()
{
    QStringList names = tabOrder();
    names.removeOne(u"Text3");
    return names;
}

const TextBox& controlNamed(const Korvane& form, const QString& name)
{
    const int index = layout::indexOf(name);
    Q_ASSERT(index >= 0);
    return layout::control(form, index);
}

TextBox& controlNamed(Korvane& form, const QString& name)
{
    return const_cast<TextBox&>(controlNamed(std::as_const(form), name));
}

QByteArray sjis::fullWidthDigit(int digit)
{
    return QByteArray("\x82") + char(0x4F + digit);
}

QByteArray drawnRule()
{
    return sjis::Rule.repeated(19);
}

QByteArray drawnRow(const QList<QByteArray>& cells)
{
    QByteArray line = sjis::Bar;
    for (const QByteArray& cell : cells)
        line += cell + sjis::Bar;
    return line;
}

QByteArray drawnGrid(const QString& puzzle, QByteArrayView lineEnd)
{
    const QByteArray eol = lineEnd.toByteArray();
    QByteArray out = drawnRule() + eol;
    for (int r = 0; r < 9; ++r) {
        QList<QByteArray> cells;
        for (QChar ch : puzzle.mid(9 * r, 9))
            cells.append(ch >= u'1' && ch <= u'9' ? sjis::fullWidthDigit(ch.digitValue())
                                                  : sjis::IdeographicSpace);
        out += drawnRow(cells) + eol + drawnRule() + eol;
    }
    return out;
}

QStringList entriesOf(const QString& board)
{
    QStringList entries;
    for (QChar ch : board)
        entries.append(ch == u'.' ? QString() : QString(ch));
    while (entries.size() < Korvane::CellCount)
        entries.append(QString());
    return entries;
}

bool writeFile(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), bytes.size()) == bytes.size();
}

QList<SolvedPuzzle> qqwingPuzzles(const QString& difficulty, int count, const QStringList& extra)
{
    QProcess qqwing;
    qqwing.start(QStringLiteral("qqwing"),
                 QStringList{"--generate", QString::number(count), "--difficulty", difficulty,
                             "--one-line", "--solution"} +
                     extra);
    QList<SolvedPuzzle> generated;
    if (!qqwing.waitForFinished(300000) || qqwing.exitCode() != 0) {
        qWarning("qqwing did not run: %s", qPrintable(qqwing.errorString()));
        return generated;
    }
    const QStringList lines =
        QString::fromLatin1(qqwing.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
        generated.append({lines[i].trimmed(), lines[i + 1].trimmed()});
    return generated;
}
