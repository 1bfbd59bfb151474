#pragma once

#include <Qt>

// The parameters of the form's events, in the numbering of the platform the
// form was written for.
namespace formevents {

// The key code an input method reports while it composes text.
inline constexpr int InputMethodKey = 229;

// The shift mask: 1 Shift, 2 Ctrl, 4 Alt.
int shiftState(Qt::KeyboardModifiers modifiers);

// The mouse button: 1 left, 2 right, 4 middle, 0 any other.
int buttonCode(Qt::MouseButton button);

// The virtual-key code of a Qt key (Qt::Key): letters and digits as their
// ASCII codes, keypad digits 0x60-0x69, F1-F24 0x70-0x87, and the editing and
// moving keys. Keys it has no code for give 0.
int keyCode(int key, Qt::KeyboardModifiers modifiers);

}  // namespace formevents
