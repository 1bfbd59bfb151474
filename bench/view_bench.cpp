// The window on the offscreen platform: building and showing it, mirroring
// the form into the widgets, and user clicks from the mouse event to the
// repainted widgets. The offscreen platform paints into memory with the same
// raster engine a desktop uses, so the figures include layout and painting;
// only the copy to the screen is left out.
#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <optional>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include "benchsupport.h"
#include "boardkeeper.h"
#include "boxaccessible.h"
#include "boxtext.h"
#include "mainwindow.h"
#include "textboxwidget.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Counts the paint events text boxes receive, so a benchmark can wait for
// the window to be drawn and can tell that something was drawn at all.
class PaintCounter : public QObject {
public:
    int boxPaints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A box paints itself, or its editor's viewport paints for it.
        const auto isBox = [](QObject* object) {
            return object && qobject_cast<TextBoxWidget*>(object);
        };
        if (event->type() == QEvent::Paint &&
            (isBox(watched) || (watched->parent() && isBox(watched->parent()->parent()))))
            ++boxPaints;
        return false;
    }
};

PaintCounter* paints = nullptr;

// Delivers whatever is pending, the repaints included.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void clickOn(MainWindow& window, const QString& name)
{
    const auto* box = window.boxNamed(name);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      box->mapTo(&window, box->rect().center()));
}

// The timed parts of the benchmarks below, kept out of line so that a
// profiler can count each call on its own (see docs/performance.md):
// a click with the repaints it causes, and a mirror with or without them.
[[gnu::noinline]] void clickAndSettle(MainWindow& window, const QString& name)
{
    clickOn(window, name);
    settle();
}

[[gnu::noinline]] void mirrorAndSettle(MainWindow& window, bool paint)
{
    window.mirror();
    if (paint)
        settle();
}

// A shown and painted window.
std::unique_ptr<MainWindow> shownWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->show();
    settle();
    return window;
}

// ---- building the window ----

void BM_Build(benchmark::State& state)
{
    for (auto _ : state) {
        const auto start = Clock::now();
        auto window = std::make_unique<MainWindow>();
        state.SetIterationTime(secondsSince(start));
        window.reset();
        settle();
    }
}
BENCHMARK(BM_Build)->Name("View/Build")->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BuildAndShow(benchmark::State& state)
{
    constexpr int BoxCount = 101;
    for (auto _ : state) {
        const auto start = Clock::now();
        auto window = std::make_unique<MainWindow>();
        window->show();
        paints->boxPaints = 0;
        for (int round = 0; round < 100 && paints->boxPaints < BoxCount; ++round)
            settle();
        state.SetIterationTime(secondsSince(start));
        if (paints->boxPaints < BoxCount) {
            state.SkipWithError("the window was not painted");
            break;
        }
        window.reset();
        settle();
    }
}
BENCHMARK(BM_BuildAndShow)
    ->Name("View/BuildShowAndPaint")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---- mirroring ----

// The form of a solved board mirrored over the start-up board, with or
// without the repaints it causes.
void BM_MirrorSolved(benchmark::State& state, bool paint)
{
    CountingPort port;
    Korvane start(port);
    Korvane solved(port);
    buildScene(solved, Scene::NormalSolved);
    auto window = shownWindow();
    for (auto _ : state) {
        window->form() = start;
        window->mirror();
        settle();
        window->form() = solved;
        paints->boxPaints = 0;
        const auto begin = Clock::now();
        mirrorAndSettle(*window, paint);
        state.SetIterationTime(secondsSince(begin));
        if (paint && paints->boxPaints < 81) {
            state.SkipWithError("the cells were not repainted");
            break;
        }
    }
}

BENCHMARK_CAPTURE(BM_MirrorSolved, Mirror, false)
    ->Name("View/Mirror/AfterFullSolve")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MirrorSolved, Paint, true)
    ->Name("View/MirrorAndPaint/AfterFullSolve")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// ---- clicks, from the mouse event to the repainted widgets ----

void BM_PaletteClick(benchmark::State& state)
{
    auto window = shownWindow();
    int digit = 0;
    for (auto _ : state) {
        const QString name = QStringLiteral("Text2_%1").arg(digit);
        const auto begin = Clock::now();
        clickAndSettle(*window, name);
        state.SetIterationTime(secondsSince(begin));
        digit = (digit + 1) % 9;
    }
    if (window->form().selectedValue.size() != 1)
        state.SkipWithError("the palette click did not reach the form");
}
BENCHMARK(BM_PaletteClick)
    ->Name("View/Click/Palette")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// ---- the editor a box takes up ----

