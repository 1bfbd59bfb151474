#include "actionplayer.h"

#include <algorithm>
#include <bit>

#include <QFile>
#include <QJsonDocument>

#include "keptstate.h"
#include "nextstep.h"
#include "puzzlefile.h"
#include "puzzles.h"
#include "testsupport.h"

namespace {

const QString puzzleFile = QStringLiteral("mondai.txt");

// The fuzz input, read a byte at a time; zeros once it runs out.
class Input {
public:
    explicit Input(QByteArrayView bytes) : bytes_(bytes) {}
    bool atEnd() const { return pos_ >= bytes_.size(); }
    int next() { return atEnd() ? 0 : static_cast<unsigned char>(bytes_[pos_++]); }
    QByteArrayView take(qsizetype n)
    {
        n = std::min(n, bytes_.size() - pos_);
        const QByteArrayView out = bytes_.sliced(pos_, n);
        pos_ += n;
        return out;
    }

private:
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
};

const QString& solvable = puzzles::SinglesGivens;

// The files a Load with a file present finds: a drawn puzzle, one with the
// same digit twice in a row, odd characters at the cell positions, or bytes
// taken from the input.
QByteArray puzzleFileFor(Input& in)
{
    switch (in.next() % 5) {
    case 0:
        return drawnGrid(solvable);
    case 1:
        return drawnGrid(QStringLiteral("55") + QString(79, u'.'));
    case 2:
        return QByteArray("\r\n 0 a \xEF\xBC\x91 \xE3\x80\x80 - x\r\n\r\n 1\n\n 2\r\r 3");
    case 3:
        return QByteArray();
    default:
        return in.take(in.next()).toByteArray();
    }
}

// Answers the file error box from the input: OK, Cancel, Try Again, Try
// Again after the file has appeared, or Continue. OK everywhere else.
struct InputPort : MessagePort {
    explicit InputPort(Input& input) : in(input) {}
    int MsgBox(const QString&, int buttons) override
    {
        if (buttons != CancelTryContinue)
            return Ok;
        switch (in.next() % 5) {
        case 0:
            return Ok;
        case 1:
            return Cancel;
        case 2:
            return TryAgain;
        case 3:
            writeFile(puzzleFile, drawnGrid(solvable));
            return TryAgain;
        default:
            return Continue;
        }
    }
    Input& in;
};

QString typedText(Input& in)
{
    static const QStringList pool{
        QString(),
        QStringLiteral("5"),
        QStringLiteral("１"),
        QStringLiteral("９"),
        QStringLiteral(":"),
        QStringLiteral("\r\n"),
        QStringLiteral("12\r\n3"),
        QStringLiteral("a"),
        QStringLiteral("Ab"),
        QStringLiteral("0"),
        QStringLiteral("＊"),
        QStringLiteral(" "),
        QStringLiteral("　"),
        QStringLiteral("123456789"),
        QStringLiteral("13"),
        QStringLiteral("99"),
        QString(500, u'7') + QStringLiteral("123"),
    };
    const int pick = in.next();
    if (pick < 9)
        return QString(QChar(u'1' + pick));
    if (pick < 9 + pool.size())
        return pool[pick - 9];
    // A text spelled from the input in an alphabet of digits and the rest.
    static const QString alphabet = QStringLiteral("123456789１５:\r\na ＊");
    QString text;
    for (char b : in.take(in.next() % 24))
        text.append(alphabet.at(static_cast<unsigned char>(b) % alphabet.size()));
    return text;
}

// Where two states differ, by the names the kept file gives the fields; empty
// when they are equal.
QString stateDifference(const FormState& a, const FormState& b)
{
    if (a == b)
        return {};
    const auto board = [](const FormState& state) {
        return QJsonDocument::fromJson(keptstate::write(state))
            .object()
            .value(QLatin1StringView("board"))
            .toObject();
    };
    const QJsonObject x = board(a);
    const QJsonObject y = board(b);
    QStringList differ;
    for (auto it = x.begin(); it != x.end(); ++it) {
        if (it.value() == y.value(it.key()))
            continue;
        if (!it.value().isObject()) {
            differ.append(it.key());
            continue;
        }
        const QJsonObject inner = it.value().toObject();
        const QJsonObject other = y.value(it.key()).toObject();
        for (auto c = inner.begin(); c != inner.end(); ++c) {
            if (c.value() != other.value(c.key()))
                differ.append(
                    c.key() + QStringLiteral(": ") +
                    QString::fromUtf8(
                        QJsonDocument(c.value().toObject()).toJson(QJsonDocument::Compact)) +
                    QStringLiteral(" / ") +
                    QString::fromUtf8(QJsonDocument(other.value(c.key()).toObject())
                                          .toJson(QJsonDocument::Compact)));
        }
    }
    return differ.isEmpty() ? QStringLiteral("a design-time setting") : differ.join(u'\n');
}

// Whether two histories hold the same steps, value for value.
bool sameSteps(const std::vector<SharedStep>& a, const std::vector<SharedStep>& b)
{
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(),
        [](const SharedStep& x, const SharedStep& y) { return x->changes == y->changes; });
}

