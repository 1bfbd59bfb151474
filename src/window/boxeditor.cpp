#include "boxeditor.h"

#include <algorithm>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

#include "digits.h"
#include "textboxwidget.h"

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

BoxEditor::BoxEditor(TextBoxWidget& box, int anchor, int caret) : QTextEdit(&box), box_(box)
{
    setGeometry(box.rect());
    // One plain line, so neighbours that overlap by a pixel share it.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptRichText(false);
    setTabChangesFocus(true);
    setReadOnly(box.isReadOnly());
    setObjectName(box.objectName());
    // Its frame shows the window's pointer, its text the text pointer.
    setCursor(Qt::ArrowCursor);
    setAccessibleName(box.accessibleName());
    setAccessibleDescription(box.accessibleDescription());

    // No room between border and text: the glyphs' own side bearings are
    // enough, and "Data" and "Load" need every pixel of their 33-pixel
    // buttons.
    document()->setDocumentMargin(0);
    // The default option, not a block format, so that it also holds for the
    // lines the user types and for every text the form puts in.
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(box.isCentered() ? Qt::AlignHCenter : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
    // Lines are as wide as the box even where they never wrap, so that a
    // centred digit stands in the middle of its button.
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(box.isMultiLine() ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                      : QTextOption::NoWrap);

    connect(this, &QTextEdit::textChanged, this, [this] {
        if (mirroring_)
            return;
        shown_.Text = formText();
        box_.editorEdited(shown_.Text);
    });

    shown_.FontSize = -1;
    shown_.ForeColor = NotAColour;
    shown_.BackColor = NotAColour;
    mirror(box.shown_);
    QTextCursor cursor = textCursor();
    const int end = document()->characterCount() - 1;
    cursor.setPosition(std::min(anchor, end));
    cursor.setPosition(std::min(caret, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    show();
}

qsizetype BoxEditor::room() const
{
    const qsizetype kept = TextBoxWidget::formLength(toPlainText()) -
                           TextBoxWidget::formLength(textCursor().selectedText());
    return std::max<qsizetype>(0, TextBoxWidget::MaxLength - kept);
}

bool BoxEditor::holdsUserState() const
{
    return composing_ || textCursor().hasSelection() || document()->isUndoAvailable() ||
           document()->isRedoAvailable() || verticalScrollBar()->value() != 0 ||
           horizontalScrollBar()->value() != 0;
}

QString BoxEditor::formText() const
{
    QStringList lines;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        QString line = block.text();
        line.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        lines.append(line);
    }
    return lines.join(QStringLiteral("\r\n"));
}

void BoxEditor::mirror(const TextBox& state)
{
    mirroring_ = true;
    // Every change of text, line height or font lays the text out afresh, and
    // that is what a mirror costs. The text and its line height go in as one
    // edit, so a box is laid out at most twice; when the font changes too, the
    // in-between layout is the one of the shorter text.
    const bool newSize = state.FontSize != shown_.FontSize;
    const bool newText = state.Text != shown_.Text && !amendTypedDigits(state.Text);
    const bool fontFirst = newSize && newText && state.Text.size() > shown_.Text.size();
    if (fontFirst)
        setFont(TextBoxWidget::faceAt(state.FontSize));
    if (newText)
        showText(state.Text, newSize ? state.FontSize : shown_.FontSize);
    else if (newSize)
        fitLines(state.FontSize);
    if (newSize && !fontFirst)
        setFont(TextBoxWidget::faceAt(state.FontSize));
    if (state.ForeColor != shown_.ForeColor || state.BackColor != shown_.BackColor)
        setPalette(TextBoxWidget::withColours(palette(), state.ForeColor, state.BackColor));
    mirroring_ = false;
    shown_ = state;
}

void BoxEditor::showText(const QString& formText, double points)
{
    const int caret = textCursor().position();
    // Replacing the whole text in one edit, rather than setPlainText and a
    // second edit for the line height, lays it out once. A fresh text has no
    // history to keep.
    QTextDocument* doc = document();
    editDocument(doc, false, [&](QTextCursor& all) {
        all.select(QTextCursor::Document);
        all.insertText(TextBoxWidget::toWidgetText(formText));
        all.select(QTextCursor::Document);
        all.mergeBlockFormat(linesFor(points));
    });
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(caret, doc->characterCount() - 1));
    setTextCursor(cursor);
}

bool BoxEditor::amendTypedDigits(const QString& formText)
{
    const QString& typed = shown_.Text;
    if (formText.size() != typed.size())
        return false;
    // Where the two differ, in document positions: a line break is two
    // characters in the form but one in the document.
    QList<int> changed;
    int position = 0;
    for (qsizetype i = 0; i < typed.size(); ++i, ++position) {
        if (formText[i] != typed[i]) {
            if (asciiDigit(typed[i]) != formText[i])
                return false;
            changed.append(position);
        } else if (typed[i] == u'\r' && i + 1 < typed.size() && typed[i + 1] == u'\n') {
            ++i;
        }
    }

    const QTextCursor caret = textCursor();
    // One edit, so that the text is laid out once, not once a digit.
    QTextDocument* doc = document();
    editDocument(doc, doc->isUndoAvailable(), [&](QTextCursor& edit) {
        for (int at : changed) {
            edit.setPosition(at);
            edit.setPosition(at + 1, QTextCursor::KeepAnchor);
            edit.insertText(QString(asciiDigit(edit.selectedText().at(0))));
        }
    });
    QTextCursor restored = textCursor();
    restored.setPosition(caret.anchor());
    restored.setPosition(caret.position(), QTextCursor::KeepAnchor);
    setTextCursor(restored);
    return true;
}

QTextBlockFormat BoxEditor::linesFor(double points) const
{
    QTextBlockFormat lines;
    lines.setLineHeight(box_.lineSpacing(points), QTextBlockFormat::FixedHeight);
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

void BoxEditor::take(QEvent* event)
{
    // As if the event had come to the viewport, but without noting the
    // gesture again: the box has noted it.
    taking_ = true;
    viewportEvent(event);
    taking_ = false;
}

void BoxEditor::mousePressEvent(QMouseEvent* event)
{
    if (!taking_)
        box_.notePress(event->button(), event->modifiers(), inBox(event->position()));
    QTextEdit::mousePressEvent(event);
}

void BoxEditor::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!taking_)
        box_.noteDoubleClick(event->button(), event->modifiers(), inBox(event->position()));
    QTextEdit::mouseDoubleClickEvent(event);
}

