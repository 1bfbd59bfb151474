// The history: action scripts undone to their start and redone to their end,
// state for state; what one undo takes back; the bounds; undo across a
// restart, through the kept file.
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "actionplayer.h"
#include "boardkeeper.h"
#include "keptstate.h"
#include "puzzles.h"
#include "testsupport.h"

Q_DECLARE_METATYPE(Setup)

namespace {

// A game under way: the sample loaded, elimination on, two digits placed.
void gameUnderWay(Korvane& form)
{
    act(form, [](Korvane& f) { f.PastePuzzle(puzzles::SinglesGivens); });
    act(form, [](Korvane& f) { f.Text6_Click(); });
    place(form, 0, 2);
    place(form, 1, 3);
}

}  // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }
    void scriptsUndoneAndRedone_data();
    void scriptsUndoneAndRedone();
    void oneUndoTakesBack_data();
    void oneUndoTakesBack();
    void boundsKeepTheNewest_data();
    void boundsKeepTheNewest();
    void undoAcrossRestart_data();
    void undoAcrossRestart();

private:
    const TemporaryCurrentFolder folder;
};

void TestHistory::scriptsUndoneAndRedone_data()
{
    QTest::addColumn<QByteArray>("script");
    const QDir corpus(QStringLiteral(KORVANE_FUZZ_CORPUS "/actions"));
    for (const QString& name : corpus.entryList(QDir::Files)) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::addRow("corpus %s", qPrintable(name)) << file.readAll();
    }
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    for (int script = 0; script < 200; ++script) {
        QByteArray bytes(int(random.bounded(8, 160)), Qt::Uninitialized);
        for (char& b : bytes)
            b = char(random.bounded(256));
        QTest::addRow("seed %u script %d", seed, script) << bytes;
    }
}

void TestHistory::scriptsUndoneAndRedone()
{
    QFETCH(QByteArray, script);
    const QString fault = playActionsUndone(script);
    QVERIFY2(fault.isEmpty(), qPrintable(QString::fromLatin1(script.toHex()) + u'\n' + fault));
}

void TestHistory::oneUndoTakesBack_data()
{
    QTest::addColumn<Setup>("before");  // the game up to the state one undo returns to
    QTest::addColumn<Setup>("then");    // what the undo takes back, and a redo brings again
    QTest::addColumn<bool>("quiet");    // whether `then` ends in a message, which is not redone

    QTest::newRow("a placement") << Setup([](Korvane& f) {
        gameUnderWay(f);
        act(f, [](Korvane& k) { k.Text2_click(5); });
    }) << Setup([](Korvane& f) { act(f, [](Korvane& k) { k.Text1_click(2); }); })
                                 << false;
    QTest::newRow("部分取消, its digit and the peers' candidates") << Setup([](Korvane& f) {
        gameUnderWay(f);
        act(f, [](Korvane& k) { k.Text2_click(9); });
    }) << Setup([](Korvane& f) { act(f, [](Korvane& k) { k.Text1_click(1); }); })
                                                                   << false;
    QTest::newRow("元に戻す, every typed edit back") << Setup([](Korvane& f) {
        gameUnderWay(f);
        for (int cell : {3, 4}) {
            act(f, [cell](Korvane& k) {
                k.Text1[cell].Text = cell == 3 ? QStringLiteral("7") : QStringLiteral("45");
                k.Text1_KeyUp(cell, 0, 0);
            });
        }
    }) << Setup([](Korvane& f) { act(f, [](Korvane& k) { k.Text10_click(); }); })
                                                     << false;
    QTest::newRow("a file opened over the game") << Setup(gameUnderWay) << Setup([](Korvane& f) {
        writeFile(QStringLiteral("other.txt"), drawnGrid(puzzles::DiagonalGivens));
        act(f, [](Korvane& k) { k.OpenPuzzleFile(QStringLiteral("other.txt")); });
    }) << false;
    QTest::newRow("a hint told goes with the action before it") << Setup([](Korvane& f) {
        act(f, [](Korvane& k) { k.PastePuzzle(puzzles::SinglesGivens); });
    }) << Setup([](Korvane& f) {
        act(f, [](Korvane& k) { k.Text6_Click(); });
        act(f, [](Korvane& k) { k.ShowHint(); });
    }) << true;
    // The view mirrors typing into a box before the key's handler runs; only
    // the handler is an action, and the text goes with it.
    QTest::newRow("typing and its key, one step") << Setup(gameUnderWay) << Setup([](Korvane& f) {
        f.Text1[5].Text = QStringLiteral("48");
        act(f, [](Korvane& k) { k.Text1_KeyUp(5, 0, 0); });
    }) << false;
    QTest::newRow("the single-number display's press and click, one step") << Setup([](Korvane& f) {
        gameUnderWay(f);
        act(f, [](Korvane& k) { k.Text2_click(4); });
    }) << Setup([](Korvane& f) {
        act(f, [](Korvane& k) { k.Text7_MouseDown(1, 0, 0, 0); });
        act(f, [](Korvane& k) { k.Text7_Click(); });
    }) << false;
    // A text typed into a button and never handled: an undo takes it back
    // first.
    QTest::newRow("a change outside any action")
        << Setup(gameUnderWay)
        << Setup([](Korvane& f) { f.Text9[1].Text = QStringLiteral("Load!"); }) << false;
    QTest::newRow("an action after an undo, its redo branch gone") << Setup([](Korvane& f) {
        gameUnderWay(f);
        f.Undo();
    }) << Setup([](Korvane& f) { act(f, [](Korvane& k) { k.Text2_click(5); }); })
                                                                   << false;
}

