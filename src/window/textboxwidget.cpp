#include "textboxwidget.h"

#include <algorithm>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "boxeditor.h"
#include "boxtext.h"
#include "layout.h"

namespace {

const QColor BorderColour(0x50, 0x50, 0x50);

// The mark of the keyboard focus: a frame just inside the box's border, over
// the box and over its editor. It takes no events and no focus.
class FocusMark : public QWidget {
public:
    explicit FocusMark(QWidget* box) : QWidget(box)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        fit();
    }

    // Covers the box as it is now.
    void fit()
    {
        setGeometry(parentWidget()->rect());
        // Only the frame is the mark's: showing or hiding it repaints no
        // more of the box than the frame covers.
        setMask(QRegion(frame(0)) - QRegion(frame(Width)));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QApplication::palette().color(QPalette::Highlight));
    }

private:
    static constexpr int Inset = 1;
    static constexpr int Width = 2;
    // The box's rectangle taken in by `more` pixels besides the inset.
    QRect frame(int more) const
    {
        const int in = Inset + more;
        return rect().adjusted(in, in, -in, -in);
    }
};

}  // namespace

TextBoxWidget::TextBoxWidget(const TextBox& design, double lineHeight, QWidget* parent)
    : QWidget(parent), picture_({layout::pixelRect(design).size(), design.MultiLine,
                                 design.Centered, lineHeight, qreal(logicalDpiY())}),
      locked_(design.Locked), tabStop_(design.TabStop)
{
    setGeometry(layout::pixelRect(design));
    setFocusPolicy(ownFocusPolicy());
    setAcceptDrops(!locked_);
    // Every box's text can be selected, so over the text the pointer is the
    // text pointer; over the border it is the window's. Hover moves tell
    // which.
    setMouseTracking(true);
    setCursor(Qt::IBeamCursor);

    // The colours in one go; the text and its size come with the mirror.
    QPalette colours = BoxPicture::withColours(palette(), design.ForeColor, design.BackColor);
    colours.setColor(QPalette::WindowText, BorderColour);
    showColours(colours);
    shown_ = design;
    shown_.Text.clear();
    shown_.FontSize = -1;
    mirror(design);
}

TextBoxWidget::~TextBoxWidget() = default;

QTextEdit* TextBoxWidget::editor() const
{
    return editor_;
}

QTextEdit* TextBoxWidget::edit()
{
    if (!editor_) {
        const BoxEditor::Settings settings{picture_.shape(), locked_, objectName()};
        editor_ = new BoxEditor(settings, atScale(shown_), anchor_, caret_, this);
        editor_->setFocusPolicy(ownFocusPolicy());
        connect(editor_, &BoxEditor::pressed, this, &TextBoxWidget::notePress);
        connect(editor_, &BoxEditor::doubleClicked, this, &TextBoxWidget::noteDoubleClick);
        connect(editor_, &BoxEditor::released, this, &TextBoxWidget::noteRelease);
        connect(editor_, &BoxEditor::keyReleased, this, &TextBoxWidget::keyReleased);
        connect(editor_, &BoxEditor::keyPassedOn, this,
                [this](const QKeyEvent* event) { keyPassedOn_ = event; });
        connect(editor_, &BoxEditor::inputCommitted, this, &TextBoxWidget::inputCommitted);
        connect(editor_, &BoxEditor::edited, this, &TextBoxWidget::editorEdited);
        connect(editor_, &BoxEditor::focusLost, this, [this] {
            showFocusMark();
            releaseEditorIfIdle();
        });
        connect(editor_, &BoxEditor::focusGained, this, &TextBoxWidget::showFocusMark);
        connect(editor_, &BoxEditor::menuOpening, this, &TextBoxWidget::menuOpening);
        // A screen reader follows the caret and the selection in the box.
        connect(editor_, &QTextEdit::cursorPositionChanged, this, [this] {
            if (!QAccessible::isActive())
                return;
            QAccessibleTextCursorEvent moved(this, editor_->textCursor().position());
            QAccessible::updateAccessibility(&moved);
        });
        connect(editor_, &QTextEdit::selectionChanged, this, [this] {
            if (!QAccessible::isActive())
                return;
            const QTextCursor cursor = editor_->textCursor();
            QAccessibleTextSelectionEvent selected(this, cursor.selectionStart(),
                                                   cursor.selectionEnd());
            QAccessible::updateAccessibility(&selected);
        });
        if (focusMark_)
            focusMark_->raise();
        // The editor takes the box's place in the order of the Tab key, and
        // the keyboard if the box has it.
        QWidget::setTabOrder(this, editor_);
        setFocusPolicy(Qt::NoFocus);
        if (hasFocus())
            editor_->setFocus(focusReason_);
    }
    return editor_;
}