// Empty when `state` and `history`, kept and read back over a fresh form,
// come back as they were; otherwise the first difference.
QString keptRoundTripFault(const FormState& state, const KeptHistory& history = {})
{
    Fixture fresh;
    const keptstate::Reading reading =
        keptstate::read(keptstate::write(state, history), fresh.form);
    if (!reading.board)
        return QStringLiteral("the kept board was refused: ") + reading.fault;
    if (!sameSteps(reading.history.undo, history.undo) ||
        !sameSteps(reading.history.redo, history.redo))
        return QStringLiteral("the kept history came back otherwise");
    if (*reading.board == state)
        return {};
    return QStringLiteral("the kept board came back otherwise:\n") +
           stateDifference(state, *reading.board);
}

// Inputs that start so are read as the end of a file a megabyte long; see
// checkPuzzleFileLoad.
constexpr QByteArrayView PastTheCap("\xFF"
                                    "cap");

// The same entries, read the same way.
bool sameReading(const puzzlefile::Reading& a, const puzzlefile::Reading& b)
{
    return a.entries() == b.entries() && a.exchange.has_value() == b.exchange.has_value();
}

QString checkPastTheCap(QByteArrayView bytes)
{
    // A byte for what fills the file's start (a line going on, a comment, a
    // blank line, half a Shift-JIS character), one for how many of the rest
    // lie within the first megabyte, the rest after that.
    static constexpr char fillers[] = {'x', '#', ' ', '\x82'};
    const auto at = [&](qsizetype i) {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
    };
    const char filler = fillers[at(0) % 4];
    const qsizetype within = at(1);
    const QByteArrayView rest = bytes.size() > 2 ? bytes.sliced(2) : QByteArrayView();
    QByteArray file(puzzlefile::BytesRead - within, filler);
    file += rest;
    // Data Load reads the file as the bytes are parsed. (The paste's cap is
    // the same reader's; a megabyte more of it would only slow the fuzzer.)
    writeFile(puzzleFile, file);
    Fixture f;
    f.form.Text9_click(1);
    const puzzlefile::Reading whole = puzzlefile::parse(file);
    if (!f.port.calls.isEmpty())
        return QStringLiteral("a megabyte in: message box: ") + f.port.calls.first().prompt;
    if (!std::equal(whole.entries().begin(), whole.entries().end(), f.form.savedGrid.begin()))
        return QStringLiteral("a megabyte in: Data Load read otherwise than the bytes parse");
    if (file.size() <= puzzlefile::BytesRead)
        return {};
    // What lies past the first megabyte changes nothing: the reading is the
    // first megabyte's on its own, or no puzzle at all.
    const QByteArray head = file.first(puzzlefile::BytesRead);
    const char other = file.at(puzzlefile::BytesRead) == '\n' ? 'x' : '\n';
    if (!sameReading(whole, puzzlefile::parse(head + other)))
        return QStringLiteral("the bytes past the first megabyte changed the reading");
    if (!sameReading(whole, puzzlefile::parse(head)) &&
        !sameReading(whole, puzzlefile::parse(QByteArray())))
        return QStringLiteral("past the first megabyte, the reading is neither the first "
                              "megabyte's nor an empty one");
    return {};
}

}  // namespace