void TestHistory::oneUndoTakesBack()
{
    QFETCH(Setup, before);
    QFETCH(Setup, then);
    QFETCH(bool, quiet);

    Fixture f;
    before(f.form);
    Korvane back = f.form;
    then(f.form);
    Korvane after = f.form;
    QVERIFY(!f.form.canRedo());

    QVERIFY(f.form.Undo());
    QCOMPARE(formState(f.form), formState(back));
    QVERIFY(static_cast<const FormState&>(f.form) == static_cast<const FormState&>(back));
    QVERIFY(f.form.Redo());
    if (quiet)
        after.Text3.Text = f.form.Text3.Text;
    QCOMPARE(formState(f.form), formState(after));
    QVERIFY(static_cast<const FormState&>(f.form) == static_cast<const FormState&>(after));
    QVERIFY(!f.form.canRedo());
    QVERIFY(f.port.calls.isEmpty());
}

void TestHistory::boundsKeepTheNewest_data()
{
    QTest::addColumn<Setup>("action");  // one action, done again and again
    QTest::addColumn<int>("times");
    QTest::addColumn<int>("kept");  // the steps back kept; 0: fewer than times, what fits

    QTest::newRow("palette clicks, the last 2,000")
        << Setup([](Korvane& f) { f.Text2_click((f.paletteIndex() + 1) % 11); })
        << History::MaxSteps + 150 << History::MaxSteps;
    // Two puzzles in turn: every cell changes each time.
    QTest::newRow("whole boards, what fits in the bytes") << Setup([](Korvane& f) {
        f.PastePuzzle(f.savedGrid[1] == u"4" ? puzzles::SinglesGivens : puzzles::DiagonalGivens);
    }) << History::MaxSteps << 0;
}

void TestHistory::boundsKeepTheNewest()
{
    QFETCH(Setup, action);
    QFETCH(int, times);
    QFETCH(int, kept);

    Fixture f;
    std::vector<FormState> states{f.form};
    for (int i = 0; i < times; ++i) {
        act(f.form, action);
        states.push_back(f.form);
    }
    const int back = f.form.history.undoCount();
    if (kept > 0)
        QCOMPARE(back, kept);
    else
        QVERIFY2(back > 0 && back < times, qPrintable(QString::number(back)));
    while (f.form.Undo()) {
    }
    QVERIFY(static_cast<const FormState&>(f.form) == states[size_t(times - back)]);
    QCOMPARE(f.form.history.redoCount(), back);
}

void TestHistory::undoAcrossRestart_data()
{
    QTest::addColumn<bool>("withFile");  // started with a puzzle file, else はい

    QTest::newRow("はい at the question") << false;
    QTest::newRow("a start with a puzzle file") << true;
}

void TestHistory::undoAcrossRestart()
{
    QFETCH(bool, withFile);

    QTemporaryDir home;
    Fixture before;
    std::vector<FormState> states;
    {
        BoardKeeper keeper(home.path(), [](const QString&) {});
        QVERIFY(!keeper.open(before.form));
        states.push_back(before.form);
        const auto step = [&](const Setup& action) {
            act(before.form, action);
            states.push_back(before.form);
        };
        step([](Korvane& k) { k.PastePuzzle(puzzles::SinglesGivens); });
        step([](Korvane& k) { k.Text6_Click(); });
        for (int cell : {0, 1, 2}) {
            const int digit = puzzles::SinglesSolution[cell].digitValue();
            step([digit](Korvane& k) { k.Text2_click(digit - 1); });
            step([cell](Korvane& k) { k.Text1_click(cell); });
        }
        // The last placement undone: a redo branch to keep too.
        QVERIFY(before.form.Undo());
        keeper.keep(before.form, before.form.keptHistory());
        keeper.finish();
    }

    Fixture after;
    BoardKeeper keeper(home.path(), [](const QString&) {});
    const std::optional<keptstate::Kept> kept = keeper.open(after.form);
    QVERIFY(kept);
    int at = int(states.size()) - 2;
    if (withFile) {
        after.form.RestoreKeptBoard(kept->board, kept->history);
        writeFile(QStringLiteral("given.txt"), drawnGrid(puzzles::DiagonalGivens));
        act(after.form, [](Korvane& k) { k.OpenPuzzleFile(QStringLiteral("given.txt")); });
        QVERIFY(after.form.savedGrid[1] == u"4");
        QVERIFY(after.form.Undo());
        QVERIFY(static_cast<const FormState&>(after.form) == states[size_t(at)]);
    } else {
        after.port.answers = {MessagePort::Yes};
        QVERIFY(after.form.OfferKeptBoard(kept->board, kept->history));
        QVERIFY(static_cast<const FormState&>(after.form) == states[size_t(at)]);
        QVERIFY(after.form.Redo());
        QVERIFY(static_cast<const FormState&>(after.form) == states[size_t(++at)]);
    }
    while (after.form.Undo()) {
        --at;
        QVERIFY2(static_cast<const FormState&>(after.form) == states[size_t(at)],
                 qPrintable(QString::number(at)));
    }
    QCOMPARE(at, 0);
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
