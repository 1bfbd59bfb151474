#include "mainwindow.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QShortcut>

#include "boxaccessible.h"
#include "boxtext.h"
#include "filenames.h"
#include "formevents.h"
#include "keychords.h"
#include "layout.h"

namespace {

// The one local file a drag carries, its name's bytes kept, or an empty
// string.
QString droppedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.first().isLocalFile() ? filenames::fromLocalUrl(urls.first())
                                                          : QString();
}

const QString PuzzleFilter =
    QStringLiteral("問題ファイル (*.txt *.sdk *.ss);;すべてのファイル (*)");

QString fileDialog(QWidget* parent, const QString& current)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("問題ファイルを開く"),
                                        QFileInfo(current).absolutePath(), PuzzleFilter);
}

QString saveDialog(QWidget* parent, const QString& current)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("問題を保存"),
                                        QFileInfo(current).absoluteFilePath(), PuzzleFilter);
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
    chooseFile_ = fileDialog;
    chooseSaveFile_ = saveDialog;
    connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this,
            &MainWindow::choosePuzzleFile);
    makePuzzleCommands();
    hint_ = new QAction(QStringLiteral("ヒント"), this);
    hint_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    addAction(hint_);
    connect(hint_, &QAction::triggered, this, &MainWindow::hint);

    installBoxAccessibility();
    describedColour_.fill(~quint32(0));
    chords_ = new KeyChords([this](const QWidget* widget) { return cellOf(widget); }, this);

    // Created in the order of the form's controls, later boxes lie over
    // earlier ones where they overlap: each cell over its left and upper
    // neighbour, each digit button over the one above.
    for (int index = 0; index < layout::ControlCount; ++index) {
        const layout::Control& control = layout::controls()[index];
        TextBox& box = layout::control(form_, index);
        const bool cell = index < Korvane::CellCount;
        auto* widget = new TextBoxWidget(
            box, cell ? BoxPicture::DigitLineHeight : BoxPicture::CaptionLineHeight, this);
        widget->setObjectName(control.name);
        widget->setControl(&control);
        widget->setAccessibleDescription(control.description);
        // Every control but the message line reacts to clicks.
        widget->setPressable(control.role != layout::Role::MessageLine);
        // What the user types reaches the form as any gesture does.
        connect(widget, &TextBoxWidget::edited, this,
                [this, &box, widget] { run([&] { box.Text = widget->formText(); }); });
        boxes_.push_back({&box, widget});
    }

    for (int i = 0; i < Korvane::CellCount; ++i) {
        TextBoxWidget* cell = boxes_[i].widget;
        connect(cell, &TextBoxWidget::clicked, this,
                [this, i] { run([&] { form_.Text1_click(i); }); });
        connect(cell, &TextBoxWidget::keyReleased, this,
                [this, i](int key, Qt::KeyboardModifiers modifiers) {
                    if (!chords_->releaseIsTyping(i))
                        return;
                    run([&] {
                        form_.Text1_KeyUp(i, formevents::keyCode(key, modifiers),
                                          formevents::shiftState(modifiers));
                    });
                });
        // Queued: an input method may still be busy with its commit when the
        // handler opens a message box, and would hand the box's focus change
        // the same text a second time.
        connect(
            cell, &TextBoxWidget::inputCommitted, this,
            [this, i] { run([&] { form_.Text1_KeyUp(i, formevents::InputMethodKey, 0); }); },
            Qt::QueuedConnection);
        connect(cell, &TextBoxWidget::menuOpening, this, [this](QMenu* menu) {
            menu->addSeparator();
            menu->addActions({pastePuzzle_, copyPuzzle_, copyCandidates_});
            menu->addSeparator();
            menu->addAction(savePuzzle_);
            menu->addSeparator();
            menu->addAction(hint_);
        });
    }
    for (int i = 0; i < int(form_.Text2.size()); ++i)
        onClick(QStringLiteral("Text2_%1").arg(i), [this, i] { form_.Text2_click(i); });
    onClick(u"Text4", [this] { form_.Text4_click(); });
    onClick(u"Text5", [this] { form_.Text5_Click(); });
    onClick(u"Text6", [this] { form_.Text6_Click(); });
    connect(widgetOf(u"Text7"), &TextBoxWidget::pressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at) {
                run([&] {
                    form_.Text7_MouseDown(formevents::buttonCode(button),
                                          formevents::shiftState(modifiers),
                                          float(at.x() * layout::TwipsPerPixel),
                                          float(at.y() * layout::TwipsPerPixel));
                });
            });
    onClick(u"Text7", [this] { form_.Text7_Click(); });
    onClick(u"Text8", [this] { form_.Text8_Click(); });
    for (int i = 0; i < int(form_.Text9.size()); ++i)
        onClick(QStringLiteral("Text9_%1").arg(i), [this, i] { form_.Text9_click(i); });
    onClick(u"Text10", [this] { form_.Text10_click(); });

    std::vector<Shown> byTabIndex = boxes_;
    std::stable_sort(byTabIndex.begin(), byTabIndex.end(), [](const Shown& a, const Shown& b) {
        return a.box->TabIndex < b.box->TabIndex;
    });
    for (size_t i = 1; i < byTabIndex.size(); ++i)
        QWidget::setTabOrder(byTabIndex[i - 1].widget, byTabIndex[i].widget);
    // Tells a screen reader each new message of the message line.
    messageNotice_ = new QWidget(this);
    messageNotice_->setGeometry(0, 0, 0, 0);
    makeNotice(messageNotice_);
    announced_ = form_.Text3.Text;
    describeState();
    // Over every box, and beside the window.
    hintMarks_ = new HintMarks(this);
    hintPanel_ = new HintPanel(this);
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

