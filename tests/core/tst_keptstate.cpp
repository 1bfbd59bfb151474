// The board kept between runs: the file read back as the form was, a file
// that is not one refused whole, the question at the start, and the keeper's
// dealings with its folder (a bad file set aside, the lock and who holds it,
// a folder that cannot be written).
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include "actionplayer.h"
#include "boardkeeper.h"
#include "filenames.h"
#include "keptstate.h"
#include "puzzles.h"
#include "testsupport.h"

// Changes a kept document before it is read.
using Edit = std::function<void(QJsonObject& document)>;
Q_DECLARE_METATYPE(Edit)
// Puts what holds the lock in a state folder; what it returns lives as long
// as the test (a program that holds it).
using Holder = std::function<std::shared_ptr<void>(const QString& folder)>;
Q_DECLARE_METATYPE(Holder)

namespace {

// A form part-way through a puzzle: loaded, two cells typed over, saved, a
// digit selected, in the single-number display.
void midPuzzle(Korvane& form)
{
    form.PastePuzzle(puzzles::SinglesGivens);
    form.Text6_Click();
    form.Text1[1].Text = QStringLiteral("3\r\n4");
    form.Text1_KeyUp(1, 0, 0);
    form.Text9_click(0);
    form.Text1[2].Text = QStringLiteral("５");
    form.Text1_KeyUp(2, 0, 0);
    form.Text2_click(4);
    clickSingleNumber(form);
}

// The board of a document, changed by `change`, with its check made anew, so
// that only the change itself can be what is refused.
Edit rechecked(std::function<void(QJsonObject& board)> change)
{
    return [change](QJsonObject& document) {
        QJsonObject board = document[QLatin1StringView("board")].toObject();
        change(board);
        document[QLatin1StringView("board")] = board;
        document[QLatin1StringView("check")] = keptstate::checkOfDocument(document);
    };
}

Edit onControl(const QString& name, const QString& key, const QJsonValue& value)
{
    return rechecked([=](QJsonObject& board) {
        QJsonObject controls = board[QLatin1StringView("controls")].toObject();
        QJsonObject control = controls[name].toObject();
        if (value.isUndefined())
            control.remove(key);
        else
            control[key] = value;
        controls[name] = control;
        board[QLatin1StringView("controls")] = controls;
    });
}

struct Said {
    QStringList lines;
    BoardKeeper::Say say()
    {
        return [this](const QString& line) {
            const std::lock_guard lock(mutex);
            lines.append(line);
        };
    }
    QStringList all()
    {
        const std::lock_guard lock(mutex);
        return lines;
    }
    std::mutex mutex;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestKeptState : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }
    void keptBoardsComeBackAfterRandomActions();
    void documents_data();
    void documents();
    void offeredAtTheStart_data();
    void offeredAtTheStart();
    void keeperWritesAndReadsBack();
    void badFileIsSetAside_data();
    void badFileIsSetAside();
    void lockHolders_data();
    void lockHolders();
    void writesAreSpacedApart();
    void unwritableFolderIsSaidOnce();

private:
    const TemporaryCurrentFolder folder;
};

void TestKeptState::keptBoardsComeBackAfterRandomActions()
{
    // Every committed script of the action fuzzer, then random ones; the
    // board is kept and read back along each.
    const QDir corpus(QStringLiteral(KORVANE_FUZZ_CORPUS "/actions"));
    for (const QString& name : corpus.entryList(QDir::Files)) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString fault = playActionsKept(file.readAll());
        QVERIFY2(fault.isEmpty(), qPrintable(name + QStringLiteral(": ") + fault));
    }
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    for (int script = 0; script < 300; ++script) {
        QByteArray bytes(int(random.bounded(8, 120)), Qt::Uninitialized);
        for (char& b : bytes)
            b = char(random.bounded(256));
        const QString fault = playActionsKept(bytes);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("seed %1, script %2 (%3): %4")
                                                 .arg(seed)
                                                 .arg(script)
                                                 .arg(QString::fromLatin1(bytes.toHex()), fault)));
    }
}

