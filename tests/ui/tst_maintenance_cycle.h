#pragma once
// The record maintenance cycle, driven through a real screen as a person uses
// it. Each screen's test describes its screen in a ScreenCase; the scenarios
// below run unchanged on every screen, so the cycle is checked once per
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
    QString caption;
    Texts labels;     // control -> the label that is its buddy
    QStringList seed; // run before the screen opens
    QString tableSql; // the whole table, one text per row
    QString grid;
    QStringList titles;      // grid column titles
    QStringList editable;    // controls enabled while editing
    QStringList displayOnly; // controls never enabled
    bool hasModify = true;   // a 修改 button (else a double click modifies)
    bool canDelete = true;
    bool clickLoads = true;                  // a single click on a row loads it
    QString firstEdit;                       // focused after 新增
    QStringList keptByInsert;                // controls 新增 leaves as they were
    Texts opened;                            // what the controls show after opening
    Texts row1;                              // what list row 1 loads
    QString row1Key;                         // how row 1 begins in tableSql
    std::function<Texts(int)> record;        // what a person types for record n
    std::function<QString(int)> stored;      // record n as tableSql shows it
    QList<QPair<QString, QString>> required; // control, notice, in checking order
    QString blankControl;                    // a required control that may hold only blanks
    QPair<QString, QString> refused;         // control and a value the database refuses
    QString saveFailure, deleteQuestion, deleteFailure;
    QStringList blockDelete; // statements that make deleting list row 1 fail
    QString emptyTable;
};
Q_DECLARE_METATYPE(ScreenCase)

