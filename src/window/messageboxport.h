#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>

#include "korvane.h"

// The form's message boxes as modal QMessageBoxes: the caption "Korvane", no
// icon, the prompt as plain text.
// - style 0: one OK button; the answer is 1 (OK), also after Escape;
// - style 6: "キャンセル", "再試行", "続行" (Cancel, Try Again, Continue),
//   answered 2, 10 and 11; Escape and the close button answer 2 (Cancel).
// Any other style is shown as style 0.
class MessageBoxPort : public MessagePort {
public:
    static constexpr int OkOnly = 0;
    static constexpr int CancelTryContinue = 6;

    // The window the boxes are modal to.
    void setParent(QWidget* parent) { parent_ = parent; }
    // Runs just before a box opens, so the window can show the state of the
    // moment first.
    void setBeforeOpen(std::function<void()> beforeOpen) { beforeOpen_ = std::move(beforeOpen); }

    int MsgBox(const QString& prompt, int buttons) override;

private:
    QPointer<QWidget> parent_;
    std::function<void()> beforeOpen_;
};