QString checkPuzzleFileLoad(QByteArrayView bytes)
{
    if (bytes.startsWith(PastTheCap))
        return checkPastTheCap(bytes.sliced(PastTheCap.size()));
    writeFile(puzzleFile, bytes);
    Fixture f;
    f.form.Text9_click(1);
    if (!f.port.calls.isEmpty())
        return QStringLiteral("message box: ") + f.port.calls.first().prompt;
    const puzzlefile::Entries parsed = puzzlefile::parse(bytes).entries();
    for (int k = 0; k < Korvane::CellCount; ++k) {
        const QString& entry = f.form.savedGrid[k];
        if (entry.size() > 1 || (entry.size() == 1 && entry.at(0).isSurrogate()))
            return QStringLiteral("entry %1 is not one character: %2")
                .arg(k)
                .arg(QString::fromLatin1(
                    QByteArray::fromRawData(reinterpret_cast<const char*>(entry.utf16()),
                                            entry.size() * 2)
                        .toHex()));
        if (entry != parsed[k])
            return QStringLiteral("entry %1 read as \"%2\", parsed as \"%3\"")
                .arg(k)
                .arg(entry, parsed[k]);
        if (f.form.decided[k] != (entry.isEmpty() ? 0 : 1) ||
            (!entry.isEmpty() && f.form.Text1[k].Text != entry))
            return QStringLiteral("entry %1 \"%2\" placed wrongly").arg(k).arg(entry);
    }
    if (const QString fault = invariantViolation(f.form); !fault.isEmpty())
        return fault;

    // The same bytes pasted as a text: a puzzle is placed as it reads, and
    // anything else leaves the board as it was.
    Fixture p;
    const QString text = QString::fromUtf8(bytes);
    const puzzlefile::Reading reading = puzzlefile::parseText(text);
    const QString before = boardState(p.form);
    p.form.PastePuzzle(text);
    if (!p.port.calls.isEmpty())
        return QStringLiteral("paste: message box: ") + p.port.calls.first().prompt;
    if (!reading.isPuzzle()) {
        if (boardState(p.form) != before)
            return QStringLiteral("a paste that is no puzzle changed the board");
        return {};
    }
    for (int k = 0; k < Korvane::CellCount; ++k) {
        if (p.form.savedGrid[k] != reading.entries()[k] ||
            p.form.decided[k] != (reading.entries()[k].isEmpty() ? 0 : 1))
            return QStringLiteral("paste: entry %1 placed wrongly").arg(k);
    }
    return invariantViolation(p.form);
}

namespace {

enum class Mode {
    Plain,
    Kept,     // kept and read back along the way
    History,  // recorded, with undo and redo among the actions
};

// The states an action script went through, as the history must give them
// back: `states[at]` is the form's.
struct Timeline {
    std::vector<FormState> states;
    int at = 0;

    // What an action that was no step of its own may have changed: the
    // message line, and the stashed texts while the single-number display
    // is off.
    static FormState quiet(const FormState& form, const FormState& present)
    {
        FormState state = form;
        state.Text3.Text = present.Text3.Text;
        if (form.singleView == 0 && present.singleView == 0)
            state.stashedText = present.stashedText;
        return state;
    }

    // After an action and its EndAction. (A script is far shorter than the
    // history's bound.)
    QString afterAction(const Korvane& form)
    {
        if (form.history.undoCount() == at + 1 && form.history.redoCount() == 0) {
            states.resize(size_t(at) + 1);
            states.push_back(form);
            ++at;
            return stateDifference(states[size_t(at) - 1], form).isEmpty()
                       ? QStringLiteral("a step recorded for an action that changed nothing")
                       : QString();
        }
        if (form.history.undoCount() != at ||
            form.history.redoCount() != int(states.size()) - 1 - at)
            return QStringLiteral("the history holds %1 back and %2 forward, where %3 and %4 "
                                  "were made")
                .arg(form.history.undoCount())
                .arg(form.history.redoCount())
                .arg(at)
                .arg(int(states.size()) - 1 - at);
        if (const QString differ =
                stateDifference(quiet(form, states[size_t(at)]), states[size_t(at)]);
            !differ.isEmpty())
            return QStringLiteral("an action that changed the board recorded no step:\n") + differ;
        return {};
    }

