// The view's rules that need no display: text in the form's boxes (its count,
// and cutting a text to fit), the parameters the form's events get, and
// where the window and its panel and dialogs stand on a screen.
#include <QTest>

#include "boxtext.h"
#include "formevents.h"
#include "textunits.h"
#include "windowfit.h"

using Spans = QList<textunits::Span>;
Q_DECLARE_METATYPE(textunits::Span)

class TestViewRules : public QObject {
    Q_OBJECT

private slots:
    void lineBreaksBetweenFormAndBox();
    void formLength_data();
    void formLength();
    void fitted_data();
    void fitted();
    void eventCodes_data();
    void eventCodes();
    void textUnits_data();
    void textUnits();
    void differenceOf_data();
    void differenceOf();
    void startScale_data();
    void startScale();
    void placeOnScreen_data();
    void placeOnScreen();
};

// The window starts at its own size where it fits, frame and all, else as
// large as fits, its proportions kept.
void TestViewRules::startScale_data()
{
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<double>("scale");
    const QMargins frame(1, 20, 1, 1);
    QTest::newRow("room to spare: its own size") << QSize(1024, 768) << frame << 1.0;
    QTest::newRow("just room for it and its frame") << QSize(463, 560) << frame << 1.0;
    QTest::newRow("1366x768 at 200 %: the height decides")
        << QSize(683, 384) << QMargins(1, 11, 1, 1) << 372.0 / 539;
    QTest::newRow("a tall narrow screen: the width decides")
        << QSize(400, 1000) << QMargins(2, 20, 2, 2) << 396.0 / 461;
    QTest::newRow("a screen reported as nothing") << QSize(0, 0) << frame << windowfit::FloorScale;
}

void TestViewRules::startScale()
{
    QFETCH(QSize, available);
    QFETCH(QMargins, frame);
    QFETCH(double, scale);
    const QSize natural(461, 539);
    const double fitted = windowfit::startScale(natural, frame, available);
    QCOMPARE(fitted, scale);
    // The window of that scale, as the layout rounds it, fits.
    const QSize framed = QSize(qRound(461 * fitted), qRound(539 * fitted)).grownBy(frame);
    QVERIFY(scale == windowfit::FloorScale ||
            (framed.width() <= available.width() && framed.height() <= available.height()));
    // The window of that size draws its layout at a scale that fills it.
    const QSize window(qRound(461 * fitted), qRound(539 * fitted));
    const double drawn = windowfit::scaleFor(natural, window);
    QCOMPARE(QSize(qRound(461 * drawn), qRound(539 * drawn)), window);
}

// Where the hint's panel stands beside the window, and a dialog over it,
// always inside the screen.
void TestViewRules::placeOnScreen_data()
{
    QTest::addColumn<bool>("dialog");  // centred over the window, or the panel beside it
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("at");
    const QRect wide(0, 0, 1920, 1080);
    const QRect small(0, 0, 1024, 768);
    const QSize panel(280, 150);
    QTest::newRow("panel: right of the window, level with its top")
        << false << QRect(100, 100, 400, 500) << panel << wide << QPoint(508, 100);
    QTest::newRow("panel: left, where the right has no room")
        << false << QRect(1500, 100, 400, 500) << panel << wide << QPoint(1212, 100);
    QTest::newRow("panel: below, where neither side has room")
        << false << QRect(280, 50, 470, 560) << panel << small << QPoint(280, 618);
    QTest::newRow("panel: above, where below has none either")
        << false << QRect(280, 200, 470, 560) << panel << small << QPoint(280, 42);
    QTest::newRow("panel: slid up along the window's side into the screen")
        << false << QRect(100, 700, 400, 300) << QSize(280, 500) << wide << QPoint(508, 580);
    QTest::newRow("panel: no room anywhere, over the edge of the side with most")
        << false << QRect(200, 0, 620, 768) << QSize(280, 300) << small << QPoint(744, 0);
    QTest::newRow("panel: on a second screen") << false << QRect(1930, 10, 303, 374) << panel
                                               << QRect(1920, 0, 683, 384) << QPoint(2241, 10);
    QTest::newRow("dialog: centred on the window")
        << true << QRect(100, 100, 400, 500) << QSize(200, 100) << wide << QPoint(200, 300);
    QTest::newRow("dialog: larger than the window, kept inside the screen")
        << true << QRect(0, 0, 300, 384) << QSize(628, 384) << QRect(0, 0, 683, 384)
        << QPoint(0, 0);
    QTest::newRow("dialog: over a window partly off the screen")
        << true << QRect(900, 600, 400, 500) << QSize(200, 100) << small << QPoint(824, 668);
}

