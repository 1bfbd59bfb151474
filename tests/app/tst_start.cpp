// What the program does at its start before there is a window: its command
// line, and Qt's own texts in the user's language.
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <unistd.h>

#include "commandline.h"
#include "explain.h"
#include "filenames.h"
#include "platformtexts.h"
#include "testsupport.h"

Q_DECLARE_METATYPE(Language)

namespace {

// A puzzle whose one solution the next step cannot reach: a minimal
// diagonal one, worked as a diagonal puzzle.
const QByteArray StuckPuzzle =
    "9....1...8..2......1.7.6......8..1.........42......7..3.....26...........791.....\n";
const QByteArray TwoFivesInRowOne = "5.......5" + QByteArray(72, '.') + "\n";
const QByteArray FourGivens =
    "1....2..." + QByteArray(27, '.') + "....3...." + QByteArray(27, '.') + "........4\n";

// Words of three letters or more in `text` that are not names the program
// keeps in every language (its options, FILE, Data Load, its file names),
// once the program's own path and the notation r5c7=3 r5c8<>7 are taken out.
QStringList englishWords(QString text, const QString& program = QString())
{
    static const QStringList kept{"korvane",  "Korvane", "help", "all",  "version", "explain",
                                  "diagonal", "FILE",    "Data", "Load", "mondai",  "txt"};
    static const QRegularExpression notation(QStringLiteral("r\\dc\\d(=|<>)\\d"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z_]{3,}"));
    if (!program.isEmpty())
        text.remove(program);
    text.remove(notation);
    QStringList found;
    for (const QRegularExpressionMatch& m : word.globalMatch(text)) {
        if (!kept.contains(m.captured()))
            found.append(m.captured());
    }
    return found;
}

// Where a terminal shows the text that follows `prefix`: a wide character
// takes two columns.
qsizetype columnsOf(QStringView prefix)
{
    qsizetype n = 0;
    for (QChar ch : prefix)
        n += ch.unicode() >= 0x1100 ? 2 : 1;
    return n;
}

// What is left of the English of Qt's own headings where its Japanese
// translations are not installed.
const QStringList QtHeadings{"Usage", "options", "Options", "Arguments"};

}  // namespace

class TestStart : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void platformTextsInTheUsersLanguage();
    void usageInTheUsersLanguage_data();
    void usageInTheUsersLanguage();
    void explainAPuzzle_data();
    void explainAPuzzle();
    void theProgramUnderALocale_data();
    void theProgramUnderALocale();
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

// --help and a refusal in each language, the usage naming both forms of the
// command: the second lined up under the first.
void TestStart::usageInTheUsersLanguage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("says");  // the start of what is printed
    QTest::newRow("--help") << QStringList{"--help"} << Language::English << "Usage: ";
    QTest::newRow("--help, Japanese") << QStringList{"--help"} << Language::Japanese << QString();
    QTest::newRow("a refusal, Japanese") << QStringList{"--explain"} << Language::Japanese
                                         << "--explain には問題ファイルを一つ指定してください。\n";
}

void TestStart::usageInTheUsersLanguage()
{
    QFETCH(QStringList, arguments);
    QFETCH(Language, language);
    QFETCH(QString, says);
    // Qt's own headings follow its translator, as at the program's start.
    std::unique_ptr<QTranslator> qtTexts(installPlatformTranslations(
        language == Language::Japanese ? QLocale(QLocale::Japanese, QLocale::Japan)
                                       : QLocale(QLocale::English)));
    const QString text =
        parseCommandLine(QCoreApplication::arguments().mid(0, 1) + arguments, language).text;
    QVERIFY2(text.startsWith(says), qPrintable(text));
    const QStringList lines = text.split(u'\n');
    const QString program = QCoreApplication::arguments().constFirst();
    qsizetype usage = 0;
    while (usage + 1 < lines.size() && !lines[usage].contains(program))
        ++usage;
    QVERIFY2(usage + 1 < lines.size(), qPrintable(text));
    const QString& first = lines[usage];
    const qsizetype column = columnsOf(QStringView(first).left(first.indexOf(program)));
    QCOMPARE(lines[usage + 1], QString(column, u' ') + program + " --explain [--diagonal] FILE");
    if (language == Language::English) {
        QVERIFY(text.contains(QStringLiteral("Work the puzzle in FILE")));
        return;
    }
    const QStringList words = englishWords(text, program);
    if (!qtTexts && words == QtHeadings)
        QSKIP("Qt's Japanese translations are not installed (qt6-translations-l10n)");
    QVERIFY2(words.isEmpty(), qPrintable(words.join(u' ') + u'\n' + text));
}

