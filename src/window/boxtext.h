#pragma once

#include <QString>
#include <QStringView>

#include "textbox.h"

class QMimeData;

// The rules for text in the form's boxes, for everything that puts text into
// a box or counts it: the box, its editor and the message boxes.
//
// The form keeps line breaks as "\r\n" and counts every line break as two
// characters; a box on screen holds "\n" between its lines.
namespace boxtext {

// A box that takes typing holds at most this many characters, counted as the
// form counts them, so that no clipboard or input method can hand a box more
// text than it lays out within a frame.
inline constexpr qsizetype MaxLength = TextBox::MaxLength;

// True for what starts a new line once inserted into a box: the line ends and
// separators, and the two characters the text document reads as frame bounds.
bool isLineBreak(QChar ch);

// The form's text as a box shows it: "\r\n" becomes "\n".
QString shown(const QString& formText);
// A box's text as the form keeps it: each "\n" and each line separator
// (U+2028) becomes "\r\n".
QString toForm(const QString& shownText);

// The length `text` has once it is in a box, as the form counts it: every
// line break ("\r\n", "\n", "\r", U+2028, U+2029, ...) two characters, any
// other UTF-16 code unit one.
qsizetype formLength(QStringView text);

// The longest start of `text` that is at most `room` characters long by that
// count, cut only between grapheme clusters: never inside "\r\n", a
// surrogate pair, or between a letter and the marks that go with it.
QString fitted(const QString& text, qsizetype room);

// Where two texts differ: the length of the start they share, and of the end
// they share besides (never overlapping the start). The part in between is
// what changed.
struct Difference {
    qsizetype same = 0;
    qsizetype sameAtEnd = 0;
};
Difference differenceOf(QStringView before, QStringView after);

// Whether a box takes what a paste or a drag carries: plain text, never a
// file (a dropped file is for the window to open).
bool takesText(const QMimeData* data);

}  // namespace boxtext
