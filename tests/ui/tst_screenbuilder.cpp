// The screen builder: a small screen made of every kind of labelled field and
// a row of buttons, walked by keys as an operator would: each label leads to
// its control, Tab follows the order the controls were added, Enter in an
// edit presses no button, and the fields show what they were built as.
#include "screenbuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {

struct Screen {
    QDialog dialog;
    FieldGrid fields;
    QLineEdit* room;
    QLineEdit* name;
    QComboBox* kind;
    QComboBox* status;
    QDateEdit* paid;
    QLineEdit* note;
    QGroupBox* box;
    QCheckBox* rights;
    QLineEdit* key;
    ButtonRow buttons{&dialog};
    ButtonRow closing{nullptr, ButtonRow::Place::Right};
    QPushButton* insert;
    QPushButton* print;
    QPushButton* post;
    QPushButton* quit;

    Screen() {
        room = fields.edit({0, 0}, QStringLiteral("房    号："), "Ed_Fh");
        name = fields.aqua({0, 2}, QStringLiteral("客户姓名："), "Ed_Xm");
        kind = fields.combo({1, 0}, QStringLiteral("户 型："), "Com_Fx",
                            {QStringLiteral("单房"), QStringLiteral("一房一厅")});
        status = fields.combo({1, 2}, QStringLiteral("状态："), "Com_status",
                              {QStringLiteral("已交款"), QStringLiteral("未交款")},
                              FieldGrid::Choice::Listed);
        paid = fields.date({2, 0}, QStringLiteral("交款日期："), "DT_Jkrq");
        note = fields.edit({3, 0, 3}, QStringLiteral("备注:"), "Ed_Bz");
        box = new QGroupBox(QStringLiteral("权限"));
        FieldGrid inBox(box, FieldGrid::Labels::Above);
        key = inBox.edit({0, 0}, QStringLiteral("关键字"), "Ed_Key");
        rights = inBox.check({0, 1}, QStringLiteral("&S数据处理"), "Chk_Sjcl", true);

        insert = buttons.add(QStringLiteral("新增"), "bitbtn_insert");
        print = buttons.add(QStringLiteral("&P打印"), "BBtn_Print", false);
        buttons.addSpacing(40);
        post = buttons.add(QStringLiteral("保存"), "bitbtn_post");
        quit = closing.add(QStringLiteral("退出"), "bitbtn_quit");

        auto* layout = new QVBoxLayout(&dialog);
        layout->addLayout(fields.layout());
        layout->addWidget(box);
        layout->addLayout(buttons.layout());
        layout->addLayout(closing.layout());
        dialog.resize(600, 300);
    }
};

} // namespace

class TestScreenBuilder : public QObject {
    Q_OBJECT
private slots:
    void labelledFields_data();
    void labelledFields();
    void walkTheScreen();
};

void TestScreenBuilder::labelledFields_data() {
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("accessible");
    QTest::newRow("padded edit") << "Ed_Fh" << "房    号：" << "房号";
    QTest::newRow("aqua") << "Ed_Xm" << "客户姓名：" << "客户姓名";
    QTest::newRow("typed combo") << "Com_Fx" << "户 型：" << "户型";
    QTest::newRow("listed combo") << "Com_status" << "状态：" << "状态";
    QTest::newRow("date") << "DT_Jkrq" << "交款日期：" << "交款日期";
    QTest::newRow("ascii colon") << "Ed_Bz" << "备注:" << "备注";
    QTest::newRow("label above") << "Ed_Key" << "关键字" << "关键字";
}

void TestScreenBuilder::labelledFields() {
    QFETCH(QString, object);
    QFETCH(QString, label);
    QFETCH(QString, accessible);
    Screen s;
    auto* control = s.dialog.findChild<QWidget*>(object);
    QVERIFY(control);
    QCOMPARE(control->accessibleName(), accessible);
    // Exactly one label names the control, with the text given.
    QList<QLabel*> buddies;
    for (QLabel* l : s.dialog.findChildren<QLabel*>())
        if (l->buddy() == control)
            buddies << l;
    QCOMPARE(buddies.size(), 1);
    QCOMPARE(buddies.first()->text(), label);
    // The label stands left of its control on one line, or above it.
    s.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.dialog));
    const QRect l = buddies.first()->geometry();
    const QRect c = control->geometry();
    if (object == "Ed_Key") {
        QVERIFY(l.bottom() < c.top());
    } else {
        QVERIFY(l.right() < c.left());
        QVERIFY(l.bottom() > c.top() && l.top() < c.bottom());
        QVERIFY(buddies.first()->alignment() & Qt::AlignRight);
    }
}