// A click into a cell that has no editor yet: the cell takes one up (made on
// demand, the design the window uses), places the caret and is repainted.
// The editor is given up again, untimed, before the next click.
void BM_ClickIntoCell(benchmark::State& state)
{
    auto window = shownWindow();
    window->activateWindow();
    int cell = 0;
    for (auto _ : state) {
        const QString name = QStringLiteral("Text1_%1").arg(cell);
        const auto begin = Clock::now();
        clickAndSettle(*window, name);
        state.SetIterationTime(secondsSince(begin));
        if (!window->boxNamed(name)->editor()) {
            state.SkipWithError("the cell took up no editor");
            break;
        }
        cell = (cell + 1) % Korvane::CellCount;
        if (QWidget* focus = QApplication::focusWidget())
            focus->clearFocus();
        settle();
    }
}
BENCHMARK(BM_ClickIntoCell)
    ->Name("View/Editor/ClickIntoCell")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The other design, measured for comparison: one text edit, set up as the
// boxes' editor is, moved onto another cell with that cell's text, size and
// colours, and repainted.
void BM_MoveOneEditor(benchmark::State& state)
{
    auto window = shownWindow();
    QTextEdit editor(window.get());
    editor.setFrameStyle(QFrame::Box | QFrame::Plain);
    editor.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor.document()->setDocumentMargin(0);
    editor.show();
    settle();
    int cell = 0;
    for (auto _ : state) {
        const TextBoxWidget* box = window->boxNamed(QStringLiteral("Text1_%1").arg(cell));
        const auto begin = Clock::now();
        editor.setGeometry(box->geometry());
        editor.setPlainText(box->toPlainText() + QString::number(cell));
        editor.setFont(BoxPicture::faceAt(cell % 2 ? 11 : 14));
        QPalette colours = editor.palette();
        colours.setColor(QPalette::Base, box->palette().color(QPalette::Base));
        editor.setPalette(colours);
        editor.raise();
        editor.setFocus();
        settle();
        state.SetIterationTime(secondsSince(begin));
        cell = (cell + 1) % Korvane::CellCount;
    }
}
BENCHMARK(BM_MoveOneEditor)
    ->Name("View/Editor/MoveOneSharedEditor")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

bool allDecided(const Korvane& form)
{
    return std::all_of(form.decided.begin(), form.decided.begin() + Korvane::CellCount,
                       [](int d) { return d == 1; });
}

// Clicks `control` on a window showing `scene`, once per iteration; the click
// and the repaints it causes are timed, showing the scene again is not.
// `done` tells whether the click did what it should.
// With `kept`, the board is kept after each action as the program keeps it,
// in a folder of the run's own.
void BM_Click(benchmark::State& state, Scene scene, const QString& control,
              bool (*done)(const Korvane&), bool kept = false)
{
    CountingPort port;
    Korvane prepared(port);
    buildScene(prepared, scene);
    auto window = shownWindow();
    const QTemporaryDir folder;
    std::optional<BoardKeeper> keeper;
    if (kept) {
        keeper.emplace(folder.path());
        keeper->open(window->form());
        window->setAfterAction([&] { keeper->keep(window->form()); });
    }
    for (auto _ : state) {
        window->form() = prepared;
        window->mirror();
        settle();
        const auto begin = Clock::now();
        clickAndSettle(*window, control);
        state.SetIterationTime(secondsSince(begin));
        if (!done(window->form())) {
            state.SkipWithError("the click did not do what it should");
            break;
        }
    }
}

// The same in a folder whose mondai.txt is the sample puzzle, for Data Load.
void BM_ClickWithSample(benchmark::State& state, Scene scene, const QString& control,
                        bool (*done)(const Korvane&))
{
    const SampleFolder folder;
    BM_Click(state, scene, control, done);
}

