#include "hintview.h"

#include <QPainter>
#include <QScreen>

#include "boxaccessible.h"

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

void HintMarks::mark(const nextstep::Step& step, const std::array<QRect, 81>& cellRects)
{
    step_ = step;
    cells_ = cellRects;
    setGeometry(parentWidget()->rect());
    raise();
    show();
    update();
}

void HintMarks::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont font = painter.font();
    font.setPixelSize(11);
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
    // To the right of the window where the screen has room, else below it.
    const QRect frame = window_->frameGeometry();
    QPoint at = frame.topRight() + QPoint(8, 0);
    if (const QScreen* screen = window_->screen();
        screen && at.x() + width() > screen->availableGeometry().right())
        at = frame.bottomLeft() + QPoint(0, 8);
    move(at);
    // A reader speaks the panel as it shows, or, already on show, as it is
    // told of its new text.
    if (isVisible()) {
        announce(this, text);
    } else {
        setAccessibleName(text);
        show();
    }
}

Hint::Hint(QWidget* window) : marks_(new HintMarks(window)), panel_(new HintPanel(window)) {}

void Hint::found(const nextstep::Outcome& outcome, const nextstep::Board& board,
                 const std::array<QRect, 81>& cellRects)
{
    if (outcome.contradiction)
        panel_->explain(nextstep::explanation(*outcome.contradiction));
    if (!outcome.step)
        return;
    step_ = outcome.step;
    board_ = board;
    marks_->mark(*step_, cellRects);
    stage_ = Stage::Marked;
}

void Hint::explain()
{
    panel_->explain(nextstep::explanation(*step_, board_));
    stage_ = Stage::Explained;
}

void Hint::end()
{
    stage_ = Stage::None;
    step_.reset();
    marks_->hide();
    panel_->hide();
}
