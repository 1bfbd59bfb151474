// Every committed fuzz input, replayed in the normal builds: the seeds and
// each input that once broke a rule (kept as a regression test).
#include <QDir>
#include <QTest>

#include "actionplayer.h"
#include "currentfolder.h"

// The check a fuzz target runs on its input.
using Check = QString (*)(QByteArrayView);
Q_DECLARE_METATYPE(Check)

class TestFuzzCorpus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }
    void replay_data();
    void replay();

private:
    const TemporaryCurrentFolder folder;
};

void TestFuzzCorpus::replay_data()
{
    QTest::addColumn<Check>("check");
    QTest::addColumn<QString>("path");
    const QList<std::pair<const char*, Check>> targets{{"puzzlefile", checkPuzzleFileLoad},
                                                       {"actions", playActions},
                                                       {"keptstate", checkKeptBoard},
                                                       {"nextstep", checkNextSteps}};
    for (const auto& [target, check] : targets) {
        const QDir corpus(QStringLiteral(KORVANE_FUZZ_CORPUS "/") + QLatin1String(target));
        const QStringList files = corpus.entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& name : files)
            QTest::addRow("%s/%s", target, qPrintable(name)) << check << corpus.filePath(name);
    }
}

void TestFuzzCorpus::replay()
{
    QFETCH(Check, check);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(check(file.readAll()), QString());
}

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzz_corpus.moc"