void TestStart::explainAPuzzle_data()
{
    QTest::addColumn<QByteArray>("file");  // empty: no file there
    QTest::addColumn<Language>("language");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("firstLine");  // when it is no step
    QTest::addColumn<QString>("lastLine");   // its start; for a file not read, the error's end
    QTest::addColumn<QByteArray>("name");    // the file's name, the system's bytes
    QTest::addColumn<qint64>("size");        // the file made this long with a hole

    const auto en = Language::English;
    const auto ja = Language::Japanese;
    const QByteArray name("puzzle.txt");
    const QByteArray odd("bad\xFF\xFE.txt");
    const qint64 asIs = 0;
    const QByteArray solved =
        ".......782...1.54...724........2.78....3..4..1.......33.478...1.654..........5...\n";
    QTest::newRow("solved") << solved << en << 0 << QString() << "solved" << name << asIs;
    QTest::newRow("solved, Japanese")
        << solved << ja << 0 << QString() << "解けました（" << name << asIs;
    QTest::newRow("stuck") << StuckPuzzle << en << 1 << QString() << "stuck" << name << asIs;
    QTest::newRow("stuck, Japanese")
        << StuckPuzzle << ja << 1 << QString() << "行き詰まりました（" << name << asIs;
    QTest::newRow("two 5s in row 1") << TwoFivesInRowOne << en << 3 << "解がありません"
                                     << "stuck 0 steps" << name << asIs;
    QTest::newRow("two 5s in row 1, Japanese") << TwoFivesInRowOne << ja << 3 << "解がありません"
                                               << "行き詰まりました（0手）" << name << asIs;
    QTest::newRow("four givens") << FourGivens << en << 3 << "解が複数あります"
                                 << "stuck" << name << asIs;
    QTest::newRow("four givens, Japanese") << FourGivens << ja << 3 << "解が複数あります"
                                           << "行き詰まりました（" << name << asIs;
    QTest::newRow("no puzzle in the file") << QByteArray("hello\n") << en << 2 << QString()
                                           << ": no puzzle in this file" << name << asIs;
    QTest::newRow("no puzzle in the file, Japanese")
        << QByteArray("hello\n") << ja << 2 << QString() << ": 問題として読めません" << name
        << asIs;
    QTest::newRow("no file") << QByteArray() << en << 2 << QString() << ": cannot be read" << name
                             << asIs;
    QTest::newRow("no file, Japanese")
        << QByteArray() << ja << 2 << QString() << ": ファイルを読めません" << name << asIs;
    QTest::newRow("a name that is not UTF-8")
        << solved << en << 0 << QString() << "solved" << odd << asIs;
    QTest::newRow("2 GiB without a line end")
        << QByteArray("x") << en << 2 << QString() << ": no puzzle in this file" << name
        << qint64(2) * 1024 * 1024 * 1024;
}

