#pragma once

#include <QAccessible>
#include <QStringView>

// How a screen reader walks a box's text: by character, word, sentence, line
// or paragraph, or the whole of it. Offsets are UTF-16 code units of the text
// as shown ("\n" between lines).
//
// The text is cut into units that follow one another with no gap, so every
// offset from 0 up to the length lies in exactly one of them:
// - a character is one code unit, or a surrogate pair;
// - a word runs from its first character that is not white space to the
//   start of the next word (its trailing spaces and line breaks with it);
//   white space before the first word is a unit of its own;
// - a sentence runs to the white space after "。", "．", "！", "？", ".", "!"
//   or "?", that white space included;
// - a line and a paragraph run to the end of a line break, which they
//   include.
// At the length itself lies the last unit, except where the text ends with
// the end of a unit that the length starts: after the last character, and
// after a final line break, an empty unit.
//
// Every answer costs time in proportion to the text's length at most,
// whatever offset is asked.
namespace textunits {

struct Span {
    int start = -1;
    int end = -1;
    bool operator==(const Span&) const = default;
};

// The unit at `offset`, the one before it and the one after it. An offset
// outside 0..length has none: {-1, -1}. Before the first unit there is
// {0, 0}, after the last {length, length}.
Span at(QStringView text, int offset, QAccessible::TextBoundaryType type);
Span before(QStringView text, int offset, QAccessible::TextBoundaryType type);
Span after(QStringView text, int offset, QAccessible::TextBoundaryType type);

// The part of `text` a span covers; empty for {-1, -1}.
inline QString textOf(QStringView text, Span span)
{
    return span.start < 0 ? QString() : text.sliced(span.start, span.end - span.start).toString();
}

}  // namespace textunits
