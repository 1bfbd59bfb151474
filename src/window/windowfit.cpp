#include "windowfit.h"

#include <algorithm>
#include <array>

namespace windowfit {

namespace {

// `value` slid into [low, high]; where the range is empty, at `low`.
int slid(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

}  // namespace

double startScale(QSize natural, QMargins frame, QSize available)
{
    const double across =
        double(available.width() - frame.left() - frame.right()) / natural.width();
    const double down =
        double(available.height() - frame.top() - frame.bottom()) / natural.height();
    return std::max(FloorScale, std::min({1.0, across, down}));
}

double scaleFor(QSize natural, QSize size)
{
    const double across = double(size.width()) / natural.width();
    const double down = double(size.height()) / natural.height();
    return std::max(FloorScale, std::min(across, down));
}

QPoint keptInside(const QRect& outer, const QRect& available)
{
    return {slid(outer.left(), available.left(), available.right() + 1 - outer.width()),
            slid(outer.top(), available.top(), available.bottom() + 1 - outer.height())};
}

QPoint centredOver(const QRect& window, QSize dialog, const QRect& available)
{
    // The centre as QRect::center() rounds it, for both, so that a dialog
    // as large as the window lands on it exactly.
    const QPoint centre = window.topLeft() + QPoint(window.width() / 2, window.height() / 2);
    const QPoint topLeft = centre - QPoint(dialog.width() / 2, dialog.height() / 2);
    return keptInside(QRect(topLeft, dialog), available);
}

QPoint beside(const QRect& window, QSize panel, const QRect& available, int gap)
{
    // Level with the window's top or left edge, slid along its side into
    // the screen.
    const int level = slid(window.top(), available.top(), available.bottom() + 1 - panel.height());
    const int flush = slid(window.left(), available.left(), available.right() + 1 - panel.width());
    const QPoint right(window.right() + 1 + gap, level);
    const QPoint left(window.left() - gap - panel.width(), level);
    const std::array<QPoint, 4> sides{right, left, QPoint(flush, window.bottom() + 1 + gap),
                                      QPoint(flush, window.top() - gap - panel.height())};
    for (const QPoint& at : sides) {
        if (available.contains(QRect(at, panel)))
            return at;
    }
    const int roomRight = available.right() - window.right();
    const int roomLeft = window.left() - available.left();
    return keptInside(QRect(roomRight >= roomLeft ? right : left, panel), available);
}

}  // namespace windowfit
