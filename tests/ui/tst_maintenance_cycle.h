#pragma once
// The record maintenance cycle, driven through a real screen as a person uses
// it. Each screen's test describes its screen in a ScreenCase; the steps below
// then run unchanged on every screen, so the cycle is checked once per
// configuration instead of once per copy.
#include "connection.h"
#include "maintenance.h"
#include "scriptedmessages.h"
#include "testdatabase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <QTableView>
#include <QtTest>

#include <functional>

using Texts = QMap<QString, QString>; // control objectName -> text ("1"/"0" for a check box)

struct ScreenCase {
    std::function<QDialog*()> create;
    QString caption;           // window title
    Texts labels;              // control -> the label that is its buddy
    QStringList seed;          // run before the screen opens
    QString tableSql;          // the whole table, one text per row, to see what was written
    QString grid;              // objectName of the list's grid
    QStringList titles;        // its column titles
    int listRows = 0;          // rows in the list after the seed
    QStringList editable;      // controls enabled while editing
    QStringList displayOnly;   // controls never enabled
    bool hasModify = true;     // a 修改 button (else a double click modifies)
    bool canDelete = true;
    bool loadAtOpen = true;
    bool clickLoads = true;    // a single click on a row loads it
    QString firstEdit;         // focused after 新增
    QStringList keptByInsert;  // controls 新增 leaves as they were
    Texts opened;              // what the controls show after opening
    Texts row1;                // what list row 1 loads
    QString row1Key;           // how row 1 begins in tableSql
    std::function<Texts(int)> record;    // what a person types for record n
    std::function<QString(int)> stored;  // record n as tableSql shows it
    QList<QPair<QString, QString>> required; // control, notice, in checking order
    QString blankControl;      // a required control that may hold only blanks
    QPair<QString, QString> refused; // control and a value the database refuses
    QString saveFailure, deleteQuestion, deleteFailure;
    QStringList blockDelete;   // statements that make deleting list row 0 fail
    QString emptyTable;        // empties the table
};
Q_DECLARE_METATYPE(ScreenCase)

namespace cycle {

inline QString iconName(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::NoIcon: return QStringLiteral("none");
    case MsgIcon::Information: return QStringLiteral("information");
    case MsgIcon::Warning: return QStringLiteral("warning");
    case MsgIcon::Critical: return QStringLiteral("error");
    case MsgIcon::Question: return QStringLiteral("question");
    }
    return {};
}

// Every message shown, as "caption|text|icon".
inline QStringList shown(ScriptedMessagesScope& scope) {
    QStringList out;
    for (const ShownMessage& m : scope->shown)
        out << m.caption + u'|' + m.text + u'|' + iconName(m.icon);
    return out;
}

inline QStringList table(const ScreenCase& s) { return TestDatabase::rows(s.tableSql); }

// The offscreen platform warns at every fixed-size window that it cannot
// pass size hints on; that says nothing about the screen under test.
inline void quietSizeHintWarnings() {
    static QtMessageHandler previous = nullptr;
    static const bool installed = [] {
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                             const QString& text) {
            if (!text.contains(QLatin1String("propagateSizeHints")))
                previous(type, context, text);
        });
        return true;
    }();
    Q_UNUSED(installed);
}

// One open screen and the hands that work it.
class ScreenDriver {
public:
    explicit ScreenDriver(const ScreenCase& s) : m_case(s) {
        quietSizeHintWarnings();
        for (const QString& sql : s.seed)
            TestDatabase::exec(sql);
        m_screen = s.create();
        m_screen->show();
        QApplication::setActiveWindow(m_screen);
        if (!QTest::qWaitForWindowActive(m_screen))
            qWarning("the screen did not become the active window");
    }
    ~ScreenDriver() { delete m_screen.data(); }

    QDialog* screen() const { return m_screen; }
    template <class T = QWidget> T* find(const QString& name) const {
        return m_screen->findChild<T*>(name);
    }
    QTableView* grid() const { return find<QTableView>(m_case.grid); }
    QAbstractButton* button(const char* name) const {
        return find<QAbstractButton>(QLatin1String(name));
    }

