#pragma once

// The board as the next step's techniques see it, shared by the files of the
// families (nextstepsingles.cpp, nextstepsubsets.cpp, nextstepfish.cpp,
// nextstepwings.cpp, nextstepchains.cpp, nextstepals.cpp, nextstepforcing.cpp).
// Not part of the core's interface.
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "nextstep.h"
#include "units.h"

namespace nextstep::grid {

constexpr Digits AllDigits = 0x3FE;

// Set bits, counted in the register: the build targets every x86-64, where
// std::popcount is a call into the compiler's library.
constexpr int bitCount(std::uint64_t x)
{
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return int((x * 0x0101010101010101u) >> 56);
}

inline int count(Digits digits)
{
    return bitCount(digits);
}

inline int lowest(Digits digits)
{
    return std::countr_zero(unsigned(digits));
}

// A set of cells as a mask: bit c of the 81 bits set, cell c in the set.
// Ranged for walks its cells in ascending order, the order in which every
// unit lists its cells, so a scan over a mask meets cells as a scan over
// the unit did.
class Cells {
public:
    constexpr Cells() = default;
    static constexpr Cells of(int cell)
    {
        Cells out;
        out.add(cell);
        return out;
    }
    template <class Range> static constexpr Cells ofAll(const Range& cells)
    {
        Cells out;
        for (int c : cells)
            out.add(c);
        return out;
    }

    constexpr bool has(int cell) const
    {
        return cell < 64 ? (lo_ >> cell) & 1 : (hi_ >> (cell - 64)) & 1;
    }
    constexpr void add(int cell)
    {
        if (cell < 64)
            lo_ |= std::uint64_t(1) << cell;
        else
            hi_ |= std::uint64_t(1) << (cell - 64);
    }
    constexpr void remove(int cell)
    {
        if (cell < 64)
            lo_ &= ~(std::uint64_t(1) << cell);
        else
            hi_ &= ~(std::uint64_t(1) << (cell - 64));
    }
    constexpr bool empty() const { return (lo_ | hi_) == 0; }
    constexpr bool any() const { return !empty(); }
    constexpr int size() const { return bitCount(lo_) + bitCount(hi_); }
    // The lowest cell; 81 for an empty set.
    constexpr int first() const
    {
        return lo_ ? std::countr_zero(lo_) : hi_ ? 64 + std::countr_zero(hi_) : 81;
    }
    constexpr bool contains(Cells other) const { return (other & ~*this).empty(); }

    constexpr Cells operator&(Cells o) const { return {lo_ & o.lo_, hi_ & o.hi_}; }
    constexpr Cells operator|(Cells o) const { return {lo_ | o.lo_, hi_ | o.hi_}; }
    constexpr Cells operator~() const { return {~lo_, ~hi_ & HighMask}; }
    constexpr Cells& operator&=(Cells o) { return *this = *this & o; }
    constexpr Cells& operator|=(Cells o) { return *this = *this | o; }
    constexpr bool operator==(const Cells&) const = default;

    std::vector<int> list() const
    {
        std::vector<int> out;
        out.reserve(size_t(size()));
        for (int c : *this)
            out.push_back(c);
        return out;
    }

    class Iterator {
    public:
        constexpr Iterator(std::uint64_t lo, std::uint64_t hi) : lo_(lo), hi_(hi) {}
        constexpr int operator*() const
        {
            return lo_ ? std::countr_zero(lo_) : 64 + std::countr_zero(hi_);
        }
        constexpr Iterator& operator++()
        {
            if (lo_)
                lo_ &= lo_ - 1;
            else
                hi_ &= hi_ - 1;
            return *this;
        }
        constexpr bool operator!=(const Iterator& o) const { return lo_ != o.lo_ || hi_ != o.hi_; }

