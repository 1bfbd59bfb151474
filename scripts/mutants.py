#!/usr/bin/env python3
"""Mutation testing by hand-written mutants: does a small fault in the program
make a test fail?

Each mutant below is one exact text in one source file and what replaces it,
with what the fault breaks. The script applies one mutant at a time, rebuilds
what it must in its own build folder, runs the tests that could notice (the
quick ones first, stopping at the first failure) and records the mutant as
killed or survived. The source is always put back, also on Ctrl+C or when a
build fails. A mutant whose text is not in its file exactly once is skipped,
and the script says so.

    scripts/mutants.py                 every mutant
    scripts/mutants.py --only window   those whose file or text matches
    scripts/mutants.py --list          the table, without running it

It is run by hand, not by CI; docs/testing.md has the latest score. It needs
a configured build (it makes build-mutants/ itself with cmake and ninja).
"""

import argparse
import os
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


@dataclass
class Mutant:
    file: str
    find: str
    replace: str
    breaks: str
    # Why no test can kill it, where the fault changes nothing the program
    # does; such a mutant is kept, so that a later change that makes it real
    # is noticed.
    equivalent: str = ""

    @property
    def area(self) -> str:
        return "core" if self.file.startswith("src/core/") else "window"


E, C, S, P, L = ("src/core/engine.cpp", "src/core/commands.cpp", "src/core/storage.cpp",
                 "src/core/puzzlefile.cpp", "src/core/layout.cpp")
T, ED, PI, W = ("src/window/boxtext.cpp", "src/window/boxeditor.cpp",
                "src/window/boxpicture.cpp", "src/window/textboxwidget.cpp")
MW, FE, MB = ("src/window/mainwindow.cpp", "src/window/formevents.cpp",
              "src/window/messageboxport.cpp")
AC = "src/window/boxaccessible.cpp"
KS, BK = "src/core/keptstate.cpp", "src/core/boardkeeper.cpp"
NS = "src/core/nextstep.cpp"
NSS, NSU, NSF, NSW, NSC = ("src/core/nextstepsingles.cpp", "src/core/nextstepsubsets.cpp",
                           "src/core/nextstepfish.cpp", "src/core/nextstepwings.cpp",
                           "src/core/nextstepchains.cpp")
NSA, NSO = "src/core/nextstepals.cpp", "src/core/nextstepforcing.cpp"