    void press(const char* name) const {
        QAbstractButton* b = button(name);
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    QRect cell(int row) const {
        return grid()->visualRect(grid()->model()->index(row, 0));
    }
    void clickRow(int row) const {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell(row).center());
    }
    void doubleClickRow(int row) const {
        QTest::mousePress(grid()->viewport(), Qt::LeftButton, {}, cell(row).center());
        QTest::mouseRelease(grid()->viewport(), Qt::LeftButton, {}, cell(row).center());
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell(row).center());
    }
    int selectedRow() const {
        const QModelIndexList rows = grid()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    // The first cell of the grid's row.
    QString gridText(int row) const {
        return grid()->model()->index(row, 0).data().toString();
    }

    // 修改, or a double click on the current row where there is no such button.
    void startModify() const {
        if (m_case.hasModify)
            press("bitbtn_modify");
        else
            doubleClickRow(qMax(selectedRow(), 0));
    }

    QString text(const QString& name) const { return RecordMaintenance::controlText(find(name)); }

    // Types into an edit or combo box as a person does: select all, erase,
    // then key by key (Chinese characters arrive as key events carrying text).
    // A check box is clicked when it must change. Disabled controls take nothing.
    void type(const QString& name, const QString& value) const {
        QWidget* w = find(name);
        QVERIFY2(w, qPrintable(name));
        if (auto* box = qobject_cast<QCheckBox*>(w)) {
            if (RecordMaintenance::controlText(box) != value)
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            return;
        }
        QWidget* target = w;
        if (auto* combo = qobject_cast<QComboBox*>(w))
            target = combo->lineEdit();
        target->setFocus();
        QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_Backspace);
        for (QChar ch : value) {
            if (ch.unicode() >= 0x20 && ch.unicode() < 0x7f) {
                QTest::keyClick(target, char(ch.unicode()));
            } else {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
                QApplication::sendEvent(target, &press);
                QApplication::sendEvent(target, &release);
            }
        }
    }
    void typeAll(const Texts& texts) const {
        for (auto it = texts.begin(); it != texts.end(); ++it)
            type(it.key(), it.value());
    }
    // Names of controls whose text differs from the expected one.
    QStringList differing(const Texts& expected) const {
        QStringList out;
        for (auto it = expected.begin(); it != expected.end(); ++it)
            if (text(it.key()) != it.value())
                out << QStringLiteral("%1='%2' (expected '%3')").arg(it.key(), text(it.key()), it.value());
        return out;
    }

    // What differs from the enabled states of browse or of an edit under way.
    QStringList stateMismatch(bool editing) const {
        QStringList out;
        const auto expect = [&](const QString& name, bool enabled) {
            QWidget* w = find(name);
            if (!w)
                out << name + QStringLiteral(" missing");
            else if (w->isEnabled() != enabled)
                out << name + (enabled ? QStringLiteral(" disabled") : QStringLiteral(" enabled"));
        };
        for (const QString& c : m_case.editable)
            expect(c, editing);
        for (const QString& c : m_case.displayOnly)
            expect(c, false);
        expect(QStringLiteral("bitbtn_insert"), !editing);
        if (m_case.hasModify)
            expect(QStringLiteral("bitbtn_modify"), true);
        expect(QStringLiteral("bitbtn_delete"), m_case.canDelete && !editing);
        expect(QStringLiteral("bitbtn_post"), editing);
        expect(QStringLiteral("bitbtn_cancel"), editing);
        expect(QStringLiteral("bitbtn_quit"), true);
        return out;
    }

private:
    const ScreenCase& m_case;
    QPointer<QDialog> m_screen;
};

#define CYCLE_STATE(driver, editing)                                                         \
    do {                                                                                     \
        const QStringList wrong_ = (driver).stateMismatch(editing);                          \
        QVERIFY2(wrong_.isEmpty(), qPrintable(wrong_.join(u", ")));                          \
    } while (0)

