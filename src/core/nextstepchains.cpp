// Colouring and chains: strong and weak links between candidates, followed
// from one candidate assumed false to one that must then be true.
#include <algorithm>

#include "nextstepgrid.h"

namespace nextstep::grid {

// The strong links of one digit join its places into clusters that can be
// coloured in two colours, one of which holds the digit. Two cells of one
// colour that see each other make that colour false; a cell that sees both
// colours cannot hold the digit.
Found simpleColouring(const Grid& g)
{
    for (int d = 1; d <= 9; ++d) {
        const std::vector<StrongLink> links = strongLinks(g, d);
        std::array<int, 81> colour;
        colour.fill(-1);
        for (const StrongLink& start : links) {
            if (colour[size_t(start.a)] >= 0)
                continue;
            // Colour the cluster: 2k and 2k + 1 for the k-th cluster.
            const int base = 2 * start.a;
            std::vector<int> cluster{start.a};
            colour[size_t(start.a)] = base;
            bool consistent = true;
            for (size_t next = 0; next < cluster.size(); ++next) {
                const int c = cluster[next];
                for (const StrongLink& link : links) {
                    const int other = link.a == c ? link.b : link.b == c ? link.a : -1;
                    if (other < 0)
                        continue;
                    const int wanted = base + 1 - (colour[size_t(c)] - base);
                    if (colour[size_t(other)] < 0) {
                        colour[size_t(other)] = wanted;
                        cluster.push_back(other);
                    } else if (colour[size_t(other)] != wanted) {
                        consistent = false;
                    }
                }
            }
            if (!consistent || cluster.size() < 4)
                continue;
            std::array<Cells, 2> sides;
            for (int c : cluster)
                sides[size_t(colour[size_t(c)] - base)].add(c);
            Step step;
            step.technique = Technique::SimpleColouring;
            step.digits = bit(d);
            step.pattern = Colouring{{sides[0].list(), sides[1].list()}};
            // A colour that sees itself is false.
            for (const int side : {0, 1}) {
                bool clash = false;
                for (int a : sides[size_t(side)])
                    clash = clash || (g.peers(a) & sides[size_t(side)]).any();
                if (!clash)
                    continue;
                for (int c : cluster) {
                    if (sides[size_t(side)].has(c))
                        step.eliminations.push_back({c, d});
                }
                step.cells = cluster;
                return step;
            }
            // A cell that sees both colours.
            for (int c : g.candidateCells(d)) {
                if (colour[size_t(c)] < 0 && (g.peers(c) & sides[0]).any() &&
                    (g.peers(c) & sides[1]).any())
                    step.eliminations.push_back({c, d});
            }
            if (!step.eliminations.empty()) {
                step.cells = cluster;
                return step;
            }
        }
    }
    return std::nullopt;
}

namespace {

// An alternating chain: from its first node, a strong link (not both false),
// a weak link (not both true), a strong link, and so on, ending with a
// strong link. If the first is false the last is true, so one of the two
// ends is true, and a candidate that would make both false (one that sees
// both, or shares a cell with one and sees the other) cannot be. An X-chain
// keeps to one digit; an XY-chain's strong links are cells of two digits; an
// alternating inference chain (AIC) mixes both. A grouped chain may also
// pass through a grouped node: a digit's places where a box meets a line or
// a diagonal, true when the digit is in one of them.
enum class ChainKind { X, XY, Any };
constexpr int MaxLinks = 12;
// Nodes 0-728 are the candidates, cell * 9 + digit - 1; grouped nodes
// follow.
constexpr int Singles = 729;

int node(int cell, int digit)
{
    return cell * 9 + digit - 1;
}

// A set of candidates, walked in ascending order.
struct CandidateSet {
    std::array<std::uint64_t, 12> bits{};
    void add(int n) { bits[size_t(n / 64)] |= std::uint64_t(1) << (n % 64); }
};

// The cells a box shares with a line or a diagonal: where a grouped node
// may lie.
const std::vector<Cells>& intersections(bool diagonal)
{
    static const std::array<std::vector<Cells>, 2> all = [] {
        std::array<std::vector<Cells>, 2> out;
        for (int k = 0; k < 2; ++k) {
            const Geometry& geo = geometry(k == 1);
            for (int box = 18; box < 27; ++box) {
                for (int line = 0; line < geo.unitCount; ++line) {
                    const Cells shared = geo.unit[size_t(box)] & geo.unit[size_t(line)];
                    if (!isBox(line) && shared.size() >= 2)
                        out[size_t(k)].push_back(shared);
                }
            }
        }
        return out;
    }();
    return all[diagonal ? 1 : 0];
}

// The nodes of one search and their links, worked out once for every start.
class ChainGraph {
public:
    ChainGraph(const Grid& g, ChainKind kind, bool grouped) : g_(g)
    {
        cells_.resize(Singles);
        digit_.resize(Singles);
        for (int c = 0; c < 81; ++c) {
            for (int d = 1; d <= 9; ++d) {
                cells_[size_t(node(c, d))] = Cells::of(c);
                digit_[size_t(node(c, d))] = d;
            }
        }
        if (grouped) {
            for (int d = 1; d <= 9; ++d) {
                for (Cells shared : intersections(g.diagonal())) {
                    const Cells group = g.candidateCells(d) & shared;
                    if (group.size() >= 2 && groupOf(d, group) < 0) {
                        cells_.push_back(group);
                        digit_.push_back(d);
                    }
                }
            }
        }
        const int size = int(cells_.size());
        strongAt_.assign(size_t(size) + 1, 0);
        weakAt_.assign(size_t(size) + 1, 0);
        eliminates_.resize(size_t(size));
        for (int c = 0; c < 81; ++c) {
            for (int d : digitsIn(g.candidates(c)))
                starts_.push_back(node(c, d));
        }
        for (int n = Singles; n < size; ++n)
            starts_.push_back(n);
        for (int n = 0; n < size; ++n) {
            strongAt_[size_t(n)] = int(strong_.size());
            weakAt_[size_t(n)] = int(weak_.size());
            if (n < Singles && !(g.candidates(n / 9) & bit(n % 9 + 1)))
                continue;
            linkStrongly(n, kind, grouped);
            linkWeakly(n, kind, grouped);
            const int d = digit_[size_t(n)];
            for (int p : g.candidateCells(d) & g.seeingAll(cells_[size_t(n)]))
                eliminates_[size_t(n)].add(node(p, d));
            if (n < Singles) {
                for (int e : digitsIn(g.candidates(n / 9) & ~bit(d)))
                    eliminates_[size_t(n)].add(node(n / 9, e));
            }
        }
        strongAt_[size_t(size)] = int(strong_.size());
        weakAt_[size_t(size)] = int(weak_.size());
    }

