// The form's handlers and procedures on their own, without a window: what a
// user action costs before anything is drawn.
//
// Handlers that change the board run on a fresh copy of a prepared form each
// iteration; only the handler itself is timed (manual timing), so copying the
// state back costs nothing in the figures.
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "benchsupport.h"
#include "boardkeeper.h"
#include "keptstate.h"
#include "nextstep.h"
#include "puzzlefile.h"
#include "solver.h"

namespace {

using Clock = std::chrono::steady_clock;

// Times `action` on a form that `prepare` has just set up, once per
// iteration. A run that opened a message box is reported as an error: the
// figures would then include a path the benchmark did not mean to measure.
// `outcome`, when given, looks at the form after the last iteration and
// returns what is wrong with it, or nothing.
void timeOnFresh(benchmark::State& state, const std::function<void(Korvane&)>& prepare,
                 const std::function<void(Korvane&)>& action,
                 const std::function<const char*(const Korvane&)>& outcome = {})
{
    CountingPort port;
    Korvane form(port);
    Korvane prepared(port);
    prepare(prepared);
    for (auto _ : state) {
        form = prepared;
        const auto start = Clock::now();
        action(form);
        const auto end = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        benchmark::ClobberMemory();
    }
    if (port.boxes != 0)
        state.SkipWithError("a message box opened");
    else if (const char* fault = outcome ? outcome(form) : nullptr)
        state.SkipWithError(fault);
}

void timeOnScene(benchmark::State& state, Scene scene, const std::function<void(Korvane&)>& action,
                 const std::function<const char*(const Korvane&)>& outcome = {})
{
    timeOnFresh(
        state, [scene](Korvane& form) { buildScene(form, scene); }, action, outcome);
}

const char* unlessSolved(const Korvane& form, const QString& solution)
{
    for (int i = 0; i < Korvane::CellCount; ++i) {
        if (form.decided[i] != 1 || form.Text1[i].Text != solution.mid(i, 1))
            return "the puzzle was not solved";
    }
    return nullptr;
}

// ---- start-up and the small handlers ----

void BM_FormLoad(benchmark::State& state)
{
    CountingPort port;
    Korvane form(port);
    for (auto _ : state) {
        form.Form_Load();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FormLoad)->Name("Core/Form_Load");

void BM_ClearAll(benchmark::State& state)
{
    timeOnScene(state, Scene::NormalSolved, [](Korvane& f) { f.Text5_Click(); });
}
BENCHMARK(BM_ClearAll)->Name("Core/Text5_Click/ClearSolvedBoard")->UseManualTime();

void BM_PaletteClick(benchmark::State& state)
{
    CountingPort port;
    Korvane form(port);
    int digit = 0;
    for (auto _ : state) {
        form.Text2_click(digit);
        digit = (digit + 1) % 9;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaletteClick)->Name("Core/Text2_click/Digit");

// ---- placements ----

void BM_PlacementAutoOn(benchmark::State& state)
{
    timeOnScene(
        state, Scene::NormalGivensAutoDigit, [](Korvane& f) { f.Text1_click(NormalPlacementCell); },
        [](const Korvane& f) {
            return f.decided[NormalPlacementCell] == 1 ? nullptr : "nothing was placed";
        });
}
BENCHMARK(BM_PlacementAutoOn)->Name("Core/Text1_click/PlacementAutoOn")->UseManualTime();

void BM_PlacementAutoOnEmpty(benchmark::State& state)
{
    timeOnFresh(
        state,
        [](Korvane& f) {
            f.Text6_Click();
            f.Text2_click(4);
        },
        [](Korvane& f) { f.Text1_click(40); });
}
BENCHMARK(BM_PlacementAutoOnEmpty)
    ->Name("Core/Text1_click/PlacementAutoOnEmptyBoard")
    ->UseManualTime();

void BM_PlacementDiagonal(benchmark::State& state)
{
    // A corner on the main diagonal: four sweeps.
    timeOnFresh(
        state,
        [](Korvane& f) {
            buildScene(f, Scene::DiagonalGivensAuto);
            f.Text2_click(benchdata::DiagonalSolution[0].digitValue() - 1);
        },
        [](Korvane& f) { f.Text1_click(0); },
        [](const Korvane& f) { return f.decided[0] == 1 ? nullptr : "nothing was placed"; });
}
BENCHMARK(BM_PlacementDiagonal)->Name("Core/Text1_click/PlacementAutoOnDiagonal")->UseManualTime();

void BM_PartialUndo(benchmark::State& state)
{
    timeOnScene(state, Scene::Diagonal81DecidedUndo, [](Korvane& f) { f.Text1_click(40); });
}
BENCHMARK(BM_PartialUndo)->Name("Core/Text1_click/PartialUndoOf81Diagonal")->UseManualTime();

void BM_TypedEdit(benchmark::State& state)
{
    // Typing a cell down to one digit: conflict scan and hidden singles.
    timeOnScene(state, Scene::NormalGivensAuto, [](Korvane& f) {
        f.Text1[NormalPlacementCell].Text = benchdata::NormalSolution.mid(NormalPlacementCell, 1);
        f.Text1_KeyUp(NormalPlacementCell, 0x31, 0);
    });
}
BENCHMARK(BM_TypedEdit)->Name("Core/Text1_KeyUp/TypedSingleDigit")->UseManualTime();

// ---- automatic elimination, puzzle type, continuous elimination ----

void BM_AutoToggle(benchmark::State& state, Scene scene)
{
    timeOnScene(state, scene, [](Korvane& f) { f.Text6_Click(); });
}
BENCHMARK_CAPTURE(BM_AutoToggle, On30, Scene::NormalThirtyGivens)
    ->Name("Core/Text6_Click/AutoOnOver30Givens")
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_AutoToggle, On80Diagonal, Scene::Diagonal80DecidedOff)
    ->Name("Core/Text6_Click/AutoOnOver80DiagonalDecided")
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_AutoToggle, Off, Scene::NormalGivensAuto)
    ->Name("Core/Text6_Click/AutoOff")
    ->UseManualTime();

void BM_ToDiagonal80(benchmark::State& state)
{
    timeOnFresh(
        state,
        [](Korvane& f) {
            buildScene(f, Scene::Diagonal80Decided);
            f.Text4_click();  // back to normal, so that the timed click goes to diagonal
        },
        [](Korvane& f) { f.Text4_click(); });
}
BENCHMARK(BM_ToDiagonal80)->Name("Core/Text4_click/ToDiagonalOver80Decided")->UseManualTime();

void BM_Continuous(benchmark::State& state, Scene scene, const QString& solution)
{
    timeOnScene(
        state, scene, [](Korvane& f) { f.Text10_click(); },
        [&solution](const Korvane& f) { return unlessSolved(f, solution); });
}
BENCHMARK_CAPTURE(BM_Continuous, Normal, Scene::NormalGivensAuto, benchdata::NormalSolution)
    ->Name("Core/Text10_click/SolveNormal")
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_Continuous, Diagonal, Scene::DiagonalGivensAuto, benchdata::DiagonalSolution)
    ->Name("Core/Text10_click/SolveDiagonal")
    ->UseManualTime();

