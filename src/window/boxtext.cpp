#include "boxtext.h"

#include <algorithm>

#include <QMimeData>
#include <QTextBoundaryFinder>

namespace boxtext {

bool isLineBreak(QChar ch)
{
    switch (ch.unicode()) {
    case u'\n':
    case u'\r':
    case QChar::LineSeparator:
    case QChar::ParagraphSeparator:
    case 0xFDD0:
    case 0xFDD1:
        return true;
    default:
        return false;
    }
}

QString shown(const QString& formText)
{
    QString text = formText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QString toForm(const QString& shownText)
{
    QString text = shownText;
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

qsizetype formLength(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar ch = text[at];
        if (ch == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n')
            ++at;
        count += isLineBreak(ch) ? 2 : 1;
    }
    return count;
}

QString fitted(const QString& text, qsizetype room)
{
    if (formLength(text) <= room)
        return text;
    // Every code unit counts at least one, so the cut lies within the first
    // `room` units. Whether a place is a cluster boundary depends on what
    // stands before it and on the one character after it; two more units
    // settle that for every place up to `room`, whatever the length of the
    // rest (a paste of a million characters, say).
    const QString head = text.left(room + 2);
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, head);
    qsizetype cut = 0;
    qsizetype count = 0;
    for (qsizetype at = clusters.toNextBoundary(); at > 0 && at <= room;
         at = clusters.toNextBoundary()) {
        count += formLength(QStringView(head).sliced(cut, at - cut));
        if (count > room)
            break;
        cut = at;
    }
    return text.left(cut);
}

Difference differenceOf(QStringView before, QStringView after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype start = 0;
    while (start < shorter && before[start] == after[start])
        ++start;
    qsizetype end = 0;
    while (end < shorter - start &&
           before[before.size() - 1 - end] == after[after.size() - 1 - end])
        ++end;
    return {start, end};
}

bool takesText(const QMimeData* data)
{
    return data->hasText() && !data->hasUrls();
}

}  // namespace boxtext
