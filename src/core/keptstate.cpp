#include "keptstate.h"

#include <cmath>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "layout.h"

namespace keptstate {

namespace {

const QString FormatName = QStringLiteral("korvane-board");
constexpr int CellEntries = 82;

// The module variables, by kind, under the names they are written with.
struct Flag {
    QLatin1StringView name;
    int FormState::*member;
};
const Flag Flags[] = {
    {QLatin1StringView("diagonalMode"), &FormState::diagonalMode},
    {QLatin1StringView("singleView"), &FormState::singleView},
    {QLatin1StringView("autoEliminate"), &FormState::autoEliminate},
    {QLatin1StringView("conflictFlag"), &FormState::conflictFlag},
    {QLatin1StringView("restorePending"), &FormState::restorePending},
    {QLatin1StringView("hasSavedGrid"), &FormState::hasSavedGrid},
};
struct CellTexts {
    QLatin1StringView name;
    std::array<QString, CellEntries> FormState::*member;
};
const CellTexts CellTextArrays[] = {
    {QLatin1StringView("candidates"), &FormState::candidates},
    {QLatin1StringView("stashedText"), &FormState::stashedText},
    {QLatin1StringView("savedGrid"), &FormState::savedGrid},
};

QJsonObject boardOf(const FormState& state)
{
    QJsonObject controls;
    for (int i = 0; i < layout::ControlCount; ++i) {
        const TextBox& box = layout::control(state, i);
        controls.insert(layout::controls()[i].name,
                        QJsonObject{{QStringLiteral("text"), box.Text},
                                    {QStringLiteral("fontSize"), box.FontSize},
                                    {QStringLiteral("foreColor"), qint64(box.ForeColor)},
                                    {QStringLiteral("backColor"), qint64(box.BackColor)}});
    }
    QJsonObject board{{QStringLiteral("controls"), controls},
                      {QStringLiteral("selectedValue"), state.selectedValue},
                      {QStringLiteral("puzzleFile"), state.puzzleFile}};
    for (const Flag& flag : Flags)
        board.insert(flag.name, state.*flag.member);
    QJsonArray decided;
    for (int d : state.decided)
        decided.append(d);
    board.insert(QLatin1StringView("decided"), decided);
    for (const CellTexts& texts : CellTextArrays)
        board.insert(texts.name, QJsonArray::fromStringList(QStringList(
                                     (state.*texts.member).begin(), (state.*texts.member).end())));
    return board;
}

// Takes values out of a document, keeping the first reason one is refused.
class Reader {
public:
    QString fault;

    bool text(const QJsonValue& value, qsizetype longest, QString& out, const QString& what)
    {
        if (!value.isString())
            return refuse(what + QStringLiteral(" is not a text"));
        QString text = value.toString();
        if (text.size() > longest)
            return refuse(what + QStringLiteral(" is longer than %1 characters").arg(longest));
        out = std::move(text);
        return true;
    }

    bool number(const QJsonValue& value, double least, double most, double& out,
                const QString& what)
    {
        if (!value.isDouble())
            return refuse(what + QStringLiteral(" is not a number"));
        const double d = value.toDouble();
        if (!(d >= least && d <= most))
            return refuse(what + QStringLiteral(" is out of range"));
        out = d;
        return true;
    }

    template <typename Int>
    bool whole(const QJsonValue& value, Int least, Int most, Int& out, const QString& what)
    {
        double d = 0;
        if (!number(value, double(least), double(most), d, what))
            return false;
        if (d != std::floor(d))
            return refuse(what + QStringLiteral(" is not a whole number"));
        out = Int(d);
        return true;
    }

    bool array(const QJsonValue& value, QJsonArray& out, const QString& what)
    {
        if (!value.isArray() || value.toArray().size() != CellEntries)
            return refuse(what + QStringLiteral(" is not a list of %1 entries").arg(CellEntries));
        out = value.toArray();
        return true;
    }

