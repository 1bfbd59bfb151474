#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "mainwindow.h"
#include "textboxwidget.h"

// The widget of a control, by the control's name ("Text1_40", "Text3").
inline TextBoxWidget* boxNamed(MainWindow& window, const QString& name)
{
    return window.findChild<TextBoxWidget*>(name);
}

// The middle of a control in window coordinates: where the user would click.
inline QPoint middleOf(MainWindow& window, const QString& name)
{
    const TextBoxWidget* box = boxNamed(window, name);
    return box->mapTo(&window, box->rect().center());
}

// Mouse gestures go through the window, as the platform delivers them, so
// that Qt picks the receiver, grabs the mouse on a press and detects
// double-clicks.
// A right-button press opens the text box's context menu, which runs until
// it is closed.
inline void clickOn(MainWindow& window, const QString& name,
                    Qt::MouseButton button = Qt::LeftButton)
{
    if (button == Qt::RightButton) {
        QTimer::singleShot(0, [] {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
    }
    QTest::mouseClick(window.windowHandle(), button, {}, middleOf(window, name));
}

inline void clickAll(MainWindow& window, const QStringList& names)
{
    for (const QString& name : names)
        clickOn(window, name);
}
