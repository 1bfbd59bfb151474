// Forcing chains: what follows by singles alone from assuming one digit in
// one cell. Every case of a cell (or of a digit's places in a unit) leading
// to one result proves the result; an assumption leading to a contradiction
// proves its opposite. Each is told as a proof, branch by branch.
#include <algorithm>

#include "nextstepgrid.h"

namespace nextstep::grid {

namespace {

using Reason = Deduction::Reason;

// One branch worked out breadth first: the facts of depth k (k steps from
// the assumption) before those of depth k + 1, so that each fact is reached
// by its shortest way. A placement removes its digit from its peers and the
// cell's other digits; a removal may leave a cell one digit (a naked single)
// or a unit one place for a digit (a hidden single), which are placed in
// turn, until nothing more follows or a cell or unit is left without.
class Branchwork {
public:
    struct Fact {
        int cell = 0;
        int digit = 0;
        bool placed = true;
        Reason reason = Reason::Assumed;
        int unit = -1;
        int depth = 0;
    };

    explicit Branchwork(const Grid& g) : g_(&g)
    {
        for (int c = 0; c < 81; ++c) {
            digits_[size_t(c)] = g.digits(c);
            if (g.known(c)) {
                for (int u : g.unitsOf(c))
                    done_[size_t(u)] |= bit(g.value(c));
            }
        }
        for (int d = 1; d <= 9; ++d)
            places_[size_t(d)] = g.places(d);
        for (auto& cell : remover_)
            cell.fill(None);
    }

    // Starts the branch: `digit` placed in `cell`, or removed from it.
    void assume(int cell, int digit, bool placed)
    {
        facts_.push_back({cell, digit, placed, Reason::Assumed, -1, 0});
        queued_[size_t(cell)] = std::uint8_t(placed ? digit : 0);
        if (!placed) {
            remove(cell, digit, 0);
            next_ = 1;
        }
    }

    // Works out the facts of depth up to `depth`.
    void run(int depth = 1000)
    {
        while (next_ < facts_.size() && !contradiction_ && facts_[next_].depth <= depth) {
            place(int(next_));
            ++next_;
        }
    }

    const std::optional<Contradiction>& contradiction() const { return contradiction_; }
    // How many steps from the assumption the contradiction is.
    int contradictionDepth() const { return contradictionDepth_; }
    Cells placed(int digit) const { return placed_[size_t(digit)]; }
    Cells removed(int digit) const { return removed_[size_t(digit)]; }
    int placementDepth(int cell) const { return facts_[size_t(placeFact_[size_t(cell)])].depth; }
    int removalDepth(int cell, int digit) const
    {
        return facts_[size_t(remover_[size_t(cell)][size_t(digit)])].depth + 1;
    }

