#pragma once

#include <memory>
#include <vector>

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTextLayout>

class QPainter;

// What a box looks like: its text laid out as a text editor lays it out,
// drawn with a one-pixel border on its background, and where in that text a
// point lies. The picture knows nothing of events or of the form: its box
// hands it the text it shows, the font and the colours.
//
// Boxes that show the same thing share it: a layout is made once for every
// box that shows the same text at the same size (the 81 cells at start-up,
// the digits of a solved board), and a picture is drawn once for every box
// that looks the same.
class BoxPicture {
public:
    // Lines stand `lineHeight` em apart, the baseline at four fifths of the
    // line. The face's own spacing, about 1.45 em, is more than the boxes were
    // drawn for: the form's intended face is about 1 em tall.
    static constexpr double CaptionLineHeight = 1.2;  // room for kanji
    static constexpr double DigitLineHeight = 1.05;   // three lines of digits in a cell

    // What a box is built with and keeps: its size in pixels, how it sets
    // its text, and the resolution of the screen it is built for.
    struct Shape {
        QSize size;
        bool multiLine = true;
        bool centered = false;
        double lineHeight = CaptionLineHeight;
        qreal dpiY = 96;
    };

    // A text laid out as a box shows it: a layout for each block (each part
    // between line breaks), in place, as far down as the box shows.
    struct LaidOut {
        std::vector<std::unique_ptr<QTextLayout>> blocks;
        std::vector<qsizetype> starts;  // where each block starts in the text
        bool taller = false;            // the text goes on below the box
    };

    explicit BoxPicture(const Shape& shape);

    // What the box shows: its text as shown ("\n" between lines), its font
    // (the face at `points`), its colours. A new text or font drops the
    // layout.
    void setText(const QString& shownText);
    void setFont(const QFont& font, double points);
    void setColours(const QColor& text, const QColor& base, const QColor& border);

    const QString& text() const { return text_; }
    const Shape& shape() const { return shape_; }
    // A new shape (the box drawn at another scale, or on a screen of another
    // resolution) drops the layout.
    void setShape(const Shape& shape);

    // True when the text goes on below the box, which then scrolls.
    bool taller();

    // Draws the box onto `painter`, whose device is the box's size at the
    // painter's own scale.
    void paint(QPainter& painter);

    // Hit-testing in the box's coordinates, offsets counted in the text as
    // shown. The offset nearest to `position`; and the rectangle of the
    // character at `offset`, or an empty one where the box does not show it
    // (below the box, or past the end of the text).
    int offsetAt(QPointF position);
    QRectF characterRect(int offset);

    // The face the form's boxes are drawn in, at `points`.
    static QFont faceAt(double points);
    // The spacing of lines at `points` on a screen of `dpiY`, in pixels.
    static qreal lineSpacing(double points, double lineHeight, qreal dpiY);
    // A form colour (0xBBGGRR) on screen.
    static QColor colourOf(quint32 bgr);
    // `colours` with the form's fore and back colour for the text.
    static QPalette withColours(QPalette colours, quint32 fore, quint32 back);

    // The inside of a box of `size`: all but its border.
    static QRect inside(QSize size) { return QRect(QPoint(1, 1), size - QSize(2, 2)); }

private:
    const LaidOut& laidOut();
    void draw(QPainter& painter);
    // The height of the slot each line of the text stands in.
    qreal lineSlot() const;

    Shape shape_;
    QString text_;
    QFont font_;
    double points_ = -1;
    QColor textColour_;
    QColor baseColour_;
    QColor borderColour_;
    // Made when first needed after a change of text or font; shared with
    // every box that shows the same.
    std::shared_ptr<const LaidOut> layout_;
};
