#include "puzzlefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include "digits.h"
#include "filenames.h"

namespace puzzlefile {
namespace {

// Of each line only the start matters: 19 characters never take more than 76
// bytes in either encoding, so the rest of a long line is skipped unstored.
constexpr qsizetype KeptBytesPerLine = 128;
constexpr qsizetype LineCharacters = 19;
// An exchange row of 81 cells with a separator between each two, in
// three-byte characters, still fits.
constexpr qsizetype ExchangeLineBytes = 1024;
constexpr int CellCount = 81;
constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");

// Checks a byte stream for well-formed UTF-8, fed in pieces.
class Utf8Check {
public:
    void feed(const char* data, qsizetype size)
    {
        qsizetype i = 0;
        while (i < size && valid_) {
            // ASCII, most of any text, is passed over eight bytes at a time.
            if (pending_ == 0 && size - i >= 8) {
                quint64 eight = 0;
                std::memcpy(&eight, data + i, 8);
                if ((eight & 0x8080808080808080ULL) == 0) {
                    i += 8;
                    continue;
                }
            }
            step(static_cast<unsigned char>(data[i++]));
        }
    }
    // A sequence cut short by the end of the input is not valid.
    bool valid() const { return valid_ && pending_ == 0; }
    bool sawNonAscii() const { return nonAscii_; }

private:
    void step(unsigned char b)
    {
        if (pending_ > 0) {
            if (b < lower_ || b > upper_) {
                valid_ = false;
                return;
            }
            lower_ = 0x80;
            upper_ = 0xBF;
            --pending_;
            return;
        }
        if (b < 0x80)
            return;
        nonAscii_ = true;
        lower_ = 0x80;
        upper_ = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            pending_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            pending_ = 2;
            if (b == 0xE0)
                lower_ = 0xA0;  // no overlong forms
            else if (b == 0xED)
                upper_ = 0x9F;  // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            pending_ = 3;
            if (b == 0xF0)
                lower_ = 0x90;
            else if (b == 0xF4)
                upper_ = 0x8F;  // nothing above U+10FFFF
        } else {
            valid_ = false;
        }
    }

    int pending_ = 0;
    unsigned char lower_ = 0x80;
    unsigned char upper_ = 0xBF;
    bool valid_ = true;
    bool nonAscii_ = false;
};

class ExchangeReader;

// Splits the byte stream into lines: the first 19, keeping the start of each,
// for the drawn grid, and the lines an exchange shape is made of, which go to
// `exchange`. Line ends never occur inside a multi-byte character of either
// encoding, so splitting before decoding is safe. Nothing past the first
// BytesRead bytes is taken.
class LineCollector {
public:
    explicit LineCollector(ExchangeReader& exchange) : exchange_(exchange) {}

    // Feeds the next piece of the file; returns false once enough is read,
    // or once a byte past the first BytesRead comes.
    bool feed(const char* data, qsizetype size)
    {
        const qsizetype taken = std::min(size, BytesRead - fed_);
        fed_ += taken;
        const bool more = feedWithin(data, taken);
        if (more && taken < size) {
            pastCap_ = true;
            return false;
        }
        return more;
    }

    // Called at end of file: a last line without a line end still counts.
    // A line the cap cut is no line.
    void finish()
    {
        if (pastCap_)
            return;
        if (atStart_) {
            atStart_ = false;
            takeBytes(head_.constData(), head_.size());
        }
        if (lineOpen_)
            endLine();
    }

    // Whether the drawn grid needed more than the bytes read: its lines did
    // not all end within them and the text went on.
    bool cutByCap() const { return pastCap_ && !drawnDone(); }

    const QList<QByteArray>& lines() const { return lines_; }
    // A mark, or a non-ASCII character, says UTF-8, but only where the rest
    // is UTF-8 too: a mark before bytes that are not was not saved as UTF-8.
    // Only the lines of the drawn grid count.
    bool useUtf8() const { return (hasBom_ || utf8_.sawNonAscii()) && utf8_.valid(); }

private:
    bool feedWithin(const char* data, qsizetype size)
    {
        qsizetype i = 0;
        if (atStart_) {
            // The first three bytes decide about a byte-order mark; they may
            // arrive in more than one piece.
            while (i < size && head_.size() < 3)
                head_.append(data[i++]);
            if (head_.size() < 3)
                return true;
            atStart_ = false;
            hasBom_ = head_ == Utf8Bom;
            if (!hasBom_ && !takeBytes(head_.constData(), head_.size()))
                return false;
        }
        return takeBytes(data + i, size - i);
    }