void TestViewRules::placeOnScreen()
{
    QFETCH(bool, dialog);
    QFETCH(QRect, window);
    QFETCH(QSize, size);
    QFETCH(QRect, available);
    QFETCH(QPoint, at);
    const QPoint placed = dialog ? windowfit::centredOver(window, size, available)
                                 : windowfit::beside(window, size, available, 8);
    QCOMPARE(placed, at);
    QVERIFY(available.contains(QRect(placed, size)));
}

void TestViewRules::lineBreaksBetweenFormAndBox()
{
    QCOMPARE(boxtext::shown(QStringLiteral("部分\r\n取消\r\n")), QStringLiteral("部分\n取消\n"));
    QCOMPARE(boxtext::toForm(QStringLiteral("部分\n取消\n")), QStringLiteral("部分\r\n取消\r\n"));
    // A line break typed with Shift+Return is a line break to the form too.
    QCOMPARE(boxtext::toForm(QStringLiteral("1") + QChar::LineSeparator + u'2'),
             QStringLiteral("1\r\n2"));
}

void TestViewRules::formLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("nothing") << "" << 0;
    QTest::newRow("digits") << "123" << 3;
    QTest::newRow("CR LF is one line break, two characters") << "1\r\n2" << 4;
    QTest::newRow("LF alone") << "1\n2" << 4;
    QTest::newRow("CR alone") << "1\r2" << 4;
    QTest::newRow("CR CR LF is two line breaks") << "\r\r\n" << 4;
    QTest::newRow("line separator") << QString(QChar::LineSeparator) << 2;
    QTest::newRow("paragraph separator") << QString(QChar::ParagraphSeparator) << 2;
    QTest::newRow("a frame bound of the document") << QString(QChar(0xFDD1)) << 2;
    QTest::newRow("a character of two code units") << "😀" << 2;
}

void TestViewRules::formLength()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QCOMPARE(boxtext::formLength(text), length);
}

void TestViewRules::fitted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("room");
    QTest::addColumn<QString>("kept");

    const QString acute = QStringLiteral("\u0301");
    QTest::newRow("what fits is kept whole") << "123" << 3 << "123";
    QTest::newRow("cut to the room") << "12345" << 2 << "12";
    QTest::newRow("no room") << "1" << 0 << "";
    QTest::newRow("a line break needs two places") << "ab\r\ncd" << 3 << "ab";
    QTest::newRow("CR LF is never parted") << "ab\r\ncd" << 4 << "ab\r\n";
    QTest::newRow("nor a surrogate pair") << "x😀" << 2 << "x";
    QTest::newRow("a mark stays with its letter") << "e" + acute + "f" << 1 << "";
    QTest::newRow("the letter and its mark together") << "e" + acute + "f" << 2 << "e" + acute;
    QTest::newRow("a flag is two regional indicators")
        << QStringLiteral("🇯🇵🇯🇵") << 6 << QStringLiteral("🇯🇵");
    QTest::newRow("a million characters, cut at once") << QString(1'000'000, u'7') << 4 << "7777";
    QTest::newRow("a letter with more marks than room")
        << "a" + acute.repeated(2000) + "b" << 1000 << "";
    QTest::newRow("the cut just before such a letter")
        << "12" + QStringLiteral("a") + acute.repeated(2000) << 1000 << "12";
}

void TestViewRules::fitted()
{
    QFETCH(QString, text);
    QFETCH(int, room);
    QFETCH(QString, kept);
    QCOMPARE(boxtext::fitted(text, room), kept);
}