MainWindow::~MainWindow()
{
    // A box that outlives the window must not call back into it.
    port_.setBeforeOpen({});
}

TextBoxWidget* MainWindow::widgetOf(QStringView name) const
{
    return boxes_[size_t(layout::indexOf(name))].widget;
}

template <typename Handler> void MainWindow::onClick(QStringView name, Handler handler)
{
    connect(widgetOf(name), &TextBoxWidget::clicked, this, [this, handler] { run(handler); });
}

void MainWindow::mirror()
{
    for (const Shown& shown : boxes_)
        shown.widget->mirror(*shown.box);
    describeState();
}

TextBoxWidget* MainWindow::focusedBox() const
{
    for (const Shown& shown : boxes_) {
        if (shown.widget->hasKeyboard())
            return shown.widget;
    }
    return nullptr;
}

void MainWindow::noteFocus()
{
    heardBox_ = focusedBox();
    heardName_ = heardBox_ ? heardBox_->spokenName() : QString();
}

void MainWindow::tellWhatChanged()
{
    // A screen reader hears a new message, and a new name of the control it
    // is on (元に戻す, 斜め問題, a cell just decided): it says the name of
    // the focus as it moves, but not as it changes.
    QStringList news;
    TextBoxWidget* focused = focusedBox();
    const QString name = focused ? focused->spokenName() : QString();
    if (focused && focused == heardBox_ && name != heardName_) {
        const bool cell = focused->control()->role == layout::Role::Cell;
        news << (cell ? name + u' ' + focused->toPlainText() : name);
    }
    noteFocus();
    if (form_.Text3.Text != announced_) {
        announced_ = form_.Text3.Text;
        news << boxtext::shown(announced_);
    }
    if (!news.isEmpty())
        announce(messageNotice_, news.join(u'　'));
}

void MainWindow::describeState()
{
    const int chosen = form_.paletteIndex();
    for (const Shown& shown : boxes_) {
        const layout::Control& control = *shown.widget->control();
        if (control.role == layout::Role::TwoStateButton)
            shown.widget->setChecked(form_.*control.checkedBy == 1);
        else if (control.role == layout::Role::PaletteButton)
            shown.widget->setChecked(control.index == chosen);
    }
    tellWhatChanged();
    for (int i = 0; i < Korvane::CellCount; ++i) {
        const quint32 colour = form_.Text1[i].ForeColor;
        if (colour == describedColour_[i])
            continue;
        describedColour_[i] = colour;
        boxes_[i].widget->setAccessibleDescription(layout::cellDescription(colour));
    }
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
    int cell = -1;
    for (int i = 0; i < Korvane::CellCount && step != 0; ++i) {
        if (boxes_[i].widget->hasKeyboard())
            cell = i;
    }
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
    boxes_[next].widget->takeFocus(Qt::OtherFocusReason);
}