void TestKeptState::documents_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("fault");  // how the refusal begins; empty: it reads

    const auto value = [](const char* key, QJsonValue v) {
        return rechecked([=](QJsonObject& board) { board[QLatin1StringView(key)] = v; });
    };
    QTest::newRow("as written") << Edit([](QJsonObject&) {}) << QString();
    // Every board kept by an earlier version must still read: the check is
    // the SHA-256 of the board and the history written compactly, as
    // documented, and a document kept before holds the board's.
    QTest::newRow("the check as documented") << Edit([](QJsonObject& d) {
        const QByteArray compact =
            QJsonDocument(QJsonObject{{"board", d[QLatin1StringView("board")]},
                                      {"history", d[QLatin1StringView("history")]}})
                .toJson(QJsonDocument::Compact);
        d[QLatin1StringView("check")] =
            "sha256:" + QString::fromLatin1(
                            QCryptographicHash::hash(compact, QCryptographicHash::Sha256).toHex());
    }) << QString();
    QTest::newRow("a board kept by an earlier version") << Edit([](QJsonObject& d) {
        QFile kept(QStringLiteral(KORVANE_FUZZ_CORPUS "/keptstate/start-up"));
        if (kept.open(QIODevice::ReadOnly))
            d = QJsonDocument::fromJson(kept.readAll()).object();
        QCOMPARE(
            d[QLatin1StringView("check")].toString(),
            QStringLiteral("sha256:2cd05f37f8c104f25bab6c0e42313fa2e1a2daa3dd7bbe86bae561cfd9a9ba"
                           "96"));
    }) << QString();
    QTest::newRow("no check") << Edit([](QJsonObject& d) { d.remove(QLatin1StringView("check")); })
                              << "its check does not match";
    QTest::newRow("a value changed, the check left") << Edit([](QJsonObject& d) {
        QJsonObject board = d[QLatin1StringView("board")].toObject();
        board[QLatin1StringView("selectedValue")] = QStringLiteral("3");
        d[QLatin1StringView("board")] = board;
    }) << "its check does not match";
    QTest::newRow("another program's document")
        << Edit([](QJsonObject& d) { d[QLatin1StringView("format")] = QStringLiteral("x"); })
        << "not a kept Korvane board";
    QTest::newRow("a later version")
        << Edit([](QJsonObject& d) { d[QLatin1StringView("version")] = 3; }) << "version 3";
    QTest::newRow("a flag of 2") << value("singleView", 2) << "singleView is out of range";
    QTest::newRow("a flag as a text")
        << value("diagonalMode", QStringLiteral("1")) << "diagonalMode is not a number";
    QTest::newRow("decided one short")
        << value("decided", QJsonArray{0, 1}) << "decided is not a list of 82";
    QTest::newRow("candidates one too many") << rechecked([](QJsonObject& board) {
        QJsonArray candidates = board[QLatin1StringView("candidates")].toArray();
        candidates.append(QStringLiteral("123456789"));
        board[QLatin1StringView("candidates")] = candidates;
    }) << "candidates is not a list of 82";
    QTest::newRow("a saved entry as a number") << rechecked([](QJsonObject& board) {
        QJsonArray grid = board[QLatin1StringView("savedGrid")].toArray();
        grid[5] = 5;
        board[QLatin1StringView("savedGrid")] = grid;
    }) << "savedGrid 5 is not a text";
    // Its bytes kept as the command line gave them.
    QTest::newRow("a puzzle file whose name is not UTF-8")
        << value("puzzleFile", filenames::fromNative("/tmp/bad\xFF\xFE.txt")) << QString();
    QTest::newRow("a text longer than a box")
        << value("selectedValue", QString(1001, u'1')) << "selectedValue is longer";
    QTest::newRow("a colour beyond 0xFFFFFF")
        << onControl("Text3", "backColor", 0x1000000) << "Text3's back colour is out of range";
    QTest::newRow("a text colour beyond 0xFFFFFF")
        << onControl("Text1_7", "foreColor", 0x1000000) << "Text1_7's colour is out of range";
    QTest::newRow("a font size of 0")
        << onControl("Text2_3", "fontSize", 0) << "Text2_3's font size is out of range";
    QTest::newRow("half a colour")
        << onControl("Text1_0", "foreColor", 0.5) << "Text1_0's colour is not a whole number";
    QTest::newRow("a font size of 1000")
        << onControl("Text1_40", "fontSize", 1000) << "Text1_40's font size is out of range";
    QTest::newRow("a cell without its text")
        << onControl("Text1_80", "text", QJsonValue::Undefined) << "Text1_80's text is not";
    QTest::newRow("a control missing") << rechecked([](QJsonObject& board) {
        QJsonObject controls = board[QLatin1StringView("controls")].toObject();
        controls.remove(QStringLiteral("Text9_1"));
        board[QLatin1StringView("controls")] = controls;
    }) << "Text9_1 is missing";
}

