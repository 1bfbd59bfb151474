// A box's picture: its text laid out as its editor lays it out, within the
// box, and where a point and a character lie in it.
#include <functional>
#include <memory>

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

#include "boxtext.h"
#include "gestures.h"
#include "puzzlefile.h"
#include "puzzles.h"

namespace {

// Where the ink of every line lies, in viewport pixels, and whether any line
// is wider than the box.
struct Ink {
    QRectF bounds;
    int lines = 0;
    bool tooWide = false;
};

// Laid out as the box lays it out, which is as its editor does.
Ink inkOf(TextBoxWidget& box)
{
    Ink ink;
    const QTextDocument* doc = box.edit()->document();
    const QFontMetricsF metrics(box.font());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty())
            continue;
        const QPointF origin = doc->documentLayout()->blockBoundingRect(block).topLeft();
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const QString text = block.text().mid(line.textStart(), line.textLength());
            QRectF glyphs = metrics.tightBoundingRect(text);
            glyphs.translate(origin +
                             QPointF(line.cursorToX(line.textStart()), line.y() + line.ascent()));
            ink.bounds = ink.bounds.isNull() ? glyphs : ink.bounds.united(glyphs);
            ink.tooWide = ink.tooWide || line.naturalTextWidth() > line.width() + 0.01;
            ++ink.lines;
        }
    }
    return ink;
}

}  // namespace

class TestBoxPicture : public WindowTestCase {
    Q_OBJECT

private slots:
    void textsFitTheirBoxes_data();
    void textsFitTheirBoxes();
    void pictureHitTesting_data();
    void pictureHitTesting();
};

void TestBoxPicture::textsFitTheirBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");  // empty: the text the window starts with
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("lines");  // 0: as many as it takes

    QTest::newRow("all candidates, 11 points") << "Text1_40"
                                               << "123456789" << 11.0 << 0;
    QTest::newRow("six candidates, 14 points") << "Text1_40"
                                               << "134679" << 14.0 << 0;
    QTest::newRow("decided digit, 28 points") << "Text1_40"
                                              << "8" << 28.0 << 1;
    QTest::newRow("conflict mark, 28 points") << "Text1_40"
                                              << "＊" << 28.0 << 1;
    QTest::newRow("palette digit") << "Text2_7"
                                   << "" << 20.25 << 1;
    QTest::newRow("correction") << "Text2_10"
                                << "" << 9.75 << 1;
    QTest::newRow("partial undo") << "Text2_9"
                                  << "" << 9.75 << 2;
    QTest::newRow("Data Save keeps its words whole") << "Text9_0"
                                                     << "" << 9.75 << 2;
    QTest::newRow("Data Load keeps its words whole") << "Text9_1"
                                                     << "" << 9.75 << 2;
    QTest::newRow("automatic elimination") << "Text6"
                                           << "" << 9.75 << 2;
    QTest::newRow("restore") << "Text10"
                             << "元に戻す" << 9.75 << 2;
    QTest::newRow("usage text") << "Text3"
                                << "" << 9.0 << 2;
    QTest::newRow("single-number message")
        << "Text3"
        << "単数表示されています　戻すには「全数表示」をクリックして下さい" << 9.0 << 2;
}

void TestBoxPicture::textsFitTheirBoxes()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(int, lines);

    TextBox& b = controlNamed(window->form(), name);
    if (!text.isEmpty())
        b.Text = text;
    b.FontSize = points;
    window->mirror();

    TextBoxWidget* widget = box(name);
    const Ink ink = inkOf(*widget);
    const QRect inside = widget->editor()->viewport()->rect();
    QVERIFY2(!ink.tooWide, "a line is wider than its box");
    // The glyph boxes are whole pixels, up to one more than the ink.
    QVERIFY2(ink.bounds.top() >= -1 && ink.bounds.bottom() <= inside.height() + 1,
             qPrintable(QStringLiteral("ink from %1 to %2 in a box %3 high")
                            .arg(ink.bounds.top())
                            .arg(ink.bounds.bottom())
                            .arg(inside.height())));
    QVERIFY(ink.bounds.left() >= -1 && ink.bounds.right() <= inside.width() + 1);
    if (lines > 0)
        QCOMPARE(ink.lines, lines);
}

// Where a box's picture puts each character is where its editor does, and
// a point on a character finds that character again.
void TestBoxPicture::pictureHitTesting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");  // empty: the text the window starts with

    QTest::newRow("all candidates, over three lines") << "Text1_40"
                                                      << "";
    QTest::newRow("a decided digit") << "Text1_40"
                                     << "8";
    QTest::newRow("candidates with a line break") << "Text1_40"
                                                  << "12\r\n3";
    QTest::newRow("a caption of two lines") << "Text9_1"
                                            << "";
    QTest::newRow("the message line, wrapped") << "Text3"
                                               << "";
    QTest::newRow("centred on a button") << "Text7"
                                         << "";
    QTest::newRow("more lines than the box shows") << "Text1_40"
                                                   << "123456789123456789123456789";
}

void TestBoxPicture::pictureHitTesting()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    if (!text.isEmpty()) {
        TextBox& b = controlNamed(window->form(), name);
        b.Text = text;
        b.FontSize = Korvane::fontSizeForLength(text.size());
        window->mirror();
    }
    TextBoxWidget* widget = box(name);
    BoxPicture& picture = widget->picture();
    QTextEdit* editor = widget->edit();
    const QPoint viewport = editor->viewport()->mapTo(widget, QPoint());
    const QString shown = widget->toPlainText();
    for (int i = 0; i < shown.size(); ++i) {
        const QRectF place = picture.characterRect(i);
        const QString at = QStringLiteral("offset %1 of \"%2\"").arg(i).arg(shown);
        QTextCursor cursor(editor->document());
        cursor.setPosition(i);
        const QRect caret = editor->cursorRect(cursor).translated(viewport);
        // A character below the box has no place in it.
        if (caret.top() >= widget->height())
            QVERIFY2(place.isEmpty(), qPrintable(at));
        if (place.isEmpty() && shown[i] != u'\n') {
            // Only a line the box does not show has no place.
            QVERIFY2(caret.top() >= widget->height() - 2, qPrintable(at));
            continue;
        }
        QVERIFY2(qAbs(place.left() - caret.left()) <= 1, qPrintable(at));
        QVERIFY2(place.top() <= caret.center().y() && caret.center().y() <= place.bottom(),
                 qPrintable(at));
        if (shown[i] != u'\n') {
            const QPointF onIt(place.left() + place.width() / 4, place.center().y());
            QVERIFY2(picture.offsetAt(onIt) == i, qPrintable(at));
        }
    }
    QCOMPARE(picture.characterRect(int(shown.size())), QRectF());
    // Past the end of every line, the end of the text the box shows.
    if (!picture.taller())
        QCOMPARE(picture.offsetAt(QPointF(widget->width(), widget->height())), int(shown.size()));
}

QTEST_MAIN(TestBoxPicture)
#include "tst_boxpicture.moc"
