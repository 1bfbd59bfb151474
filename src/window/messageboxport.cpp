#include "messageboxport.h"

#include <QApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "boxtext.h"
#include "dialogplace.h"

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

// Waits, for a second at most, until the window manager has put `window` on
// the screen: a box asked for at the start (the kept board's question)
// would otherwise be placed over a window that is not yet where it will be.
// What the user does meanwhile waits too.
void waitUntilShown(QWidget* window)
{
    QWindow* shown = window ? window->windowHandle() : nullptr;
    if (!shown || !window->isVisible() || shown->isExposed())
        return;
    QEventLoop wait;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
        if (shown->isExposed())
            wait.quit();
    });
    poll.start(10);
    QTimer::singleShot(1000, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

int MessageBoxPort::MsgBox(const QString& prompt, int buttons)
{
    if (beforeOpen_)
        beforeOpen_();
    if (standIn_)
        return standIn_->MsgBox(prompt, buttons);

    waitUntilShown(parent_);
    OverWindow<QMessageBox> box(parent_);
    box.setWindowTitle(QStringLiteral("Korvane"));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(boxtext::shown(prompt));

    const int style = buttons & ~DefaultButton2;
    if (style != CancelTryContinue && style != YesNo) {
        box.addButton(QMessageBox::Ok);
        keepCaptionReadable(box);
        box.exec();
        return Ok;
    }

    const bool yesNo = style == YesNo;
    const QList<std::pair<QString, int>> choices =
        yesNo ? QList<std::pair<QString, int>>{{QStringLiteral("はい"), Yes},
                                               {QStringLiteral("いいえ"), No}}
              : QList<std::pair<QString, int>>{{QStringLiteral("キャンセル"), Cancel},
                                               {QStringLiteral("再試行"), TryAgain},
                                               {QStringLiteral("続行"), Continue}};
    // What Escape and the close button answer.
    const int escape = yesNo ? No : Cancel;
    // One role for all keeps them in this order on every platform; the first
    // is the default, as in the Windows numbering of the styles, unless the
    // style asks for the second.
    QList<QPushButton*> shown;
    for (const auto& [label, answer] : choices) {
        shown << box.addButton(label, QMessageBox::ActionRole);
        if (answer == escape)
            box.setEscapeButton(shown.last());
    }
    box.setDefaultButton(shown.at((buttons & DefaultButton2) != 0 ? 1 : 0));
    keepCaptionReadable(box);
    box.exec();
    const qsizetype answered = shown.indexOf(box.clickedButton());
    return answered < 0 ? escape : choices[answered].second;
}
