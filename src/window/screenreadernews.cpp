#include "screenreadernews.h"

#include <QStringList>
#include <QWidget>

#include "boxaccessible.h"
#include "boxtext.h"
#include "layout.h"
#include "textboxwidget.h"

ScreenReaderNews::ScreenReaderNews(QWidget* window, const std::vector<TextBoxWidget*>& boxes,
                                   const Korvane& form)
    : boxes_(boxes), notice_(new QWidget(window)), announced_(form.Text3.Text)
{
    notice_->setGeometry(0, 0, 0, 0);
    makeNotice(notice_);
    describedColour_.fill(~quint32(0));
}

TextBoxWidget* ScreenReaderNews::focusedBox() const
{
    for (TextBoxWidget* box : boxes_) {
        if (box->hasKeyboard())
            return box;
    }
    return nullptr;
}

void ScreenReaderNews::noteFocus()
{
    heardBox_ = focusedBox();
    heardName_ = heardBox_ ? heardBox_->spokenName() : QString();
}

void ScreenReaderNews::tell(const Korvane& form)
{
    const int chosen = form.paletteIndex();
    for (TextBoxWidget* box : boxes_) {
        const layout::Control& control = *box->control();
        if (control.role == layout::Role::TwoStateButton) {
            box->setChecked(form.*control.checkedBy == 1);
        } else if (control.role == layout::Role::PaletteButton) {
            box->setChecked(control.index == chosen);
        } else if (control.role == layout::Role::Cell) {
            const quint32 colour = form.Text1[size_t(control.index)].ForeColor;
            if (colour != describedColour_[size_t(control.index)]) {
                describedColour_[size_t(control.index)] = colour;
                box->setAccessibleDescription(layout::cellDescription(colour));
            }
        }
    }
    // A reader says the name of the focus as it moves, but not as it
    // changes (元に戻す, 斜め問題, a cell just decided), nor a new message.
    QStringList news;
    TextBoxWidget* focused = focusedBox();
    const QString name = focused ? focused->spokenName() : QString();
    if (focused && focused == heardBox_ && name != heardName_) {
        const bool cell = focused->control()->role == layout::Role::Cell;
        news << (cell ? name + u' ' + focused->toPlainText() : name);
    }
    noteFocus();
    if (form.Text3.Text != announced_) {
        announced_ = form.Text3.Text;
        news << boxtext::shown(announced_);
    }
    if (!news.isEmpty())
        announce(notice_, news.join(u'　'));
}
