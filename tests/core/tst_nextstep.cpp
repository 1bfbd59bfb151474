// The next-step engine, technique by technique: each on a puzzle where it is
// the easiest step left, removing exactly what its pattern allows and told
// as a teacher would; walks stopped at a family; what a board of candidates
// says outright; the hint on the form; a walk's rating. Soundness and reach
// over whole sets of puzzles are tst_nextstepreach's.
#include <bit>

#include <QTest>

#include "nextstep.h"
#include "puzzlefile.h"
#include "testsupport.h"
#include "units.h"

using namespace nextstep;
Q_DECLARE_METATYPE(nextstep::Technique)

namespace {

Board givensBoard(const QString& givens, bool diagonal)
{
    return boardOfGivens(puzzlefile::parseText(givens).entries(), diagonal);
}

// The one solution of a puzzle, by search with the fewest digits first;
// empty when it has none.
class Solver {
public:
    explicit Solver(bool diagonal)
    {
        for (int u = 0; u < (diagonal ? 29 : 27); ++u) {
            for (int a : units::all[size_t(u)]) {
                for (int b : units::all[size_t(u)]) {
                    if (a != b)
                        peers_[size_t(a)].push_back(b);
                }
            }
        }
    }
    QString solve(const QString& givens)
    {
        for (int c = 0; c < 81; ++c)
            grid_[size_t(c)] = givens.at(c).isDigit() ? givens.at(c).digitValue() : 0;
        if (!search())
            return {};
        QString out;
        for (int d : grid_)
            out += QChar(u'0' + d);
        return out;
    }

private:
    bool search()
    {
        int best = -1;
        unsigned bestFree = 0;
        for (int c = 0, fewest = 10; c < 81; ++c) {
            if (grid_[size_t(c)])
                continue;
            unsigned used = 0;
            for (int p : peers_[size_t(c)])
                used |= 1u << grid_[size_t(p)];
            const unsigned free = ~used & 0x3FE;
            if (std::popcount(free) < fewest) {
                fewest = std::popcount(free);
                best = c;
                bestFree = free;
            }
        }
        if (best < 0)
            return true;
        for (int d = 1; d <= 9; ++d) {
            if (!(bestFree & (1u << d)))
                continue;
            grid_[size_t(best)] = d;
            if (search())
                return true;
        }
        grid_[size_t(best)] = 0;
        return false;
    }
    std::array<std::vector<int>, 81> peers_;
    std::array<int, 81> grid_{};
};

// The first step of the walk that removes or places anything the solution
// denies, or nothing.
QString unsoundStep(const Walk& walked, const QString& solution)
{
    for (const Step& step : walked.steps) {
        for (const Candidate& k : step.placements) {
            if (solution.at(k.cell) != QChar(u'0' + k.digit))
                return name(step.technique) + u' ' + notation(step);
        }
        for (const Candidate& k : step.eliminations) {
            if (solution.at(k.cell) == QChar(u'0' + k.digit))
                return name(step.technique) + u' ' + notation(step);
        }
    }
    return {};
}

}  // namespace

class TestNextStep : public QObject {
    Q_OBJECT

private slots:
    void eachTechniqueWhereItIsTheEasiest_data();
    void eachTechniqueWhereItIsTheEasiest();
    void hardestStopsTheWalk_data();
    void hardestStopsTheWalk();
    void whatABoardSays_data();
    void whatABoardSays();
    void hintOnTheForm();
    void ratingOfAWalk_data();
    void ratingOfAWalk();
};