void BoxEditor::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    if (!taking_)
        box_.noteRelease(event->button(), inBox(event->position()));
}

void BoxEditor::keyPressEvent(QKeyEvent* event)
{
    typeKey(event);
    // A key left alone goes on to the box next, which must know it.
    box_.editorSaw_ = event->isAccepted() ? nullptr : event;
}

void BoxEditor::typeKey(QKeyEvent* event)
{
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!box_.isMultiLine() && lineBreak) {
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
    if (lineBreak ? free >= 2 : TextBoxWidget::formLength(text) <= free) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    const QString fit = lineBreak ? QString() : TextBoxWidget::fitted(text, free);
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
    box_.editorSaw_ = event->isAccepted() ? nullptr : event;
    if (!event->isAutoRepeat())
        emit box_.keyReleased(event->key(), event->modifiers());
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
    if (TextBoxWidget::formLength(event->commitString()) <= free &&
        event->preeditString().size() <= TextBoxWidget::MaxLength) {
        QTextEdit::inputMethodEvent(event);
    } else {
        // The commit keeps what fits, and a composition is shown no longer
        // than a box's text may be; its marks are cut to what is left of it.
        const QString preedit =
            TextBoxWidget::fitted(event->preeditString(), TextBoxWidget::MaxLength);
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
        bounded.setCommitString(TextBoxWidget::fitted(event->commitString(), free),
                                event->replacementStart(), event->replacementLength());
        QTextEdit::inputMethodEvent(&bounded);
    }
    composing_ = !event->preeditString().isEmpty();
    composedHere_ = composedHere_ || composing_;
    if (!event->commitString().isEmpty()) {
        lastCommit() = {this, event->commitString(), {}};
        lastCommit().at.start();
        emit box_.inputCommitted();
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
}

void BoxEditor::focusOutEvent(QFocusEvent* event)
{
    QTextEdit::focusOutEvent(event);
    box_.editorLostFocus();
}

bool BoxEditor::canInsertFromMimeData(const QMimeData* source) const
{
    return TextBoxWidget::takesDrop(source) && QTextEdit::canInsertFromMimeData(source);
}

void BoxEditor::insertFromMimeData(const QMimeData* source)
{
    // Paste (keys, context menu, middle button) and drops all come here. The
    // box takes plain text only, and only what fits.
    QMimeData bounded;
    bounded.setText(TextBoxWidget::fitted(source->text(), room()));
    QTextEdit::insertFromMimeData(&bounded);
}
