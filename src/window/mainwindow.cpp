#include "mainwindow.h"

#include <algorithm>

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMimeData>
#include <QShortcut>

namespace {

constexpr QSize ClientSize(461, 539);  // 6915 x 8085 twips
constexpr float TwipsPerPixel = 15.0f;

// The one local file a drag carries, or an empty string.
QString droppedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}

QString fileDialog(QWidget* parent, const QString& current)
{
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("問題ファイルを開く"), QFileInfo(current).absolutePath(),
        QStringLiteral("テキストファイル (*.txt);;すべてのファイル (*)"));
}

// The key code an input method reports while it composes text.
constexpr int InputMethodKey = 229;

// The form's shift mask: 1 Shift, 2 Ctrl, 4 Alt.
int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

// The form's mouse button: 1 left, 2 right, 4 middle.
int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

// The form's key code of a Qt key: the virtual-key numbering of the platform
// the form was written for. Keys it has no code for give 0.
int keyCode(int key, Qt::KeyboardModifiers modifiers)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return modifiers.testFlag(Qt::KeypadModifier) ? 0x60 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0;
    }
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Korvane"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvane-32.png")));
    setFixedSize(ClientSize);
    // The layout is drawn left to right. Qt's translation for a language
    // written right to left would mirror the boxes' alignment; the window
    // keeps its own direction whatever the locale.
    setLayoutDirection(Qt::LeftToRight);

    port_.setParent(this);
    port_.setBeforeOpen([this] { mirror(); });

    setAcceptDrops(true);
    chooseFile_ = fileDialog;
    connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this,
            &MainWindow::choosePuzzleFile);

    // Created in this order, later boxes lie over earlier ones where they
    // overlap: each cell over its left and upper neighbour, each digit button
    // over the one above.
    for (int i = 0; i < Korvane::CellCount; ++i) {
        TextBoxWidget* cell = addBox(form_.Text1[i], QStringLiteral("Text1_%1").arg(i),
                                     TextBoxWidget::DigitLineHeight);
        // A screen reader speaks the cell's place; its text is the value.
        cell->setAccessibleName(QStringLiteral("%1行%2列").arg(i / 9 + 1).arg(i % 9 + 1));
        connect(cell, &TextBoxWidget::clicked, this,
                [this, i] { run([&] { form_.Text1_click(i); }); });
        connect(cell, &TextBoxWidget::keyReleased, this,
                [this, i, cell](int key, Qt::KeyboardModifiers modifiers) {
                    cellKeyReleased(i, *cell, keyCode(key, modifiers), shiftState(modifiers));
                });
        // Queued: an input method may still be busy with its commit when the
        // handler opens a message box, and would hand the box's focus change
        // the same text a second time.
        connect(
            cell, &TextBoxWidget::inputCommitted, this,
            [this, i, cell] { cellKeyReleased(i, *cell, InputMethodKey, 0); },
            Qt::QueuedConnection);
    }
    for (int i = 0; i < int(form_.Text2.size()); ++i) {
        TextBoxWidget* button = addBox(form_.Text2[i], QStringLiteral("Text2_%1").arg(i));
        connect(button, &TextBoxWidget::clicked, this,
                [this, i] { run([&] { form_.Text2_click(i); }); });
    }
    addBox(form_.Text3, QStringLiteral("Text3"));
    connect(addBox(form_.Text4, QStringLiteral("Text4")), &TextBoxWidget::clicked, this,
            [this] { run([&] { form_.Text4_click(); }); });
    connect(addBox(form_.Text5, QStringLiteral("Text5")), &TextBoxWidget::clicked, this,
            [this] { run([&] { form_.Text5_Click(); }); });
    connect(addBox(form_.Text6, QStringLiteral("Text6")), &TextBoxWidget::clicked, this,
            [this] { run([&] { form_.Text6_Click(); }); });
    TextBoxWidget* single = addBox(form_.Text7, QStringLiteral("Text7"));
    connect(single, &TextBoxWidget::pressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at) {
                run([&] {
                    form_.Text7_MouseDown(buttonCode(button), shiftState(modifiers),
                                          float(at.x()) * TwipsPerPixel,
                                          float(at.y()) * TwipsPerPixel);
                });
            });
    connect(single, &TextBoxWidget::clicked, this, [this] { run([&] { form_.Text7_Click(); }); });
    connect(addBox(form_.Text8, QStringLiteral("Text8")), &TextBoxWidget::clicked, this,
            [this] { run([&] { form_.Text8_Click(); }); });
    for (int i = 0; i < int(form_.Text9.size()); ++i) {
        TextBoxWidget* button = addBox(form_.Text9[i], QStringLiteral("Text9_%1").arg(i));
        connect(button, &TextBoxWidget::clicked, this,
                [this, i] { run([&] { form_.Text9_click(i); }); });
    }
    connect(addBox(form_.Text10, QStringLiteral("Text10")), &TextBoxWidget::clicked, this,
            [this] { run([&] { form_.Text10_click(); }); });

    nameForScreenReaders();

    std::vector<Shown> byTabIndex = boxes_;
    std::stable_sort(byTabIndex.begin(), byTabIndex.end(), [](const Shown& a, const Shown& b) {
        return a.box->TabIndex < b.box->TabIndex;
    });
    for (size_t i = 1; i < byTabIndex.size(); ++i)
        QWidget::setTabOrder(byTabIndex[i - 1].widget, byTabIndex[i].widget);
}