void TestKeptState::documents()
{
    QFETCH(Edit, edit);
    QFETCH(QString, fault);

    Fixture f;
    midPuzzle(f.form);
    QJsonObject document = QJsonDocument::fromJson(keptstate::write(f.form)).object();
    edit(document);
    Fixture fresh;
    // Written compactly, as a person's editor might leave it: the spacing is
    // no part of the check.
    const keptstate::Reading reading =
        keptstate::read(QJsonDocument(document).toJson(QJsonDocument::Compact), fresh.form);
    QVERIFY2(reading.fault.startsWith(fault), qPrintable(reading.fault));
    QCOMPARE(reading.board.has_value(), fault.isEmpty());
    // The board read is the document's, every value of it.
    if (reading.board)
        QCOMPARE(QJsonDocument::fromJson(keptstate::write(*reading.board))
                     .object()[QLatin1StringView("board")],
                 document[QLatin1StringView("board")]);
}

void TestKeptState::offeredAtTheStart_data()
{
    QTest::addColumn<Setup>("keptAs");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("restored");

    const Setup startUp = [](Korvane&) {};
    QTest::newRow("the start-up board is not offered")
        << startUp << int(MessagePort::Yes) << false << false;
    QTest::newRow("cleared back to the start-up board is not offered") << Setup([](Korvane& form) {
        form.Text2_click(3);
        form.Text5_Click();
    }) << int(MessagePort::Yes) << false << false;
    QTest::newRow("はい puts a puzzle back")
        << Setup(midPuzzle) << int(MessagePort::Yes) << true << true;
    QTest::newRow("いいえ starts afresh")
        << Setup(midPuzzle) << int(MessagePort::No) << true << false;
    QTest::newRow("a Data Save alone is offered")
        << Setup([](Korvane& form) { form.Text9_click(0); }) << int(MessagePort::Yes) << true
        << true;
}

void TestKeptState::offeredAtTheStart()
{
    QFETCH(Setup, keptAs);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, restored);

    Fixture earlier;
    keptAs(earlier.form);
    Fixture start;
    const Korvane startUp = start.form;
    start.port.answers = {answer};
    QCOMPARE(start.form.OfferKeptBoard(earlier.form), restored);
    QCOMPARE(start.port.prompts(),
             asked ? QStringList{QStringLiteral("前回の盤面を復元しますか？")} : QStringList{});
    if (asked)
        QCOMPARE(start.port.calls.first().buttons, int(MessagePort::YesNo));
    QCOMPARE(formState(start.form), formState(restored ? earlier.form : startUp));
    QVERIFY(static_cast<const FormState&>(start.form) ==
            static_cast<const FormState&>(restored ? earlier.form : startUp));
}

void TestKeptState::keeperWritesAndReadsBack()
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("state/korvane"));
    Fixture f;
    Said said;
    {
        BoardKeeper keeper(folder, said.say());
        QVERIFY(!keeper.open(f.form));
        QVERIFY(keeper.isKeeping());
        midPuzzle(f.form);
        for (int i = 0; i < 20; ++i)
            keeper.keep(f.form);
        keeper.finish();
        // Twenty snapshots of one board are one write at most... and at
        // least one.
        QCOMPARE(keeper.writeCount(), 1);
    }
    QCOMPARE(said.all(), QStringList());
    Fixture next;
    BoardKeeper keeper(folder, said.say());
    const std::optional<keptstate::Kept> kept = keeper.open(next.form);
    QVERIFY(kept.has_value());
    QVERIFY(kept->board == f.form);
    // What the file holds is not written again.
    keeper.keep(kept->board, kept->history);
    keeper.finish();
    QCOMPARE(keeper.writeCount(), 0);
    QVERIFY(QDir(folder).entryList({QStringLiteral("*.bad-*")}, QDir::Files).isEmpty());
}

void TestKeptState::badFileIsSetAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("type");  // S_IFREG a file of the bytes, else what stands there

    Fixture f;
    midPuzzle(f.form);
    const QByteArray whole = keptstate::write(f.form);
    const int file = S_IFREG;
    QTest::newRow("empty") << QByteArray() << file;
    QTest::newRow("cut short, as by a crash") << whole.left(whole.size() / 2) << file;
    QTest::newRow("garbage") << QByteArray("\x00\xFF\x12garbage", 10) << file;
    QTest::newRow("a byte changed") << QByteArray(whole).replace("3\\r\\n4", "3\\r\\n5") << file;
    QTest::newRow("larger than any board") << QByteArray(keptstate::MaxFileBytes + 1, ' ') << file;
    // Never waited on, never read.
    QTest::newRow("a FIFO without a writer") << QByteArray() << int(S_IFIFO);
    QTest::newRow("a link to a device") << QByteArray() << int(S_IFLNK);
}

