#pragma once

#include <algorithm>
#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

// A real message box runs an event loop of its own until it is closed, and
// so may a context menu, so a test answers them from inside. While an
// OpenBoxAnswerer lives, it looks every few milliseconds for a message box or
// a popup menu that is open: a popup it closes, a message box it hands to
// `answer` (which must close it; by default it is closed).
//
// A test that needs no real box answers the window's boxes through its port
// instead (MessageBoxPort::answerWith), which opens none.
class OpenBoxAnswerer : public QObject {
public:
    using Answer = std::function<void(QMessageBox&)>;

    explicit OpenBoxAnswerer(Answer answer = {}, int intervalMs = 5) : answer_(std::move(answer))
    {
        connect(&poll_, &QTimer::timeout, this, &OpenBoxAnswerer::answerWhatIsOpen);
        poll_.start(intervalMs);
    }

    int boxesAnswered = 0;

    // Closes the popup menu that is open, if any; true when there was one.
    static bool closePopup()
    {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup)
            popup->close();
        return popup;
    }

    // A box's buttons as the user reads them: left to right, without
    // mnemonics.
    static QStringList buttonLabels(const QMessageBox& box)
    {
        QList<QAbstractButton*> shown = box.buttons();
        std::sort(shown.begin(), shown.end(), [](QAbstractButton* a, QAbstractButton* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        QStringList labels;
        for (const QAbstractButton* button : shown)
            labels << button->text().remove(u'&');
        return labels;
    }

private:
    void answerWhatIsOpen()
    {
        if (closePopup())
            return;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++boxesAnswered;
        if (answer_)
            answer_(*box);
        else
            box->close();
    }

    Answer answer_;
    QTimer poll_;
};
