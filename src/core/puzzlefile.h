#pragma once

#include <array>
#include <optional>

#include <QByteArrayView>
#include <QString>

// Reading a puzzle, from the puzzle file mondai.txt, a file opened from
// elsewhere or the clipboard. It comes in one of two kinds of shape:
//
// - The drawn grid, the program's own: a 9x9 grid drawn as text, with row r
//   on line 2r+2 and column c at character 2c+2 of that line (both counted
//   from 1). Everything else (the drawn rules, lines past 19, characters past
//   19) is never looked at.
// - The exchange shapes other programs and web pages use: one line of 81
//   cells, or 9 lines of 9 cells. "|", spaces and tabs may stand between
//   cells; lines made of "-", "+", "=", "*", "|" and spaces (with at least
//   one "-", "+" or "=") rule the boxes off; lines starting with "#" are
//   comments; blank lines are skipped; whatever follows the last row is
//   ignored. A cell is "1"-"9" or "１"-"９" for a given, and "0", ".", "*",
//   "-", "_", "x", "X", "０" or the ideographic space for none.
//
// A text that has an exchange shape is read as one; any other is read as a
// drawn grid. A drawn grid's lines are never an exchange row: its rules are
// box-drawing characters.
//
// Only the first BytesRead bytes of a text are ever looked at, whatever its
// line ends. A text whose puzzle does not lie in them (no exchange shape
// complete there, and the drawn grid's 19 lines not ended there) reads as an
// empty text would: as a file with no puzzle.
//
// Text is Windows-31J (Shift-JIS, code page 932), unless the file starts with a
// UTF-8 byte-order mark, or the lines read are valid UTF-8 and hold a byte
// above 0x7F: then it is UTF-8. Bytes that do not decode, and characters
// beyond U+FFFF, become U+FFFD, so every character is one position. CR LF,
// a lone LF and a lone CR each end a line. (An exchange row is decoded on its
// own: as UTF-8 where it is UTF-8, as Windows-31J otherwise.)
namespace puzzlefile {

inline constexpr int LinesRead = 19;

using Entries = std::array<QString, 81>;

// How much of a text is read at most, by every way in (a file, the
// clipboard), so that a huge one is never read to its end.
inline constexpr qsizetype BytesRead = 1024 * 1024;

// Whether an entry is a given: one of the digits "1"-"9".
inline bool isDigit(QStringView entry)
{
    return entry.size() == 1 && entry.at(0) >= u'1' && entry.at(0) <= u'9';
}

// What a text reads as, both ways.
struct Reading {
    Entries drawn;                    // as a drawn grid
    std::optional<Entries> exchange;  // as an exchange shape, where it has one

    // The entries the text stands for.
    const Entries& entries() const { return exchange ? *exchange : drawn; }
    // Whether a text the user pasted is a puzzle: an exchange shape, or a
    // drawn grid with at least one given and nothing but the digits 1-9 and
    // empty entries.
    bool isPuzzle() const;
};

// The entry a cell character stands for: "１"-"９" become "1"-"9", the
// ideographic space and a missing character become "", anything else stays.
QString entryFor(QStringView cellCharacter);

// Reads the file. Returns nothing when it cannot be opened or read, or is not
// a regular file (a directory, a FIFO or a device is refused without waiting
// on it). `path` is a name as filenames::fromNative() makes it, so that any
// name the system has opens. Time and memory stay bounded whatever the
// file's size.
std::optional<Reading> read(const QString& path);

// Whether anything at all has the name `path` (a file, a folder, a device):
// what tells a puzzle file that is missing from one that does not read.
bool exists(const QString& path);

// The same reading, from bytes already in memory.
Reading parse(QByteArrayView bytes);

// The same reading, of a text (the clipboard's).
Reading parseText(const QString& text);

// The decided digits `digits` (entries "1"-"9"; anything else is no given)
// as the program draws a puzzle: Windows-31J, CR LF, 19 lines, full-width
// digits and ideographic spaces inside box-drawing rules.
QByteArray drawnGrid(const Entries& digits);

}  // namespace puzzlefile
