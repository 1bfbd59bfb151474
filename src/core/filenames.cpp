#include "filenames.h"

#include <cerrno>

#include <unistd.h>

#include <QDir>
#include <QUrl>

namespace filenames {
namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscape(char16_t u)
{
    return u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF;
}

// The length of the UTF-8 character that starts at bytes[i], or 0 where none
// does (no overlong forms, no surrogates, nothing above U+10FFFF).
qsizetype characterAt(QByteArrayView bytes, qsizetype i)
{
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        lower = b == 0xE0 ? 0xA0 : 0x80;
        upper = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        lower = b == 0xF0 ? 0x90 : 0x80;
        upper = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(bytes[i + k]);
        if (c < lower || c > upper)
            return 0;
        lower = 0x80;
        upper = 0xBF;
    }
    return length;
}

// Calls `escape(i)` for each escaped byte of `name` and `run(from, to)` for
// each stretch of text between them; a surrogate pair is text, whatever its
// low half.
template <typename Run, typename Escape> void walk(QStringView name, Run run, Escape escape)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar ch = name[i];
        if (ch.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (isEscape(ch.unicode())) {
            run(from, i);
            escape(i);
            from = i + 1;
        }
    }
    run(from, name.size());
}

}  // namespace

QString fromNative(QByteArrayView bytes)
{
    QString name;
    qsizetype from = 0;  // the start of the text not yet decoded
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype length = characterAt(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.sliced(from, i - from));
        name += QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[i])));
        from = ++i;
    }
    name += QString::fromUtf8(bytes.sliced(from));
    return name;
}

QByteArray toNative(QStringView name)
{
    QByteArray bytes;
    walk(
        name, [&](qsizetype from, qsizetype to) { bytes += name.sliced(from, to - from).toUtf8(); },
        [&](qsizetype i) { bytes += char(name[i].unicode() - EscapeBase); });
    return bytes;
}

QString shown(QStringView name)
{
    QString text;
    walk(
        name, [&](qsizetype from, qsizetype to) { text += name.sliced(from, to - from); },
        [&](qsizetype) { text += QChar(QChar::ReplacementCharacter); });
    return text;
}

QString fromLocalUrl(const QUrl& url)
{
    // A file on another machine keeps the form Qt gives it (//host/path).
    if (!url.host().isEmpty())
        return url.toLocalFile();
    return fromNative(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QString absolute(const QString& name)
{
    if (name.startsWith(u'/'))
        return QDir::cleanPath(name);
    QByteArray folder(256, Qt::Uninitialized);
    while (::getcwd(folder.data(), size_t(folder.size())) == nullptr) {
        if (errno != ERANGE)
            return QDir::cleanPath(QDir::currentPath() + u'/' + name);
        folder.resize(folder.size() * 2);
    }
    folder.truncate(qsizetype(qstrlen(folder.constData())));
    return QDir::cleanPath(fromNative(folder) + u'/' + name);
}

}  // namespace filenames