    bool drawnDone() const { return lines_.size() >= LinesRead; }
    bool exchangeDone() const;
    bool done() const { return drawnDone() && exchangeDone(); }

    bool takeBytes(const char* data, qsizetype size);
    void endLine();

    ExchangeReader& exchange_;
    QList<QByteArray> lines_;
    QByteArray current_;       // the drawn grid's line
    QByteArray exchangeLine_;  // the same line, for an exchange shape
    bool exchangeLineLong_ = false;
    qsizetype fed_ = 0;  // bytes taken, of BytesRead at most
    bool pastCap_ = false;
    QByteArray head_;
    Utf8Check utf8_;
    bool atStart_ = true;
    bool hasBom_ = false;
    bool lineOpen_ = false;
    bool afterCr_ = false;
};

QStringDecoder windows31J()
{
    QStringDecoder decoder("windows-31j");
    if (!decoder.isValid())
        decoder = QStringDecoder("Shift_JIS");
    return decoder;
}

bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isTrailByte(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}
bool isSingleByte(unsigned char b)
{
    return b <= 0x7F || (b >= 0xA1 && b <= 0xDF);
}

// Decodes the first characters of a Windows-31J line one character at a time,
// so that every byte sequence that is not a character becomes exactly one
// U+FFFD and the characters after it stay where they are. (The converter on
// its own would substitute U+001A, or drop a lead byte cut off by the end.)
QString decodeWindows31J(QByteArrayView bytes, qsizetype maxChars)
{
    QStringDecoder decoder = windows31J();
    QString out;
    qsizetype i = 0;
    while (i < bytes.size() && out.size() < maxChars) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        qsizetype length = 0;
        if (isSingleByte(b))
            length = 1;
        else if (isLeadByte(b) && i + 1 < bytes.size() &&
                 isTrailByte(static_cast<unsigned char>(bytes[i + 1])))
            length = 2;
        if (length == 0) {
            out += QChar(QChar::ReplacementCharacter);
            ++i;
            continue;
        }
        const QString ch = decoder.decode(bytes.sliced(i, length));
        // The converter stands U+001A in for a pair it has no character for;
        // a single byte always is one (it maps 0x7F itself to U+001A).
        const bool substituted = ch.size() != 1 || (ch.at(0) == u'\x1A' && length == 2);
        out += substituted ? QString(QChar(QChar::ReplacementCharacter)) : ch;
        i += length;
    }
    return out;
}

// Decodes a UTF-8 line. A character beyond U+FFFF would be two UTF-16 code
// units, so it would shift every later cell of the line by one and could
// become an entry holding half a character; it becomes one U+FFFD instead.
QString decodeUtf8(QByteArrayView bytes)
{
    const QString decoded =
        QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless).decode(bytes);
    QString out;
    out.reserve(decoded.size());
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const QChar ch = decoded.at(i);
        if (ch.isHighSurrogate() && i + 1 < decoded.size() && decoded.at(i + 1).isLowSurrogate())
            ++i;
        out += ch.isSurrogate() ? QChar(QChar::ReplacementCharacter) : ch;
    }
    return out;
}

// Decodes one line by itself: as UTF-8 where it is UTF-8, else as
// Windows-31J.
QString decodeLine(QByteArrayView bytes)
{
    Utf8Check check;
    check.feed(bytes.data(), bytes.size());
    return check.valid() ? decodeUtf8(bytes) : decodeWindows31J(bytes, bytes.size());
}

enum class LineKind { Blank, Comment, Rule, Other };

// What a line is to an exchange shape, told from its bytes, which are ASCII
// for all but Other in either encoding.
LineKind kindOf(QByteArrayView bytes)
{
    qsizetype first = 0;
    while (first < bytes.size() && (bytes[first] == ' ' || bytes[first] == '\t'))
        ++first;
    if (first == bytes.size())
        return LineKind::Blank;
    if (bytes[first] == '#')
        return LineKind::Comment;
    bool ruled = false;
    for (const char b : bytes) {
        if (b == '-' || b == '+' || b == '=')
            ruled = true;
        else if (b != '*' && b != '|' && b != ' ' && b != '\t')
            return LineKind::Other;
    }
    return ruled ? LineKind::Rule : LineKind::Other;
}