#define CYCLE_TEXTS(driver, expected)                                                        \
    do {                                                                                     \
        const QStringList wrong_ = (driver).differing(expected);                             \
        QVERIFY2(wrong_.isEmpty(), qPrintable(wrong_.join(u", ")));                          \
    } while (0)

inline QString notice(const QString& text) { return QStringLiteral("房屋出租管理|%1|none").arg(text); }
inline QString required(const QString& text) { return QStringLiteral("Morvik提示|%1|information").arg(text); }
inline QString saveFailure(const ScreenCase& s) { return QStringLiteral("|%1|error").arg(s.saveFailure); }

// --- the steps, each run on every screen -------------------------------------

// Opening: the list with its titles, browse, the first row loaded or nothing.
inline void opening(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    QTableView* grid = d.grid();
    QVERIFY(grid);
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, s.titles);
    QCOMPARE(grid->model()->rowCount(), s.listRows);
    QCOMPARE(d.selectedRow(), 0);
    QVERIFY(grid->editTriggers() == QAbstractItemView::NoEditTriggers);
    QVERIFY(grid->selectionBehavior() == QAbstractItemView::SelectRows);
    QVERIFY(d.screen()->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(d.screen()->windowTitle(), s.caption);
    Texts labels;
    for (QLabel* label : d.screen()->findChildren<QLabel*>())
        if (label->buddy())
            labels[label->buddy()->objectName()] = label->text();
    QCOMPARE(labels, s.labels);
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, s.opened);
    QCOMPARE(shown(messages), QStringList());
}

// 新增, typed record, 保存: written, browse, list on its first row while the
// controls still show the saved record.
inline void insertAndSave(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    d.clickRow(1);
    const Texts clicked = s.clickLoads ? s.row1 : s.opened;
    d.press("bitbtn_insert");
    CYCLE_STATE(d, true);
    QVERIFY(d.find(s.firstEdit)->hasFocus());
    for (auto it = clicked.begin(); it != clicked.end(); ++it)
        QVERIFY2(d.text(it.key()) == (s.keptByInsert.contains(it.key()) ? it.value() : QString()),
                 qPrintable(it.key()));

    const Texts typed = s.record(7);
    d.typeAll(typed);
    CYCLE_TEXTS(d, typed);
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{notice(QStringLiteral("保存成功！"))});
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, typed);
    const QStringList after = table(s);
    QCOMPARE(after.size(), before.size() + 1);
    QVERIFY2(after.contains(s.stored(7)), qPrintable(after.join(u'\n')));
    QCOMPARE(d.grid()->model()->rowCount(), s.listRows + 1);
    QCOMPARE(d.selectedRow(), 0);
    QVERIFY(!Connection::shared().inTransaction());
}

// Each required field, left empty while the earlier ones are filled, stops
// the save with its notice and takes the focus; nothing is written.
inline void requiredField(const ScreenCase& s, int index) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    d.press("bitbtn_insert");
    d.typeAll(s.record(7));
    for (int i = index; i < s.required.size(); ++i)
        d.type(s.required[i].first, QString());
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{required(s.required[index].second)});
    QVERIFY(d.find(s.required[index].first)->hasFocus());
    CYCLE_STATE(d, true);
    QCOMPARE(table(s), before);
    QVERIFY(!Connection::shared().inTransaction());
}

// A required field holding only blanks passes and is stored as blanks.
inline void blanksPass(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    d.press("bitbtn_insert");
    Texts typed = s.record(7);
    typed[s.blankControl] = QStringLiteral("  ");
    d.typeAll(typed);
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{notice(QStringLiteral("保存成功！"))});
    const QString stored = s.stored(7);
    const QString blankStored = stored.section(u'|', 0, 0) + u'|';
    bool found = false;
    for (const QString& row : table(s))
        found = found || (row.startsWith(blankStored) && row.contains(QStringLiteral("|  |")));
    QVERIFY2(found, qPrintable(table(s).join(u'\n')));
}