    // The deductions that lead to `digit` placed in `cell` (or removed from
    // it), or to the contradiction: the assumption, then in order only the
    // facts the end needs.
    Branch proof(int cell, int digit, bool placed) const
    {
        std::vector<bool> needed(facts_.size(), false);
        std::vector<int> pending;
        const auto need = [&](int fact) {
            if (fact >= 0 && !needed[size_t(fact)]) {
                needed[size_t(fact)] = true;
                pending.push_back(fact);
            }
        };
        Branch branch;
        int last = -1;
        if (contradiction_) {
            for (int f : causesOfContradiction())
                need(f);
            branch.contradiction = contradiction_;
        } else if (placed) {
            last = placeFact_[size_t(cell)];
            need(last);
        } else {
            need(remover_[size_t(cell)][size_t(digit)]);
        }
        need(0);
        while (!pending.empty()) {
            const int f = pending.back();
            pending.pop_back();
            for (int cause : causesOf(f))
                need(cause);
        }
        std::vector<int> index(facts_.size(), -1);
        for (size_t f = 0; f < facts_.size(); ++f) {
            if (!needed[f])
                continue;
            index[f] = int(branch.deductions.size());
            const Fact& fact = facts_[f];
            Deduction deduction{fact.cell, fact.digit, fact.placed, fact.reason, fact.unit, {}};
            for (int cause : causesOf(int(f)))
                deduction.from.push_back(index[size_t(cause)]);
            branch.deductions.push_back(std::move(deduction));
        }
        if (!contradiction_ && !placed) {
            const int by = remover_[size_t(cell)][size_t(digit)];
            const int at = facts_[size_t(by)].cell;
            branch.deductions.push_back({cell,
                                         digit,
                                         false,
                                         Reason::Seen,
                                         at == cell ? -1 : g_->sharedUnit(at, cell),
                                         {index[size_t(by)]}});
        }
        return branch;
    }

private:
    // The facts a deduction follows from: what removed the cell's other
    // digits, or the digit's other places in the unit.
    std::vector<int> causesOf(int f) const
    {
        std::vector<int> out;
        const Fact& fact = facts_[size_t(f)];
        if (fact.reason == Reason::OnlyDigit) {
            for (int e : digitsIn(g_->digits(fact.cell) & ~bit(fact.digit)))
                out.push_back(remover_[size_t(fact.cell)][size_t(e)]);
        } else if (fact.reason == Reason::OnlyPlace) {
            Cells others = g_->places(fact.unit, fact.digit);
            others.remove(fact.cell);
            for (int p : others)
                out.push_back(remover_[size_t(p)][size_t(fact.digit)]);
        }
        return out;
    }
    std::vector<int> causesOfContradiction() const
    {
        std::vector<int> out;
        if (contradiction_->kind == Contradiction::Kind::EmptyCell) {
            for (int e : digitsIn(g_->digits(contradiction_->cell)))
                out.push_back(remover_[size_t(contradiction_->cell)][size_t(e)]);
        } else {
            for (int p : g_->places(contradiction_->unit, contradiction_->digit))
                out.push_back(remover_[size_t(p)][size_t(contradiction_->digit)]);
        }
        return out;
    }

    void place(int f)
    {
        const Fact fact = facts_[size_t(f)];
        if (!fact.placed)
            return;
        const int c = fact.cell;
        const int d = fact.digit;
        placedDigit_[size_t(c)] = std::uint8_t(d);
        placeFact_[size_t(c)] = std::uint8_t(f);
        placed_[size_t(d)].add(c);
        for (int u : g_->unitsOf(c))
            done_[size_t(u)] |= bit(d);
        for (int e : digitsIn(digits_[size_t(c)] & ~bit(d))) {
            remove(c, e, f);
            if (contradiction_)
                return;
        }
        for (int p : g_->peers(c) & places_[size_t(d)] & ~g_->frozenCells()) {
            remove(p, d, f);
            if (contradiction_)
                return;
        }
    }

    void remove(int c, int d, int by)
    {
        const int depth = facts_[size_t(by)].depth + 1;
        digits_[size_t(c)] &= Digits(~bit(d));
        places_[size_t(d)].remove(c);
        remover_[size_t(c)][size_t(d)] = std::uint8_t(by);
        removed_[size_t(d)].add(c);
        if (placedDigit_[size_t(c)] == 0) {
            if (digits_[size_t(c)] == 0)
                return contradict({Contradiction::Kind::EmptyCell, c, -1, -1, 0}, depth);
            if (count(digits_[size_t(c)]) == 1)
                queue(c, lowest(digits_[size_t(c)]), Reason::OnlyDigit, -1, depth);
        }
        for (int u : g_->unitsOf(c)) {
            if (done_[size_t(u)] & bit(d))
                continue;
            const Cells left = places_[size_t(d)] & g_->unitCells(u);
            if (left.empty())
                return contradict({Contradiction::Kind::DigitWithoutPlace, -1, -1, u, d}, depth);
            if (left.size() == 1 && !g_->frozen(left.first()))
                queue(left.first(), d, Reason::OnlyPlace, u, depth);
        }
    }

    void queue(int cell, int digit, Reason reason, int unit, int depth)
    {
        if (queued_[size_t(cell)] != 0 || placedDigit_[size_t(cell)] != 0)
            return;
        queued_[size_t(cell)] = std::uint8_t(digit);
        facts_.push_back({cell, digit, true, reason, unit, depth});
    }

    void contradict(Contradiction found, int depth)
    {
        contradiction_ = found;
        contradictionDepth_ = depth;
    }

