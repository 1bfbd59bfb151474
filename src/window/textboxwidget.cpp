#include "textboxwidget.h"

#include <algorithm>
#include <map>

#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>

#include "digits.h"

namespace {

constexpr double TwipsPerPixel = 15.0;

constexpr quint32 NotAColour = 0xFFFFFFFF;  // never a 0xBBGGRR value
const QColor BorderColour(0x50, 0x50, 0x50);

int toPixels(int twips)
{
    return qRound(twips / TwipsPerPixel);
}

QColor toColour(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// What starts a new line once inserted into a box: besides the line ends and
// separators, the two characters the text document reads as frame bounds.
bool isLineBreak(QChar ch)
{
    switch (ch.unicode()) {
    case u'\n':
    case u'\r':
    case QChar::LineSeparator:
    case QChar::ParagraphSeparator:
    case 0xFDD0:
    case 0xFDD1:
        return true;
    default:
        return false;
    }
}

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

// The characters at `at` that make one step of the form's count, and what
// they count: "\r\n" and a surrogate pair are one step each.
struct Step {
    qsizetype units;
    qsizetype count;
};
Step stepAt(QStringView text, qsizetype at)
{
    const QChar ch = text[at];
    const bool pair =
        at + 1 < text.size() && ((ch == u'\r' && text[at + 1] == u'\n') ||
                                 (ch.isHighSurrogate() && text[at + 1].isLowSurrogate()));
    return {pair ? 2 : 1, (pair || isLineBreak(ch)) ? 2 : 1};
}

}  // namespace

qsizetype TextBoxWidget::formLength(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype at = 0; at < text.size();) {
        const Step step = stepAt(text, at);
        at += step.units;
        count += step.count;
    }
    return count;
}

QString TextBoxWidget::fitted(const QString& text, qsizetype room)
{
    qsizetype at = 0;
    qsizetype count = 0;
    while (at < text.size()) {
        const Step step = stepAt(text, at);
        if (count + step.count > room)
            break;
        at += step.units;
        count += step.count;
    }
    return text.left(at);
}

qsizetype TextBoxWidget::room() const
{
    const qsizetype kept = formLength(toPlainText()) - formLength(textCursor().selectedText());
    return std::max<qsizetype>(0, MaxLength - kept);
}

TextBoxWidget::TextBoxWidget(const TextBox& design, double lineHeight, QWidget* parent)
    : QTextEdit(parent), multiLine_(design.MultiLine), lineHeight_(lineHeight)
{
    setGeometry(toPixels(design.Left), toPixels(design.Top), toPixels(design.Width),
                toPixels(design.Height));
    // One plain line, so neighbours that overlap by a pixel share it.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptRichText(false);
    setTabChangesFocus(true);
    setReadOnly(design.Locked);

    // No room between border and text: the glyphs' own side bearings are
    // enough, and "Data" and "Load" need every pixel of their 33-pixel
    // buttons. The layout keeps one more pixel free for the caret.
    document()->setDocumentMargin(0);
    // The default option, not a block format, so that it also holds for the
    // lines the user types and for every text the form puts in.
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(design.Centered ? Qt::AlignHCenter : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
    // Lines are as wide as the box even where they never wrap, so that a
    // centred digit stands in the middle of its button.
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(multiLine_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);

    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, BorderColour);
    setPalette(colours);

    connect(this, &QTextEdit::textChanged, this, [this] {
        if (mirroring_)
            return;
        shown_.Text = formText();
        emit edited();
    });

    shown_.FontSize = -1;
    shown_.ForeColor = NotAColour;
    shown_.BackColor = NotAColour;
    mirror(design);
}

QFont TextBoxWidget::faceAt(double points)
{
    // A handful of sizes is ever asked for. Handing out the same font object
    // each time keeps its resolved face, so a new size costs no font look-up.
    static std::map<double, QFont> known;
    const auto found = known.find(points);
    if (found != known.end())
        return found->second;

    static const QString intended = QStringLiteral("HG創英角ｺﾞｼｯｸUB");
    static const bool haveIntended = QFontDatabase::hasFamily(intended);
    QFont font;
    if (haveIntended) {
        font = QFont(intended);
    } else {
        font = QFont(QStringLiteral("Noto Sans CJK JP"));
        font.setWeight(QFont::Bold);
        // Its Latin letters are wider than the intended face's; condensed a
        // little, "Data" and "Load" keep to one line of their 33-pixel buttons.
        font.setStretch(95);
    }
    font.setPointSizeF(points);
    known.emplace(points, font);
    return font;
}

QString TextBoxWidget::toWidgetText(const QString& formText)
{
    QString text = formText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QString TextBoxWidget::formText() const
{
    QStringList lines;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        QString line = block.text();
        line.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        lines.append(line);
    }
    return lines.join(QStringLiteral("\r\n"));
}

void TextBoxWidget::mirror(const TextBox& state)
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
        setFont(faceAt(state.FontSize));
    if (newText)
        showText(state.Text, newSize ? state.FontSize : shown_.FontSize);
    else if (newSize)
        fitLines(state.FontSize);
    if (newSize && !fontFirst)
        setFont(faceAt(state.FontSize));
    if (state.ForeColor != shown_.ForeColor || state.BackColor != shown_.BackColor)
        showColours(state.ForeColor, state.BackColor);
    mirroring_ = false;

    shown_.Text = state.Text;
    shown_.FontSize = state.FontSize;
    shown_.ForeColor = state.ForeColor;
    shown_.BackColor = state.BackColor;
}

