#include "boxeditor.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

#include "boxtext.h"

namespace {

// A key the text box takes as a command (select all, paste, undo, ...) even
// where it comes with printable text.
bool isShortcut(const QKeyEvent* event)
{
    for (int key = QKeySequence::UnknownKey + 1; key <= QKeySequence::Cancel; ++key) {
        if (event->matches(QKeySequence::StandardKey(key)))
            return true;
    }
    return false;
}

constexpr quint32 NotAColour = 0xFFFFFFFF;  // never a 0xBBGGRR value

// Makes `change` to the document in one edit block, so that the text is laid
// out once. With `joinUsersEdit`, the change joins the user's last edit, so
// that undo takes both back together and never stops at a step the user did
// not make; otherwise it stays out of the history, and turning undo off for
// it clears what history there was, as setPlainText does.
template <typename Change> void editDocument(QTextDocument* doc, bool joinUsersEdit, Change change)
{
    if (!joinUsersEdit)
        doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    if (joinUsersEdit)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    change(cursor);
    cursor.endEditBlock();
    if (!joinUsersEdit)
        doc->setUndoRedoEnabled(true);
}

}  // namespace

BoxEditor::BoxEditor(const Settings& settings, const TextBox& state, int anchor, int caret,
                     QWidget* parent)
    : QTextEdit(parent), settings_(settings)
{
    setGeometry(QRect(QPoint(), settings.shape.size));
    // One plain line, so neighbours that overlap by a pixel share it.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptRichText(false);
    setTabChangesFocus(true);
    setReadOnly(settings.readOnly);
    setObjectName(settings.name);
    // Its frame shows the window's pointer, its text the text pointer.
    setCursor(Qt::ArrowCursor);

    // No room between border and text: the glyphs' own side bearings are
    // enough, and "Data" and "Load" need every pixel of their 33-pixel
    // buttons.
    document()->setDocumentMargin(0);
    // The default option, not a block format, so that it also holds for the
    // lines the user types and for every text the form puts in.
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(settings.shape.centered ? Qt::AlignHCenter : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
    // Lines are as wide as the box even where they never wrap, so that a
    // centred digit stands in the middle of its button.
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(settings.shape.multiLine ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                             : QTextOption::NoWrap);

    // Setting the document up (its margin is a format of its frame) is no
    // edit of the user's to undo.
    document()->clearUndoRedoStacks();
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (mirroring_)
            return;
        shown_.Text = formText();
        emit edited(shown_.Text);
    });

    shown_.FontSize = -1;
    shown_.ForeColor = NotAColour;
    shown_.BackColor = NotAColour;
    mirror(state);
    QTextCursor cursor = textCursor();
    const int end = document()->characterCount() - 1;
    cursor.setPosition(std::min(anchor, end));
    cursor.setPosition(std::min(caret, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    show();
}

qsizetype BoxEditor::room() const
{
    const qsizetype kept =
        boxtext::formLength(toPlainText()) - boxtext::formLength(textCursor().selectedText());
    return std::max<qsizetype>(0, boxtext::MaxLength - kept);
}

bool BoxEditor::holdsUserState() const
{
    return composing_ || textCursor().hasSelection() || document()->isUndoAvailable() ||
           document()->isRedoAvailable() || verticalScrollBar()->value() != 0 ||
           horizontalScrollBar()->value() != 0;
}

QString BoxEditor::formText() const
{
    QString shownText;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            shownText += u'\n';
        shownText += block.text();
    }
    return boxtext::toForm(shownText);
}

void BoxEditor::mirror(const TextBox& state)
{
    mirroring_ = true;
    // Every change of text, line height or font lays the text out afresh, and
    // that is what a mirror costs. The text and its line height go in as one
    // edit, so a box is laid out at most twice; when the font changes too, the
    // in-between layout is the one of the shorter text.
    const bool newSize = state.FontSize != shown_.FontSize;
    const bool newText = state.Text != shown_.Text;
    const bool fontFirst = newSize && newText && state.Text.size() > shown_.Text.size();
    if (fontFirst)
        setFont(BoxPicture::faceAt(state.FontSize));
    if (newText)
        replaceChangedPart(state.Text, newSize ? state.FontSize : shown_.FontSize, newSize);
    else if (newSize)
        fitLines(state.FontSize);
    if (newSize && !fontFirst)
        setFont(BoxPicture::faceAt(state.FontSize));
    if (state.ForeColor != shown_.ForeColor || state.BackColor != shown_.BackColor)
        setPalette(BoxPicture::withColours(palette(), state.ForeColor, state.BackColor));
    mirroring_ = false;
    shown_ = state;
}

void BoxEditor::reshape(const BoxPicture::Shape& shape, const TextBox& state)
{
    const bool newResolution = shape.dpiY != settings_.shape.dpiY;
    settings_.shape = shape;
    setGeometry(QRect(QPoint(), shape.size));
    mirroring_ = true;
    // A new resolution spaces the lines anew even at the same size.
    if (newResolution && state.FontSize == shown_.FontSize)
        fitLines(state.FontSize);
    mirroring_ = false;
    mirror(state);
}