void TestScreenBuilder::walkTheScreen() {
    Screen s;
    s.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.dialog));
    QApplication::setActiveWindow(&s.dialog);

    // What each kind of field was built as.
    QVERIFY(!s.name->isEnabled());
    QCOMPARE(s.name->palette().color(QPalette::Disabled, QPalette::Base), QColor(0, 255, 255));
    QCOMPARE(s.name->palette().color(QPalette::Disabled, QPalette::Text), QColor(0, 0, 0));
    QVERIFY(s.kind->isEditable());
    QCOMPARE(s.kind->currentIndex(), -1);
    QCOMPARE(s.kind->currentText(), QString());
    QVERIFY(!s.status->isEditable());
    QCOMPARE(s.status->currentIndex(), -1);
    QCOMPARE(s.status->count(), 2);
    QCOMPARE(s.paid->displayFormat(), QStringLiteral("yyyy-MM-dd"));
    QVERIFY(s.paid->calendarPopup());
    QVERIFY(s.rights->isChecked());
    QCOMPARE(s.rights->accessibleName(), QStringLiteral("S数据处理"));
    // The note spans the three columns after its label.
    int row, column, rowSpan, columnSpan;
    s.fields.layout()->getItemPosition(s.fields.layout()->indexOf(s.note), &row, &column, &rowSpan,
                                       &columnSpan);
    QCOMPARE(QList<int>({row, column, columnSpan}), QList<int>({3, 1, 3}));
    QCOMPARE(s.fields.labelOf(s.note)->text(), QStringLiteral("备注:"));
    QVERIFY(!s.fields.labelOf(s.insert));

    // The buttons: texts as given, mnemonic included; none is a default
    // button; the one built disabled stays so; the rows stand in order,
    // the first centred, the second at the right edge.
    QCOMPARE(s.print->text(), QStringLiteral("&P打印"));
    QVERIFY(!s.print->isEnabled());
    for (QPushButton* b : s.dialog.findChildren<QPushButton*>()) {
        QVERIFY2(!b->isDefault() && !b->autoDefault(), qPrintable(b->objectName()));
        QVERIFY(b->isEnabled() == (b != s.print));
    }
    QVERIFY(s.insert->x() < s.print->x());
    QVERIFY(s.post->x() - s.print->geometry().right() >= 40);
    const int leftRoom = s.insert->x();
    const int rightRoom = s.dialog.width() - s.post->geometry().right();
    QVERIFY2(qAbs(leftRoom - rightRoom) <= 2, qPrintable(QStringLiteral("%1 %2").arg(leftRoom).arg(rightRoom)));
    QVERIFY(s.dialog.width() - s.quit->geometry().right() < 20);

    // Enter in an edit presses no button, and a dialog without a default
    // button is not accepted by it either.
    QSignalSpy inserted(s.insert, &QPushButton::clicked);
    QSignalSpy posted(s.post, &QPushButton::clicked);
    QSignalSpy accepted(&s.dialog, &QDialog::accepted);
    s.room->setFocus();
    QTest::keyClicks(s.room, QStringLiteral("101"));
    QTest::keyClick(s.room, Qt::Key_Return);
    QCOMPARE(inserted.count() + posted.count() + accepted.count(), 0);
    QVERIFY(s.dialog.isVisible());

    // The focus chain holds the controls in the order they were added, the
    // buttons of the row made with the screen as their parent first.
    QStringList order;
    for (QWidget* w = s.insert; order.size() < 11; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
            !w->objectName().startsWith("qt_"))
            order << w->objectName();
    QCOMPARE(order, QStringList({"bitbtn_insert", "BBtn_Print", "bitbtn_post", "Ed_Fh", "Ed_Xm",
                                 "Com_Fx", "Com_status", "DT_Jkrq", "Ed_Bz", "Ed_Key", "Chk_Sjcl"}));

    // A chain set by the screen replaces the order of making.
    setTabChain({s.note, s.room, s.paid});
    s.note->setFocus();
    QTest::keyClick(s.note, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.room);
    QTest::keyClick(s.room, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(s.paid));
}

QTEST_MAIN(TestScreenBuilder)
#include "tst_screenbuilder.moc"
