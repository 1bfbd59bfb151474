#pragma once

#include <QChar>

// The full-width digits "１"-"９" (U+FF11-U+FF19), which a Japanese input
// method types and Japanese editors save, stand for the digits "1"-"9"
// wherever the program takes a digit from the user: in the puzzle file and in
// a typed cell. The full-width zero and every other character stay as they are.
constexpr QChar asciiDigit(QChar ch)
{
    const char16_t u = ch.unicode();
    return (u >= u'１' && u <= u'９') ? QChar(char16_t(u'1' + (u - u'１'))) : ch;
}
