#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QString>

#include "korvane.h"

class QLockFile;

// Keeps the form's state in a file as the user works, so that the next start
// can offer it back after a close, a crash or a power cut.
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
// nothing; the first one's file stays as the first one writes it.
//
// What goes wrong is said once, through `say` (standard error by default),
// from either thread: a kept file that does not read (it is moved aside,
// never deleted, and the program starts afresh), a folder that cannot be
// written (the program works on and keeps nothing), a second program.
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
    // `base`, the form as it starts. A file that does not read is moved to
    // board.json.bad-<yyyyMMdd-hhmmss>. Returns the kept board if one reads;
    // nothing for a second program.
    std::optional<FormState> open(const FormState& base);
    // Whether snapshots are being kept: after open(), unless another program
    // keeps the folder.
    bool isKeeping() const { return keeping_; }
    // Whether keep() has been called since open().
    bool hasKept() const { return kept_; }
    // Hands a snapshot to the writer and returns at once.
    void keep(const FormState& state);
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
    bool keeping_ = false;
    bool kept_ = false;
    bool finished_ = false;

    void setAside(const QString& why);
};
