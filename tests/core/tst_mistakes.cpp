// The puzzle's solution in the form: the message after a load or a change of
// type, 間違いを探す, and 間違いの前まで戻す returning to the step before a
// mistake made on purpose.
#include <QTest>

#include "keptstate.h"
#include "puzzles.h"
#include "testsupport.h"

Q_DECLARE_METATYPE(Setup)

namespace {

int solutionDigit(int cell)
{
    return puzzles::SinglesSolution[cell].digitValue();
}

// `count` right digits placed in reading order from cell `from`, where they
// are still candidates, away from cell 80, where a mistake below is made.
void rightDigits(Korvane& form, int count, int from = 1)
{
    for (int cell = from; cell < Korvane::CellCount - 1 && count > 0; ++cell) {
        if (form.decided[cell] == 0 &&
            form.Text1[cell].Text.contains(QString::number(solutionDigit(cell)))) {
            place(form, cell, solutionDigit(cell));
            --count;
        }
    }
}

void sample(Korvane& form)
{
    act(form, [](Korvane& f) { f.PastePuzzle(puzzles::SinglesGivens); });
    act(form, [](Korvane& f) { f.Text6_Click(); });
}

// Cell 0 is 2; 3 is among its candidates, and every other cell whose digit
// is 3 and whose candidates lose it lies after cell 0.
void wrongDigit(Korvane& form)
{
    place(form, 0, 3);
}
// Cell 80 is 5, in units the placements in reading order reach late.
void typedWithoutIt(Korvane& form)
{
    act(form, [](Korvane& f) {
        f.Text1[80].Text = QStringLiteral("12");
        f.Text1_KeyUp(80, 0, 0);
    });
}

const QString WrongAt0 = QStringLiteral("間違い：1行1列の3は正しくありません");

}  // namespace

class TestMistakes : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }
    void solutionCountTold_data();
    void solutionCountTold();
    void mistakeFound_data();
    void mistakeFound();
    void backToBeforeTheMistake_data();
    void backToBeforeTheMistake();
    void gradeTold_data();
    void gradeTold();

private:
    const TemporaryCurrentFolder folder;
};

void TestMistakes::solutionCountTold_data()
{
    QTest::addColumn<Setup>("game");
    QTest::addColumn<QString>("message");

    const QString many = QStringLiteral("解が複数あります");
    const auto dataLoad = [](const QString& puzzle) {
        return Setup([puzzle](Korvane& f) {
            writeFile(QStringLiteral("mondai.txt"), drawnGrid(puzzle));
            f.Text9_click(1);
        });
    };
    QTest::newRow("Data Load, one solution") << dataLoad(puzzles::SinglesGivens) << UsageText;
    QTest::newRow("Data Load of nothing") << dataLoad(QString(81, u'.')) << UsageText;
    QTest::newRow("a paste, two 5s in row 1")
        << Setup([](Korvane& f) { f.PastePuzzle(QStringLiteral("55") + QString(79, u'.')); })
        << QStringLiteral("解がありません");
    QTest::newRow("a file opened, four givens") << Setup([](Korvane& f) {
        writeFile(QStringLiteral("four.txt"), "1....2" + QByteArray(73, '.') + "34");
        f.OpenPuzzleFile(QStringLiteral("four.txt"));
    }) << many;
    QTest::newRow("Data Load of a saved grid with a wrong digit") << Setup([](Korvane& f) {
        sample(f);
        wrongDigit(f);
        f.Text9_click(0);
        f.Text9_click(1);
    }) << QStringLiteral("解がありません");
    // One solution only once the diagonals count.
    const Setup diagonal = [](Korvane& f) {
        f.PastePuzzle(puzzles::DiagonalGivens);
        QCOMPARE(f.Text3.Text, QStringLiteral("解が複数あります"));
        f.Text4_click();
    };
    QTest::newRow("斜め問題 switched") << diagonal << UsageText;
    QTest::newRow("普通問題 switched back") << Setup([diagonal](Korvane& f) {
        diagonal(f);
        f.Text4_click();
    }) << many;
}

void TestMistakes::solutionCountTold()
{
    QFETCH(Setup, game);
    QFETCH(QString, message);
    Fixture f;
    game(f.form);
    QCOMPARE(f.form.Text3.Text, message);
    QVERIFY(f.port.calls.isEmpty());
}

