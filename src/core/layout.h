#pragma once

#include <array>

#include <QRect>
#include <QString>
#include <QStringView>

#include "textbox.h"

struct FormState;
class Korvane;

// The form as the window is built from it: the measures of the window, and
// every control with the name its widget gets and what a screen reader says
// of it. The design-time settings of each control (place, size, colours,
// fonts, tab order) are set by the form itself (layout.cpp).
namespace layout {

// Design-time positions and sizes are twips, 15 to a device-independent
// pixel.
inline constexpr int TwipsPerPixel = 15;
constexpr int toPixels(int twips)
{
    return qRound(double(twips) / TwipsPerPixel);
}
// Where a control lies in the window, in pixels.
constexpr QRect pixelRect(const TextBox& box)
{
    return QRect(toPixels(box.Left), toPixels(box.Top), toPixels(box.Width), toPixels(box.Height));
}

// The window's client area: 6915 x 8085 twips.
inline constexpr int ClientWidthTwips = 6915;
inline constexpr int ClientHeightTwips = 8085;
inline constexpr QSize ClientSize(toPixels(ClientWidthTwips), toPixels(ClientHeightTwips));

// The layout drawn at `scale` pixels to a pixel of scale 1, as one picture.
constexpr int scaledPixels(int twips, double scale)
{
    return qRound(twips * scale / TwipsPerPixel);
}
// Where a control lies at `scale`. Each edge is its twips scaled and rounded;
// the far edges are taken one pixel (15 twips) in, so that controls that
// share a border line at scale 1 (neighbouring cells overlap by 15 twips)
// share one at every scale. At scale 1 this is pixelRect().
constexpr QRect scaledRect(const TextBox& box, double scale)
{
    return QRect(QPoint(scaledPixels(box.Left, scale), scaledPixels(box.Top, scale)),
                 QPoint(scaledPixels(box.Left + box.Width - TwipsPerPixel, scale),
                        scaledPixels(box.Top + box.Height - TwipsPerPixel, scale)));
}
// The client area at `scale`.
constexpr QSize clientSize(double scale)
{
    return QSize(scaledPixels(ClientWidthTwips, scale), scaledPixels(ClientHeightTwips, scale));
}

// What a control is to the user, and so to a screen reader and the keyboard.
enum class Role {
    Cell,            // a cell of the grid: takes typing, reacts to clicks
    PaletteButton,   // one of the palette's choices, exactly one of them chosen
    CommandButton,   // a button that runs a command
    TwoStateButton,  // a button that turns a setting on and off
    MessageLine,     // the line the program's messages show on
};

// One control of the form.
struct Control {
    QString name;  // its widget's: "Text1_40", "Text2_10", "Text3", "Text9_1"
    Role role = Role::CommandButton;
    int index = 0;  // its Index in its control array (cell, palette, Data buttons), else 0
    // What a screen reader calls it ("5行5列", "修正"); empty where its
    // caption says what it is and changes with its state ("連続消去" /
    // "元に戻す", "普通問題" / "斜め問題", the message line's message).
    QString spokenName;
    QString description;  // what it does, for a screen reader; may be empty
    // A two-state button's state: the flag it shows (1 on).
    int FormState::*checkedBy = nullptr;
    // The handlers its gestures run, with its index: a click, and, before
    // the click of the same press, a mouse-down (button, shift mask and
    // place in twips). A cell's key releases are its typed edits
    // (Korvane::Text1_KeyUp).
    void (*click)(Korvane& form, int index) = nullptr;
    void (*mouseDown)(Korvane& form, int button, int shift, float x, float y) = nullptr;
};

// Every control, in the order the form declares them: the 81 cells
// (Text1), the palette (Text2: digits 1-9, partial undo, correction), the
// message line (Text3), the puzzle type (Text4), clear all (Text5),
// automatic elimination (Text6), single-number display (Text7), all-numbers
// display (Text8), Data Save and Data Load (Text9), continuous elimination
// and restore (Text10).
inline constexpr int ControlCount = 101;
const std::array<Control, ControlCount>& controls();

// What a screen reader says of a cell shown in `foreColor`: what the colour
// tells the eye (a decided digit, a digit with one place left, candidates),
// then the keys that move between cells and click one.
QString cellDescription(quint32 foreColor);
// The same in a word, said with the cell's name: "確定", "ここにしか入らない",
// "候補".
QString cellMeaning(quint32 foreColor);

// The place of a control in controls(), by its name; -1 for no control.
int indexOf(QStringView name);

// The state of the control at `index` in controls().
TextBox& control(FormState& form, int index);
const TextBox& control(const FormState& form, int index);

}  // namespace layout
