#pragma once

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
    // the window), and shows itself on top.
    void mark(const nextstep::Step& step, const std::array<QRect, 81>& cellRects);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    nextstep::Step step_;
    std::array<QRect, 81> cells_{};
};

// The hint's explanation, beside the window so that the board stays in
// sight: a small window of its own that never takes the keyboard, whose text
// a screen reader reads as it changes.
class HintPanel : public QLabel {
public:
    explicit HintPanel(QWidget* window);
    // Shows `text` next to the window.
    void explain(const QString& text);

private:
    QWidget* window_;
};
