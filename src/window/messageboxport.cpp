#include "messageboxport.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

#include "boxtext.h"

namespace {

// Qt sizes a box by its prompt, which leaves the shortest prompts about 115
// pixels wide: too narrow for a window manager's title bar to show the
// caption "Korvane" beside its buttons.
constexpr int MinimumWidth = 240;

void keepCaptionReadable(QMessageBox& box)
{
    // Set up last, since the box builds its layout anew when its parts
    // change. The strut shares the row of the buttons, so the box gets no
    // taller.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(MinimumWidth, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount() - 1, 0, 1, grid->columnCount());
    }
}

}  // namespace

int MessageBoxPort::MsgBox(const QString& prompt, int buttons)
{
    if (beforeOpen_)
        beforeOpen_();
    if (standIn_)
        return standIn_->MsgBox(prompt, buttons);

    QMessageBox box(parent_);
    box.setWindowTitle(QStringLiteral("Korvane"));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(boxtext::shown(prompt));

    if (buttons != CancelTryContinue) {
        box.addButton(QMessageBox::Ok);
        keepCaptionReadable(box);
        box.exec();
        return Ok;
    }

    // One role for all three keeps them in this order on every platform.
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::ActionRole);
    QPushButton* retry = box.addButton(QStringLiteral("再試行"), QMessageBox::ActionRole);
    QPushButton* proceed = box.addButton(QStringLiteral("続行"), QMessageBox::ActionRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    keepCaptionReadable(box);
    box.exec();
    const QAbstractButton* answer = box.clickedButton();
    if (answer == retry)
        return TryAgain;
    if (answer == proceed)
        return Continue;
    return Cancel;
}