    // Takes `form` one step back or forward, and checks it is the state
    // that was there.
    QString walk(Korvane& form, bool back)
    {
        const bool can = back ? at > 0 : at + 1 < int(states.size());
        const FormState before = form;
        if ((back ? form.Undo() : form.Redo()) != can)
            return QStringLiteral("%1 answered %2").arg(back ? "undo" : "redo").arg(!can);
        if (!can)
            return stateDifference(quiet(form, before), before).isEmpty()
                       ? QString()
                       : QStringLiteral("an undo or redo with nothing to do changed the form");
        at += back ? -1 : 1;
        if (const QString differ = stateDifference(form, states[size_t(at)]); !differ.isEmpty())
            return QStringLiteral("%1 to step %2 gave another state:\n%3")
                .arg(back ? "undo" : "redo")
                .arg(at)
                .arg(differ);
        return {};
    }

    // Back to the first state and forward to the last, every one checked.
    QString walkWhole(Korvane& form)
    {
        const int end = int(states.size()) - 1;
        while (at > 0) {
            if (const QString fault = walk(form, true); !fault.isEmpty())
                return fault;
        }
        if (form.Undo())
            return QStringLiteral("an undo past the first state");
        while (at < end) {
            if (const QString fault = walk(form, false); !fault.isEmpty())
                return fault;
        }
        return form.Redo() ? QStringLiteral("a redo past the last state") : QString();
    }
};

// The history of `form` kept and read back into a fresh form, as a restart
// does: the form comes back as it was, and its history walks the same states
// (those the kept file holds).
QString restartFault(const Korvane& form, const Timeline& timeline)
{
    const KeptHistory history = form.keptHistory();
    if (const QString fault = keptRoundTripFault(form, history); !fault.isEmpty())
        return fault;
    Fixture restarted;
    const keptstate::Reading reading =
        keptstate::read(keptstate::write(form, history), restarted.form);
    restarted.port.answers = {MessagePort::Yes};
    // A board like the one the program starts with is put back unasked,
    // with its history.
    const bool differs = *reading.board != restarted.form;
    if (restarted.form.OfferKeptBoard(*reading.board, reading.history) != differs ||
        restarted.port.calls.size() != (differs ? 1 : 0))
        return QStringLiteral("the kept board was not put back");
    Timeline kept = timeline;
    const int from = std::max(0, timeline.at - int(history.undo.size()));
    const int to =
        std::min(int(timeline.states.size()) - 1, timeline.at + int(history.redo.size()));
    kept.states.assign(timeline.states.begin() + from, timeline.states.begin() + to + 1);
    kept.at = timeline.at - from;
    // The present is the board as kept, with what no step recorded: the
    // stashed texts of a press on 単数表示 come back with it.
    kept.states[size_t(kept.at)] = form;
    if (const QString fault = kept.walkWhole(restarted.form); !fault.isEmpty())
        return QStringLiteral("after a restart: ") + fault;
    return {};
}

QString play(QByteArrayView bytes, Mode mode)
{
    Input in(bytes);
    InputPort port(in);
    Korvane form(port);
    QFile::remove(puzzleFile);

    QStringList played;
    Timeline timeline{{form}};
    // The form as it was after the last action that may not touch a decided
    // cell.
    Korvane reference = form;
    while (!in.atEnd()) {
        int editedCell = -1;
        bool board_replaced = false;
        const int kind = in.next() % (mode == Mode::History ? 17 : 15);
        QString fault;
        if (kind >= 15) {
            const bool back = kind == 15;
            played.append(back ? QStringLiteral("undo") : QStringLiteral("redo"));
            fault = timeline.walk(form, back);
            board_replaced = true;
        }
        switch (kind) {
        case 0: {
            const int index = in.next() % 13 - 1;
            played.append(QStringLiteral("palette %1").arg(index));
            form.Text2_click(index);
            break;
        }
        case 1: {
            const int index = in.next() % 83 - 1;
            played.append(QStringLiteral("click %1").arg(index));
            form.Text1_click(index);
            break;
        }
        case 2: {
            editedCell = in.next() % 81;
            const QString text = typedText(in);
            played.append(QStringLiteral("type %1 \"%2\"").arg(editedCell).arg(text.left(40)));
            form.Text1[editedCell].Text = text;
            form.Text1_KeyUp(editedCell, in.next(), 0);
            break;
        }
        case 3:
            played.append(QStringLiteral("clear all"));
            form.Text5_Click();
            board_replaced = true;
            break;
        case 4:
            played.append(QStringLiteral("puzzle type"));
            form.Text4_click();
            break;
        case 5:
            played.append(QStringLiteral("automatic elimination"));
            form.Text6_Click();
            break;
        case 6:
            played.append(QStringLiteral("continuous elimination / restore"));
            form.Text10_click();
            break;
        case 7:
            played.append(QStringLiteral("single-number display"));
            clickSingleNumber(form);
            break;
        case 8:
            played.append(QStringLiteral("press on single-number display"));
            form.Text7_MouseDown(1, 0, 10, 10);
            break;
        case 9:
            played.append(QStringLiteral("all-numbers display"));
            form.Text8_Click();
            break;
        case 10:
            played.append(QStringLiteral("save"));
            form.Text9_click(0);
            break;
        case 11: {
            const QByteArray file = puzzleFileFor(in);
            played.append(QStringLiteral("load from %1 bytes").arg(file.size()));
            writeFile(puzzleFile, file);
            form.Text9_click(1 + in.next() % 2);
            board_replaced = true;
            break;
        }
        case 15:
        case 16:
            break;
        case 12: {
            // A file opened from elsewhere, there or not; Data Load reads it
            // from then on.
            const QByteArray file = puzzleFileFor(in);
            const bool there = in.next() % 4 != 0;
            played.append(QStringLiteral("open %1").arg(there ? file.size() : -1));
            QFile::remove(QStringLiteral("opened.txt"));
            if (there)
                writeFile(QStringLiteral("opened.txt"), file);
            form.OpenPuzzleFile(QStringLiteral("opened.txt"));
            board_replaced = true;
            break;
        }
        default:
            played.append(QStringLiteral("load without a file"));
            QFile::remove(puzzleFile);
            form.Text9_click(1);
            board_replaced = true;
            break;
        }

        if (mode == Mode::History && kind < 15 && fault.isEmpty()) {
            form.EndAction();
            fault = timeline.afterAction(form);
        }
        if (fault.isEmpty())
            fault = invariantViolation(form);
        // The single-number display blanks the board; its end puts the texts
        // of the moment it began back, so the rule spans the whole display.
        if (fault.isEmpty() && form.singleView == 0) {
            if (!board_replaced)
                fault = decidedTextViolation(reference, form, editedCell);
            reference = form;
        }
        const qsizetype count = played.size();
        if (mode == Mode::Kept && fault.isEmpty() && ((count & (count - 1)) == 0 || in.atEnd()))
            fault = keptRoundTripFault(form);
        if (!fault.isEmpty())
            return fault + QStringLiteral("\nafter: ") + played.join(QStringLiteral(", "));
    }
    if (mode != Mode::History)
        return QString();
    QString fault = restartFault(form, timeline);
    if (fault.isEmpty())
        fault = timeline.walkWhole(form);
    if (!fault.isEmpty())
        return fault + QStringLiteral("\nafter: ") + played.join(QStringLiteral(", "));
    return QString();
}

}  // namespace

