#pragma once

#include <array>
#include <vector>

#include <QPointer>
#include <QString>

#include "korvane.h"

class QWidget;
class TextBoxWidget;

// What a screen reader hears of the form's state that it does not read from
// the boxes' texts: the two-state buttons' and the palette's checked states,
// what each cell's colour means, and the news an action brings without a
// move of the focus (a new message, a new name of the control that has the
// focus), told through a notice (makeNotice).
class ScreenReaderNews {
public:
    // `boxes` are the window's boxes in the order of layout::controls().
    ScreenReaderNews(QWidget* window, const std::vector<TextBoxWidget*>& boxes,
                     const Korvane& form);

    // Before an action: the focus and its name as the reader has heard them.
    void noteFocus();
    // After an action, once the boxes show the form: what changed.
    void tell(const Korvane& form);

private:
    TextBoxWidget* focusedBox() const;

    std::vector<TextBoxWidget*> boxes_;
    QWidget* notice_;
    QString announced_;  // the message line's message, as last told
    std::array<quint32, Korvane::CellCount> describedColour_;
    QPointer<TextBoxWidget> heardBox_;
    QString heardName_;
};
