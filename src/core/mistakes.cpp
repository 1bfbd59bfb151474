// The puzzle's solution in the form: its count told after a load, the
// mistakes a board holds against it (間違いを探す, 間違いの前まで戻す), and
// the puzzle's grade.
#include <optional>
#include <set>
#include <vector>

#include "korvane.h"
#include "solver.h"

namespace {

const QString NoSolution = QStringLiteral("解がありません");
const QString ManySolutions = QStringLiteral("解が複数あります");

// What a cell shows: in the single-number display, the text it stashed.
const QString& shownText(const FormState& state, int cell)
{
    return state.singleView == 1 ? state.stashedText[size_t(cell)] : state.Text1[size_t(cell)].Text;
}

// The digit a text of one digit holds, else 0.
int digitOf(const QString& text)
{
    return text.size() == 1 && text.at(0) >= u'1' && text.at(0) <= u'9'
               ? text.at(0).unicode() - u'0'
               : 0;
}

// The decided digits of a state, 0 in every other cell.
solver::Grid decidedDigits(const FormState& state)
{
    solver::Grid digits{};
    for (int i = 0; i < FormState::CellCount; ++i)
        digits[size_t(i)] = state.decided[size_t(i)] == 1 ? digitOf(shownText(state, i)) : 0;
    return digits;
}

// Whether every digit of `part` stands in `whole` too, in the same cell.
bool within(const solver::Grid& part, const solver::Grid& whole)
{
    for (size_t i = 0; i < part.size(); ++i) {
        if (part[i] != 0 && part[i] != whole[i])
            return false;
    }
    return true;
}

struct Solution {
    enum class Found { One, None, Many, GaveUp };
    Found found = Found::None;
    solver::Grid grid{};
};

// How many earlier sets of digits are solved at most when the board's own
// clash: a few microseconds each, and a wrong digit is rarely more than a few
// dozen placements back.
constexpr int MaxSolved = 200;

// The solution the board is judged by (korvane.h).
Solution solutionOf(const Korvane& form)
{
    const bool diagonal = form.diagonalMode == 1;
    const solver::Grid board = decidedDigits(form);
    const solver::Result own = solver::solve(board, diagonal);
    if (!own.complete)
        return {Solution::Found::GaveUp, {}};
    if (own.count == 1)
        return {Solution::Found::One, own.solution};
    if (own.count >= 2)
        return {Solution::Found::Many, {}};

    Solution found;
    std::set<solver::Grid> seen;
    // Fewer digits than a set with several solutions have several too.
    std::vector<solver::Grid> several;
    int solved = 0;
    // False once the search is over.
    const auto tryDigits = [&](const solver::Grid& digits) {
        if (!within(digits, board) || !seen.insert(digits).second)
            return true;
        for (const solver::Grid& more : several) {
            if (within(digits, more))
                return true;
        }
        if (++solved > MaxSolved)
            return false;
        const solver::Result result = solver::solve(digits, diagonal);
        if (result.complete && result.count == 1) {
            found = {Solution::Found::One, result.solution};
            return false;
        }
        if (result.complete && result.count >= 2)
            several.push_back(digits);
        return true;
    };
    bool searching = true;
    form.history.walkBack([&](const FormState& state, int) {
        searching = tryDigits(decidedDigits(state));
        return searching;
    });
    if (searching) {
        solver::Grid saved{};
        for (int i = 0; i < FormState::CellCount; ++i)
            saved[size_t(i)] = digitOf(form.savedGrid[size_t(i)]);
        tryDigits(saved);
    }
    return found;
}

// Why a board cannot be judged, or nothing when it can.
QString unjudged(const Solution& solution)
{
    switch (solution.found) {
    case Solution::Found::One:
        return {};
    case Solution::Found::None:
        return QStringLiteral("解がないため、間違いを探せません");
    case Solution::Found::Many:
        return QStringLiteral("解が複数あるため、間違いを探せません");
    case Solution::Found::GaveUp:
        break;
    }
    return QStringLiteral("解を求められないため、間違いを探せません");
}

struct Mistake {
    int cell = -1;
    bool wrongDigit = false;  // a decided digit; else candidates without the solution's
};

Mistake firstMistake(const FormState& state, const solver::Grid& solution)
{
    for (int i = 0; i < FormState::CellCount; ++i) {
        const QString& text = shownText(state, i);
        const int digit = digitOf(text);
        if (state.decided[size_t(i)] == 1 && digit != 0) {
            if (digit != solution[size_t(i)])
                return {i, true};
        } else if (!(nextstep::digitsOf(text) & nextstep::bit(solution[size_t(i)]))) {
            return {i, false};
        }
    }
    return {};
}

const QString NoMistake = QStringLiteral("間違いはありません");
const QString SingleViewWaits = QStringLiteral("間違い探しは全数表示に戻してから使えます");

}  // namespace

