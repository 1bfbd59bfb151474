#include "messageboxport.h"

#include <QMessageBox>
#include <QPushButton>

int MessageBoxPort::MsgBox(const QString& prompt, int buttons)
{
    if (beforeOpen_)
        beforeOpen_();

    QMessageBox box(parent_);
    box.setWindowTitle(QStringLiteral("Korvane"));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    QString text = prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(text);

    if (buttons != CancelTryContinue) {
        box.addButton(QMessageBox::Ok);
        box.exec();
        return 1;
    }

    // One role for all three keeps them in this order on every platform.
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::ActionRole);
    QPushButton* retry = box.addButton(QStringLiteral("再試行"), QMessageBox::ActionRole);
    QPushButton* proceed = box.addButton(QStringLiteral("続行"), QMessageBox::ActionRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    const QAbstractButton* answer = box.clickedButton();
    if (answer == retry)
        return 10;
    if (answer == proceed)
        return 11;
    return 2;
}
