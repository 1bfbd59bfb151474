#pragma once

#include <array>
#include <optional>
#include <variant>
#include <vector>

#include <QString>
#include <QStringView>

// The next step of logic on a board of candidates: what a patient teacher
// would point out when singles have stalled. A function of the board alone
// (no form state): each cell's digits and whether it is decided, and the
// puzzle type.
//
// A cell's digits are the characters '1'-'9' of its text; anything else in
// the text is ignored. A decided cell, and an undecided one holding a single
// digit, is a cell whose value is known. Every step is a logical consequence
// of the digits shown: no guessing, and nothing that assumes the puzzle has
// one solution.
//
// Units are the rows, columns and boxes, and on a diagonal board the two long
// diagonals (units.h); the techniques that reason in units use all of them,
// the fish and the two-string kite rows and columns only.
namespace nextstep {

// Bit d (1-9) set: digit d.
using Digits = quint16;
constexpr Digits bit(int digit)
{
    return Digits(1u << digit);
}
// The digits of a cell's text.
Digits digitsOf(QStringView text);

struct Board {
    std::array<Digits, 81> digits{};
    std::array<bool, 81> decided{};
    bool diagonal = false;
};

// One candidate: `digit` in `cell` (0-80).
struct Candidate {
    int cell = 0;
    int digit = 0;
    auto operator<=>(const Candidate&) const = default;
};

// Easiest first; a technique further down is tried only when none above
// applies.
enum class Technique {
    PeerRemoval,  // a decided digit still among its peers' candidates
    NakedSingle,
    HiddenSingle,
    Pointing,
    Claiming,
    NakedPair,
    HiddenPair,
    NakedTriple,
    HiddenTriple,
    NakedQuad,
    HiddenQuad,
    XWing,
    Swordfish,
    Jellyfish,
    XYWing,
    XYZWing,
    WWing,
    Skyscraper,
    TwoStringKite,
    FinnedXWing,
    FinnedSwordfish,
    SimpleColouring,
    XChain,
    XYChain,
    AlternatingChain,
};

// What a fish is made of: the base lines in which the digit's places lie,
// the cover lines those places fill, and for a finned fish its fins, the
// places outside the cover lines, all in one box.
struct Fish {
    std::vector<int> base;   // units
    std::vector<int> cover;  // units
    std::vector<int> fins;   // cells; none for a fish without fins
    int finBox = -1;         // the fins' box as a unit, or -1
};

// The two colours of simple colouring: the cells of one colour all hold the
// digit, or those of the other do. Each colour's cells in ascending order.
struct Colouring {
    std::array<std::vector<int>, 2> colours;
};

// A node of a chain: a digit in a cell.
struct ChainNode {
    int cell = 0;
    int digit = 0;
    auto operator<=>(const ChainNode&) const = default;
};

// An alternating chain, from the end assumed false: a strong link (not both
// false) to the second node, a weak link (not both true) to the third, and
// so on, the last node reached by a strong link.
struct Chain {
    std::vector<ChainNode> nodes;
};

// What a step's pattern holds beyond its cells and units, one type a family:
// nothing for the singles, intersections, subsets and wings.
using Pattern = std::variant<std::monostate, Fish, Colouring, Chain>;

struct Step {
    Technique technique = Technique::PeerRemoval;
    std::vector<int> cells;  // the cells that cause it, in the order it reasons
    std::vector<int> units;  // the units it reasons in (indexes into units::all)
    Digits digits = 0;       // the digits it reasons about
    Pattern pattern;         // the family's own account of the pattern
    std::vector<Candidate> placements;
    std::vector<Candidate> eliminations;
    bool diagonal = false;  // found on a diagonal board
};

// Candidates that contradict each other: no solution is left.
struct Contradiction {
    enum class Kind {
        EmptyCell,          // an undecided cell without a digit
        DigitTwice,         // two known cells of a unit hold the same digit
        DigitWithoutPlace,  // a unit with no cell left for a digit
    };
    Kind kind = Kind::EmptyCell;
    int cell = -1;   // EmptyCell; DigitTwice: the second of the two
    int other = -1;  // DigitTwice: the first
    int unit = -1;   // DigitTwice, DigitWithoutPlace
    int digit = 0;
};

struct Outcome {
    std::optional<Step> step;
    std::optional<Contradiction> contradiction;
    bool solved = false;  // every cell known, nothing left to do
};

// The easiest step the board allows, or the contradiction it holds, or
// neither (solved, or stuck: no technique applies). Techniques harder than
// `hardest` are not tried: with `hardest` Pointing, say, a walk stops where
// claiming or anything harder is the only way on.
Outcome next(const Board& board, Technique hardest = Technique::AlternatingChain);

// The board once `step` is made: each placement a cell of that one digit
// (undecided, as a typed digit is), each elimination gone.
Board applied(Board board, const Step& step);

// The board of a puzzle's givens: each given a decided cell of its digit,
// every other cell holding 1-9.
Board boardOfGivens(const std::array<QString, 81>& givens, bool diagonal);

// Steps from `board` on, each made on the board the one before left, until
// the board is solved, stuck or contradicts itself. Each step removes at
// least one candidate, so there are at most 729 of them.
struct Walk {
    std::vector<Step> steps;
    std::vector<Board> before;  // the board each step was found on
    Outcome end;                // what the last board gave: solved, stuck or a contradiction
};
Walk walk(Board board, Technique hardest = Technique::AlternatingChain);

// The technique's name as Japanese solvers call it ("X-ウィング").
QString name(Technique technique);
// What a patient teacher would say of the step found on `board`, in
// Japanese: why it holds and what it allows.
QString explanation(const Step& step, const Board& board);
// What is wrong with the candidates, in Japanese.
QString explanation(const Contradiction& contradiction);
// The step's placements and eliminations as "r5c7=3 r5c8<>7".
QString notation(const Step& step);

// Where a cell is, as the window names it (layout::controls()): "5行7列".
QString cellName(int cell);
// A unit as the window's user reads it: "5行目", "7列目", "ブロック4",
// "左上からの対角線".
QString unitName(int unit);

}  // namespace nextstep