void BoxEditor::replaceChangedPart(const QString& formText, double points, bool newSize)
{
    // Positions in the document are those of the text as shown, where a
    // line break is one character.
    const QString before = boxtext::shown(shown_.Text);
    const QString after = boxtext::shown(formText);
    const boxtext::Difference diff = boxtext::differenceOf(before, after);
    const qsizetype oldEnd = before.size() - diff.sameAtEnd;
    const qsizetype newEnd = after.size() - diff.sameAtEnd;
    // A place in the old text, in the new one: where the text around it is
    // unchanged, it moves with that text; inside the changed part it keeps
    // its distance from the start of it, as far as the new part reaches.
    const auto moved = [&](int at) {
        if (at <= diff.same)
            return at;
        if (at >= oldEnd)
            return int(at + (newEnd - oldEnd));
        return int(diff.same + std::min(at - diff.same, newEnd - diff.same));
    };

    // Where the user left the caret, as numbers: a cursor would move with
    // the edit.
    const int anchor = textCursor().anchor();
    const int caret = textCursor().position();
    QTextDocument* doc = document();
    // A change to the text the user has edits of joins the last of them; any
    // other stays out of the history.
    editDocument(doc, doc->isUndoAvailable(), [&](QTextCursor& edit) {
        edit.setPosition(int(diff.same));
        edit.setPosition(int(oldEnd), QTextCursor::KeepAnchor);
        edit.insertText(after.sliced(diff.same, newEnd - diff.same));
        // The lines it brings in are spaced as the others are; at a new
        // size, every line is spaced anew.
        if (newSize) {
            edit.select(QTextCursor::Document);
        } else {
            edit.setPosition(int(diff.same));
            edit.setPosition(int(newEnd), QTextCursor::KeepAnchor);
        }
        edit.mergeBlockFormat(linesFor(points));
    });
    const int end = doc->characterCount() - 1;
    QTextCursor kept = textCursor();
    kept.setPosition(std::min(moved(anchor), end));
    kept.setPosition(std::min(moved(caret), end), QTextCursor::KeepAnchor);
    setTextCursor(kept);
}

QTextBlockFormat BoxEditor::linesFor(double points) const
{
    QTextBlockFormat lines;
    lines.setLineHeight(
        BoxPicture::lineSpacing(points, settings_.shape.lineHeight, settings_.shape.dpiY),
        QTextBlockFormat::FixedHeight);
    return lines;
}

void BoxEditor::fitLines(double points)
{
    // A change of size while the user types joins the user's last edit, so
    // that undo does not stop at an invisible step; a fresh text has no
    // history to keep.
    QTextDocument* doc = document();
    editDocument(doc, doc->isUndoAvailable(), [&](QTextCursor& cursor) {
        cursor.select(QTextCursor::Document);
        cursor.mergeBlockFormat(linesFor(points));
    });
}

QPointF BoxEditor::inBox(QPointF position) const
{
    return position + QPointF(viewport()->pos()) + QPointF(pos());
}

void BoxEditor::handleForBox(QEvent* event)
{
    // As if the event had come to the viewport, but without reporting the
    // gesture again.
    handlingForBox_ = true;
    viewportEvent(event);
    handlingForBox_ = false;
}

void BoxEditor::mousePressEvent(QMouseEvent* event)
{
    if (!handlingForBox_)
        emit pressed(event->button(), event->modifiers(), inBox(event->position()));
    QTextEdit::mousePressEvent(event);
}

void BoxEditor::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!handlingForBox_)
        emit doubleClicked(event->button(), event->modifiers(), inBox(event->position()));
    QTextEdit::mouseDoubleClickEvent(event);
}

void BoxEditor::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    if (!handlingForBox_)
        emit released(event->button(), inBox(event->position()));
}

bool BoxEditor::event(QEvent* event)
{
    // Undo and redo are the window's: they take back whole actions, typing
    // included, which the form has already taken in. Left unclaimed here,
    // the keys reach the window's commands.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y)) {
            event->ignore();
            return true;
        }
    }
    return QTextEdit::event(event);
}

void BoxEditor::keyPressEvent(QKeyEvent* event)
{
    typeKey(event);
    if (!event->isAccepted())
        emit keyPassedOn(event);
}

