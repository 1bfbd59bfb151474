// Every committed fuzz input, replayed in the normal builds: the seeds and
// each input that once broke a rule (kept as a regression test).
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "actionplayer.h"

class TestFuzzCorpus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir.isValid() && QDir::setCurrent(dir.path())); }
    void replay_data();
    void replay();

private:
    QTemporaryDir dir;
};

void TestFuzzCorpus::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    for (const char* target : {"puzzlefile", "actions"}) {
        const QDir corpus(QStringLiteral(KORVANE_FUZZ_CORPUS "/") + QLatin1String(target));
        const QStringList files = corpus.entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& name : files)
            QTest::addRow("%s/%s", target, qPrintable(name))
                << QString::fromLatin1(target) << corpus.filePath(name);
    }
}

void TestFuzzCorpus::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(target == u"actions" ? playActions(bytes) : checkPuzzleFileLoad(bytes), QString());
}

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzz_corpus.moc"