    private:
        std::uint64_t lo_;
        std::uint64_t hi_;
    };
    constexpr Iterator begin() const { return {lo_, hi_}; }
    constexpr Iterator end() const { return {0, 0}; }

private:
    static constexpr std::uint64_t HighMask = (std::uint64_t(1) << 17) - 1;
    constexpr Cells(std::uint64_t lo, std::uint64_t hi) : lo_(lo), hi_(hi) {}
    std::uint64_t lo_ = 0;
    std::uint64_t hi_ = 0;
};

inline bool isBox(int unit)
{
    return unit >= 18 && unit < 27;
}
// The box a cell lies in, as a unit.
inline int boxOf(int cell)
{
    return 18 + cell / 27 * 3 + cell % 9 / 3;
}

// The layout of the grid with and without the diagonals: each unit's cells,
// each cell's peers (the cells that share a unit with it) and units.
struct Geometry {
    int unitCount = 27;
    std::array<Cells, 29> unit{};
    std::array<Cells, 81> peers{};
    std::array<std::vector<int>, 81> unitsOf{};
};
const Geometry& geometry(bool diagonal);

struct ForcingBranches;  // nextstepforcing.cpp

// The board as the techniques see it. A cell is known (decided with one
// digit, or undecided with one digit left), open (undecided, two digits or
// more), or frozen: decided with a text that is not one digit. A frozen cell
// may hold any digit and is never changed by a step.
//
// For each digit the grid keeps three masks: the known cells of that digit,
// its places (open cells that hold it, and frozen cells) and its candidates
// (the open cells that hold it, which a step may remove it from). A digit's
// places in a unit are its places masked by the unit.
class Grid {
public:
    explicit Grid(const Board& board);

    const Board& board() const { return board_; }
    bool diagonal() const { return board_.diagonal; }
    int unitCount() const { return geometry_.unitCount; }
    bool frozen(int c) const { return frozenCells_.has(c); }
    bool known(int c) const { return !frozen(c) && count(digits_[size_t(c)]) == 1; }
    bool open(int c) const { return openCells_.has(c); }
    // The digits a cell may still hold (every digit for a frozen cell).
    Digits digits(int c) const { return digits_[size_t(c)]; }
    // The digits a step may remove from the cell: an open cell's.
    Digits candidates(int c) const { return open(c) ? digits_[size_t(c)] : 0; }
    int value(int c) const { return lowest(digits_[size_t(c)]); }
    bool sees(int a, int b) const { return geometry_.peers[size_t(a)].has(b); }
    Cells peers(int c) const { return geometry_.peers[size_t(c)]; }
    const std::vector<int>& unitsOf(int c) const { return geometry_.unitsOf[size_t(c)]; }
    // A unit's nine cells, in the order units.h gives them.
    static const units::Unit& cells(int unit) { return units::all[size_t(unit)]; }
    Cells unitCells(int unit) const { return geometry_.unit[size_t(unit)]; }
    Cells openCells() const { return openCells_; }
    Cells frozenCells() const { return frozenCells_; }

