#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class QUrl;

// File names as the system spells them: bytes, which are UTF-8 only mostly.
// Qt decodes a name's bytes as UTF-8 and turns each byte that is not UTF-8
// into U+FFFD, and such a name then opens nothing. Here each of those bytes
// becomes a lone low surrogate, U+DC80-U+DCFF, which no UTF-8 text can hold,
// so that the name keeps its bytes both ways: toNative(fromNative(b)) == b
// for any bytes b.
namespace filenames {

// A name from the system's bytes (the command line, the current folder).
QString fromNative(QByteArrayView bytes);

// The system's bytes of a name from fromNative(), or of any other text.
QByteArray toNative(QStringView name);

// The name as a person reads it in a message: each byte that is no
// character shows as U+FFFD.
QString shown(QStringView name);

// The name of a local file in a URL (a drop's), its bytes kept.
QString fromLocalUrl(const QUrl& url);

// `name` taken from the current folder, where it is relative; cleaned of
// "." and "..", its bytes kept.
QString absolute(const QString& name);

}  // namespace filenames
