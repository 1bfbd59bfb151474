#pragma once

#include <array>
#include <optional>

#include <QByteArrayView>
#include <QString>

// Reading the puzzle file mondai.txt: a 9x9 grid drawn as text, with row r on
// line 2r+2 and column c at character 2c+2 of that line (both counted from 1).
// Everything else in the file (the drawn rules, lines past 19, characters past
// 19) is never looked at.
//
// Text is Windows-31J (Shift-JIS, code page 932), unless the file starts with a
// UTF-8 byte-order mark, or the lines read are valid UTF-8 and hold a byte
// above 0x7F: then it is UTF-8. Bytes that do not decode, and characters
// beyond U+FFFF, become U+FFFD, so every character is one position. CR LF,
// a lone LF and a lone CR each end a line.
namespace puzzlefile {

inline constexpr int LinesRead = 19;

using Entries = std::array<QString, 81>;

// The entry a cell character stands for: "１"-"９" become "1"-"9", the
// ideographic space and a missing character become "", anything else stays.
QString entryFor(QStringView cellCharacter);

// Reads the file. Returns nothing when it cannot be opened or read, or is not
// a regular file (a directory, a FIFO or a device is refused without waiting
// on it). Memory stays bounded whatever the file's size.
std::optional<Entries> read(const QString& path);

// The same reading, from bytes already in memory.
Entries parse(QByteArrayView bytes);

}  // namespace puzzlefile