void TestMistakes::mistakeFound_data()
{
    QTest::addColumn<Setup>("game");
    QTest::addColumn<int>("cell");  // -1: none
    QTest::addColumn<QString>("message");

    QTest::newRow("none") << Setup([](Korvane& f) {
        sample(f);
        rightDigits(f, 10);
    }) << -1 << QStringLiteral("間違いはありません");
    QTest::newRow("a wrong digit, just placed") << Setup([](Korvane& f) {
        sample(f);
        wrongDigit(f);
    }) << 0 << WrongAt0;
    QTest::newRow("a wrong digit 40 moves back") << Setup([](Korvane& f) {
        sample(f);
        wrongDigit(f);
        rightDigits(f, 20);
    }) << 0 << WrongAt0;
    // Data Save keeps the wrong digit: the load before it fixes the solution.
    QTest::newRow("a wrong digit, then Data Save") << Setup([](Korvane& f) {
        sample(f);
        wrongDigit(f);
        act(f, [](Korvane& k) { k.Text9_click(0); });
        rightDigits(f, 3);
    }) << 0 << WrongAt0;
    QTest::newRow("a board kept without its history: the saved grid") << Setup([](Korvane& f) {
        sample(f);
        wrongDigit(f);
        f.RestoreKeptBoard(f, {});
    }) << 0 << WrongAt0;
    QTest::newRow("candidates typed without the right digit") << Setup([](Korvane& f) {
        sample(f);
        typedWithoutIt(f);
    }) << 80 << QStringLiteral("間違い：9行9列の候補に正しい数字がありません");
    QTest::newRow("a diagonal puzzle") << Setup([](Korvane& f) {
        f.PastePuzzle(puzzles::DiagonalGivens);
        f.Text4_click();
        f.Text2_click(2);
        f.Text1_click(72);  // 1 there
    }) << 72 << QStringLiteral("間違い：9行1列の3は正しくありません");
    QTest::newRow("givens without a solution")
        << Setup([](Korvane& f) { f.PastePuzzle(QStringLiteral("55") + QString(79, u'.')); }) << -1
        << QStringLiteral("解がないため、間違いを探せません");
    QTest::newRow("givens with more than one")
        << Setup([](Korvane& f) { f.PastePuzzle(puzzles::DiagonalGivens); }) << -1
        << QStringLiteral("解が複数あるため、間違いを探せません");
    QTest::newRow("the single-number display") << Setup([](Korvane& f) {
        sample(f);
        f.Text2_click(4);
        clickSingleNumber(f);
    }) << -1 << QStringLiteral("間違い探しは全数表示に戻してから使えます");
}

void TestMistakes::mistakeFound()
{
    QFETCH(Setup, game);
    QFETCH(int, cell);
    QFETCH(QString, message);

    Fixture f;
    game(f.form);
    f.form.EndAction();
    Korvane before = f.form;
    QCOMPARE(f.form.FindMistake(), cell);
    QCOMPARE(f.form.Text3.Text, message);
    // Nothing but the message, and no step of its own.
    before.Text3.Text = message;
    QCOMPARE(formState(f.form), formState(before));
    const int steps = f.form.history.undoCount();
    f.form.EndAction();
    QCOMPARE(f.form.history.undoCount(), steps);
}

void TestMistakes::backToBeforeTheMistake_data()
{
    QTest::addColumn<Setup>("mistake");
    QTest::addColumn<int>("movesAfter");   // right placements after it
    QTest::addColumn<bool>("restart");     // kept and read back before the command
    QTest::addColumn<QString>("message");  // empty: it goes back

    const Setup none = [](Korvane&) {};
    QTest::newRow("a wrong digit, just placed") << Setup(wrongDigit) << 0 << false << "";
    QTest::newRow("a wrong digit 40 moves back") << Setup(wrongDigit) << 20 << false << "";
    QTest::newRow("typed candidates, across a restart") << Setup(typedWithoutIt) << 5 << true << "";
    QTest::newRow("no mistake") << none << 4 << false << "間違いはありません";
    QTest::newRow("no state without it in the history") << Setup([](Korvane& f) {
        wrongDigit(f);
        f.RestoreKeptBoard(f, {});
    }) << 0 << false << "間違いのない盤面が履歴にありません";
}

