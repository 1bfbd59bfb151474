// The window as a screen reader meets it, on the Qt side of the bridge: each
// box one object with its name, role, text, states and actions, and the
// events a reader follows. It runs on X with an accessibility bus, so that
// accessibility is on, with a recorder installed before the first box: it
// hears what the platform's bridge would.
#include <limits>

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include "boxaccessible.h"
#include "gestures.h"
#include "puzzles.h"

namespace {

struct Heard {
    QAccessible::Event type;
    QObject* object;
    QString text;  // inserted or removed text, or the name of what showed
};
QList<Heard> heard;

void record(QAccessibleEvent* event)
{
    QString text;
    if (event->type() == QAccessible::TextInserted)
        text = static_cast<QAccessibleTextInsertEvent*>(event)->textInserted();
    else if (event->type() == QAccessible::TextRemoved)
        text = static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved();
    else if (event->type() == QAccessible::TextUpdated)
        text = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
    else if (event->type() == QAccessible::ObjectShow && event->accessibleInterface())
        text = event->accessibleInterface()->text(QAccessible::Name);
    heard.append({event->type(), event->object(), text});
}

bool isTextEvent(QAccessible::Event type)
{
    return type == QAccessible::TextInserted || type == QAccessible::TextRemoved ||
           type == QAccessible::TextUpdated;
}

// The tests of what a reader hears need a platform with a bridge.
#define NEEDS_EVENTS()                                                                             \
    do {                                                                                           \
        if (!QAccessible::isActive())                                                              \
            QSKIP("no accessibility bus here; heard in e2e_screen_reader");                        \
    } while (false)

QAccessibleInterface* readerOf(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyControl_data();
    void everyControl();
    void cellsSayWhatTheirColourShows();
    void oneTextObjectPerBox();
    void pressActionsPlay();
    void checkedStates();
    void editsGoInAsTyping();
    void textQuestions_data();
    void textQuestions();
    void newsIsAnnounced();
    void hostileOffsets_data();
    void hostileOffsets();
    void eventsAReaderFollows();

private:
    std::unique_ptr<MainWindow> window;
    TextBoxWidget* box(const QString& name) { return boxNamed(*window, name); }
};

void TestAccessibility::initTestCase()
{
    QAccessible::installUpdateHandler(record);
    // On X with an accessibility bus (tests/e2e), the platform's bridge turns
    // accessibility on and the events a reader follows are heard. Qt's
    // offscreen platform has no bridge: there the objects, their texts and
    // places are asked, and the tests of events wait for the bus.
    if (QGuiApplication::platformName() == u"xcb")
        QTRY_VERIFY2(QAccessible::isActive(),
                     "no accessibility bus: run through tests/e2e/screen-reader.sh");
}

void TestAccessibility::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    heard.clear();
}

void TestAccessibility::cleanup()
{
    window.reset();
}

// Name, role, actions and text of every control.
void TestAccessibility::everyControl_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<bool>("press");

    using A = QAccessible;
    for (int i = 0; i < Korvane::CellCount; ++i) {
        QTest::addRow("cell %d", i)
            << QStringLiteral("Text1_%1").arg(i)
            << QStringLiteral("%1行%2列、候補").arg(i / 9 + 1).arg(i % 9 + 1) << A::EditableText
            << true;
    }
    for (int d = 1; d <= 9; ++d)
        QTest::addRow("digit %d", d) << QStringLiteral("Text2_%1").arg(d - 1)
                                     << QStringLiteral("数字%1").arg(d) << A::RadioButton << true;
    // The message line, the puzzle type and 連続消去 are named by what they
    // show.
    const QList<std::tuple<const char*, const char*, QAccessible::Role, bool>> others{
        {"Text2_9", "部分取消", A::RadioButton, true},
        {"Text2_10", "修正", A::RadioButton, true},
        {"Text3", "使用方法：右側枠の数字を選択し挿入したい場所をクリックします", A::StaticText,
         false},
        {"Text4", "普通問題", A::Button, true},
        {"Text5", "全部取消", A::Button, true},
        {"Text6", "自動消去", A::CheckBox, true},
        {"Text7", "単数表示", A::CheckBox, true},
        {"Text8", "全数表示", A::Button, true},
        {"Text9_0", "Data Save", A::Button, true},
        {"Text9_1", "Data Load", A::Button, true},
        {"Text10", "連続消去", A::Button, true},
    };
    for (const auto& [name, spoken, role, press] : others)
        QTest::newRow(name) << name << QString::fromUtf8(spoken) << role << press;
}

