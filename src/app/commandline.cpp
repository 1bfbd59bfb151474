#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// The program's own texts of the command line, in each language. A Japanese
// description keeps each of its lines within the terminal's 79 columns,
// where a Japanese character takes two: Qt breaks a description's lines at
// spaces, and at its own count of characters.
struct Texts {
    const char16_t* description;
    const char16_t* help;
    const char16_t* helpAll;
    const char16_t* version;
    const char16_t* explain;
    const char16_t* diagonal;
    const char16_t* file;
    const char16_t* explainNeedsAFile;
    const char16_t* diagonalWithoutExplain;
    const char16_t* twoFiles;
};

constexpr Texts English{
    u"Korvane: a helper for number-place puzzles / ナンプレ解答補助ツール",
    u"Displays help on commandline options.",
    u"Displays help including Qt specific options.",
    u"Displays version information.",
    u"Work the puzzle in FILE step by step with the easiest technique each time, one step a "
    u"line, with no window. Exit status: 0 solved, 1 stuck, 2 a file that cannot be read, 3 "
    u"givens with no solution or more than one.",
    u"With --explain: both long diagonals hold 1-9 too.",
    u"A puzzle file to load at start; Data Load reads it from then on. Without it, Data Load "
    u"reads mondai.txt in the current folder.",
    u"--explain needs one puzzle file.",
    u"--diagonal goes with --explain.",
    u"Only one puzzle file can be opened.",
};

constexpr Texts Japanese{
    u"Korvane: ナンプレ解答補助ツール",
    u"この使い方を表示して終了します。",
    u"--help と同じです。",
    u"バージョンを表示して終了します。",
    u"ウィンドウを開かずに、FILE の問題をいちばん易しい\n"
    u"手筋で一手ずつ解き、一手を一行に書きます。\n"
    u"終了コード：0 解けた、1 行き詰まった、\n"
    u"2 ファイルを読めない、3 解がないか複数ある。",
    u"--explain で、二本の対角線にも 1～9 が一つずつ\n"
    u"入る問題として解きます。",
    u"起動時に読み込む問題ファイル。以後 Data Load は\n"
    u"このファイルを読みます。指定しないと、Data Load は\n"
    u"カレントフォルダーの mondai.txt を読みます。",
    u"--explain には問題ファイルを一つ指定してください。",
    u"--diagonal は --explain と一緒に使います。",
    u"開ける問題ファイルは一つだけです。",
};

QString text(const char16_t* literal)
{
    return QString::fromUtf16(literal);
}

// How many terminal columns `line` takes: two for a wide (East Asian)
// character, one for any other.
qsizetype columns(QStringView line)
{
    qsizetype n = 0;
    for (QChar ch : line)
        n += ch.unicode() >= 0x1100 && ch.unicode() != 0xFFFD ? 2 : 1;
    return n;
}

// Qt's help with the second form of the command, --explain's, under the
// first line of the usage and lined up with it.
QString withExplainUsage(const QString& help)
{
    const QString program = QCoreApplication::instance() != nullptr
                                ? QCoreApplication::arguments().constFirst()
                                : QStringLiteral("<executable_name>");
    const qsizetype lineEnd = help.indexOf(u'\n');
    const qsizetype at = help.left(lineEnd).indexOf(program);
    if (lineEnd < 0 || at < 0)
        return help;
    return help.left(lineEnd + 1) + QString(columns(QStringView(help).left(at)), u' ') + program +
           QStringLiteral(" --explain [--diagonal] FILE\n") + help.mid(lineEnd + 1);
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments, Language language)
{
    const Texts& texts = language == Language::Japanese ? Japanese : English;
    QCommandLineParser parser;
    parser.setApplicationDescription(text(texts.description));
    // Qt's own help and version options, with the program's texts.
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  text(texts.help));
    const QCommandLineOption helpAll(QStringLiteral("help-all"), text(texts.helpAll));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     text(texts.version));
    parser.addOptions({help, helpAll, version});
    // Qt's own options (-platform offscreen, -style fusion, ...) are for the
    // application object, which takes them out of the arguments later; they
    // are let through here, unlisted.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "style",
                             "stylesheet", "display", "geometry", "name", "title", "visual"}) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    const QCommandLineOption explain(QStringLiteral("explain"), text(texts.explain));
    const QCommandLineOption diagonal(QStringLiteral("diagonal"), text(texts.diagonal));
    parser.addOptions({explain, diagonal});
    parser.addPositionalArgument(QStringLiteral("FILE"), text(texts.file),
                                 QStringLiteral("[FILE]"));

    CommandLine command;
    const auto refuse = [&](const QString& why) {
        command.action = CommandLine::Action::Refuse;
        command.text = why + u'\n' + withExplainUsage(parser.helpText());
    };
    if (!parser.parse(arguments)) {
        refuse(parser.errorText());
    } else if (parser.isSet(help) || parser.isSet(helpAll)) {
        command.action = CommandLine::Action::ShowHelp;
        command.text = withExplainUsage(parser.helpText());
    } else if (parser.isSet(version)) {
        command.action = CommandLine::Action::ShowVersion;
        command.text = QStringLiteral("Korvane " KORVANE_VERSION "\n");
    } else if (parser.isSet(explain) && parser.positionalArguments().size() != 1) {
        refuse(text(texts.explainNeedsAFile));
    } else if (parser.isSet(diagonal) && !parser.isSet(explain)) {
        refuse(text(texts.diagonalWithoutExplain));
    } else if (parser.isSet(explain)) {
        command.action = CommandLine::Action::Explain;
        command.puzzleFile = parser.positionalArguments().first();
        command.diagonal = parser.isSet(diagonal);
    } else if (parser.positionalArguments().size() > 1) {
        refuse(text(texts.twoFiles));
    } else if (!parser.positionalArguments().isEmpty()) {
        command.puzzleFile = parser.positionalArguments().first();
    }
    return command;
}
