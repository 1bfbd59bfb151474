#include "mainwindow.h"

#include <algorithm>

#include <QApplication>
#include <QDragEnterEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include "boxaccessible.h"
#include "filenames.h"
#include "formevents.h"
#include "keychords.h"
#include "layout.h"
#include "screenreadernews.h"

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
    setFixedSize(layout::ClientSize);
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
                    mouseDown(form_, formevents::buttonCode(button),
                              formevents::shiftState(modifiers),
                              float(at.x() * layout::TwipsPerPixel),
                              float(at.y() * layout::TwipsPerPixel));
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
    const int cell = step != 0 ? cellOf(QApplication::focusWidget()) : -1;
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

std::array<QRect, 81> MainWindow::cellRects() const
{
    std::array<QRect, 81> cells;
    for (int i = 0; i < Korvane::CellCount; ++i)
        cells[size_t(i)] = boxes_[size_t(i)]->geometry();
    return cells;
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
    hint_->found(outcome, form_.HintBoard(), cellRects());
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
    hint_->marks()->mark(framed, cellRects());
}
