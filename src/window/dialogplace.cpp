#include "dialogplace.h"

#include <algorithm>

#include <QLayout>
#include <QScreen>

#include "windowfit.h"

namespace {

constexpr int Step = 16;  // pixels a box is widened by at a time

}  // namespace

void placeOverWindow(QWidget* dialog)
{
    const QWidget* parent = dialog->parentWidget();
    if (!parent)
        return;
    const QWidget* window = parent->window();
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    // A dialog's frame is known only once it is shown; the window's tells
    // what the window manager will draw around it.
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    const QSize room = available.size().shrunkBy(margins);
    // A box too tall for the screen (a long text at a large scale) is made
    // wider until its text wraps into the height there is.
    QLayout* laidOut = dialog->layout();
    // (Its own height may not be final yet; its layout's is.)
    if (laidOut && laidOut->hasHeightForWidth() &&
        std::max(dialog->height(), laidOut->totalHeightForWidth(dialog->width())) > room.height()) {
        for (int width = dialog->width(); width < room.width() + Step; width += Step) {
            const int fitted = std::min(width, room.width());
            const int height = laidOut->totalHeightForWidth(fitted);
            if (height <= room.height() || fitted == room.width()) {
                dialog->setFixedSize(fitted, height);
                break;
            }
        }
    }
    if (dialog->width() > room.width() || dialog->height() > room.height())
        dialog->resize(dialog->size().boundedTo(room).expandedTo(dialog->minimumSize()));
    dialog->move(windowfit::centredOver(frame, dialog->size().grownBy(margins), available));
}