QString playActions(QByteArrayView bytes)
{
    return play(bytes, Mode::Plain);
}

QString playActionsKept(QByteArrayView bytes)
{
    return play(bytes, Mode::Kept);
}

QString playActionsUndone(QByteArrayView bytes)
{
    return play(bytes, Mode::History);
}

namespace {

QString checkKeptBytes(QByteArrayView bytes)
{
    Fixture f;
    const keptstate::Reading reading = keptstate::read(bytes, f.form);
    if (!reading.board)
        return reading.fault.isEmpty() ? QStringLiteral("refused without a reason") : QString();
    if (!reading.fault.isEmpty())
        return QStringLiteral("read, with a fault: ") + reading.fault;
    if (const QString fault = keptRoundTripFault(*reading.board, reading.history); !fault.isEmpty())
        return fault;

    // Its history walks back to its first state and forward to its last,
    // and again back to the board kept.
    f.form.RestoreKeptBoard(*reading.board, reading.history);
    const int back = int(reading.history.undo.size());
    const int forward = int(reading.history.redo.size());
    for (int i = 0; i < back; ++i) {
        if (!f.form.Undo())
            return QStringLiteral("the kept history did not undo %1 steps").arg(back);
    }
    for (int i = 0; i < back + forward; ++i) {
        if (!f.form.Redo())
            return QStringLiteral("the kept history did not redo %1 steps").arg(back + forward);
    }
    for (int i = 0; i < forward; ++i)
        f.form.Undo();
    if (const QString differ = stateDifference(f.form, *reading.board); !differ.isEmpty())
        return QStringLiteral("the kept history led elsewhere than the board:\n") + differ;

    // The form works on from whatever a kept board may hold. Data Load is
    // left out: the file it reads is named by the board.
    for (int i = -1; i <= 11; ++i)
        f.form.Text2_click(i);
    for (int i = 0; i < Korvane::CellCount; i += 10) {
        f.form.Text1_click(i);
        f.form.Text1_KeyUp(i, 0, 0);
    }
    f.form.Text4_click();
    f.form.Text6_Click();
    f.form.Text10_click();
    f.form.Text9_click(0);
    f.form.Text7_MouseDown(1, 0, 10, 10);
    f.form.Text7_Click();
    f.form.Text8_Click();
    f.form.Text10_click();
    f.form.Text5_Click();
    (void)f.form.PuzzleLine();
    (void)f.form.CandidateGrid();
    return {};
}

}  // namespace

