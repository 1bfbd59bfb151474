// The board as start-up and clear-all leave it, and the controls as the window
// is built from them.
#include <QTest>

#include "testsupport.h"

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void startupState();
    void cellLayout_data();
    void cellLayout();
    void controlLayout_data();
    void controlLayout();
    void tabOrderCoversEveryControlOnce();
    void clearAllResets_data();
    void clearAllResets();
    void clearAllKeepsStashAndSavedGrid();
    void clearAllRefusedInSingleView();
};

void TestStartup::startupState()
{
    Fixture f;
    const Korvane& k = f.form;
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    QCOMPARE(k.diagonalMode, 0);
    QCOMPARE(k.singleView, 0);
    QCOMPARE(k.autoEliminate, 0);
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(k.hasSavedGrid, 0);
    for (int i = 0; i < Korvane::CellCount; ++i) {
        QCOMPARE(k.Text1[i].Text, QStringLiteral("123456789"));
        QCOMPARE(k.candidates[i], QStringLiteral("123456789"));
        QCOMPARE(k.Text1[i].FontSize, 11.0);
        QCOMPARE(k.Text1[i].ForeColor, Colors::Black);
        QCOMPARE(k.decided[i], 0);
    }
    for (int i = 0; i < 10; ++i)
        QCOMPARE(k.Text2[i].BackColor, Colors::Idle);
    QCOMPARE(k.Text2[10].BackColor, Colors::Active);
    QCOMPARE(k.Text10.Text, QStringLiteral("連続消去"));
    QCOMPARE(k.Text10.BackColor, Colors::Idle);
    QCOMPARE(k.Text4.Text, QStringLiteral("普通問題"));
    QCOMPARE(k.Text4.BackColor, Colors::NormalType);
    QCOMPARE(k.Text6.BackColor, Colors::Idle);
    QCOMPARE(k.Text3.Text,
             QStringLiteral("使用方法：右側枠の数字を選択し挿入したい場所をクリックします"));
    QVERIFY(f.port.calls.isEmpty());
}

void TestStartup::cellLayout_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<quint32>("back");
    QTest::newRow("top left, box 0") << 0 << 360 << 360 << Colors::CellEvenBox;
    QTest::newRow("row 0 col 3, box 1") << 3 << 2160 << 360 << Colors::CellOddBox;
    QTest::newRow("top right, box 2") << 8 << 5160 << 360 << Colors::CellEvenBox;
    QTest::newRow("row 3 col 0, box 3") << 27 << 360 << 2520 << Colors::CellOddBox;
    QTest::newRow("centre, box 4") << 40 << 2760 << 3240 << Colors::CellEvenBox;
    QTest::newRow("row 5 col 8, box 5") << 53 << 5160 << 3960 << Colors::CellOddBox;
    QTest::newRow("row 8 col 4, box 7") << 76 << 2760 << 6120 << Colors::CellOddBox;
    QTest::newRow("bottom right, box 8") << 80 << 5160 << 6120 << Colors::CellEvenBox;
}

void TestStartup::cellLayout()
{
    QFETCH(int, cell);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(quint32, back);
    Fixture f;
    const TextBox& t = f.form.Text1[cell];
    QCOMPARE(t.Left, left);
    QCOMPARE(t.Top, top);
    QCOMPARE(t.Width, 615);
    QCOMPARE(t.Height, 735);
    QCOMPARE(t.BackColor, back);
    QVERIFY(t.Centered);
    QVERIFY(t.MultiLine);
    QVERIFY(!t.Locked);
}

void TestStartup::controlLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<quint32>("back");
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<bool>("locked");

    // Texts as they stand after start-up; Text3, Text4 and Text10 were replaced.
    QTest::newRow("palette 1") << "Text2(0)"
                               << "1" << 6000 << 360 << 495 << 540 << Colors::Idle << 20.25 << true;
    QTest::newRow("palette 9") << "Text2(8)"
                               << "9" << 6000 << 4200 << 495 << 540 << Colors::Idle << 20.25
                               << true;
    QTest::newRow("partial undo") << "Text2(9)"
                                  << "部分\r\n取消\r\n"
                                  << 6000 << 5160 << 495 << 495 << Colors::Idle << 9.75 << true;
    QTest::newRow("correction") << "Text2(10)"
                                << "修正\r\n"
                                << 6000 << 4800 << 495 << 285 << Colors::Active << 9.75 << true;
    QTest::newRow("message line") << "Text3"
                                  << "使用方法：右側枠の数字を選択し挿入したい場所をクリックします"
                                  << 1560 << 7080 << 3015 << 495 << Colors::MessageLine << 9.0
                                  << true;
    QTest::newRow("puzzle type") << "Text4"
                                 << "普通問題" << 6000 << 7080 << 495 << 495 << Colors::NormalType
                                 << 9.75 << true;
    QTest::newRow("clear all") << "Text5"
                               << "全部\r\n取消\r\n"
                               << 6000 << 6600 << 495 << 495 << Colors::ClearAll << 9.75 << true;
    QTest::newRow("automatic elimination")
        << "Text6"
        << "自動消去\r\n"
        << 5280 << 7080 << 495 << 495 << Colors::Idle << 9.75 << false;
    QTest::newRow("single view") << "Text7"
                                 << "単数表示" << 6000 << 6120 << 495 << 495
                                 << Colors::DisplayButton << 9.75 << false;
    QTest::newRow("all numbers") << "Text8"
                                 << "全数表示" << 6000 << 5640 << 495 << 495
                                 << Colors::DisplayButton << 9.75 << false;
    QTest::newRow("data save") << "Text9(0)"
                               << "Data\r\nSave\r\n"
                               << 360 << 7080 << 495 << 495 << Colors::DataRest << 9.75 << false;
    QTest::newRow("data load") << "Text9(1)"
                               << "Data\r\nLoad\r\n"
                               << 960 << 7080 << 495 << 495 << Colors::DataRest << 9.75 << false;
    QTest::newRow("continuous elimination")
        << "Text10"
        << "連続消去" << 4680 << 7080 << 495 << 495 << Colors::Idle << 9.75 << true;
}