void TestNextStep::eachTechniqueWhereItIsTheEasiest_data()
{
    QTest::addColumn<QString>("givens");
    QTest::addColumn<bool>("diagonal");
    QTest::addColumn<Technique>("technique");
    QTest::addColumn<QString>("removes");  // all the pattern allows, no less
    QTest::addColumn<QString>("says");     // what the teacher must say too
    // qqwing's puzzles, and those of tests/data, on whose way the technique
    // is the easiest step left at least once.
    using T = Technique;
    const QString a = QStringLiteral(
        ".......782...1.54...724........2.78....3..4..1.......33.478...1.654..........5...");
    const QString b = QStringLiteral(
        "3.5.149...4..2.73..9....4..9.1..3.....8.49.2..5..........5..179....8....2........");
    const QString c = QStringLiteral(
        "....27.69...59...1...6...3...475....67.9.2.....5..6....2..1..9794.....5........1.");
    const QString d = QStringLiteral(
        "........821..95...96..1....7.....2...2..56..1........645.9.1..2..726.5.......87..");
    const QString e = QStringLiteral(
        "..8.9.1...6.5...2......6....3.1.7.5.........9..4...3...5....2...7...3.8.2..7....4");
    const QString f = QStringLiteral(
        "53..2.9...24.3..5...9..........1.827...7.........981.............64....91.2.5.43.");
    const QString g = QStringLiteral(
        ".......4...2..4..1.7..5..9...3..7....4..6....6..1..8...2....1..85.9...6.....8...3");
    const QString h = QStringLiteral(
        "...........5...1.6.3........2..........2..4.1.19.4..5......9....58..6..7...42...8");
    QTest::newRow("peer removal")
        << a << false << T::PeerRemoval
        << "r1c1<>7 r1c2<>7 r1c3<>7 r1c4<>7 r1c5<>7 r1c6<>7 r1c7<>7 r2c9<>7 r3c7<>7 r3c8<>7 "
           "r3c9<>7 r5c8<>7 r6c8<>7 r7c8<>7 r8c8<>7 r9c8<>7"
        << "確定しているので";
    QTest::newRow("naked single") << a << false << T::NakedSingle
                                  << "r6c7<>2 r7c7<>2 r8c7<>2 r9c7<>2"
                                  << "しか残っていない";
    QTest::newRow("hidden single") << a << false << T::HiddenSingle << "r1c7=2"
                                   << "だけなので";
    QTest::newRow("pointing") << a << false << T::Pointing << "r1c1<>5 r1c2<>5"
                              << "の中の";
    QTest::newRow("claiming") << d << false << T::Claiming << "r2c4<>4 r3c4<>4 r3c6<>4"
                              << "の中の";
    QTest::newRow("naked pair")
        << ".28.......6.....12.....85......12.7.5....7286...5....4..19......5....4......46..7"
        << false << T::NakedPair << "r3c3<>7 r4c3<>6"
        << "しか入らない";
    QTest::newRow("hidden pair") << b << false << T::HiddenPair << "r4c4<>6 r6c4<>1 r6c4<>6"
                                 << "ほかの数字は入りません";
    QTest::newRow("naked triple")
        << ".....1.39..4...8..59.83.61...3.42..845....9..8....6.5..8..5.........9...3...1...."
        << false << T::NakedTriple << "r7c8<>6 r7c8<>7 r8c8<>6 r8c8<>7 r9c8<>6 r9c8<>7"
        << "しか入らない";
    QTest::newRow("hidden triple")
        << ".7.3....9...159.......7.4...2...1..5.....27.8.9158..4............4...2...529.8..."
        << false << T::HiddenTriple
        << "r7c7<>1 r7c7<>3 r7c7<>6 r7c8<>3 r7c8<>6 r7c8<>7 r8c8<>3 r8c8<>6 r8c8<>7"
        << "ほかの数字は入りません";
    QTest::newRow("naked quad")
        << "24......86..8...7.......3.6..12..9........634......8..3.2.7....1...6...248.9....."
        << false << T::NakedQuad << "r2c5<>3 r3c5<>5 r3c6<>5 r3c6<>7"
        << "しか入らない";
    QTest::newRow("hidden quad")
        << ".4.5.1.......9.......724...15..72....9.35.....63.....29.....7.14.....62...12.6..3"
        << false << T::HiddenQuad << "r1c7<>3 r1c9<>9 r2c9<>6"
        << "ほかの数字は入りません";
    QTest::newRow("X-Wing") << b << false << T::XWing << "r6c9<>3 r9c9<>3"
                            << "それぞれに";
    QTest::newRow("X-Wing covering the ninth column")
        << "....72..45.9.8..7.6...49.38..6..34....4......75.......4382....5.....49...7......."
        << false << T::XWing << "r5c4<>7 r5c9<>7"
        << "9列目";
    QTest::newRow("Swordfish") << d << false << T::Swordfish << "r6c4<>3 r6c6<>3"
                               << "それぞれに";
    QTest::newRow("Swordfish covering the ninth column")
        << e << false << T::Swordfish << "r2c1<>7 r2c9<>7 r3c1<>7 r3c8<>7 r3c9<>7 r5c1<>7 r5c8<>7"
        << "9列目";
    QTest::newRow("Jellyfish")
        << "...8.1.....5.9...7...5..6.87...38........2.9....9...35.6......1.3..67....8.2..5.."
        << false << T::Jellyfish << "r3c1<>4 r4c9<>4 r6c1<>4"
        << "それぞれに";
    QTest::newRow("XY-Wing") << a << false << T::XYWing << "r3c9<>6"
                             << "どちらでも";
    QTest::newRow("XYZ-Wing, both cases") << c << false << T::XYZWing << "r6c7<>4 r6c8<>4"
                                          << "自身が";
    QTest::newRow("W-Wing") << a << false << T::WWing << "r6c2<>5"
                            << "両方が";
    QTest::newRow("Skyscraper") << b << false << T::Skyscraper << "r5c4<>7"
                                << "にあって同時に";
    QTest::newRow("two-string kite") << a << false << T::TwoStringKite << "r5c1<>6"
                                     << "同じブロック";
    QTest::newRow("finned X-Wing") << b << false << T::FinnedXWing << "r9c4<>7"
                                   << "フィン（";
    QTest::newRow("finned X-Wing clearing its box's third line")
        << e << false << T::FinnedXWing << "r6c6<>2"
        << "フィン（";
    QTest::newRow("finned Swordfish") << c << false << T::FinnedSwordfish << "r4c1<>8 r6c1<>8"
                                      << "フィン（";
    QTest::newRow("finned Swordfish clearing its box's third line")
        << "249.6...3.3....2..8.......5.....6......2......1..4.82..9.5..7....4.....1.7...3..."
        << false << T::FinnedSwordfish << "r7c5<>8 r9c5<>8"
        << "フィン（";
    QTest::newRow("simple colouring")
        << ".3.925.18...38.........4.9....4...51.....2....8.5..3.2.13.......5......94..81...7"
        << false << T::SimpleColouring << "r6c5<>7"
        << "赤（";
    QTest::newRow("X-chain")
        << "7.....4......5.....4..2....1..8....2.7.2..9....9.....38...1.39.2.7..9..59..73...."
        << false << T::XChain << "r6c8<>5"
        << "少なくとも一方";
    QTest::newRow("XY-chain") << a << false << T::XYChain << "r4c6<>4 r6c2<>4"
                              << "少なくとも一方";
    QTest::newRow("alternating chain")
        << a << false << T::AlternatingChain << "r1c1<>6 r1c3<>6 r3c6<>6"
        << "少なくとも一方";
    QTest::newRow("grouped X-chain") << f << false << T::GroupedXChain << "r3c2<>7"
                                     << "のどちらか";
    QTest::newRow("grouped AIC")
        << ".52..68.......7.2.......6....48..9..2..41......1.....8..61..38.....9...63..6..1.9"
        << false << T::GroupedAIC << "r8c7<>5"
        << "の";
    QTest::newRow("ALS-XZ")
        << "9.4..5...25.6..1..31......8.7...9...4..26......147....7.......2...3..8.6.4.....9."
        << false << T::AlsXz << "r2c8<>7"
        << "多くても一方だけ";
    QTest::newRow("ALS-XZ, doubly linked")
        << f << false << T::AlsXz << "r4c1<>3 r4c2<>5 r5c6<>4 r5c6<>6 r6c4<>6"
        << "どちらの組も";
    QTest::newRow("cell forcing chain")
        << ".47.2....8....1....3....9.2.....5...6..81..5.....4.....7....3.4...9...1.4..27.8.."
        << false << T::CellForcingChain << "r1c9<>5"
        << "どの場合も";
    QTest::newRow("unit forcing chain") << g << false << T::UnitForcingChain << "r7c8<>7"
                                        << "どの場合も";
    QTest::newRow("contradiction forcing chain")
        << g << false << T::ContradictionForcingChain << "r8c5<>4"
        << "ではありません。";
    QTest::newRow("diagonal: pointing into a diagonal")
        << ".8.....7.....6.9..3........8...4......4.7219..5........1..2.6.....41.8..........."
        << true << T::Pointing << "r1c9<>6 r8c2<>6"
        << "対角線";
    QTest::newRow("diagonal: a cell that sees both places")
        << h << true << T::DiagonalIntersection << "r2c8<>9 r8c8<>9"
        << "とは同じ";
    QTest::newRow("diagonal: X-Wing with a diagonal")
        << "...2.......3....7.7..8....153......6....1..84.8......5...72.8.............5..6..."
        << true << T::XWing << "r1c9<>8 r8c5<>8"
        << "対角線";
    QTest::newRow("diagonal: Skyscraper on the diagonals")
        << "..6.....8..........3....9124....1.....3..9....1...8..9......5..7....4.......72.4."
        << true << T::Skyscraper << "r2c4<>4"
        << "対角線";
    QTest::newRow("diagonal: kite with a diagonal") << h << true << T::TwoStringKite << "r5c6<>5"
                                                    << "対角線";
    QTest::newRow("diagonal: contradiction forcing chain")
        << "..8...16...3.9...4..........4....23....7................5..4.17...8.26.....3....."
        << true << T::ContradictionForcingChain << "r5c2<>6"
        << "よって";
}

