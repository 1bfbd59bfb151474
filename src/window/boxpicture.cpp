#include "boxpicture.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>

#include <QCache>
#include <QFontDatabase>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QTextLine>

#include "boxtext.h"

namespace {

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

// Everything the layout of a box's text depends on.
struct LayoutKey {
    QString text;
    double points;
    qreal dpiY;
    int width;
    int height;
    double lineHeight;
    bool multiLine;
    bool centered;
    bool operator==(const LayoutKey&) const = default;
};
size_t qHash(const LayoutKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.points, key.dpiY, key.width, key.height, key.lineHeight,
                      key.multiLine, key.centered);
}
LayoutKey keyFor(const BoxPicture::Shape& shape, const QString& text, double points)
{
    return {text,
            points,
            shape.dpiY,
            shape.size.width(),
            shape.size.height(),
            shape.lineHeight,
            shape.multiLine,
            shape.centered};
}
struct LayoutKeyHash {
    size_t operator()(const LayoutKey& key) const { return qHash(key); }
};

// The layouts boxes show now. An entry lives as long as a box shows it;
// those no box shows any more are let go of now and then.
using LayoutCache =
    std::unordered_map<LayoutKey, std::weak_ptr<const BoxPicture::LaidOut>, LayoutKeyHash>;
LayoutCache& layoutCache()
{
    static LayoutCache cache;
    return cache;
}
constexpr size_t LayoutsKeptBeyondUse = 256;

// What a box looks like, by everything its look depends on: its layout, its
// colours and the scale it is painted at.
struct PictureKey {
    LayoutKey layout;
    std::array<QRgb, 3> colours;  // text, inside, border
    qreal scale;
    bool operator==(const PictureKey&) const = default;
};
size_t qHash(const PictureKey& key, size_t seed = 0)
{
    return qHashRange(key.colours.begin(), key.colours.end(),
                      qHashMulti(seed, qHash(key.layout), key.scale));
}

// The pictures drawn last: a window's worth of boxes and then some, the
// least recently shown forgotten first.
QCache<PictureKey, QImage>& pictures()
{
    static QCache<PictureKey, QImage> cache(256);
    return cache;
}

}  // namespace

BoxPicture::BoxPicture(const Shape& shape) : shape_(shape) {}

void BoxPicture::setShape(const Shape& shape)
{
    shape_ = shape;
    layout_.reset();
}

void BoxPicture::setText(const QString& shownText)
{
    text_ = shownText;
    layout_.reset();
}

void BoxPicture::setFont(const QFont& font, double points)
{
    font_ = font;
    points_ = points;
    layout_.reset();
}

void BoxPicture::setColours(const QColor& text, const QColor& base, const QColor& border)
{
    textColour_ = text;
    baseColour_ = base;
    borderColour_ = border;
}

