#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "korvane.h"

// A message port that records every box and answers at once. A test that
// needs to look at the form while a box is open sets onMsgBox.
struct FakePort : MessagePort {
    struct Call {
        QString prompt;
        int buttons = 0;
    };
    QList<Call> calls;
    QList<int> answers;  // answered in turn; 1 (OK) once they run out
    std::function<void(const QString& prompt, int buttons)> onMsgBox;

    int MsgBox(const QString& prompt, int buttons) override
    {
        calls.append({prompt, buttons});
        if (onMsgBox)
            onMsgBox(prompt, buttons);
        return answers.isEmpty() ? 1 : answers.takeFirst();
    }

    QStringList prompts() const
    {
        QStringList out;
        for (const Call& c : calls)
            out.append(c.prompt);
        return out;
    }
};

// A form together with the port it talks to.
struct Fixture {
    FakePort port;
    Korvane form{port};
};

// Board fixtures read like the board: 81 characters in reading order, '.' for
// a cell left as it is, anything else a decided cell showing that character in
// the decided style (dark red, 28 points). Whitespace is skipped, so a board
// may be written as nine lines of nine.
void placeDecided(Korvane& form, const QString& board);

// Gives an undecided cell this text as both its shown text and its candidate
// string, with the font size the length calls for.
void setCandidates(Korvane& form, int cellIndex, const QString& text);

// The 81 shown texts, joined with '|', for comparing whole boards.
QString boardTexts(const Korvane& form);