void BM_Restore80(benchmark::State& state)
{
    // A typed edit makes the button a restore, which rebuilds every cell.
    timeOnFresh(
        state,
        [](Korvane& f) {
            buildScene(f, Scene::Diagonal80Decided);
            f.Text1[40].Text = QStringLiteral("12");
            f.Text1_KeyUp(40, 0x32, 0);
        },
        [](Korvane& f) { f.Text10_click(); });
}
BENCHMARK(BM_Restore80)->Name("Core/Text10_click/RestoreOver80Diagonal")->UseManualTime();

void BM_Rebuild80(benchmark::State& state)
{
    // The rebuild leaves the board as it found it, so it can run again as is.
    CountingPort port;
    Korvane form(port);
    buildScene(form, Scene::Diagonal80Decided);
    for (auto _ : state) {
        form.RebuildCandidates();
        benchmark::ClobberMemory();
    }
    if (port.boxes != 0 || form.conflictFlag != 0)
        state.SkipWithError("the rebuild met a conflict");
}
BENCHMARK(BM_Rebuild80)->Name("Core/RebuildCandidates/80DecidedDiagonal");

// ---- the displays ----

void BM_SingleViewOn(benchmark::State& state)
{
    timeOnScene(state, Scene::NormalGivensAutoDigit, [](Korvane& f) {
        f.Text7_MouseDown(1, 0, 100, 100);
        f.Text7_Click();
    });
}
BENCHMARK(BM_SingleViewOn)->Name("Core/Text7/SingleNumberDisplayOn")->UseManualTime();

void BM_SingleViewOff(benchmark::State& state)
{
    timeOnScene(state, Scene::NormalSingleView, [](Korvane& f) { f.Text8_Click(); });
}
BENCHMARK(BM_SingleViewOff)->Name("Core/Text8_Click/SingleNumberDisplayOff")->UseManualTime();

