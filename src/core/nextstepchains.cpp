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

// An alternating chain of candidates: from its first node, a strong link
// (not both false), a weak link (not both true), a strong link, and so on,
// ending with a strong link. If the first is false the last is true, so one
// of the two ends is true, and a candidate that would make both false (one
// that sees both, or shares a cell with one and sees the other) cannot be.
// An X-chain keeps to one digit; an XY-chain's strong links are cells of two
// digits; an alternating inference chain mixes both.
enum class ChainKind { X, XY, Any };
constexpr int MaxLinks = 12;
// The nodes one link leads to: at most 32 peers of a cell on a diagonal
// board, and its other digits.
using Links = std::array<int, 48>;

int node(int cell, int digit)
{
    return cell * 9 + digit - 1;
}
int nodeCell(int n)
{
    return n / 9;
}
int nodeDigit(int n)
{
    return n % 9 + 1;
}

bool weaklyLinked(const Grid& g, int a, int b)
{
    if (a == b)
        return false;
    if (nodeCell(a) == nodeCell(b))
        return true;
    return nodeDigit(a) == nodeDigit(b) && g.sees(nodeCell(a), nodeCell(b));
}

// The nodes a strong link leads to from node n: the other place of its
// digit in each unit where it has two, then the other digit of its cell when
// the cell has two.
int strongFrom(const Grid& g, int n, ChainKind kind, Links& out)
{
    int size = 0;
    const int c = nodeCell(n);
    const int d = nodeDigit(n);
    if (kind != ChainKind::XY) {
        for (int u : g.unitsOf(c)) {
            if (g.knownIn(u, d))
                continue;
            const Cells places = g.places(u, d);
            if (places.size() != 2)
                continue;
            Cells rest = places;
            rest.remove(c);
            const int other = rest.first();
            if (g.frozen(other) ||
                std::find(out.begin(), out.begin() + size, node(other, d)) != out.begin() + size)
                continue;
            out[size_t(size++)] = node(other, d);
        }
    }
    if (kind != ChainKind::X && count(g.candidates(c)) == 2)
        out[size_t(size++)] = node(c, lowest(g.candidates(c) & ~bit(d)));
    return size;
}

// The nodes a weak link leads to from node n: its digit in every cell it
// sees, then (for an AIC) the cell's other digits.
int weakFrom(const Grid& g, int n, ChainKind kind, Links& out)
{
    int size = 0;
    const int c = nodeCell(n);
    const int d = nodeDigit(n);
    for (int p : g.candidateCells(d) & g.peers(c))
        out[size_t(size++)] = node(p, d);
    if (kind == ChainKind::Any) {
        for (int e : digitList(g.candidates(c) & ~bit(d)))
            out[size_t(size++)] = node(c, e);
    }
    return size;
}

Found chain(const Grid& g, ChainKind kind)
{
    std::vector<int> nodes;
    for (int c = 0; c < 81; ++c) {
        for (int d : digitList(g.candidates(c)))
            nodes.push_back(node(c, d));
    }
    // Breadth first from each start, over (node, whether it is true); the
    // shortest chain over all starts wins.
    Found best;
    size_t bestLength = MaxLinks + 1;
    std::array<int, 729 * 2> parent;
    std::array<int, 729 * 2> depth;
    std::vector<int> frontier;
    frontier.reserve(729 * 2);
    Links links;
    for (int start : nodes) {
        parent.fill(-2);
        frontier.clear();
        // State 2n: n is false; 2n + 1: n is true. The start is assumed false.
        parent[size_t(2 * start)] = -1;
        depth[size_t(2 * start)] = 0;
        frontier.push_back(2 * start);
        for (size_t next = 0; next < frontier.size(); ++next) {
            const int state = frontier[next];
            const int n = state / 2;
            const bool isTrue = state % 2 == 1;
            if (depth[size_t(state)] >= MaxLinks || size_t(depth[size_t(state)]) + 1 >= bestLength)
                break;
            const int linkCount =
                isTrue ? weakFrom(g, n, kind, links) : strongFrom(g, n, kind, links);
            for (int l = 0; l < linkCount; ++l) {
                const int m = links[size_t(l)];
                const int reached = 2 * m + (isTrue ? 0 : 1);
                if (parent[size_t(reached)] != -2)
                    continue;
                parent[size_t(reached)] = state;
                depth[size_t(reached)] = depth[size_t(state)] + 1;
                frontier.push_back(reached);
                if (isTrue || depth[size_t(reached)] < 3 || m == start)
                    continue;
                // start or m is true: what would make both false is gone.
                Step step;
                for (int z : nodes) {
                    if (z != start && z != m && weaklyLinked(g, z, start) && weaklyLinked(g, z, m))
                        step.eliminations.push_back({nodeCell(z), nodeDigit(z)});
                }
                if (step.eliminations.empty())
                    continue;
                Chain found;
                for (int s = reached; s >= 0; s = parent[size_t(s)])
                    found.nodes.push_back({nodeCell(s / 2), nodeDigit(s / 2)});
                std::reverse(found.nodes.begin(), found.nodes.end());
                step.technique = kind == ChainKind::X    ? Technique::XChain
                                 : kind == ChainKind::XY ? Technique::XYChain
                                                         : Technique::AlternatingChain;
                for (const ChainNode& k : found.nodes) {
                    step.digits |= bit(k.digit);
                    if (std::find(step.cells.begin(), step.cells.end(), k.cell) == step.cells.end())
                        step.cells.push_back(k.cell);
                }
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
    return chain(g, ChainKind::X);
}

Found xyChain(const Grid& g)
{
    return chain(g, ChainKind::XY);
}

Found alternatingChain(const Grid& g)
{
    return chain(g, ChainKind::Any);
}

}  // namespace nextstep::grid
