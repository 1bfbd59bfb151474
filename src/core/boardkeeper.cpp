#include "boardkeeper.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>

#include "keptstate.h"

namespace {

const QString FileName = QStringLiteral("board.json");
constexpr auto WriteSpacing = std::chrono::milliseconds(100);

void sayOnStandardError(const QString& line)
{
    std::fprintf(stderr, "korvane: %s\n", qPrintable(line));
}

}  // namespace

// What the writer thread and the program share; it outlives the keeper when
// the writer has to be left behind at the end.
struct BoardKeeper::Shared {
    QString folder;
    QString path;
    BoardKeeper::Say say;

    std::mutex mutex;
    std::condition_variable wake;
    std::optional<FormState> waiting;  // the newest snapshot not yet taken
    bool stopping = false;
    bool stopped = false;
    int writes = 0;
    std::thread writer;

    // The writer's own.
    std::optional<FormState> written;  // what the file holds
    bool failureSaid = false;

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return waiting || stopping; });
            if (!waiting)
                break;
            FormState state = std::move(*waiting);
            waiting.reset();
            lock.unlock();
            const bool wrote = write(state);
            lock.lock();
            if (wrote)
                ++writes;
            // Snapshots that come meanwhile wait, and only the newest is
            // written; the end does not wait.
            wake.wait_for(lock, WriteSpacing, [this] { return stopping; });
        }
        stopped = true;
        wake.notify_all();
    }

    bool write(FormState& state)
    {
        if (written && *written == state)
            return false;
        QString why;
        QSaveFile file(path);
        const QByteArray bytes = keptstate::write(state);
        if (!QDir().mkpath(folder)) {
            why = QStringLiteral("the folder cannot be made");
        } else if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                   file.commit()) {
            written = std::move(state);
            return true;
        } else {
            why = file.errorString();
        }
        if (!failureSaid) {
            failureSaid = true;
            say(QStringLiteral("cannot keep the board in %1 (%2); this window's work is not kept")
                    .arg(QDir::toNativeSeparators(path), why));
        }
        return false;
    }
};

BoardKeeper::BoardKeeper(QString folder, Say say)
    : folder_(std::move(folder)), shared_(std::make_shared<Shared>())
{
    shared_->folder = folder_;
    shared_->path = filePath();
    shared_->say = say ? std::move(say) : Say(sayOnStandardError);
}

BoardKeeper::~BoardKeeper()
{
    finish();
}

QString BoardKeeper::defaultFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/korvane");
}

QString BoardKeeper::filePath() const
{
    return folder_ + u'/' + FileName;
}

std::optional<FormState> BoardKeeper::open(const FormState& base)
{
    if (keeping_ || finished_)
        return std::nullopt;
    QDir().mkpath(folder_);
    lock_ = std::make_unique<QLockFile>(folder_ + QStringLiteral("/board.lock"));
    // The lock lasts as long as the program; only a holder that is gone
    // makes it stale.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError) {
        shared_->say(QStringLiteral("another Korvane keeps its board in %1; this window's work "
                                    "is not kept")
                         .arg(QDir::toNativeSeparators(folder_)));
        return std::nullopt;
    }
    // A folder where the lock cannot even be made is kept in all the same:
    // what is there is offered, and the first write says why it fails.

    std::optional<FormState> board;
    QFile file(filePath());
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            setAside(file.errorString());
        } else {
            keptstate::Reading reading =
                keptstate::read(file.read(keptstate::MaxFileBytes + 1), base);
            file.close();
            if (reading.board)
                board = std::move(reading.board);
            else
                setAside(reading.fault);
        }
    }
    shared_->written = board;
    keeping_ = true;
    shared_->writer = std::thread([shared = shared_] { shared->run(); });
    return board;
}

void BoardKeeper::setAside(const QString& why)
{
    // Named for the moment it was set aside, so that the names sort as the
    // files were made; a second one within the same second gets a number.
    QDir dir(folder_);
    const QString prefix = FileName + QStringLiteral(".bad-") +
                           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    int number = 0;
    for (const QString& name : dir.entryList({prefix + u'*'}, QDir::Files)) {
        const QStringView rest = QStringView(name).sliced(prefix.size());
        number = std::max(number, rest.isEmpty() ? 1 : rest.sliced(1).toInt());
    }
    const QString aside =
        number == 0 ? prefix : prefix + QStringLiteral("-%1").arg(number + 1, 3, 10, QChar(u'0'));

    QFile file(filePath());
    const QString path = QDir::toNativeSeparators(filePath());
    if (!file.rename(dir.filePath(aside))) {
        shared_->say(QStringLiteral("the board kept in %1 does not read (%2) and cannot be moved "
                                    "aside (%3); the program starts afresh")
                         .arg(path, why, file.errorString()));
        return;
    }
    shared_->say(QStringLiteral("the board kept in %1 does not read (%2); it was moved to %3 and "
                                "the program starts afresh")
                     .arg(path, why, QDir::toNativeSeparators(dir.filePath(aside))));
    // The oldest go first; the one just set aside stays, whatever the clock
    // says.
    QStringList asides =
        dir.entryList({FileName + QStringLiteral(".bad-*")}, QDir::Files, QDir::Name);
    asides.removeOne(aside);
    while (asides.size() >= SetAsideKept)
        dir.remove(asides.takeFirst());
}

void BoardKeeper::keep(const FormState& state)
{
    if (!keeping_ || finished_)
        return;
    kept_ = true;
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->waiting = state;
    }
    shared_->wake.notify_one();
}

void BoardKeeper::finish(std::chrono::milliseconds patience)
{
    if (finished_)
        return;
    finished_ = true;
    if (!shared_->writer.joinable())
        return;
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    shared_->wake.notify_all();
    const bool stopped =
        shared_->wake.wait_for(lock, patience, [this] { return shared_->stopped; });
    lock.unlock();
    if (stopped)
        shared_->writer.join();
    else
        shared_->writer.detach();
}

int BoardKeeper::writeCount() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->writes;
}
