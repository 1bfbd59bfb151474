#include "menucommands.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QShortcut>

#include "dialogplace.h"
#include "filenames.h"
#include "mainwindow.h"

namespace {

const QString PuzzleFilter =
    QStringLiteral("問題ファイル (*.txt *.sdk *.ss);;すべてのファイル (*)");

// The platform's file dialogs, as QFileDialog's own functions open them,
// centred on the window.
QString chosenIn(OverWindow<QFileDialog>& dialog)
{
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString fileDialog(QWidget* parent, const QString& current)
{
    OverWindow<QFileDialog> dialog(parent, QStringLiteral("問題ファイルを開く"),
                                   QFileInfo(current).absolutePath(), PuzzleFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosenIn(dialog);
}

QString saveDialog(QWidget* parent, const QString& current)
{
    OverWindow<QFileDialog> dialog(parent, QStringLiteral("問題を保存"),
                                   QFileInfo(current).absoluteFilePath(), PuzzleFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    return chosenIn(dialog);
}

}  // namespace

MenuCommands::MenuCommands(MainWindow& window)
    : QObject(&window), window_(window), chooseFile_(fileDialog), chooseSaveFile_(saveDialog)
{
    Korvane& form = window.form();
    pastePuzzle_ = command(QStringLiteral("問題を貼り付け"),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), [this, &form] {
                               const QString text = QGuiApplication::clipboard()->text();
                               window_.act([&] { form.PastePuzzle(text); });
                           });
    copyPuzzle_ =
        command(QStringLiteral("問題をコピー"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                [&form] { QGuiApplication::clipboard()->setText(form.PuzzleLine()); });
    copyCandidates_ = command(QStringLiteral("候補をコピー"), QKeySequence(), [&form] {
        QGuiApplication::clipboard()->setText(form.CandidateGrid());
    });
    savePuzzle_ =
        command(QStringLiteral("問題を保存…"), QKeySequence::Save, [this] { savePuzzleFile(); });
    hint_ = command(QStringLiteral("ヒント"), QKeySequence(Qt::CTRL | Qt::Key_H),
                    [this] { window_.hint(); });
    undo_ = command(QStringLiteral("取り消し"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                    [this, &form] { window_.act([&] { form.Undo(); }); });
    redo_ = command(QStringLiteral("やり直し"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                    [this, &form] { window_.act([&] { form.Redo(); }); });
    redo_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    findMistake_ = command(QStringLiteral("間違いを探す"), QKeySequence(Qt::CTRL | Qt::Key_M),
                           [this] { window_.findMistake(); });
    undoToBeforeMistake_ = command(
        QStringLiteral("間違いの前まで戻す"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M),
        [this, &form] { window_.act([&] { form.UndoToBeforeMistake(); }); });
    // A hard puzzle's walk takes a moment (forcing chains, up to a few
    // hundred milliseconds): the cursor says so.
    showGrade_ = command(QStringLiteral("難易度を表示"), QKeySequence(), [this, &form] {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        window_.act([&] { form.ShowGrade(); });
        QGuiApplication::restoreOverrideCursor();
    });
    connect(new QShortcut(QKeySequence::Open, &window), &QShortcut::activated, this,
            &MenuCommands::choosePuzzleFile);
}

QAction* MenuCommands::command(const QString& text, const QKeySequence& keys,
                               std::function<void()> run)
{
    auto* action = new QAction(text, this);
    action->setShortcut(keys);
    window_.addAction(action);
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        // Not from inside another action's message box.
        if (!window_.busy())
            run();
    });
    return action;
}

void MenuCommands::addTo(QMenu* menu) const
{
    // The text edit's undo would take back keys the form has already acted
    // on; the history's takes back the whole action instead.
    QAction* first = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->shortcut() == QKeySequence(QKeySequence::Undo) ||
            action->shortcut() == QKeySequence(QKeySequence::Redo)) {
            menu->removeAction(action);
        } else if (!first) {
            first = action;
        }
    }
    undo_->setEnabled(window_.form().canUndo());
    redo_->setEnabled(window_.form().canRedo());
    // A disabled action takes no key: the keys come back with the menu's
    // close.
    connect(menu, &QMenu::aboutToHide, undo_, [undo = undo_, redo = redo_] {
        undo->setEnabled(true);
        redo->setEnabled(true);
    });
    menu->insertActions(first, {undo_, redo_});
    if (first)
        menu->insertSeparator(first);
    menu->addSeparator();
    menu->addActions({pastePuzzle_, copyPuzzle_, copyCandidates_});
    menu->addSeparator();
    menu->addAction(savePuzzle_);
    menu->addSeparator();
    menu->addAction(hint_);
    menu->addSeparator();
    menu->addActions({findMistake_, undoToBeforeMistake_, showGrade_});
}

void MenuCommands::choosePuzzleFile()
{
    // The dialog is not offered for nothing: the form would refuse the file.
    if (window_.busy() || !window_.form().canOpenPuzzleFile())
        return;
    const QString chosen = chooseFile_(&window_, window_.form().puzzleFile);
    if (!chosen.isEmpty())
        window_.openPuzzleFile(chosen);
}

void MenuCommands::savePuzzleFile()
{
    const QString chosen = chooseSaveFile_(&window_, window_.form().puzzleFile);
    if (chosen.isEmpty())
        return;
    const QString path = filenames::absolute(chosen);
    window_.act([&] { window_.form().SavePuzzleFile(path); });
}
