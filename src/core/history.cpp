// The history of the form's states: steps of what differs between
// neighbouring states, around the present.
#include "history.h"

#include <type_traits>

#include "korvane.h"
#include "layout.h"

namespace formfield {

const Flag Flags[FlagCount] = {
    {QLatin1StringView("diagonalMode"), &FormState::diagonalMode},
    {QLatin1StringView("singleView"), &FormState::singleView},
    {QLatin1StringView("autoEliminate"), &FormState::autoEliminate},
    {QLatin1StringView("conflictFlag"), &FormState::conflictFlag},
    {QLatin1StringView("restorePending"), &FormState::restorePending},
    {QLatin1StringView("hasSavedGrid"), &FormState::hasSavedGrid},
};

bool isText(int field)
{
    return (field < ControlFields && field % ControlProperties == 0) || field == SelectedValue ||
           field == PuzzleFile || field >= Candidates;
}

}  // namespace formfield

namespace {

using Change = HistoryStep::Change;
namespace ff = formfield;

QString& textOf(FormState& state, int field)
{
    if (field < ff::ControlFields)
        return layout::control(state, field / ff::ControlProperties).Text;
    if (field == ff::SelectedValue)
        return state.selectedValue;
    if (field == ff::PuzzleFile)
        return state.puzzleFile;
    if (field < ff::StashedText)
        return state.candidates[size_t(field - ff::Candidates)];
    if (field < ff::SavedGrid)
        return state.stashedText[size_t(field - ff::StashedText)];
    return state.savedGrid[size_t(field - ff::SavedGrid)];
}

const QString& textOf(const FormState& state, int field)
{
    return textOf(const_cast<FormState&>(state), field);
}

double numberOf(const FormState& state, int field)
{
    if (field < ff::ControlFields) {
        const TextBox& box = layout::control(state, field / ff::ControlProperties);
        switch (field % ff::ControlProperties) {
        case 1:
            return box.FontSize;
        case 2:
            return box.ForeColor;
        default:
            return box.BackColor;
        }
    }
    if (field < ff::Decided)
        return state.*ff::Flags[field - ff::FirstFlag].member;
    return state.decided[size_t(field - ff::Decided)];
}

void setNumber(FormState& state, int field, double value)
{
    if (field < ff::ControlFields) {
        TextBox& box = layout::control(state, field / ff::ControlProperties);
        switch (field % ff::ControlProperties) {
        case 1:
            box.FontSize = value;
            break;
        case 2:
            box.ForeColor = quint32(value);
            break;
        default:
            box.BackColor = quint32(value);
            break;
        }
    } else if (field < ff::Decided) {
        state.*ff::Flags[field - ff::FirstFlag].member = int(value);
    } else {
        state.decided[size_t(field - ff::Decided)] = int(value);
    }
}

// Gives `to`'s field the value `from` has.
void copyField(FormState& to, const FormState& from, int field)
{
    if (ff::isText(field))
        textOf(to, field) = textOf(from, field);
    else
        setNumber(to, field, numberOf(from, field));
}

void apply(const HistoryStep& step, FormState& state)
{
    for (const Change& change : step.changes) {
        if (ff::isText(change.field))
            textOf(state, change.field) = change.text;
        else
            setNumber(state, change.field, change.number);
    }
}

// Calls visit(field, a's value, b's value) for every field, in field order.
template <typename Visit> void eachField(const FormState& a, const FormState& b, Visit&& visit)
{
    for (int c = 0; c < layout::ControlCount; ++c) {
        const TextBox& x = layout::control(a, c);
        const TextBox& y = layout::control(b, c);
        visit(ff::control(c, 0), x.Text, y.Text);
        visit(ff::control(c, 1), x.FontSize, y.FontSize);
        visit(ff::control(c, 2), x.ForeColor, y.ForeColor);
        visit(ff::control(c, 3), x.BackColor, y.BackColor);
    }
    visit(ff::SelectedValue, a.selectedValue, b.selectedValue);
    visit(ff::PuzzleFile, a.puzzleFile, b.puzzleFile);
    for (int k = 0; k < ff::FlagCount; ++k)
        visit(ff::FirstFlag + k, a.*ff::Flags[k].member, b.*ff::Flags[k].member);
    for (int i = 0; i < ff::CellEntries; ++i)
        visit(ff::Decided + i, a.decided[size_t(i)], b.decided[size_t(i)]);
    for (int i = 0; i < ff::CellEntries; ++i)
        visit(ff::Candidates + i, a.candidates[size_t(i)], b.candidates[size_t(i)]);
    for (int i = 0; i < ff::CellEntries; ++i)
        visit(ff::StashedText + i, a.stashedText[size_t(i)], b.stashedText[size_t(i)]);
    for (int i = 0; i < ff::CellEntries; ++i)
        visit(ff::SavedGrid + i, a.savedGrid[size_t(i)], b.savedGrid[size_t(i)]);
}

// The fields in which `form` differs from `present`, with the present's
// values. `active` tells whether any of them is a step of its own: every
// field but the message line, and the stashed texts while the single-number
// display is off on both sides.
std::vector<Change> differences(const FormState& form, const FormState& present, bool& active)
{
    std::vector<Change> changes;
    active = false;
    const bool stashQuiet = form.singleView == 0 && present.singleView == 0;
    eachField(form, present, [&](int field, const auto& now, const auto& then) {
        if (now == then)
            return;
        Change change;
        change.field = field;
        if constexpr (std::is_same_v<std::decay_t<decltype(then)>, QString>)
            change.text = then;
        else
            change.number = double(then);
        changes.push_back(std::move(change));
        const bool quiet = field == ff::Message ||
                           (stashQuiet && field >= ff::StashedText && field < ff::SavedGrid);
        active = active || !quiet;
    });
    return changes;
}

qsizetype bytesOf(const HistoryStep& step)
{
    qsizetype bytes = qsizetype(sizeof(HistoryStep) + sizeof(Change) * step.changes.size());
    for (const Change& change : step.changes)
        bytes += change.text.size() * qsizetype(sizeof(QChar));
    return bytes;
}

// `base`'s fields with `over`'s values where `over` has them too.
SharedStep merged(const std::vector<Change>& base, const HistoryStep& over)
{
    auto step = std::make_shared<HistoryStep>();
    std::vector<Change>& out = step->changes;
    auto a = base.begin();
    auto b = over.changes.begin();
    while (a != base.end() || b != over.changes.end()) {
        if (b == over.changes.end() || (a != base.end() && a->field < b->field))
            out.push_back(*a++);
        else {
            if (a != base.end() && a->field == b->field)
                ++a;
            out.push_back(*b++);
        }
    }
    return step;
}

}  // namespace

