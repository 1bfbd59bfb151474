#pragma once

#include <QString>
#include <QtGlobal>

// The state of one text box on the form. The first four members change at run
// time; the rest are the design-time settings the view builds its widget from.
// Positions and sizes are in twips (15 twips to a pixel), colours 0xBBGGRR.
struct TextBox {
    // A box that takes typing holds at most this many characters, a line
    // break counting two ("\r\n"): what a box lays out within a frame, and
    // what a kept board holds.
    static constexpr qsizetype MaxLength = 1000;

    QString Text;
    double FontSize = 9.75;
    quint32 ForeColor = 0x000000;
    quint32 BackColor = 0xFFFFFF;

    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Centered = false;  // text centred rather than left-aligned
    bool MultiLine = true;  // "\r\n" starts a new line, long texts wrap
    bool Locked = false;    // read-only: typing is refused
    int TabIndex = 0;
    bool TabStop = true;  // Tab and Shift+Tab stop at it

    bool operator==(const TextBox&) const = default;
};

namespace Colors {
inline constexpr quint32 Black = 0x000000;
inline constexpr quint32 DecidedDigit = 0x0000C0;  // dark red
inline constexpr quint32 HiddenSingle = 0xC00000;  // dark blue
inline constexpr quint32 Idle = 0xC0FFC0;
inline constexpr quint32 Active = 0x8080FF;
inline constexpr quint32 NormalType = 0x80FF80;
inline constexpr quint32 DataRest = 0xFFFFC0;
inline constexpr quint32 CellEvenBox = 0xC0FFFF;
inline constexpr quint32 CellOddBox = 0xFFFFC0;
inline constexpr quint32 DisplayButton = 0x00FFFF;
inline constexpr quint32 ClearAll = 0xC0C0FF;
inline constexpr quint32 MessageLine = 0xC0E0FF;
}  // namespace Colors