void TestKeptState::badFileIsSetAside()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, type);

    QTemporaryDir home;
    const QString folder = home.path();
    const QString file = folder + QStringLiteral("/board.json");
    const QByteArray name = QFile::encodeName(file);
    Fixture f;
    // More bad starts than are kept: the newest stay, each as it was found.
    for (int start = 0; start < BoardKeeper::SetAsideKept + 2; ++start) {
        if (type == S_IFREG)
            QVERIFY(writeFile(file, bytes + QByteArray::number(start)));
        else if (type == S_IFIFO)
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else
            QCOMPARE(::symlink("/dev/zero", name.constData()), 0);
        Said said;
        BoardKeeper keeper(folder, said.say());
        QVERIFY(!keeper.open(f.form));
        struct stat gone {};
        QVERIFY(::lstat(name.constData(), &gone) != 0);
        QCOMPARE(said.all().size(), 1);
        QVERIFY2(said.all().first().contains(QStringLiteral("does not read")),
                 qPrintable(said.all().first()));
        QVERIFY(keeper.isKeeping());
    }
    const QStringList asides = QDir(folder).entryList({QStringLiteral("board.json.bad-*")},
                                                      QDir::Files | QDir::System, QDir::Name);
    QCOMPARE(asides.size(), BoardKeeper::SetAsideKept);
    struct stat newest {};
    QCOMPARE(::lstat(QFile::encodeName(folder + u'/' + asides.last()).constData(), &newest), 0);
    QCOMPARE(int(newest.st_mode & S_IFMT), type);
    if (type == S_IFREG)
        QCOMPARE(contents(folder + u'/' + asides.last()),
                 bytes + QByteArray::number(BoardKeeper::SetAsideKept + 1));
}

void TestKeptState::lockHolders_data()
{
    QTest::addColumn<Holder>("holder");
    QTest::addColumn<int>("answer");  // to the offer to take the lock over; 0: none is made
    QTest::addColumn<bool>("keeps");
    QTest::addColumn<QString>("said");  // how the first line said begins; empty: nothing

    const auto lockHolding = [](QByteArray bytes) {
        return Holder([bytes](const QString& folder) {
            writeFile(folder + QStringLiteral("/board.lock"), bytes);
            return std::shared_ptr<void>();
        });
    };
    const Holder running = [](const QString& folder) {
        Fixture f;
        auto first = std::make_shared<BoardKeeper>(folder, [](const QString&) {});
        first->open(f.form);
        return std::shared_ptr<void>(first);
    };
    const QByteArray thisHost = QSysInfo::machineHostName().toUtf8();
    // This very process holds it, as a program writes its lock, but with no
    // lock of the system's on it (as over NFS), and left alone for a minute.
    const Holder runningAMinute = [thisHost](const QString& folder) {
        const QString lock = folder + QStringLiteral("/board.lock");
        writeFile(lock, QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                            QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() +
                            '\n' + thisHost + '\n');
        const utimbuf minuteAgo{::time(nullptr) - 60, ::time(nullptr) - 60};
        ::utime(QFile::encodeName(lock).constData(), &minuteAgo);
        return std::shared_ptr<void>();
    };
    const QByteArray otherHost = "12345\nkorvane\nanother-host.example\n";
    const Holder folderInItsPlace = [](const QString& folder) {
        QDir(folder).mkpath(QStringLiteral("board.lock/inside"));
        return std::shared_ptr<void>();
    };
    const Holder fifoInItsPlace = [](const QString& folder) {
        ::mkfifo(QFile::encodeName(folder + QStringLiteral("/board.lock")).constData(), 0600);
        return std::shared_ptr<void>();
    };
    const int yes = MessagePort::Yes;
    const int no = MessagePort::No;

    QTest::newRow("a second program while the first runs")
        << running << 0 << false << "another Korvane keeps its board";
    QTest::newRow("a program that runs, its lock untouched for a minute")
        << runningAMinute << 0 << false << "another Korvane keeps its board";
    QTest::newRow("a lock left on this computer by a program gone")
        << lockHolding("2147483646\nkorvane\n" + thisHost + "\n") << 0 << true << QString();
    QTest::newRow("another computer's lock with no machine id, left")
        << lockHolding(otherHost) << no << false << "the lock";
    QTest::newRow("another computer's lock with no machine id, taken over")
        << lockHolding(otherHost) << yes << true << "the lock";
    QTest::newRow("a lock that does not read, taken over")
        << lockHolding(QByteArray()) << yes << true << "the lock";
    QTest::newRow("a folder in the lock's place, taken over")
        << folderInItsPlace << yes << true << "the lock";
    QTest::newRow("a FIFO in the lock's place, taken over")
        << fifoInItsPlace << yes << true << "the lock";
}

