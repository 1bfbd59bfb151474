#pragma once

#include <QResizeEvent>
#include <QShowEvent>
#include <QWidget>

// The program's dialogs open centred on the window they belong to (their
// parent's window), inside that window's screen: the form's message boxes,
// the question at the start, the file choosers. A dialog larger than the
// screen is made to fit where it can be resized.

// Moves `dialog`, about to be shown, over its parent's window.
void placeOverWindow(QWidget* dialog);

// `Dialog` (a QMessageBox, a QFileDialog) that places itself over its
// parent's window each time it is shown. It places itself once it knows its
// size, and so explicitly that the window manager keeps the place.
template <typename Dialog> class OverWindow : public Dialog {
public:
    using Dialog::Dialog;

protected:
    void showEvent(QShowEvent* event) override
    {
        Dialog::showEvent(event);
        if (!event->spontaneous())
            placeOverWindow(this);
    }
    // A box that lays its text out again once shown grows: placed anew.
    void resizeEvent(QResizeEvent* event) override
    {
        Dialog::resizeEvent(event);
        if (this->isVisible() && !placing_) {
            placing_ = true;
            placeOverWindow(this);
            placing_ = false;
        }
    }

private:
    bool placing_ = false;
};
