#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the window and the windows that belong to it stand on a screen, in
// device-independent pixels. Pure arithmetic on rectangles: the window asks,
// with what its screen and its window manager tell it.
//
// The window's layout is one picture drawn at a scale: at 1 it is the
// layout as it was drawn (461 x 539), and at any other scale every control
// is scaled with it (layout::scaledRect).
namespace windowfit {

// The smallest scale the user can make the window by resizing it, unless the
// screen is so small that the window had to start smaller still.
inline constexpr double SmallestScale = 0.5;
// Below this no layout is drawn, whatever the screen: a screen that small
// is a screen reported wrongly.
inline constexpr double FloorScale = 0.2;

// The scale the window starts at on a screen whose free area is `available`
// (the screen less its panels), with a window frame of `frame` around a
// client area of `natural` size at scale 1: the natural size where the
// framed window fits, else the largest scale at which it does. It never
// starts larger than the layout was drawn.
double startScale(QSize natural, QMargins frame, QSize available);

// The scale the layout is drawn at in a client area of `size`: the largest
// at which it fits, so that it keeps its proportions whatever shape the
// user gives the window (the spare room is shared out on both sides).
double scaleFor(QSize natural, QSize size);

// Where `outer` (a window's frame) goes to lie inside `available`, moved no
// more than it takes. One larger than `available` keeps its top or left
// edge on `available`'s, so that its title bar stays in reach.
QPoint keptInside(const QRect& outer, const QRect& available);

// Where a dialog whose frame is `dialog` large opens: centred on `window`'s
// frame, kept inside `available`.
QPoint centredOver(const QRect& window, QSize dialog, const QRect& available);

// Where a panel of `panel` size goes beside a window whose frame is
// `window`, `gap` pixels apart and inside `available`: to the right of the
// window, level with its top, else to its left, else below it, else above
// it, each slid along the window's side as far as the screen needs. Where no
// side has room for it, it stands on the side with most room, kept inside
// the screen, over the window's edge.
QPoint beside(const QRect& window, QSize panel, const QRect& available, int gap);

}  // namespace windowfit
