#pragma once

// The boxes as a screen reader meets them. Each box is one accessible object:
// - its role, from its control's role (layout::Role): a cell is editable
//   text, a palette choice a radio button, a command a push button, a
//   two-state control a check box and the message line a label;
// - its name: its control's spoken name, or what it shows where that is
//   what it is called (連続消去 / 元に戻す, the message line's message);
// - its text through Qt's text interfaces (offsets in the text as shown, a
//   line break one character), its caret and selection, the place of each
//   character; an edit through the editable-text interface goes in as typing
//   does;
// - a press action where it reacts to clicks, and checkable and checked for
//   the two-state controls and the palette's choices.
// While a box holds an editor, the box speaks for it: the editor appears
// nowhere in the tree, its focus is the box's focus, and the box alone tells
// of changes to its text, caret and selection. So a screen reader hears no
// editor being made, filled or given up.

// Installs the boxes' accessible interfaces and the filter that lets a box
// speak for its editor. Called before the first box is made; any later call
// does nothing. A handler installed before it (a test's) receives the events
// as a screen reader would.
void installBoxAccessibility();

class QAccessibleTextInterface;
class QRect;
class QString;
class QWidget;

// The place on the screen of the characters from `start` to `end` (-1: the
// end) of a box's text, as a screen reader asks for it; offsets outside the
// text are taken as its nearest end, so the cost is bounded by the text's
// length. A null rectangle for an empty range. A reader's call for it goes
// here rather than to Qt's bridge, which asks for every offset in the range.
QRect rangeExtents(QAccessibleTextInterface* text, int start, int end);

// Makes `notice` a notice to a screen reader: an object a reader speaks,
// without the keyboard going to it, whenever announce() shows it with a new
// text. Called before the notice's accessible object is first asked for.
void makeNotice(QWidget* notice);
// Has a screen reader speak `text` through `notice`, which it names.
void announce(QWidget* notice, const QString& text);