template <typename Handler> void MainWindow::run(Handler&& handler)
{
    // A message box runs an event loop of its own; nothing that reaches the
    // window through it may start a second handler inside the first.
    if (running_)
        return;
    if (!hinting_)
        endHint();
    noteFocus();
    running_ = true;
    handler();
    running_ = false;
    mirror();
    if (afterAction_)
        afterAction_();
}

void MainWindow::offerKeptBoard(const FormState& kept, const KeptHistory& keptHistory)
{
    run([&] { form_.OfferKeptBoard(kept, keptHistory); });
}

void MainWindow::openPuzzleFile(const QString& fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    run([&] { form_.OpenPuzzleFile(path); });
}

void MainWindow::choosePuzzleFile()
{
    // The dialog is not offered for nothing: the form would refuse the file.
    if (running_ || !form_.canOpenPuzzleFile())
        return;
    const QString chosen = chooseFile_(this, form_.puzzleFile);
    if (!chosen.isEmpty())
        openPuzzleFile(chosen);
}

void MainWindow::makePuzzleCommands()
{
    pastePuzzle_ = puzzleCommand(QStringLiteral("問題を貼り付け"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), [this] {
                                     const QString text = QGuiApplication::clipboard()->text();
                                     run([&] { form_.PastePuzzle(text); });
                                 });
    copyPuzzle_ = puzzleCommand(
        QStringLiteral("問題をコピー"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
        [this] { QGuiApplication::clipboard()->setText(form_.PuzzleLine()); });
    copyCandidates_ = puzzleCommand(QStringLiteral("候補をコピー"), QKeySequence(), [this] {
        QGuiApplication::clipboard()->setText(form_.CandidateGrid());
    });
    savePuzzle_ = puzzleCommand(QStringLiteral("問題を保存…"), QKeySequence::Save,
                                [this] { savePuzzleFile(); });
}

QAction* MainWindow::puzzleCommand(const QString& text, const QKeySequence& keys,
                                   std::function<void()> command)
{
    auto* action = new QAction(text, this);
    action->setShortcut(keys);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
        if (running_)
            return;
        command();
    });
    return action;
}

void MainWindow::savePuzzleFile()
{
    const QString chosen = chooseSaveFile_(this, form_.puzzleFile);
    if (chosen.isEmpty())
        return;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    run([&] { form_.SavePuzzleFile(path); });
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
    if (hintStage_ == 1) {
        hintPanel_->explain(nextstep::explanation(*hintStep_, hintBoard_));
        hintStage_ = 2;
        return;
    }
    if (hintStage_ == 2) {
        const nextstep::Step step = *hintStep_;
        run([&] { form_.MakeHintStep(step); });
        return;
    }
    nextstep::Outcome outcome;
    hinting_ = true;
    run([&] { outcome = form_.ShowHint(); });
    hinting_ = false;
    if (outcome.contradiction)
        hintPanel_->explain(nextstep::explanation(*outcome.contradiction));
    if (!outcome.step)
        return;
    hintStep_ = outcome.step;
    hintBoard_ = form_.HintBoard();
    std::array<QRect, 81> cells;
    for (int i = 0; i < Korvane::CellCount; ++i)
        cells[size_t(i)] = boxes_[size_t(i)].widget->geometry();
    hintMarks_->mark(*hintStep_, cells);
    hintStage_ = 1;
}

void MainWindow::endHint()
{
    hintStage_ = 0;
    hintStep_.reset();
    if (hintMarks_)
        hintMarks_->hide();
    if (hintPanel_)
        hintPanel_->hide();
}
