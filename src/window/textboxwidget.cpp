#include "textboxwidget.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QTextLine>
#include <QTimer>

#include "boxeditor.h"

namespace {

constexpr double TwipsPerPixel = 15.0;

const QColor BorderColour(0x50, 0x50, 0x50);

int toPixels(int twips)
{
    return qRound(twips / TwipsPerPixel);
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

// The text edit's fixed-point numbers (1/64 pixel, cut towards zero), for
// laying lines out where it lays them out.
qint64 fixed(qreal value)
{
    return qint64(value * 64);
}
qreal real(qint64 value)
{
    return qreal(value) / 64;
}

// A box is an editable text to a screen reader: its place or role as its
// name, its text as its value.
class BoxAccessible : public QAccessibleWidget {
public:
    explicit BoxAccessible(TextBoxWidget* box) : QAccessibleWidget(box, QAccessible::EditableText)
    {
    }
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
        return s;
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

bool TextBoxWidget::takesDrop(const QMimeData* data)
{
    // A dragged file is for the window to open, not a text for the box.
    return data->hasText() && !data->hasUrls();
}

QColor TextBoxWidget::colourOf(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QPalette TextBoxWidget::withColours(QPalette colours, quint32 fore, quint32 back)
{
    colours.setColor(QPalette::Text, colourOf(fore));
    colours.setColor(QPalette::Base, colourOf(back));
    return colours;
}

TextBoxWidget::TextBoxWidget(const TextBox& design, double lineHeight, QWidget* parent)
    : QWidget(parent), multiLine_(design.MultiLine), centered_(design.Centered),
      locked_(design.Locked), lineHeight_(lineHeight)
{
    static const bool accessible = [] {
        QAccessible::installFactory(boxAccessible);
        return true;
    }();
    Q_UNUSED(accessible);

    setGeometry(toPixels(design.Left), toPixels(design.Top), toPixels(design.Width),
                toPixels(design.Height));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(!locked_);
    // Every box's text can be selected, so over the text the pointer is the
    // text pointer; over the border it is the window's. Hover moves tell
    // which.
    setMouseTracking(true);
    setCursor(Qt::IBeamCursor);

    // The colours in one go; the text and its size come with the mirror.
    QPalette colours = withColours(palette(), design.ForeColor, design.BackColor);
    colours.setColor(QPalette::WindowText, BorderColour);
    setPalette(colours);
    shown_ = design;
    shown_.Text.clear();
    shown_.FontSize = -1;
    mirror(design);
}

TextBoxWidget::~TextBoxWidget() = default;

QFont TextBoxWidget::faceAt(double points)
{
    // A handful of sizes is ever asked for. Handing out the same font object
    // each time keeps its resolved face, so a new size costs no font look-up.
    static std::map<double, QFont> known;
    const auto found = known.find(points);
    if (found != known.end())
        return found->second;

    static const QString intended = QStringLiteral("HG創英角ｺﾞｼｯｸUB");
    // Looked up in the list of installed families: asking for the family by
    // name would have fontconfig work out aliases for a face that is
    // usually missing, which costs more than a third of the start-up.
    static const bool haveIntended = QFontDatabase::families().contains(intended);
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

qreal TextBoxWidget::lineSpacing(double points) const
{
    const double em = points * logicalDpiY() / 72.0;
    return em * lineHeight_;
}

QTextEdit* TextBoxWidget::editor() const
{
    return editor_;
}

QTextEdit* TextBoxWidget::edit()
{
    if (!editor_) {
        editor_ = new BoxEditor(*this, anchor_, caret_);
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
    setFocusPolicy(Qt::StrongFocus);
    editor_->hide();
    editor_->deleteLater();
    editor_ = nullptr;
    update();
}

void TextBoxWidget::editorEdited(const QString& formText)
{
    shown_.Text = formText;
    layout_.reset();
    emit edited();
}

void TextBoxWidget::editorLostFocus()
{
    releaseEditorIfIdle();
}

void TextBoxWidget::mirror(const TextBox& state)
{
    if (editor_)
        editor_->mirror(state);
    const bool newText = state.Text != shown_.Text;
    const bool newSize = state.FontSize != shown_.FontSize;
    const bool newColours =
        state.ForeColor != shown_.ForeColor || state.BackColor != shown_.BackColor;
    if (newSize)
        setFont(faceAt(state.FontSize));
    if (newColours)
        setPalette(withColours(palette(), state.ForeColor, state.BackColor));
    shown_ = state;
    if (newText) {
        // A new text keeps the caret where it was, as far as the text reaches.
        const int end = int(toPlainText().size());
        caret_ = anchor_ = std::min(caret_, end);
        if (QAccessible::isActive()) {
            QAccessibleValueChangeEvent changed(this, toPlainText());
            QAccessible::updateAccessibility(&changed);
        }
        if (editor_)
            releaseEditorIfIdle();
    }
    if (newText || newSize)
        layout_.reset();
    if (!editor_ && (newText || newSize || newColours))
        update();
}

// What a box's text looks like laid out: one layout a block. Boxes that show
// the same text at the same size and width (the 81 cells at start-up, the
// digits of a solved board) share one.
struct TextBoxWidget::LayoutKey {
    QString text;
    double points;
    int width;
    int height;
    double lineHeight;
    bool multiLine;
    bool centered;
    bool operator==(const LayoutKey&) const = default;
};
namespace {

using LayoutKey = TextBoxWidget::LayoutKey;

struct LayoutKeyHash {
    size_t operator()(const LayoutKey& key) const
    {
        return qHashMulti(0, key.text, key.points, key.width, key.height, key.lineHeight,
                          key.multiLine, key.centered);
    }
};
using LayoutCache =
    std::unordered_map<LayoutKey, std::weak_ptr<const TextBoxWidget::LaidOut>, LayoutKeyHash>;

LayoutCache& layoutCache()
{
    static LayoutCache cache;
    return cache;
}

}  // namespace

TextBoxWidget::LayoutKey TextBoxWidget::layoutKey() const
{
    return {toPlainText(), shown_.FontSize, width(), height(), lineHeight_, multiLine_, centered_};
}

void TextBoxWidget::layOut()
{
    LayoutKey key = layoutKey();
    const QString text = key.text;
    LayoutCache& cache = layoutCache();
    if (const auto found = cache.find(key); found != cache.end()) {
        if ((layout_ = found->second.lock()))
            return;
    }

    // Line for line as the text edit lays its document out: each block (a
    // line of the text) as wide as the inside of the box, lines at the fixed
    // spacing with the baseline at four fifths of the line.
    auto laidOut = std::make_shared<LaidOut>();
    QTextOption option;
    option.setAlignment(centered_ ? Qt::AlignHCenter : Qt::AlignLeft);
    option.setWrapMode(multiLine_ ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    option.setTextDirection(Qt::LeftToRight);
    const qint64 width = fixed(this->width() - 2);
    const qint64 spacing = fixed(lineSpacing(shown_.FontSize));
    const QFont face = font();
    // Lines below the box are never seen; the glyphs of the line just below
    // may still reach up into it.
    const qint64 seen = fixed(height() - 2) + spacing;

    qint64 y = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        // Where the document starts a new block; a line separator (U+2028)
        // breaks the line within its block.
        if (i < text.size() && (!isLineBreak(text[i]) || text[i] == QChar::LineSeparator))
            continue;
        if (y >= seen) {
            laidOut->taller = true;
            break;
        }
        auto block = std::make_unique<QTextLayout>(text.mid(start, i - start), face);
        block->setTextOption(option);
        block->setCacheEnabled(true);
        const qint64 top = y;
        block->beginLayout();
        QTextOption blockOption = option;
        for (;;) {
            if (y >= seen) {
                laidOut->taller = true;
                break;
            }
            QTextLine line = block->createLine();
            if (!line.isValid())
                break;
            line.setLeadingIncluded(true);
            line.setLineWidth(real(width));
            if (fixed(line.naturalTextWidth()) > width) {
                // A line wider than the box (a run of Thai, say) gets its own
                // width, broken anywhere; the rest of the block then breaks
                // at words only, as in the text edit.
                if (multiLine_) {
                    blockOption.setWrapMode(QTextOption::WrapAnywhere);
                    block->setTextOption(blockOption);
                }
                line.setLineWidth(std::max(line.naturalTextWidth(), real(width)));
                if (multiLine_) {
                    blockOption.setWrapMode(QTextOption::WordWrap);
                    block->setTextOption(blockOption);
                }
            }
            const qint64 adjustment =
                fixed(line.ascent() + std::max<qreal>(line.leading(), 0)) - (spacing * 4) / 5;
            line.setPosition(QPointF(0, real(y - top - adjustment)));
            y += spacing;
        }
        block->endLayout();
        block->setPosition(QPointF(0, real(top)));
        laidOut->blocks.push_back(std::move(block));
        start = i + 1;
    }

    // Layouts no box shows any more are let go of now and then.
    if (cache.size() > 256)
        std::erase_if(cache, [](const auto& entry) { return entry.second.expired(); });
    laidOut->taller = laidOut->taller || y > fixed(height() - 2);
    cache[std::move(key)] = laidOut;
    layout_ = std::move(laidOut);
}

namespace {

// What a box looks like, by everything its look depends on: its layout, its
// colours and the scale it is painted at. Boxes that look alike (the 81 cells
// at start-up, the digits of a solved board) are drawn once and copied.
struct PictureKey {
    LayoutKey layout;
    QRgb fore;
    QRgb back;
    qreal scale;
    bool operator==(const PictureKey&) const = default;
};
struct PictureKeyHash {
    size_t operator()(const PictureKey& key) const
    {
        return qHashMulti(LayoutKeyHash()(key.layout), key.fore, key.back, key.scale);
    }
};

std::unordered_map<PictureKey, QImage, PictureKeyHash>& pictures()
{
    static std::unordered_map<PictureKey, QImage, PictureKeyHash> cache;
    return cache;
}

}  // namespace

void TextBoxWidget::paintEvent(QPaintEvent*)
{
    if (editor_)
        return;  // it covers the box
    QPainter painter(this);
    // The scale of what is painted on: the screen, or an image of the window.
    const qreal scale = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    PictureKey key{layoutKey(), palette().color(QPalette::Text).rgb(),
                   palette().color(QPalette::Base).rgb(), scale};
    auto& cache = pictures();
    auto found = cache.find(key);
    if (found == cache.end()) {
        QImage picture(size() * scale, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::transparent);
        drawBox(picture);
        if (cache.size() >= 256)
            cache.clear();
        found = cache.emplace(std::move(key), std::move(picture)).first;
    }
    painter.drawImage(0, 0, found->second);
}

void TextBoxWidget::drawBox(QPaintDevice& device)
{
    QPainter painter(&device);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    // The border as a text edit's plain one-pixel frame draws it (a line of
    // one device pixel, at any scale), then the inside over it, as its
    // viewport paints.
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
    painter.fillRect(inside, palette().color(QPalette::Base));
    if (!layout_)
        layOut();
    painter.setClipRect(inside);
    painter.setPen(palette().color(QPalette::Text));
    for (const auto& block : layout_->blocks)
        block->draw(&painter, inside.topLeft());
}

void TextBoxWidget::focusInEvent(QFocusEvent* event)
{
    // The editor comes once what is waiting (the first paint of the window,
    // say) is done; a key or a click before then takes it up at once.
    // A read-only box takes one up only for a key or a gesture that needs it.
    focusReason_ = event->reason();
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

void TextBoxWidget::notePress(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                              QPointF position)
{
    lastPressed_ = this;
    down_.setFlag(button);
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
                       rect().adjusted(1, 1, -1, -1).contains(position.toPoint());
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
        editor->take(&mapped);
        break;
    }
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        QWheelEvent mapped(wheel->position() - offset, wheel->globalPosition(), wheel->pixelDelta(),
                           wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                           wheel->phase(), wheel->inverted(), wheel->source(),
                           wheel->pointingDevice());
        editor->take(&mapped);
        event->setAccepted(mapped.isAccepted());
        break;
    }
    case QEvent::ContextMenu: {
        auto* menu = static_cast<QContextMenuEvent*>(event);
        QContextMenuEvent mapped(menu->reason(), menu->pos() - offset, menu->globalPos(),
                                 menu->modifiers());
        editor->take(&mapped);
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
        editor->take(mapped.get());
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
        editor->take(&mapped);
        event->setAccepted(mapped.isAccepted());
        break;
    }
    case QEvent::DragLeave:
        editor->take(event);
        break;
    default:
        QCoreApplication::sendEvent(editor, event);
        break;
    }
}

bool TextBoxWidget::onBorder(QPointF position) const
{
    return !rect().adjusted(1, 1, -1, -1).contains(position.toPoint());
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
    if (!layout_)
        layOut();
    if (!layout_->taller) {
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

void TextBoxWidget::forwardKey(QKeyEvent* event)
{
    // A key the editor has had and left alone comes on to the box, its
    // parent, on its way to the window; it is not the editor's again.
    if (editorSaw_ == event) {
        editorSaw_ = nullptr;
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
    if (!takesDrop(event->mimeData())) {
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