History::History() : present_(std::make_unique<FormState>()) {}

History::~History() = default;

History::History(const History& other)
    : present_(std::make_unique<FormState>(*other.present_)), past_(other.past_),
      future_(other.future_), bytes_(other.bytes_)
{
}

History& History::operator=(const History& other)
{
    if (this != &other) {
        *present_ = *other.present_;
        past_ = other.past_;
        future_ = other.future_;
        bytes_ = other.bytes_;
    }
    return *this;
}

void History::reset(const FormState& present)
{
    *present_ = present;
    past_.clear();
    future_.clear();
    bytes_ = 0;
}

void History::record(const FormState& form)
{
    bool active = false;
    std::vector<Change> changes = differences(form, *present_, active);
    if (!active)
        return;
    for (const Change& change : changes)
        copyField(*present_, form, change.field);
    auto step = std::make_shared<HistoryStep>();
    step->changes = std::move(changes);
    for (const SharedStep& dropped : future_)
        bytes_ -= bytesOf(*dropped);
    future_.clear();
    bytes_ += bytesOf(*step);
    past_.push_back(std::move(step));
    trim();
}

bool History::settle(FormState& form)
{
    bool active = false;
    const std::vector<Change> changes = differences(form, *present_, active);
    if (active) {
        record(form);
        return false;
    }
    for (const Change& change : changes)
        copyField(form, *present_, change.field);
    return true;
}