namespace cycle {

// Every message shown, as "caption|text|icon".
inline QStringList shown(ScriptedMessagesScope& scope) {
    static const char* icons[] = {"none", "information", "warning", "error", "question"};
    QStringList out;
    for (const ShownMessage& m : scope->shown)
        out << m.caption + u'|' + m.text + u'|' + QLatin1String(icons[int(m.icon)]);
    return out;
}
// The same with each text cut at its first line: a failure the database
// gave goes on with the reason in Chinese and the database's own text.
inline QStringList shownHeads(ScriptedMessagesScope& scope) {
    QStringList out = shown(scope);
    for (QString& m : out) {
        const int cut = m.indexOf(u'\n');
        if (cut >= 0)
            m = m.left(cut) + m.mid(m.lastIndexOf(u'|'));
    }
    return out;
}
inline QStringList table(const ScreenCase& s) {
    return TestDatabase::rows(s.tableSql);
}
inline QString saveFailure(const ScreenCase& s) {
    return QStringLiteral("|%1|error").arg(s.saveFailure);
}
inline const QString kSaved = QStringLiteral("房屋出租管理|保存成功！|none");
inline const QString kModified = QStringLiteral("房屋出租管理|修改成功！|none");

// The offscreen platform warns at every fixed-size window that it cannot pass
// size hints on; that says nothing about the screen under test.
inline void quietSizeHintWarnings() {
    static QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.contains(QLatin1String("propagateSizeHints")))
                previous(type, context, text);
        });
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
    void press(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }

    QPoint cell(int row) const {
        return grid()->visualRect(grid()->model()->index(row, 0)).center();
    }
    void clickRow(int row) const {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell(row));
    }
    void doubleClickRow(int row) const {
        clickRow(row);
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell(row));
    }
    int selectedRow() const {
        const QModelIndexList rows = grid()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    QString gridText(int row) const { return grid()->model()->index(row, 0).data().toString(); }
    int rowCount() const { return grid()->model()->rowCount(); }

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
            if (text(name) != value)
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            return;
        }
        if (auto* combo = qobject_cast<QComboBox*>(w))
            w = combo->lineEdit();
        w->setFocus();
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_Backspace);
        for (QChar ch : value) {
            if (ch.unicode() >= 0x20 && ch.unicode() < 0x7f) {
                QTest::keyClick(w, char(ch.unicode()));
                continue;
            }
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }
    void typeAll(const Texts& texts) const {
        for (auto it = texts.begin(); it != texts.end(); ++it)
            type(it.key(), it.value());
    }
    // The texts of the controls named in `like`.
    Texts current(const Texts& like) const {
        Texts out;
        for (auto it = like.begin(); it != like.end(); ++it)
            out[it.key()] = text(it.key());
        return out;
    }
    // Controls whose text differs from the expected one.
    QStringList differing(const Texts& expected) const {
        QStringList out;
        for (auto it = expected.begin(); it != expected.end(); ++it)
            if (text(it.key()) != it.value())
                out << QStringLiteral("%1='%2' (expected '%3')")
                           .arg(it.key(), text(it.key()), it.value());
        return out;
    }
    // What differs from the enabled states of browse or of an edit under way.
    QStringList stateMismatch(bool editing) const {
        QStringList out;
        const auto expect = [&](const QString& name, bool enabled) {
            QWidget* w = find(name);
            if (!w || w->isEnabled() != enabled)
                out << name + (enabled ? QStringLiteral(" not enabled")
                                       : QStringLiteral(" not disabled"));
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
    const ScreenCase m_case;
    QPointer<QDialog> m_screen;
};

#define CYCLE_STATE(driver, editing)                                                               \
    QVERIFY2((driver).stateMismatch(editing).isEmpty(),                                            \
             qPrintable((driver).stateMismatch(editing).join(u", ")))
#define CYCLE_TEXTS(driver, expected)                                                              \
    QVERIFY2((driver).differing(expected).isEmpty(),                                               \
             qPrintable((driver).differing(expected).join(u", ")))

// Rows of `after` not in `before`.
inline QStringList added(const QStringList& before, const QStringList& after) {
    QStringList out;
    for (const QString& r : after)
        if (!before.contains(r))
            out << r;
    return out;
}

// --- scenarios, each run on every screen -------------------------------------

// Opening: caption, labels, the list with its titles, browse, the first row
// loaded or nothing.
inline void opening(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    QCOMPARE(d.screen()->windowTitle(), s.caption);
    QVERIFY(d.screen()->testAttribute(Qt::WA_DeleteOnClose));
    Texts labels;
    for (QLabel* label : d.screen()->findChildren<QLabel*>())
        if (label->buddy())
            labels[label->buddy()->objectName()] = label->text();
    QCOMPARE(labels, s.labels);
    QStringList titles;
    for (int c = 0; c < d.grid()->model()->columnCount(); ++c)
        titles << d.grid()->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, s.titles);
    QVERIFY(d.grid()->editTriggers() == QAbstractItemView::NoEditTriggers);
    QCOMPARE(d.selectedRow(), 0);
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, s.opened);
    QCOMPARE(shown(messages), QStringList());
}

// 新增, typing, 取消 (texts stay, nothing written); 新增 again, a record with
// a required field of blanks, 保存: written, browse, the list standing on the
// saved record, which the controls still show.
inline void insertCancelSave(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    d.clickRow(1);
    d.press("bitbtn_insert");
    CYCLE_STATE(d, true);
    QVERIFY(d.find(s.firstEdit)->hasFocus());
    const Texts clicked = s.clickLoads ? s.row1 : s.opened;
    for (auto it = clicked.begin(); it != clicked.end(); ++it)
        QVERIFY2(d.text(it.key()) == (s.keptByInsert.contains(it.key()) ? it.value() : QString()),
                 qPrintable(it.key()));
    Texts typed = s.record(7);
    d.typeAll(typed);
    d.press("bitbtn_cancel");
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, typed);
    QCOMPARE(table(s), before);

    d.press("bitbtn_insert");
    if (!s.blankControl.isEmpty())
        typed[s.blankControl] = QStringLiteral("  ");
    d.typeAll(typed);
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{kSaved});
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, typed);
    const QStringList written = added(before, table(s));
    QCOMPARE(written.size(), 1);
    if (s.blankControl.isEmpty())
        QCOMPARE(written.first(), s.stored(7));
    else
        QVERIFY2(written.first().contains(QStringLiteral("|  |")), qPrintable(written.first()));
    QCOMPARE(d.selectedRow(), d.rowCount() - 1); // the new record, listed last
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
    QCOMPARE(
        shown(messages),
        QStringList{QStringLiteral("Morvik提示|%1|information").arg(s.required[index].second)});
    QVERIFY(d.find(s.required[index].first)->hasFocus());
    CYCLE_STATE(d, true);
    QCOMPARE(table(s), before);
}

