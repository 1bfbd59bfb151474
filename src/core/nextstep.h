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
// digit, is a cell whose value is known. A decided cell whose text is not one
// digit may hold any digit, and no step changes it. Every step is a logical
// consequence of the digits shown: no guessing, and nothing that assumes the
// puzzle has one solution. A forcing chain assumes a digit only to prove,
// by singles, what follows from it, and shows the proof.
//
// Units are the rows, columns and boxes, and on a diagonal board the two long
// diagonals (units.h). Every technique uses every unit the board has: the
// fish, skyscrapers and kites count a diagonal as a line beside the rows and
// columns; finned fish keep to rows and columns.
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

// Easiest first; a technique further down is tried only when none above
// applies.
enum class Technique {
    PeerRemoval,  // a decided digit still among its peers' candidates
    NakedSingle,
    HiddenSingle,
    Pointing,
    Claiming,
    DiagonalIntersection,  // a cell that sees every place of a digit in a unit
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
    GroupedXChain,  // an X-chain with nodes of two or three cells
    GroupedAIC,
    AlsXz,                      // two almost locked sets
    CellForcingChain,           // every digit of a cell leads to one result
    UnitForcingChain,           // every place of a digit in a unit leads to one result
    ContradictionForcingChain,  // one assumption leads to a contradiction
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

// A node of a chain: a digit in a cell, or a grouped node, a digit in one of
// the two or three cells a box shares with a line (or a diagonal).
struct ChainNode {
    std::vector<int> cells;
    int digit = 0;
    // The unit of the link that reaches this node from the one before: where
    // the digit has no other place (a strong link) or which both nodes lie
    // in (a weak link); -1 for a link inside one cell, and for the first.
    int unit = -1;
};

// An alternating chain, from the end assumed false: a strong link (not both
// false) to the second node, a weak link (not both true) to the third, and
// so on, the last node reached by a strong link.
struct Chain {
    std::vector<ChainNode> nodes;
};

// Two almost locked sets: each n cells of one unit that hold n + 1 digits
// between them. A restricted common digit is one both hold whose places in
// the one all see its places in the other, so at most one of them has it.
struct AlmostLockedSets {
    std::array<std::vector<int>, 2> cells;
    std::array<int, 2> units{};
    std::array<Digits, 2> digits{};
    Digits restricted = 0;  // one digit, or two when doubly linked
};

// One fact of a forcing chain's branch, in the order the proof takes them.
struct Deduction {
    enum class Reason {
        Assumed,    // the branch's assumption
        OnlyDigit,  // the cell's other digits are gone (from: what removed them)
        OnlyPlace,  // the unit's other places of the digit are gone (from: likewise)
        Seen,       // a digit placed in the cell, or in a cell of `unit`, removes it
    };
    int cell = 0;
    int digit = 0;
    bool placed = true;  // the cell is the digit; false: the digit is not in the cell
    Reason reason = Reason::Assumed;
    int unit = -1;          // OnlyPlace: the unit; Seen: the unit shared (-1: the same cell)
    std::vector<int> from;  // indexes of the deductions it follows from
};

// A forcing chain's branch: from its assumption to what it shows, each
// deduction following from the ones before it; a branch of a contradiction
// chain ends in the contradiction it reaches.
struct Branch {
    std::vector<Deduction> deductions;
    std::optional<Contradiction> contradiction;
};

// The branches of a forcing chain: one for each digit of the cell, or each
// place of the digit in the unit, all ending in the same deduction; or one
// branch, from one assumption to a contradiction.
struct Forcing {
    std::vector<Branch> branches;
};

// What a step's pattern holds beyond its cells and units, one type a family:
// nothing for the singles, intersections, subsets and wings.
using Pattern = std::variant<std::monostate, Fish, Colouring, Chain, AlmostLockedSets, Forcing>;

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

struct Outcome {
    std::optional<Step> step;
    std::optional<Contradiction> contradiction;
    bool solved = false;  // every cell known, nothing left to do
};

// The easiest step the board allows, or the contradiction it holds, or
// neither (solved, or stuck: no technique applies). Techniques harder than
// `hardest` are not tried: with `hardest` Pointing, say, a walk stops where
// claiming or anything harder is the only way on.
Outcome next(const Board& board, Technique hardest = Technique::ContradictionForcingChain);

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
Walk walk(Board board, Technique hardest = Technique::ContradictionForcingChain);

// How hard a puzzle is, from the hardest technique its walk needs. A
// technique's grade is its family's:
enum class Grade {
    Beginner,      // 初級: peer removal and the singles
    Intermediate,  // 中級: intersections and subsets
    Advanced,      // 上級: fish, wings, single-digit patterns, colouring
    Hard,          // 難問: chains, grouped chains, almost locked sets
    VeryHard,      // 超難問: forcing chains
};
Grade grade(Technique technique);
// The grade of a walk that solved its board, that of its hardest step;
// nothing when the walk stopped short of the end (stuck or contradicted),
// since what it would take is then not known.
std::optional<Grade> grade(const Walk& walk);
// "初級", "中級", "上級", "難問", "超難問".
QString name(Grade grade);
// The walk's rating as a sentence, for korvane --explain's last line and
// the message line: "難易度：上級（いちばん難しい手筋：XY-ウィング）。", or
// why there is none.
QString rating(const Walk& walk);

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
