#pragma once

#include <functional>

#include <QEvent>
#include <QHash>
#include <QObject>

class QKeyEvent;
class QWidget;

// Which key releases are typing in a cell. The release of a key is a typed
// edit of a cell only when the key's press went to that same cell and no
// command was given while the key was down: the keys held for a command are
// the command's, not typing. A command is any shortcut (Ctrl+H, Ctrl+S, ...),
// and every key the window gives to moving and pressing: Tab and Shift+Tab,
// Alt with an arrow key, Ctrl+Return, Escape, the Menu key and Shift+F10.
// A key pressed in a menu or a dialog and released in a cell (the Escape
// that closed a menu, the Return that answered a box) is no typing either.
//
// It watches every key event of the application, and decides nothing else.
class KeyChords : public QObject {
public:
    // `cellOf` tells which cell a widget belongs to (the cell's box or its
    // editor), or -1.
    explicit KeyChords(std::function<int(const QWidget*)> cellOf, QObject* parent = nullptr);
    ~KeyChords() override;

    // A command the window gives from the keys now held (its own keys, Alt
    // with an arrow): their releases are the command's.
    void commandGiven();
    // Whether the key release being delivered now, to cell `cell`, is typing
    // there.
    bool releaseIsTyping(int cell) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void press(const QKeyEvent* key, const QWidget* to);
    void release(const QKeyEvent* key, const QWidget* to);

    struct Held {
        int cell = -1;          // where the press went; -1 outside the cells
        bool command = false;   // a command was given while it was down
        bool override = false;  // seen as an override, its press still to come
    };
    // One key event, to know it again when it is seen once more.
    struct Seen {
        const QEvent* event = nullptr;
        QEvent::Type type = QEvent::None;
        quint64 id = 0;
        quint64 timestamp = 0;
        bool is(const QKeyEvent* key) const;
        static Seen of(const QKeyEvent* key);
    };
    std::function<int(const QWidget*)> cellOf_;
    QHash<quint64, Held> held_;
    Seen lastPress_;
    Seen lastRelease_;
    int typedIn_ = -1;  // the cell the last release typed in, or -1
};
