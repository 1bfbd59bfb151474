#include "boxaccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMetaObject>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>

#include "boxeditor.h"
#include "boxpicture.h"
#include "layout.h"
#include "textboxwidget.h"
#include "textunits.h"

namespace {

// A widget a screen reader hears as a notice (makeNotice).
const char* const AnnouncesProperty = "korvaneAnnounces";

class BoxAccessible : public QAccessibleWidget,
                      public QAccessibleTextInterface,
                      public QAccessibleEditableTextInterface {
public:
    explicit BoxAccessible(TextBoxWidget* box) : QAccessibleWidget(box) {}

    QAccessible::Role role() const override
    {
        const layout::Control* control = box()->control();
        if (!control)
            return box()->isReadOnly() ? QAccessible::StaticText : QAccessible::EditableText;
        switch (control->role) {
        case layout::Role::Cell:
            return QAccessible::EditableText;
        case layout::Role::PaletteButton:
            return QAccessible::RadioButton;
        case layout::Role::CommandButton:
            return QAccessible::Button;
        case layout::Role::TwoStateButton:
            return QAccessible::CheckBox;
        case layout::Role::MessageLine:
            break;
        }
        return QAccessible::StaticText;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface && !box()->isReadOnly())
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The editor is the box's own business: no child of it to a reader.
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->toPlainText();
        if (t == QAccessible::Name)
            return box()->spokenName();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !box()->isReadOnly();
        s.readOnly = box()->isReadOnly();
        s.multiLine = box()->isMultiLine();
        s.focusable = true;
        s.focused = box()->hasKeyboard();
        if (const std::optional<bool> checked = box()->checked()) {
            s.checkable = true;
            s.checked = *checked;
        }
        return s;
    }