    bool refuse(const QString& why)
    {
        if (fault.isEmpty())
            fault = why;
        return false;
    }
};

bool readControls(Reader& r, const QJsonObject& controls, FormState& state)
{
    for (int i = 0; i < layout::ControlCount; ++i) {
        const QString& name = layout::controls()[i].name;
        const QJsonValue value = controls.value(name);
        if (!value.isObject())
            return r.refuse(name + QStringLiteral(" is missing"));
        const QJsonObject control = value.toObject();
        TextBox& box = layout::control(state, i);
        if (!r.text(control.value(QLatin1StringView("text")), MaxTextLength, box.Text,
                    name + QStringLiteral("'s text")) ||
            !r.number(control.value(QLatin1StringView("fontSize")), 1, 100, box.FontSize,
                      name + QStringLiteral("'s font size")) ||
            !r.whole(control.value(QLatin1StringView("foreColor")), quint32(0), quint32(0xFFFFFF),
                     box.ForeColor, name + QStringLiteral("'s colour")) ||
            !r.whole(control.value(QLatin1StringView("backColor")), quint32(0), quint32(0xFFFFFF),
                     box.BackColor, name + QStringLiteral("'s back colour")))
            return false;
    }
    return true;
}

bool readBoard(Reader& r, const QJsonObject& board, FormState& state)
{
    if (!readControls(r, board.value(QLatin1StringView("controls")).toObject(), state) ||
        !r.text(board.value(QLatin1StringView("selectedValue")), MaxTextLength, state.selectedValue,
                QStringLiteral("selectedValue")) ||
        !r.text(board.value(QLatin1StringView("puzzleFile")), MaxPathLength, state.puzzleFile,
                QStringLiteral("puzzleFile")))
        return false;
    for (const Flag& flag : Flags) {
        if (!r.whole(board.value(flag.name), 0, 1, state.*flag.member, flag.name))
            return false;
    }
    QJsonArray entries;
    if (!r.array(board.value(QLatin1StringView("decided")), entries, QStringLiteral("decided")))
        return false;
    for (int i = 0; i < CellEntries; ++i) {
        if (!r.whole(entries[i], 0, 1, state.decided[size_t(i)],
                     QStringLiteral("decided %1").arg(i)))
            return false;
    }
    for (const CellTexts& texts : CellTextArrays) {
        if (!r.array(board.value(texts.name), entries, texts.name))
            return false;
        for (int i = 0; i < CellEntries; ++i) {
            if (!r.text(entries[i], MaxTextLength, (state.*texts.member)[size_t(i)],
                        QStringLiteral("%1 %2").arg(texts.name).arg(i)))
                return false;
        }
    }
    return true;
}

}  // namespace

QString checkOf(const QJsonObject& board)
{
    const QByteArray compact = QJsonDocument(board).toJson(QJsonDocument::Compact);
    return QStringLiteral("sha256:") +
           QString::fromLatin1(
               QCryptographicHash::hash(compact, QCryptographicHash::Sha256).toHex());
}

QByteArray write(const FormState& state)
{
    const QJsonObject board = boardOf(state);
    const QJsonObject document{{QStringLiteral("format"), FormatName},
                               {QStringLiteral("version"), Version},
                               {QStringLiteral("check"), checkOf(board)},
                               {QStringLiteral("board"), board}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

Reading read(QByteArrayView bytes, const FormState& base)
{
    if (bytes.size() > MaxFileBytes)
        return {std::nullopt, QStringLiteral("the file is larger than %1 bytes").arg(MaxFileBytes)};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError)
        return {
            std::nullopt,
            QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset)};
    const QJsonObject root = document.object();
    if (root.value(QLatin1StringView("format")).toString() != FormatName)
        return {std::nullopt, QStringLiteral("not a kept Korvane board")};
    const QJsonValue version = root.value(QLatin1StringView("version"));
    if (version.toDouble() != Version)
        return {std::nullopt, QStringLiteral("version %1, where this Korvane reads %2")
                                  .arg(version.toVariant().toString())
                                  .arg(Version)};
    const QJsonObject board = root.value(QLatin1StringView("board")).toObject();
    if (root.value(QLatin1StringView("check")).toString() != checkOf(board))
        return {std::nullopt, QStringLiteral("its check does not match its board")};

    Reader reader;
    FormState state = base;
    if (!readBoard(reader, board, state))
        return {std::nullopt, reader.fault};
    return {std::move(state), QString()};
}

}  // namespace keptstate