constexpr QChar NoGiven = u'.';

// The cells of an exchange row, a digit or NoGiven each, or nothing where the
// line holds what is neither a cell nor a separator.
std::optional<QString> cellsOf(QStringView line)
{
    static constexpr QStringView empties = u"0.*-_xX\uFF10\u3000";
    QString cells;
    for (const QChar ch : line) {
        if (ch == u'|' || ch == u' ' || ch == u'\t')
            continue;
        const QChar digit = asciiDigit(ch);
        if (digit >= u'1' && digit <= u'9')
            cells += digit;
        else if (empties.contains(ch))
            cells += NoGiven;
        else
            return std::nullopt;
        if (cells.size() > CellCount)
            return std::nullopt;
    }
    return cells;
}

// Gathers the rows of an exchange shape one line at a time, and gives up at
// the first line that cannot belong to one.
class ExchangeReader {
public:
    bool wantsMore() const { return !dead_ && !complete(); }

    void takeLine(QByteArrayView bytes, bool cutShort)
    {
        if (!wantsMore())
            return;
        const LineKind kind = kindOf(bytes);
        if (kind == LineKind::Comment)
            return;
        if (cutShort) {
            dead_ = true;
            return;
        }
        if (kind != LineKind::Other)
            return;
        const std::optional<QString> cells = cellsOf(decodeLine(bytes));
        if (cells && rows_.isEmpty() && cells->size() == CellCount) {
            rows_ += *cells;
            oneLine_ = true;
        } else if (cells && cells->size() == 9) {
            rows_ += *cells;
        } else {
            dead_ = true;
        }
    }

    std::optional<Entries> entries() const
    {
        if (!complete())
            return std::nullopt;
        Entries entries;
        for (int k = 0; k < CellCount; ++k) {
            if (rows_.at(k) != NoGiven)
                entries[static_cast<size_t>(k)] = rows_.at(k);
        }
        return entries;
    }

private:
    bool complete() const { return !dead_ && rows_.size() == CellCount; }

    QString rows_;  // the cells read so far, in reading order
    bool oneLine_ = false;
    bool dead_ = false;
};

bool LineCollector::exchangeDone() const
{
    return !exchange_.wantsMore();
}

bool LineCollector::takeBytes(const char* data, qsizetype size)
{
    // Where the next LF and CR lie, found again only once passed: a piece
    // holding many lines is searched once for each.
    qsizetype lf = -1;
    qsizetype cr = -1;
    const auto next = [&](char c, qsizetype& cached, qsizetype from) {
        if (cached < from) {
            const void* at = std::memchr(data + from, c, static_cast<size_t>(size - from));
            cached = at ? static_cast<const char*>(at) - data : size;
        }
        return cached;
    };
    qsizetype i = 0;
    while (i < size && !done()) {
        if (afterCr_) {
            afterCr_ = false;
            if (data[i] == '\n') {
                if (!drawnDone())
                    utf8_.feed(data + i, 1);
                ++i;
                continue;
            }
        }
        const char* start = data + i;
        const qsizetype end = std::min(next('\n', lf, i), next('\r', cr, i)) - i;

        if (!drawnDone()) {
            utf8_.feed(start, end);
            if (current_.size() < KeptBytesPerLine)
                current_.append(start, std::min(end, KeptBytesPerLine - current_.size()));
        }
        if (exchange_.wantsMore()) {
            const qsizetype room = ExchangeLineBytes - exchangeLine_.size();
            exchangeLine_.append(start, std::min(end, room));
            exchangeLineLong_ = exchangeLineLong_ || end > room;
        }
        lineOpen_ = true;
        i += end;
        if (i == size)
            break;  // the line goes on in the next piece

        afterCr_ = data[i] == '\r';
        if (!drawnDone())
            utf8_.feed(data + i, 1);
        ++i;
        endLine();
    }
    return !done();
}

void LineCollector::endLine()
{
    if (!drawnDone())
        lines_.append(current_);
    current_.clear();
    exchange_.takeLine(exchangeLine_, exchangeLineLong_);
    exchangeLine_.clear();
    exchangeLineLong_ = false;
    lineOpen_ = false;
}

