#pragma once

#include <QPointer>
#include <QTextEdit>

#include "textbox.h"

// One text box of the form on screen. It is built once from the box's
// design-time settings (place, size, alignment, wrapping, read-only) and from
// then on shows whatever run-time state it is handed: text, font size and
// colours. It reports the user's gestures as signals and decides nothing.
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
class TextBoxWidget : public QTextEdit {
    Q_OBJECT

public:
    // Lines stand `lineHeight` em apart, the baseline at four fifths of the
    // line. The face's own spacing, about 1.45 em, is more than the boxes were
    // drawn for: the form's intended face is about 1 em tall.
    static constexpr double CaptionLineHeight = 1.2;  // room for kanji
    static constexpr double DigitLineHeight = 1.05;   // three lines of digits in a cell

    static constexpr qsizetype MaxLength = 1000;

    explicit TextBoxWidget(const TextBox& design, double lineHeight = CaptionLineHeight,
                           QWidget* parent = nullptr);

    // Shows `state`: text, font size, fore and back colour. Only what differs
    // from the state shown last is touched, so the caret stays where it is in
    // a box the user is typing in.
    void mirror(const TextBox& state);

    // The text as the form keeps it: lines joined by "\r\n".
    QString formText() const;

    // The face the form's boxes are drawn in, at `points`.
    static QFont faceAt(double points);

    // Conversions at the boundary between the form ("\r\n") and the widget.
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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // How many characters the text about to be inserted may have: what the
    // box lacks of MaxLength once the selection it replaces is gone.
    qsizetype room() const;
    // The user's last edit, in place: full-width digits the form has turned
    // into ASCII ones become part of that edit, so the caret, the selection
    // and undo are as the user left them.
    bool amendTypedDigits(const QString& formText);
    void showText(const QString& formText, double points);
    void showColours(quint32 fore, quint32 back);
    // The line spacing for text of `points`, and applying it to every line.
    QTextBlockFormat linesFor(double points) const;
    void fitLines(double points);
    void notePress(const QMouseEvent* event);

    TextBox shown_;  // what the widget shows, as the form would keep it
    bool multiLine_ = true;
    double lineHeight_ = CaptionLineHeight;
    bool mirroring_ = false;
    Qt::MouseButtons down_;  // buttons pressed on this box, not yet released

    // The box that took the last press. A double-click whose first press went
    // to another box is a fresh press for this one.
    static inline QPointer<TextBoxWidget> lastPressed_;
};