// ---- Data Save and Data Load ----

void BM_LoadPuzzleFile(benchmark::State& state)
{
    const SampleFolder folder;
    CountingPort port;
    Korvane form(port);
    for (auto _ : state) {
        benchmark::DoNotOptimize(form.LoadPuzzleFile());
        benchmark::ClobberMemory();
    }
    if (port.boxes != 0 || form.savedGrid[2].isEmpty())
        state.SkipWithError("mondai.txt was not read");
}
BENCHMARK(BM_LoadPuzzleFile)->Name("Core/LoadPuzzleFile/DrawnGrid");

// A file of 2 GiB with no line end (a hole on disk): only its first
// megabyte is read, and it holds no puzzle.
void BM_LoadHugeFile(benchmark::State& state)
{
    const TemporaryCurrentFolder folder;
    if (!QFile(QStringLiteral("mondai.txt")).open(QIODevice::WriteOnly) ||
        ::truncate("mondai.txt", qint64(2) * 1024 * 1024 * 1024) != 0) {
        state.SkipWithError("mondai.txt could not be made");
        return;
    }
    CountingPort port;
    Korvane form(port);
    for (auto _ : state) {
        benchmark::DoNotOptimize(form.LoadPuzzleFile());
        benchmark::ClobberMemory();
    }
    if (port.boxes != 0)
        state.SkipWithError("the huge file was not read");
}
BENCHMARK(BM_LoadHugeFile)
    ->Name("Core/LoadPuzzleFile/TwoGiBWithoutLineEnd")
    ->Unit(benchmark::kMillisecond);

void BM_DataLoadFromFile(benchmark::State& state)
{
    const SampleFolder folder;
    timeOnScene(state, Scene::NormalSolved, [](Korvane& f) { f.Text9_click(1); });
}
BENCHMARK(BM_DataLoadFromFile)->Name("Core/Text9_click/DataLoadFromFile")->UseManualTime();

void BM_DataSave(benchmark::State& state)
{
    timeOnScene(state, Scene::NormalSolved, [](Korvane& f) { f.Text9_click(0); });
}
BENCHMARK(BM_DataSave)->Name("Core/Text9_click/DataSaveSolved")->UseManualTime();

// ---- the board kept between runs ----

// What keeping costs the UI thread after an action: the snapshot handed to
// the writer (which writes it on its own thread).
void BM_KeepSnapshot(benchmark::State& state)
{
    const QTemporaryDir folder;
    CountingPort port;
    Korvane form(port);
    buildScene(form, Scene::NormalSolved);
    BoardKeeper keeper(folder.path());
    keeper.open(form);
    for (auto _ : state)
        keeper.keep(form);
}
BENCHMARK(BM_KeepSnapshot)->Name("Core/Keep/SnapshotHandedToWriter");