Entries entriesFrom(const LineCollector& collector)
{
    // A grid the first BytesRead bytes do not hold is no grid.
    if (collector.cutByCap())
        return {};
    std::array<QString, LinesRead + 1> lineSlots;
    const bool utf8 = collector.useUtf8();
    for (qsizetype i = 0; i < collector.lines().size(); ++i) {
        const QByteArray& bytes = collector.lines()[i];
        QString& line = lineSlots[static_cast<size_t>(i)];
        if (utf8)
            line = decodeUtf8(bytes);
        else
            line = decodeWindows31J(bytes, LineCharacters);
    }

    Entries entries;
    int k = 0;
    for (int r = 0; r <= 8; ++r) {
        const QString& line = lineSlots[static_cast<size_t>(2 * r + 1)];
        for (int c = 0; c <= 8; ++c) {
            const qsizetype position = 2 * c + 1;  // 0-based: character 2c+2
            entries[static_cast<size_t>(k)] = entryFor(
                position < line.size() ? QStringView(line).mid(position, 1) : QStringView());
            ++k;
        }
    }
    return entries;
}

// Closes the descriptor on every way out.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

QString entryFor(QStringView cellCharacter)
{
    if (cellCharacter.size() == 1) {
        if (cellCharacter.at(0) == u'　')
            return QString();
        return QString(asciiDigit(cellCharacter.at(0)));
    }
    return cellCharacter.toString();
}

bool Reading::isPuzzle() const
{
    if (exchange)
        return true;
    bool given = false;
    for (const QString& entry : drawn) {
        if (entry.isEmpty())
            continue;
        if (!isDigit(entry))
            return false;
        given = true;
    }
    return given;
}

Reading parse(QByteArrayView bytes)
{
    ExchangeReader exchange;
    LineCollector collector(exchange);
    collector.feed(bytes.data(), bytes.size());
    collector.finish();
    return {entriesFrom(collector), exchange.entries()};
}

Reading parseText(const QString& text)
{
    // Each character is a byte at least: one character more than BytesRead
    // is enough to tell a text that goes on past them.
    return parse(QStringView(text).left(BytesRead + 1).toUtf8());
}

std::optional<Reading> read(const QString& path)
{
    // Opened without blocking, so that a FIFO without a writer cannot hold us;
    // only a regular file is read.
    FileDescriptor file;
    const QByteArray name = filenames::toNative(path);
    do {
        file.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;

    ExchangeReader exchange;
    LineCollector collector(exchange);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        if (!collector.feed(buffer, got))
            break;
    }
    collector.finish();
    return Reading{entriesFrom(collector), exchange.entries()};
}

bool exists(const QString& path)
{
    struct stat info {};
    return ::stat(filenames::toNative(path).constData(), &info) == 0;
}

QByteArray drawnGrid(const Entries& digits)
{
    // Rules between boxes are heavy, the others light. A rule line's
    // characters at the odd positions join the verticals that meet there.
    const auto junction = [](int ruleRow, int column) -> QChar {
        const bool heavyRule = ruleRow % 3 == 0;
        const bool heavyColumn = column % 3 == 0;
        if (ruleRow == 0)
            return column == 0 ? u'┏' : column == 9 ? u'┓' : heavyColumn ? u'┳' : u'┯';
        if (ruleRow == 9)
            return column == 0 ? u'┗' : column == 9 ? u'┛' : heavyColumn ? u'┻' : u'┷';
        if (column == 0)
            return heavyRule ? u'┣' : u'┠';
        if (column == 9)
            return heavyRule ? u'┫' : u'┨';
        if (heavyRule)
            return heavyColumn ? u'╋' : u'┿';
        return heavyColumn ? u'╂' : u'┼';
    };
    QString text;
    for (int r = 0; r <= 9; ++r) {
        for (int c = 0; c <= 9; ++c) {
            text += junction(r, c);
            if (c < 9)
                text += r % 3 == 0 ? u'━' : u'─';
        }
        text += u"\r\n";
        if (r == 9)
            break;
        for (int c = 0; c <= 9; ++c) {
            text += c % 3 == 0 ? u'┃' : u'│';
            if (c == 9)
                break;
            const QString& entry = digits[static_cast<size_t>(9 * r + c)];
            text += isDigit(entry) ? QChar(char16_t(u'１' + (entry.at(0).unicode() - u'1')))
                                   : QChar(u'　');
        }
        text += u"\r\n";
    }
    QStringEncoder encode("windows-31j");
    if (!encode.isValid())
        encode = QStringEncoder("Shift_JIS");
    return encode(text);
}

}  // namespace puzzlefile