// The codes the form's events get, in the numbering of the platform the form
// was written for: virtual keys, the shift mask and mouse buttons.
void TestViewRules::eventCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expected");

    using namespace formevents;
    const Qt::KeyboardModifiers none;
    QTest::newRow("A") << keyCode(Qt::Key_A, none) << 0x41;
    QTest::newRow("Z with Shift") << keyCode(Qt::Key_Z, Qt::ShiftModifier) << 0x5A;
    QTest::newRow("0") << keyCode(Qt::Key_0, none) << 0x30;
    QTest::newRow("9") << keyCode(Qt::Key_9, none) << 0x39;
    QTest::newRow("5 on the keypad") << keyCode(Qt::Key_5, Qt::KeypadModifier) << 0x65;
    QTest::newRow("F1") << keyCode(Qt::Key_F1, none) << 0x70;
    QTest::newRow("F24") << keyCode(Qt::Key_F24, none) << 0x87;
    const QList<std::pair<Qt::Key, int>> named{
        {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},    {Qt::Key_Backtab, 0x09},
        {Qt::Key_Return, 0x0D},    {Qt::Key_Enter, 0x0D},  {Qt::Key_Shift, 0x10},
        {Qt::Key_Control, 0x11},   {Qt::Key_Alt, 0x12},    {Qt::Key_Escape, 0x1B},
        {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
        {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},   {Qt::Key_Left, 0x25},
        {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},  {Qt::Key_Down, 0x28},
        {Qt::Key_Insert, 0x2D},    {Qt::Key_Delete, 0x2E}, {Qt::Key_Meta, 0},
        {Qt::Key_Exclam, 0},       {Qt::Key_yen, 0},       {Qt::Key_F25, 0},
    };
    for (const auto& [key, code] : named)
        QTest::addRow("%s", qPrintable(QKeySequence(key).toString())) << keyCode(key, none) << code;

    QTest::newRow("no modifier") << shiftState(none) << 0;
    QTest::newRow("Shift") << shiftState(Qt::ShiftModifier) << 1;
    QTest::newRow("Ctrl") << shiftState(Qt::ControlModifier) << 2;
    QTest::newRow("Alt") << shiftState(Qt::AltModifier) << 4;
    QTest::newRow("all of them, and others the form has no bit for")
        << shiftState(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier |
                      Qt::KeypadModifier)
        << 7;
    QTest::newRow("left button") << buttonCode(Qt::LeftButton) << 1;
    QTest::newRow("right button") << buttonCode(Qt::RightButton) << 2;
    QTest::newRow("middle button") << buttonCode(Qt::MiddleButton) << 4;
    QTest::newRow("a button the form has no code for") << buttonCode(Qt::BackButton) << 0;
}

void TestViewRules::eventCodes()
{
    QFETCH(int, code);
    QFETCH(int, expected);
    QCOMPARE(code, expected);
}

// How a screen reader walks a box's text: every boundary type asked at
// every offset from before the start to past the end, against the units the
// text falls into.
void TestViewRules::textUnits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");  // QAccessible::TextBoundaryType
    QTest::addColumn<Spans>("units");

    using A = QAccessible;
    const auto each = [](int length, int step = 1) {
        Spans spans;
        for (int at = 0; at < length; at += step)
            spans.append({at, at + step});
        return spans;
    };
    const auto row = [](const char* name, const QString& text, A::TextBoundaryType type,
                        const Spans& units) { QTest::newRow(name) << text << int(type) << units; };
    for (const A::TextBoundaryType type : {A::CharBoundary, A::WordBoundary, A::SentenceBoundary,
                                           A::LineBoundary, A::ParagraphBoundary, A::NoBoundary})
        QTest::addRow("nothing, by %d", int(type)) << QString() << int(type) << Spans{};
    row("a decided digit, by character", "4", A::CharBoundary, {{0, 1}});
    row("a decided digit, by word", "4", A::WordBoundary, {{0, 1}});
    row("a decided digit, by line", "4", A::LineBoundary, {{0, 1}});
    row("two candidates, by character", "89", A::CharBoundary, {{0, 1}, {1, 2}});
    row("two candidates, by word", "89", A::WordBoundary, {{0, 2}});
    row("two candidates, by sentence", "89", A::SentenceBoundary, {{0, 2}});
    row("every candidate, by character", "123456789", A::CharBoundary, each(9));
    row("every candidate, by word", "123456789", A::WordBoundary, {{0, 9}});
    row("every candidate, whole", "123456789", A::NoBoundary, {{0, 9}});
    const QString caption = QStringLiteral("部分\n取消\n");
    row("a caption over two lines, by character", caption, A::CharBoundary, each(6));
    row("a caption over two lines, by word", caption, A::WordBoundary, {{0, 3}, {3, 6}});
    row("a caption over two lines, by line", caption, A::LineBoundary, {{0, 3}, {3, 6}});
    row("a caption over two lines, by paragraph", caption, A::ParagraphBoundary, {{0, 3}, {3, 6}});
    row("a last line without its break, by line", "Data\nSave", A::LineBoundary, {{0, 5}, {5, 9}});
    row("words with spaces before and between", " 12  3", A::WordBoundary,
        {{0, 1}, {1, 5}, {5, 6}});
    row("sentences", QStringLiteral("はい。 いいえ！"), A::SentenceBoundary, {{0, 4}, {4, 8}});
    row("a character of two code units", QStringLiteral("😀5"), A::CharBoundary, {{0, 2}, {2, 3}});
    row("a box full of typing, by character", QString(1000, u'7'), A::CharBoundary, each(1000));
    row("a box full of typing, by line", QString(500, u'7') + u'\n' + QString(499, u'7'),
        A::LineBoundary, {{0, 501}, {501, 1000}});
}