    int size() const { return int(cells_.size()); }
    // Every node, candidates first: where a search may start.
    const std::vector<int>& starts() const { return starts_; }
    Cells cells(int n) const { return cells_[size_t(n)]; }
    int digit(int n) const { return digit_[size_t(n)]; }
    const int* strongBegin(int n) const { return strong_.data() + strongAt_[size_t(n)]; }
    const int* strongEnd(int n) const { return strong_.data() + strongAt_[size_t(n + 1)]; }
    const int* weakBegin(int n) const { return weak_.data() + weakAt_[size_t(n)]; }
    const int* weakEnd(int n) const { return weak_.data() + weakAt_[size_t(n + 1)]; }
    // The candidates other than a and b weakly linked to both: what a chain
    // from a to b removes.
    std::vector<Candidate> eliminations(int a, int b) const
    {
        std::vector<Candidate> out;
        for (size_t w = 0; w < 12; ++w) {
            std::uint64_t both = eliminates_[size_t(a)].bits[w] & eliminates_[size_t(b)].bits[w];
            while (both) {
                const int z = int(w) * 64 + std::countr_zero(both);
                both &= both - 1;
                if (z != a && z != b)
                    out.push_back({z / 9, z % 9 + 1});
            }
        }
        return out;
    }
    // The unit of the link from a to b: for a strong link, one where the
    // digit's places are the two nodes'; for a weak link, one holding both;
    // -1 inside a cell.
    int linkUnit(int a, int b, bool strong) const
    {
        const Cells both = cells(a) | cells(b);
        if (digit(a) != digit(b) || both.size() < 2)
            return -1;
        if (!strong)
            return g_.unitHolding(both);
        for (int u = 0; u < g_.unitCount(); ++u) {
            if (g_.places(u, digit(a)) == both)
                return u;
        }
        return -1;
    }

private:
    int groupOf(int digit, Cells cells) const
    {
        for (size_t n = Singles; n < cells_.size(); ++n) {
            if (digit_[n] == digit && cells_[n] == cells)
                return int(n);
        }
        return -1;
    }
    // The node of a digit in `cells`: a candidate, a grouped node, or none.
    int nodeOf(int digit, Cells cells) const
    {
        if (cells.size() == 1)
            return g_.frozen(cells.first()) ? -1 : node(cells.first(), digit);
        return cells.size() > 1 ? groupOf(digit, cells) : -1;
    }
    void add(std::vector<int>& links, size_t from, int n)
    {
        if (n >= 0 && std::find(links.begin() + long(from), links.end(), n) == links.end())
            links.push_back(n);
    }
    // The other place of the digit in each unit where it has two, then the
    // other digit of the cell when the cell has two; with groups, the rest
    // of the digit's places in a unit when they are one node.
    void linkStrongly(int n, ChainKind kind, bool grouped)
    {
        const size_t from = strong_.size();
        const int d = digit_[size_t(n)];
        const Cells mine = cells_[size_t(n)];
        if (kind != ChainKind::XY) {
            for (int u = 0; u < g_.unitCount(); ++u) {
                if (!g_.unitCells(u).contains(mine) || g_.knownIn(u, d))
                    continue;
                const Cells places = g_.places(u, d);
                const Cells rest = places & ~mine;
                if (!grouped && places.size() != 2)
                    continue;
                add(strong_, from, nodeOf(d, rest));
            }
        }
        if (n < Singles && kind != ChainKind::X && count(g_.candidates(n / 9)) == 2)
            add(strong_, from, node(n / 9, lowest(g_.candidates(n / 9) & ~bit(d))));
    }
    // The digit in every cell that sees the node, then (for an AIC) the
    // cell's other digits; with groups, the grouped nodes the node sees.
    void linkWeakly(int n, ChainKind kind, bool grouped)
    {
        const int d = digit_[size_t(n)];
        const Cells mine = cells_[size_t(n)];
        const Cells seen = g_.seeingAll(mine);
        for (int p : g_.candidateCells(d) & seen)
            weak_.push_back(node(p, d));
        if (n < Singles && kind == ChainKind::Any) {
            for (int e : digitsIn(g_.candidates(n / 9) & ~bit(d)))
                weak_.push_back(node(n / 9, e));
        }
        if (grouped) {
            for (size_t m = Singles; m < cells_.size(); ++m) {
                if (int(m) != n && digit_[m] == d && seen.contains(cells_[m]))
                    weak_.push_back(int(m));
            }
        }
    }