// A record the database refuses: the failure text, the edit stays with what
// was typed, nothing written and no transaction left; put right, it saves.
inline void refusedSave(const ScreenCase& s, bool modifying) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    if (modifying)
        d.startModify();
    else
        d.press("bitbtn_insert");
    Texts typed = s.record(7);
    typed[s.refused.first] = s.refused.second;
    d.typeAll(typed);
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{saveFailure(s)});
    CYCLE_STATE(d, true);
    CYCLE_TEXTS(d, typed);
    QCOMPARE(table(s), before);
    QVERIFY(!Connection::shared().inTransaction());

    messages->clear();
    d.type(s.refused.first, s.record(7).value(s.refused.first));
    d.press("bitbtn_post");
    QCOMPARE(shown(messages),
             QStringList{notice(modifying ? QStringLiteral("修改成功！") : QStringLiteral("保存成功！"))});
    QVERIFY(table(s).contains(s.stored(7)));
}

// 修改 on the first row, then a click on the second: the save changes the
// clicked row (the key of the list's current row when saving), with what the
// click loaded plus what was typed.
inline void modifyClickedRow(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    d.startModify();
    CYCLE_STATE(d, true);
    d.clickRow(1);
    CYCLE_STATE(d, true);
    if (s.clickLoads)
        CYCLE_TEXTS(d, s.row1);
    d.typeAll(s.record(7));
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{notice(QStringLiteral("修改成功！"))});
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, s.record(7));
    const QStringList after = table(s);
    QStringList removed, added;
    for (const QString& r : before)
        if (!after.contains(r))
            removed << r;
    for (const QString& r : after)
        if (!before.contains(r))
            added << r;
    QCOMPARE(added, QStringList{s.stored(7)});
    QCOMPARE(removed.size(), 1);
    QVERIFY2(removed.first().startsWith(s.row1Key + u'|'), qPrintable(removed.first()));
    QCOMPARE(d.selectedRow(), 0);
}

// A click on a row loads it in every state and changes no state; where a
// single click only moves the row, nothing is loaded.
inline void clickLoads(const ScreenCase& s, int state) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    if (state == 1)
        d.press("bitbtn_insert");
    else if (state == 2)
        d.startModify();
    const Texts typed = s.record(7);
    if (state != 0)
        d.typeAll(typed);
    const Texts shownBefore = state == 0 ? s.opened : typed;
    d.clickRow(1);
    QCOMPARE(d.selectedRow(), 1);
    CYCLE_STATE(d, state != 0);
    CYCLE_TEXTS(d, s.clickLoads ? s.row1 : shownBefore);
    QCOMPARE(shown(messages), QStringList());
}

// Keys in the grid and the navigator bar move the row without loading it.
inline void movesDoNotLoad(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const Texts before = s.opened;
    d.grid()->setFocus();
    QTest::keyClick(d.grid(), Qt::Key_Down);
    QCOMPARE(d.selectedRow(), 1);
    CYCLE_TEXTS(d, before);
    if (QWidget* navigator = d.find(QStringLiteral("DBNavigator1"))) {
        QTest::mouseClick(navigator->findChild<QAbstractButton*>(QStringLiteral("last")), Qt::LeftButton);
        QCOMPARE(d.selectedRow(), s.listRows - 1);
        QTest::mouseClick(navigator->findChild<QAbstractButton*>(QStringLiteral("prior")), Qt::LeftButton);
        QCOMPARE(d.selectedRow(), s.listRows - 2);
        QTest::mouseClick(navigator->findChild<QAbstractButton*>(QStringLiteral("first")), Qt::LeftButton);
        QCOMPARE(d.selectedRow(), 0);
        QTest::mouseClick(navigator->findChild<QAbstractButton*>(QStringLiteral("next")), Qt::LeftButton);
        QCOMPARE(d.selectedRow(), 1);
        CYCLE_TEXTS(d, before);
    }
    // The row moved to is the one 修改 takes.
    d.startModify();
    CYCLE_TEXTS(d, s.row1);
}

