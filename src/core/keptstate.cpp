#include "keptstate.h"

#include <algorithm>
#include <cmath>

#include <QCryptographicHash>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "layout.h"

namespace keptstate {

namespace {

const QString FormatName = QStringLiteral("korvane-board");
constexpr int CellEntries = 82;

// The module variables, by kind, under the names they are written with.
using formfield::Flag;
using formfield::Flags;
struct CellTexts {
    QLatin1StringView name;
    std::array<QString, CellEntries> FormState::*member;
    int firstField;
};
const CellTexts CellTextArrays[] = {
    {QLatin1StringView("candidates"), &FormState::candidates, formfield::Candidates},
    {QLatin1StringView("stashedText"), &FormState::stashedText, formfield::StashedText},
    {QLatin1StringView("savedGrid"), &FormState::savedGrid, formfield::SavedGrid},
};
// A control's properties, in field order.
const QLatin1StringView Properties[formfield::ControlProperties] = {
    QLatin1StringView("text"), QLatin1StringView("fontSize"), QLatin1StringView("foreColor"),
    QLatin1StringView("backColor")};
const QLatin1StringView Decided("decided");
const QLatin1StringView SelectedValue("selectedValue");
const QLatin1StringView PuzzleFile("puzzleFile");
const QLatin1StringView Controls("controls");

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

// ---- the history ----

using Change = HistoryStep::Change;

QJsonValue valueOf(const Change& change)
{
    if (formfield::isText(change.field))
        return change.text;
    const bool fontSize =
        change.field < formfield::ControlFields && change.field % formfield::ControlProperties == 1;
    return fontSize ? QJsonValue(change.number) : QJsonValue(qint64(change.number));
}

QString indexKey(int index)
{
    return QString::number(index);
}

QJsonObject stepObject(const HistoryStep& step)
{
    QJsonObject object;
    QJsonObject controls;
    QJsonObject control;
    int controlIndex = -1;
    const auto endControl = [&] {
        if (controlIndex >= 0)
            controls.insert(layout::controls()[size_t(controlIndex)].name, control);
        control = QJsonObject();
    };
    QJsonObject decided;
    std::array<QJsonObject, std::size(CellTextArrays)> cellTexts;
    for (const Change& change : step.changes) {
        const int field = change.field;
        if (field < formfield::ControlFields) {
            if (field / formfield::ControlProperties != controlIndex) {
                endControl();
                controlIndex = field / formfield::ControlProperties;
            }
            control.insert(Properties[field % formfield::ControlProperties], valueOf(change));
        } else if (field == formfield::SelectedValue) {
            object.insert(SelectedValue, change.text);
        } else if (field == formfield::PuzzleFile) {
            object.insert(PuzzleFile, change.text);
        } else if (field < formfield::Decided) {
            object.insert(Flags[field - formfield::FirstFlag].name, valueOf(change));
        } else if (field < formfield::Candidates) {
            decided.insert(indexKey(field - formfield::Decided), valueOf(change));
        } else {
            const size_t k = size_t(field - formfield::Candidates) / CellEntries;
            cellTexts[k].insert(indexKey(field - CellTextArrays[k].firstField), change.text);
        }
    }
    endControl();
    if (!controls.isEmpty())
        object.insert(Controls, controls);
    if (!decided.isEmpty())
        object.insert(Decided, decided);
    for (size_t k = 0; k < cellTexts.size(); ++k) {
        if (!cellTexts[k].isEmpty())
            object.insert(CellTextArrays[k].name, cellTexts[k]);
    }
    return object;
}

QJsonObject historyObject(const std::vector<QJsonObject>& undo, qsizetype undoCount,
                          const std::vector<QJsonObject>& redo, qsizetype redoCount)
{
    QJsonArray undoSteps;
    for (qsizetype i = 0; i < undoCount; ++i)
        undoSteps.append(undo[size_t(i)]);
    QJsonArray redoSteps;
    for (qsizetype i = 0; i < redoCount; ++i)
        redoSteps.append(redo[size_t(i)]);
    return QJsonObject{{QStringLiteral("undo"), undoSteps}, {QStringLiteral("redo"), redoSteps}};
}

// What a file's own text, when it is said, is cut to.
QString shown(const QString& text)
{
    return text.size() > 40 ? text.left(40) + QStringLiteral("…") : text;
}

// The control each name is, by the names the board uses.
int controlNamed(const QString& name)
{
    static const QHash<QString, int> named = [] {
        QHash<QString, int> table;
        for (int i = 0; i < layout::ControlCount; ++i)
            table.insert(layout::controls()[size_t(i)].name, i);
        return table;
    }();
    return named.value(name, -1);
}

// An entry's index as the writer writes it, "0" to "81"; -1 for any other
// key.
int entryIndex(const QString& key)
{
    bool isNumber = false;
    const int index = key.toInt(&isNumber);
    return isNumber && index >= 0 && index < CellEntries && indexKey(index) == key ? index : -1;
}

bool readStepValue(Reader& r, const QJsonValue& value, int field, Change& change,
                   const QString& what)
{
    change.field = field;
    if (formfield::isText(field)) {
        const qsizetype longest = field == formfield::PuzzleFile ? MaxPathLength : MaxTextLength;
        return r.text(value, longest, change.text, what);
    }
    if (field < formfield::ControlFields) {
        if (field % formfield::ControlProperties == 1)
            return r.number(value, 1, 100, change.number, what);
        quint32 colour = 0;
        if (!r.whole(value, quint32(0), quint32(0xFFFFFF), colour, what))
            return false;
        change.number = colour;
        return true;
    }
    int flag = 0;
    if (!r.whole(value, 0, 1, flag, what))
        return false;
    change.number = flag;
    return true;
}

// The entries of a per-cell array from `first`'s field on: an object of
// indices.
bool readEntries(Reader& r, const QJsonValue& value, int first, std::vector<Change>& changes,
                 const QString& what)
{
    if (!value.isObject())
        return r.refuse(what + QStringLiteral(" is not an object"));
    const QJsonObject entries = value.toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const int index = entryIndex(it.key());
        if (index < 0)
            return r.refuse(what + QStringLiteral(" has no entry ") + shown(it.key()));
        Change change;
        if (!readStepValue(r, it.value(), first + index, change, what + u' ' + indexKey(index)))
            return false;
        changes.push_back(std::move(change));
    }
    return true;
}

bool readStep(Reader& r, const QJsonValue& value, HistoryStep& step, const QString& what)
{
    if (!value.isObject())
        return r.refuse(what + QStringLiteral(" is not an object"));
    const QJsonObject object = value.toObject();
    std::vector<Change>& changes = step.changes;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QString named = what + QStringLiteral("'s ") + shown(key);
        if (key == Controls) {
            if (!it.value().isObject())
                return r.refuse(named + QStringLiteral(" is not an object"));
            const QJsonObject controls = it.value().toObject();
            for (auto c = controls.begin(); c != controls.end(); ++c) {
                const int index = controlNamed(c.key());
                const QString control = what + u' ' + shown(c.key());
                if (index < 0)
                    return r.refuse(control + QStringLiteral(" is no control"));
                if (!c.value().isObject())
                    return r.refuse(control + QStringLiteral(" is not an object"));
                const QJsonObject properties = c.value().toObject();
                for (auto p = properties.begin(); p != properties.end(); ++p) {
                    const auto property = std::find(std::begin(Properties), std::end(Properties),
                                                    QStringView(p.key()));
                    if (property == std::end(Properties))
                        return r.refuse(control + QStringLiteral(" has no ") + shown(p.key()));
                    Change change;
                    if (!readStepValue(r, p.value(),
                                       formfield::control(index, int(property - Properties)),
                                       change, control + QStringLiteral("'s ") + *property))
                        return false;
                    changes.push_back(std::move(change));
                }
            }
            continue;
        }
        if (key == Decided) {
            if (!readEntries(r, it.value(), formfield::Decided, changes, named))
                return false;
            continue;
        }
        const auto texts = std::find_if(std::begin(CellTextArrays), std::end(CellTextArrays),
                                        [&](const CellTexts& t) { return t.name == key; });
        if (texts != std::end(CellTextArrays)) {
            if (!readEntries(r, it.value(), texts->firstField, changes, named))
                return false;
            continue;
        }
        const auto flag = std::find_if(std::begin(Flags), std::end(Flags),
                                       [&](const Flag& f) { return f.name == key; });
        int field = -1;
        if (flag != std::end(Flags))
            field = formfield::FirstFlag + int(flag - std::begin(Flags));
        else if (key == SelectedValue)
            field = formfield::SelectedValue;
        else if (key == PuzzleFile)
            field = formfield::PuzzleFile;
        if (field < 0)
            return r.refuse(named + QStringLiteral(" is no field of the board"));
        Change change;
        if (!readStepValue(r, it.value(), field, change, named))
            return false;
        changes.push_back(std::move(change));
    }
    if (changes.empty())
        return r.refuse(what + QStringLiteral(" changes nothing"));
    std::sort(changes.begin(), changes.end(),
              [](const Change& a, const Change& b) { return a.field < b.field; });
    return true;
}