    const Grid& g_;
    std::vector<Cells> cells_;
    std::vector<int> digit_;
    std::vector<int> starts_;
    std::vector<int> strongAt_, strong_;
    std::vector<int> weakAt_, weak_;
    std::vector<CandidateSet> eliminates_;
};

Found chain(const Grid& g, ChainKind kind, bool grouped)
{
    const ChainGraph graph(g, kind, grouped);
    // Breadth first from each start, over (node, whether it is true); the
    // shortest chain over all starts wins.
    Found best;
    size_t bestLength = MaxLinks + 1;
    const size_t states = size_t(graph.size()) * 2;
    std::vector<int> parent(states);
    std::vector<int> depth(states);
    // A state is reached in this start's search when its mark is the
    // start's number.
    std::vector<int> mark(states, 0);
    int search = 0;
    std::vector<int> frontier;
    frontier.reserve(states);
    for (int start : graph.starts()) {
        ++search;
        frontier.clear();
        // State 2n: n is false; 2n + 1: n is true. The start is assumed false.
        parent[size_t(2 * start)] = -1;
        depth[size_t(2 * start)] = 0;
        mark[size_t(2 * start)] = search;
        frontier.push_back(2 * start);
        for (size_t next = 0; next < frontier.size(); ++next) {
            const int state = frontier[next];
            const int n = state / 2;
            const bool isTrue = state % 2 == 1;
            if (depth[size_t(state)] >= MaxLinks || size_t(depth[size_t(state)]) + 1 >= bestLength)
                break;
            const int* links = isTrue ? graph.weakBegin(n) : graph.strongBegin(n);
            const int* end = isTrue ? graph.weakEnd(n) : graph.strongEnd(n);
            for (; links != end; ++links) {
                const int m = *links;
                const int reached = 2 * m + (isTrue ? 0 : 1);
                if (mark[size_t(reached)] == search)
                    continue;
                mark[size_t(reached)] = search;
                parent[size_t(reached)] = state;
                depth[size_t(reached)] = depth[size_t(state)] + 1;
                frontier.push_back(reached);
                if (isTrue || depth[size_t(reached)] < 3 || m == start)
                    continue;
                // start or m is true: what would make both false is gone.
                Step step;
                step.eliminations = graph.eliminations(start, m);
                if (step.eliminations.empty())
                    continue;
                std::vector<int> path;
                for (int s = reached; s >= 0; s = parent[size_t(s)])
                    path.push_back(s / 2);
                std::reverse(path.begin(), path.end());
                Chain found;
                bool anyGroup = false;
                for (size_t i = 0; i < path.size(); ++i) {
                    const int k = path[i];
                    anyGroup = anyGroup || k >= Singles;
                    found.nodes.push_back(
                        {graph.cells(k).list(), graph.digit(k),
                         i == 0 ? -1 : graph.linkUnit(path[i - 1], k, i % 2 == 1)});
                    step.digits |= bit(graph.digit(k));
                    for (int c : graph.cells(k)) {
                        if (std::find(step.cells.begin(), step.cells.end(), c) == step.cells.end())
                            step.cells.push_back(c);
                    }
                }
                step.technique =
                    kind == ChainKind::XY ? Technique::XYChain
                    : kind == ChainKind::X
                        ? (anyGroup ? Technique::GroupedXChain : Technique::XChain)
                        : (anyGroup ? Technique::GroupedAIC : Technique::AlternatingChain);
                step.pattern = std::move(found);
                bestLength = size_t(depth[size_t(reached)]);
                best = std::move(step);
                break;
            }
            if (best && bestLength <= size_t(depth[size_t(state)]) + 1)
                break;
        }
    }
    return best;
}

}  // namespace

Found xChain(const Grid& g)
{
    return chain(g, ChainKind::X, false);
}

Found xyChain(const Grid& g)
{
    return chain(g, ChainKind::XY, false);
}

Found alternatingChain(const Grid& g)
{
    return chain(g, ChainKind::Any, false);
}

Found groupedXChain(const Grid& g)
{
    return chain(g, ChainKind::X, true);
}

Found groupedAic(const Grid& g)
{
    return chain(g, ChainKind::Any, true);
}

}  // namespace nextstep::grid
