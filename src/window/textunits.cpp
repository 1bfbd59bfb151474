#include "textunits.h"

namespace textunits {
namespace {

bool isSpace(QChar ch)
{
    return ch.isSpace() || ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator;
}

bool isLineBreak(QChar ch)
{
    return ch == u'\n' || ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator;
}

bool endsSentence(QChar ch)
{
    switch (ch.unicode()) {
    case u'。':
    case u'．':
    case u'！':
    case u'？':
    case u'.':
    case u'!':
    case u'?':
        return true;
    default:
        return false;
    }
}

// Where the unit that starts at `start` ends (start < text.size()).
int unitEnd(QStringView text, int start, QAccessible::TextBoundaryType type)
{
    const int length = int(text.size());
    int at = start;
    switch (type) {
    case QAccessible::CharBoundary:
        if (text[at].isHighSurrogate() && at + 1 < length && text[at + 1].isLowSurrogate())
            return at + 2;
        return at + 1;
    case QAccessible::WordBoundary:
        while (at < length && isSpace(text[at]))
            ++at;
        if (at > start && start == 0)
            return at;  // the white space before the first word
        while (at < length && !isSpace(text[at]))
            ++at;
        while (at < length && isSpace(text[at]))
            ++at;
        return at;
    case QAccessible::SentenceBoundary:
        while (at < length && !endsSentence(text[at]))
            ++at;
        while (at < length && endsSentence(text[at]))
            ++at;
        while (at < length && isSpace(text[at]))
            ++at;
        return at;
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        while (at < length && !isLineBreak(text[at]))
            ++at;
        return at < length ? at + 1 : at;
    case QAccessible::NoBoundary:
        break;
    }
    return length;
}

// The units of `text` in order, walked from the start until `visit` returns
// false. The walk is one pass over the text.
template <typename Visit>
void walk(QStringView text, QAccessible::TextBoundaryType type, Visit visit)
{
    const int length = int(text.size());
    for (int start = 0; start < length;) {
        const int end = unitEnd(text, start, type);
        if (!visit(Span{start, end}))
            return;
        start = end;
    }
}

// The units around `offset`: the one it lies in and its neighbours.
struct Around {
    Span previous{0, 0};
    Span here;
    Span next;
};

Around around(QStringView text, int offset, QAccessible::TextBoundaryType type)
{
    const int length = int(text.size());
    Around found;
    found.next = {length, length};
    if (offset < 0 || offset > length)
        return found;
    bool seen = false;
    Span last{0, 0};
    Span beforeLast{0, 0};
    walk(text, type, [&](Span unit) {
        if (seen) {
            found.next = unit;
            return false;
        }
        if (offset < unit.end) {
            found.here = unit;
            found.previous = last;
            seen = true;
        }
        beforeLast = last;
        last = unit;
        return true;
    });
    if (seen)
        return found;
    // The offset is the length. The last unit reaches it, unless what ends
    // there closes its unit (a character, a line break): then an empty unit
    // starts there.
    const bool lines = type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary;
    const bool closed =
        type == QAccessible::CharBoundary || (lines && length > 0 && isLineBreak(text.back()));
    if (length == 0 || closed) {
        found.here = {length, length};
        found.previous = last;
    } else {
        found.here = last;
        found.previous = beforeLast;
    }
    return found;
}

}  // namespace

Span at(QStringView text, int offset, QAccessible::TextBoundaryType type)
{
    return around(text, offset, type).here;
}

Span before(QStringView text, int offset, QAccessible::TextBoundaryType type)
{
    if (offset < 0 || offset > text.size())
        return {};
    return around(text, offset, type).previous;
}

Span after(QStringView text, int offset, QAccessible::TextBoundaryType type)
{
    if (offset < 0 || offset > text.size())
        return {};
    return around(text, offset, type).next;
}

}  // namespace textunits