bool readSteps(Reader& r, const QJsonObject& history, QLatin1StringView way,
               std::vector<SharedStep>& steps)
{
    const QJsonValue value = history.value(way);
    if (!value.isArray())
        return r.refuse(QStringLiteral("the history's %1 is not a list").arg(way));
    const QJsonArray list = value.toArray();
    if (list.size() > MaxSteps)
        return r.refuse(
            QStringLiteral("the history's %1 holds more than %2 steps").arg(way).arg(MaxSteps));
    for (qsizetype i = 0; i < list.size(); ++i) {
        auto step = std::make_shared<HistoryStep>();
        if (!readStep(r, list[i], *step, QStringLiteral("%1 step %2").arg(way).arg(i)))
            return false;
        steps.push_back(std::move(step));
    }
    return true;
}

QByteArray document(const QJsonObject& board, const QJsonObject& history)
{
    const QJsonObject document{{QStringLiteral("format"), FormatName},
                               {QStringLiteral("version"), Version},
                               {QStringLiteral("check"), checkOf(board, history)},
                               {QStringLiteral("board"), board},
                               {QStringLiteral("history"), history}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

}  // namespace

QString checkOf(const QJsonObject& board)

{
    const QByteArray compact = QJsonDocument(board).toJson(QJsonDocument::Compact);
    return QStringLiteral("sha256:") +
           QString::fromLatin1(
               QCryptographicHash::hash(compact, QCryptographicHash::Sha256).toHex());
}

QString checkOf(const QJsonObject& board, const QJsonObject& history)
{
    return checkOf(
        QJsonObject{{QStringLiteral("board"), board}, {QStringLiteral("history"), history}});
}

QString checkOfDocument(const QJsonObject& document)
{
    const QJsonObject board = document.value(QLatin1StringView("board")).toObject();
    if (document.value(QLatin1StringView("version")).toDouble() == 1)
        return checkOf(board);
    return checkOf(board, document.value(QLatin1StringView("history")).toObject());
}

QByteArray write(const FormState& state, const KeptHistory& history)
{
    const QJsonObject board = boardOf(state);
    const auto objects = [](const std::vector<SharedStep>& steps) {
        std::vector<QJsonObject> out;
        for (size_t i = 0; i < steps.size() && i < size_t(MaxSteps); ++i)
            out.push_back(stepObject(*steps[i]));
        return out;
    };
    const std::vector<QJsonObject> undo = objects(history.undo);
    const std::vector<QJsonObject> redo = objects(history.redo);
    // Texts of a thousand characters in every cell, step after step, could
    // pass what the reader takes: the farthest steps go, half at a time.
    qsizetype undoCount = qsizetype(undo.size());
    qsizetype redoCount = qsizetype(redo.size());
    for (;;) {
        QByteArray bytes = document(board, historyObject(undo, undoCount, redo, redoCount));
        if (bytes.size() <= MaxFileBytes || undoCount + redoCount == 0)
            return bytes;
        undoCount /= 2;
        redoCount /= 2;
    }
}

Reading read(QByteArrayView bytes, const FormState& base)
{
    if (bytes.size() > MaxFileBytes)
        return {
            std::nullopt, {}, QStringLiteral("the file is larger than %1 bytes").arg(MaxFileBytes)};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError)
        return {
            std::nullopt,
            {},
            QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset)};
    const QJsonObject root = document.object();
    if (root.value(QLatin1StringView("format")).toString() != FormatName)
        return {std::nullopt, {}, QStringLiteral("not a kept Korvane board")};
    const QJsonValue version = root.value(QLatin1StringView("version"));
    const bool first = version.toDouble() == 1;
    if (!first && version.toDouble() != Version)
        return {std::nullopt,
                {},
                QStringLiteral("version %1, where this Korvane reads 1 to %2")
                    .arg(version.toVariant().toString())
                    .arg(Version)};
    if (root.value(QLatin1StringView("check")).toString() != checkOfDocument(root))
        return {std::nullopt, {}, QStringLiteral("its check does not match its board")};

    Reader reader;
    FormState state = base;
    if (!readBoard(reader, root.value(QLatin1StringView("board")).toObject(), state))
        return {std::nullopt, {}, reader.fault};
    KeptHistory history;
    if (!first) {
        const QJsonValue kept = root.value(QLatin1StringView("history"));
        if (!kept.isObject())
            return {std::nullopt, {}, QStringLiteral("the history is missing")};
        if (!readSteps(reader, kept.toObject(), QLatin1StringView("undo"), history.undo) ||
            !readSteps(reader, kept.toObject(), QLatin1StringView("redo"), history.redo))
            return {std::nullopt, {}, reader.fault};
    }
    return {std::move(state), std::move(history), QString()};
}

}  // namespace keptstate