void TestKeptState::lockHolders()
{
    QFETCH(Holder, holder);
    QFETCH(int, answer);
    QFETCH(bool, keeps);
    QFETCH(QString, said);

    QTemporaryDir home;
    const QString lock = home.filePath(QStringLiteral("board.lock"));
    const std::shared_ptr<void> first = holder(home.path());
    QFileInfo before(lock);
    before.setCaching(false);
    const QByteArray lockBefore = before.isFile() ? contents(lock) : QByteArray();

    Fixture f;
    f.port.answers = {answer};
    Said says;
    BoardKeeper keeper(home.path(), says.say());
    QVERIFY(!keeper.open(f.form));
    QVERIFY(!keeper.offerTakeOver(f.port, f.form));
    // Asked once at most, whatever is asked again.
    QVERIFY(!keeper.offerTakeOver(f.port, f.form));
    QCOMPARE(f.port.calls.size(), answer == 0 ? 0 : 1);
    if (answer != 0) {
        QCOMPARE(f.port.calls.first().buttons, MessagePort::YesNo | MessagePort::DefaultButton2);
        QVERIFY2(f.port.calls.first().prompt.contains(QStringLiteral("ロックを解除")),
                 qPrintable(f.port.calls.first().prompt));
    }
    QCOMPARE(keeper.isKeeping(), keeps);
    midPuzzle(f.form);
    keeper.keep(f.form);
    keeper.finish();
    QCOMPARE(keeper.writeCount(), keeps ? 1 : 0);
    if (keeps) {
        QVERIFY(keptstate::read(contents(keeper.filePath()), Fixture().form).board);
    } else if (before.isFile()) {
        QCOMPARE(contents(lock), lockBefore);
    }
    // A folder that stood in the lock's place is moved aside whole.
    if (before.isDir() && keeps) {
        const QStringList asides =
            QDir(home.path()).entryList({QStringLiteral("board.lock.bad-*")}, QDir::Dirs);
        QCOMPARE(asides.size(), 1);
        QVERIFY(QDir(home.filePath(asides.first())).exists(QStringLiteral("inside")));
    }
    const QStringList lines = says.all();
    QVERIFY2(said.isEmpty() ? lines.isEmpty() : lines.value(0).startsWith(said),
             qPrintable(lines.join(u'\n')));
}

void TestKeptState::writesAreSpacedApart()
{
    // Snapshots every few milliseconds, each a different board: only the
    // newest is written, a write at most every 100 ms, and the last at the
    // end.
    QTemporaryDir home;
    Fixture f;
    BoardKeeper keeper(home.path(), [](const QString&) {});
    QVERIFY(!keeper.open(f.form));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 40; ++i) {
        f.form.Text3.Text = QString::number(i);
        keeper.keep(f.form);
        QTest::qSleep(10);
    }
    keeper.finish();
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(keeper.writeCount() >= 2, qPrintable(QString::number(keeper.writeCount())));
    QVERIFY2(
        keeper.writeCount() <= elapsed / 100 + 2,
        qPrintable(QStringLiteral("%1 writes in %2 ms").arg(keeper.writeCount()).arg(elapsed)));
    const keptstate::Reading last = keptstate::read(contents(keeper.filePath()), Fixture().form);
    QVERIFY(last.board);
    QCOMPARE(last.board->Text3.Text, QStringLiteral("39"));
}

void TestKeptState::unwritableFolderIsSaidOnce()
{
    // A file where the folder should be: nothing can be made under it, not
    // even by root.
    QTemporaryDir home;
    const QString blocker = home.filePath(QStringLiteral("state"));
    QVERIFY(writeFile(blocker, "not a folder"));
    Fixture f;
    Said said;
    BoardKeeper keeper(blocker + QStringLiteral("/korvane"), said.say());
    QVERIFY(!keeper.open(f.form));
    QVERIFY(keeper.isKeeping());
    keeper.keep(f.form);
    midPuzzle(f.form);
    QTest::qWait(150);
    keeper.keep(f.form);
    keeper.finish();
    QCOMPARE(keeper.writeCount(), 0);
    QCOMPARE(said.all().size(), 1);
    QVERIFY2(said.all().first().startsWith(QStringLiteral("cannot keep the board")),
             qPrintable(said.all().first()));
}

QTEST_GUILESS_MAIN(TestKeptState)
#include "tst_keptstate.moc"
