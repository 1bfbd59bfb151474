#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "mainwindow.h"
#include "textboxwidget.h"

// The widget of a control, by the control's name ("Text1_40", "Text3").
inline TextBoxWidget* boxNamed(const MainWindow& window, const QString& name)
{
    return window.boxNamed(name);
}

// Every control's widget name, in the order the form declares them.
inline QStringList controlNames()
{
    QStringList names;
    for (int i = 0; i < 81; ++i)
        names << QStringLiteral("Text1_%1").arg(i);
    for (int i = 0; i <= 10; ++i)
        names << QStringLiteral("Text2_%1").arg(i);
    names << "Text3"
          << "Text4"
          << "Text5"
          << "Text6"
          << "Text7"
          << "Text8"
          << "Text9_0"
          << "Text9_1"
          << "Text10";
    return names;
}

// The form's state of the control a widget is named after.
inline TextBox& controlNamed(Korvane& form, const QString& name)
{
    const QStringList parts = name.split(u'_');
    const int index = parts.size() > 1 ? parts[1].toInt() : 0;
    if (parts[0] == u"Text1")
        return form.Text1[index];
    if (parts[0] == u"Text2")
        return form.Text2[index];
    if (parts[0] == u"Text9")
        return form.Text9[index];
    TextBox* single[] = {&form.Text3, &form.Text4, &form.Text5, &form.Text6,
                         &form.Text7, &form.Text8, &form.Text10};
    const int number = parts[0].mid(4).toInt();
    return *single[number == 10 ? 6 : number - 3];
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
