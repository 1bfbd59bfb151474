#pragma once

#include <array>
#include <optional>

#include <QLabel>
#include <QWidget>

#include "nextstep.h"

// What a hint shows over the window, none of it form state: the cells that
// cause the step framed in blue, each cell it changes framed in red (a
// digit removed, "−7") or green (a digit placed, "=3"). It lets every mouse
// event through to the boxes beneath.
class HintMarks : public QWidget {
public:
    explicit HintMarks(QWidget* window);
    // Marks `step` over the cells at `cellRects` (the 81 cells' places in
    // the window, drawn at `scale`), and shows itself on top.
    void mark(const nextstep::Step& step, const std::array<QRect, 81>& cellRects, double scale);
    // The cells in new places: the window drawn at a new scale.
    void follow(const std::array<QRect, 81>& cellRects, double scale);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    nextstep::Step step_;
    std::array<QRect, 81> cells_{};
    double scale_ = 1;
};

// The hint's explanation, beside the window so that the board stays in
// sight: a small window of its own that never takes the keyboard, whose text
// a screen reader reads as it changes.
class HintPanel : public QLabel {
public:
    explicit HintPanel(QWidget* window);
    // Shows `text` next to the window.
    void explain(const QString& text);
    // Stands beside the window where it is now, inside its screen.
    void follow();

private:
    QWidget* window_;
};

// ヒント in three stages, over a window: none on show; the step marked over
// the board (the form has named it on the message line); its explanation
// beside the window. The form makes the step itself; any other action of the
// user's ends the hint.
class Hint {
public:
    explicit Hint(QWidget* window);

    enum class Stage { None, Marked, Explained };
    Stage stage() const { return stage_; }
    // What the form's first stage found on `board`: the step, marked over
    // the cells at `cellRects`; a contradiction, explained at once.
    void found(const nextstep::Outcome& outcome, const nextstep::Board& board,
               const std::array<QRect, 81>& cellRects, double scale);
    // The second stage: the marked step explained.
    void explain();
    // The step on show (Marked or Explained).
    const nextstep::Step& step() const { return *step_; }
    // Takes the marks and the explanation away.
    void end();
    // The window drawn at a new scale: the marks follow the cells.
    void relayout(const std::array<QRect, 81>& cellRects, double scale);
    // The window moved or changed size: the explanation stays beside it.
    void follow();

    HintMarks* marks() const { return marks_; }
    HintPanel* panel() const { return panel_; }

private:
    HintMarks* marks_;
    HintPanel* panel_;
    Stage stage_ = Stage::None;
    std::optional<nextstep::Step> step_;
    nextstep::Board board_;
};