static const TextBox& control(const Korvane& k, const QString& name)
{
    if (name.startsWith(u"Text2("))
        return k.Text2[name.mid(6).chopped(1).toInt()];
    if (name.startsWith(u"Text9("))
        return k.Text9[name.mid(6).chopped(1).toInt()];
    const int n = name.mid(4).toInt();
    switch (n) {
    case 3:
        return k.Text3;
    case 4:
        return k.Text4;
    case 5:
        return k.Text5;
    case 6:
        return k.Text6;
    case 7:
        return k.Text7;
    case 8:
        return k.Text8;
    default:
        return k.Text10;
    }
}

void TestStartup::controlLayout()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(quint32, back);
    QFETCH(double, fontSize);
    QFETCH(bool, locked);
    Fixture f;
    const TextBox& t = control(f.form, name);
    QCOMPARE(t.Text, text);
    QCOMPARE(t.Left, left);
    QCOMPARE(t.Top, top);
    QCOMPARE(t.Width, width);
    QCOMPARE(t.Height, height);
    QCOMPARE(t.BackColor, back);
    QCOMPARE(t.FontSize, fontSize);
    QCOMPARE(t.Locked, locked);
}

void TestStartup::tabOrderCoversEveryControlOnce()
{
    Fixture f;
    const Korvane& k = f.form;
    QList<const TextBox*> inOrder = {&k.Text3, &k.Text4, &k.Text2[10], &k.Text5,    &k.Text6,
                                     &k.Text7, &k.Text8, &k.Text9[0],  &k.Text9[1], &k.Text10};
    for (int i = 9; i >= 0; --i)
        inOrder.prepend(&k.Text2[i]);
    for (int i = 80; i >= 0; --i)
        inOrder.prepend(&k.Text1[i]);
    QCOMPARE(inOrder.size(), 101);
    for (int i = 0; i < inOrder.size(); ++i)
        QCOMPARE(inOrder[i]->TabIndex, i);
}

void TestStartup::clearAllResets_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::newRow("digit selected") << "digit";
    QTest::newRow("diagonal type with automatic elimination") << "diagonal";
    QTest::newRow("conflict pending and restore offered") << "conflict";
}

void TestStartup::clearAllResets()
{
    QFETCH(QString, scenario);
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "5...3....");
    if (scenario == "digit") {
        k.Text2[10].BackColor = Colors::Idle;
        k.Text2[4].BackColor = Colors::Active;
        k.selectedValue = "5";
    } else if (scenario == "diagonal") {
        k.diagonalMode = 1;
        k.Text4.Text = "斜め問題";
        k.Text4.BackColor = Colors::Active;
        k.autoEliminate = 1;
        k.Text6.BackColor = Colors::Active;
    } else {
        k.conflictFlag = 1;
        k.restorePending = 1;
        k.Text10.Text = "元に戻す";
        k.Text10.BackColor = Colors::Active;
    }

    k.Text5_Click();

    Fixture fresh;
    QCOMPARE(boardTexts(k), boardTexts(fresh.form));
    QCOMPARE(k.decided, fresh.form.decided);
    QCOMPARE(k.selectedValue, QStringLiteral("11"));
    for (int i = 0; i < 11; ++i)
        QCOMPARE(k.Text2[i].BackColor, i == 10 ? Colors::Active : Colors::Idle);
    QCOMPARE(k.diagonalMode, 0);
    QCOMPARE(k.Text4.Text, QStringLiteral("普通問題"));
    QCOMPARE(k.Text4.BackColor, Colors::NormalType);
    QCOMPARE(k.autoEliminate, 0);
    QCOMPARE(k.Text6.BackColor, Colors::Idle);
    QCOMPARE(k.conflictFlag, 0);
    QCOMPARE(k.restorePending, 0);
    QCOMPARE(k.Text10.Text, QStringLiteral("連続消去"));
    QCOMPARE(k.Text10.BackColor, Colors::Idle);
}

void TestStartup::clearAllKeepsStashAndSavedGrid()
{
    Fixture f;
    Korvane& k = f.form;
    k.stashedText[3] = "47";
    k.savedGrid[7] = "9";
    k.hasSavedGrid = 1;
    k.Text5_Click();
    QCOMPARE(k.stashedText[3], QStringLiteral("47"));
    QCOMPARE(k.savedGrid[7], QStringLiteral("9"));
    QCOMPARE(k.hasSavedGrid, 0);
}

void TestStartup::clearAllRefusedInSingleView()
{
    Fixture f;
    Korvane& k = f.form;
    placeDecided(k, "7");
    k.singleView = 1;
    k.autoEliminate = 1;
    const QString before = boardTexts(k);
    k.Text5_Click();
    QCOMPARE(boardTexts(k), before);
    QCOMPARE(k.singleView, 1);
    QCOMPARE(k.autoEliminate, 1);
    QCOMPARE(k.decided[0], 1);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
