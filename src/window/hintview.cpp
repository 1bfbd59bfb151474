#include "hintview.h"

#include <algorithm>

#include <QPainter>
#include <QScreen>

#include "boxaccessible.h"
#include "windowfit.h"

namespace {

const QColor CauseColour(0x20, 0x60, 0xFF);
const QColor RemovedColour(0xE0, 0x20, 0x20);
const QColor PlacedColour(0x10, 0xA0, 0x30);

}  // namespace

HintMarks::HintMarks(QWidget* window) : QWidget(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void HintMarks::mark(const nextstep::Step& step, const std::array<QRect, 81>& cellRects,
                     double scale)
{
    step_ = step;
    follow(cellRects, scale);
    raise();
    show();
}

void HintMarks::follow(const std::array<QRect, 81>& cellRects, double scale)
{
    cells_ = cellRects;
    scale_ = scale;
    setGeometry(parentWidget()->rect());
    update();
}

void HintMarks::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont font = painter.font();
    // The notes grow and shrink with the cells, as far as they stay legible.
    font.setPixelSize(std::max(7, qRound(11 * scale_)));
    font.setBold(true);
    painter.setFont(font);
    const auto frame = [&](int cell, const QColor& colour, int inset) {
        painter.setPen(QPen(colour, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cells_[size_t(cell)].adjusted(inset, inset, -inset - 1, -inset - 1));
    };
    for (int cell : step_.cells)
        frame(cell, CauseColour, 1);
    // What each changed cell loses or takes, in its lower right corner.
    std::array<QString, 81> notes;
    std::array<bool, 81> placed{};
    for (const nextstep::Candidate& k : step_.eliminations)
        notes[size_t(k.cell)] += QStringLiteral("−%1").arg(k.digit);
    for (const nextstep::Candidate& k : step_.placements) {
        notes[size_t(k.cell)] += QStringLiteral("=%1").arg(k.digit);
        placed[size_t(k.cell)] = true;
    }
    for (int cell = 0; cell < 81; ++cell) {
        if (notes[size_t(cell)].isEmpty())
            continue;
        const QColor colour = placed[size_t(cell)] ? PlacedColour : RemovedColour;
        frame(cell, colour, 3);
        const QRect corner = cells_[size_t(cell)].adjusted(2, 2, -4, -3);
        const QRect text = painter.fontMetrics().boundingRect(
            corner, Qt::AlignRight | Qt::AlignBottom, notes[size_t(cell)]);
        painter.fillRect(text.adjusted(-1, 0, 1, 0), Qt::white);
        painter.setPen(colour);
        painter.drawText(corner, Qt::AlignRight | Qt::AlignBottom, notes[size_t(cell)]);
    }
}

HintPanel::HintPanel(QWidget* window)
    : QLabel(window, Qt::Tool | Qt::WindowDoesNotAcceptFocus), window_(window)
{
    // Before anything that would make its accessible object.
    makeNotice(this);
    // A screen reader names it by its text, the explanation itself.
    setWindowTitle(QStringLiteral("ヒント"));
    setAccessibleDescription(QStringLiteral("ヒントの説明"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setMargin(10);
    setFixedWidth(280);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void HintPanel::explain(const QString& text)
{
    setText(text);
    adjustSize();
    follow();
    // A reader speaks the panel as it shows, or, already on show, as it is
    // told of its new text.
    if (isVisible()) {
        announce(this, text);
    } else {
        setAccessibleName(text);
        show();
    }
}

void HintPanel::follow()
{
    // Beside the window, so that the board stays in sight: to its right,
    // else its left, else below or above it, and always on its screen.
    const QScreen* screen = window_->screen();
    if (!screen)
        return;
    // The panel's own frame is the window manager's, as the window's is.
    const QRect frame = window_->frameGeometry();
    const QMargins margins(
        window_->geometry().left() - frame.left(), window_->geometry().top() - frame.top(),
        frame.right() - window_->geometry().right(), frame.bottom() - window_->geometry().bottom());
    const QPoint at =
        windowfit::beside(frame, size().grownBy(margins), screen->availableGeometry(), 8);
    // Moved even to where it seems to be: a panel not yet shown has never
    // been placed, and the window manager would place it by its own rule.
    move(at);
}

Hint::Hint(QWidget* window) : marks_(new HintMarks(window)), panel_(new HintPanel(window)) {}

void Hint::found(const nextstep::Outcome& outcome, const nextstep::Board& board,
                 const std::array<QRect, 81>& cellRects, double scale)
{
    if (outcome.contradiction)
        panel_->explain(nextstep::explanation(*outcome.contradiction));
    if (!outcome.step)
        return;
    step_ = outcome.step;
    board_ = board;
    marks_->mark(*step_, cellRects, scale);
    stage_ = Stage::Marked;
}

void Hint::explain()
{
    panel_->explain(nextstep::explanation(*step_, board_));
    stage_ = Stage::Explained;
}

void Hint::relayout(const std::array<QRect, 81>& cellRects, double scale)
{
    marks_->follow(cellRects, scale);
}

void Hint::follow()
{
    if (panel_->isVisible())
        panel_->follow();
}

void Hint::end()
{
    stage_ = Stage::None;
    step_.reset();
    marks_->hide();
    panel_->hide();
}