void TextBoxWidget::showText(const QString& formText, double points)
{
    const int caret = textCursor().position();
    // Replacing the whole text in one edit, rather than setPlainText and a
    // second edit for the line height, lays it out once. A fresh text has no
    // history to keep: turning undo off clears it, as setPlainText does.
    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    QTextCursor all(doc);
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.insertText(toWidgetText(formText));
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(linesFor(points));
    all.endEditBlock();
    doc->setUndoRedoEnabled(true);
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(caret, doc->characterCount() - 1));
    setTextCursor(cursor);
}

bool TextBoxWidget::amendTypedDigits(const QString& formText)
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
    QTextDocument* doc = document();
    const bool history = doc->isUndoAvailable();
    if (!history)
        doc->setUndoRedoEnabled(false);
    // One edit block, so that the text is laid out once, not once a digit.
    QTextCursor edit(doc);
    if (history)
        edit.joinPreviousEditBlock();
    else
        edit.beginEditBlock();
    for (int at : changed) {
        edit.setPosition(at);
        edit.setPosition(at + 1, QTextCursor::KeepAnchor);
        edit.insertText(QString(asciiDigit(edit.selectedText().at(0))));
    }
    edit.endEditBlock();
    if (!history)
        doc->setUndoRedoEnabled(true);
    QTextCursor restored = textCursor();
    restored.setPosition(caret.anchor());
    restored.setPosition(caret.position(), QTextCursor::KeepAnchor);
    setTextCursor(restored);
    return true;
}

void TextBoxWidget::showColours(quint32 fore, quint32 back)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Text, toColour(fore));
    colours.setColor(QPalette::Base, toColour(back));
    setPalette(colours);
}

QTextBlockFormat TextBoxWidget::linesFor(double points) const
{
    const double em = points * logicalDpiY() / 72.0;
    QTextBlockFormat lines;
    lines.setLineHeight(em * lineHeight_, QTextBlockFormat::FixedHeight);
    return lines;
}

void TextBoxWidget::fitLines(double points)
{
    QTextDocument* doc = document();
    const QTextBlockFormat lines = linesFor(points);

    // A change of size while the user types joins the user's last edit, so
    // that undo does not stop at an invisible step; a fresh text has no
    // history to keep.
    const bool history = doc->isUndoAvailable();
    if (!history)
        doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    if (history)
        cursor.joinPreviousEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(lines);
    if (history)
        cursor.endEditBlock();
    else
        doc->setUndoRedoEnabled(true);
}

void TextBoxWidget::notePress(const QMouseEvent* event)
{
    lastPressed_ = this;
    down_.setFlag(event->button());
    emit pressed(event->button(), event->modifiers(),
                 event->position() + QPointF(viewport()->pos()));
}

void TextBoxWidget::mousePressEvent(QMouseEvent* event)
{
    notePress(event);
    QTextEdit::mousePressEvent(event);
}

void TextBoxWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The double-click stands for the second press. When the first one went
    // to this box it has had its click already; otherwise this press is the
    // first this box sees.
    if (lastPressed_ != this)
        notePress(event);
    QTextEdit::mouseDoubleClickEvent(event);
}

void TextBoxWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = event->button() == Qt::LeftButton && down_.testFlag(Qt::LeftButton) &&
                       viewport()->rect().contains(event->position().toPoint());
    down_.setFlag(event->button(), false);
    QTextEdit::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

void TextBoxWidget::keyPressEvent(QKeyEvent* event)
{
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!multiLine_ && lineBreak) {
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
    if (lineBreak ? free >= 2 : formLength(text) <= free) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    const QString fit = lineBreak ? QString() : fitted(text, free);
    if (fit.isEmpty()) {
        event->accept();
        return;
    }
    QKeyEvent shorter(event->type(), event->key(), event->modifiers(), fit, event->isAutoRepeat(),
                      event->count());
    QTextEdit::keyPressEvent(&shorter);
}

void TextBoxWidget::keyReleaseEvent(QKeyEvent* event)
{
    QTextEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit keyReleased(event->key(), event->modifiers());
}

void TextBoxWidget::inputMethodEvent(QInputMethodEvent* event)
{
    // A read-only box asks for no input method, but the text edit would
    // still take a commit sent to it.
    if (isReadOnly()) {
        event->ignore();
        return;
    }
    const qsizetype free = room();
    if (formLength(event->commitString()) <= free && event->preeditString().size() <= MaxLength) {
        QTextEdit::inputMethodEvent(event);
    } else {
        // The commit keeps what fits, and a composition is shown no longer
        // than a box's text may be; its marks are cut to what is left of it.
        const QString preedit = fitted(event->preeditString(), MaxLength);
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
        bounded.setCommitString(fitted(event->commitString(), free), event->replacementStart(),
                                event->replacementLength());
        QTextEdit::inputMethodEvent(&bounded);
    }
    if (!event->commitString().isEmpty())
        emit inputCommitted();
}

bool TextBoxWidget::canInsertFromMimeData(const QMimeData* source) const
{
    // A dragged file is for the window to open, not a text for the box.
    return !source->hasUrls() && QTextEdit::canInsertFromMimeData(source);
}

void TextBoxWidget::insertFromMimeData(const QMimeData* source)
{
    // Paste (keys, context menu, middle button) and drops all come here. The
    // box takes plain text only, and only what fits.
    QMimeData bounded;
    bounded.setText(fitted(source->text(), room()));
    QTextEdit::insertFromMimeData(&bounded);
}