SharedStep History::take(const HistoryStep& step, FormState& form)
{
    auto back = std::make_shared<HistoryStep>();
    back->changes.reserve(step.changes.size());
    for (const Change& change : step.changes) {
        Change old;
        old.field = change.field;
        if (ff::isText(change.field)) {
            QString& now = textOf(*present_, change.field);
            old.text = now;
            now = change.text;
            textOf(form, change.field) = change.text;
        } else {
            old.number = numberOf(*present_, change.field);
            setNumber(*present_, change.field, change.number);
            setNumber(form, change.field, change.number);
        }
        back->changes.push_back(std::move(old));
    }
    return back;
}

bool History::undo(FormState& form)
{
    if (past_.empty())
        return false;
    settle(form);
    const SharedStep step = past_.back();
    past_.pop_back();
    SharedStep back = take(*step, form);
    bytes_ += bytesOf(*back) - bytesOf(*step);
    future_.push_back(std::move(back));
    trim();
    return true;
}

bool History::redo(FormState& form)
{
    if (future_.empty() || !settle(form))
        return false;
    const SharedStep step = future_.back();
    future_.pop_back();
    SharedStep back = take(*step, form);
    bytes_ += bytesOf(*back) - bytesOf(*step);
    past_.push_back(std::move(back));
    trim();
    return true;
}

void History::trim()
{
    while (!past_.empty() && (int(past_.size()) > MaxSteps || bytes_ > MaxBytes)) {
        bytes_ -= bytesOf(*past_.front());
        past_.pop_front();
    }
    // Only a branch undone whole can be over the bound alone: its farthest
    // end goes.
    while (!future_.empty() && bytes_ > MaxBytes) {
        bytes_ -= bytesOf(*future_.front());
        future_.erase(future_.begin());
    }
}

void History::walkBack(const std::function<bool(const FormState&, int)>& visit) const
{
    FormState state = *present_;
    for (int k = 1; k <= int(past_.size()); ++k) {
        apply(*past_[past_.size() - size_t(k)], state);
        if (!visit(state, k))
            return;
    }
}

KeptHistory History::kept(const FormState& form, int limit) const
{
    KeptHistory out;
    const auto nearest = [limit](const auto& steps, std::vector<SharedStep>& into) {
        for (auto it = steps.rbegin(); it != steps.rend() && int(into.size()) < limit; ++it)
            into.push_back(*it);
    };
    bool active = false;
    const std::vector<Change> changes = differences(form, *present_, active);
    if (changes.empty()) {
        nearest(past_, out.undo);
        nearest(future_, out.redo);
    } else if (active) {
        // The change is a step back of its own, and the next action, or an
        // undo, drops the redo branch.
        auto step = std::make_shared<HistoryStep>();
        step->changes = changes;
        if (limit > 0)
            out.undo.push_back(std::move(step));
        nearest(past_, out.undo);
    } else {
        // What is no step of its own goes with the nearest step each way,
        // which then leads from `form` where it led from the present.
        nearest(past_, out.undo);
        nearest(future_, out.redo);
        if (!out.undo.empty())
            out.undo.front() = merged(changes, *out.undo.front());
        if (!out.redo.empty())
            out.redo.front() = merged(changes, *out.redo.front());
    }
    return out;
}

void History::restore(const FormState& board, const KeptHistory& kept)
{
    reset(board);
    for (auto it = kept.undo.rbegin(); it != kept.undo.rend(); ++it) {
        if (*it) {
            bytes_ += bytesOf(**it);
            past_.push_back(*it);
        }
    }
    for (auto it = kept.redo.rbegin(); it != kept.redo.rend(); ++it) {
        if (*it) {
            bytes_ += bytesOf(**it);
            future_.push_back(*it);
        }
    }
    trim();
}