void TextBoxWidget::releaseEditorIfIdle()
{
    // Later, never inside one of the editor's own events.
    QTimer::singleShot(0, this, &TextBoxWidget::giveUpIdleEditor);
}

void TextBoxWidget::giveUpIdleEditor()
{
    if (!editor_ || window()->focusWidget() == editor_ || editor_->holdsUserState())
        return;
    // Not while a drag, a menu or a message box runs a loop of its own that
    // may still hold on to the editor (an idle editor looks just as the box
    // does); once that is over.
    if (QGuiApplication::mouseButtons() != Qt::NoButton || QApplication::activePopupWidget() ||
        QApplication::activeModalWidget()) {
        QTimer::singleShot(50, this, &TextBoxWidget::giveUpIdleEditor);
        return;
    }
    const QTextCursor cursor = editor_->textCursor();
    anchor_ = cursor.anchor();
    caret_ = cursor.position();
    setFocusPolicy(ownFocusPolicy());
    editor_->hide();
    editor_->deleteLater();
    editor_ = nullptr;
    showFocusMark();
    update();
}

void TextBoxWidget::editorEdited(const QString& formText)
{
    const QString before = picture_.text();
    shown_.Text = formText;
    picture_.setText(boxtext::shown(formText));
    announceText(before);
    emit edited();
}

void TextBoxWidget::announceText(const QString& before)
{
    if (!QAccessible::isActive())
        return;
    const QString& after = picture_.text();
    const boxtext::Difference diff = boxtext::differenceOf(before, after);
    const int at = int(diff.same);
    const QString removed = before.mid(at, before.size() - diff.sameAtEnd - at);
    const QString inserted = after.mid(at, after.size() - diff.sameAtEnd - at);
    if (removed.isEmpty() && inserted.isEmpty())
        return;
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(this, at, inserted);
        QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, at, removed);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, at, removed, inserted);
        QAccessible::updateAccessibility(&event);
    }
}

QString TextBoxWidget::spokenName() const
{
    if (!control_)
        return accessibleName();
    // A cell is said with what its colour tells: "3行5列、確定".
    if (control_->role == layout::Role::Cell)
        return control_->spokenName + u'、' + layout::cellMeaning(shown_.ForeColor);
    if (!control_->spokenName.isEmpty())
        return control_->spokenName;
    QString caption = picture_.text();
    caption.remove(u'\n');
    return caption;
}

void TextBoxWidget::announceName()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
}

