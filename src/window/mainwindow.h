#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QAction>
#include <QMargins>
#include <QPointer>
#include <QWidget>

#include "hintview.h"
#include "korvane.h"
#include "menucommands.h"
#include "messageboxport.h"
#include "textboxwidget.h"

class KeyChords;
class ScreenReaderNews;

// The program's one window: the form and a widget for each of its controls,
// built from the form's control table (layout::controls()). Every gesture on
// a box runs the handler its row names; after each handler, and before each
// message box, the form's state is mirrored into the widgets. The widgets
// are named after their controls ("Text1_40", "Text3", "Text9_1").
//
// The layout is drawn as one picture at a scale. The window starts at the
// layout's own size where that fits its screen, frame and all, and else at
// the largest scale that fits; the user can resize it, and the layout is
// drawn at the largest scale the new size holds, centred. Moving to another
// screen, or a change of the screen's resolution, fits it again as at the
// start.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Korvane& form() { return form_; }
    const Korvane& form() const { return form_; }

    // The port the form's message boxes go through; a test can have them
    // answered without a box (MessageBoxPort::answerWith).
    MessageBoxPort& messagePort() { return port_; }

    // The widget of a control, by the control's name ("Text1_40", "Text3").
    TextBoxWidget* boxNamed(const QString& name) const { return findChild<TextBoxWidget*>(name); }

    // Shows the form's state: each control's text, font size and colours,
    // touching only the widgets whose state changed.
    void mirror();

    // Runs `handler` on the form as a user action: never inside another
    // one (a message box runs an event loop of its own), then shows what it
    // changed. Every gesture, command and typed text goes through here.
    void act(const std::function<void()>& handler);
    // True while an action runs.
    bool busy() const { return running_; }

    // Opens a puzzle file from elsewhere, as the form's OpenPuzzleFile does;
    // a relative path is taken from the current folder now.
    void openPuzzleFile(const QString& fileName);

    // Offers the board kept from an earlier run, with its history, as the
    // form's OfferKeptBoard does, and shows what the answer made of the form.
    void offerKeptBoard(const FormState& kept, const KeptHistory& keptHistory = {});
    // Runs after every user action has changed the form and the widgets show
    // it: where the program keeps the board as the user works.
    void setAfterAction(std::function<void()> afterAction)
    {
        afterAction_ = std::move(afterAction);
    }

    // The commands of each cell's menu and their keys (menucommands.h).
    MenuCommands& commands() { return *commands_; }
    using FileChooser = MenuCommands::FileChooser;
    void setFileChooser(FileChooser chooser) { commands_->setFileChooser(std::move(chooser)); }
    void setSaveChooser(FileChooser chooser) { commands_->setSaveChooser(std::move(chooser)); }
    QAction* pastePuzzleAction() const { return commands_->pastePuzzle(); }
    QAction* copyPuzzleAction() const { return commands_->copyPuzzle(); }
    QAction* copyCandidatesAction() const { return commands_->copyCandidates(); }
    QAction* savePuzzleAction() const { return commands_->savePuzzle(); }

    // ヒント (Ctrl+H, and each cell's menu). Pressed once: the message line
    // names the easiest next step, and the cells it uses and changes are
    // marked over the board. Again: its explanation beside the window. A
    // third time: the step is made. Any other action ends the hint.
    void hint();
    // 間違いを探す: the form names the first wrong cell on the message line,
    // and it is framed over the board as a hint's cells are, until the next
    // action.
    void findMistake();
    QAction* hintAction() const { return commands_->hint(); }
    // The scale the layout is drawn at now.
    double scale() const { return scale_; }
    // Fits the window to its screen, as at the start: the layout's own size
    // where it fits, else the largest that does, and moved onto the screen.
    void fitToScreen();

    // 0 no hint on show, 1 marked, 2 explained.
    int hintStage() const { return int(hint_->stage()); }
    HintMarks* hintMarks() const { return hint_->marks(); }
    HintPanel* hintPanel() const { return hint_->panel(); }

protected:
    // One local file dropped anywhere on the window is opened; the text
    // boxes leave such drags to the window. Anything else is refused here.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Alt and an arrow key move the keyboard to the next cell that way;
    // Shift+F10 opens the focused box's menu, as the Menu key does.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    // The window on the screen: its frame is known from then on.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // With `step` false the change waits to go into the history with the
    // next action: what is typed, before the key's handler runs.
    template <typename Handler> void run(Handler&& handler, bool step = true);
    // Connects a box's gestures to the handlers of its row.
    void route(TextBoxWidget* box, const layout::Control& control, int index);
    // The cell a widget belongs to (the cell's box or its editor), or -1.
    int cellOf(const QWidget* widget) const;
    // Draws the layout at the scale the window's size holds, and at the
    // screen's resolution.
    void layOut();
    // The window frame's margins: the window manager's once it has framed
    // the window, a likely guess before.
    QMargins frameGuess() const;
    // After the window manager has framed or moved the window: fitted again
    // while its frame was only guessed, kept on the screen, the hint beside.
    void placed();
    // The window moved or changed size: the hint follows, and placed() runs
    // once the events of the moment are done.
    void notePlace();
    // Follows the screen the window is on: its changes of size and
    // resolution.
    void watchScreen(QScreen* screen);
    std::array<QRect, 81> cellRects() const;

    MessageBoxPort port_;
    Korvane form_{port_};
    std::vector<TextBox*> states_;       // each box's state in the form,
    std::vector<TextBoxWidget*> boxes_;  // and its widget, in the order of layout::controls()
    bool running_ = false;
    // While true, an action leaves the hint on show: the hint's own.
    bool hinting_ = false;
    std::function<void()> afterAction_;
    KeyChords* chords_ = nullptr;
    std::unique_ptr<ScreenReaderNews> news_;
    MenuCommands* commands_ = nullptr;
    std::unique_ptr<Hint> hint_;
    double scale_ = 1;
    QPoint drawnAt_;        // where the layout's top left corner is drawn
    qreal dpi_ = 96;        // the screen resolution it is drawn for
    QSize fittedSize_;      // the size the last fit gave the window
    QMargins fittedFrame_;  // and the frame it reckoned with
    bool resizedByUser_ = false;
    bool placedPending_ = false;
    bool exposedOnce_ = false;
    QPointer<QScreen> screen_;
    QMetaObject::Connection screenChanged_;
    std::vector<QMetaObject::Connection> screenWatch_;
};