MUTANTS = [
    # ---- the engine ----
    Mutant(E, "return text.size() == 1 && s.at(pos) == text.at(0);",
           "return s.at(pos) == text.at(0);",
           "a palette value of two characters (10, 11) removes a 1"),
    Mutant(E, "if (conflictFlag == 1 || autoEliminate == 0 || !isCell(cellIndex))",
           "if (autoEliminate == 0 || !isCell(cellIndex))",
           "elimination goes on during a conflict"),
    Mutant(E, "    sweep(units::all[9 + cellIndex % 9]);  // the column\n", "",
           "no elimination down the column"),
    Mutant(E, "RemoveCandidate(topLeft + k + 18);", "RemoveCandidate(topLeft + k + 9);",
           "the box's third row keeps the digit"),
    Mutant(E, "    if (diagonalMode != 1)\n        return;\n    if (onMainDiagonal",
           "    if (diagonalMode != 0)\n        return;\n    if (onMainDiagonal",
           "diagonals eliminated in the normal mode, not in the diagonal one"),
    Mutant(E, "if (onAntiDiagonal(cellIndex))\n        sweep(units::all[units::AntiDiagonal]);",
           "if (onAntiDiagonal(cellIndex))\n        sweep(units::all[units::MainDiagonal]);",
           "the anti-diagonal sweeps the main diagonal"),
    Mutant(E, "    if (decided[cellIndex] == 1)\n        return;\n\n    const qsizetype n",
           "    if (decided[cellIndex] == 2)\n        return;\n\n    const qsizetype n",
           "a decided cell loses its digit"),
    Mutant(E, "if (m == 1) {", "if (m == 2) {", "a single candidate left is not styled or checked"),
    Mutant(E, "} else if (m <= 6) {", "} else if (m < 6) {", "six candidates stay at 11 points"),
    Mutant(E, "            cell.ForeColor = Colors::Black;\n            CheckConflict(s);\n",
           "            cell.ForeColor = Colors::Black;\n",
           "a cell left with one candidate is not checked for a conflict"),
    Mutant(E, "    const int unitCount = diagonalMode == 1 ? 29 : 27;\n    for (int u = 0; u < unitCount; ++u) {\n        int matches",
           "    const int unitCount = 27;\n    for (int u = 0; u < unitCount; ++u) {\n        int matches",
           "the conflict check leaves out the diagonals"),
    Mutant(E, "if (++matches == 2) {", "if (++matches == 3) {", "two equal digits are no conflict"),
    Mutant(E, "    Text1[cellIndex].Text = text;\n    conflictFlag = 1;",
           "    conflictFlag = 1;", "the conflict mark stays in the cell"),
    Mutant(E, "    port.MsgBox(QStringLiteral(\"同じ数あり =\") + text, 0);\n    Text1[cellIndex].Text = text;\n    conflictFlag = 1;",
           "    port.MsgBox(QStringLiteral(\"同じ数あり =\") + text, 0);\n    Text1[cellIndex].Text = text;",
           "a conflict raises no flag"),
    Mutant(E, "    if (conflictFlag == 1 || autoEliminate == 0)\n        return;\n    const int unitCount",
           "    if (conflictFlag == 1)\n        return;\n    const int unitCount",
           "hidden singles marked with automatic elimination off"),
    Mutant(E, "if (count[d] != 1)", "if (count[d] > 1)",
           "a digit with no place left marks the unit's first cell"),
    Mutant(E, "if (cell.Text.size() <= 1 || decided[cellIndex] == 1)",
           "if (decided[cellIndex] == 1)", "a cell showing one character is marked again"),
    Mutant(E, "        if (conflictFlag == 1)\n            return false;",
           "        if (conflictFlag == 1)\n            return true;",
           "the scan goes on after a conflict"),
    Mutant(E, "if (u < u'1' || u > u'9')", "if (u < u'1' || u > u'8')", "9 is never a hidden single"),
    Mutant(E, "setCell(i, FullCandidates, 11, Colors::Black);",
           "setCell(i, FullCandidates, 14, Colors::Black);", "a reset cell is shown at 14 points"),
    Mutant(E, "        EliminateFromPeers(j);\n        FindHiddenSingles();\n",
           "        EliminateFromPeers(j);\n", "a rebuild marks no hidden single"),
    # ---- the commands ----
    Mutant(C, "for (int i = 0; i < 11; ++i) {", "for (int i = 0; i < 10; ++i) {",
           "correction is not a palette value"),
    Mutant(C, "for (int i = 0; i <= 9; ++i)\n        Text2[i].BackColor = Colors::Idle;",
           "for (int i = 0; i < 9; ++i)\n        Text2[i].BackColor = Colors::Idle;",
           "partial undo stays lit after a reset"),
    Mutant(C, "    diagonalMode = 0;\n    autoEliminate = 0;", "    autoEliminate = 0;",
           "clear-all keeps the diagonal mode"),
    Mutant(C, "    hasSavedGrid = 0;\n    conflictFlag = 0;", "    conflictFlag = 0;",
           "clear-all keeps the saved grid on offer"),
    Mutant(C, "    if (singleView == 1)\n        return;\n    setTenToContinuous();\n    const int current",
           "    setTenToContinuous();\n    const int current",
           "clear-all runs in the single-number display"),
    Mutant(C, "    Text9[0].BackColor = Colors::DataRest;\n    Form_Load();", "    Form_Load();",
           "Data Save stays lit after clear-all"),
    Mutant(C, "        if (Index != 9)\n            return;", "        if (Index != 10)\n            return;",
           "correction, not partial undo, leaves a conflict"),
    Mutant(C, "        conflictFlag = 0;\n    }\n    if (singleView == 1)",
           "    }\n    if (singleView == 1)", "partial undo does not clear the conflict"),
    Mutant(C, "        cell.Text = QString();\n        setTenToRestore();",
           "        cell.Text = QString();", "a strike in the single view offers no restore"),
    Mutant(C, "    if (selectedValue == u\"11\")\n        return;\n", "",
           "a click with correction chosen is refused with a message"),
    Mutant(C, "        if (decided[Index] == 0) {", "        if (decided[Index] == 1) {",
           "partial undo refuses a decided cell"),
    Mutant(C, "        decided[Index] = 0;\n        RebuildCandidates();",
           "        decided[Index] = 0;", "partial undo does not give back candidates"),
    Mutant(C, "!cell.Text.contains(selectedValue.at(0))", "cell.Text.contains(selectedValue.at(0))",
           "a digit goes only where it cannot stand"),
    Mutant(C, "    if (restorePending == 1)\n        setTenToContinuous();\n    MarkDecided(Index",
           "    MarkDecided(Index", "a placement keeps restore on offer"),
    Mutant(C, "        if (asciiDigit(ch) != ch)\n            cell.Text[i] = asciiDigit(ch);", "",
           "full-width digits typed stay full-width"),
    Mutant(C, "    cell.FontSize = fontSizeForLength(cell.Text.size());\n    if (cell.Text.size() == 1)",
           "    cell.FontSize = 14;\n    if (cell.Text.size() == 1)",
           "a typed edit keeps the size of 14 points"),
    Mutant(C, "    if (cell.Text.size() == 1)\n        CheckConflict(cell.Text);\n", "",
           "a typed single digit is not checked for a conflict"),
    Mutant(C, "    if (restorePending == 0)\n        setTenToRestore();\n}", "}",
           "a typed edit offers no restore"),
    Mutant(C, "for (int a = 0; a <= 7; ++a) {", "for (int a = 0; a < 7; ++a) {",
           "a clash of the diagonals' last two cells is missed"),
    Mutant(C, "for (int b = a + 1; b <= 8; ++b) {", "for (int b = a + 1; b < 8; ++b) {",
           "a clash with a diagonal's last cell is missed"),
    Mutant(C, "            if (decided[diagonal[a]] != 1)\n                continue;\n", "",
           "two open cells showing the same candidates refuse the diagonal mode"),
    Mutant(C, "        Text4.BackColor = Colors::Active;\n        diagonalMode = 1;",
           "        Text4.BackColor = Colors::NormalType;\n        diagonalMode = 1;",
           "the diagonal mode does not light its button"),
    Mutant(C, "    RebuildCandidates();\n    ResetPalette();\n}\n\n// ---- automatic",
           "    ResetPalette();\n}\n\n// ---- automatic",
           "the puzzle type changes no candidates"),
    Mutant(C, "        applyDecidedCells();", "",
           "automatic elimination on eliminates nothing yet"),
    Mutant(C, "        resetUndecidedCells();\n    }\n    ResetPalette();", "    }\n    ResetPalette();",
           "automatic elimination off keeps the eliminated candidates"),
    Mutant(C, "if (cell.Text.size() != 1 || decided[i] != 0)", "if (cell.Text.size() != 1)",
           "continuous elimination decides decided cells again"),
    Mutant(C, "} while (placedCount > 0);", "} while (false);",
           "continuous elimination makes one pass only"),
    Mutant(C, "        conflictFlag = 0;\n        RebuildCandidates();\n        setTenToContinuous();",
           "        conflictFlag = 0;\n        setTenToContinuous();",
           "restore throws no typed edit away"),
    Mutant(C, "stashedText[i] = Text1[i].Text;", "stashedText[i] = candidates[i];",
           "the single view stashes the candidates, not what the cells show"),
    Mutant(C, "if (selectedValue == u\"11\" || selectedValue == u\"10\") {",
           "if (selectedValue == u\"11\") {", "the single view of partial undo shows nothing"),
    Mutant(C, "            cell.Text = QStringLiteral(\" \");", "            cell.Text = QString();",
           "cells without the digit show nothing instead of a blank"),
    Mutant(C, "    Text2_click(10);\n    FindHiddenSingles();", "    FindHiddenSingles();",
           "leaving the single view keeps the digit chosen"),
    Mutant(C, "    if (conflictFlag == 1 || singleView == 0)\n        return;\n    singleView = 0;",
           "    if (conflictFlag == 1)\n        return;\n    singleView = 0;",
           "all-numbers display outside the single view puts the stash back"),
    # ---- storage and the puzzle file ----
    Mutant(S, "        if (answer == MessagePort::TryAgain)\n            continue;\n", "",
           "Try Again does not read the file again"),
    Mutant(S, "return answer != MessagePort::Cancel;", "return true;",
           "Cancel goes on with the load"),
    Mutant(S, "if (Index != 0 && singleView == 1)", "if (Index != 0 && singleView == 2)",
           "Data Load runs in the single-number display"),
    Mutant(S, "savedGrid[i] = singleView == 1 ? stashedText[i] : Text1[i].Text;",
           "savedGrid[i] = Text1[i].Text;", "Data Save in the single view keeps the blanks"),
    Mutant(S, "    hasSavedGrid = 1;", "    hasSavedGrid = 0;",
           "Data Load reads the file even after a Data Save"),
    Mutant(S, "        conflictFlag = hadConflict;\n", "", "a cancelled load forgets the conflict"),
    Mutant(S, "        EliminateFromPeers(k);\n        FindHiddenSingles();\n",
           "        EliminateFromPeers(k);\n", "a load marks no hidden single",
           "a load begins with clear-all, which turns automatic elimination off, and the "
           "scan does nothing then"),
    Mutant(S, "    Text9[0].BackColor = Colors::DataRest;\n    Text10.BackColor", "    Text10.BackColor",
           "Data Save stays lit after a load",
           "the clear-all a load begins with has put the button to rest already"),
    Mutant(P, "lower_ = 0xA0;  // no overlong forms", "lower_ = 0x80;  // no overlong forms",
           "an overlong UTF-8 form counts as UTF-8"),
    Mutant(P, "constexpr qsizetype KeptBytesPerLine = 128;", "constexpr qsizetype KeptBytesPerLine = 40;",
           "the last columns of a UTF-8 line are cut off"),
    Mutant(P, "return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);",
           "return (b >= 0x81 && b < 0x9F) || (b >= 0xE0 && b <= 0xFC);",
           "0x9F is not a lead byte"),
    Mutant(P, "(ch.at(0) == u'\\x1A' && length == 2)", "ch.at(0) == u'\\x1A'",
           "byte 0x7F becomes U+FFFD"),
    Mutant(P, "return (hasBom_ || utf8_.sawNonAscii()) && utf8_.valid();",
           "return hasBom_ || (utf8_.sawNonAscii() && utf8_.valid());",
           "a mark before Shift-JIS bytes reads as UTF-8"),
    Mutant(P, "        if (cellCharacter.at(0) == u'　')\n            return QString();\n", "",
           "an ideographic space is an entry"),
    Mutant(P, "const qsizetype position = 2 * c + 1;", "const qsizetype position = 2 * c + 2;",
           "the cells are read one position to the right"),
    Mutant(P, "            ++i;\n        out += ch.isSurrogate()", "        out += ch.isSurrogate()",
           "a character beyond U+FFFF takes two positions"),
    Mutant(L, "        t.Centered = true;\n    }\n\n    for (int i = 0; i < 9; ++i) {",
           "    }\n\n    for (int i = 0; i < 9; ++i) {", "cells are not centred"),
    Mutant(L, "    Text10.Locked = true;", "", "continuous elimination takes typing"),
    # ---- the box's text rules ----
    Mutant(T, "    case 0xFDD1:\n", "", "U+FDD1 counts as one character"),
    Mutant(T, "    case QChar::ParagraphSeparator:\n", "", "U+2029 counts as one character"),
    Mutant(T, "count += isLineBreak(ch) ? 2 : 1;", "count += 1;", "a line break counts as one"),
    Mutant(T, "QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, head);",
           "QTextBoundaryFinder clusters(QTextBoundaryFinder::Word, head);",
           "a cut falls only between words"),
    Mutant(T, "const QString head = text.left(room + 2);", "const QString head = text.left(room);",
           "a mark cut off at the limit is parted from its letter"),
    Mutant(T, "return data->hasText() && !data->hasUrls();", "return data->hasText();",
           "a dropped file becomes a cell's text"),
    Mutant("src/window/boxtext.h", "inline constexpr qsizetype MaxLength = 1000;",
           "inline constexpr qsizetype MaxLength = 1200;", "a box holds more than promised"),
    Mutant(T, "    text.replace(QChar::LineSeparator, u'\\n');\n", "",
           "a typed line separator reaches the form as it is"),
    # ---- the editor ----
    Mutant(ED, "boxtext::formLength(toPlainText()) - boxtext::formLength(textCursor().selectedText());",
           "boxtext::formLength(toPlainText());",
           "a selection in a full box cannot be typed over"),
    Mutant(ED, "if (lineBreak ? free >= 2 : boxtext::formLength(text) <= free) {",
           "if (lineBreak ? free >= 1 : boxtext::formLength(text) <= free) {",
           "a line break fits in one place"),
    Mutant(ED, "    if (isReadOnly()) {\n        event->ignore();\n        return;\n    }\n    if (strayCommit", "    if (strayCommit",
           "an input method types into a read-only box"),
    Mutant(ED, "last.at.elapsed() < 1000", "last.at.elapsed() < 0",
           "mozc's second commit lands in the next cell"),
    Mutant(ED, "    if (state.ForeColor != shown_.ForeColor || state.BackColor != shown_.BackColor)\n        setPalette",
           "    if (state.BackColor != shown_.BackColor)\n        setPalette",
           "an edited cell turned mark keeps its old text colour"),
    Mutant(ED, "    editDocument(doc, doc->isUndoAvailable(), [&](QTextCursor& edit) {",
           "    editDocument(doc, false, [&](QTextCursor& edit) {",
           "the form's rewrite of a typed edit clears its undo"),
    Mutant(ED, "        if (at >= oldEnd)\n            return int(at + (newEnd - oldEnd));",
           "        if (at >= oldEnd)\n            return at;",
           "the caret stays put while the text before it shrinks"),
    Mutant(ED, "    document()->clearUndoRedoStacks();\n", "",
           "every new editor holds user state and is never given up"),
    Mutant(ED, "bounded.setText(boxtext::fitted(source->text(), room()));",
           "bounded.setText(source->text());", "a paste is not bounded"),
    Mutant(ED, "    QTextEdit::keyReleaseEvent(event);\n    if (!event->isAccepted())\n        emit keyPassedOn(event);\n",
           "    QTextEdit::keyReleaseEvent(event);\n", "a key release runs its handler twice"),
    Mutant(ED, "    if (!event->isAutoRepeat())\n        emit keyReleased", "    emit keyReleased",
           "a held key runs the handler for every repeat"),
    # ---- the picture ----
    Mutant(PI, "    return em * lineHeight;", "    return em * lineHeight * 1.1;",
           "lines stand further apart than the editor's"),
    Mutant(PI, "option.setAlignment(shape_.centered ? Qt::AlignHCenter : Qt::AlignLeft);",
           "option.setAlignment(Qt::AlignLeft);", "a centred box is drawn left-aligned"),
    Mutant(PI, "if (at.y() < top + (i + 1) * spacing)", "if (at.y() < top + (i + 2) * spacing)",
           "a point finds the line above"),
    Mutant(PI, "const int end = at == length ? at : block.nextCursorPosition(at);",
           "const int end = at;", "a character has no width"),
    Mutant(PI, "{textColour_.rgb(), baseColour_.rgb(), borderColour_.rgb()},",
           "{textColour_.rgb(), textColour_.rgb(), borderColour_.rgb()},",
           "boxes of two backgrounds share one picture"),
    Mutant(PI, "laidOut->taller = laidOut->taller || y > fixed(boxHeight - 2);",
           "laidOut->taller = laidOut->taller;", "a text just taller than its box does not scroll"),
    # ---- the box ----
    Mutant(W, "const bool click = button == Qt::LeftButton && down_.testFlag(Qt::LeftButton) &&",
           "const bool click = button == Qt::LeftButton &&",
           "a press on another box and a release here is a click"),
    Mutant(W, "if (lastPressed_ != this)", "if (lastPressed_ == this)",
           "a double-click is two clicks"),
    Mutant(W, "    if (editor_)\n        editor_->mirror(state);", "",
           "an editor shows the form's state no more"),
    Mutant(W, "if (QGuiApplication::mouseButtons() != Qt::NoButton || QApplication::activePopupWidget() ||",
           "if (QGuiApplication::mouseButtons() != Qt::NoButton ||",
           "an editor is given up under its open menu"),
    Mutant(W, "        QApplication::activeModalWidget()) {", "        false) {",
           "an editor is given up while a message box is open"),
    Mutant(W, "    picture_.setText(boxtext::shown(formText));\n    announceText(before);",
           "    announceText(before);",
           "the box's picture forgets what the user typed"),
    Mutant(W, "    showFocusMark();\n    if (locked_)\n        return;", "    showFocusMark();",
           "a read-only box takes an editor on focus"),
    Mutant(W, "    if (!picture_.taller()) {", "    if (picture_.taller()) {",
           "the wheel scrolls a box whose text fits"),
    # ---- the window ----
    Mutant(MW, "    if (running_)\n        return;\n    running_ = true;", "    running_ = true;",
           "a handler starts inside another's message box"),
    Mutant(MW, "onClick(u\"Text8\", [this] { form_.Text8_Click(); });",
           "onClick(u\"Text8\", [this] { form_.Text7_Click(); });", "全数表示 runs the wrong handler"),
    Mutant(MW, "[this, &box, widget] { run([&] { box.Text = widget->formText(); }); });",
           "[] {});", "what the user types never reaches the form"),
    Mutant(MW, "        Qt::QueuedConnection);", "        Qt::DirectConnection);",
           "a commit's handler runs inside the commit"),
    Mutant(MW, "return a.box->TabIndex < b.box->TabIndex;", "return a.box->TabIndex > b.box->TabIndex;",
           "Tab walks the window backwards"),
    Mutant(MW, "if (running_ || !form_.canOpenPuzzleFile())", "if (running_)",
           "Ctrl+O offers a dialog in the single-number display"),
    Mutant(MW, "return urls.size() == 1 && urls.first().isLocalFile()",
           "return urls.first().isLocalFile()", "a drop of two files opens the first"),
    Mutant(FE, "return modifiers.testFlag(Qt::KeypadModifier) ? 0x60 + (key - Qt::Key_0) : key;",
           "return key;", "keypad digits get the codes of the main keys"),
    Mutant(FE, "(modifiers.testFlag(Qt::AltModifier) ? 4 : 0);", "(modifiers.testFlag(Qt::AltModifier) ? 8 : 0);",
           "Alt has the wrong bit"),
    Mutant(MB, "constexpr int MinimumWidth = 240;", "constexpr int MinimumWidth = 100;",
           "a short prompt's box hides the caption"),
    Mutant(MB, "box.setDefaultButton(cancel);", "box.setDefaultButton(retry);",
           "Return answers Try Again"),
    Mutant(MB, "    return Cancel;\n}", "    return Continue;\n}", "closing the box goes on with the load"),
    Mutant(MB, "box.setTextFormat(Qt::PlainText);", "box.setTextFormat(Qt::RichText);",
           "a prompt is read as markup"),
    Mutant(MB, "    if (beforeOpen_)\n        beforeOpen_();\n", "",
           "a box opens over a board not yet shown"),
    # ---- for screen readers and the keyboard ----
    Mutant(AC, "return box()->isPressable() ? QAccessible::Button : QAccessible::StaticText;",
           "return QAccessible::StaticText;", "buttons are plain text to a screen reader"),
    Mutant(AC, "    int childCount() const override { return 0; }\n", "",
           "a box's editor shows as a second object under the same name"),
    Mutant(AC, "    if (event->type() != QAccessible::Focus || lastFocus == box)\n        return;",
           "    if (lastFocus == box) {\n        handOn(event);\n        return;\n    }",
           "an editor's own events reach the screen reader"),
    Mutant(AC, "QMetaObject::invokeMethod(box(), &TextBoxWidget::click, Qt::QueuedConnection);",
           "QMetaObject::invokeMethod(box(), &TextBoxWidget::clicked, Qt::QueuedConnection);",
           "a press action skips the mouse-down of the single-number display"),
    Mutant(AC, "            s.checked = *checked;", "", "a two-state control never reads as checked"),
    Mutant(W, "    if (lineBreak && modifiers == Qt::ControlModifier)\n        return true;", "",
           "Ctrl+Return clicks nothing"),
    Mutant(W, "return locked_ && modifiers == Qt::NoModifier && (lineBreak || event->key() == Qt::Key_Space);",
           "return modifiers == Qt::NoModifier && (lineBreak || event->key() == Qt::Key_Space);",
           "a box that takes typing is clicked by Space instead of typing it"),
    Mutant(W, "        if (event->type() == QEvent::KeyPress) {\n            if (!event->isAutoRepeat())",
           "        if (event->type() == QEvent::KeyPress) {\n            if (true)",
           "a held Space clicks again and again"),
    Mutant(W, "    if (event->type() == QEvent::KeyRelease && locked_ && !editor_) {",
           "    if (false) {", "a button takes an editor that swallows the next Space"),
    Mutant(W, "    if (removed.isEmpty() && inserted.isEmpty())\n        return;\n    if (removed.isEmpty()) {",
           "    if (removed.isEmpty() && inserted.isEmpty())\n        return;\n    if (false) {",
           "an insertion is told as a change of the whole"),
    Mutant(W, "    const bool show = hasKeyboard() &&", "    const bool show = hasFocus() &&",
           "the focus mark leaves a cell as soon as its editor has the keyboard"),
    Mutant(ED, "    if (lineBreak && event->modifiers().testFlag(Qt::ControlModifier)) {",
           "    if (false) {", "Ctrl+Return types a line into a cell",
           equivalent="Qt's text edit types no line for Ctrl+Return either; the guard keeps "
                      "that from resting on it"),
    Mutant(MW, "if (next < 0 || next >= Korvane::CellCount || (sideways && next / 9 != cell / 9))",
           "if (next < 0 || next >= Korvane::CellCount)", "Alt+Right at a row's end wraps to the next row"),
    Mutant(MW, "    widgetOf(u\"Text6\")->setChecked(form_.autoEliminate == 1);",
           "    widgetOf(u\"Text6\")->setChecked(form_.diagonalMode == 1);",
           "自動消去 reads as checked with the puzzle type"),
    Mutant(MW, "widget->setPressable(control.name != u\"Text3\");", "widget->setPressable(true);",
           "the message line is a button"),
    Mutant(L, "    if (foreColor == Colors::DecidedDigit)\n        meaning = QStringLiteral(\"確定した数字\");",
           "    if (false)\n        meaning = QStringLiteral(\"確定した数字\");",
           "a decided digit is said to be a candidate"),
    # ---- the kept board ----
    Mutant(KS, "if (!(d >= least && d <= most))", "if (!(d >= least))",
           "a flag of 2, a colour beyond 0xFFFFFF or a huge font is read"),
    Mutant(KS, "if (root.value(QLatin1StringView(\"check\")).toString() != checkOf(board))",
           "if (false)", "a kept file with a value changed is read"),
    Mutant(KS, "if (text.size() > longest)", "if (text.size() > longest + 1)",
           "a text longer than a box holds is read"),
    Mutant(BK, "if (written && *written == state)\n            return false;", "",
           "an unchanged board is written again"),
    Mutant(BK, "while (asides.size() >= SetAsideKept)", "while (asides.size() > SetAsideKept)",
           "four files set aside are kept"),
    Mutant(BK, "if (!failureSaid) {", "if (true) {",
           "a folder that cannot be written is said at every write"),
    Mutant(BK, "if (!lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError) {",
           "if (false) {", "a second program writes over the first one's file"),
    Mutant(S, "    if (kept == *this)\n        return false;\n", "",
           "the start-up board is offered back"),
    Mutant(S, "MessagePort::YesNo) !=\n        MessagePort::Yes)",
           "MessagePort::YesNo) ==\n        MessagePort::Cancel)", "いいえ puts the kept board back"),
    Mutant(MB, "const int escape = yesNo ? No : Cancel;", "const int escape = Cancel;",
           "Escape and the close button leave the restore question unanswered"),
    Mutant(MW, "chordKeys_ = port_.keysHeldAtClose();", "chordKeys_.clear();",
           "the Return that answered runs the cell's key-up handler over the board put back"),
    # ---- the next step ----
    Mutant(NSS, "if (places.size() != 1 || g.frozen(places.first()))",
           "if (places.size() > 2 || g.frozen(places.first()))",
           "a digit with two places left is placed in the first"),
    Mutant(NSU, "if (count(together) != n)", "if (count(together) > n + 1)",
           "n cells of n + 1 digits are taken for a naked subset"),
    Mutant(NSW, "if (b == p || b == a || !g.sees(b, p))", "if (b == p || b == a)",
           "an XY-Wing pincer that does not see the pivot"),
    Mutant(NSC, "if (isTrue || depth[size_t(reached)] < 3 || m == start)",
           "if (depth[size_t(reached)] < 3 || m == start)",
           "a chain's end reached false is taken as true"),
    Mutant(NS, "if (seen[size_t(d)] < 0 && g.places(u, d).empty())", "if (false)",
           "a unit with no place for a digit is not named"),
    Mutant(NS, "{Technique::Pointing, pointing},", "{Technique::Claiming, pointing},",
           "pointing is tagged as claiming, so a walk told to stop at pointing never points"),
    # behaviours found untested by hand-made faults: each a row of the technique table
    Mutant(NSF, "                Step step;\n                for (int k = 0; k < 9; ++k) {",
           "                Step step;\n                for (int k = 0; k < 8; ++k) {",
           "a fish never clears its ninth cover line"),
    Mutant(NSF, "k < 3 * bandOfLines + 3; ++k", "k < 3 * bandOfLines + 2; ++k",
           "a finned fish never clears the third line of its fin's box"),
    Mutant(NSS, "for (int b = 0; b < g.unitCount(); ++b) {", "for (int b = 0; b < 27; ++b) {",
           "locked candidates never point into a diagonal"),
    Mutant(NS, "    {Technique::NakedSingle, nakedSingle},\n    {Technique::HiddenSingle, hiddenSingle},",
           "    {Technique::HiddenSingle, hiddenSingle},\n    {Technique::NakedSingle, nakedSingle},",
           "a hidden single comes before a naked single"),
    Mutant(NS, "const bool frozen = board.decided[size_t(c)] && count(d) != 1;",
           "const bool frozen = board.decided[size_t(c)] && count(d) > 1;",
           "a decided cell whose text holds no digit is a cell without a digit"),
    Mutant(C, "board.decided[i] = decided[i] == 1;", "board.decided[i] = false;",
           "the hint's board marks every decided cell undecided"),
    Mutant(NSW, "step.eliminations =\n                    g.seeingAll(Cells::of(p) | Cells::of(a) | Cells::of(b), lowest(z));",
           "step.eliminations =\n                    g.seeingAll(Cells::of(p) | Cells::of(a) | Cells::of(b), lowest(z));\n"
           "                if (step.eliminations.size() > 1)\n                    step.eliminations.resize(1);",
           "an XYZ-Wing removes only the first candidate it could"),
    # the families for the hardest puzzles and the diagonals
    Mutant(NSS, "    if (!g.diagonal())\n        return std::nullopt;\n    for (int u",
           "    if (true)\n        return std::nullopt;\n    for (int u",
           "no cell that sees every place of a digit through a diagonal"),
    Mutant(NSF, "return g.diagonal() ? diagonalFish(g, n, names[n - 2]) : std::nullopt;",
           "return g.diagonal() && false ? diagonalFish(g, n, names[n - 2]) : std::nullopt;",
           "no fish with a diagonal among its lines"),
    Mutant(NSW, "unit >= 27 ? 2 : -1", "-1", "no skyscraper or kite with a diagonal's link"),
    Mutant(NSC, "        if (grouped) {\n            for (int d = 1; d <= 9; ++d) {",
           "        if (false) {\n            for (int d = 1; d <= 9; ++d) {",
           "grouped chains without their grouped nodes"),
    Mutant(NSC, "seen.contains(cells_[m])", "(seen & cells_[m]).any()",
           "a grouped node seen in part is taken as weakly linked"),
    Mutant(NSA, "a.seeing[size_t(x)].contains(b.holding[size_t(x)])",
           "(a.seeing[size_t(x)] & b.holding[size_t(x)]).any()",
           "a common digit seen only in part is taken as restricted"),
    Mutant(NSA, "if (count(restricted) == 1) {", "if (true) {",
           "doubly linked sets remove only what one restricted digit allows"),
    Mutant(NSO, "if (left.size() == 1 && !g_->frozen(left.first()))",
           "if (left.size() <= 2 && !g_->frozen(left.first()))",
           "a forcing branch places a digit that has two places left"),
    Mutant(NSO, "removed &= b->removed(d);", "removed |= b->removed(d);",
           "a removal in one branch of a forcing chain is taken for all"),
    Mutant(NSO, "(atPlaced ? step.eliminations : step.placements).push_back(at);",
           "(atPlaced ? step.placements : step.eliminations).push_back(at);",
           "a contradiction proves the assumption instead of its opposite"),
    Mutant(NSO, "            for (int cause : causesOf(f))\n                need(cause);",
           "            for (int cause : causesOf(f))\n                (void)cause;",
           "a forcing chain's proof leaves out what its deductions follow from"),
    Mutant(C, "        Text1[i].Text = text[i];\n        Text1_KeyUp(i, 0, 0);",
           "        Text1[i].Text = text[i];\n        candidates[i] = text[i];",
           "the hint's step is made without the typed-edit path, so 元に戻す cannot undo it"),
    Mutant(MW, "    if (!hinting_)\n        endHint();", "    endHint();",
           "the hint's own action takes its marks away"),
    Mutant(MW, "const bool hintChord = hintKeys_.removeOne(key);",
           "const bool hintChord = hintKeys_.removeOne(key) && false;",
           "the release of Ctrl+H ends the hint it showed"),
]