void TextBoxWidget::setChecked(std::optional<bool> checked)
{
    if (checked == checked_)
        return;
    checked_ = checked;
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checkable = true;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void TextBoxWidget::click()
{
    lastPressed_ = this;
    emit pressed(Qt::LeftButton, {}, QPointF(rect().center()));
    emit clicked();
}

int TextBoxWidget::cursorPosition() const
{
    return editor_ ? editor_->textCursor().position() : caret_;
}

std::pair<int, int> TextBoxWidget::selection() const
{
    if (editor_)
        return {editor_->textCursor().anchor(), editor_->textCursor().position()};
    return {anchor_, caret_};
}

void TextBoxWidget::setSelection(int anchor, int caret)
{
    const int end = int(toPlainText().size());
    anchor = std::clamp(anchor, 0, end);
    caret = std::clamp(caret, 0, end);
    if (!editor_ && anchor == caret) {
        anchor_ = caret_ = caret;
        return;
    }
    // A selection is the user's, and shows in an editor.
    QTextCursor cursor = edit()->textCursor();
    cursor.setPosition(anchor);
    cursor.setPosition(caret, QTextCursor::KeepAnchor);
    editor_->setTextCursor(cursor);
}

void TextBoxWidget::replaceText(int start, int end, const QString& text)
{
    if (locked_)
        return;
    setSelection(start, end);
    static_cast<BoxEditor*>(edit())->insertBounded(text);
    emit inputCommitted();
}

void TextBoxWidget::takeFocus(Qt::FocusReason reason)
{
    // Given from the keyboard or a screen reader, the focus shows its mark.
    if (reason != Qt::MouseFocusReason)
        window()->setAttribute(Qt::WA_KeyboardFocusChange);
    if (editor_)
        editor_->setFocus(reason);
    else
        setFocus(reason);
}

bool TextBoxWidget::hasKeyboard() const
{
    return hasFocus() || (editor_ && editor_->hasFocus());
}

void TextBoxWidget::showFocusMark()
{
    // As Qt's own styles draw focus frames: once the keyboard has moved the
    // focus in the window, until the mouse is pressed there again.
    const bool show = hasKeyboard() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
    if (!focusMark_) {
        if (!show)
            return;
        focusMark_ = new FocusMark(this);
    }
    focusMark_->setVisible(show);
    if (show)
        focusMark_->raise();
}

void TextBoxWidget::mirror(const TextBox& state)
{
    if (editor_)
        editor_->mirror(atScale(state));
    const bool newText = state.Text != shown_.Text;
    const bool newSize = state.FontSize != shown_.FontSize;
    const bool newColours =
        state.ForeColor != shown_.ForeColor || state.BackColor != shown_.BackColor;
    if (newSize) {
        const double points = state.FontSize * scale_;
        setFont(BoxPicture::faceAt(points));
        picture_.setFont(font(), points);
    }
    if (newColours)
        showColours(BoxPicture::withColours(palette(), state.ForeColor, state.BackColor));
    const bool newMeaning =
        state.ForeColor != shown_.ForeColor && control_ && control_->role == layout::Role::Cell;
    shown_ = state;
    if (newMeaning)
        announceName();
    if (newText) {
        const QString before = picture_.text();
        picture_.setText(boxtext::shown(state.Text));
        // A new text keeps the caret where it was, as far as the text reaches.
        const int end = int(toPlainText().size());
        caret_ = anchor_ = std::min(caret_, end);
        announceText(before);
        if (control_ && control_->spokenName.isEmpty())
            announceName();
        if (editor_)
            releaseEditorIfIdle();
    }
    if (!editor_ && (newText || newSize || newColours))
        update();
}

TextBox TextBoxWidget::atScale(const TextBox& state) const
{
    TextBox scaled = state;
    scaled.FontSize *= scale_;
    return scaled;
}

void TextBoxWidget::place(const QRect& geometry, double scale)
{
    if (geometry != this->geometry())
        setGeometry(geometry);
    BoxPicture::Shape shape = picture_.shape();
    const qreal dpiY = logicalDpiY();
    if (shape.size == geometry.size() && shape.dpiY == dpiY && scale == scale_)
        return;
    shape.size = geometry.size();
    shape.dpiY = dpiY;
    scale_ = scale;
    picture_.setShape(shape);
    const double points = shown_.FontSize * scale_;
    setFont(BoxPicture::faceAt(points));
    picture_.setFont(font(), points);
    if (editor_)
        static_cast<BoxEditor*>(editor_)->reshape(shape, atScale(shown_));
    if (focusMark_)
        static_cast<FocusMark*>(focusMark_)->fit();
    update();
}

void TextBoxWidget::showColours(const QPalette& colours)
{
    setPalette(colours);
    picture_.setColours(colours.color(QPalette::Text), colours.color(QPalette::Base),
                        colours.color(QPalette::WindowText));
}

void TextBoxWidget::paintEvent(QPaintEvent*)
{
    if (editor_)
        return;  // it covers the box
    QPainter painter(this);
    picture_.paint(painter);
}

void TextBoxWidget::focusInEvent(QFocusEvent* event)
{
    // The editor comes once what is waiting (the first paint of the window,
    // say) is done; a key or a click before then takes it up at once.
    // A read-only box takes one up only for a key or a gesture that needs it.
    focusReason_ = event->reason();
    showFocusMark();
    if (locked_)
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (hasFocus())
                edit();
        },
        Qt::QueuedConnection);
}

