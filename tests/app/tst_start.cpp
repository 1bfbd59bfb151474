// What the program does at its start before there is a window: its command
// line, and Qt's own texts in the user's language.
#include <memory>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "commandline.h"
#include "explain.h"
#include "platformtexts.h"

class TestStart : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void platformTextsInTheUsersLanguage();
    void explainAPuzzle_data();
    void explainAPuzzle();
};

void TestStart::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("says");  // the start of what is printed

    using A = CommandLine::Action;
    const QString none;
    QTest::newRow("no arguments") << QStringList{} << A::Start << none << none;
    QTest::newRow("a file with a space and kanji")
        << QStringList{"問題 1.txt"} << A::Start << "問題 1.txt" << none;
    QTest::newRow("Qt's own options pass")
        << QStringList{"-platform", "xcb", "-reverse", "p.txt"} << A::Start << "p.txt" << none;
    QTest::newRow("--help") << QStringList{"--help"} << A::ShowHelp << none << "Usage: ";
    QTest::newRow("-h") << QStringList{"-h"} << A::ShowHelp << none << "Usage: ";
    QTest::newRow("--version") << QStringList{"--version"} << A::ShowVersion << none
                               << "Korvane " KORVANE_VERSION "\n";
    QTest::newRow("-v") << QStringList{"-v"} << A::ShowVersion << none << "Korvane ";
    QTest::newRow("two files") << QStringList{"a.txt", "b.txt"} << A::Refuse << none
                               << "Only one puzzle file";
    QTest::newRow("--explain") << QStringList{"--explain", "p.sdk"} << A::Explain << "p.sdk"
                               << none;
    QTest::newRow("--explain --diagonal")
        << QStringList{"--diagonal", "--explain", "p.txt"} << A::Explain << "p.txt" << none;
    QTest::newRow("--explain without a file")
        << QStringList{"--explain"} << A::Refuse << none << "--explain needs one puzzle file";
    QTest::newRow("--diagonal alone")
        << QStringList{"--diagonal", "p.txt"} << A::Refuse << none << "--diagonal goes with";
    QTest::newRow("an unknown option")
        << QStringList{"--solve"} << A::Refuse << none << "Unknown option 'solve'";
}

void TestStart::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, file);
    QFETCH(QString, says);

    const CommandLine command = parseCommandLine(QStringList{"korvane"} + arguments);
    QCOMPARE(command.action, action);
    QCOMPARE(command.puzzleFile, file);
    QVERIFY2(command.text.startsWith(says), qPrintable(command.text));
}

// Under a Japanese locale Qt's own texts (a text box's context menu, say)
// are Japanese; a language with no translation leaves them English.
void TestStart::platformTextsInTheUsersLanguage()
{
    QCOMPARE(installPlatformTranslations(QLocale(QStringLiteral("tlh"))), nullptr);
    const QString paste = QStringLiteral("&Paste");
    QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "&Paste"), paste);
    std::unique_ptr<QTranslator> japanese(
        installPlatformTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    if (!japanese)
        QSKIP("Qt's Japanese translations are not installed (qt6-translations-l10n)");
    QVERIFY2(QCoreApplication::translate("QWidgetTextControl", "&Paste")
                 .contains(QStringLiteral("貼り付け")),
             qPrintable(QCoreApplication::translate("QWidgetTextControl", "&Paste")));
}

void TestStart::explainAPuzzle_data()
{
    QTest::addColumn<QByteArray>("file");  // empty: no file there
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("solved") << QByteArray(".......782...1.54...724........2.78....3..4..1.......33."
                                          "478...1.654..........5...\n")
                            << 0 << "solved";
    // One given: far too few to get anywhere.
    QTest::newRow("stuck") << QByteArray("1" + QByteArray(80, '.') + "\n") << 1 << "stuck";
    QTest::newRow("a contradiction in the givens")
        << QByteArray("11" + QByteArray(79, '.') + "\n") << 1 << "stuck 0 steps";
    QTest::newRow("no puzzle in the file") << QByteArray("hello\n") << 2 << QString();
    QTest::newRow("no file") << QByteArray() << 2 << QString();
}

// korvane --explain: a step a line (technique, notation, explanation), the
// last line the end, the status what the end was.
void TestStart::explainAPuzzle()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QString, lastLine);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("puzzle.txt"));
    if (!file.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    QString printed;
    QString said;
    QTextStream out(&printed);
    QTextStream errors(&said);
    QCOMPARE(explainPuzzle(path, false, out, errors), status);
    out.flush();
    errors.flush();
    QStringList lines = printed.split(u'\n', Qt::SkipEmptyParts);
    if (lastLine.isEmpty()) {
        QVERIFY(printed.isEmpty());
        QVERIFY(said.startsWith(QStringLiteral("korvane: ")));
        return;
    }
    QVERIFY2(lines.takeLast().startsWith(QStringLiteral("難易度：")), qPrintable(printed));
    QVERIFY2(lines.last().startsWith(lastLine), qPrintable(lines.last()));
    int steps = 0;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].contains(u'\t')) {
            QCOMPARE(lines[i].split(u'\t').size(), 3);
            ++steps;
        } else {
            QVERIFY2(lines[i].startsWith(QStringLiteral("候補が矛盾しています")),
                     qPrintable(lines[i]));
        }
    }
    QCOMPARE(lines.last().split(u' ').value(1).toInt(), steps);
}

QTEST_GUILESS_MAIN(TestStart)
#include "tst_start.moc"