    // Facts are numbered in a byte: a branch has at most 81 placements and
    // its assumption.
    static constexpr std::uint8_t None = 255;
    const Grid* g_;
    std::array<Digits, 81> digits_{};
    std::array<Cells, 10> places_{};
    std::array<Digits, 29> done_{};  // the digits placed in each unit
    std::array<std::uint8_t, 81> placedDigit_{};
    std::array<std::uint8_t, 81> queued_{};
    std::array<std::uint8_t, 81> placeFact_{};
    std::array<std::array<std::uint8_t, 10>, 81> remover_{};
    std::array<Cells, 10> placed_{};
    std::array<Cells, 10> removed_{};
    std::vector<Fact> facts_;
    size_t next_ = 0;
    std::optional<Contradiction> contradiction_;
    int contradictionDepth_ = 0;
};

}  // namespace

// Every candidate of the board assumed placed and worked out to the end,
// shared by the forcing techniques: the first to run makes them.
struct ForcingBranches {
    std::array<int, 729> of{};  // index into work, -1 for no candidate
    std::vector<Branchwork> work;
};

namespace {

const ForcingBranches& branchesOf(const Grid& g)
{
    std::shared_ptr<ForcingBranches>& cache = g.forcingCache();
    if (cache)
        return *cache;
    cache = std::make_shared<ForcingBranches>();
    cache->of.fill(-1);
    const Branchwork start(g);
    for (int c : g.openCells()) {
        for (int d : digitsIn(g.digits(c))) {
            cache->of[size_t(c * 9 + d - 1)] = int(cache->work.size());
            Branchwork work = start;
            work.assume(c, d, true);
            work.run();
            cache->work.push_back(std::move(work));
        }
    }
    return *cache;
}

// One result every branch reaches, and how far: the deepest branch's depth,
// then the depths added up.
struct Result {
    int cell = -1;
    int digit = 0;
    bool placed = true;
    int depth = 0;
    int total = 0;
    bool betterThan(const Result& o) const
    {
        if (o.cell < 0)
            return true;
        if (depth != o.depth)
            return depth < o.depth;
        if (total != o.total)
            return total < o.total;
        return placed && !o.placed;
    }
};

// The nearest result that all `branches` share, outside `sources`: a digit
// placed in an open cell, or a candidate removed.
Result shared(const Grid& g, const std::vector<const Branchwork*>& branches, Cells sources)
{
    Result best;
    for (int d = 1; d <= 9; ++d) {
        Cells placed = g.openCells() & ~sources;
        Cells removed = g.candidateCells(d) & ~sources;
        for (const Branchwork* b : branches) {
            placed &= b->placed(d);
            removed &= b->removed(d);
        }
        for (const bool isPlaced : {true, false}) {
            for (int c : isPlaced ? placed : removed) {
                Result r{c, d, isPlaced, 0, 0};
                for (const Branchwork* b : branches) {
                    const int depth = isPlaced ? b->placementDepth(c) : b->removalDepth(c, d);
                    r.depth = std::max(r.depth, depth);
                    r.total += depth;
                }
                if (r.betterThan(best))
                    best = r;
            }
        }
    }
    return best;
}

Step convergence(const std::vector<const Branchwork*>& branches, const Result& result)
{
    Step step;
    Forcing forcing;
    for (const Branchwork* b : branches)
        forcing.branches.push_back(b->proof(result.cell, result.digit, result.placed));
    step.pattern = std::move(forcing);
    (result.placed ? step.placements : step.eliminations).push_back({result.cell, result.digit});
    return step;
}

}  // namespace

// Every digit a cell may hold, assumed in turn, leads by singles to the same
// digit placed (or removed) elsewhere: it is so whichever the cell holds.
// The result nearest to its cell is shown.
Found cellForcingChain(const Grid& g)
{
    const ForcingBranches& all = branchesOf(g);
    Result best;
    int bestCell = -1;
    for (int c : g.openCells()) {
        std::vector<const Branchwork*> branches;
        for (int d : digitsIn(g.digits(c))) {
            const Branchwork& b = all.work[size_t(all.of[size_t(c * 9 + d - 1)])];
            if (b.contradiction())
                break;
            branches.push_back(&b);
        }
        if (int(branches.size()) != count(g.digits(c)))
            continue;
        const Result r = shared(g, branches, Cells::of(c));
        if (r.cell >= 0 && r.betterThan(best)) {
            best = r;
            bestCell = c;
        }
    }
    if (bestCell < 0)
        return std::nullopt;
    std::vector<const Branchwork*> branches;
    for (int d : digitsIn(g.digits(bestCell)))
        branches.push_back(&all.work[size_t(all.of[size_t(bestCell * 9 + d - 1)])]);
    Step step = convergence(branches, best);
    step.technique = Technique::CellForcingChain;
    step.cells = {bestCell};
    step.digits = g.digits(bestCell);
    return step;
}

// Every place of a digit in a unit, assumed in turn, leads by singles to the
// same result: it is so wherever the digit goes.
Found unitForcingChain(const Grid& g)
{
    const ForcingBranches& all = branchesOf(g);
    Result best;
    int bestUnit = -1, bestDigit = 0;
    for (int u = 0; u < g.unitCount(); ++u) {
        for (int d = 1; d <= 9; ++d) {
            const Cells places = g.places(u, d);
            if (g.knownIn(u, d) || places.size() < 2 || (places & g.frozenCells()).any())
                continue;
            std::vector<const Branchwork*> branches;
            for (int p : places) {
                const Branchwork& b = all.work[size_t(all.of[size_t(p * 9 + d - 1)])];
                if (b.contradiction())
                    break;
                branches.push_back(&b);
            }
            if (int(branches.size()) != places.size())
                continue;
            const Result r = shared(g, branches, places);
            if (r.cell >= 0 && r.betterThan(best)) {
                best = r;
                bestUnit = u;
                bestDigit = d;
            }
        }
    }
    if (bestUnit < 0)
        return std::nullopt;
    std::vector<const Branchwork*> branches;
    for (int p : g.places(bestUnit, bestDigit))
        branches.push_back(&all.work[size_t(all.of[size_t(p * 9 + bestDigit - 1)])]);
    Step step = convergence(branches, best);
    step.technique = Technique::UnitForcingChain;
    step.cells = g.places(bestUnit, bestDigit).list();
    step.units = {bestUnit};
    step.digits = bit(bestDigit);
    return step;
}

// A digit assumed in a cell (or assumed not there) that leads by singles to
// a contradiction, a cell or a unit left without a digit, is not there (or
// is). The shortest proof found is shown, an assumed digit before an assumed
// absence.
Found contradictionForcingChain(const Grid& g)
{
    const ForcingBranches& all = branchesOf(g);
    int bestDepth = 1000;
    size_t bestSize = 0;
    std::optional<Branch> best;
    Candidate at;
    bool atPlaced = true;
    const auto consider = [&](const Branchwork& b, int c, int d, bool placed) {
        if (!b.contradiction() || b.contradictionDepth() > bestDepth)
            return;
        Branch proof = b.proof(c, d, placed);
        if (b.contradictionDepth() == bestDepth && proof.deductions.size() >= bestSize)
            return;
        bestDepth = b.contradictionDepth();
        bestSize = proof.deductions.size();
        best = std::move(proof);
        at = {c, d};
        atPlaced = placed;
    };
    for (int c : g.openCells()) {
        for (int d : digitsIn(g.digits(c)))
            consider(all.work[size_t(all.of[size_t(c * 9 + d - 1)])], c, d, true);
    }
    const Branchwork start(g);
    for (int c : g.openCells()) {
        for (int d : digitsIn(g.digits(c))) {
            Branchwork work = start;
            work.assume(c, d, false);
            work.run(bestDepth - 1);
            consider(work, c, d, false);
        }
    }
    if (!best)
        return std::nullopt;
    Step step;
    step.technique = Technique::ContradictionForcingChain;
    step.cells = {at.cell};
    step.digits = bit(at.digit);
    (atPlaced ? step.eliminations : step.placements).push_back(at);
    step.pattern = Forcing{{std::move(*best)}};
    return step;
}

}  // namespace nextstep::grid