void TestAccessibility::everyControl()
{
    QFETCH(QString, name);
    QFETCH(QString, spoken);
    QFETCH(QAccessible::Role, role);
    QFETCH(bool, press);

    QAccessibleInterface* reader = readerOf(box(name));
    QVERIFY(reader);
    QCOMPARE(reader->text(QAccessible::Name), spoken);
    QCOMPARE(reader->role(), role);
    QCOMPARE(reader->actionInterface()->actionNames().contains(
                 QAccessibleActionInterface::pressAction()),
             press);
    QCOMPARE(reader->state().editable, !box(name)->isReadOnly());
    QVERIFY(reader->state().focusable);
    QAccessibleTextInterface* text = reader->textInterface();
    QVERIFY(text);
    const QString shown = box(name)->toPlainText();
    QCOMPARE(text->characterCount(), int(shown.size()));
    QCOMPARE(text->text(0, text->characterCount()), shown);
    QCOMPARE(reader->editableTextInterface() != nullptr, !box(name)->isReadOnly());
    // A pressable box tells how the keyboard clicks it.
    if (press) {
        QVERIFY2(reader->text(QAccessible::Description).contains(QStringLiteral("Enter")),
                 qPrintable(reader->text(QAccessible::Description)));
    }
}

void TestAccessibility::cellsSayWhatTheirColourShows()
{
    Korvane& form = window->form();
    form.Text6_Click();
    form.Text2_click(4);
    form.Text1_click(40);  // a decided 5
    setCandidates(form, 0, QStringLiteral("123"));
    window->mirror();
    // Said in a word with the name, and in a sentence with the keys.
    const auto said = [this](int cell) {
        QAccessibleInterface* reader = readerOf(box(QStringLiteral("Text1_%1").arg(cell)));
        return reader->text(QAccessible::Name) + u'|' + reader->text(QAccessible::Description);
    };
    QVERIFY2(said(40).startsWith(QStringLiteral("5行5列、確定|確定した数字")),
             qPrintable(said(40)));
    QVERIFY2(said(0).startsWith(QStringLiteral("1行1列、候補|候補の数字")), qPrintable(said(0)));
    // Row 4 has its 5 in cell 40; row 0 loses every 5 but one by hand.
    for (int cell = 1; cell < 9; ++cell)
        setCandidates(form, cell, QStringLiteral("12346789"));
    form.FindHiddenSingles();
    window->mirror();
    QCOMPARE(box("Text1_0")->toPlainText(), QStringLiteral("123"));
    QVERIFY(said(0).startsWith(QStringLiteral("1行1列、候補|候補の数字")));
    setCandidates(form, 0, QStringLiteral("1235"));
    form.FindHiddenSingles();
    window->mirror();
    QCOMPARE(box("Text1_0")->toPlainText(), QStringLiteral("5"));
    QVERIFY2(
        said(0).startsWith(QStringLiteral("1行1列、ここにしか入らない|ここにしか入らない数字")),
        qPrintable(said(0)));
    QVERIFY(said(0).contains(QStringLiteral("Alt+矢印キー")));
}

// While a box holds an editor, it is still one object with the same text:
// no child, no second object under the same name.
void TestAccessibility::oneTextObjectPerBox()
{
    TextBoxWidget* cell = box("Text1_22");
    QAccessibleInterface* reader = readerOf(cell);
    cell->takeFocus(Qt::TabFocusReason);
    QTRY_VERIFY(cell->editor() && cell->editor()->hasFocus());
    QCOMPARE(reader->childCount(), 0);
    QVERIFY(reader->state().focused);
    QAccessibleTextInterface* text = reader->textInterface();
    QCOMPARE(text->text(0, -1), QStringLiteral("123456789"));

    QTextCursor cursor = cell->editor()->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    cell->editor()->setTextCursor(cursor);
    QCOMPARE(text->cursorPosition(), 5);
    QCOMPARE(text->selectionCount(), 1);
    int start = 0, end = 0;
    text->selection(0, &start, &end);
    QCOMPARE(QPair(start, end), QPair(2, 5));
    // A character's place, and the character at a place, as the editor has
    // them.
    const QRect third = text->characterRect(2);
    QVERIFY(!third.isEmpty());
    QCOMPARE(text->offsetAtPoint(third.center() - QPoint(third.width() / 4, 0)), 2);
    // A point outside the box is at no offset of it.
    QCOMPARE(text->offsetAtPoint(cell->mapToGlobal(QPoint(-3, -3))), -1);
    QCOMPARE(text->offsetAtPoint(cell->mapToGlobal(QPoint(cell->width() + 3, 4))), -1);
    // A backwards selection is told from its start to its end.
    cursor.setPosition(6);
    cursor.setPosition(1, QTextCursor::KeepAnchor);
    cell->editor()->setTextCursor(cursor);
    text->selection(0, &start, &end);
    QCOMPARE(QPair(start, end), QPair(1, 6));
    // A caret a reader sets goes to the editor the user works in.
    text->setCursorPosition(4);
    QCOMPARE(cell->editor()->textCursor().position(), 4);
    QCOMPARE(text->cursorPosition(), 4);

    // The window's focus is the box, never the editor.
    bool editorHeard = false;
    for (const Heard& h : std::as_const(heard))
        editorHeard = editorHeard || h.object == cell->editor();
    QVERIFY(!editorHeard);
}