#define KORVANE_CLICK(function, name, scene, ...)                                                  \
    BENCHMARK_CAPTURE(function, name, Scene::scene, __VA_ARGS__)                                   \
        ->Name("View/Click/" #name)                                                                \
        ->UseManualTime()                                                                          \
        ->Unit(benchmark::kMicrosecond)
KORVANE_CLICK(BM_Click, CellPlacementAutoOn, NormalGivensAutoDigit,
              QStringLiteral("Text1_%1").arg(NormalPlacementCell),
              [](const Korvane& f) { return f.decided[NormalPlacementCell] == 1; });
KORVANE_CLICK(BM_Click, SolveNormal, NormalGivensAuto, "Text10", allDecided);
KORVANE_CLICK(BM_Click, SolveDiagonal, DiagonalGivensAuto, "Text10", allDecided);
// The worst click and the cheapest, with the board kept after each.
KORVANE_CLICK(BM_Click, SolveDiagonalKept, DiagonalGivensAuto, "Text10", allDecided, true);
KORVANE_CLICK(
    BM_Click, PaletteKept, NormalGivensAuto, "Text2_4",
    [](const Korvane& f) { return f.selectedValue == u"5"; }, true);
KORVANE_CLICK(BM_Click, PartialUndoOf81Diagonal, Diagonal81DecidedUndo, "Text1_40",
              [](const Korvane& f) { return f.decided[40] == 0; });
KORVANE_CLICK(BM_Click, AutoOnOver80DiagonalDecided, Diagonal80DecidedOff, "Text6",
              [](const Korvane& f) { return f.autoEliminate == 1; });
KORVANE_CLICK(BM_Click, ClearSolvedBoard, NormalSolved, "Text5",
              [](const Korvane& f) { return f.decided[0] == 0; });
KORVANE_CLICK(BM_Click, SingleNumberDisplayOn, NormalGivensAutoDigit, "Text7",
              [](const Korvane& f) { return f.singleView == 1; });
KORVANE_CLICK(BM_Click, SingleNumberDisplayOff, NormalSingleView, "Text8",
              [](const Korvane& f) { return f.singleView == 0; });
KORVANE_CLICK(BM_ClickWithSample, DataLoadFromFile, NormalSolved, "Text9_1",
              [](const Korvane& f) { return !allDecided(f); });

// ---- a box full of text ----

// Texts the user can paste or type, by what they cost to lay out: a run of
// digits is one long word, which the line breaker searches again for every
// line; kanji break anywhere; line breaks make one block per line; mixed
// scripts need other faces, bidirectional runs and shaping; full-width
// digits are each turned into ASCII after the key release.
enum class Fill { Digits, Kanji, LineBreaks, ShortLines, MixedScripts, FullWidthDigits };

QString fillText(Fill fill, qsizetype length)
{
    static const QString units[] = {QStringLiteral("123456789"),
                                    QStringLiteral("候補数字"),
                                    QStringLiteral("\n"),
                                    QStringLiteral("7\n"),
                                    QStringLiteral("aعربيहिन्दीไทย\u0301é😀５"),
                                    QStringLiteral("１２３４５６７８９")};
    const QString& unit = units[int(fill)];
    QString text;
    while (boxtext::formLength(text) < length)
        text += unit;
    return boxtext::fitted(text, length);
}

// Delivers what is pending and finishes the layout of `box`: a long text is
// laid out in steps from timers, which would otherwise run after the clock
// has stopped.
void settleLayout(TextBoxWidget& box)
{
    settle();
    if (box.editor())
        box.editor()->document()->size();
}

// A shown window whose box `name` has the focus and whose clipboard holds
// `text`.
std::unique_ptr<MainWindow> windowToPasteInto(const QString& name, const QString& text,
                                              TextBoxWidget*& box)
{
    auto window = shownWindow();
    box = window->boxNamed(name);
    window->activateWindow();
    box->setFocus();
    QGuiApplication::clipboard()->setText(text);
    return window;
}

// Ctrl+V over the whole text of a box that already holds `length` characters
// of the same kind: the paste lays the whole box out again, the key release
// runs the typed-edit handler (in a cell) and the mirror, and the repaint
// follows. Selecting the old text is not timed.
void BM_PasteOverFullBox(benchmark::State& state, Fill fill, const char* name)
{
    TextBoxWidget* box = nullptr;
    auto window = windowToPasteInto(QLatin1String(name), fillText(fill, state.range(0)), box);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    settle();
    for (auto _ : state) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        settle();
        const auto begin = Clock::now();
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        settleLayout(*box);
        state.SetIterationTime(secondsSince(begin));
    }
    const qsizetype held = std::min<qsizetype>(state.range(0), boxtext::MaxLength);
    if (std::abs(boxtext::formLength(box->toPlainText()) - held) > 1)
        state.SkipWithError("the box does not hold the pasted text");
}