    bool knownIn(int unit, int digit) const
    {
        return (known_[size_t(digit)] & unitCells(unit)).any();
    }
    // The cells of a unit where a digit may still go: open cells that hold
    // it, and frozen ones.
    Cells places(int unit, int digit) const { return places_[size_t(digit)] & unitCells(unit); }
    // Every place of a digit on the board.
    Cells places(int digit) const { return places_[size_t(digit)]; }
    // The open cells that hold a digit.
    Cells candidateCells(int digit) const { return candidates_[size_t(digit)]; }
    // The cells that see every cell of `seen`.
    Cells seeingAll(Cells seen) const
    {
        Cells out = ~Cells();
        for (int s : seen)
            out &= peers(s);
        return out;
    }
    // The open cells outside `except` that see every cell of `seen` and
    // hold `digit`: what a step that proves `digit` in one of `seen` removes.
    std::vector<Candidate> seeingAll(Cells seen, int digit, Cells except = {}) const
    {
        std::vector<Candidate> out;
        for (int c : candidateCells(digit) & seeingAll(seen) & ~except)
            out.push_back({c, digit});
        return out;
    }
    // A unit that holds both cells, lines before boxes before diagonals
    // (-1 when they share none).
    int sharedUnit(int a, int b) const;
    // A unit that holds every cell of `cells` (-1 when there is none).
    int unitHolding(Cells cells) const;
    // The forcing techniques' branches, made by the first of them to run.
    std::shared_ptr<ForcingBranches>& forcingCache() const { return forcing_; }

private:
    const Board& board_;
    const Geometry& geometry_;
    std::array<Digits, 81> digits_{};
    Cells frozenCells_;
    Cells openCells_;
    std::array<Cells, 10> known_{};
    std::array<Cells, 10> places_{};
    std::array<Cells, 10> candidates_{};
    mutable std::shared_ptr<ForcingBranches> forcing_;
};

using Found = std::optional<Step>;

// Calls `visit` with every choice of `n` of the indexes 0 to `size` - 1, in
// lexicographic order, until it returns true; returns whether it did.
template <class Visit> bool choose(int size, int n, Visit&& visit)
{
    if (n > size || n <= 0)
        return false;
    std::array<int, 9> picked{};
    for (int i = 0; i < n; ++i)
        picked[size_t(i)] = i;
    while (true) {
        if (visit(picked.data()))
            return true;
        int i = n - 1;
        while (i >= 0 && picked[size_t(i)] == size - n + i)
            --i;
        if (i < 0)
            return false;
        ++picked[size_t(i)];
        for (int j = i + 1; j < n; ++j)
            picked[size_t(j)] = picked[size_t(j - 1)] + 1;
    }
}

// The digits of a mask, walked in ascending order by ranged for.
class DigitsIn {
public:
    explicit constexpr DigitsIn(Digits digits) : digits_(digits) {}
    class Iterator {
    public:
        explicit constexpr Iterator(unsigned bits) : bits_(bits) {}
        constexpr int operator*() const { return std::countr_zero(bits_); }
        constexpr Iterator& operator++()
        {
            bits_ &= bits_ - 1;
            return *this;
        }
        constexpr bool operator!=(const Iterator& o) const { return bits_ != o.bits_; }

    private:
        unsigned bits_;
    };
    constexpr Iterator begin() const { return Iterator(digits_); }
    constexpr Iterator end() const { return Iterator(0); }

private:
    unsigned digits_;
};
constexpr DigitsIn digitsIn(Digits digits)
{
    return DigitsIn(digits);
}

// ---- the techniques, easiest first, by family ----

// Singles and intersections (nextstepsingles.cpp).
Found peerRemoval(const Grid& g);
Found nakedSingle(const Grid& g);
Found hiddenSingle(const Grid& g);
Found pointing(const Grid& g);
Found claiming(const Grid& g);
Found diagonalIntersection(const Grid& g);

// Subsets (nextstepsubsets.cpp): n of 2, 3 or 4.
Found nakedSubset(const Grid& g, int n);
Found hiddenSubset(const Grid& g, int n);

// Fish (nextstepfish.cpp): n of 2, 3 or 4; finned, 2 or 3.
Found fish(const Grid& g, int n);
Found finnedFish(const Grid& g, int n);

// Wings and single-digit patterns (nextstepwings.cpp).
Found xyWing(const Grid& g);
Found xyzWing(const Grid& g);
Found wWing(const Grid& g);
Found skyscraper(const Grid& g);
Found twoStringKite(const Grid& g);

// Colouring and chains (nextstepchains.cpp).
Found simpleColouring(const Grid& g);
Found xChain(const Grid& g);
Found xyChain(const Grid& g);
Found alternatingChain(const Grid& g);
Found groupedXChain(const Grid& g);
Found groupedAic(const Grid& g);

// Almost locked sets (nextstepals.cpp).
Found alsXz(const Grid& g);

// Forcing chains (nextstepforcing.cpp).
Found cellForcingChain(const Grid& g);
Found unitForcingChain(const Grid& g);
Found contradictionForcingChain(const Grid& g);

// The two places of a digit in a unit, when it has exactly two and neither
// is frozen: one of them holds it.
struct StrongLink {
    int unit;
    int a;
    int b;
};
std::vector<StrongLink> strongLinks(const Grid& g, int digit);

}  // namespace nextstep::grid