void TestViewRules::textUnits()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(Spans, units);
    using textunits::Span;
    const auto boundary = QAccessible::TextBoundaryType(type);
    const int length = int(text.size());
    // At the length lies the last unit, or an empty one after a unit that
    // the end of the text closes: a character, a line break.
    const bool lines =
        boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary;
    const bool closed =
        units.isEmpty() || boundary == QAccessible::CharBoundary || (lines && text.endsWith(u'\n'));
    Spans laidOut = units;
    if (closed)
        laidOut.append({length, length});
    for (int offset = -1; offset <= length + 1; ++offset) {
        Span here, before, after;
        if (offset >= 0 && offset <= length) {
            qsizetype at = std::find_if(laidOut.begin(), laidOut.end(),
                                        [&](Span u) { return offset < u.end; }) -
                           laidOut.begin();
            at = std::min(at, laidOut.size() - 1);
            here = laidOut[at];
            before = at > 0 ? laidOut[at - 1] : Span{0, 0};
            after = at + 1 < laidOut.size() && laidOut[at + 1].start < length
                        ? laidOut[at + 1]
                        : Span{length, length};
        }
        const QByteArray where = "offset " + QByteArray::number(offset);
        QVERIFY2(textunits::at(text, offset, boundary) == here, where);
        QVERIFY2(textunits::before(text, offset, boundary) == before, where);
        QVERIFY2(textunits::after(text, offset, boundary) == after, where);
        QCOMPARE(textunits::textOf(text, here),
                 here.start < 0 ? QString() : text.mid(here.start, here.end - here.start));
    }
}

// Where two texts differ, as the box tells a screen reader and its editor
// puts a form-side change in: the shared start and the shared end never
// overlap, so what changed is never of a negative length.
void TestViewRules::differenceOf_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("same");
    QTest::addColumn<int>("sameAtEnd");
    QTest::newRow("nothing changed") << "123"
                                     << "123" << 3 << 0;
    QTest::newRow("one removed inside") << "123456789"
                                        << "12346789" << 4 << 4;
    QTest::newRow("one added to a run of the same") << "11"
                                                    << "111" << 2 << 0;
    QTest::newRow("one taken from a run of the same") << "111"
                                                      << "11" << 2 << 0;
    QTest::newRow("all replaced") << "12"
                                  << "5" << 0 << 0;
    QTest::newRow("emptied") << "123"
                             << "" << 0 << 0;
}

void TestViewRules::differenceOf()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, same);
    QFETCH(int, sameAtEnd);
    const boxtext::Difference d = boxtext::differenceOf(before, after);
    QCOMPARE(int(d.same), same);
    QCOMPARE(int(d.sameAtEnd), sameAtEnd);
}

QTEST_GUILESS_MAIN(TestViewRules)
#include "tst_viewrules.moc"
