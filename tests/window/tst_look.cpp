// The window looks exactly as it is drawn in the reference screenshots in
// tests/window/look/, pixel for pixel, in every state it can show: start-up,
// a loaded puzzle, automatic elimination with marks and candidate lists of
// every length, the single-number display, a solved board, the conflict mark
// while its box is open, and all of these at twice the scale.
//
// KORVANE_UPDATE_LOOK=1 writes the screenshots instead of comparing; a
// mismatch leaves the actual picture beside the test as look-<state>.png.
#include <functional>
#include <memory>

#include <QDir>
#include <QPainter>
#include <QTest>

#include "gestures.h"

namespace {

// Brings a freshly started form into the state to look at.
using Scene = std::function<void(Korvane&)>;

void loaded(Korvane& k)
{
    k.OpenPuzzleFile(QStringLiteral(KORVANE_SAMPLES_DIR "/mondai.txt"));
}

void eliminating(Korvane& k)
{
    loaded(k);
    k.Text6_Click();
    // Candidate lists of every length in the bottom row, as typed edits
    // would show them.
    const QStringList typed{"", "12", "123", "1234", "12345", "123456", "1234567", "12345678"};
    for (int i = 0; i < typed.size(); ++i) {
        k.Text1[72 + i].Text = typed[i];
        k.Text1[72 + i].FontSize = Korvane::fontSizeForLength(typed[i].size());
    }
    k.Text2_click(4);
}

void singleView(Korvane& k)
{
    eliminating(k);
    k.Text7_MouseDown(1, 0, 0, 0);
    k.Text7_Click();
}

void solved(Korvane& k)
{
    loaded(k);
    k.Text6_Click();
    k.Text10_click();
    k.Text9_click(0);
}

QString lookFolder()
{
    return QStringLiteral(KORVANE_LOOK_DIR);
}

// The window as it is painted, at `scale` device pixels to a pixel. No box
// has the keyboard, so that no caret blinks in the picture.
QImage picture(MainWindow& window, qreal scale)
{
    if (QWidget* focus = window.focusWidget())
        focus->clearFocus();
    QImage image(window.size() * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    window.render(&image);
    return image;
}

}  // namespace

Q_DECLARE_METATYPE(Scene)

class TestLook : public QObject {
    Q_OBJECT

private slots:
    void window_data();
    void window();
    void boxAsItsEditor_data();
    void boxAsItsEditor();
};

void TestLook::window_data()
{
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<bool>("conflict");  // a box is open while the picture is taken

    const Scene startUp = [](Korvane&) {};
    const Scene diagonal = [](Korvane& k) {
        k.Text4_click();
        k.Text2_click(9);
    };
    const Scene conflict = [](Korvane& k) {
        eliminating(k);
        k.Text1[3].Text = QStringLiteral("5");
    };
    QTest::newRow("start-up") << startUp << 1.0 << false;
    QTest::newRow("loaded") << Scene(loaded) << 1.0 << false;
    QTest::newRow("eliminating") << Scene(eliminating) << 1.0 << false;
    QTest::newRow("single-view") << Scene(singleView) << 1.0 << false;
    QTest::newRow("solved") << Scene(solved) << 1.0 << false;
    QTest::newRow("diagonal") << diagonal << 1.0 << false;
    QTest::newRow("conflict") << conflict << 1.0 << true;
    QTest::newRow("start-up@2x") << startUp << 2.0 << false;
    QTest::newRow("eliminating@2x") << Scene(eliminating) << 2.0 << false;
    QTest::newRow("conflict@2x") << conflict << 2.0 << true;
}

void TestLook::window()
{
    QFETCH(Scene, scene);
    QFETCH(qreal, scale);
    QFETCH(bool, conflict);

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The picture is taken when the conflict's box would be open, with the
    // mark shown; any other box is a fault of the scene.
    QImage actual;
    FakePort answers;
    answers.onMsgBox = [&](const QString&, int) { actual = picture(window, scale); };
    window.messagePort().answerWith(&answers);
    scene(window.form());
    window.mirror();
    if (conflict)
        window.form().Text1_KeyUp(3, 0, 0);  // the typed 5 meets the 5 of its row
    else
        actual = picture(window, scale);
    QCOMPARE(answers.calls.size(), conflict ? 1 : 0);
    QVERIFY(!actual.isNull());

    const QString name = QStringLiteral("%1.png").arg(QString::fromLatin1(QTest::currentDataTag()));
    const QString reference = QDir(lookFolder()).filePath(name);
    if (qEnvironmentVariableIsSet("KORVANE_UPDATE_LOOK")) {
        QVERIFY(actual.save(reference));
        return;
    }
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!expected.isNull(), qPrintable(reference));
    actual.setDevicePixelRatio(1);
    if (actual == expected)
        return;
    actual.save(QStringLiteral("look-") + name);
    int differing = 0;
    QRect where;
    for (int y = 0; y < std::min(actual.height(), expected.height()); ++y) {
        for (int x = 0; x < std::min(actual.width(), expected.width()); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                ++differing;
                where |= QRect(x, y, 1, 1);
            }
        }
    }
    QFAIL(qPrintable(
        QStringLiteral("%1: %2 pixels differ within (%3,%4) %5x%6; sizes %7x%8 and %9x%10")
            .arg(name)
            .arg(differing)
            .arg(where.x())
            .arg(where.y())
            .arg(where.width())
            .arg(where.height())
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height())));
}