// korvane --explain: a first line when the givens have no one solution, a
// step a line (technique, notation, explanation), the last line the end and
// its count of steps, the status what the end was.
void TestStart::explainAPuzzle()
{
    QFETCH(QByteArray, file);
    QFETCH(Language, language);
    QFETCH(int, status);
    QFETCH(QString, firstLine);
    QFETCH(QString, lastLine);
    QFETCH(QByteArray, name);
    QFETCH(qint64, size);
    QTemporaryDir folder;
    // As the command line gives it.
    const QString path = filenames::fromNative(QFile::encodeName(folder.path()) + '/' + name);
    const QByteArray native = filenames::toNative(path);
    if (!file.isEmpty()) {
        FILE* out = std::fopen(native.constData(), "wb");
        QVERIFY(out);
        QCOMPARE(std::fwrite(file.constData(), 1, size_t(file.size()), out), size_t(file.size()));
        std::fclose(out);
        if (size > 0)
            QCOMPARE(::truncate(native.constData(), size), 0);
    }
    // Qt cannot remove a name that is not UTF-8 with the folder.
    const struct Removed {
        QByteArray name;
        ~Removed() { ::unlink(name.constData()); }
    } removed{native};
    QString printed;
    QString said;
    QTextStream out(&printed);
    QTextStream errors(&said);
    QCOMPARE(explainPuzzle(path, file == StuckPuzzle, out, errors, language), status);
    out.flush();
    errors.flush();
    if (status == 2) {
        QVERIFY(printed.isEmpty());
        // The path as a person reads it, and why.
        QCOMPARE(said, QStringLiteral("korvane: ") + filenames::shown(path) + lastLine + u'\n');
        return;
    }
    QStringList lines = printed.split(u'\n', Qt::SkipEmptyParts);
    if (!firstLine.isEmpty())
        QCOMPARE(lines.takeFirst(), firstLine);
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
    static const QRegularExpression count(QStringLiteral("\\d+"));
    QCOMPARE(count.match(lines.last()).captured().toInt(), steps);
    // Every text Japanese, the notation aside and the techniques' names as
    // Japanese solvers write them (AIC, XYZ-ウィング).
    if (language == Language::Japanese) {
        for (const QString& line : lines)
            QVERIFY2(englishWords(line.section(u'\t', -1)).isEmpty(), qPrintable(line));
    }
}

// The program itself, without a display: the locale it is started under
// chooses the language, and --explain's status comes out as its exit code.
void TestStart::theProgramUnderALocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("arguments");  // "PUZZLE": a file of `puzzle`
    QTest::addColumn<QByteArray>("puzzle");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");  // the start of standard output
    const QStringList explain{"--explain", "PUZZLE"};
    QTest::newRow("--help, ja_JP")
        << "ja_JP.UTF-8" << QStringList{"--help"} << QByteArray() << 0 << "使い方: ";
    QTest::newRow("--help, C") << "C" << QStringList{"--help"} << QByteArray() << 0 << "Usage: ";
    QTest::newRow("two 5s in row 1, ja_JP")
        << "ja_JP.UTF-8" << explain << TwoFivesInRowOne << 3 << "解がありません\n";
    QTest::newRow("four givens, en_US")
        << "en_US.UTF-8" << explain << FourGivens << 3 << "解が複数あります\n";
}

void TestStart::theProgramUnderALocale()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, puzzle);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("puzzle.txt"));
    QVERIFY(puzzle.isEmpty() || writeFile(path, puzzle));
    arguments.replaceInStrings(QStringLiteral("PUZZLE"), path);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_MESSAGES", "LC_ALL"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), locale);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KORVANE_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString printed = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(printed.startsWith(says), qPrintable(printed));
    if (!locale.startsWith(u"ja"))
        return;
    // The steps' lines are explainAPuzzle's.
    QString rest;
    for (const QString& line : printed.split(u'\n')) {
        if (!line.contains(u'\t'))
            rest += line + u'\n';
    }
    const QStringList words = englishWords(rest, QStringLiteral(KORVANE_PROGRAM));
    if (words == QtHeadings)
        QSKIP("Qt's Japanese translations are not installed (qt6-translations-l10n)");
    QVERIFY2(words.isEmpty(), qPrintable(words.join(u' ') + u'\n' + printed));
}

QTEST_GUILESS_MAIN(TestStart)
#include "tst_start.moc"