// A press action does what a click does, in the same order: the palette,
// a cell, and the single-number display's press before its click.
void TestAccessibility::pressActionsPlay()
{
    const auto press = [this](const char* name) {
        readerOf(box(name))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCoreApplication::sendPostedEvents();
    };
    press("Text2_4");
    QCOMPARE(window->form().selectedValue, QStringLiteral("5"));
    press("Text1_30");
    QCOMPARE(box("Text1_30")->toPlainText(), QStringLiteral("5"));
    press("Text2_2");
    press("Text7");
    QCOMPARE(window->form().singleView, 1);
    QVERIFY(box("Text3")->toPlainText().startsWith(QStringLiteral("単数表示")));
    // The display drew on the stash its own press had just taken: the 5
    // placed shows no 3.
    QCOMPARE(box("Text1_30")->toPlainText(), QStringLiteral(" "));
    QCOMPARE(box("Text1_31")->toPlainText(), QStringLiteral("3"));
    press("Text8");
    QCOMPARE(window->form().singleView, 0);
}

void TestAccessibility::checkedStates()
{
    const auto checked = [this](const char* name) {
        const QAccessible::State s = readerOf(box(name))->state();
        return s.checkable ? int(s.checked) : -1;
    };
    QCOMPARE(checked("Text6"), 0);
    QCOMPARE(checked("Text7"), 0);
    QCOMPARE(checked("Text2_10"), 1);  // correction, the palette's resting choice
    QCOMPARE(checked("Text2_2"), 0);
    QCOMPARE(checked("Text5"), -1);
    QCOMPARE(checked("Text4"), -1);  // said by its caption instead
    clickAll(*window, {"Text6", "Text4", "Text2_2", "Text7"});
    QCOMPARE(checked("Text6"), 1);
    QCOMPARE(checked("Text7"), 1);
    QCOMPARE(checked("Text2_2"), 1);
    QCOMPARE(checked("Text2_10"), 0);
    QCOMPARE(readerOf(box("Text4"))->text(QAccessible::Name), QStringLiteral("斜め問題"));
    NEEDS_EVENTS();
    int changes = 0;
    for (const Heard& h : std::as_const(heard))
        changes += h.type == QAccessible::StateChanged && h.object == box("Text6");
    QCOMPARE(changes, 1);
}

// A reader's edit is typing: bounded, and the form's handler runs after it.
void TestAccessibility::editsGoInAsTyping()
{
    QAccessibleEditableTextInterface* edit = readerOf(box("Text1_12"))->editableTextInterface();
    edit->replaceText(0, 9, QStringLiteral("５７"));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(window->form().candidates[12], QStringLiteral("57"));
    QCOMPARE(box("Text1_12")->toPlainText(), QStringLiteral("57"));
    QCOMPARE(window->form().restorePending, 1);
    edit->insertText(2, QString(5000, u'1'));
    QCOMPARE(window->form().Text1[12].Text.size(), 1000);
    QVERIFY(!readerOf(box("Text2_0"))->editableTextInterface());
}

// Every question a reader asks of a text, at every offset from before the
// start to past the end, is answered at once and within the text; the
// attributes are one run over all of it.
void TestAccessibility::textQuestions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");  // put into the form first, where not empty
    QTest::newRow("a decided digit") << "Text1_0"
                                     << "4";
    QTest::newRow("two candidates") << "Text1_1"
                                    << "89";
    QTest::newRow("every candidate") << "Text1_2"
                                     << "";
    QTest::newRow("a caption over two lines") << "Text2_9"
                                              << "";
    QTest::newRow("a box full of typing") << "Text1_3" << QString(1000, u'7');
}