// A box paints itself exactly as the editor it takes up for the user does,
// for texts of every kind the form and the user can give it.
void TestLook::boxAsItsEditor_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    QTest::addColumn<qreal>("scale");

    const QStringList cells{"Text1_0", "Text1_40"};
    const QList<QPair<QString, double>> texts{
        {"123456789", 11},
        {"8", 28},
        {"＊", 28},
        {"1234", 14},
        {"", 14},
        {"12\r\n345\r\n\r\n6", 11},
        {"候補数字ですよ", 11},
        {"aعربيहिन्दीไทย\u0301é😀５", 11},
        {"עברית abc", 14},
        {QString(300, u'7'), 11},
        {"word wrapping at spaces here", 11},
        {QStringLiteral("a\u2028b"), 14},
    };
    for (qreal scale : {1.0, 2.0}) {
        for (const auto& [text, points] : texts) {
            QTest::addRow("%s at %gx: %s", "cell", scale, qPrintable(text.left(12)))
                << "Text1_40" << text << points << scale;
        }
        QTest::addRow("digit button at %gx", scale) << "Text2_4"
                                                    << "5" << 20.25 << scale;
        QTest::addRow("partial undo at %gx", scale) << "Text2_9"
                                                    << "部分\r\n取消\r\n"
                                                    << 9.75 << scale;
        QTest::addRow("message line at %gx", scale)
            << "Text3"
            << "単数表示されています　戻すには「全数表示」をクリックして下さい" << 9.0 << scale;
        QTest::addRow("Data Load at %gx", scale) << "Text9_1"
                                                 << "Data\r\nLoad\r\n"
                                                 << 9.75 << scale;
    }
}

void TestLook::boxAsItsEditor()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(qreal, scale);

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TextBox& control = controlNamed(window.form(), name);
    control.Text = text;
    control.FontSize = points;
    window.mirror();
    TextBoxWidget* box = boxNamed(window, name);
    QVERIFY(!box->editor());
    const QImage painted = picture(window, scale);
    box->edit();
    QVERIFY(box->editor());
    const QImage edited = picture(window, scale);
    if (painted != edited) {
        painted.save(QStringLiteral("look-box.png"));
        edited.save(QStringLiteral("look-editor.png"));
    }
    QVERIFY(painted == edited);
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
