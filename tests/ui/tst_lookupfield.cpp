// The popup lookup field driven by keys and clicks: what the candidate grid
// lists, where it shows, and what Enter, Down, F1, a double click and Escape
// do to the edit and the grid.
#include "lookupfield.h"
#include "scriptedmessages.h"
#include "testdatabase.h"

#include <QDialog>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

namespace {

using Enter = LookupField::EnterInEdit;

const QString kRooms = QStringLiteral("select fangno,area,status from fangjian");
const QString kRoomsFiltered = QStringLiteral(
    "select fangno,area,status from fangjian\nwhere fangno like :fangno");
const QString kTenants = QStringLiteral("select manid,manname,zjm from dbo.Zf_Man  ");
const QString kTenantsFiltered =
    QStringLiteral("select manid,manname,zjm from dbo.Zf_Man  \nwhere manid like :manid or zjm like :zjm");

void seed() {
    for (const char* no : {"101", "102", "110", "201", "A1"})
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Fangjian (fangno, fangprice) values ('%1', 800)").arg(no));
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('K01','张三','ZS')");
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('K02','李四','LS')");
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('013','王五','WW')");
}

// A screen with one lookup field, the edit above a filler the grid covers.
struct Host {
    QDialog screen;
    QLineEdit* edit = new QLineEdit(&screen);
    QTableView* grid = new QTableView(&screen);
    LookupField* field = nullptr;

    explicit Host(const QString& kind, int height = 120, const QString& filtered = {}) {
        auto* layout = new QVBoxLayout(&screen);
        layout->addWidget(edit);
        layout->addSpacing(200);
        LookupField::Config c;
        c.edit = edit;
        c.grid = grid;
        c.gridHeight = height;
        if (kind == "tenant") {
            c.unfilteredSql = kTenants;
            c.filteredSql = kTenantsFiltered;
            c.filterParams = {"manid", "zjm"};
            c.keyColumn = "manid";
            c.enter = Enter::CopyCurrentRow;
        } else {
            c.unfilteredSql = kRooms;
            c.filteredSql = kRoomsFiltered;
            c.filterParams = {"fangno"};
            c.keyColumn = "fangno";
            c.enter = kind == "room" ? Enter::FirstRowOrNotice : Enter::FirstRowOrEmpty;
            c.noRowNotice = QStringLiteral("对不起！没有空房");
        }
        if (!filtered.isEmpty())
            c.filteredSql = filtered;
        field = new LookupField(&screen, c);
        field->open();
        screen.show();
        edit->setFocus();
    }

    QStringList listed() const {
        QStringList keys;
        for (int r = 0; r < field->model().rowCount(); ++r)
            keys << field->model().index(r, 0).data().toString();
        return keys;
    }
    void type(const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // QTest::keyClicks types ASCII only; Chinese arrives as a key event.
        for (const QChar c : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &key);
        }
    }
};

QStringList shown(ScriptedMessages& m) {
    QStringList out;
    for (const ShownMessage& s : m.shown)
        out << s.caption + "|" + s.text;
    return out;
}

} // namespace