void TestMistakes::backToBeforeTheMistake()
{
    QFETCH(Setup, mistake);
    QFETCH(int, movesAfter);
    QFETCH(bool, restart);
    QFETCH(QString, message);

    Fixture f;
    sample(f.form);
    // From row 2, which leaves cell 0 its 3.
    rightDigits(f.form, 3, 9);
    mistake(f.form);
    // The state just before the mistake's last action, and how many steps
    // back it lies from here.
    const int atMistake = f.form.history.undoCount();
    Korvane clean = f.form;
    if (atMistake > 0)
        clean.Undo();
    rightDigits(f.form, movesAfter);
    if (restart) {
        Fixture later;
        const keptstate::Reading reading =
            keptstate::read(keptstate::write(f.form, f.form.keptHistory()), later.form);
        QVERIFY(reading.board);
        f.form.RestoreKeptBoard(*reading.board, reading.history);
    }
    const Korvane withMistake = f.form;
    const int steps = f.form.history.undoCount();

    f.form.UndoToBeforeMistake();
    if (!message.isEmpty()) {
        QCOMPARE(f.form.Text3.Text, message);
        QCOMPARE(f.form.history.undoCount(), steps);
        return;
    }
    QCOMPARE(f.form.Text3.Text,
             QStringLiteral("間違いの前まで戻しました（%1手前）").arg(steps - atMistake + 1));
    Korvane expected = clean;
    expected.Text3.Text = f.form.Text3.Text;
    QCOMPARE(formState(f.form), formState(expected));
    QVERIFY(static_cast<const FormState&>(f.form) == static_cast<const FormState&>(expected));
    QCOMPARE(f.form.FindMistake(), -1);
    // One action: an undo returns to the board with the mistake.
    QVERIFY(f.form.Undo());
    QVERIFY(static_cast<const FormState&>(f.form) == static_cast<const FormState&>(withMistake));
    QVERIFY(f.form.Redo());
    QCOMPARE(formState(f.form), formState(expected));
}

void TestMistakes::gradeTold_data()
{
    QTest::addColumn<QString>("givens");
    QTest::addColumn<bool>("diagonal");
    QTest::addColumn<bool>("singleView");
    QTest::addColumn<QString>("message");

    const QString singles = QStringLiteral("難易度：初級（いちばん難しい手筋：");
    QTest::newRow("singles") << puzzles::SinglesGivens << false << false << singles;
    QTest::newRow("in the single-number display")
        << puzzles::SinglesGivens << false << true << singles;
    QTest::newRow("diagonal") << puzzles::DiagonalGivens << true << false << singles;
    QTest::newRow("diagonal givens on a normal board")
        << puzzles::DiagonalGivens << false << false << QStringLiteral("解が複数あります");
    QTest::newRow("two 5s in row 1") << QStringLiteral("55") + QString(79, u'.') << false << false
                                     << QStringLiteral("解がありません");
    // One of the hard public puzzles the engine is measured on, which takes
    // a forcing chain.
    QTest::newRow("a forcing puzzle")
        << QStringLiteral(
               "6.2.5.........3.4..........43...8....1....2........7..5..27...........81...6.....")
        << false << false << QStringLiteral("難易度：超難問（いちばん難しい手筋：");
}

void TestMistakes::gradeTold()
{
    QFETCH(QString, givens);
    QFETCH(bool, diagonal);
    QFETCH(bool, singleView);
    QFETCH(QString, message);

    Fixture f;
    f.form.PastePuzzle(givens);
    if (diagonal)
        f.form.Text4_click();
    if (singleView) {
        f.form.Text2_click(4);
        clickSingleNumber(f.form);
    }
    Korvane before = f.form;
    f.form.ShowGrade();
    QVERIFY2(f.form.Text3.Text.startsWith(message), qPrintable(f.form.Text3.Text));
    before.Text3.Text = f.form.Text3.Text;
    QCOMPARE(formState(f.form), formState(before));
    QVERIFY(f.port.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestMistakes)
#include "tst_mistakes.moc"