// Backspace after the first character of a full cell: the one block the
// text makes is laid out again.
void BM_BackspaceInFullCell(benchmark::State& state, Fill fill)
{
    TextBoxWidget* cell = nullptr;
    auto window =
        windowToPasteInto(QStringLiteral("Text1_40"), fillText(fill, state.range(0)), cell);
    for (auto _ : state) {
        QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(cell, Qt::Key_V, Qt::ControlModifier);
        cell->edit()->moveCursor(QTextCursor::Start);
        cell->edit()->moveCursor(QTextCursor::NextCharacter);
        settle();
        const auto begin = Clock::now();
        QTest::keyClick(cell, Qt::Key_Backspace);
        settleLayout(*cell);
        state.SetIterationTime(secondsSince(begin));
    }
}

// Every cell full at once, as the end of the single-number display can bring
// back: 81 texts laid out and painted in one mirror.
void BM_MirrorEveryCellFull(benchmark::State& state, Fill fill)
{
    // A text of its own in every cell, so that no two share a layout.
    std::array<QString, Korvane::CellCount> texts;
    for (int i = 0; i < Korvane::CellCount; ++i)
        texts[i] = fillText(fill, state.range(0) - 2)
                       .prepend(QString::number(i).rightJustified(2, u'0'))
                       .replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    CountingPort port;
    Korvane start(port);
    auto window = shownWindow();
    for (auto _ : state) {
        window->form() = start;
        window->mirror();
        settle();
        for (int i = 0; i < Korvane::CellCount; ++i)
            window->form().Text1[i].Text = texts[i];
        const auto begin = Clock::now();
        mirrorAndSettle(*window, true);
        state.SetIterationTime(secondsSince(begin));
    }
}

#define KORVANE_FULL_BOX(fill)                                                                     \
    BENCHMARK_CAPTURE(BM_PasteOverFullBox, fill, Fill::fill, "Text1_40")                           \
        ->Name("View/FullBox/PasteOverCell/" #fill)                                                \
        ->Arg(boxtext::MaxLength)                                                                  \
        ->UseManualTime()                                                                          \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_BackspaceInFullCell, fill, Fill::fill)                                    \
        ->Name("View/FullBox/BackspaceInCell/" #fill)                                              \
        ->Arg(boxtext::MaxLength)                                                                  \
        ->UseManualTime()                                                                          \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_MirrorEveryCellFull, fill, Fill::fill)                                    \
        ->Name("View/FullBox/MirrorAll81Cells/" #fill)                                             \
        ->Arg(boxtext::MaxLength)                                                                  \
        ->UseManualTime()                                                                          \
        ->Unit(benchmark::kMillisecond)
KORVANE_FULL_BOX(Digits);
KORVANE_FULL_BOX(Kanji);
KORVANE_FULL_BOX(LineBreaks);
KORVANE_FULL_BOX(ShortLines);
KORVANE_FULL_BOX(MixedScripts);
KORVANE_FULL_BOX(FullWidthDigits);
// A million characters on the clipboard, pasted over a cell's candidates: the
// cell takes what fits.
// A screen reader's questions with offsets no box has, on a cell full of
// typing: each is answered from the box's own text (1000 characters), not
// from the offsets asked (2^31 of them).
void BM_HostileTextQuestions(benchmark::State& state)
{
    MainWindow window;
    window.form().Text1[40].Text = QString(1000, u'5');
    window.mirror();
    QAccessibleInterface* reader =
        QAccessible::queryAccessibleInterface(window.boxNamed("Text1_40"));
    QAccessibleTextInterface* text = reader->textInterface();
    const int huge = std::numeric_limits<int>::max();
    int start = 0, end = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rangeExtents(text, 0, huge));
        benchmark::DoNotOptimize(text->textAtOffset(huge, QAccessible::WordBoundary, &start, &end));
        benchmark::DoNotOptimize(text->characterRect(huge));
        benchmark::DoNotOptimize(text->text(-huge, huge));
        benchmark::DoNotOptimize(text->attributes(huge, &start, &end));
    }
}
BENCHMARK(BM_HostileTextQuestions)
    ->Name("View/HostileTextQuestions")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_PasteOverFullBox, HugeClipboard, Fill::Digits, "Text1_40")
    ->Name("View/FullBox/PasteMillionIntoCell/Digits")
    ->Arg(1'000'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// The narrowest box that takes typing, Data Save's button, with the dearest
// text.
BENCHMARK_CAPTURE(BM_PasteOverFullBox, DataSave, Fill::Digits, "Text9_0")
    ->Name("View/FullBox/PasteOverDataSave/Digits")
    ->Arg(boxtext::MaxLength)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PaintCounter counter;
    paints = &counter;
    app.installEventFilter(&counter);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