QString checkKeptBoard(QByteArrayView bytes)
{
    if (const QString fault = checkKeptBytes(bytes); !fault.isEmpty())
        return fault;
    // The check keeps almost every changed document out; with it made anew
    // the values themselves are tried.
    QJsonObject document = QJsonDocument::fromJson(bytes.toByteArray()).object();
    const QJsonObject board = document.value(QLatin1StringView("board")).toObject();
    if (board.isEmpty())
        return {};
    document.insert(QLatin1StringView("check"), keptstate::checkOfDocument(document));
    return checkKeptBytes(QJsonDocument(document).toJson(QJsonDocument::Compact));
}

QString checkNextSteps(QByteArrayView bytes)
{
    Input in(bytes);
    nextstep::Board board;
    board.diagonal = in.next() % 2 == 1;
    for (int c = 0; c < Korvane::CellCount; ++c) {
        const int low = in.next();
        const int high = in.next();
        board.digits[size_t(c)] = nextstep::Digits(((high << 8 | low) << 1) & 0x3FE);
        board.decided[size_t(c)] = (high & 0x80) != 0;
    }
    const nextstep::Walk walked = nextstep::walk(board);
    if (walked.steps.size() > 729)
        return QStringLiteral("the walk did not end");
    for (size_t i = 0; i < walked.steps.size(); ++i) {
        const nextstep::Step& step = walked.steps[i];
        const nextstep::Board& before = walked.before[i];
        std::vector<nextstep::Candidate> changed = step.eliminations;
        changed.insert(changed.end(), step.placements.begin(), step.placements.end());
        if (changed.empty())
            return QStringLiteral("a step that changes nothing: ") + nextstep::name(step.technique);
        for (const nextstep::Candidate& k : changed) {
            const nextstep::Digits digits = before.digits[size_t(k.cell)];
            if (!(digits & nextstep::bit(k.digit)) || std::popcount(unsigned(digits)) < 2 ||
                before.decided[size_t(k.cell)])
                return QStringLiteral("%1 changes %2 in a cell that cannot")
                    .arg(nextstep::name(step.technique), nextstep::notation(step));
        }
        if (!nextstep::explanation(step, before).endsWith(u'。'))
            return QStringLiteral("a step not told to its full stop: ") +
                   nextstep::name(step.technique);
        if (const QString fault = forcingProofFault(step, before); !fault.isEmpty())
            return QStringLiteral("a forcing chain whose proof does not hold: ") + fault;
    }
    if (walked.end.contradiction && nextstep::explanation(*walked.end.contradiction).isEmpty())
        return QStringLiteral("a contradiction told in no words");
    return {};
}
