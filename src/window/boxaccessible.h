#pragma once

// The boxes as a screen reader meets them. Each box is one accessible object:
// - its role: a button when it takes no typing and reacts to clicks, text a
//   screen reader can read when it does neither (the message line), and
//   editable text when it takes typing;
// - its text through Qt's text interfaces (offsets in the text as shown, a
//   line break one character), its caret and selection, the place of each
//   character; an edit through the editable-text interface goes in as typing
//   does;
// - a press action where it reacts to clicks, and checkable and checked for
//   the two-state controls.
// While a box holds an editor, the box speaks for it: the editor appears
// nowhere in the tree, its focus is the box's focus, and the box alone tells
// of changes to its text, caret and selection. So a screen reader hears no
// editor being made, filled or given up.

// Installs the boxes' accessible interfaces and the filter that lets a box
// speak for its editor. Called before the first box is made; any later call
// does nothing. A handler installed before it (a test's) receives the events
// as a screen reader would.
void installBoxAccessibility();
