#pragma once

#include <array>
#include <functional>
#include <vector>

#include <QAction>
#include <QPointer>
#include <QWidget>

#include "hintview.h"
#include "keychords.h"
#include "korvane.h"
#include "messageboxport.h"
#include "textboxwidget.h"

// The program's one window: the form and a widget for each of its controls.
// Every user gesture is handed to the form's handler for it; after each
// handler, and before each message box, the form's state is mirrored into the
// widgets. The widgets are named after their controls ("Text1_40", "Text3",
// "Text9_1"), and a screen reader names them as layout::controls() says.
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

    // What Ctrl+O asks for the puzzle file to open: by default the platform's
    // file dialog. An empty answer is a cancel.
    using FileChooser = std::function<QString(QWidget* parent, const QString& current)>;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // What Ctrl+S asks for the file to save the puzzle in: by default the
    // platform's save dialog. An empty answer is a cancel.
    void setSaveChooser(FileChooser chooser) { chooseSaveFile_ = std::move(chooser); }

    // The puzzle commands each cell's context menu offers, with their keys
    // (which work anywhere in the window): the clipboard's puzzle placed as
    // Data Load places one, the puzzle and the candidates copied, the puzzle
    // saved in a file.
    QAction* pastePuzzleAction() const { return pastePuzzle_; }
    QAction* copyPuzzleAction() const { return copyPuzzle_; }
    QAction* copyCandidatesAction() const { return copyCandidates_; }
    QAction* savePuzzleAction() const { return savePuzzle_; }

    // ヒント (Ctrl+H, and each cell's menu). Pressed once: the message line
    // names the easiest next step, and the cells it uses and changes are
    // marked over the board. Again: its explanation beside the window. A
    // third time: the step is made, each changed cell as a typed edit. Any
    // other action ends the hint.
    QAction* hintAction() const { return hint_; }
    // 0 no hint on show, 1 marked, 2 explained.
    int hintStage() const { return hintStage_; }
    HintMarks* hintMarks() const { return hintMarks_; }
    HintPanel* hintPanel() const { return hintPanel_; }

protected:
    // One local file dropped anywhere on the window is opened; the text
    // boxes leave such drags to the window. Anything else is refused here.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Alt and an arrow key move the keyboard to the next cell that way.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The cell a widget belongs to (the cell's box or its editor), or -1.
    int cellOf(const QWidget* widget) const;
    // The widget of the control named `name`.
    TextBoxWidget* widgetOf(QStringView name) const;
    // Runs `handler` on the form, then shows what it changed; never inside
    // another handler.
    template <typename Handler> void run(Handler&& handler);
    // `clicked` of the control named `name` runs `handler`.
    template <typename Handler> void onClick(QStringView name, Handler handler);
    void choosePuzzleFile();
    void makePuzzleCommands();
    QAction* puzzleCommand(const QString& text, const QKeySequence& keys,
                           std::function<void()> command);
    void savePuzzleFile();
    void hint();
    void endHint();
    // What a screen reader hears of the state the captions and colours show:
    // the two-state buttons' checked state, each cell's meaning.
    void describeState();
    // Has a screen reader told what an action changed that it would not
    // hear of otherwise.
    void tellWhatChanged();
    // The box that has the keyboard, or nullptr; and noting it and its name
    // as a screen reader last heard them.
    TextBoxWidget* focusedBox() const;
    void noteFocus();

    struct Shown {
        TextBox* box;
        TextBoxWidget* widget;
    };

    MessageBoxPort port_;
    Korvane form_{port_};
    std::vector<Shown> boxes_;                                 // in the order of layout::controls()
    std::array<quint32, Korvane::CellCount> describedColour_;  // each cell's, as last said
    bool running_ = false;
    FileChooser chooseFile_;
    FileChooser chooseSaveFile_;
    std::function<void()> afterAction_;
    QAction* pastePuzzle_ = nullptr;
    QAction* copyPuzzle_ = nullptr;
    QAction* copyCandidates_ = nullptr;
    QAction* savePuzzle_ = nullptr;
    // Which key releases are typing in a cell.
    KeyChords* chords_ = nullptr;
    // The notice a screen reader hears the message line through, and the
    // message it last heard.
    QWidget* messageNotice_ = nullptr;
    QString announced_;
    // The box that had the keyboard at the last action, and its name then.
    QPointer<TextBoxWidget> heardBox_;
    QString heardName_;
    QAction* hint_ = nullptr;
    HintMarks* hintMarks_ = nullptr;
    HintPanel* hintPanel_ = nullptr;
    int hintStage_ = 0;
    std::optional<nextstep::Step> hintStep_;
    nextstep::Board hintBoard_;
    // While true, an action leaves the hint on show: the hint's own.
    bool hinting_ = false;
};