// The start's part with nothing kept yet: the folder, the lock, the look
// for a file, the writer thread started.
void BM_KeeperOpen(benchmark::State& state)
{
    const QTemporaryDir home;
    CountingPort port;
    const Korvane form(port);
    for (auto _ : state) {
        BoardKeeper keeper(home.filePath(QStringLiteral("korvane")));
        benchmark::DoNotOptimize(keeper.open(form));
        state.PauseTiming();
        keeper.finish();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_KeeperOpen)->Name("Core/Keep/OpenWithNothingKept")->Unit(benchmark::kMicrosecond);

// The writer's part and the start's: a solved board's document, and reading
// it back.
void BM_KeptWrite(benchmark::State& state)
{
    CountingPort port;
    Korvane form(port);
    buildScene(form, Scene::NormalSolved);
    for (auto _ : state)
        benchmark::DoNotOptimize(keptstate::write(form));
}
BENCHMARK(BM_KeptWrite)->Name("Core/Keep/WriteDocument")->Unit(benchmark::kMicrosecond);

void BM_KeptRead(benchmark::State& state)
{
    CountingPort port;
    Korvane form(port);
    buildScene(form, Scene::NormalSolved);
    const QByteArray document = keptstate::write(form);
    const Korvane fresh(port);
    for (auto _ : state)
        benchmark::DoNotOptimize(keptstate::read(document, fresh));
}
BENCHMARK(BM_KeptRead)->Name("Core/Keep/ReadDocument")->Unit(benchmark::kMicrosecond);

// ---- the next step ----

// A puzzle's line as the engine starts from it.
nextstep::Board givensBoard(const char* line, bool diagonal = false)
{
    return nextstep::boardOfGivens(puzzlefile::parseText(QString::fromLatin1(line)).entries(),
                                   diagonal);
}

// The board where the chains stop on the dearest of 200 qqwing expert
// puzzles that the techniques up to AIC cannot finish: every one of them is
// tried, and then the harder families, until one applies.
void BM_NextStepStuck(benchmark::State& state)
{
    const char* puzzle =
        ".7.3....9...159.......7.4...2...1..5.....27.8.9158..4............4...2...529.8...";
    const nextstep::Walk walked =
        nextstep::walk(givensBoard(puzzle), nextstep::Technique::AlternatingChain);
    nextstep::Board board = givensBoard(puzzle);
    for (const nextstep::Step& step : walked.steps)
        board = nextstep::applied(board, step);
    for (auto _ : state)
        benchmark::DoNotOptimize(nextstep::next(board));
    if (walked.end.solved)
        state.SkipWithError("the chains solved the puzzle");
}
BENCHMARK(BM_NextStepStuck)->Name("Core/NextStep/StuckExpertBoard")->Unit(benchmark::kMillisecond);

// The board before the first step of `technique` on the puzzle's walk.
void BM_NextStepOf(benchmark::State& state, const char* puzzle, bool diagonal,
                   nextstep::Technique technique)
{
    const nextstep::Walk walked = nextstep::walk(givensBoard(puzzle, diagonal));
    size_t at = 0;
    while (at < walked.steps.size() && walked.steps[at].technique != technique)
        ++at;
    if (at == walked.steps.size()) {
        state.SkipWithError("no such step on the way");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(nextstep::next(walked.before[at]));
}
// Puzzles of tst_nextstep's technique table.
const char* const ExpertPuzzle =
    ".......782...1.54...724........2.78....3..4..1.......33.478...1.654..........5...";
const char* const GroupedPuzzle =
    "53..2.9...24.3..5...9..........1.827...7.........981.............64....91.2.5.43.";
const char* const AlsPuzzle =
    "9.4..5...25.6..1..31......8.7...9...4..26......147....7.......2...3..8.6.4.....9.";
const char* const CellForcingPuzzle =
    ".47.2....8....1....3....9.2.....5...6..81..5.....4.....7....3.4...9...1.4..27.8..";
const char* const ForcingPuzzle =
    ".......4...2..4..1.7..5..9...3..7....4..6....6..1..8...2....1..85.9...6.....8...3";
const char* const DiagonalPuzzle =
    "...........5...1.6.3........2..........2..4.1.19.4..5......9....58..6..7...42...8";
using T = nextstep::Technique;
BENCHMARK_CAPTURE(BM_NextStepOf, Pointing, ExpertPuzzle, false, T::Pointing)
    ->Name("Core/NextStep/Pointing")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, XYWing, ExpertPuzzle, false, T::XYWing)
    ->Name("Core/NextStep/XYWing")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, WWing, ExpertPuzzle, false, T::WWing)
    ->Name("Core/NextStep/WWing")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, XYChain, ExpertPuzzle, false, T::XYChain)
    ->Name("Core/NextStep/XYChain")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, AIC, ExpertPuzzle, false, T::AlternatingChain)
    ->Name("Core/NextStep/AlternatingChain")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, DiagonalIntersection, DiagonalPuzzle, true,
                  T::DiagonalIntersection)
    ->Name("Core/NextStep/DiagonalIntersection")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, GroupedXChain, GroupedPuzzle, false, T::GroupedXChain)
    ->Name("Core/NextStep/GroupedXChain")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, AlsXz, AlsPuzzle, false, T::AlsXz)
    ->Name("Core/NextStep/AlsXz")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, CellForcing, CellForcingPuzzle, false, T::CellForcingChain)
    ->Name("Core/NextStep/CellForcingChain")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, UnitForcing, ForcingPuzzle, false, T::UnitForcingChain)
    ->Name("Core/NextStep/UnitForcingChain")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_NextStepOf, Contradiction, ForcingPuzzle, false, T::ContradictionForcingChain)
    ->Name("Core/NextStep/ContradictionForcingChain")
    ->Unit(benchmark::kMicrosecond);