MainWindow::~MainWindow()
{
    // A box that outlives the window must not call back into it.
    port_.setBeforeOpen({});
}

TextBoxWidget* MainWindow::addBox(TextBox& box, const QString& name, double lineHeight)
{
    auto* widget = new TextBoxWidget(box, lineHeight, this);
    widget->setObjectName(name);
    // The box edits itself as the user types; the form keeps the text.
    connect(widget, &TextBoxWidget::edited, this,
            [&box, widget] { box.Text = widget->formText(); });
    boxes_.push_back({&box, widget});
    return widget;
}

void MainWindow::nameForScreenReaders()
{
    // Captions change (連続消去 / 元に戻す, 普通問題 / 斜め問題) and some
    // break over lines, so every box other than a cell is named once for its
    // role; what it shows at the moment is its value.
    struct Role {
        const char* object;
        const char* name;
        const char* description;
    };
    static const Role roles[] = {
        {"Text2_9", "部分取消", "次にクリックしたマスの確定数字を取り消します"},
        {"Text2_10", "修正", "マスの候補をキー入力で修正します"},
        {"Text3", "メッセージ", ""},
        {"Text4", "問題の種類", "普通問題と斜め問題を切り替えます"},
        {"Text5", "全部取消", "盤面をすべて最初の状態に戻します"},
        {"Text6", "自動消去", "確定した数字を同じ行・列・ブロックの候補から自動で消去します"},
        {"Text7", "単数表示", "選んだ数字が入りうるマスだけを表示します"},
        {"Text8", "全数表示", "すべての候補の表示に戻ります"},
        {"Text9_0", "Data Save", "確定した数字を記憶します"},
        {"Text9_1", "Data Load", "記憶した数字、または mondai.txt の問題を読み込みます"},
        {"Text10", "連続消去",
         "候補が一つのマスを次々に確定します。キー入力で候補を修正した後は「元に戻す」になり、"
         "その修正を取り消します"},
    };
    for (const Role& role : roles) {
        TextBoxWidget* box = boxNamed(QLatin1String(role.object));
        box->setAccessibleName(QString::fromUtf8(role.name));
        box->setAccessibleDescription(QString::fromUtf8(role.description));
    }
    for (int digit = 1; digit <= 9; ++digit) {
        TextBoxWidget* button = boxNamed(QStringLiteral("Text2_%1").arg(digit - 1));
        button->setAccessibleName(QStringLiteral("数字%1").arg(digit));
        button->setAccessibleDescription(QStringLiteral("クリックしたマスにこの数字を置きます"));
    }
}

void MainWindow::mirror()
{
    for (const Shown& shown : boxes_)
        shown.widget->mirror(*shown.box);
}

template <typename Handler> void MainWindow::run(Handler&& handler)
{
    // A message box runs an event loop of its own; nothing that reaches the
    // window through it may start a second handler inside the first.
    if (running_)
        return;
    running_ = true;
    handler();
    running_ = false;
    mirror();
}

void MainWindow::openPuzzleFile(const QString& fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    run([&] { form_.OpenPuzzleFile(path); });
}

void MainWindow::choosePuzzleFile()
{
    // Opening is refused in the single-number display, as Data Load is; the
    // dialog is not offered for nothing.
    if (running_ || form_.singleView == 1)
        return;
    const QString chosen = chooseFile_(this, form_.puzzleFile);
    if (!chosen.isEmpty())
        openPuzzleFile(chosen);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (droppedFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openPuzzleFile(file);
}

void MainWindow::cellKeyReleased(int index, const TextBoxWidget& cell, int code, int shift)
{
    run([&] {
        form_.Text1[index].Text = cell.formText();
        form_.Text1_KeyUp(index, code, shift);
    });
}