void TestAccessibility::textQuestions()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    if (!text.isEmpty()) {
        window->form().Text1[name.mid(6).toInt()].Text = text;
        window->mirror();
    }
    QAccessibleTextInterface* reader = readerOf(box(name))->textInterface();
    const int length = reader->characterCount();
    const QString shown = box(name)->toPlainText();
    QCOMPARE(length, int(shown.size()));
    using A = QAccessible;
    using Ask = QString (QAccessibleTextInterface::*)(int, A::TextBoundaryType, int*, int*) const;
    for (const Ask ask : {Ask(&QAccessibleTextInterface::textBeforeOffset),
                          Ask(&QAccessibleTextInterface::textAtOffset),
                          Ask(&QAccessibleTextInterface::textAfterOffset)}) {
        for (const A::TextBoundaryType type :
             {A::CharBoundary, A::WordBoundary, A::SentenceBoundary, A::LineBoundary,
              A::ParagraphBoundary, A::NoBoundary}) {
            for (int offset = -1; offset <= length + 1; ++offset) {
                int start = -2, end = -2;
                const QString answer = (reader->*ask)(offset, type, &start, &end);
                const bool valid = offset >= 0 && offset <= length;
                QVERIFY(valid ? 0 <= start && start <= end && end <= length
                              : start == -1 && end == -1);
                QCOMPARE(answer, valid ? shown.mid(start, end - start) : QString());
            }
        }
    }
    // The whole text is spoken from one run, the last character too.
    int start = -1, end = -1;
    reader->attributes(length > 0 ? length - 1 : 0, &start, &end);
    QCOMPARE(QPair(start, end), QPair(0, length));
    QString word = reader->textAtOffset(0, A::WordBoundary, &start, &end);
    if (text == u"4" || text == u"89")
        QCOMPARE(word, text);
}

// Offsets and ranges no box has (negative, reversed, 2^31 - 1) are answered
// as the nearest the text has, or as nothing, and change nothing but what a
// valid call would: every text and editable-text call, on a cell full of
// typing and on a button. (Their cost is in the view benchmarks.)
void TestAccessibility::hostileOffsets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    const int huge = std::numeric_limits<int>::max();
    for (const char* name : {"Text1_30", "Text5"}) {
        const auto row = [&](const char* what, int start, int end) {
            QTest::addRow("%s, %s", name, what) << QString::fromLatin1(name) << start << end;
        };
        row("negative", -5, -1);
        row("reversed", 900, 3);
        row("past the end", 5000, 6000);
        row("the largest there is", huge, huge);
        row("from the start to the largest", 0, huge);
        row("from the smallest to the largest", std::numeric_limits<int>::min(), huge);
    }
}

void TestAccessibility::hostileOffsets()
{
    QFETCH(QString, name);
    QFETCH(int, start);
    QFETCH(int, end);
    if (name == u"Text1_30") {
        window->form().Text1[30].Text = QString(1000, u'5');
        window->mirror();
    }
    QAccessibleInterface* reader = readerOf(box(name));
    QAccessibleTextInterface* text = reader->textInterface();
    const int length = text->characterCount();
    const auto within = [length](int at) { return -1 <= at && at <= length; };
    int from = 0, to = 0;
    for (const int offset : {start, end}) {
        for (int type = QAccessible::CharBoundary; type <= QAccessible::NoBoundary; ++type) {
            text->textAtOffset(offset, QAccessible::TextBoundaryType(type), &from, &to);
            QVERIFY(within(from) && within(to));
            text->textBeforeOffset(offset, QAccessible::TextBoundaryType(type), &from, &to);
            QVERIFY(within(from) && within(to));
            text->textAfterOffset(offset, QAccessible::TextBoundaryType(type), &from, &to);
            QVERIFY(within(from) && within(to));
        }
        text->attributes(offset, &from, &to);
        QCOMPARE(QPair(from, to), QPair(0, length));
        if (offset < 0 || offset >= length)
            QCOMPARE(text->characterRect(offset), QRect());
        text->selection(offset, &from, &to);
        QVERIFY(within(from) && within(to));
        text->removeSelection(offset);
        text->setCursorPosition(offset);
        QVERIFY(0 <= text->cursorPosition() && text->cursorPosition() <= length);
    }
    QVERIFY(text->text(start, end).size() <= length);
    // The place of a range is that of the characters the text has in it (-1
    // for its end is the end of the text).
    QRect places;
    const int last = end == -1 ? length : std::clamp(end, 0, length);
    for (int at = std::clamp(start, 0, length); at < last; ++at)
        places |= text->characterRect(at);
    QCOMPARE(rangeExtents(text, start, end), places);
    text->setSelection(0, start, end);
    text->addSelection(start, end);
    text->scrollToSubstring(start, end);
    const auto [anchor, caret] = box(name)->selection();
    QVERIFY(0 <= anchor && anchor <= length && 0 <= caret && caret <= length);
    // Edits: a button has none to offer; a cell's are clamped to its text.
    const QString before = window->form().Text1[30].Text;
    if (QAccessibleEditableTextInterface* edit = reader->editableTextInterface()) {
        edit->deleteText(start, end);
        edit->insertText(start, QString(1'000'000, u'7'));
        edit->replaceText(start, end, QStringLiteral("12"));
        QCoreApplication::sendPostedEvents();
        QVERIFY(window->form().Text1[30].Text.size() <= 1000);
    } else {
        QCOMPARE(box(name)->toPlainText(), QStringLiteral("全部\n取消\n"));
        QCOMPARE(window->form().Text1[30].Text, before);
    }
}