void BoxEditor::contextMenuEvent(QContextMenuEvent* event)
{
    // As the text edit opens its menu, with room for the box's own entries.
    QMenu* menu = createStandardContextMenu(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    emit menuOpening(menu);
    menu->popup(event->globalPos());
}

void BoxEditor::typeKey(QKeyEvent* event)
{
    // With nothing to take back the window's undo is off; the text edit's
    // own must not stand in for it.
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
        event->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y)) {
        event->ignore();
        return;
    }
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Ctrl+Return is a command, never a line typed.
    if (lineBreak && event->modifiers().testFlag(Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    // A box that takes no typing leaves the keys that click it to the box.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (isReadOnly() && plain && (lineBreak || event->key() == Qt::Key_Space)) {
        event->ignore();
        return;
    }
    if (!settings_.shape.multiLine && lineBreak) {
        event->ignore();
        return;
    }
    const QString text = event->text();
    const bool typing =
        lineBreak || (!text.isEmpty() && text.at(0).isPrint() && !isShortcut(event));
    if (isReadOnly() || !typing) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    // A full box takes no more typing; a key that types several characters
    // (a compose sequence, say) types what fits.
    const qsizetype free = room();
    if (lineBreak ? free >= 2 : boxtext::formLength(text) <= free) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    const QString fit = lineBreak ? QString() : boxtext::fitted(text, free);
    if (fit.isEmpty()) {
        event->accept();
        return;
    }
    QKeyEvent shorter(event->type(), event->key(), event->modifiers(), fit, event->isAutoRepeat(),
                      event->count());
    QTextEdit::keyPressEvent(&shorter);
}

void BoxEditor::keyReleaseEvent(QKeyEvent* event)
{
    QTextEdit::keyReleaseEvent(event);
    if (!event->isAccepted())
        emit keyPassedOn(event);
    if (!event->isAutoRepeat())
        emit keyReleased(event->key(), event->modifiers());
}

void BoxEditor::inputMethodEvent(QInputMethodEvent* event)
{
    // A read-only box asks for no input method, but the text edit would
    // still take a commit sent to it.
    if (isReadOnly()) {
        event->ignore();
        return;
    }
    if (strayCommit(*event)) {
        event->accept();
        return;
    }
    const qsizetype free = room();
    if (boxtext::formLength(event->commitString()) <= free &&
        event->preeditString().size() <= boxtext::MaxLength) {
        QTextEdit::inputMethodEvent(event);
    } else {
        // The commit keeps what fits, and a composition is shown no longer
        // than a box's text may be; its marks are cut to what is left of it.
        const QString preedit = boxtext::fitted(event->preeditString(), boxtext::MaxLength);
        QList<QInputMethodEvent::Attribute> attributes;
        for (QInputMethodEvent::Attribute a : event->attributes()) {
            if (a.type == QInputMethodEvent::Cursor) {
                a.start = std::min<int>(a.start, preedit.size());
            } else if (a.type == QInputMethodEvent::TextFormat) {
                a.length = std::clamp<int>(preedit.size() - a.start, 0, a.length);
                if (a.length == 0)
                    continue;
            }
            attributes.append(a);
        }
        QInputMethodEvent bounded(preedit, attributes);
        bounded.setCommitString(boxtext::fitted(event->commitString(), free),
                                event->replacementStart(), event->replacementLength());
        QTextEdit::inputMethodEvent(&bounded);
    }
    composing_ = !event->preeditString().isEmpty();
    composedHere_ = composedHere_ || composing_;
    if (!event->commitString().isEmpty()) {
        lastCommit() = {this, event->commitString(), {}};
        lastCommit().at.start();
        emit inputCommitted();
    }
}

BoxEditor::Commit& BoxEditor::lastCommit()
{
    static Commit commit;
    return commit;
}

bool BoxEditor::strayCommit(const QInputMethodEvent& event) const
{
    // When the keyboard leaves a box during a composition, Qt has the input
    // method commit it into that box; some input methods (mozc through
    // ibus) then commit the same text once more, after the fact, into
    // whatever box has the keyboard by then. That second commit comes to a
    // box in which nothing was composed, within moments of the first.
    const Commit& last = lastCommit();
    return !composedHere_ && event.preeditString().isEmpty() && last.editor &&
           last.editor != this && !event.commitString().isEmpty() &&
           event.commitString() == last.text && last.at.isValid() && last.at.elapsed() < 1000;
}

void BoxEditor::focusInEvent(QFocusEvent* event)
{
    QTextEdit::focusInEvent(event);
    composedHere_ = false;
    emit focusGained();
}

void BoxEditor::focusOutEvent(QFocusEvent* event)
{
    QTextEdit::focusOutEvent(event);
    emit focusLost();
}

void BoxEditor::insertBounded(const QString& text)
{
    if (isReadOnly())
        return;
    insertPlainText(boxtext::fitted(text, room()));
}

bool BoxEditor::canInsertFromMimeData(const QMimeData* source) const
{
    return boxtext::takesText(source) && QTextEdit::canInsertFromMimeData(source);
}

void BoxEditor::insertFromMimeData(const QMimeData* source)
{
    // Paste (keys, context menu, middle button) and drops all come here. The
    // box takes plain text only, and only what fits.
    QMimeData bounded;
    bounded.setText(boxtext::fitted(source->text(), room()));
    QTextEdit::insertFromMimeData(&bounded);
}
