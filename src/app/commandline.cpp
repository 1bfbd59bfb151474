#include "commandline.h"

#include <QCommandLineParser>

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Korvane: a helper for number-place puzzles / ナンプレ解答補助ツール"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
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
    const QCommandLineOption explain(
        QStringLiteral("explain"),
        QStringLiteral("Work the puzzle in FILE step by step with the easiest technique each "
                       "time, one step a line, with no window. Exit status: 0 solved, 1 stuck, "
                       "2 a file that cannot be read."));
    const QCommandLineOption diagonal(
        QStringLiteral("diagonal"),
        QStringLiteral("With --explain: both long diagonals hold 1-9 too."));
    parser.addOptions({explain, diagonal});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A puzzle file to load at start; Data Load reads it from then on. "
                       "Without it, Data Load reads mondai.txt in the current folder."),
        QStringLiteral("[FILE]"));

    CommandLine command;
    if (!parser.parse(arguments)) {
        command.action = CommandLine::Action::Refuse;
        command.text = parser.errorText() + u'\n' + parser.helpText();
    } else if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        command.action = CommandLine::Action::ShowHelp;
        command.text = parser.helpText();
    } else if (parser.isSet(version)) {
        command.action = CommandLine::Action::ShowVersion;
        command.text = QStringLiteral("Korvane " KORVANE_VERSION "\n");
    } else if (parser.isSet(explain) && parser.positionalArguments().size() != 1) {
        command.action = CommandLine::Action::Refuse;
        command.text = QStringLiteral("--explain needs one puzzle file.\n") + parser.helpText();
    } else if (parser.isSet(diagonal) && !parser.isSet(explain)) {
        command.action = CommandLine::Action::Refuse;
        command.text = QStringLiteral("--diagonal goes with --explain.\n") + parser.helpText();
    } else if (parser.isSet(explain)) {
        command.action = CommandLine::Action::Explain;
        command.puzzleFile = parser.positionalArguments().first();
        command.diagonal = parser.isSet(diagonal);
    } else if (parser.positionalArguments().size() > 1) {
        command.action = CommandLine::Action::Refuse;
        command.text = QStringLiteral("Only one puzzle file can be opened.\n") + parser.helpText();
    } else if (!parser.positionalArguments().isEmpty()) {
        command.puzzleFile = parser.positionalArguments().first();
    }
    return command;
}