// The slowest step of a set in tests/data: the set's dearest puzzles (found
// by timing every step of every walk, best of three), each step's board
// timed again at the start, the slowest measured.
void BM_NextStepWorst(benchmark::State& state, const std::vector<const char*>* puzzles,
                      bool diagonal)
{
    nextstep::Board worst;
    double slowest = -1;
    for (const char* puzzle : *puzzles) {
        const nextstep::Walk walked = nextstep::walk(givensBoard(puzzle, diagonal));
        for (const nextstep::Board& board : walked.before) {
            double best = 1e9;
            for (int i = 0; i < 3; ++i) {
                const auto start = Clock::now();
                benchmark::DoNotOptimize(nextstep::next(board));
                best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
            }
            if (best > slowest) {
                slowest = best;
                worst = board;
            }
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(nextstep::next(worst));
}
const std::vector<const char*> WorstTop95 = {
    ".5..9....1.....6.....3.8.....8.4...9514.......3....2..........4.8...6..77..15..6.",
    "9.4..5...25.6..1..31......8.7...9...4..26......147....7.......2...3..8.6.4.....9.",
    "..8.9.1...6.5...2......6....3.1.7.5.........9..4...3...5....2...7...3.8.2..7....4",
};
const std::vector<const char*> WorstSeventeen = {
    ".5.....6....32.......1.......4.....2......7.3.9...5........4.8.7.3......21.......",
    "71..........5....89..........2.3...4....17....6...9.........93.......1....86.....",
    "..1...7......35........8..........85..46.............25......1..3.7..9..28.......",
};
const std::vector<const char*> WorstDiagonal = {
    "..2..18.....7.9......2.......61......8....3..3........4.......8......47.2....7...",
    "......1356................8......3..4.86.......2....1982..........57....1......4.",
    "...9......794..5..36...14..................756.75.3....9.3.6........9..8.........",
};
const std::vector<const char*> WorstExpert = {
    "....5..16.....6..2....4.97...8..1.5......2.6..5..9.....2..8...4..1...6..7.5..9...",
    "..9....47.....26...4....1...9...15....7........152...6...2.59.8....4..6..1.97.2..",
    "3.6.12.........6..74...5.1....3.7.....3....2.....54..11...7....5..46...9.62.....4",
};
BENCHMARK_CAPTURE(BM_NextStepWorst, Top95, &WorstTop95, false)
    ->Name("Core/NextStep/Worst/Top95")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NextStepWorst, Seventeen, &WorstSeventeen, false)
    ->Name("Core/NextStep/Worst/SeventeenGivens")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NextStepWorst, Diagonal, &WorstDiagonal, true)
    ->Name("Core/NextStep/Worst/MinimalDiagonal")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NextStepWorst, Expert, &WorstExpert, false)
    ->Name("Core/NextStep/Worst/QqwingExpert")
    ->Unit(benchmark::kMillisecond);

// ---- the exact solver ----

// The solver on a puzzle's line, counting up to two solutions as the form
// asks. A run that gives up is an error: its figures would be the budget's.
void BM_Solve(benchmark::State& state, const char* line, bool diagonal, int count)
{
    const solver::Grid givens =
        solver::givensOf(puzzlefile::parseText(QString::fromLatin1(line)).entries());
    solver::Result result;
    for (auto _ : state) {
        result = solver::solve(givens, diagonal);
        benchmark::DoNotOptimize(result);
    }
    if (!result.complete || result.count != count)
        state.SkipWithError("not the count the puzzle has");
}
// The dearest of 100 qqwing expert puzzles.
BENCHMARK_CAPTURE(
    BM_Solve, Expert,
    "8...9..2..9....4.6.2.576......9.8.7.....6...2....1.8......8...42..6....5.16..59..", false, 1)
    ->Name("Core/Solver/Expert")
    ->Unit(benchmark::kMicrosecond);
// 17 givens, the fewest a normal puzzle with one solution can have.
BENCHMARK_CAPTURE(
    BM_Solve, SeventeenGivens,
    "000000010400000000020000000000050407008000300001090000300400200050100000000806000", false, 1)
    ->Name("Core/Solver/17Givens")
    ->Unit(benchmark::kMicrosecond);
// Among the hardest puzzles known for a search like this one.
BENCHMARK_CAPTURE(
    BM_Solve, Hardest,
    "1.......2.9.4...5...6...7...5.9.3.......7.......85..4.7.....6...3...9.8...2.....1", false, 1)
    ->Name("Core/Solver/HardestKnown")
    ->Unit(benchmark::kMicrosecond);