// A record the database refuses: the failure text, the edit stays with what
// was typed, nothing written and no transaction left; put right, it saves.
inline void refusedSave(const ScreenCase& s, bool modifying) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    modifying ? d.startModify() : d.press("bitbtn_insert");
    Texts typed = s.record(7);
    typed[s.refused.first] = s.refused.second;
    d.typeAll(typed);
    d.press("bitbtn_post");
    QCOMPARE(shownHeads(messages), QStringList{saveFailure(s)});
    QVERIFY(messages->shown[0].text.contains(u'\n')); // the reason follows
    CYCLE_STATE(d, true);
    CYCLE_TEXTS(d, typed);
    QCOMPARE(table(s), before);
    QVERIFY(!Connection::shared().inTransaction());

    messages->clear();
    d.type(s.refused.first, s.record(7).value(s.refused.first));
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{modifying ? kModified : kSaved});
    QVERIFY(table(s).contains(s.stored(7)));
}

// 修改 on the first row; a click on the second loads it (where clicks load)
// and keeps the edit; keys and the navigator move the row without loading;
// the save changes the row current at that moment, by its old key.
inline void modifyAfterMoves(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    d.startModify();
    d.clickRow(1);
    CYCLE_STATE(d, true);
    const Texts shownNow = d.current(s.row1);
    if (s.clickLoads)
        QCOMPARE(shownNow, s.row1);
    d.grid()->setFocus();
    QTest::keyClick(d.grid(), Qt::Key_Down);
    QCOMPARE(d.selectedRow(), 2);
    if (QWidget* navigator = d.find(QStringLiteral("DBNavigator1")))
        for (const char* step : {"last", "first", "next"})
            QTest::mouseClick(navigator->findChild<QAbstractButton*>(QLatin1String(step)),
                              Qt::LeftButton);
    else
        QTest::keyClick(d.grid(), Qt::Key_Up);
    QCOMPARE(d.selectedRow(), 1);
    CYCLE_TEXTS(d, shownNow);
    d.typeAll(s.record(7));
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{kModified});
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, s.record(7));
    QCOMPARE(added(before, table(s)), QStringList{s.stored(7)});
    const QStringList removed = added(table(s), before);
    QCOMPARE(removed.size(), 1);
    QVERIFY2(removed.first().startsWith(s.row1Key + u'|'), qPrintable(removed.first()));
    // The list stands on the modified record: the next 修改 loads it.
    d.startModify();
    CYCLE_TEXTS(d, s.record(7));
}

// 删除 asks about the current row, which the controls show from the question
// on; No changes nothing; Yes removes it, the next one becomes current and the
// controls show it; a row other rows still name is refused with the failure text.
inline void deleteRows(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    const QString question = QStringLiteral("警告|%1|warning").arg(s.deleteQuestion);
    messages->answerNext(MsgAnswer::No);
    d.press("bitbtn_delete");
    QCOMPARE(shown(messages), QStringList{question});
    QCOMPARE(messages->shown.first().owner.data(), static_cast<QWidget*>(d.screen()));
    QCOMPARE(table(s), before);

    messages->clear();
    const QString second = d.gridText(1);
    d.press("bitbtn_delete");
    QCOMPARE(shown(messages), QStringList{question});
    QCOMPARE(table(s).size(), before.size() - 1);
    QCOMPARE(d.gridText(0), second);
    QCOMPARE(d.selectedRow(), 0);
    CYCLE_STATE(d, false);
    CYCLE_TEXTS(d, s.row1);

    messages->clear();
    for (const QString& sql : s.blockDelete)
        TestDatabase::exec(sql);
    const QStringList kept = table(s);
    d.press("bitbtn_delete");
    if (!s.blockDelete.isEmpty()) {
        QCOMPARE(shownHeads(messages),
                 (QStringList{question, QStringLiteral("错误|%1|error").arg(s.deleteFailure.section('\n', 0, 0))}));
        // The record is still in use: the screen's own reason follows its
        // text where it can name one, else the database's explanation.
        if (s.deleteFailure.contains('\n'))
            QCOMPARE(messages->shown[1].text, s.deleteFailure);
        else
            QVERIFY(messages->shown[1].text.contains(QStringLiteral("仍被其他记录使用")));
        QCOMPARE(table(s), kept);
        QCOMPARE(d.gridText(0), second);
    }
    QVERIFY(!Connection::shared().inTransaction());
}