// What changes without a move of the focus is told through a notice: a new
// message, and the hint's explanation as its panel appears.
void TestAccessibility::newsIsAnnounced()
{
    NEEDS_EVENTS();
    const auto notices = [](const QString& said) {
        int count = 0;
        for (const Heard& h : std::as_const(heard)) {
            QAccessibleInterface* reader = h.object ? readerOf(h.object) : nullptr;
            count += h.type == QAccessible::ObjectShow && reader &&
                     reader->role() == QAccessible::Notification && h.text.contains(said);
        }
        return count;
    };
    clickOn(*window, "Text9_0");  // Data Save
    QCOMPARE(notices(QStringLiteral("データが保存されました")), 1);
    clickOn(*window, "Text9_0");  // the same message again is no news
    QCOMPARE(notices(QStringLiteral("データが保存されました")), 1);

    window->form().PastePuzzle(puzzles::SinglesGivens);
    window->mirror();
    window->hintAction()->trigger();
    QCOMPARE(notices(QStringLiteral("ヒント：")), 1);
    window->hintAction()->trigger();
    QTRY_VERIFY(window->hintPanel()->isVisible());
    QTRY_COMPARE(notices(window->hintPanel()->text()), 1);
}

// What a reader hears: the box's own events for its text and caret, none of
// them while an editor is made, filled or given up.
void TestAccessibility::eventsAReaderFollows()
{
    NEEDS_EVENTS();
    TextBoxWidget* cell = box("Text1_5");
    const auto textEventsOf = [](QObject* object) {
        QStringList texts;
        for (const Heard& h : std::as_const(heard)) {
            if (h.object == object && isTextEvent(h.type))
                texts << h.text;
        }
        return texts;
    };

    // Keyboard in and out: an editor is made and given up, nothing heard of
    // it but the focus, which is the box's.
    cell->takeFocus(Qt::TabFocusReason);
    QTRY_VERIFY(cell->editor() && cell->editor()->hasFocus());
    box("Text1_6")->takeFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!cell->editor());
    QCOMPARE(textEventsOf(cell), QStringList());
    QStringList focused;
    for (const Heard& h : std::as_const(heard)) {
        if (h.type == QAccessible::Focus)
            focused << h.object->objectName();
    }
    QCOMPARE(focused, (QStringList{"Text1_5", "Text1_6"}));

    // Typing: the box tells of the text and the caret.
    heard.clear();
    TextBoxWidget* typed = box("Text1_6");
    QTest::keyClick(typed, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(typed, Qt::Key_Backspace);
    QTest::keyClick(typed, Qt::Key_9);
    // A removal and an insertion, each of its own character.
    QCOMPARE(textEventsOf(typed), (QStringList{QStringLiteral("9"), QStringLiteral("9")}));
    QList<QAccessible::Event> kinds;
    for (const Heard& h : std::as_const(heard)) {
        if (h.object == typed && isTextEvent(h.type))
            kinds << h.type;
    }
    QCOMPARE(kinds,
             (QList<QAccessible::Event>{QAccessible::TextRemoved, QAccessible::TextInserted}));
    bool caret = false;
    for (const Heard& h : std::as_const(heard))
        caret = caret || (h.type == QAccessible::TextCaretMoved && h.object == typed);
    QVERIFY(caret);

    // The form's change of a text, as one change of that box only.
    heard.clear();
    window->form().Text1[7].Text = QStringLiteral("47");
    window->mirror();
    QCOMPARE(textEventsOf(box("Text1_7")), QStringList{QStringLiteral("47")});
    int boxesHeard = 0;
    for (const Heard& h : std::as_const(heard))
        boxesHeard += isTextEvent(h.type);
    QCOMPARE(boxesHeard, 1);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