QFont BoxPicture::faceAt(double points)
{
    // A handful of sizes is ever asked for. Handing out the same font object
    // each time keeps its resolved face, so a new size costs no font look-up.
    static std::map<double, QFont> known;
    const auto found = known.find(points);
    if (found != known.end())
        return found->second;
    // A window resized by hand asks for a new set of sizes at each step.
    if (known.size() > 64)
        known.clear();

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

qreal BoxPicture::lineSpacing(double points, double lineHeight, qreal dpiY)
{
    const double em = points * dpiY / 72.0;
    return em * lineHeight;
}

QColor BoxPicture::colourOf(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QPalette BoxPicture::withColours(QPalette colours, quint32 fore, quint32 back)
{
    colours.setColor(QPalette::Text, colourOf(fore));
    colours.setColor(QPalette::Base, colourOf(back));
    return colours;
}

const BoxPicture::LaidOut& BoxPicture::laidOut()
{
    if (layout_)
        return *layout_;
    const int boxWidth = shape_.size.width();
    const int boxHeight = shape_.size.height();
    LayoutKey key = keyFor(shape_, text_, points_);
    LayoutCache& cache = layoutCache();
    if (const auto found = cache.find(key); found != cache.end()) {
        if ((layout_ = found->second.lock()))
            return *layout_;
    }

    // Line for line as the text edit lays its document out: each block (a
    // line of the text) as wide as the inside of the box, lines at the fixed
    // spacing with the baseline at four fifths of the line.
    auto laidOut = std::make_shared<LaidOut>();
    QTextOption option;
    option.setAlignment(shape_.centered ? Qt::AlignHCenter : Qt::AlignLeft);
    option.setWrapMode(shape_.multiLine ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                        : QTextOption::NoWrap);
    option.setTextDirection(Qt::LeftToRight);
    const qint64 width = fixed(boxWidth - 2);
    const qint64 spacing = fixed(lineSlot());
    // Lines below the box are never seen; the glyphs of the line just below
    // may still reach up into it.
    const qint64 seen = fixed(boxHeight - 2) + spacing;

    qint64 y = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text_.size(); ++i) {
        // Where the document starts a new block; a line separator (U+2028)
        // breaks the line within its block.
        if (i < text_.size() &&
            (!boxtext::isLineBreak(text_[i]) || text_[i] == QChar::LineSeparator))
            continue;
        if (y >= seen) {
            laidOut->taller = true;
            break;
        }
        auto block = std::make_unique<QTextLayout>(text_.mid(start, i - start), font_);
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
                if (shape_.multiLine) {
                    blockOption.setWrapMode(QTextOption::WrapAnywhere);
                    block->setTextOption(blockOption);
                }
                line.setLineWidth(std::max(line.naturalTextWidth(), real(width)));
                if (shape_.multiLine) {
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
        laidOut->starts.push_back(start);
        start = i + 1;
    }

    if (cache.size() > LayoutsKeptBeyondUse)
        std::erase_if(cache, [](const auto& entry) { return entry.second.expired(); });
    laidOut->taller = laidOut->taller || y > fixed(boxHeight - 2);
    cache[std::move(key)] = laidOut;
    layout_ = std::move(laidOut);
    return *layout_;
}

qreal BoxPicture::lineSlot() const
{
    // As the layout rounds it.
    return real(fixed(lineSpacing(points_, shape_.lineHeight, shape_.dpiY)));
}

bool BoxPicture::taller()
{
    return laidOut().taller;
}

void BoxPicture::paint(QPainter& painter)
{
    // The scale of what is painted on: the screen, or an image of the window.
    const qreal scale = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    PictureKey key{keyFor(shape_, text_, points_),
                   {textColour_.rgb(), baseColour_.rgb(), borderColour_.rgb()},
                   scale};
    QCache<PictureKey, QImage>& cache = pictures();
    const QImage* picture = cache.object(key);
    if (!picture) {
        auto drawn =
            std::make_unique<QImage>(shape_.size * scale, QImage::Format_ARGB32_Premultiplied);
        drawn->setDevicePixelRatio(scale);
        drawn->fill(Qt::transparent);
        QPainter onPicture(drawn.get());
        draw(onPicture);
        onPicture.end();
        picture = drawn.get();
        cache.insert(std::move(key), drawn.release());
    }
    painter.drawImage(0, 0, *picture);
}

void BoxPicture::draw(QPainter& painter)
{
    const QRect in = inside(shape_.size);
    // The border as a text edit's plain one-pixel frame draws it (a line of
    // one device pixel, at any scale), then the inside over it, as its
    // viewport paints.
    painter.setPen(borderColour_);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, shape_.size.width() - 1, shape_.size.height() - 1);
    painter.fillRect(in, baseColour_);
    painter.setClipRect(in);
    painter.setPen(textColour_);
    for (const auto& block : laidOut().blocks)
        block->draw(&painter, in.topLeft());
}

int BoxPicture::offsetAt(QPointF position)
{
    const LaidOut& layout = laidOut();
    const qreal spacing = lineSlot();
    const QPointF at = position - inside(shape_.size).topLeft();
    // The line whose slot the point lies in; above the first line the first,
    // below the last one shown the last.
    int offset = 0;
    for (size_t b = 0; b < layout.blocks.size(); ++b) {
        const QTextLayout& block = *layout.blocks[b];
        const qreal top = block.position().y();
        for (int i = 0; i < block.lineCount(); ++i) {
            const QTextLine line = block.lineAt(i);
            offset = int(layout.starts[b]) + line.xToCursor(at.x());
            if (at.y() < top + (i + 1) * spacing)
                return offset;
        }
    }
    return offset;
}

QRectF BoxPicture::characterRect(int offset)
{
    const LaidOut& layout = laidOut();
    if (offset < 0 || offset >= text_.size())
        return {};
    const qreal spacing = lineSlot();
    const QRect in = inside(shape_.size);
    for (size_t b = layout.blocks.size(); b-- > 0;) {
        if (layout.starts[b] > offset)
            continue;
        const QTextLayout& block = *layout.blocks[b];
        const int at = offset - int(layout.starts[b]);
        const int length = int(block.text().size());
        if (at > length)
            return {};  // in a block below the box
        for (int i = 0; i < block.lineCount(); ++i) {
            const QTextLine line = block.lineAt(i);
            const bool last = i + 1 == block.lineCount();
            if (at >= line.textStart() + line.textLength() && !last)
                continue;
            const qreal top = block.position().y() + i * spacing;
            if (top >= in.height())
                return {};
            // A line break has no width of its own.
            const int end = at == length ? at : block.nextCursorPosition(at);
            const qreal left = line.cursorToX(at);
            const qreal right = line.cursorToX(end);
            return QRectF(QPointF(std::min(left, right), top),
                          QPointF(std::max(left, right), top + spacing))
                .translated(in.topLeft());
        }
        return {};
    }
    return {};
}
