#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTextEdit>

#include "textbox.h"

class TextBoxWidget;

// The editor a box holds while the user works in it: a text edit that covers
// the box exactly and shows what the box would show, pixel for pixel. It
// types, selects, undoes, pastes, drops and takes input methods, keeps what
// the user enters within the box's bound, and reports the user's gestures
// and edits to its box.
class BoxEditor : public QTextEdit {
    Q_OBJECT

public:
    BoxEditor(TextBoxWidget& box, int anchor, int caret);

    // Shows `state`, touching only what differs from what is shown.
    void mirror(const TextBox& state);
    // The text as the form keeps it: lines joined by "\r\n".
    QString formText() const;

    // The editor's own handling of a mouse, wheel, context-menu or drag
    // event its box received, in the editor's viewport coordinates.
    void take(QEvent* event);

    // True when the editor holds something of the user's besides the text:
    // a selection, undo history, a composition or scrolled text.
    bool holdsUserState() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // How many characters the text about to be inserted may have: what the
    // box lacks of MaxLength once the selection it replaces is gone.
    qsizetype room() const;
    // Typing, kept within the box's bound.
    void typeKey(QKeyEvent* event);
    // The user's last edit, in place: full-width digits the form has turned
    // into ASCII ones become part of that edit, so the caret, the selection
    // and undo are as the user left them.
    bool amendTypedDigits(const QString& formText);
    void showText(const QString& formText, double points);
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

    TextBoxWidget& box_;
    TextBox shown_;  // what the editor shows, as the form would keep it
    bool mirroring_ = false;
    bool composing_ = false;
    bool composedHere_ = false;  // since the box last took the keyboard
    bool taking_ = false;        // handling an event its box received
};
