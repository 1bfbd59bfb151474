#pragma once

#include <functional>

#include <QList>
#include <QPointer>
#include <QWidget>

#include "korvane.h"

// The form's message boxes as modal QMessageBoxes: the caption "Korvane", no
// icon, the prompt as plain text, centred on the window (dialogplace.h).
// - OkOnly: one OK button; the answer is Ok, also after Escape;
// - CancelTryContinue: "キャンセル", "再試行", "続行", answered Cancel,
//   TryAgain and Continue; Escape and the close button answer Cancel;
// - YesNo: "はい" (the default, Return) and "いいえ", answered Yes and No;
//   Escape and the close button answer No;
// - YesNo | DefaultButton2: the same, with いいえ the default.
// Any other style is shown as OkOnly.
class MessageBoxPort : public MessagePort {
public:
    // The window the boxes are modal to.
    void setParent(QWidget* parent) { parent_ = parent; }
    // Runs just before a box opens, so the window can show the state of the
    // moment first.
    void setBeforeOpen(std::function<void()> beforeOpen) { beforeOpen_ = std::move(beforeOpen); }

    // While a stand-in is set (a test's), no box opens: each is answered by
    // the stand-in, once beforeOpen has run. nullptr shows real boxes again.
    void answerWith(MessagePort* standIn) { standIn_ = standIn; }

    int MsgBox(const QString& prompt, int buttons) override;

private:
    QPointer<QWidget> parent_;
    std::function<void()> beforeOpen_;
    MessagePort* standIn_ = nullptr;
};
