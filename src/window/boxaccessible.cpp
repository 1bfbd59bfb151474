#include "boxaccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMetaObject>
#include <QPointer>
#include <QTextEdit>

#include "boxeditor.h"
#include "textboxwidget.h"

namespace {

class BoxAccessible : public QAccessibleWidget,
                      public QAccessibleTextInterface,
                      public QAccessibleEditableTextInterface {
public:
    explicit BoxAccessible(TextBoxWidget* box) : QAccessibleWidget(box) {}

    QAccessible::Role role() const override
    {
        if (!box()->isReadOnly())
            return QAccessible::EditableText;
        return box()->isPressable() ? QAccessible::Button : QAccessible::StaticText;
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
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
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
};

QAccessibleInterface* boxAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("TextBoxWidget") && object && object->isWidgetType())
        return new BoxAccessible(static_cast<TextBoxWidget*>(object));
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

void installBoxAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(boxAccessible);
        handedOnTo = QAccessible::installUpdateHandler(speakForEditors);
        return true;
    }();
    Q_UNUSED(installed);
}
