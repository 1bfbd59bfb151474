#pragma once

#include <QElapsedTimer>
#include <QMenu>
#include <QPointer>
#include <QTextEdit>

#include "boxpicture.h"
#include "textbox.h"

// The editor a box holds while the user works in it: a text edit that covers
// the box exactly and shows what the box would show, pixel for pixel. It
// types, selects, undoes, pastes, drops and takes input methods, and keeps
// what the user enters within the box's bound.
//
// It knows nothing of the box that holds it: it is built from the box's
// shape and settings, shown what the box shows through mirror(), and reports
// the user's gestures and edits as signals, with positions in its parent's
// (the box's) coordinates.
class BoxEditor : public QTextEdit {
    Q_OBJECT

public:
    // How the box that holds the editor is set up.
    struct Settings {
        BoxPicture::Shape shape;
        bool readOnly = false;
        QString name;  // its object name; a screen reader hears its box, not it
    };

    // An editor over `parent`, showing `state` with the selection from
    // `anchor` to `caret`.
    BoxEditor(const Settings& settings, const TextBox& state, int anchor, int caret,
              QWidget* parent);

    // Shows `state`, touching only what differs from what is shown. A new
    // text that differs from the shown one only in a part of it is put in
    // in place of that part, so the caret and the selection stay where the
    // user left them; while the user has edits to undo, it joins the last
    // of them, so that undo takes both back together.
    void mirror(const TextBox& state);
    // Covers its box again in a new `shape` (the box drawn at another scale
    // or resolution), showing `state`, the text kept as the user left it.
    void reshape(const BoxPicture::Shape& shape, const TextBox& state);
    // The text as the form keeps it: lines joined by "\r\n".
    QString formText() const;

    // The editor's own handling of a mouse, wheel, context-menu or drag
    // event its box received, in the editor's viewport coordinates. Gestures handled this way are
    // not reported again: the box has seen them.
    void handleForBox(QEvent* event);

    // Puts `text` in place of the selection, or at the caret, as much of it
    // as fits in the box: what a screen reader's edit does. It is the
    // user's edit, raising edited() and joining the undo history.
    void insertBounded(const QString& text);

    // True when the editor holds something of the user's besides the text:
    // a selection, undo history, a composition or scrolled text.
    bool holdsUserState() const;

signals:
    // Mouse gestures that came to the editor itself; see TextBoxWidget.
    void pressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void doubleClicked(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void released(Qt::MouseButton button, QPointF position);
    // A key came up in the editor (auto-repeat left out).
    void keyReleased(int key, Qt::KeyboardModifiers modifiers);
    // The editor left `event` alone: it goes on to the editor's parent next.
    void keyPassedOn(const QKeyEvent* event);
    void inputCommitted();
    // The user changed the text, now `formText`; never raised by mirror().
    void edited(const QString& formText);
    void focusGained();
    void focusLost();
    // The context menu, with the text edit's own entries, is about to open;
    // entries may be added to it.
    void menuOpening(QMenu* menu);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // How many characters the text about to be inserted may have: what the
    // box lacks of its bound once the selection it replaces is gone.
    qsizetype room() const;
    // Typing, kept within the box's bound.
    void typeKey(QKeyEvent* event);
    // Puts in `formText` where it differs from the text shown, in one edit,
    // its lines spaced for `points` (every line, at a new size).
    void replaceChangedPart(const QString& formText, double points, bool newSize);
    // The line spacing for text of `points`, and applying it to every line.
    QTextBlockFormat linesFor(double points) const;
    void fitLines(double points);
    QPointF inBox(QPointF position) const;

    // The last text an input method committed, where and when.
    struct Commit {
        QPointer<const BoxEditor> editor;
        QString text;
        QElapsedTimer at;
    };
    static Commit& lastCommit();
    // A commit that repeats, in this box, what was just committed into
    // another box when the keyboard left it.
    bool strayCommit(const QInputMethodEvent& event) const;

    Settings settings_;
    TextBox shown_;  // what the editor shows, as the form would keep it
    bool mirroring_ = false;
    bool composing_ = false;
    bool composedHere_ = false;  // since the box last took the keyboard
    bool handlingForBox_ = false;
};
