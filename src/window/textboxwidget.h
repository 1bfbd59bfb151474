#pragma once

#include <memory>
#include <vector>

#include <QMouseEvent>
#include <QPointer>
#include <QTextLayout>
#include <QWidget>

#include "textbox.h"

class BoxEditor;
class QMimeData;
class QTextEdit;

// One text box of the form on screen. It is built once from the box's
// design-time settings (place, size, alignment, wrapping, read-only) and from
// then on shows whatever run-time state it is handed: text, font size and
// colours. It reports the user's gestures as signals and decides nothing.
//
// The box paints itself: background, a one-pixel border, and its text laid
// out line by line as a text editor lays it out. Only while the user works in
// a box does it hold an editor (a text edit that covers it exactly and looks
// the same): from the moment it takes the keyboard or a mouse gesture until
// it has lost the keyboard and holds nothing of the user's any more (no
// selection, no undo history, no scrolled text). So a window of 101 boxes
// builds, lays out and paints like 101 plain widgets, while the box in use
// types, selects, undoes, pastes and takes input methods as an editor does.
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
// A box the user can type into holds at most MaxLength characters, counted as
// the form counts them (a line break is two). Whatever would make it longer,
// typing, an input-method commit, a paste or a drop, inserts only the part
// that fits, so no clipboard or input method can hand a box more text than it
// lays out within a frame.
class TextBoxWidget : public QWidget {
    Q_OBJECT

public:
    // Lines stand `lineHeight` em apart, the baseline at four fifths of the
    // line. The face's own spacing, about 1.45 em, is more than the boxes were
    // drawn for: the form's intended face is about 1 em tall.
    static constexpr double CaptionLineHeight = 1.2;  // room for kanji
    static constexpr double DigitLineHeight = 1.05;   // three lines of digits in a cell

    static constexpr qsizetype MaxLength = 1000;

    // Everything the layout of a box's text depends on.
    struct LayoutKey;
    // A text laid out as a box shows it: a layout for each block (each part
    // between line breaks), in place, as far down as the box shows.
    struct LaidOut {
        std::vector<std::unique_ptr<QTextLayout>> blocks;
        bool taller = false;  // the text goes on below the box
    };

    explicit TextBoxWidget(const TextBox& design, double lineHeight = CaptionLineHeight,
                           QWidget* parent = nullptr);
    ~TextBoxWidget() override;

    // Shows `state`: text, font size, fore and back colour. Only what differs
    // from the state shown last is touched, so the caret stays where it is in
    // a box the user is typing in.
    void mirror(const TextBox& state);

    // The text as the form keeps it (lines joined by "\r\n"), and as shown
    // (lines joined by "\n").
    QString formText() const { return shown_.Text; }
    QString toPlainText() const { return toWidgetText(shown_.Text); }

    bool isReadOnly() const { return locked_; }
    bool isMultiLine() const { return multiLine_; }
    bool isCentered() const { return centered_; }

    // The editor while the user works in the box, or nullptr.
    QTextEdit* editor() const;
    // The editor, taken up for a gesture that needs one.
    QTextEdit* edit();

    // The face the form's boxes are drawn in, at `points`.
    static QFont faceAt(double points);

    // The form's text ("\r\n" between lines) as a widget shows it ("\n");
    // the editor reads its lines back into the form's text.
    static QString toWidgetText(const QString& formText);

    // The length `text` has once it is in a box, as the form counts it: every
    // line break ("\r\n", "\n", "\r", U+2028, U+2029) two characters.
    static qsizetype formLength(QStringView text);
    // The longest start of `text` that is at most `room` characters long by
    // that count, cut neither inside a line break nor inside a character
    // made of two UTF-16 code units.
    static QString fitted(const QString& text, qsizetype room);

signals:
    void pressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void clicked();
    void keyReleased(int key, Qt::KeyboardModifiers modifiers);
    void inputCommitted();
    void edited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
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
    friend class BoxEditor;

    // The mouse gestures of the box, whether the box or its editor got the
    // event; `position` is in the box's coordinates.
    void notePress(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void noteDoubleClick(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void noteRelease(Qt::MouseButton button, QPointF position);

    // What the editor reports back.
    void editorEdited(const QString& formText);
    void editorLostFocus();
    // Gives the editor up, soon, when it holds nothing of the user's.
    void releaseEditorIfIdle();
    void giveUpIdleEditor();
    // Sends an event the box got to its editor, in the editor's coordinates.
    void forward(QEvent* event);
    void forwardKey(QKeyEvent* event);
    bool onBorder(QPointF position) const;

    LayoutKey layoutKey() const;
    void layOut();
    // Border, background and text, onto `device` (the box's size).
    void drawBox(QPaintDevice& device);
    // The spacing of lines at `points`, in pixels.
    qreal lineSpacing(double points) const;
    // A drag a box takes: plain text, never a file.
    static bool takesDrop(const QMimeData* data);
    static QColor colourOf(quint32 bgr);
    // `colours` with the form's fore and back colour (0xBBGGRR) for the text.
    static QPalette withColours(QPalette colours, quint32 fore, quint32 back);

    TextBox shown_;  // what the box shows, as the form would keep it
    bool multiLine_ = true;
    bool centered_ = false;
    bool locked_ = false;
    double lineHeight_ = CaptionLineHeight;
    // Where the caret was when the editor was given up.
    int anchor_ = 0;
    int caret_ = 0;
    Qt::MouseButtons down_;                      // buttons pressed on this box, not yet released
    std::unique_ptr<QMouseEvent> pendingPress_;  // on a read-only box, no editor yet

    // The text laid out, made when first painted after a change.
    std::shared_ptr<const LaidOut> layout_;

    BoxEditor* editor_ = nullptr;
    bool borderPress_ = false;           // a button went down on the border
    const QEvent* editorSaw_ = nullptr;  // the key event the editor had last
    Qt::FocusReason focusReason_ = Qt::OtherFocusReason;

    // The box that took the last press. A double-click whose first press went
    // to another box is a fresh press for this one.
    static inline QPointer<TextBoxWidget> lastPressed_;
};