// A qqwing puzzle copied with one wrong given: no solution, the dearest of
// 1,000 such.
BENCHMARK_CAPTURE(
    BM_Solve, WrongGiven,
    "..1.....4...7.5............8...23....3...6..56.7...24...8.62.1........5.2.5.84..6", false, 0)
    ->Name("Core/Solver/OneWrongGiven")
    ->Unit(benchmark::kMicrosecond);
// Thirteen diagonal givens on which the first order of choices meets a trap
// and the search starts again (about one in three thousand random sparse
// grids).
BENCHMARK_CAPTURE(
    BM_Solve, SparseDiagonal,
    "...7...9.....48..........4..........2.......84...6....8................33.......2", true, 2)
    ->Name("Core/Solver/SparseDiagonalStartedAgain")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(
    BM_Solve, FourGivens,
    "1....2...........................................3..............................4", false, 2)
    ->Name("Core/Solver/FourGivens")
    ->Unit(benchmark::kMicrosecond);

// ---- the history and the mistakes ----

// A game of the normal sample: elimination on, then `count` right digits
// placed in reading order, each a palette click and a cell click recorded as
// the window records them; with a wrong digit in the first open cell first
// when `wrong` is set.
void playGame(Korvane& form, int count, bool wrong)
{
    buildScene(form, Scene::NormalGivensAuto);
    form.history.reset(form);
    const QString solution = benchdata::NormalSolution;
    const auto place = [&form](int cell, int digit) {
        form.Text2_click(digit - 1);
        form.EndAction();
        form.Text1_click(cell);
        form.EndAction();
    };
    for (int cell = 0; cell < Korvane::CellCount && (wrong || count > 0); ++cell) {
        if (form.decided[cell] == 1)
            continue;
        const int right = solution[cell].digitValue();
        if (wrong) {
            for (int digit = 1; digit <= 9; ++digit) {
                if (digit != right && form.Text1[cell].Text.contains(QChar(u'0' + digit))) {
                    place(cell, digit);
                    wrong = false;
                    break;
                }
            }
        } else if (form.Text1[cell].Text.contains(QChar(u'0' + right))) {
            place(cell, right);
            --count;
        }
    }
}

// What the window adds to every action: the form compared with the last
// state and a step recorded, here for a placement with 20 steps behind (the
// placement itself is not timed).
void BM_RecordAction(benchmark::State& state)
{
    timeOnFresh(
        state,
        [](Korvane& f) {
            playGame(f, 10, false);
            f.Text2_click(normalPlacementPalette());
            f.EndAction();
            f.Text1_click(NormalPlacementCell);
        },
        [](Korvane& f) { f.EndAction(); },
        [](const Korvane& f) { return f.history.undoCount() > 20 ? nullptr : "no step recorded"; });
}
BENCHMARK(BM_RecordAction)->Name("Core/History/PlacementRecorded")->UseManualTime();

void BM_UndoRedo(benchmark::State& state, bool undo)
{
    timeOnFresh(
        state,
        [undo](Korvane& f) {
            playGame(f, 40, false);
            if (!undo)
                f.Undo();
        },
        [undo](Korvane& f) { undo ? f.Undo() : f.Redo(); },
        [](const Korvane& f) { return f.history.undoCount() > 0 ? nullptr : "no history"; });
}
BENCHMARK_CAPTURE(BM_UndoRedo, Undo, true)->Name("Core/History/Undo")->UseManualTime();
BENCHMARK_CAPTURE(BM_UndoRedo, Redo, false)->Name("Core/History/Redo")->UseManualTime();

// 間違いを探す with a wrong digit 40 placements back: the board's own digits
// have no solution, so the history is searched for the state that fixes it.
void BM_FindMistake(benchmark::State& state, bool wrong)
{
    // The game may meet a clash after the wrong digit, and say so in a box;
    // only the command itself has to open none.
    CountingPort preparing;
    Korvane prepared(preparing);
    playGame(prepared, 40, wrong);
    CountingPort port;
    Korvane form(port);
    int found = -1;
    for (auto _ : state) {
        form = prepared;
        const auto start = Clock::now();
        found = form.FindMistake();
        const auto end = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        benchmark::ClobberMemory();
    }
    if (port.boxes != 0)
        state.SkipWithError("a message box opened");
    else if ((found >= 0) != wrong)
        state.SkipWithError("not the mistake the game holds");
}
BENCHMARK_CAPTURE(BM_FindMistake, None, false)
    ->Name("Core/Mistake/FindNone")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FindMistake, FortyBack, true)
    ->Name("Core/Mistake/FindFortyPlacementsBack")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