    // ---- actions ----
    QStringList actionNames() const override
    {
        QStringList names;
        if (box()->isPressable())
            names << pressAction();
        names << setFocusAction();
        return names;
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction() && box()->isPressable()) {
            // Later, so that the reader's call returns before a handler
            // opens a message box.
            QMetaObject::invokeMethod(box(), &TextBoxWidget::click, Qt::QueuedConnection);
        } else if (action == setFocusAction()) {
            box()->takeFocus(Qt::OtherFocusReason);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // ---- text ----
    // The text and the offsets are the box's; where an editor lays the text
    // out (it may be scrolled), it knows where a character is.
    QAccessibleTextInterface* editorText() const
    {
        QTextEdit* editor = box()->editor();
        if (!editor)
            return nullptr;
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(editor);
        return reader ? reader->textInterface() : nullptr;
    }

    void selection(int index, int* start, int* end) const override
    {
        const auto [anchor, caret] = box()->selection();
        *start = *end = 0;
        if (index == 0 && anchor != caret) {
            *start = std::min(anchor, caret);
            *end = std::max(anchor, caret);
        }
    }
    int selectionCount() const override
    {
        const auto [anchor, caret] = box()->selection();
        return anchor != caret ? 1 : 0;
    }
    void addSelection(int start, int end) override { box()->setSelection(start, end); }
    void removeSelection(int) override
    {
        const int caret = box()->cursorPosition();
        box()->setSelection(caret, caret);
    }
    void setSelection(int, int start, int end) override { box()->setSelection(start, end); }
    int cursorPosition() const override { return box()->cursorPosition(); }
    void setCursorPosition(int position) override { box()->setSelection(position, position); }

    QString text(int start, int end) const override
    {
        const QString shown = box()->toPlainText();
        start = std::clamp(start, 0, int(shown.size()));
        end = end < 0 ? int(shown.size()) : std::clamp(end, start, int(shown.size()));
        return shown.mid(start, end - start);
    }
    int characterCount() const override { return int(box()->toPlainText().size()); }

    QRect characterRect(int offset) const override
    {
        if (offset < 0 || offset >= characterCount())
            return {};
        if (QAccessibleTextInterface* editor = editorText())
            return editor->characterRect(offset);
        const QRectF place = box()->picture().characterRect(offset);
        if (place.isEmpty() && place.width() == 0 && place.height() == 0)
            return {};
        return QRect(box()->mapToGlobal(place.topLeft().toPoint()), place.size().toSize());
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        if (QAccessibleTextInterface* editor = editorText())
            return editor->offsetAtPoint(point);
        const QPoint at = box()->mapFromGlobal(point);
        if (!box()->rect().contains(at))
            return -1;
        return box()->picture().offsetAt(at);
    }
    void scrollToSubstring(int start, int end) override
    {
        if (QAccessibleTextInterface* editor = editorText())
            editor->scrollToSubstring(start, end);
    }
    // A reader walks the text unit by unit; each question costs time in
    // proportion to the text's length at most, whatever the offset.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                             int* end) const override
    {
        return answer(textunits::before, offset, type, start, end);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                         int* end) const override
    {
        return answer(textunits::at, offset, type, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                            int* end) const override
    {
        return answer(textunits::after, offset, type, start, end);
    }
    // The whole text is one run: one face, size and pair of colours.
    QString attributes(int, int* start, int* end) const override
    {
        *start = 0;
        *end = characterCount();
        const QPalette& colours = box()->palette();
        const auto rgb = [](const QColor& c) {
            return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
        };
        QString run =
            QStringLiteral("font-size:%1pt;color:%2;background-color:%3;")
                .arg(box()->font().pointSizeF())
                .arg(rgb(colours.color(QPalette::Text)), rgb(colours.color(QPalette::Base)));
        // Names and values are split at ":" and ";", and none may be empty.
        const QString family = box()->font().family().remove(u';').remove(u':');
        if (!family.isEmpty())
            run.prepend(QStringLiteral("font-family:%1;").arg(family));
        return run;
    }

    // ---- editing, as typing does it ----
    void deleteText(int start, int end) override { box()->replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override
    {
        box()->replaceText(offset, offset, text);
    }
    void replaceText(int start, int end, const QString& text) override
    {
        box()->replaceText(start, end, text);
    }

private:
    TextBoxWidget* box() const { return static_cast<TextBoxWidget*>(widget()); }

    using Finder = textunits::Span (*)(QStringView, int, QAccessible::TextBoundaryType);
    QString answer(Finder find, int offset, QAccessible::TextBoundaryType type, int* start,
                   int* end) const
    {
        const QString shown = box()->toPlainText();
        const textunits::Span span = find(shown, offset, type);
        *start = span.start;
        *end = span.end;
        return textunits::textOf(shown, span);
    }
};

QAccessibleInterface* boxAccessible(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("TextBoxWidget"))
        return new BoxAccessible(static_cast<TextBoxWidget*>(object));
    if (object->property(AnnouncesProperty).toBool())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}

// ---- a box speaks for its editor ----

QAccessible::UpdateHandler handedOnTo = nullptr;
QPointer<QObject> lastFocus;

void speakForEditors(QAccessibleEvent* event);

void handOn(QAccessibleEvent* event)
{
    if (handedOnTo) {
        handedOnTo(event);
        return;
    }
    // No handler before ours: the platform's bridge takes the event.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(speakForEditors);
}

// The box an object lies inside of (its editor, the editor's viewport, the
// focus mark), or nullptr for the box itself and anything else.
TextBoxWidget* boxAround(QObject* object)
{
    for (QObject* above = object ? object->parent() : nullptr; above; above = above->parent()) {
        if (auto* box = qobject_cast<TextBoxWidget*>(above))
            return box;
    }
    return nullptr;
}

void speakForEditors(QAccessibleEvent* event)
{
    QObject* object = event->object();
    if (!object && event->accessibleInterface())
        object = event->accessibleInterface()->object();
    TextBoxWidget* box = boxAround(object);
    if (!box) {
        if (event->type() == QAccessible::Focus)
            lastFocus = object;
        handOn(event);
        return;
    }
    // What happens inside a box is told by the box; only the keyboard going
    // to its editor is the box's focus, once.
    if (event->type() != QAccessible::Focus || lastFocus == box)
        return;
    lastFocus = box;
    QAccessibleEvent focus(box, QAccessible::Focus);
    handOn(&focus);
}

}  // namespace

namespace {

// ---- questions answered before Qt's bridge sees them ----

// Qt's bridge to AT-SPI answers a text's range extents by asking for the
// place of every offset in the range, whatever its size (2^31 of them for a
// hostile or careless client), and copies a whole text to edit a box that
// takes no typing, only to drop it. The bridge's object for the
// application's accessible objects is wrapped so that the boxes answer
// those calls themselves first, in time bounded by their own text.
class BoundedQuestions : public QDBusVirtualObject {
public:
    explicit BoundedQuestions(QDBusVirtualObject* bridge) : bridge_(bridge) {}

