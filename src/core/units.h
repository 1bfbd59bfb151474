#pragma once

#include <array>

// The 29 units of the grid, each as its nine cell indexes in the order the
// scans walk it: rows left to right, columns top to bottom, boxes row by row
// (box 0 top left ... box 8 bottom right), the main diagonal from the top
// left and the anti-diagonal from the top right.
namespace units {

using Unit = std::array<int, 9>;

inline constexpr int MainDiagonal = 27;
inline constexpr int AntiDiagonal = 28;

constexpr std::array<Unit, 29> makeAll()
{
    std::array<Unit, 29> all{};
    for (int k = 0; k < 9; ++k) {
        for (int p = 0; p < 9; ++p) {
            all[k][p] = 9 * k + p;
            all[9 + k][p] = 9 * p + k;
            all[18 + k][p] = 27 * (k / 3) + 3 * (k % 3) + 9 * (p / 3) + (p % 3);
        }
    }
    for (int p = 0; p < 9; ++p) {
        all[MainDiagonal][p] = 10 * p;
        all[AntiDiagonal][p] = 8 * (p + 1);
    }
    return all;
}

// Rows 0-8, columns 9-17, boxes 18-26, then the two diagonals.
inline constexpr std::array<Unit, 29> all = makeAll();

}  // namespace units
