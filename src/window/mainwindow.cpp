#include "mainwindow.h"

#include <algorithm>

#include <QApplication>
#include <QDragEnterEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "boxaccessible.h"
#include "filenames.h"
#include "formevents.h"
#include "keychords.h"
#include "layout.h"
#include "screenreadernews.h"
#include "windowfit.h"

namespace {

// The one local file a drag carries, its name's bytes kept, or an empty
// string.
QString droppedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.first().isLocalFile() ? filenames::fromLocalUrl(urls.first())
                                                          : QString();
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Korvane"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvane-32.png")));
    resize(layout::ClientSize);
    dpi_ = logicalDpiY();
    setMinimumSize(layout::clientSize(windowfit::SmallestScale));
    fittedSize_ = layout::ClientSize;
    // The layout is drawn left to right. Qt's translation for a language
    // written right to left would mirror the boxes' alignment; the window
    // keeps its own direction whatever the locale.
    setLayoutDirection(Qt::LeftToRight);

    port_.setParent(this);
    port_.setBeforeOpen([this] { mirror(); });
    setAcceptDrops(true);
    commands_ = new MenuCommands(*this);

    installBoxAccessibility();
    chords_ = new KeyChords([this](const QWidget* widget) { return cellOf(widget); }, this);

    // Created in the order of the form's controls, later boxes lie over
    // earlier ones where they overlap: each cell over its left and upper
    // neighbour, each digit button over the one above.
    for (int index = 0; index < layout::ControlCount; ++index) {
        const layout::Control& control = layout::controls()[size_t(index)];
        TextBox& state = layout::control(form_, index);
        const bool cell = control.role == layout::Role::Cell;
        auto* box = new TextBoxWidget(
            state, cell ? BoxPicture::DigitLineHeight : BoxPicture::CaptionLineHeight, this);
        box->setObjectName(control.name);
        box->setControl(&control);
        box->setAccessibleDescription(control.description);
        box->setPressable(control.click != nullptr);
        route(box, control, index);
        states_.push_back(&state);
        boxes_.push_back(box);
    }

    std::vector<size_t> byTabIndex(boxes_.size());
    for (size_t i = 0; i < byTabIndex.size(); ++i)
        byTabIndex[i] = i;
    std::stable_sort(byTabIndex.begin(), byTabIndex.end(), [this](size_t a, size_t b) {
        return states_[a]->TabIndex < states_[b]->TabIndex;
    });
    for (size_t i = 1; i < byTabIndex.size(); ++i)
        QWidget::setTabOrder(boxes_[byTabIndex[i - 1]], boxes_[byTabIndex[i]]);
    news_ = std::make_unique<ScreenReaderNews>(this, boxes_, form_);
    news_->tell(form_);
    // Over every box, and beside the window.
    hint_ = std::make_unique<Hint>(this);
    // The keyboard starts on the first cell (its focus frame shows once the
    // window is on the screen).
    boxes_.front()->setFocus(Qt::TabFocusReason);
}

MainWindow::~MainWindow()
{
    // A box that outlives the window must not call back into it.
    port_.setBeforeOpen({});
}

void MainWindow::route(TextBoxWidget* box, const layout::Control& control, int index)
{
    // What the user types reaches the form as any gesture does.
    connect(box, &TextBoxWidget::edited, this,
            [this, box, index] { run([&] { form_.TypeInto(index, box->formText()); }, false); });
    if (const auto click = control.click) {
        const int at = control.index;
        connect(box, &TextBoxWidget::clicked, this,
                [this, click, at] { run([&] { click(form_, at); }); });
    }
    if (const auto mouseDown = control.mouseDown) {
        connect(
            box, &TextBoxWidget::pressed, this,
            [this, mouseDown](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at) {
                run([&] {
                    // In twips of the layout as drawn, whatever the scale.
                    const double twips = layout::TwipsPerPixel / scale_;
                    mouseDown(form_, formevents::buttonCode(button),
                              formevents::shiftState(modifiers), float(at.x() * twips),
                              float(at.y() * twips));
                });
            });
    }
    if (control.role != layout::Role::Cell)
        return;
    const int cell = control.index;
    connect(box, &TextBoxWidget::keyReleased, this,
            [this, cell](int key, Qt::KeyboardModifiers modifiers) {
                if (!chords_->releaseIsTyping(cell))
                    return;
                run([&] {
                    form_.Text1_KeyUp(cell, formevents::keyCode(key, modifiers),
                                      formevents::shiftState(modifiers));
                });
            });
    // Queued: an input method may still be busy with its commit when the
    // handler opens a message box, and would hand the box's focus change the
    // same text a second time.
    connect(
        box, &TextBoxWidget::inputCommitted, this,
        [this, cell] { run([&] { form_.Text1_KeyUp(cell, formevents::InputMethodKey, 0); }); },
        Qt::QueuedConnection);
    connect(box, &TextBoxWidget::menuOpening, this,
            [this](QMenu* menu) { commands_->addTo(menu); });
}