void TextBoxWidget::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    showFocusMark();
}

void TextBoxWidget::notePress(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                              QPointF position)
{
    lastPressed_ = this;
    down_.setFlag(button);
    // The mouse is in use: focus marks show again once the keyboard moves
    // the focus.
    if (window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        window()->setAttribute(Qt::WA_KeyboardFocusChange, false);
        showFocusMark();
    }
    emit pressed(button, modifiers, position);
}

void TextBoxWidget::noteDoubleClick(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                    QPointF position)
{
    // The double-click stands for the second press. When the first one went
    // to this box it has had its click already; otherwise this press is the
    // first this box sees.
    if (lastPressed_ != this)
        notePress(button, modifiers, position);
}

void TextBoxWidget::noteRelease(Qt::MouseButton button, QPointF position)
{
    const bool click = button == Qt::LeftButton && down_.testFlag(Qt::LeftButton) &&
                       BoxPicture::inside(size()).contains(position.toPoint());
    down_.setFlag(button, false);
    if (click)
        emit clicked();
}

void TextBoxWidget::forward(QEvent* event)
{
    BoxEditor* editor = static_cast<BoxEditor*>(edit());
    const QPoint offset = editor->viewport()->mapTo(this, QPoint());
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        QMouseEvent mapped(mouse->type(), mouse->position() - offset, mouse->scenePosition(),
                           mouse->globalPosition(), mouse->button(), mouse->buttons(),
                           mouse->modifiers(), mouse->source(), mouse->pointingDevice());
        editor->handleForBox(&mapped);
        break;
    }
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        QWheelEvent mapped(wheel->position() - offset, wheel->globalPosition(), wheel->pixelDelta(),
                           wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                           wheel->phase(), wheel->inverted(), wheel->source(),
                           wheel->pointingDevice());
        editor->handleForBox(&mapped);
        event->setAccepted(mapped.isAccepted());
        break;
    }
    case QEvent::ContextMenu: {
        auto* menu = static_cast<QContextMenuEvent*>(event);
        QContextMenuEvent mapped(menu->reason(), menu->pos() - offset, menu->globalPos(),
                                 menu->modifiers());
        editor->handleForBox(&mapped);
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const QPoint at = drag->position().toPoint() - offset;
        std::unique_ptr<QDragMoveEvent> mapped;
        if (event->type() == QEvent::DragEnter)
            mapped = std::make_unique<QDragEnterEvent>(
                at, drag->possibleActions(), drag->mimeData(), drag->buttons(), drag->modifiers());
        else
            mapped = std::make_unique<QDragMoveEvent>(at, drag->possibleActions(), drag->mimeData(),
                                                      drag->buttons(), drag->modifiers());
        editor->handleForBox(mapped.get());
        event->setAccepted(mapped->isAccepted());
        if (mapped->isAccepted())
            drag->setDropAction(mapped->dropAction());
        break;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QDropEvent mapped(drop->position() - offset, drop->possibleActions(), drop->mimeData(),
                          drop->buttons(), drop->modifiers());
        mapped.setDropAction(drop->dropAction());
        editor->handleForBox(&mapped);
        event->setAccepted(mapped.isAccepted());
        break;
    }
    case QEvent::DragLeave:
        editor->handleForBox(event);
        break;
    default:
        QCoreApplication::sendEvent(editor, event);
        break;
    }
}

bool TextBoxWidget::onBorder(QPointF position) const
{
    return !BoxPicture::inside(size()).contains(position.toPoint());
}

