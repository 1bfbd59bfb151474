// What the next step is called and how it is told, in Japanese.
#include <algorithm>
#include <map>

#include <QStringList>

#include "layout.h"
#include "nextstep.h"

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

// "（5行7列、5行8列）から7を消せます" when one digit goes, the list
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
        return QStringLiteral("（%1）から%2を消せます").arg(cellsText(cells), digitsText(digits));
    return QStringLiteral("次の候補を消せます：") + removalsText(step.eliminations);
}

QString peers(const Step& step)
{
    return step.diagonal ? QStringLiteral("同じ行・列・ブロック・対角線")
                         : QStringLiteral("同じ行・列・ブロック");
}

// The chain after its first node: every node after a strong link true if
// the first is false, every node after a weak link false.
QString chainText(const Chain& chain)
{
    QStringList nodes;
    for (size_t i = 1; i < chain.nodes.size(); ++i) {
        const ChainNode& k = chain.nodes[i];
        nodes << cellName(k.cell) +
                     (i % 2 == 0 ? QStringLiteral("が%1でない") : QStringLiteral("が%1"))
                         .arg(k.digit);
    }
    return nodes.join(QStringLiteral(" → "));
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
        return QStringLiteral("%1で%2が入るのは%3だけなので、%3は%2です")
            .arg(unitName(step.units.at(0)), digitsText(step.digits), cell(0));
    case Technique::Pointing:
    case Technique::Claiming:
        return QStringLiteral("%1の%2は%3にしかないので、%3のほかのマス")
                   .arg(unitName(step.units.at(0)), digitsText(step.digits),
                        unitName(step.units.at(1))) +
               removals(step);
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
    case Technique::Jellyfish: {
        const size_t n = step.units.size() / 2;
        const std::vector<int> base(step.units.begin(), step.units.begin() + long(n));
        const std::vector<int> cover(step.units.begin() + long(n), step.units.end());
        return QStringLiteral("%1の%2は%3にしかないので、%3のほかのマスには%2は入りません。")
                   .arg(unitsText(base), digitsText(step.digits), unitsText(cover)) +
               removals(step);
    }
    case Technique::FinnedXWing:
    case Technique::FinnedSwordfish: {
        const size_t n = (step.units.size() - 1) / 2;
        const std::vector<int> base(step.units.begin(), step.units.begin() + long(n));
        const std::vector<int> cover(step.units.begin() + long(n), step.units.end() - 1);
        const std::vector<int>& fins = std::get<Fish>(step.pattern).fins;
        return QStringLiteral(
                   "%1の%2は、フィン（%3）を除けば%4にしかありません。フィンが%2なら%5の、"
                   "そうでなければ%4のほかのマスの%2は消えるので、%4にあって%5にもあるマス")
                   .arg(unitsText(base), digitsText(step.digits), cellsText(fins), unitsText(cover),
                        unitName(step.units.back())) +
               removals(step);
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
    case Technique::XYZWing:
        return QStringLiteral(
                   "%1（%2）、%3（%4）、%5（%6）のどれかは%7なので、三つすべてと%8にあるマス")
                   .arg(cell(0), digitsText(digitsOfCell(0)), cell(1), digitsText(digitsOfCell(1)),
                        cell(2), digitsText(digitsOfCell(2)), QString::number(first), peers(step)) +
               removals(step);
    case Technique::WWing: {
        const int y = first;
        const Digits x = step.digits & ~bit(y);
        return QStringLiteral("%1と%2はどちらも%3です。%4の%5は%6と%7にしか入らないので、%1と%"
                              "2の両方が%5にはなれず、"
                              "どちらかは%8です。両方と%9にあるマス")
                   .arg(cell(0), cell(1), digitsText(step.digits), unitName(step.units.at(0)),
                        digitsText(x), cell(2), cell(3), QString::number(y), peers(step)) +
               removals(step);
    }
    case Technique::Skyscraper:
    case Technique::TwoStringKite:
        return QStringLiteral("%1は%2では%3と%4、%5では%6と%7にしか入りません。%3と%6は同時に%"
                              "1になれないので、"
                              "%4か%7が%1です。両方と%8にあるマス")
                   .arg(digitsText(step.digits), unitName(step.units.at(0)), cell(0), cell(1),
                        unitName(step.units.at(1)), cell(2), cell(3), peers(step)) +
               removals(step);
    case Technique::SimpleColouring: {
        const bool wrap = std::any_of(
            step.eliminations.begin(), step.eliminations.end(), [&](const Candidate& k) {
                return std::find(step.cells.begin(), step.cells.end(), k.cell) != step.cells.end();
            });
        QString text = QStringLiteral("%1が二か所にしか入らない行・列・ブロックで%"
                                      "1の入るマスをつなぎ、交互に二色で塗ると、"
                                      "どちらかの色のマスがすべて%1です。")
                           .arg(digitsText(step.digits));
        text += wrap
                    ? QStringLiteral("同じ色の二つのマスが%1にあるので、その色は%2ではありません。")
                          .arg(peers(step), digitsText(step.digits))
                    : QStringLiteral("両方の色のマスと%1にあるマスには%2は入りません。")
                          .arg(peers(step), digitsText(step.digits));
        return text + removals(step);
    }
    case Technique::XChain:
    case Technique::XYChain:
    case Technique::AlternatingChain: {
        const Chain& chain = std::get<Chain>(step.pattern);
        const ChainNode& start = chain.nodes.front();
        const ChainNode& end = chain.nodes.back();
        return QStringLiteral("%1とすると、%2。つまり%3の%4か%5の%"
                              "6のどちらかは正しいので、両方と両立しない候補は入りません。")
                   .arg(QStringLiteral("%1が%2でない").arg(cellName(start.cell)).arg(start.digit),
                        chainText(chain), cellName(start.cell), QString::number(start.digit),
                        cellName(end.cell), QString::number(end.digit)) +
               removals(step);
    }
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

}  // namespace nextstep