int MainWindow::cellOf(const QWidget* widget) const
{
    for (const QWidget* at = widget; at && at != this; at = at->parentWidget()) {
        if (const auto* box = qobject_cast<const TextBoxWidget*>(at)) {
            const layout::Control* control = box->control();
            return control && control->role == layout::Role::Cell ? control->index : -1;
        }
    }
    return -1;
}

void MainWindow::mirror()
{
    for (size_t i = 0; i < boxes_.size(); ++i)
        boxes_[i]->mirror(*states_[i]);
    if (news_)
        news_->tell(form_);
}

template <typename Handler> void MainWindow::run(Handler&& handler, bool step)
{
    if (running_)
        return;
    if (!hinting_ && hint_)
        hint_->end();
    news_->noteFocus();
    running_ = true;
    handler();
    // Each action is a step of the history, taken back whole by 取り消し.
    if (step)
        form_.EndAction();
    running_ = false;
    mirror();
    if (afterAction_)
        afterAction_();
}

void MainWindow::act(const std::function<void()>& handler)
{
    run(handler);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    QWidget* focus = QApplication::focusWidget();
    if (event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier && focus &&
        isAncestorOf(focus)) {
        // Where the Menu key opens it: at the caret.
        event->accept();
        const QPoint at = focus->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, focus->mapToGlobal(at));
        QCoreApplication::sendEvent(focus, &menu);
        return;
    }
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Right:
        step = 1;
        break;
    case Qt::Key_Up:
        step = -9;
        break;
    case Qt::Key_Down:
        step = 9;
        break;
    default:
        break;
    }
    // The cell that has the keyboard, itself or through its editor.
    const int cell = step != 0 ? cellOf(focus) : -1;
    if (modifiers != Qt::AltModifier || cell < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const int next = cell + step;
    // At the edge of the grid it goes no further.
    const bool sideways = step == 1 || step == -1;
    if (next < 0 || next >= Korvane::CellCount || (sideways && next / 9 != cell / 9))
        return;
    boxes_[size_t(next)]->takeFocus(Qt::OtherFocusReason);
}

void MainWindow::offerKeptBoard(const FormState& kept, const KeptHistory& keptHistory)
{
    run([&] { form_.OfferKeptBoard(kept, keptHistory); });
}

