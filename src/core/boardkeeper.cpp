#include "boardkeeper.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>
#include <QSysInfo>

#include "filenames.h"
#include "keptstate.h"

namespace {

const QString FileName = QStringLiteral("board.json");
const QString LockName = QStringLiteral("board.lock");
constexpr auto WriteSpacing = std::chrono::milliseconds(100);
// What QLockFile writes (a process id, a program's name, a host name and two
// ids) is far shorter; a longer file is no lock of its.
constexpr qsizetype MaxLockBytes = 4096;
// How the window names the lock, and why it cannot be taken.
const QString LockShown = QStringLiteral("保存先のフォルダーのロックファイル（board.lock）");
const QString LockDoesNotRead = QStringLiteral("が読めません。");

void sayOnStandardError(const QString& line)
{
    std::fprintf(stderr, "korvane: %s\n", qPrintable(line));
}

QString shownPath(const QString& path)
{
    return filenames::shown(QDir::toNativeSeparators(path));
}

// The start of a file read without ever waiting on it: only a regular file
// is read, and a FIFO, a device or a folder is refused at once.
struct FileRead {
    std::optional<QByteArray> bytes;  // the first `limit` bytes, where it read
    bool missing = false;             // nothing there (or a link to nothing)
    QString fault;                    // otherwise why not
};

FileRead readRegularFile(const QString& path, qsizetype limit)
{
    FileRead got;
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        got.missing = errno == ENOENT || errno == ENOTDIR;
        got.fault = qt_error_string(errno);
        return got;
    }
    struct stat info {};
    QByteArray bytes;
    if (::fstat(fd, &info) != 0) {
        got.fault = qt_error_string(errno);
    } else if (!S_ISREG(info.st_mode)) {
        got.fault = QStringLiteral("not a regular file");
    } else {
        for (;;) {
            const qsizetype had = bytes.size();
            const qsizetype want = std::min<qsizetype>(limit - had, 64 * 1024);
            if (want <= 0)
                break;
            bytes.resize(had + want);
            const ssize_t n = ::read(fd, bytes.data() + had, size_t(want));
            if (n < 0 && errno == EINTR) {
                bytes.resize(had);
                continue;
            }
            if (n <= 0) {
                bytes.resize(had);
                if (n < 0)
                    got.fault = qt_error_string(errno);
                break;
            }
            bytes.resize(had + n);
        }
        if (got.fault.isEmpty())
            got.bytes = std::move(bytes);
    }
    ::close(fd);
    return got;
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
    std::optional<keptstate::Kept> waiting;  // the newest snapshot not yet taken
    bool stopping = false;
    bool stopped = false;
    int writes = 0;
    std::thread writer;

    // The writer's own.
    std::optional<keptstate::Kept> written;  // what the file holds
    bool failureSaid = false;

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return waiting || stopping; });
            if (!waiting)
                break;
            keptstate::Kept state = std::move(*waiting);
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

    bool write(keptstate::Kept& state)
    {
        if (written && *written == state)
            return false;
        QString why;
        QSaveFile file(path);
        const QByteArray bytes = keptstate::write(state.board, state.history);
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
                    .arg(shownPath(path), why));
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

QString BoardKeeper::lockPath() const
{
    return folder_ + u'/' + LockName;
}

std::optional<keptstate::Kept> BoardKeeper::open(const FormState& base)
{
    if (keeping_ || finished_)
        return std::nullopt;
    QDir().mkpath(folder_);
    if (!takeLock())
        return std::nullopt;
    // A folder where the lock cannot even be made is kept in all the same:
    // what is there is offered, and the first write says why it fails.
    return startKeeping(base);
}

