#pragma once

#include <QString>
#include <QStringList>

#include "language.h"

// What the program is asked to do by its command line,
//   korvane [-h|--help] [-v|--version] [FILE]
//   korvane --explain [--diagonal] FILE
// FILE is a puzzle file to open once the window is up, or, with --explain,
// to work step by step on standard output, with no window.
struct CommandLine {
    enum class Action { Start, ShowHelp, ShowVersion, Refuse, Explain };
    Action action = Action::Start;
    QString puzzleFile;     // FILE as given, or empty
    bool diagonal = false;  // --diagonal
    QString text;           // what to print for the other actions
};

// Reads `arguments` (the program's name first). Never exits and prints
// nothing itself, so that it can run before there is a window. The texts it
// gives (the usage, a refusal) are in `language`; Qt's own parts of them
// (the headings, a parser's error) come from Qt's translations, in the
// language of the translator installed, if any.
CommandLine parseCommandLine(const QStringList& arguments, Language language = Language::English);