// The walk keeps the solution at every step, and on its way the technique
// makes a step that removes exactly `removes`: what the pattern allows, not a
// candidate less. Its explanation names every cell the pattern is made of,
// says 対角線 where a diagonal is among its units, and ends a sentence.
void TestNextStep::eachTechniqueWhereItIsTheEasiest()
{
    QFETCH(QString, givens);
    QFETCH(bool, diagonal);
    QFETCH(Technique, technique);
    QFETCH(QString, removes);
    QFETCH(QString, says);
    const QString solution = Solver(diagonal).solve(givens);
    QVERIFY(!solution.isEmpty());
    const Walk walked = walk(givensBoard(givens, diagonal));
    QCOMPARE(unsoundStep(walked, solution), QString());
    QStringList made;
    const auto found =
        std::find_if(walked.steps.begin(), walked.steps.end(), [&](const Step& step) {
            if (step.technique == technique)
                made << notation(step);
            return step.technique == technique && notation(step) == removes;
        });
    QVERIFY2(found != walked.steps.end(), qPrintable(made.join(u'|')));
    const QString told = explanation(*found, walked.before[size_t(found - walked.steps.begin())]);
    QVERIFY2(told.endsWith(u'。') && told.contains(says), qPrintable(told));
    for (int cell : found->cells)
        QVERIFY2(told.contains(cellName(cell)), qPrintable(cellName(cell) + u' ' + told));
    QCOMPARE(forcingProofFault(*found, walked.before[size_t(found - walked.steps.begin())]),
             QString());
    if (std::any_of(found->units.begin(), found->units.end(), [](int u) { return u >= 27; }))
        QVERIFY2(told.contains(QStringLiteral("対角線")), qPrintable(told));
}