CORE_TESTS = ["tst_cells", "tst_engine", "tst_commands", "tst_storage", "tst_puzzlefile",
              "tst_keptstate", "tst_fuzz_corpus", "tst_nextstep", "tst_oracle", "tst_nextstepreach"]
WINDOW_TESTS = ["tst_viewrules", "tst_messagebox", "tst_window", "tst_look", "tst_gestures",
                "screen-reader"]
TEST_FOLDER = {name: "tests/core" for name in CORE_TESTS}
TEST_FOLDER.update({name: "tests/window" for name in WINDOW_TESTS})
# The screen reader's view needs an X display and an accessibility bus: it
# runs through its end-to-end script, on the program and tst_accessibility.
SCREEN_READER = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", "dbus-run-session", "--",
                 "bash", str(ROOT / "tests/e2e/screen-reader.sh"), "src/app/korvane",
                 "tests/window/tst_accessibility", str(ROOT / "samples/mondai.txt")]
BUILT_FOR = {"screen-reader": ["korvane", "tst_accessibility"]}
TIMEOUT = 120


def tests_for(mutant: Mutant) -> list[str]:
    # The core's own tests first; a fault in the core that only the window
    # notices still counts as caught.
    return CORE_TESTS + WINDOW_TESTS if mutant.area == "core" else WINDOW_TESTS