bool BoardKeeper::takeLock()
{
    holder_ = Holder::None;
    // QLockFile reads a lock it cannot take, to see whether its holder is
    // gone: it would wait for ever on a FIFO and read a huge file whole. What
    // is no lock of its is never let go, so it is not asked.
    struct stat info {};
    if (::lstat(QFile::encodeName(lockPath()).constData(), &info) == 0 &&
        (!S_ISREG(info.st_mode) || info.st_size > MaxLockBytes)) {
        holder_ = Holder::Stuck;
        if (S_ISDIR(info.st_mode)) {
            stuckWhy_ = QStringLiteral("a folder stands in its place");
            stuckShown_ = LockShown + QStringLiteral("の場所に、フォルダーがあります。");
        } else if (S_ISREG(info.st_mode)) {
            stuckWhy_ = QStringLiteral("it does not read");
            stuckShown_ = LockShown + LockDoesNotRead;
        } else {
            stuckWhy_ = QStringLiteral("something other than a file stands in its place");
            stuckShown_ = LockShown + QStringLiteral("の場所に、ファイルでないものがあります。");
        }
    } else {
        lock_ = std::make_unique<QLockFile>(lockPath());
        // The lock lasts as long as the program; only a holder that is gone
        // makes it stale.
        lock_->setStaleLockTime(0);
        // Twice, for a holder that lets go between the try and the look.
        for (int attempt = 0; attempt < 2 && holder_ == Holder::None; ++attempt) {
            if (lock_->tryLock(0) || lock_->error() != QLockFile::LockFailedError)
                return true;
            findHolder();
        }
        if (holder_ == Holder::None)
            holder_ = Holder::Running;
    }
    if (holder_ == Holder::Running) {
        shared_->say(QStringLiteral("another Korvane keeps its board in %1; this window's work "
                                    "is not kept")
                         .arg(shownPath(folder_)));
    } else {
        shared_->say(QStringLiteral("the lock %1 cannot be taken (%2); this window's work is not "
                                    "kept unless the lock is taken over")
                         .arg(shownPath(lockPath()), stuckWhy_));
    }
    return false;
}

void BoardKeeper::findHolder()
{
    const FileRead got = readRegularFile(lockPath(), MaxLockBytes + 1);
    if (got.missing)
        return;  // let go meanwhile
    // As QLockFile writes it: the process id, the program's name, the host's
    // name, the machine's id and the boot's id, a line each.
    QList<QByteArray> lines = got.bytes ? got.bytes->split('\n') : QList<QByteArray>();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    bool isNumber = false;
    const qint64 pid = lines.value(0).toLongLong(&isNumber);
    if (!got.bytes || got.bytes->size() > MaxLockBytes || !isNumber || pid <= 0) {
        holder_ = Holder::Stuck;
        stuckWhy_ = QStringLiteral("it does not read");
        stuckShown_ = LockShown + LockDoesNotRead;
        return;
    }
    // The same computer by QLockFile's own rule, the machine's id first; there
    // the holder runs, or QLockFile would have taken the lock.
    const QString host = QString::fromUtf8(lines.value(2));
    const QByteArray hostId = lines.value(3);
    bool sameHost = host.isEmpty() || host == QSysInfo::machineHostName();
    if (!hostId.isEmpty() && !QSysInfo::machineUniqueId().isEmpty())
        sameHost = hostId == QSysInfo::machineUniqueId();
    if (sameHost) {
        holder_ = Holder::Running;
        return;
    }
    holder_ = Holder::Stuck;
    stuckWhy_ = QStringLiteral("another computer, %1, holds it").arg(host);
    stuckShown_ =
        QStringLiteral(
            "別のコンピューター（%1）の Korvane が、保存先のフォルダーをロックしています。")
            .arg(host);
}