class TestLookupField : public QObject {
    Q_OBJECT

private slots:
    // Each keystroke re-runs the filter with the trimmed text and "%"; the
    // grid pops up beneath the edit with its first row current.
    void typing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("beginning of room numbers") << "room" << "10" << QStringList{"101", "102"};
        QTest::newRow("blanks around") << "room" << " 20 " << QStringList{"201"};
        QTest::newRow("cleared lists all")
            << "room" << "" << QStringList{"101", "102", "110", "201", "A1"};
        QTest::newRow("underscore is a pattern") << "room" << "1_1" << QStringList{"101"};
        QTest::newRow("percent is a pattern") << "room" << "%2" << QStringList{"102", "201"};
        QTest::newRow("quote is plain text") << "room" << "1' or '1'='1" << QStringList{};
        QTest::newRow("letters match mnemonic codes") << "tenant" << "l" << QStringList{"K02"};
        QTest::newRow("Chinese matches nothing") << "tenant" << "张" << QStringList{};
        QTest::newRow("tenant numbers") << "tenant" << "K0" << QStringList{"K01", "K02"};
        QTest::newRow("digits") << "tenant" << "01" << QStringList{"013"};
    }
    void typing() {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QStringList, listed);
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        Host h(kind, 73);
        QVERIFY(!h.field->gridShown());
        QTest::keyClicks(h.edit, "9");
        h.type(typed);
        QCOMPARE(h.listed(), listed);
        QVERIFY(h.field->gridShown());
        QCOMPARE(h.field->query().row(), listed.isEmpty() ? -1 : 0);
        QCOMPARE(h.grid->geometry(),
                 QRect(h.edit->geometry().bottomLeft() + QPoint(0, 1), QSize(241, 73)));
        QCOMPARE(h.edit->text(), typed);
        QCOMPARE(shown(messages.messages()), QStringList{});
    }

    // Enter in the edit, per kind of field.
    void enterInEdit_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("moveTo"); // grid row made current before Enter, -1 none
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("gridShown");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("tenant: the current row, not re-run")
            << "tenant" << "K0" << 1 << "K02" << true << QStringList{};
        QTest::newRow("tenant: no candidate empties the edit")
            << "tenant" << "X" << -1 << "" << true << QStringList{};
        QTest::newRow("room: the first row") << "room" << "1" << 2 << "101" << true << QStringList{};
        QTest::newRow("room: unchanged since opening")
            << "room" << "" << -1 << "101" << true << QStringList{};
        QTest::newRow("room: nothing matches")
            << "room" << "9" << -1 << "9" << false
            << QStringList{QStringLiteral("房屋出租管理|对不起！没有空房")};
        QTest::newRow("meter room: nothing matches empties the edit")
            << "meter" << "9" << -1 << "" << true << QStringList{};
    }
    void enterInEdit() {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(int, moveTo);
        QFETCH(QString, text);
        QFETCH(bool, gridShown);
        QFETCH(QStringList, messages);
        TestDatabase db;
        seed();
        ScriptedMessagesScope scripted;
        Host h(kind);
        QTest::keyClicks(h.edit, typed);
        if (moveTo >= 0)
            QTest::mouseClick(h.grid->viewport(), Qt::LeftButton, {},
                              h.grid->visualRect(h.field->model().index(moveTo, 0)).center());
        QTest::keyClick(h.edit, Qt::Key_Return);
        QCOMPARE(h.edit->text(), text);
        QCOMPARE(h.field->gridShown(), gridShown);
        QCOMPARE(shown(scripted.messages()), messages);
        QVERIFY(h.screen.isVisible());
        QCOMPARE(h.screen.focusWidget(), h.edit);
        // The edit's text is the filter again.
        if (gridShown)
            QCOMPARE(h.listed().value(0).startsWith(text), true);
    }

    // Into the grid with F1 or Down, a row chosen with Enter or a double
    // click: its key in the edit, the grid hidden, the list filtered by it.
    // Escape in the edit or the grid hides nothing and closes nothing.
    void choosing_data() {
        QTest::addColumn<int>("into");
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("Down, Enter") << int(Qt::Key_Down) << false;
        QTest::newRow("F1, Enter") << int(Qt::Key_F1) << false;
        QTest::newRow("double click") << int(Qt::Key_Down) << true;
    }
    void choosing() {
        QFETCH(int, into);
        QFETCH(bool, doubleClick);
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        Host h("room");
        QTest::keyClicks(h.edit, "1");
        h.field->hideGrid();
        QTest::keyClick(h.edit, Qt::Key_Escape);
        QTest::keyClick(h.edit, Qt::Key(into));
        QTest::keyClick(h.grid, Qt::Key_Escape);
        QVERIFY(h.field->gridShown());
        QCOMPARE(h.screen.focusWidget(), h.grid);
        if (doubleClick) {
            // A real double click: a click, then the second press.
            const QPoint at = h.grid->visualRect(h.field->model().index(1, 0)).center();
            QTest::mouseClick(h.grid->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(h.grid->viewport(), Qt::LeftButton, {}, at);
        } else {
            QTest::keyClick(h.grid, Qt::Key_Down);
            QTest::keyClick(h.grid, Qt::Key_Return);
        }
        QCOMPARE(h.edit->text(), QStringLiteral("102"));
        QVERIFY(!h.field->gridShown());
        QCOMPARE(h.screen.focusWidget(), h.edit);
        QCOMPARE(h.listed(), QStringList{"102"});
        QVERIFY(h.screen.isVisible());
    }

    // The completing search edit: the screen's search runs on every change;
    // Enter completes the edit with the current row's full number.
    void completingSearch_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("completed");
        QTest::newRow("beginning of a number") << " 20" << "201";
        QTest::newRow("nothing matches") << "9" << "";
    }
    void completingSearch() {
        QFETCH(QString, typed);
        QFETCH(QString, completed);
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        QDialog screen;
        auto* edit = new QLineEdit(&screen);
        Query search;
        QStringList searched;
        CompletingSearchEdit::Config c;
        c.edit = edit;
        c.query = &search;
        c.search = [&] {
            search.close();
            search.setSql("select fangno from fangjian where fangno like :fangno");
            search.setText("fangno", LookupField::pattern(edit->text()));
            search.open();
            searched << search.text("fangno");
        };
        new CompletingSearchEdit(&screen, c);
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), completed);
        QCOMPARE(searched.size(), typed.size() + 1);
        QCOMPARE(searched.last(), completed.isEmpty() ? QStringLiteral("101") : completed);
        QCOMPARE(shown(messages.messages()), QStringList{});
    }

    // A failing candidate query reaches the general error display; the
    // screen stays and the grid lists nothing.
    void failingQuery() {
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        Host h("room", 120, "select fangno from Zf_Nowhere where fangno like :fangno");
        QTest::keyClicks(h.edit, "1");
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].caption, QStringLiteral("房屋出租管理"));
        QCOMPARE(messages->shown[0].icon, MsgIcon::Critical);
        QCOMPARE(h.field->model().rowCount(), 0);
        QVERIFY(h.screen.isVisible());
    }
};

QTEST_MAIN(TestLookupField)
#include "tst_lookupfield.moc"
