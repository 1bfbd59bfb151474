#pragma once

#include <memory>

#include <QApplication>
#include <QColor>
#include <QDragEnterEvent>
#include <QHash>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include "mainwindow.h"
#include "openboxes.h"
#include "testsupport.h"  // the controls by name: controlNames(), controlNamed()
#include "textboxwidget.h"

// The widget of a control, by the control's name ("Text1_40", "Text3").
inline TextBoxWidget* boxNamed(const MainWindow& window, const QString& name)
{
    return window.boxNamed(name);
}

// The colours of the form (0xBBGGRR) as the screen shows them, spelled out;
// an invalid colour for any value the form never uses.
inline QColor onScreen(quint32 formColour)
{
    static const QHash<quint32, QColor> colours{
        {Colors::Black, QColor(0x00, 0x00, 0x00)},
        {Colors::DecidedDigit, QColor(0xC0, 0x00, 0x00)},
        {Colors::HiddenSingle, QColor(0x00, 0x00, 0xC0)},
        {Colors::Idle, QColor(0xC0, 0xFF, 0xC0)},
        {Colors::Active, QColor(0xFF, 0x80, 0x80)},
        {Colors::NormalType, QColor(0x80, 0xFF, 0x80)},
        {Colors::DataRest, QColor(0xC0, 0xFF, 0xFF)},  // CellOddBox too
        {Colors::CellEvenBox, QColor(0xFF, 0xFF, 0xC0)},
        {Colors::DisplayButton, QColor(0xFF, 0xFF, 0x00)},
        {Colors::ClearAll, QColor(0xFF, 0xC0, 0xC0)},
        {Colors::MessageLine, QColor(0xFF, 0xE0, 0xC0)},
    };
    return colours.value(formColour);
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
// A right-button press opens the text box's context menu, which stays open
// until it is closed.
inline void clickOn(MainWindow& window, const QString& name,
                    Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(window.windowHandle(), button, {}, middleOf(window, name));
    OpenBoxAnswerer::closePopup();
}

inline void clickAll(MainWindow& window, const QStringList& names)
{
    for (const QString& name : names)
        clickOn(window, name);
}

// Notes whether a drag reached the watched widget.
class DragWatch : public QObject {
public:
    bool entered = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        entered = entered || event->type() == QEvent::DragEnter;
        return false;
    }
};

// A drag of `urls` and `text` onto `target`, and its drop where it was
// taken: by the box, or, where a box leaves it alone, by the window.
inline void dragOnto(QWidget& target, MainWindow& window, const QList<QUrl>& urls,
                     const QString& text)
{
    QMimeData data;
    if (!urls.isEmpty())
        data.setUrls(urls);
    if (!text.isEmpty())
        data.setText(text);
    DragWatch watch;
    window.installEventFilter(&watch);
    QDragEnterEvent enter(target.rect().center(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&target, &enter);
    window.removeEventFilter(&watch);
    if (!enter.isAccepted())
        return;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(watch.entered ? static_cast<QWidget*>(&window) : &target, &drop);
}

// A window shown afresh for each test function.
class WindowTestCase : public QObject {
    Q_OBJECT

protected slots:
    void init()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

protected:
    std::unique_ptr<MainWindow> window;
    TextBoxWidget* box(const QString& name) { return boxNamed(*window, name); }
};