std::optional<keptstate::Kept> BoardKeeper::offerTakeOver(MessagePort& port, const FormState& base)
{
    if (holder_ != Holder::Stuck || offered_ || keeping_ || finished_)
        return std::nullopt;
    offered_ = true;
    const QString question =
        QStringLiteral("盤面を保存できません。%2\r\n保存先：%1\r\n"
                       "このままでは、この画面の作業は次の起動に残りません。\r\n\r\n"
                       "ロックを解除して、この画面の盤面を保存しますか？\r\n\r\n"
                       "注意：ほかのコンピューターなどで Korvane がまだ動いていると、"
                       "二つの Korvane が同じファイルに書き込み、どちらかの作業が失われます。")
            .arg(shownPath(folder_), stuckShown_);
    if (port.MsgBox(question, MessagePort::YesNo | MessagePort::DefaultButton2) != MessagePort::Yes)
        return std::nullopt;

    // A lock file holds nothing of the user's; a folder might, and is moved
    // aside.
    QString why;
    const QByteArray lock = QFile::encodeName(lockPath());
    struct stat info {};
    if (::lstat(lock.constData(), &info) == 0) {
        const bool gone =
            S_ISDIR(info.st_mode)
                ? ::rename(
                      lock.constData(),
                      QFile::encodeName(QDir(folder_).filePath(stamped(LockName))).constData()) == 0
                : ::unlink(lock.constData()) == 0;
        if (!gone)
            why = qt_error_string(errno);
    }
    if (why.isEmpty()) {
        lock_ = std::make_unique<QLockFile>(lockPath());
        lock_->setStaleLockTime(0);
        if (!lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError)
            why = QStringLiteral("another program took it meanwhile");
    }
    if (!why.isEmpty()) {
        shared_->say(QStringLiteral("the lock %1 cannot be taken over (%2); this window's work is "
                                    "not kept")
                         .arg(shownPath(lockPath()), why));
        port.MsgBox(
            QStringLiteral("ロックを解除できませんでした。この画面の作業は保存されません。"),
            MessagePort::OkOnly);
        return std::nullopt;
    }
    holder_ = Holder::None;
    return startKeeping(base);
}

std::optional<keptstate::Kept> BoardKeeper::startKeeping(const FormState& base)
{
    std::optional<keptstate::Kept> board = readKept(base);
    shared_->written = board;
    keeping_ = true;
    shared_->writer = std::thread([shared = shared_] { shared->run(); });
    return board;
}

std::optional<keptstate::Kept> BoardKeeper::readKept(const FormState& base)
{
    const FileRead got = readRegularFile(filePath(), keptstate::MaxFileBytes + 1);
    if (got.missing)
        return std::nullopt;
    if (!got.bytes) {
        setAside(got.fault);
        return std::nullopt;
    }
    keptstate::Reading reading = keptstate::read(*got.bytes, base);
    if (!reading.board) {
        setAside(reading.fault);
        return std::nullopt;
    }
    return keptstate::Kept{std::move(*reading.board), std::move(reading.history)};
}

QString BoardKeeper::stamped(const QString& name) const
{
    // Named for the moment it was set aside, so that the names sort as the
    // files were made; a second one within the same second gets a number.
    const QString prefix = name + QStringLiteral(".bad-") +
                           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    int number = 0;
    const QDir dir(folder_);
    for (const QString& taken :
         dir.entryList({prefix + u'*'}, QDir::AllEntries | QDir::System | QDir::Hidden)) {
        const QStringView rest = QStringView(taken).sliced(prefix.size());
        number = std::max(number, rest.isEmpty() ? 1 : rest.sliced(1).toInt());
    }
    return number == 0 ? prefix
                       : prefix + QStringLiteral("-%1").arg(number + 1, 3, 10, QChar(u'0'));
}

void BoardKeeper::setAside(const QString& why)
{
    QDir dir(folder_);
    const QString aside = stamped(FileName);
    const QString path = shownPath(filePath());
    // The system's own rename: QFile's falls back on copying, which would
    // wait on a FIFO.
    if (::rename(QFile::encodeName(filePath()).constData(),
                 QFile::encodeName(dir.filePath(aside)).constData()) != 0) {
        shared_->say(QStringLiteral("the board kept in %1 does not read (%2) and cannot be moved "
                                    "aside (%3); the program starts afresh")
                         .arg(path, why, qt_error_string(errno)));
        return;
    }
    shared_->say(QStringLiteral("the board kept in %1 does not read (%2); it was moved to %3 and "
                                "the program starts afresh")
                     .arg(path, why, shownPath(dir.filePath(aside))));
    // The oldest go first; the one just set aside stays, whatever the clock
    // says.
    QStringList asides = dir.entryList({FileName + QStringLiteral(".bad-*")},
                                       QDir::Files | QDir::System, QDir::Name);
    asides.removeOne(aside);
    while (asides.size() >= SetAsideKept)
        dir.remove(asides.takeFirst());
}

void BoardKeeper::keep(const FormState& state, KeptHistory history)
{
    if (!keeping_ || finished_)
        return;
    kept_ = true;
    // Made, and the one it replaces let go, outside the lock.
    std::optional<keptstate::Kept> snapshot = keptstate::Kept{state, std::move(history)};
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->waiting.swap(snapshot);
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