    QString introspect(const QString& path) const override { return bridge_->introspect(path); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (QAccessibleInterface* reader = boxAt(message.path())) {
            if (message.interface() == u"org.a11y.atspi.Text" &&
                message.member() == u"GetRangeExtents")
                return answerRangeExtents(reader, message, connection);
            if (message.interface() == u"org.a11y.atspi.EditableText" &&
                message.member() != u"CopyText" && !reader->editableTextInterface()) {
                connection.send(message.createReply(false));
                return true;
            }
        }
        return bridge_->handleMessage(message, connection);
    }

private:
    // The box an object path of the bridge names, or nullptr.
    static QAccessibleInterface* boxAt(const QString& path)
    {
        static const QString prefix = QStringLiteral("/org/a11y/atspi/accessible/");
        if (!path.startsWith(prefix))
            return nullptr;
        bool number = false;
        const uint id = QStringView(path).sliced(prefix.size()).toUInt(&number);
        QAccessibleInterface* reader = number ? QAccessible::accessibleInterface(id) : nullptr;
        return reader && reader->isValid() && qobject_cast<TextBoxWidget*>(reader->object())
                   ? reader
                   : nullptr;
    }

    static bool answerRangeExtents(QAccessibleInterface* reader, const QDBusMessage& message,
                                   const QDBusConnection& connection)
    {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() < 3)
            return false;
        QRect rect = ::rangeExtents(reader->textInterface(), arguments.at(0).toInt(),
                                    arguments.at(1).toInt());
        if (!rect.isNull()) {
            // As the bridge gives it: on the screen, in the window, or in the
            // parent.
            const uint coordinates = arguments.at(2).toUInt();
            QAccessibleInterface* around = nullptr;
            if (coordinates == 1) {
                for (around = reader->parent(); around && around->role() != QAccessible::Window;)
                    around = around->parent();
            } else if (coordinates == 2) {
                around = reader->parent();
            }
            if (around)
                rect.translate(-around->rect().topLeft());
        } else {
            rect = QRect(-1, -1, 0, 0);
        }
        connection.send(
            message.createReply(QList<QVariant>{rect.x(), rect.y(), rect.width(), rect.height()}));
        return true;
    }

    QDBusVirtualObject* bridge_;
};

// Puts the wrapper round the bridge's object once the bridge has connected
// to the accessibility bus; true when it is in place.
bool boundQuestions()
{
    static bool bound = false;
    if (bound)
        return true;
    // The bridge's connection and the path its object answers under.
    QDBusConnection bus(QStringLiteral("a11y"));
    const QString path = QStringLiteral("/org/a11y/atspi/accessible");
    if (!bus.isConnected())
        return false;
    auto* bridge = qobject_cast<QDBusVirtualObject*>(bus.objectRegisteredAt(path));
    if (!bridge)
        return false;
    auto* wrapper = new BoundedQuestions(bridge);
    wrapper->setParent(bridge);
    bus.unregisterObject(path, QDBusConnection::UnregisterTree);
    bound = bus.registerVirtualObject(path, wrapper, QDBusConnection::SubPath);
    if (!bound)
        bus.registerVirtualObject(path, bridge, QDBusConnection::SubPath);
    return bound;
}

}  // namespace

QRect rangeExtents(QAccessibleTextInterface* text, int start, int end)
{
    const int length = text->characterCount();
    if (end == -1)
        end = length;
    start = std::clamp(start, 0, length);
    end = std::clamp(end, 0, length);
    QRect rect;
    for (int at = start; at < end; ++at)
        rect |= text->characterRect(at);
    return rect;
}

void makeNotice(QWidget* notice)
{
    notice->setProperty(AnnouncesProperty, true);
}

void announce(QWidget* notice, const QString& text)
{
    notice->setAccessibleName(text);
    if (!QAccessible::isActive() || text.isEmpty())
        return;
    QAccessibleEvent shown(notice, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void installBoxAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(boxAccessible);
        handedOnTo = QAccessible::installUpdateHandler(speakForEditors);
        // The bridge connects to the bus a moment after the start, if a
        // screen reader is there at all.
        auto* waiting = new QTimer(qApp);
        waiting->setInterval(100);
        QObject::connect(waiting, &QTimer::timeout, waiting, [waiting, tries = 0]() mutable {
            if (boundQuestions() || ++tries > 600)
                waiting->deleteLater();
        });
        waiting->start();
        return true;
    }();
    Q_UNUSED(installed);
}
