#pragma once

#include <functional>

#include <QObject>
#include <QString>

class QAction;
class QKeySequence;
class QMenu;
class QWidget;
class MainWindow;

// The commands each cell's context menu offers besides the text edit's own,
// with the keys that give them anywhere in the window: the clipboard's
// puzzle placed as Data Load places one (Ctrl+Shift+V), the puzzle and the
// candidates copied (Ctrl+Shift+C), the puzzle saved in a file (Ctrl+S), a
// puzzle file opened (Ctrl+O, no menu entry) and ヒント (Ctrl+H); first of
// all 取り消し (Ctrl+Z) and やり直し (Ctrl+Shift+Z, Ctrl+Y), which walk the
// form's history in place of the text edit's own undo, and last 間違いを探す
// (Ctrl+M) and 間違いの前まで戻す (Ctrl+Shift+M), and 難易度を表示 (no key).
// Each runs through the window as any action does.
class MenuCommands : public QObject {
public:
    explicit MenuCommands(MainWindow& window);

    // What Ctrl+O and Ctrl+S ask for the file: by default the platform's
    // dialogs. An empty answer is a cancel.
    using FileChooser = std::function<QString(QWidget* parent, const QString& current)>;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    void setSaveChooser(FileChooser chooser) { chooseSaveFile_ = std::move(chooser); }

    // Puts the commands in a cell's context menu: undo and redo in place of
    // the text edit's own, the rest at its end. Undo and redo are offered
    // there only where the history has a step that way; their keys always
    // work, doing nothing where there is none.
    void addTo(QMenu* menu) const;

    QAction* pastePuzzle() const { return pastePuzzle_; }
    QAction* copyPuzzle() const { return copyPuzzle_; }
    QAction* copyCandidates() const { return copyCandidates_; }
    QAction* savePuzzle() const { return savePuzzle_; }
    QAction* hint() const { return hint_; }
    QAction* undo() const { return undo_; }
    QAction* redo() const { return redo_; }
    QAction* findMistake() const { return findMistake_; }
    QAction* undoToBeforeMistake() const { return undoToBeforeMistake_; }
    QAction* showGrade() const { return showGrade_; }

private:
    QAction* command(const QString& text, const QKeySequence& keys, std::function<void()> run);
    void choosePuzzleFile();
    void savePuzzleFile();

    MainWindow& window_;
    FileChooser chooseFile_;
    FileChooser chooseSaveFile_;
    QAction* pastePuzzle_;
    QAction* copyPuzzle_;
    QAction* copyCandidates_;
    QAction* savePuzzle_;
    QAction* hint_;
    QAction* undo_;
    QAction* redo_;
    QAction* findMistake_;
    QAction* undoToBeforeMistake_;
    QAction* showGrade_;
};