// 取消 returns to browse and leaves what was typed in the disabled controls.
inline void cancelKeepsTexts(const ScreenCase& s, bool modifying) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    if (modifying)
        d.startModify();
    else
        d.press("bitbtn_insert");
    const Texts typed = s.record(7);
    d.typeAll(typed);
    d.press("bitbtn_cancel");
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, typed);
    QCOMPARE(table(s), before);
    QCOMPARE(shown(messages), QStringList());
}

// 删除 asks; No changes nothing, Yes removes the current row and the next one
// becomes current, the controls not reloaded.
inline void deleteAnswered(const ScreenCase& s, bool yes) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    const QString second = d.gridText(1);
    messages->answerNext(yes ? MsgAnswer::Yes : MsgAnswer::No);
    d.press("bitbtn_delete");
    QCOMPARE(shown(messages), QStringList{QStringLiteral("警告|%1|warning").arg(s.deleteQuestion)});
    QCOMPARE(messages->shown.first().owner.data(), static_cast<QWidget*>(d.screen()));
    QCOMPARE(messages->shown.first().buttons, MsgButtons::YesNo);
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, s.opened);
    QVERIFY(!Connection::shared().inTransaction());
    if (!yes) {
        QCOMPARE(table(s), before);
        QCOMPARE(d.grid()->model()->rowCount(), s.listRows);
        return;
    }
    QCOMPARE(table(s).size(), before.size() - 1);
    QCOMPARE(d.grid()->model()->rowCount(), s.listRows - 1);
    QCOMPARE(d.selectedRow(), 0);
    QCOMPARE(d.gridText(0), second);
}

// A row the database will not let go (other rows name it): the failure text.
inline void deleteRefused(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    for (const QString& sql : s.blockDelete)
        TestDatabase::exec(sql);
    const QStringList before = table(s);
    d.press("bitbtn_delete");
    QCOMPARE(shown(messages), (QStringList{QStringLiteral("警告|%1|warning").arg(s.deleteQuestion),
                                           QStringLiteral("错误|%1|error").arg(s.deleteFailure)}));
    QCOMPARE(table(s), before);
    QCOMPARE(d.grid()->model()->rowCount(), s.listRows);
    QVERIFY(!Connection::shared().inTransaction());
}

// 删除 on an empty list: the notice and no question.
inline void deleteOnEmptyList(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenCase emptied = s;
    emptied.seed = QStringList{s.emptyTable};
    ScreenDriver d(emptied);
    d.press("bitbtn_delete");
    QCOMPARE(shown(messages), QStringList{QStringLiteral("Morvik提示|空记录不能删除!|warning")});
    QVERIFY(!Connection::shared().inTransaction());
}

// 修改 on an empty list has no record to change: the save fails rather than
// report a success that wrote nothing.
inline void modifyOnEmptyList(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenCase emptied = s;
    emptied.seed = QStringList{s.emptyTable};
    ScreenDriver d(emptied);
    d.press("bitbtn_modify");
    CYCLE_STATE(d, true);
    d.typeAll(s.record(7));
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{saveFailure(s)});
    CYCLE_STATE(d, true);
    QCOMPARE(table(s), QStringList());
}

// A transaction something left open is rolled back before the save begins
// its own, so nothing of it is committed along with the record.
inline void leftTransactionRolledBack(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    Connection::shared().beginTransaction();
    TestDatabase::exec("insert into login_user (user_loginname) values ('stray')");
    d.press("bitbtn_insert");
    d.typeAll(s.record(7));
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{notice(QStringLiteral("保存成功！"))});
    QVERIFY(table(s).contains(s.stored(7)));
    QCOMPARE(TestDatabase::rows("select count(*) from login_user where user_loginname='stray'"),
             QStringList{"0"});
    QVERIFY(!Connection::shared().inTransaction());
}

// 退出 during an edit: the screen goes away and nothing is written.
inline void quitDropsEdit(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    QPointer<QDialog> screen = d.screen();
    d.press("bitbtn_insert");
    d.typeAll(s.record(7));
    d.press("bitbtn_quit");
    QTRY_VERIFY(screen.isNull());
    QCOMPARE(table(s), before);
    QCOMPARE(shown(messages), QStringList());
}

} // namespace cycle