void TextBoxWidget::mousePressEvent(QMouseEvent* event)
{
    // The border is the frame's, not the text's: a press there gives the
    // box the keyboard and nothing else, and so does all that follows it
    // until the button comes up.
    if (onBorder(event->position()) || borderPress_) {
        borderPress_ = true;
        event->ignore();
        return;
    }
    notePress(event->button(), event->modifiers(), event->position());
    // A click on a read-only box (a button, most often) needs no editor; the
    // press is kept in case the mouse goes on to select its text.
    if (locked_ && !editor_) {
        pendingPress_.reset(event->clone());
        return;
    }
    forward(event);
}

void TextBoxWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (onBorder(event->position()) || borderPress_) {
        borderPress_ = true;
        event->ignore();
        return;
    }
    noteDoubleClick(event->button(), event->modifiers(), event->position());
    forward(event);
}

void TextBoxWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton) {
        const Qt::CursorShape shape =
            onBorder(event->position()) ? Qt::ArrowCursor : Qt::IBeamCursor;
        if (cursor().shape() != shape)
            setCursor(shape);
        return;
    }
    if (borderPress_) {
        event->ignore();
        return;
    }
    if (pendingPress_ && !editor_)
        forward(pendingPress_.get());
    pendingPress_.reset();
    forward(event);
}

void TextBoxWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (borderPress_) {
        borderPress_ = event->buttons() != Qt::NoButton;
        event->ignore();
        return;
    }
    pendingPress_.reset();
    if (editor_)
        forward(event);
    noteRelease(event->button(), event->position());
}

void TextBoxWidget::wheelEvent(QWheelEvent* event)
{
    // Only a text taller than the box scrolls; for any other the wheel is
    // the window's.
    if (!picture_.taller()) {
        event->ignore();
        return;
    }
    forward(event);
    releaseEditorIfIdle();
}

void TextBoxWidget::contextMenuEvent(QContextMenuEvent* event)
{
    forward(event);
}

void TextBoxWidget::keyPressEvent(QKeyEvent* event)
{
    forwardKey(event);
}

void TextBoxWidget::keyReleaseEvent(QKeyEvent* event)
{
    forwardKey(event);
}

bool TextBoxWidget::clicksBox(const QKeyEvent* event) const
{
    if (!pressable_)
        return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (lineBreak && modifiers == Qt::ControlModifier)
        return true;
    // A box that takes typing types a space and a line; any other is
    // clicked by them, as a button is.
    return locked_ && modifiers == Qt::NoModifier && (lineBreak || event->key() == Qt::Key_Space);
}

void TextBoxWidget::forwardKey(QKeyEvent* event)
{
    if (clicksBox(event)) {
        // The press clicks. The release is the editor's, as any key's is, so
        // that a cell hears it; a box without an editor needs none for it.
        event->accept();
        if (event->type() == QEvent::KeyPress) {
            if (!event->isAutoRepeat())
                click();
        } else if (editor_ && keyPassedOn_ != event) {
            forward(event);
        }
        keyPassedOn_ = nullptr;
        return;
    }
    // A box that takes no typing has no use for the release of a key it did
    // not take an editor for.
    if (event->type() == QEvent::KeyRelease && locked_ && !editor_) {
        event->ignore();
        return;
    }
    // A key the editor has had and left alone comes on to the box, its
    // parent, on its way to the window; it is not the editor's again.
    if (keyPassedOn_ == event) {
        keyPassedOn_ = nullptr;
        event->ignore();
        return;
    }
    forward(event);
}

void TextBoxWidget::inputMethodEvent(QInputMethodEvent* event)
{
    forward(event);
}

void TextBoxWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (!boxtext::takesText(event->mimeData())) {
        event->ignore();
        return;
    }
    forward(event);
}

void TextBoxWidget::dragMoveEvent(QDragMoveEvent* event)
{
    forward(event);
}

void TextBoxWidget::dragLeaveEvent(QDragLeaveEvent* event)
{
    // The editor takes its drop marker away, and is given up if the drag
    // was all it was there for.
    if (editor_)
        forward(event);
    releaseEditorIfIdle();
}

void TextBoxWidget::dropEvent(QDropEvent* event)
{
    forward(event);
}
