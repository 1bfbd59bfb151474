#pragma once

#include <memory>
#include <optional>

#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include "boxpicture.h"
#include "layout.h"
#include "textbox.h"

class QMenu;

class BoxEditor;
class QTextEdit;

// One text box of the form on screen. It is built once from the box's
// design-time settings (place, size, alignment, wrapping, read-only) and from
// then on shows whatever run-time state it is handed: text, font size and
// colours. It reports the user's gestures as signals and decides nothing.
//
// The box draws itself through its picture (BoxPicture). Only while the user
// works in a box does it hold an editor (BoxEditor, a text edit that covers
// it exactly and looks the same): from the moment it takes the keyboard or a
// mouse gesture until it has lost the keyboard and holds nothing of the
// user's any more (no selection, no undo history, no scrolled text). So a
// window of 101 boxes builds, lays out and paints like 101 plain widgets,
// while the box in use types, selects, undoes, pastes and takes input
// methods as an editor does.
//
// Gestures, in the terms of the form's events:
// - pressed: a mouse button went down on the box (any button); not raised by
//   the second press of a double-click;
// - clicked: the left button went down and came up again over this box; a
//   double-click is one click;
// - keyReleased: a key came up while the box had the focus (auto-repeat
//   releases are left out, so holding a key gives one release);
// - inputCommitted: an input method put committed text into the box, which
//   raises no key release of its own;
// - edited: the user changed the text (never raised by mirror()).
//
// A box the user can type into holds at most boxtext::MaxLength characters,
// counted as the form counts them. Whatever would make it longer, typing, an
// input-method commit, a paste or a drop, inserts only the part that fits.
class TextBoxWidget : public QWidget {
    Q_OBJECT

public:
    explicit TextBoxWidget(const TextBox& design, double lineHeight = BoxPicture::CaptionLineHeight,
                           QWidget* parent = nullptr);
    ~TextBoxWidget() override;

    // Lays the box out at `scale` (1 the layout as drawn) over `geometry`,
    // its place in the window at that scale: its size, its picture, its text
    // at `scale` times the form's font size, its editor and focus mark. The
    // screen's resolution is read again, for a window on a new screen.
    // Nothing the user holds in the box (text, caret, undo) changes.
    void place(const QRect& geometry, double scale);
    double scale() const { return scale_; }

    // Shows `state`: text, font size, fore and back colour. Only what differs
    // from the state shown last is touched, so the caret stays where it is in
    // a box the user is typing in.
    void mirror(const TextBox& state);

    // The text as the form keeps it (lines joined by "\r\n"), and as shown
    // (lines joined by "\n").
    QString formText() const { return shown_.Text; }
    QString toPlainText() const { return picture_.text(); }

    bool isReadOnly() const { return locked_; }
    bool isMultiLine() const { return picture_.shape().multiLine; }
    bool isCentered() const { return picture_.shape().centered; }

    // What the box looks like while it has no editor, and where its text
    // lies.
    BoxPicture& picture() { return picture_; }

    // The control the box shows, as the form's table has it: what the box
    // is to the user, and what a screen reader calls it. nullptr for a box
    // of no control.
    void setControl(const layout::Control* control) { control_ = control; }
    const layout::Control* control() const { return control_; }
    // What a screen reader calls the box: its control's spoken name (a
    // cell's with what its colour means: "3行5列、確定"), or what it shows,
    // on one line, where the control is named by that.
    QString spokenName() const;

    // What the box is to a screen reader and to the keyboard, besides its
    // text. A pressable box reacts to clicks: Space and Return click it when
    // it takes no typing, Ctrl+Return always, and a screen reader can press
    // it. A two-state box says whether it is on; nullopt for any other.
    void setPressable(bool pressable) { pressable_ = pressable; }
    bool isPressable() const { return pressable_; }
    void setChecked(std::optional<bool> checked);
    std::optional<bool> checked() const { return checked_; }

    // A click as the left mouse button makes it: pressed, then clicked.
    void click();

    // The caret and the selection, in the text as shown: the editor's while
    // there is one, else where the editor left them.
    int cursorPosition() const;
    std::pair<int, int> selection() const;  // anchor, caret
    void setSelection(int anchor, int caret);
    // Replaces the text from `start` to `end` with `text`, as typing would:
    // within the box's bound, heard by the form as any edit is. Nothing
    // changes in a read-only box.
    void replaceText(int start, int end, const QString& text);

    // Gives the keyboard to the box, or to its editor while it has one.
    void takeFocus(Qt::FocusReason reason);
    // True while the box or its editor has the keyboard.
    bool hasKeyboard() const;

    // The editor while the user works in the box, or nullptr.
    QTextEdit* editor() const;
    // The editor, taken up for a gesture that needs one.
    QTextEdit* edit();

signals:
    void pressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void clicked();
    void keyReleased(int key, Qt::KeyboardModifiers modifiers);
    // An input method or a screen reader put text into the box, which raises
    // no key release of its own.
    void inputCommitted();
    void edited();
    // The box's context menu is about to open: see BoxEditor::menuOpening.
    void menuOpening(QMenu* menu);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;

private:
    // The mouse gestures of the box, whether the box or its editor got the
    // event; `position` is in the box's coordinates.
    void notePress(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void noteDoubleClick(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void noteRelease(Qt::MouseButton button, QPointF position);

    void editorEdited(const QString& formText);
    // The box's palette, and its picture's colours: the text, the inside and
    // the border.
    void showColours(const QPalette& colours);
    // Gives the editor up, soon, when it holds nothing of the user's.
    void releaseEditorIfIdle();
    void giveUpIdleEditor();
    // Sends an event the box got to its editor, in the editor's coordinates.
    void forward(QEvent* event);
    void forwardKey(QKeyEvent* event);
    // Whether `event` is a key that clicks this box.
    bool clicksBox(const QKeyEvent* event) const;
    // `state` as the box draws it: at the font size of its scale.
    TextBox atScale(const TextBox& state) const;
    // How the box takes the keyboard while it has no editor: from Tab, unless
    // it is no tab stop, and from clicks.
    Qt::FocusPolicy ownFocusPolicy() const { return tabStop_ ? Qt::StrongFocus : Qt::ClickFocus; }
    // Shows or hides the mark of the keyboard focus.
    void showFocusMark();
    // Tells a screen reader the box's name changed (spokenName()).
    void announceName();
    // Tells a screen reader how the text shown changed, from `before`.
    void announceText(const QString& before);
    bool onBorder(QPointF position) const;

    BoxPicture picture_;
    TextBox shown_;  // what the box shows, as the form would keep it
    bool locked_ = false;
    bool tabStop_ = true;
    double scale_ = 1;
    // Where the caret was when the editor was given up.
    int anchor_ = 0;
    int caret_ = 0;
    Qt::MouseButtons down_;                      // buttons pressed on this box, not yet released
    std::unique_ptr<QMouseEvent> pendingPress_;  // on a read-only box, no editor yet

    BoxEditor* editor_ = nullptr;
    bool borderPress_ = false;  // a button went down on the border
    // The key event the editor last left alone, on its way through the box
    // to the window: not the editor's again.
    const QEvent* keyPassedOn_ = nullptr;
    Qt::FocusReason focusReason_ = Qt::OtherFocusReason;
    const layout::Control* control_ = nullptr;
    bool pressable_ = false;
    std::optional<bool> checked_;
    QWidget* focusMark_ = nullptr;  // drawn over the box, and its editor

    // The box that took the last press. A double-click whose first press went
    // to another box is a fresh press for this one.
    static inline QPointer<TextBoxWidget> lastPressed_;
};
