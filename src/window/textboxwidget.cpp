#include "textboxwidget.h"

#include <algorithm>
#include <map>

#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextBlock>

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

}  // namespace

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
    const bool newText = state.Text != shown_.Text;
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
    if (!multiLine_ && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->ignore();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void TextBoxWidget::keyReleaseEvent(QKeyEvent* event)
{
    QTextEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit keyReleased(event->key(), event->modifiers());
}

void TextBoxWidget::inputMethodEvent(QInputMethodEvent* event)
{
    QTextEdit::inputMethodEvent(event);
    if (!isReadOnly() && !event->commitString().isEmpty())
        emit inputCommitted();
}