void MainWindow::openPuzzleFile(const QString& fileName)
{
    const QString path = filenames::absolute(fileName);
    run([&] { form_.OpenPuzzleFile(path); });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (droppedFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openPuzzleFile(file);
}

void MainWindow::hint()
{
    if (running_)
        return;
    switch (hint_->stage()) {
    case Hint::Stage::Marked:
        hint_->explain();
        return;
    case Hint::Stage::Explained: {
        const nextstep::Step step = hint_->step();
        run([&] { form_.MakeHintStep(step); });
        return;
    }
    case Hint::Stage::None:
        break;
    }
    nextstep::Outcome outcome;
    hinting_ = true;
    run([&] { outcome = form_.ShowHint(); });
    hinting_ = false;
    hint_->found(outcome, form_.HintBoard(), cellRects(), scale_);
}

std::array<QRect, 81> MainWindow::cellRects() const
{
    std::array<QRect, 81> cells;
    for (int i = 0; i < Korvane::CellCount; ++i)
        cells[size_t(i)] = boxes_[size_t(i)]->geometry();
    return cells;
}

// ---- the window on its screen ----

QMargins MainWindow::frameGuess() const
{
    if (const QWindow* shown = windowHandle(); shown && shown->isExposed()) {
        if (const QMargins frame = shown->frameMargins(); !frame.isNull())
            return frame;
    }
    // Until the window manager has framed the window: a title bar and thin
    // borders, as most of them draw it. Once the frame is known the window
    // is fitted again.
    return QMargins(4, 30, 4, 4);
}

void MainWindow::fitToScreen()
{
    const QScreen* on = screen();
    if (!on)
        return;
    const QRect available = on->availableGeometry();
    const QMargins frame = frameGuess();
    const double scale = windowfit::startScale(layout::ClientSize, frame, available.size());
    // The user may make it smaller, down to half its size, or to what the
    // screen needed at the start where that is less.
    setMinimumSize(layout::clientSize(std::min(windowfit::SmallestScale, scale)));
    fittedSize_ = layout::clientSize(scale);
    fittedFrame_ = frame;
    resizedByUser_ = false;
    resize(fittedSize_);
    layOut();
    if (!isVisible())
        return;  // the window manager places it
    const QPoint at = windowfit::keptInside(QRect(pos(), fittedSize_.grownBy(frame)), available);
    if (at != pos())
        move(at);
}

void MainWindow::layOut()
{
    const double scale = windowfit::scaleFor(layout::ClientSize, size());
    const QSize drawn = layout::clientSize(scale);
    const QPoint offset((width() - drawn.width()) / 2, (height() - drawn.height()) / 2);
    const qreal dpi = logicalDpiY();
    // As it is drawn already (the start, most often): nothing to ask the boxes.
    if (scale == scale_ && offset == drawnAt_ && dpi == dpi_)
        return;
    for (size_t i = 0; i < boxes_.size(); ++i)
        boxes_[i]->place(layout::scaledRect(*states_[i], scale).translated(offset), scale);
    scale_ = scale;
    drawnAt_ = offset;
    dpi_ = dpi;
    hint_->relayout(cellRects(), scale_);
}

void MainWindow::placed()
{
    placedPending_ = false;
    // Fitted with a guessed frame: again, now that the frame is known.
    if (isVisible() && !resizedByUser_ && frameGuess() != fittedFrame_)
        fitToScreen();
    hint_->follow();
}

void MainWindow::watchScreen(QScreen* screen)
{
    for (const QMetaObject::Connection& connection : screenWatch_)
        disconnect(connection);
    screenWatch_.clear();
    screen_ = screen;
    if (!screen)
        return;
    // A new resolution fits the window anew. A new size fits it only where
    // it no longer fits: a panel that comes and goes keeps the user's size.
    const auto resolution = [this] { fitToScreen(); };
    const auto size = [this] {
        if (!screen_ || !screen_->availableGeometry().contains(
                            QRect(pos(), this->size().grownBy(frameGuess()))))
            fitToScreen();
    };
    screenWatch_ = {
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, resolution),
        connect(screen, &QScreen::physicalDotsPerInchChanged, this, resolution),
        connect(screen, &QScreen::geometryChanged, this, size),
        connect(screen, &QScreen::availableGeometryChanged, this, size),
    };
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || screenChanged_)
        return;
    // The first cell's focus frame shows from the start, as after any move
    // of the keyboard, until the mouse is used.
    setAttribute(Qt::WA_KeyboardFocusChange);
    screenChanged_ = connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* to) {
        watchScreen(to);
        fitToScreen();
    });
    watchScreen(screen());
    // The window manager's frame is known once the window is on the screen.
    windowHandle()->installEventFilter(this);
    fitToScreen();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        notePlace();
        // Some window managers tell the frame a moment later.
        if (!exposedOnce_) {
            exposedOnce_ = true;
            QTimer::singleShot(300, this, &MainWindow::placed);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The window system's word for a size the program did not ask for: the
    // user's hand (or a window manager that knows better).
    if (event->spontaneous() && event->size() != fittedSize_)
        resizedByUser_ = true;
    layOut();
    notePlace();
}

void MainWindow::moveEvent(QMoveEvent*)
{
    notePlace();
}

void MainWindow::notePlace()
{
    hint_->follow();
    if (placedPending_)
        return;
    placedPending_ = true;
    QTimer::singleShot(0, this, &MainWindow::placed);
}

void MainWindow::findMistake()
{
    if (running_)
        return;
    int cell = -1;
    run([&] { cell = form_.FindMistake(); });
    if (cell < 0)
        return;
    nextstep::Step framed;
    framed.cells = {cell};
    hint_->marks()->mark(framed, cellRects(), scale_);
}