void TestNextStep::hardestStopsTheWalk_data()
{
    QTest::addColumn<QString>("givens");
    QTest::addColumn<Technique>("hardest");
    using T = Technique;
    const QString a = QStringLiteral(
        ".......782...1.54...724........2.78....3..4..1.......33.478...1.654..........5...");
    const QString d = QStringLiteral(
        "........821..95...96..1....7.....2...2..56..1........645.9.1..2..726.5.......87..");
    // The last technique of each family, and pointing, which stops before
    // the claiming that shares its search.
    QTest::newRow("singles") << a << T::HiddenSingle;
    QTest::newRow("pointing") << a << T::Pointing;
    QTest::newRow("claiming") << d << T::Claiming;
    QTest::newRow("subsets")
        << ".4.5.1.......9.......724...15..72....9.35.....63.....29.....7.14.....62...12.6..3"
        << T::HiddenQuad;
    QTest::newRow("fish")
        << ".2....8.........3..7.93..5....87.6..35.....2..........9....23...37.68...8....5..1"
        << T::Jellyfish;
    QTest::newRow("wings") << a << T::WWing;
    QTest::newRow("single-digit patterns") << a << T::TwoStringKite;
    QTest::newRow("colouring")
        << "17.......2.....9....8....7..9.8...6..6......53.16.9.....71....25........9..75..81"
        << T::SimpleColouring;
    QTest::newRow("chains") << a << T::AlternatingChain;
    QTest::newRow("grouped chains")
        << ".52..68.......7.2.......6....48..9..2..41......1.....8..61..38.....9...63..6..1.9"
        << T::GroupedAIC;
    QTest::newRow("almost locked sets")
        << "9.4..5...25.6..1..31......8.7...9...4..26......147....7.......2...3..8.6.4.....9."
        << T::AlsXz;
    QTest::newRow("converging forcing chains")
        << ".47.2....8....1....3....9.2.....5...6..81..5.....4.....7....3.4...9...1.4..27.8.."
        << T::UnitForcingChain;
}

