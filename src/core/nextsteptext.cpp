// What the next step is called and how it is told, in Japanese: as a
// patient teacher would, naming the cells of the pattern and the unit behind
// every "cannot both be", each text a sentence or more ending in 。.
#include <algorithm>
#include <map>

#include <QStringList>

#include "layout.h"
#include "nextstep.h"
#include "units.h"

namespace nextstep {

namespace {

// "3", "3と7", "3、5と7".
QString digitsText(Digits digits)
{
    QStringList list;
    for (int d = 1; d <= 9; ++d) {
        if (digits & bit(d))
            list << QString::number(d);
    }
    if (list.size() <= 1)
        return list.join(QString());
    const QString last = list.takeLast();
    return list.join(u'、') + u'と' + last;
}

QString cellsText(const std::vector<int>& cells)
{
    QStringList list;
    for (int c : cells)
        list << cellName(c);
    return list.join(u'、');
}

QString unitsText(const std::vector<int>& units)
{
    QStringList list;
    for (int u : units)
        list << unitName(u);
    return list.join(u'、');
}

// "5行7列の3と7、5行8列の3", cell by cell.
QString removalsText(const std::vector<Candidate>& eliminations)
{
    std::map<int, Digits> byCell;
    for (const Candidate& k : eliminations)
        byCell[k.cell] |= bit(k.digit);
    QStringList list;
    for (const auto& [cell, digits] : byCell)
        list << cellName(cell) + u'の' + digitsText(digits);
    return list.join(u'、');
}

// "（5行7列、5行8列）から7を消せます。" when one digit goes, the list
// otherwise.
QString removals(const Step& step)
{
    Digits digits = 0;
    std::vector<int> cells;
    for (const Candidate& k : step.eliminations) {
        digits |= bit(k.digit);
        if (std::find(cells.begin(), cells.end(), k.cell) == cells.end())
            cells.push_back(k.cell);
    }
    if (digits && !(digits & (digits - 1)))
        return QStringLiteral("（%1）から%2を消せます。").arg(cellsText(cells), digitsText(digits));
    return QStringLiteral("次の候補を消せます：") + removalsText(step.eliminations) + u'。';
}

QString peers(const Step& step)
{
    return step.diagonal ? QStringLiteral("同じ行・列・ブロック・対角線")
                         : QStringLiteral("同じ行・列・ブロック");
}

bool inUnit(int unit, int cell)
{
    const units::Unit& cells = units::all[size_t(unit)];
    return std::find(cells.begin(), cells.end(), cell) != cells.end();
}

// The first unit both cells lie in (rows, columns, boxes, then the
// diagonals on a diagonal board), or -1.
int sharedUnit(int a, int b, bool diagonal)
{
    for (int u = 0; u < (diagonal ? 29 : 27); ++u) {
        if (inUnit(u, a) && inUnit(u, b))
            return u;
    }
    return -1;
}

// "同じ5行目" for two cells, or what they share in general.
QString sameUnit(int a, int b, bool diagonal)
{
    const int u = sharedUnit(a, b, diagonal);
    return u < 0 ? QStringLiteral("同じ行・列・ブロック") : QStringLiteral("同じ") + unitName(u);
}

// A chain's node: "5行7列", or a grouped node "5行7列・5行8列".
QString nodeCells(const ChainNode& node)
{
    QStringList list;
    for (int c : node.cells)
        list << cellName(c);
    return list.join(u'・');
}

// A node true ("5行7列が3", "5行7列・5行8列のどちらかが3") or false.
QString nodeText(const ChainNode& node, bool isTrue)
{
    if (node.cells.size() == 1)
        return cellName(node.cells[0]) +
               (isTrue ? QStringLiteral("が%1") : QStringLiteral("が%1でない")).arg(node.digit);
    const QString which =
        node.cells.size() == 2 ? QStringLiteral("のどちらか") : QStringLiteral("のどれか");
    return nodeCells(node) + (isTrue ? which + QStringLiteral("が%1").arg(node.digit)
                                     : QStringLiteral("のどこにも%1がない").arg(node.digit));
}

// Why the link from the node before holds.
QString linkReason(const ChainNode& before, const ChainNode& node, bool strong, bool diagonal)
{
    if (before.digit != node.digit) {
        return strong ? QStringLiteral("（このマスには%1と%2しかない）")
                            .arg(before.digit)
                            .arg(node.digit)
                      : QStringLiteral("（同じマス）");
    }
    if (node.unit < 0)
        return QStringLiteral("（%1にある）")
            .arg(diagonal ? QStringLiteral("同じ行・列・ブロック・対角線")
                          : QStringLiteral("同じ行・列・ブロック"));
    return strong ? QStringLiteral("（%1で%2が入るのは残りここだけ）")
                        .arg(unitName(node.unit))
                        .arg(node.digit)
                  : QStringLiteral("（同じ%1）").arg(unitName(node.unit));
}

// The chain after its first node, each node with why it follows: every
// node after a strong link true if the one before is false, every node
// after a weak link false.
QString chainText(const Chain& chain, bool diagonal)
{
    QStringList nodes;
    for (size_t i = 1; i < chain.nodes.size(); ++i) {
        const bool strong = i % 2 == 1;
        nodes << nodeText(chain.nodes[i], strong) +
                     linkReason(chain.nodes[i - 1], chain.nodes[i], strong, diagonal);
    }
    return nodes.join(QStringLiteral(" → "));
}

QString fishText(const Step& step, const std::vector<int>& corners)
{
    const Fish& fish = std::get<Fish>(step.pattern);
    const QString digit = digitsText(step.digits);
    const QString base = unitsText(fish.base);
    const QString cover = unitsText(fish.cover);
    if (fish.fins.empty())
        return QStringLiteral("%1の%2は%3にしかなく、どれも%4の中にあります。%1のそれぞれに%2が一つ"
                              "入るので、%4の%2はすべてこれらのマスに入り、%4のほかのマス")
                   .arg(base, digit, cellsText(corners), cover) +
               removals(step);
    return QStringLiteral(
               "%1の%2は、フィン（%3）を除けば%4の中の%5にしかありません。フィンが%2なら%6の、"
               "そうでなければ%4のほかのマスの%2は消えるので、%4にあって%6にもあるマス")
               .arg(base, digit, cellsText(fish.fins), cover, cellsText(corners),
                    unitName(fish.finBox)) +
           removals(step);
}

// Simple colouring: the two colours, and the clash or the cells that see
// both.
QString colouringText(const Step& step)
{
    const Colouring& colouring = std::get<Colouring>(step.pattern);
    const QString digit = digitsText(step.digits);
    QString text =
        QStringLiteral("%1が二か所にしか入らないユニットで%1の入るマスをつなぎ、交互に"
                       "色を塗ると、赤（%2）か青（%3）のどちらかの色のマスがすべて%1で"
                       "す。")
            .arg(digit, cellsText(colouring.colours[0]), cellsText(colouring.colours[1]));
    for (int side = 0; side < 2; ++side) {
        const std::vector<int>& cells = colouring.colours[size_t(side)];
        for (size_t i = 0; i < cells.size(); ++i) {
            for (size_t j = i + 1; j < cells.size(); ++j) {
                const int u = sharedUnit(cells[i], cells[j], step.diagonal);
                if (u < 0)
                    continue;
                return text +
                       QStringLiteral("%1の%2と%3は同じ%4にあって、両方が%5にはなれないので、%1"
                                      "は%5ではありません。")
                           .arg(side == 0 ? QStringLiteral("赤") : QStringLiteral("青"),
                                cellName(cells[i]), cellName(cells[j]), unitName(u), digit) +
                       removals(step);
            }
        }
    }
    return text + QStringLiteral("赤と青の両方のマスと%1にあるマス").arg(peers(step)) +
           removals(step);
}

QString diagonalIntersectionText(const Step& step)
{
    QString text =
        QStringLiteral("%1の%2は%3のどれかに入ります。")
            .arg(unitName(step.units.at(0)), digitsText(step.digits), cellsText(step.cells));
    std::vector<int> seeing;
    for (const Candidate& k : step.eliminations) {
        if (std::find(seeing.begin(), seeing.end(), k.cell) == seeing.end())
            seeing.push_back(k.cell);
    }
    for (int c : seeing) {
        QStringList shared;
        for (int place : step.cells)
            shared << QStringLiteral("%1とは%2").arg(cellName(place), sameUnit(c, place, true));
        text += QStringLiteral("%1は%2にあります。").arg(cellName(c), shared.join(u'、'));
    }
    return text + QStringLiteral("どこに%1が入っても見えるマス").arg(digitsText(step.digits)) +
           removals(step);
}

QString alsText(const Step& step)
{
    const AlmostLockedSets& sets = std::get<AlmostLockedSets>(step.pattern);
    const auto setText = [&](int i) {
        return QStringLiteral("%1（%2の%3マス）には%4の%5種類しか入りません")
            .arg(cellsText(sets.cells[size_t(i)]), unitName(sets.units[size_t(i)]))
            .arg(sets.cells[size_t(i)].size())
            .arg(digitsText(sets.digits[size_t(i)]))
            .arg(sets.cells[size_t(i)].size() + 1);
    };
    QString text = setText(0) + u'。' + setText(1) + u'。';
    const QString restricted = digitsText(sets.restricted);
    const bool doubly = (sets.restricted & (sets.restricted - 1)) != 0;
    text += QStringLiteral("二つの組の%1のマスは互いに%2にあるので、%1が入るのは多くても一方だけで"
                           "す。")
                .arg(restricted, peers(step));
    if (!doubly) {
        const Digits z = (sets.digits[0] & sets.digits[1]) & ~sets.restricted;
        return text +
               QStringLiteral("%1の入らない組はほかの数字で埋まるので、%2はどちらかの組に入ります。"
                              "両方の組の%2のマスすべてと%3にあるマス")
                   .arg(restricted, digitsText(z), peers(step)) +
               removals(step);
    }
    return text +
           QStringLiteral(
               "どちらの組も、%1のうち一つとほかの数字すべてを持ちます。%1と、それぞれの"
               "組だけが持つ数字について、その組の中のその数字のマスすべてと%2にあるマス")
               .arg(restricted, peers(step)) +
           removals(step);
}

// One deduction of a forcing chain's branch, other than its assumption.
QString deductionText(const Branch& branch, const Deduction& deduction)
{
    const QString cell = cellName(deduction.cell);
    switch (deduction.reason) {
    case Deduction::Reason::Assumed:
        return QString();
    case Deduction::Reason::OnlyDigit:
        return QStringLiteral("%1は%2（ほかの数字が消える）").arg(cell).arg(deduction.digit);
    case Deduction::Reason::OnlyPlace:
        return QStringLiteral("%1は%2（%3で%2が入るのはここだけ）")
            .arg(cell)
            .arg(deduction.digit)
            .arg(unitName(deduction.unit));
    case Deduction::Reason::Seen: {
        const Deduction& by = branch.deductions.at(size_t(deduction.from.at(0)));
        const QString why =
            deduction.unit < 0
                ? QStringLiteral("ここには%1が入る").arg(by.digit)
                : QStringLiteral("%1と同じ%2").arg(cellName(by.cell), unitName(deduction.unit));
        return QStringLiteral("%1は%2でない（%3）").arg(cell).arg(deduction.digit).arg(why);
    }
    }
    return QString();
}

QString contradictionEnd(const Contradiction& c)
{
    switch (c.kind) {
    case Contradiction::Kind::EmptyCell:
        return QStringLiteral("%1に入る数字がなくなります").arg(cellName(c.cell));
    case Contradiction::Kind::DigitTwice:
        return QStringLiteral("%1に%2が二つになります").arg(unitName(c.unit)).arg(c.digit);
    case Contradiction::Kind::DigitWithoutPlace:
        return QStringLiteral("%1に%2の入るマスがなくなります").arg(unitName(c.unit)).arg(c.digit);
    }
    return QString();
}

// A branch after its assumption: "5行2列は7（…）→ 7行3列は5（…）".
QString branchText(const Branch& branch)
{
    QStringList steps;
    for (const Deduction& deduction : branch.deductions) {
        if (deduction.reason != Deduction::Reason::Assumed)
            steps << deductionText(branch, deduction);
    }
    if (branch.contradiction)
        steps << contradictionEnd(*branch.contradiction);
    return steps.join(QStringLiteral(" → "));
}

// "5行7列は3です。", "5行7列は3ではありません。"
QString resultText(const Step& step)
{
    if (!step.placements.empty())
        return QStringLiteral("%1は%2です。")
            .arg(cellName(step.placements[0].cell))
            .arg(step.placements[0].digit);
    return QStringLiteral("%1は%2ではありません。")
        .arg(cellName(step.eliminations[0].cell))
        .arg(step.eliminations[0].digit);
}

QString forcingText(const Step& step)
{
    const Forcing& forcing = std::get<Forcing>(step.pattern);
    if (step.technique == Technique::ContradictionForcingChain) {
        const Branch& branch = forcing.branches.at(0);
        const Deduction& assumed = branch.deductions.at(0);
        const QString cell = cellName(assumed.cell);
        const QString opening =
            assumed.placed ? QStringLiteral("%1が%2だとすると、").arg(cell).arg(assumed.digit)
                           : QStringLiteral("%1が%2でないとすると、").arg(cell).arg(assumed.digit);
        const QString ending =
            assumed.placed
                ? QStringLiteral("。よって%1は%2ではありません。").arg(cell).arg(assumed.digit)
                : QStringLiteral("。よって%1は%2です。").arg(cell).arg(assumed.digit);
        return opening + branchText(branch) + ending;
    }
    QString text;
    if (step.technique == Technique::CellForcingChain)
        text = QStringLiteral("%1には%2のどれかが入ります。")
                   .arg(cellName(step.cells.at(0)), digitsText(step.digits));
    else
        text = QStringLiteral("%1の%2は%3のどれかに入ります。")
                   .arg(unitName(step.units.at(0)), digitsText(step.digits), cellsText(step.cells));
    for (const Branch& branch : forcing.branches) {
        const Deduction& assumed = branch.deductions.at(0);
        const QString opening =
            step.technique == Technique::CellForcingChain
                ? QStringLiteral("%1なら：").arg(assumed.digit)
                : QStringLiteral("%1が%2なら：").arg(cellName(assumed.cell)).arg(assumed.digit);
        text += opening + branchText(branch) + u'。';
    }
    return text + QStringLiteral("どの場合も") + resultText(step);
}

}  // namespace

QString cellName(int cell)
{
    return layout::controls()[size_t(cell)].spokenName;
}

QString unitName(int unit)
{
    if (unit < 9)
        return QStringLiteral("%1行目").arg(unit + 1);
    if (unit < 18)
        return QStringLiteral("%1列目").arg(unit - 8);
    if (unit < 27)
        return QStringLiteral("ブロック%1").arg(unit - 17);
    return unit == 27 ? QStringLiteral("左上から右下への対角線")
                      : QStringLiteral("右上から左下への対角線");
}

QString name(Technique technique)
{
    switch (technique) {
    case Technique::PeerRemoval:
        return QStringLiteral("確定数字の消去");
    case Technique::NakedSingle:
        return QStringLiteral("ネイキッドシングル");
    case Technique::HiddenSingle:
        return QStringLiteral("ヒドゥンシングル");
    case Technique::Pointing:
        return QStringLiteral("ポインティング");
    case Technique::Claiming:
        return QStringLiteral("クレーミング");
    case Technique::DiagonalIntersection:
        return QStringLiteral("対角線の交差");
    case Technique::NakedPair:
        return QStringLiteral("ネイキッドペア");
    case Technique::HiddenPair:
        return QStringLiteral("ヒドゥンペア");
    case Technique::NakedTriple:
        return QStringLiteral("ネイキッドトリプル");
    case Technique::HiddenTriple:
        return QStringLiteral("ヒドゥントリプル");
    case Technique::NakedQuad:
        return QStringLiteral("ネイキッドクアッド");
    case Technique::HiddenQuad:
        return QStringLiteral("ヒドゥンクアッド");
    case Technique::XWing:
        return QStringLiteral("X-ウィング");
    case Technique::Swordfish:
        return QStringLiteral("ソードフィッシュ");
    case Technique::Jellyfish:
        return QStringLiteral("ジェリーフィッシュ");
    case Technique::XYWing:
        return QStringLiteral("XY-ウィング");
    case Technique::XYZWing:
        return QStringLiteral("XYZ-ウィング");
    case Technique::WWing:
        return QStringLiteral("W-ウィング");
    case Technique::Skyscraper:
        return QStringLiteral("スカイスクレイパー");
    case Technique::TwoStringKite:
        return QStringLiteral("2-ストリングカイト");
    case Technique::FinnedXWing:
        return QStringLiteral("フィン付きX-ウィング");
    case Technique::FinnedSwordfish:
        return QStringLiteral("フィン付きソードフィッシュ");
    case Technique::SimpleColouring:
        return QStringLiteral("シンプルカラーリング");
    case Technique::XChain:
        return QStringLiteral("X-チェーン");
    case Technique::XYChain:
        return QStringLiteral("XY-チェーン");
    case Technique::AlternatingChain:
        return QStringLiteral("AIC");
    case Technique::GroupedXChain:
        return QStringLiteral("グループX-チェーン");
    case Technique::GroupedAIC:
        return QStringLiteral("グループAIC");
    case Technique::AlsXz:
        return QStringLiteral("ALS-XZ");
    case Technique::CellForcingChain:
        return QStringLiteral("マスの強制チェーン");
    case Technique::UnitForcingChain:
        return QStringLiteral("ユニットの強制チェーン");
    case Technique::ContradictionForcingChain:
        return QStringLiteral("背理法の強制チェーン");
    }
    return QString();
}

QString explanation(const Step& step, const Board& board)
{
    const auto cell = [&](size_t i) { return cellName(step.cells.at(i)); };
    const auto digitsOfCell = [&](size_t i) { return board.digits[size_t(step.cells.at(i))]; };
    const int first = step.eliminations.empty() ? 0 : step.eliminations.front().digit;
    switch (step.technique) {
    case Technique::PeerRemoval:
        return QStringLiteral("%1は%2に確定しているので、%3のマス")
                   .arg(cell(0), digitsText(step.digits), peers(step)) +
               removals(step);
    case Technique::NakedSingle:
        return QStringLiteral("%1には%2しか残っていないので、%3のマス")
                   .arg(cell(0), digitsText(step.digits), peers(step)) +
               removals(step);
    case Technique::HiddenSingle:
        return QStringLiteral("%1で%2が入るのは%3だけなので、%3は%2です。")
            .arg(unitName(step.units.at(0)), digitsText(step.digits), cell(0));
    case Technique::Pointing:
    case Technique::Claiming:
        return QStringLiteral("%1の%2は%3の中の%4にしかないので、%3のほかのマス")
                   .arg(unitName(step.units.at(0)), digitsText(step.digits),
                        unitName(step.units.at(1)), cellsText(step.cells)) +
               removals(step);
    case Technique::DiagonalIntersection:
        return diagonalIntersectionText(step);
    case Technique::NakedPair:
    case Technique::NakedTriple:
    case Technique::NakedQuad:
        return QStringLiteral("%1の%2には%3しか入らないので、%1のほかのマスには%3は入りません。")
                   .arg(unitName(step.units.at(0)), cellsText(step.cells),
                        digitsText(step.digits)) +
               removals(step);
    case Technique::HiddenPair:
    case Technique::HiddenTriple:
    case Technique::HiddenQuad:
        return QStringLiteral("%1で%2が入るのは%3だけなので、そのマスにはほかの数字は入りません。")
                   .arg(unitName(step.units.at(0)), digitsText(step.digits),
                        cellsText(step.cells)) +
               removals(step);
    case Technique::XWing:
    case Technique::Swordfish:
    case Technique::Jellyfish:
        return fishText(step, step.cells);
    case Technique::FinnedXWing:
    case Technique::FinnedSwordfish: {
        const std::vector<int>& fins = std::get<Fish>(step.pattern).fins;
        std::vector<int> corners;
        for (int c : step.cells) {
            if (std::find(fins.begin(), fins.end(), c) == fins.end())
                corners.push_back(c);
        }
        return fishText(step, corners);
    }
    case Technique::XYWing: {
        const Digits x = digitsOfCell(0) & digitsOfCell(1);
        const Digits y = digitsOfCell(0) & ~x;
        return QStringLiteral("%1が%2なら%3が%5、%4なら%6が%5です。どちらでも%3か%6が%"
                              "5なので、両方と%7にあるマス")
                   .arg(cell(0), digitsText(x), cell(1), digitsText(y), QString::number(first),
                        cell(2), peers(step)) +
               removals(step);
    }
    case Technique::XYZWing: {
        const Digits z = digitsOfCell(1) & digitsOfCell(2);
        const Digits x = digitsOfCell(1) & ~z;
        const Digits y = digitsOfCell(2) & ~z;
        return QStringLiteral("%1（%2）が%3なら、%1自身が%3です。そうでなければ%1は%4か%5で、%4"
                              "なら%6が、%5なら%7が%3です。どの場合も三つのどれかが%3なので、三つ"
                              "すべてと%8にあるマス")
                   .arg(cell(0), digitsText(digitsOfCell(0)), digitsText(z), digitsText(x),
                        digitsText(y), cell(1), cell(2), peers(step)) +
               removals(step);
    }
    case Technique::WWing: {
        const int y = first;
        const Digits x = step.digits & ~bit(y);
        return QStringLiteral("%1と%2はどちらも%3です。%4の%5は%6と%7にしか入らず、%1と%6は%8、%"
                              "2と%7は%9にあるので、%1と%2の両方が%5にはなれません。どちらかは%10"
                              "なので、両方と%11にあるマス")
                   .arg(cell(0), cell(1), digitsText(step.digits), unitName(step.units.at(0)),
                        digitsText(x), cell(2), cell(3),
                        sameUnit(step.cells.at(0), step.cells.at(2), step.diagonal),
                        sameUnit(step.cells.at(1), step.cells.at(3), step.diagonal))
                   .arg(y)
                   .arg(peers(step)) +
               removals(step);
    }
    case Technique::Skyscraper:
    case Technique::TwoStringKite:
        return QStringLiteral("%1は%2では%3と%4、%5では%6と%7にしか入りません。%3と%6は同じ%8に"
                              "あって同時に%1になれないので、%4か%7が%1です。両方と%9にあるマス")
                   .arg(digitsText(step.digits), unitName(step.units.at(0)), cell(0), cell(1),
                        unitName(step.units.at(1)), cell(2), cell(3), unitName(step.units.at(2)),
                        peers(step)) +
               removals(step);
    case Technique::SimpleColouring:
        return colouringText(step);
    case Technique::XChain:
    case Technique::XYChain:
    case Technique::AlternatingChain:
    case Technique::GroupedXChain:
    case Technique::GroupedAIC: {
        const Chain& chain = std::get<Chain>(step.pattern);
        const ChainNode& start = chain.nodes.front();
        const ChainNode& end = chain.nodes.back();
        return QStringLiteral("%1とすると、%2。つまり「%3」と「%4」の少なくとも一方は正しいので、"
                              "両方と両立しない候補は入りません。")
                   .arg(nodeText(start, false), chainText(chain, step.diagonal),
                        nodeText(start, true), nodeText(end, true)) +
               removals(step);
    }
    case Technique::AlsXz:
        return alsText(step);
    case Technique::CellForcingChain:
    case Technique::UnitForcingChain:
    case Technique::ContradictionForcingChain:
        return forcingText(step);
    }
    return QString();
}

QString explanation(const Contradiction& contradiction)
{
    const QString lead = QStringLiteral("候補が矛盾しています：");
    switch (contradiction.kind) {
    case Contradiction::Kind::EmptyCell:
        return lead +
               QStringLiteral("%1には入る数字がありません").arg(cellName(contradiction.cell));
    case Contradiction::Kind::DigitTwice:
        return lead + QStringLiteral("%1に%2が二つあります（%3、%4）")
                          .arg(unitName(contradiction.unit))
                          .arg(contradiction.digit)
                          .arg(cellName(contradiction.other), cellName(contradiction.cell));
    case Contradiction::Kind::DigitWithoutPlace:
        return lead + QStringLiteral("%1には%2の入るマスがありません")
                          .arg(unitName(contradiction.unit))
                          .arg(contradiction.digit);
    }
    return lead;
}

QString notation(const Step& step)
{
    QStringList parts;
    std::vector<Candidate> placements = step.placements;
    std::vector<Candidate> eliminations = step.eliminations;
    std::sort(placements.begin(), placements.end());
    std::sort(eliminations.begin(), eliminations.end());
    for (const Candidate& k : placements)
        parts << QStringLiteral("r%1c%2=%3").arg(k.cell / 9 + 1).arg(k.cell % 9 + 1).arg(k.digit);
    for (const Candidate& k : eliminations)
        parts << QStringLiteral("r%1c%2<>%3").arg(k.cell / 9 + 1).arg(k.cell % 9 + 1).arg(k.digit);
    return parts.join(u' ');
}

QString name(Grade grade)
{
    switch (grade) {
    case Grade::Beginner:
        return QStringLiteral("初級");
    case Grade::Intermediate:
        return QStringLiteral("中級");
    case Grade::Advanced:
        return QStringLiteral("上級");
    case Grade::Hard:
        return QStringLiteral("難問");
    case Grade::VeryHard:
        return QStringLiteral("超難問");
    }
    return QString();
}

QString rating(const Walk& walk)
{
    if (walk.end.contradiction)
        return QStringLiteral("難易度：なし（候補が矛盾しています）。");
    if (walk.end.solved && walk.steps.empty())
        return QStringLiteral("難易度：なし（すべてのマスが決まっています）。");
    const std::optional<Grade> graded = grade(walk);
    if (!graded)
        return QStringLiteral("難易度：なし（ここにある手筋だけでは解けません）。");
    Technique hardest = Technique::PeerRemoval;
    for (const Step& step : walk.steps)
        hardest = std::max(hardest, step.technique);
    return QStringLiteral("難易度：%1（いちばん難しい手筋：%2）。")
        .arg(name(*graded), name(hardest));
}

}  // namespace nextstep