// After each save the list stands on the saved record: the next 修改 changes
// it and 删除 removes it, never the list's first row. Before the delete
// question the controls show the row that would go.
inline void standsOnSaved(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    const QStringList before = table(s);
    d.press("bitbtn_insert");
    d.typeAll(s.record(7));
    d.press("bitbtn_post");
    QCOMPARE(added(before, table(s)), QStringList{s.stored(7)});

    // 修改 loads the saved record and changes it in place.
    d.startModify();
    CYCLE_TEXTS(d, s.record(7));
    d.typeAll(s.record(8));
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), (QStringList{kSaved, kModified}));
    QCOMPARE(added(before, table(s)), QStringList{s.stored(8)});
    QCOMPARE(added(table(s), before), QStringList());
    if (!s.canDelete)
        return;

    // 删除 → 是 removes the saved record, the first row stays.
    messages->clear();
    d.press("bitbtn_delete");
    QCOMPARE(shown(messages), QStringList{QStringLiteral("警告|%1|warning").arg(s.deleteQuestion)});
    QCOMPARE(table(s), before);

    // A row reached by the keyboard (which loads nothing) is shown before
    // the question; 否 keeps it.
    d.grid()->setFocus();
    QTest::keyClick(d.grid(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(d.grid(), Qt::Key_Down);
    QCOMPARE(d.selectedRow(), 1);
    messages->answerNext(MsgAnswer::No);
    d.press("bitbtn_delete");
    CYCLE_TEXTS(d, s.row1);
    QCOMPARE(table(s), before);
}

// An empty list: 删除 gives its notice and asks nothing; 修改 has no record
// to change, so its save fails rather than report a success that wrote nothing.
inline void emptyList(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenCase emptied = s;
    emptied.seed = QStringList{s.emptyTable};
    ScreenDriver d(emptied);
    if (s.canDelete) {
        d.press("bitbtn_delete");
        QCOMPARE(shown(messages),
                 QStringList{QStringLiteral("Morvik提示|空记录不能删除!|warning")});
    }
    if (s.hasModify) {
        messages->clear();
        d.press("bitbtn_modify");
        d.typeAll(s.record(7));
        d.press("bitbtn_post");
        QCOMPARE(shown(messages), QStringList{saveFailure(s)});
        CYCLE_STATE(d, true);
        QCOMPARE(table(s), QStringList());
    }
}

// A transaction something left open is rolled back before the save begins
// its own; 退出 during an edit closes the screen and writes nothing.
inline void transactionsAndQuit(const ScreenCase& s) {
    TestDatabase db;
    ScriptedMessagesScope messages;
    ScreenDriver d(s);
    Connection::shared().beginTransaction();
    TestDatabase::exec("insert into login_user (user_loginname) values ('stray')");
    d.press("bitbtn_insert");
    d.typeAll(s.record(7));
    d.press("bitbtn_post");
    QCOMPARE(shown(messages), QStringList{kSaved});
    QCOMPARE(TestDatabase::scalar("select count(*) from login_user where user_loginname='stray'"),
             QStringLiteral("0"));

    const QStringList before = table(s);
    QPointer<QDialog> screen = d.screen();
    d.press("bitbtn_insert");
    d.typeAll(s.record(8));
    d.press("bitbtn_quit");
    QTRY_VERIFY(screen.isNull());
    QCOMPARE(table(s), before);
}

} // namespace cycle
