#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QString>

#include "keptstate.h"

class QLockFile;

// Keeps the form's state and its history in a file as the user works, so
// that the next start can offer them back after a close, a crash or a power
// cut.
//
// The file is board.json (keptstate.h) in the program's state folder. Each
// snapshot handed to keep() is written on a thread of the keeper's own,
// through QSaveFile, so the file on disk is always one whole snapshot: the
// newest or the one before it. Snapshots that arrive while a write is under
// way replace each other; what waits is written at most about 100 ms after
// the write before it. A snapshot equal to the last one written is not
// written again.
//
// One running program keeps the folder: it holds board.lock there for its
// lifetime. A second program started meanwhile keeps nothing and offers
// nothing; the first one's file stays as the first one writes it. A lock
// that nothing will ever let go (another computer's, one that does not read,
// something other than a file in its place) keeps nothing either, until the
// user has it taken over (offerTakeOver).
//
// What goes wrong is said once, through `say` (standard error by default),
// from either thread: a kept file that does not read or is not a file (it is
// moved aside, never deleted, and the program starts afresh), a folder that
// cannot be written (the program works on and keeps nothing), a second
// program, a lock that cannot be taken.
class BoardKeeper {
public:
    using Say = std::function<void(const QString& line)>;

    explicit BoardKeeper(QString folder, Say say = {});
    // Writes what waits, as finish() does.
    ~BoardKeeper();
    BoardKeeper(const BoardKeeper&) = delete;
    BoardKeeper& operator=(const BoardKeeper&) = delete;

    // $XDG_STATE_HOME/korvane, or ~/.local/state/korvane where XDG_STATE_HOME
    // is unset or not an absolute path.
    static QString defaultFolder();
    QString filePath() const;
    // How many files set aside are kept; older ones are removed.
    static constexpr int SetAsideKept = 3;

    // Takes the folder for this program and reads the board kept there over
    // `base`, the form as it starts. A file that does not read, or is no
    // regular file (it is never waited on), is moved to
    // board.json.bad-<yyyyMMdd-hhmmss>. Returns the kept board and its
    // history if one reads; nothing where the lock is held (see holder()).
    std::optional<keptstate::Kept> open(const FormState& base);

    // Who holds the folder's lock where open() could not take it.
    enum class Holder {
        None,     // nobody: open() took it, or no lock can be made there at all
        Running,  // another program on this computer, which lets go as it ends
        Stuck,    // what will never let go: another computer's lock (whether
                  // a program runs there cannot be told from here), a lock
                  // that does not read, or no file in the lock's place
    };
    Holder holder() const { return holder_; }
    // Where the lock is Stuck: asks through `port`, once, whether to take it
    // over, saying why the board is not kept and warning of a program that
    // may still run elsewhere (いいえ is the default). On はい, moves what
    // stands in the lock's place out of the way (a folder is moved aside,
    // never deleted), takes the lock and reads the board kept as open()
    // does, which is returned. Asks nothing otherwise.
    std::optional<keptstate::Kept> offerTakeOver(MessagePort& port, const FormState& base);
    // Whether snapshots are being kept: after open(), unless another program
    // keeps the folder.
    bool isKeeping() const { return keeping_; }
    // Whether keep() has been called since open().
    bool hasKept() const { return kept_; }
    // Hands a snapshot, the state and its history, to the writer and
    // returns at once.
    void keep(const FormState& state, KeptHistory history = {});
    // Writes what waits and stops the writer, waiting for it `patience` at
    // most (a hung disk must not hold the program's end for ever).
    void finish(std::chrono::milliseconds patience = std::chrono::seconds(3));
    // How many snapshots have been written to the file.
    int writeCount() const;

    struct Shared;

private:
    QString folder_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<QLockFile> lock_;
    Holder holder_ = Holder::None;
    QString stuckWhy_;    // why the lock is Stuck, for standard error
    QString stuckShown_;  // the same, for the window
    bool offered_ = false;
    bool keeping_ = false;
    bool kept_ = false;
    bool finished_ = false;

    QString lockPath() const;
    bool takeLock();
    void findHolder();
    std::optional<keptstate::Kept> startKeeping(const FormState& base);
    std::optional<keptstate::Kept> readKept(const FormState& base);
    QString stamped(const QString& name) const;
    void setAside(const QString& why);
};