void Korvane::tellSolutionCount()
{
    const solver::Grid givens = decidedDigits(*this);
    QString said;
    if (givens != solver::Grid{}) {
        const solver::Result result = solver::solve(givens, diagonalMode == 1);
        if (result.complete && result.count == 0)
            said = NoSolution;
        else if (result.complete && result.count >= 2)
            said = ManySolutions;
    }
    if (!said.isEmpty())
        Text3.Text = said;
    else if (Text3.Text == NoSolution || Text3.Text == ManySolutions)
        Text3.Text = UsageText;  // said of the other puzzle type
}

int Korvane::FindMistake()
{
    if (singleView == 1) {
        Text3.Text = SingleViewWaits;
        return -1;
    }
    const Solution solution = solutionOf(*this);
    if (const QString why = unjudged(solution); !why.isEmpty()) {
        Text3.Text = why;
        return -1;
    }
    const Mistake mistake = firstMistake(*this, solution.grid);
    if (mistake.cell < 0) {
        Text3.Text = NoMistake;
        return -1;
    }
    const QString place =
        QStringLiteral("%1行%2列").arg(mistake.cell / 9 + 1).arg(mistake.cell % 9 + 1);
    Text3.Text = mistake.wrongDigit
                     ? QStringLiteral("間違い：%1の%2は正しくありません")
                           .arg(place, Text1[size_t(mistake.cell)].Text)
                     : QStringLiteral("間違い：%1の候補に正しい数字がありません").arg(place);
    return mistake.cell;
}

void Korvane::UndoToBeforeMistake()
{
    if (singleView == 1) {
        Text3.Text = SingleViewWaits;
        return;
    }
    const Solution solution = solutionOf(*this);
    if (const QString why = unjudged(solution); !why.isEmpty()) {
        Text3.Text = why;
        return;
    }
    if (firstMistake(*this, solution.grid).cell < 0) {
        Text3.Text = NoMistake;
        return;
    }
    // A change not yet recorded is a step of its own, before this one.
    EndAction();
    std::optional<FormState> before;
    int stepsBack = 0;
    history.walkBack([&](const FormState& state, int back) {
        if (firstMistake(state, solution.grid).cell >= 0)
            return true;
        before = state;
        stepsBack = back;
        return false;
    });
    if (!before) {
        Text3.Text = QStringLiteral("間違いのない盤面が履歴にありません");
        return;
    }
    FormState::operator=(*before);
    Text3.Text = QStringLiteral("間違いの前まで戻しました（%1手前）").arg(stepsBack);
    EndAction();
}

void Korvane::ShowGrade()
{
    const solver::Grid digits = decidedDigits(*this);
    const solver::Result result = solver::solve(digits, diagonalMode == 1);
    if (!result.complete) {
        Text3.Text = QStringLiteral("解を求められないため、難易度がわかりません");
        return;
    }
    if (result.count != 1) {
        Text3.Text = result.count == 0 ? NoSolution : ManySolutions;
        return;
    }
    std::array<QString, 81> givens;
    for (int i = 0; i < CellCount; ++i)
        givens[size_t(i)] =
            digits[size_t(i)] ? QString(QChar(u'0' + digits[size_t(i)])) : QString();
    Text3.Text =
        nextstep::rating(nextstep::walk(nextstep::boardOfGivens(givens, diagonalMode == 1)));
}