def targets_of(tests: list[str]) -> list[str]:
    targets = []
    for name in tests:
        targets += BUILT_FOR.get(name, [name])
    return targets


def configure(build: Path) -> None:
    if (build / "build.ninja").exists():
        return
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DKORVANE_BENCH=OFF"],
                   check=True, stdout=subprocess.DEVNULL)


def build_targets(build: Path, targets: list[str]) -> bool:
    done = subprocess.run(["cmake", "--build", str(build), "--target", *targets],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return done.returncode == 0


def test_fails(build: Path, name: str) -> bool:
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", KORVANE_GESTURE_SECONDS="8")
    command = SCREEN_READER if name == "screen-reader" else [str(build / TEST_FOLDER[name] / name)]
    try:
        done = subprocess.run(command, cwd=build, env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return True  # a hang is noticed too
    return done.returncode != 0


class Restorer:
    """Puts a mutated file back, whatever ends the run."""

    def __init__(self) -> None:
        self.path: Path | None = None
        self.original = b""
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(sig, self._on_signal)

    def apply(self, path: Path, original: bytes, mutated: bytes) -> None:
        self.path, self.original = path, original
        path.write_bytes(mutated)

    def restore(self) -> None:
        if self.path is not None:
            self.path.write_bytes(self.original)
            self.path = None

    def _on_signal(self, signum, _frame) -> None:
        self.restore()
        sys.exit(128 + signum)


def run(mutants: list[tuple[int, Mutant]], build: Path) -> int:
    configure(build)
    every_test = CORE_TESTS + WINDOW_TESTS
    if not build_targets(build, targets_of(every_test)):
        print("the unmutated program does not build", file=sys.stderr)
        return 1
    unmutated_failures = [name for name in every_test if test_fails(build, name)]
    if unmutated_failures:
        print("tests fail without a mutant: " + ", ".join(unmutated_failures), file=sys.stderr)
        return 1

    restorer = Restorer()
    results: dict[str, dict[str, list]] = {"core": {"killed": [], "survived": []},
                                           "window": {"killed": [], "survived": []}}
    skipped = []
    stillborn = []
    for number, mutant in mutants:
        path = ROOT / mutant.file
        original = path.read_bytes()
        text = original.decode()
        found = text.count(mutant.find)
        label = f"{number:3} {mutant.file}: {mutant.breaks}"
        if found != 1:
            skipped.append(mutant)
            print(f"{label}: skipped, its text occurs {found} times")
            continue
        started = time.monotonic()
        try:
            restorer.apply(path, original, text.replace(mutant.find, mutant.replace).encode())
            killer = None
            for name in tests_for(mutant):
                if not build_targets(build, targets_of([name])):
                    killer = "(does not build)"
                    break
                if test_fails(build, name):
                    killer = name
                    break
        finally:
            restorer.restore()
        if killer == "(does not build)":
            stillborn.append(mutant)
            print(f"{label}: does not build, so it says nothing")
            continue
        outcome = "killed" if killer else "survived"
        results[mutant.area][outcome].append((mutant, killer))
        print(f"{label}: {outcome}{' by ' + killer if killer else ''} "
              f"({time.monotonic() - started:.0f} s)", flush=True)
    build_targets(build, targets_of(every_test))  # back to the program as it is

    print()
    for area, outcome in results.items():
        killed, survived = len(outcome["killed"]), len(outcome["survived"])
        total = killed + survived
        if total:
            print(f"{area}: {killed} of {total} killed ({100 * killed / total:.0f} %)")
        for mutant, _ in outcome["survived"]:
            why = f" (equivalent: {mutant.equivalent})" if mutant.equivalent else ""
            print(f"  survived: {mutant.file}: {mutant.breaks}{why}")
    if skipped:
        print(f"skipped, their text not found once: {len(skipped)}")
    if stillborn:
        print(f"not built: {len(stillborn)}")
    return 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=str(ROOT / "build-mutants"),
                        help="the build folder to use (made if missing)")
    parser.add_argument("--only", help="only mutants whose file or text contains this")
    parser.add_argument("--numbers", help="only these mutants, by number: 3,17,40")
    parser.add_argument("--list", action="store_true", help="print the table and stop")
    args = parser.parse_args()
    numbers = {int(n) for n in args.numbers.split(",")} if args.numbers else None
    chosen = [(number, m) for number, m in enumerate(MUTANTS, 1)
              if (not args.only or args.only in m.file or args.only in m.find)
              and (numbers is None or number in numbers)]
    if args.list:
        for number, mutant in chosen:
            print(f"{number:3} [{mutant.area}] {mutant.file}: {mutant.breaks}")
        return 0
    return run(chosen, Path(args.build))


if __name__ == "__main__":
    sys.exit(main())