// A walk told to stop at a technique uses it and nothing harder, and stops
// where only something harder would go on.
void TestNextStep::hardestStopsTheWalk()
{
    QFETCH(QString, givens);
    QFETCH(Technique, hardest);
    const Walk walked = walk(givensBoard(givens, false), hardest);
    QVERIFY(std::all_of(walked.steps.begin(), walked.steps.end(),
                        [&](const Step& step) { return step.technique <= hardest; }));
    QVERIFY(std::any_of(walked.steps.begin(), walked.steps.end(),
                        [&](const Step& step) { return step.technique == hardest; }));
    if (walked.end.solved)
        return;
    const Outcome beyond = next(applied(walked.before.back(), walked.steps.back()));
    QVERIFY(beyond.step && beyond.step->technique > hardest);
}

void TestNextStep::whatABoardSays_data()
{
    // 81 texts, '|' between; a text after '*' is a decided cell's.
    QTest::addColumn<QString>("board");
    QTest::addColumn<QString>("said");  // the contradiction, or the step's technique

    QStringList full(81, QStringLiteral("123456789"));
    QStringList emptyCell = full;
    emptyCell[40] = QStringLiteral("a");
    QTest::newRow("a cell left without a digit")
        << emptyCell.join(u'|') << "候補が矛盾しています：5行5列には入る数字がありません";
    QStringList twice = full;
    twice[0] = QStringLiteral("5");
    twice[8] = QStringLiteral("5");
    QTest::newRow("one digit twice in a row")
        << twice.join(u'|') << "候補が矛盾しています：1行目に5が二つあります（1行1列、1行9列）";
    QStringList noPlace = full;
    for (int c = 9; c < 18; ++c)
        noPlace[c] = QStringLiteral("12345689");
    QTest::newRow("a digit without a place in a row")
        << noPlace.join(u'|') << "候補が矛盾しています：2行目には7の入るマスがありません";
    // A decided cell whose text is no digit may hold any: nothing is wrong,
    // and with every digit everywhere nothing follows.
    QStringList noDigit = full;
    noDigit[40] = QStringLiteral("*");
    QTest::newRow("a decided cell without a digit") << noDigit.join(u'|') << "";
    // A cell of one digit, and a digit of one place in a row: the naked
    // single is the easier.
    QStringList both = full;
    both[0] = QStringLiteral("5");
    for (int c = 72; c < 80; ++c)
        both[c] = QStringLiteral("12345689");
    QTest::newRow("naked single before hidden single") << both.join(u'|') << "ネイキッドシングル";
}

void TestNextStep::whatABoardSays()
{
    QFETCH(QString, board);
    QFETCH(QString, said);
    Board b;
    const QStringList texts = board.split(u'|');
    for (int c = 0; c < 81; ++c) {
        b.decided[size_t(c)] = texts[c].startsWith(u'*');
        b.digits[size_t(c)] = digitsOf(texts[c]);
    }
    const Outcome outcome = next(b);
    QCOMPARE(outcome.contradiction ? explanation(*outcome.contradiction)
             : outcome.step        ? name(outcome.step->technique)
                                   : QString(),
             said);
}

