// What the program does at its start before there is a window: its command
// line, and Qt's own texts in the user's language.
#include <memory>

#include <QCoreApplication>
#include <QTest>
#include <QTranslator>

#include "commandline.h"
#include "platformtexts.h"

class TestStart : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void platformTextsInTheUsersLanguage();
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

QTEST_GUILESS_MAIN(TestStart)
#include "tst_start.moc"
