#include "keychords.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

// A key as it went down and comes up again: by the key on the keyboard
// where the platform says which (a release after Shift came up may name
// another character), else by Qt's key.
quint64 keyId(const QKeyEvent* key)
{
    if (key->nativeScanCode() != 0)
        return (quint64(1) << 32) | key->nativeScanCode();
    return quint32(key->key());
}

// The keys the window moves the focus and presses controls with.
bool movesOrPresses(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Menu:
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return modifiers == Qt::ControlModifier;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return modifiers == Qt::AltModifier;
    case Qt::Key_F10:
        return modifiers == Qt::ShiftModifier;
    default:
        return false;
    }
}

}  // namespace

KeyChords::KeyChords(std::function<int(const QWidget*)> cellOf, QObject* parent)
    : QObject(parent), cellOf_(std::move(cellOf))
{
    qApp->installEventFilter(this);
}

KeyChords::~KeyChords()
{
    qApp->removeEventFilter(this);
}

void KeyChords::commandGiven()
{
    for (Held& held : held_)
        held.command = true;
}

bool KeyChords::releaseIsTyping(int cell) const
{
    return cell >= 0 && typedIn_ == cell;
}

bool KeyChords::eventFilter(QObject* watched, QEvent* event)
{
    // Keys released while the application is not active come to no one:
    // what is held is forgotten.
    if (event->type() == QEvent::ApplicationStateChange &&
        static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
            Qt::ApplicationActive) {
        held_.clear();
        return false;
    }
    // Every shortcut, whether an action's or a QShortcut's.
    if (event->type() == QEvent::Shortcut) {
        commandGiven();
        return false;
    }
    // A key event reaches the window's platform window before any widget;
    // only the widgets it goes to tell where it went.
    if (!watched->isWidgetType())
        return false;
    const auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        press(static_cast<QKeyEvent*>(event), widget);
        break;
    case QEvent::KeyRelease:
        release(static_cast<QKeyEvent*>(event), widget);
        break;
    default:
        break;
    }
    return false;
}

bool KeyChords::Seen::is(const QKeyEvent* key) const
{
    return event == key && type == key->type() && id == keyId(key) && timestamp == key->timestamp();
}

KeyChords::Seen KeyChords::Seen::of(const QKeyEvent* key)
{
    return {key, key->type(), keyId(key), key->timestamp()};
}

void KeyChords::press(const QKeyEvent* key, const QWidget* to)
{
    // An event is seen once for each widget it passes on its way up to the
    // window, and again where a box hands it on to its editor: the first
    // time tells where it went.
    if (key->isAutoRepeat() || lastPress_.is(key))
        return;
    lastPress_ = Seen::of(key);
    lastRelease_ = {};
    const quint64 id = keyId(key);
    const auto found = held_.find(id);
    if (found == held_.end()) {
        held_.insert(id, {to ? cellOf_(to) : -1, false, key->type() == QEvent::ShortcutOverride});
    } else if (found->override && key->type() == QEvent::KeyPress) {
        // The press after its override: where the press itself went is
        // where the key was pressed.
        found->override = false;
        found->cell = to ? cellOf_(to) : -1;
    }
    // Any other press of a key still down is the same press again: with a
    // screen reader on, a key goes to the reader and comes back later, after
    // a shortcut pressed after it has been taken. It stays the command's.
    if (movesOrPresses(key))
        commandGiven();
}

void KeyChords::release(const QKeyEvent* key, const QWidget* to)
{
    if (key->isAutoRepeat() || lastRelease_.is(key))
        return;
    lastRelease_ = Seen::of(key);
    lastPress_ = {};
    const auto found = held_.constFind(keyId(key));
    const int cell = to ? cellOf_(to) : -1;
    typedIn_ = found != held_.cend() && !found->command && found->cell == cell ? cell : -1;
    held_.remove(keyId(key));
}