// The hint reads the board as the form keeps it, decided cells as decided:
// a digit placed while 自動消去 is off is still among its peers' candidates,
// and that is a decided digit's peer removal, not a naked single. The form
// makes a hint's step as typed edits: each changed cell's text becomes its
// candidates, in the size its length calls for; 連続消去 stays as it was, so
// that it goes on from the step; the single-number display refuses a hint.
void TestNextStep::hintOnTheForm()
{
    Fixture placed;
    placed.form.Text2_click(6);
    placed.form.Text1_click(0);
    QCOMPARE(placed.form.decided[0], 1);
    const Outcome hint = placed.form.ShowHint();
    QVERIFY(hint.step);
    QCOMPARE(hint.step->technique, Technique::PeerRemoval);
    QCOMPARE(placed.form.Text3.Text, QStringLiteral("ヒント：確定数字の消去"));

    Fixture f;
    Step step;
    step.technique = Technique::HiddenSingle;
    step.placements = {{0, 7}};
    step.eliminations = {{1, 7}, {1, 3}};
    f.form.MakeHintStep(step);
    QCOMPARE(f.form.Text1[0].Text, QStringLiteral("7"));
    QCOMPARE(f.form.candidates[0], QStringLiteral("7"));
    QCOMPARE(f.form.Text1[0].FontSize, 28.0);
    QCOMPARE(f.form.Text1[1].Text, QStringLiteral("1245689"));
    QCOMPARE(f.form.candidates[1], QStringLiteral("1245689"));
    QCOMPARE(f.form.Text1[1].FontSize, 11.0);
    QCOMPARE(f.form.decided[0], 0);
    QCOMPARE(f.form.restorePending, 0);
    QCOMPARE(f.form.Text10.Text, QStringLiteral("連続消去"));
    QCOMPARE(f.form.Text3.Text, QStringLiteral("ヒントの手を進めました：ヒドゥンシングル"));
    // After the user's own edits, 元に戻す is still offered for them.
    f.form.Text1[2].Text = QStringLiteral("12");
    f.form.Text1_KeyUp(2, 0, 0);
    step.placements = {{3, 5}};
    step.eliminations.clear();
    f.form.MakeHintStep(step);
    QCOMPARE(f.form.restorePending, 1);

    Fixture single;
    single.form.Text2_click(4);
    clickSingleNumber(single.form);
    QCOMPARE(single.form.singleView, 1);
    const QString message = single.form.Text3.Text;
    const QString before = formState(single.form);
    QVERIFY(!single.form.ShowHint().step);
    QCOMPARE(single.form.Text3.Text, QStringLiteral("ヒントは全数表示に戻してから使えます"));
    single.form.Text3.Text = message;
    QCOMPARE(formState(single.form), before);
}

void TestNextStep::ratingOfAWalk_data()
{
    QTest::addColumn<QString>("givens");
    QTest::addColumn<QString>("rating");
    QTest::newRow("singles: beginner")
        << ".......19...3..5..57...92.6.27......64.28......1.6...7...8.5..41.......2.9..7...."
        << "難易度：初級（いちばん難しい手筋：ヒドゥンシングル）。";
    QTest::newRow("forcing: very hard")
        << ".......4...2..4..1.7..5..9...3..7....4..6....6..1..8...2....1..85.9...6.....8...3"
        << "難易度：超難問（いちばん難しい手筋：背理法の強制チェーン）。";
    QTest::newRow("stuck: no grade")
        << "1" + QString(80, u'.') << "難易度：なし（ここにある手筋だけでは解けません）。";
    QTest::newRow("contradicted: no grade")
        << "11" + QString(79, u'.') << "難易度：なし（候補が矛盾しています）。";
}

// A solved walk is graded by the family of its hardest step; one that stops
// short has no grade.
void TestNextStep::ratingOfAWalk()
{
    QFETCH(QString, givens);
    QFETCH(QString, rating);
    QCOMPARE(nextstep::rating(walk(givensBoard(givens, false))), rating);
}

QTEST_GUILESS_MAIN(TestNextStep)
#include "tst_nextstep.moc"
