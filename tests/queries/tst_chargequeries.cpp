// The four charge queries driven as a person uses them: the opening list,
// a field chosen (value box or date picker), the simple find, 高级查询, and
// a failed statement followed by a find that runs afresh.
#include "screenhelpers.h"
#include "testdatabase.h"
#include "tgjcxform.h"
#include "tsfcxform.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {

struct Kind {
    const char* table;
    const char* price;
    std::function<TSfCxForm*()> make;
};

Kind kindOf(const QString& screen) {
    if (screen == "TZfSfcxForm")
        return {"Zf_Zujin", "", [] { return new TZfSfcxForm; }};
    if (screen == "TLsSfCxForm")
        return {"Zf_Lenshui", "lsdj", [] { return new TLsSfCxForm; }};
    if (screen == "TRsSfCxForm")
        return {"Zf_Reshui", "rsdj", [] { return new TRsSfCxForm; }};
    return {"Zf_YdSf", "Yddj", [] { return new TYdSfCxForm; }};
}

// Four charge rows in the screen's table: room, tenant, payment date,
// price, amount received, status.
void seed(const Kind& kind) {
    TestDatabase::exec("insert into Zf_Man (manid,manname) values ('K01','张三')");
    TestDatabase::exec("insert into Zf_Man (manid,manname) values ('K02','李四')");
    const QStringList rows{
        "'10','K01','2004-04-20',3.5,35,'1'", "'101','K01','2004-05-01',3.5,30,'0'",
        "'102','K02','2004-05-01 08:30:00',4,45,'1'", "'1''01','K02','2004-06-15',4,50,''"};
    for (const QString& r : rows) {
        TestDatabase::exec("insert into Zf_Fangjian (fangno,fangprice) values (" +
                           r.section(u',', 0, 0) + ",500)");
        const QStringList v = r.split(u',');
        if (QString(kind.price).isEmpty())
            TestDatabase::exec(
                QStringLiteral("insert into Zf_Zujin (fangno,manid,jkrq,fangya,fangprice,"
                               "ljf,yf,sf,begindate,enddate,status) values "
                               "(%1,%2,%3,0,%4,10,%5,%5,'2004-01-01','2004-12-31',%6)")
                    .arg(v[0], v[1], v[2], v[3], v[4], v[5]));
        else
            TestDatabase::exec(
                QStringLiteral("insert into %1 (fangno,manid,Jkrq,Sybd,Bybd,Sys,%2,Yfj,"
                               "sfj,status) values (%3,%4,%5,1,11,10,%6,%7,%7,%8)")
                    .arg(kind.table, kind.price, v[0], v[1], v[2], v[3], v[4], v[5]));
    }
}

QStringList snapshot(const Kind& kind) {
    return TestDatabase::rows(QStringLiteral("select * from %1").arg(kind.table)) +
           TestDatabase::rows("select * from Zf_Man");
}

const QString kGeneral = QStringLiteral("房屋出租管理|");

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class TestChargeQueries : public QObject {
    Q_OBJECT

private slots:
    void chargeQuery_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("titles");
        const QStringList utility{"房号",     "客户编号", "客户姓名", "交款日期",
                                  "上月表底", "本月表底", "实用数",   "单价",
                                  "应付金额", "实收金额", "状态"};
        QTest::newRow("rent") << "TZfSfcxForm"
                              << "租房收费情况查询"
                              << QStringList{"房号",     "用户编号", "客户姓名", "交款日期",
                                             "房押",     "房租",     "垃圾费",   "应付租金",
                                             "实收金额", "起租日期", "截止日期", "状态"};
        QTest::newRow("cold water") << "TLsSfCxForm"
                                    << "冷水收费查询" << utility;
        QTest::newRow("hot water") << "TRsSfCxForm"
                                   << "热水收费查询" << utility;
        QTest::newRow("electricity") << "TYdSfCxForm"
                                     << "用电收费查询" << utility;
    }
    void chargeQuery() {
        QFETCH(QString, screen);
        QFETCH(QString, caption);
        QFETCH(QStringList, titles);
        TestDatabase db;
        const Kind kind = kindOf(screen);
        seed(kind);
        const QStringList before = snapshot(kind);
        ScriptedMessagesScope messages;
        std::unique_ptr<TSfCxForm> form(kind.make());
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        form->show();
        QCOMPARE(form->objectName(), screen);
        QCOMPARE(form->windowTitle(), caption);
        auto* grid = child<QTableView>(form.get(), "DBGrid1");
        auto* field = child<QComboBox>(form.get(), "Com_first");
        auto* term = child<QComboBox>(form.get(), "Com_term");
        auto* value = child<QComboBox>(form.get(), "Com_result");
        auto* date = child<QDateEdit>(form.get(), "DateTP");
        QCOMPARE(gridTitles(grid), titles);
        QStringList items;
        for (int i = 0; i < field->count(); ++i)
            items << field->itemText(i);
        QCOMPARE(items, titles);
        QVERIFY(value->isVisible() && !date->isVisible());
        QCOMPARE(date->date(), QDate(2024, 3, 7));

        // The opening list: every row with its tenant's name, price shown.
        const int priceColumn = titles.indexOf(kind.price[0] ? "单价" : "房租");
        const int dateColumn = 3, statusColumn = titles.size() - 1;
        QCOMPARE(gridColumn(grid, 0), sorted({"10", "101", "102", "1'01"}));
        QCOMPARE(gridColumn(grid, 2), (QStringList{"张三", "张三", "李四", "李四"}));
        QCOMPARE(gridColumn(grid, priceColumn), (QStringList{"3.5", "3.5", "4", "4"}));
        QCOMPARE(gridColumn(grid, dateColumn),
                 (QStringList{"2004-04-20", "2004-05-01", "2004-05-01 08:30:00", "2004-06-15"}));
        QCOMPARE(gridColumn(grid, statusColumn),
                 (QStringList{"已交款", "已交款", "未交款", "未交款"}));
        saveShot(form.get(), screen);

        // The field decides the value input: a date picker for the payment
        // date, the value box for text and decimal columns alike.
        const auto find = [&](const QString& title, const QString& op, const QString& typed) {
            choose(field, title);
            choose(term, op);
            if (date->isVisible())
                date->setDate(QDate::fromString(typed, "yyyy-MM-dd"));
            else
                value->setEditText(typed);
            click(form.get(), "BitBtn_find");
            return gridColumn(grid, 0);
        };
        choose(field, "交款日期");
        QVERIFY(date->isVisible() && !value->isVisible());
        saveShot(form.get(), screen + "-date");
        choose(field, titles[priceColumn]);
        QVERIFY(value->isVisible() && !date->isVisible());

        QCOMPARE(find("房号", "like", "10"), QStringList{"10"});
        QCOMPARE(find("房号", "like", "10%"), (QStringList{"10", "101", "102"}));
        QCOMPARE(find("房号", "=", "1'01"), QStringList{"1'01"});
        // The picked date matches the rows without a time of day.
        QCOMPARE(find("交款日期", "=", "2004-05-01"), QStringList{"101"});
        QCOMPARE(find("交款日期", ">=", "2004-05-01"), sorted({"101", "102", "1'01"}));
        // manid is the charge row's; 状态 compares the stored code.
        QCOMPARE(find(titles[1], "=", "K02"), sorted({"102", "1'01"}));
        QCOMPARE(find(titles[1], "like", "k0%"), sorted({"10", "101", "102", "1'01"}));
        QCOMPARE(find("状态", "=", "已交款"), (QStringList{"10", "102"}));
        QCOMPARE(value->count(), 2); // 状态 offers its two words
        QCOMPARE(find("状态", "=", "未交款"), QStringList{"101"});
        QCOMPARE(find("实收金额", ">=", "45"), sorted({"102", "1'01"}));
        QCOMPARE(value->count(), 0);
        QCOMPARE(find(titles[priceColumn], "=", "3.50"), (QStringList{"10", "101"}));
        QVERIFY(messages->shown.isEmpty());
        // Without an operator the find does nothing.
        term->setCurrentIndex(-1);
        click(form.get(), "BitBtn_find");
        QCOMPARE(gridColumn(grid, 0), (QStringList{"10", "101"}));

        // Typed quotes stay inside the value.
        QCOMPARE(find("房号", "=", "' or '1'='1"), QStringList{});
        QCOMPARE(find("客户姓名", "like", "%' or '1'='1"), QStringList{});
        QVERIFY(messages->shown.isEmpty());

        // A value that is no number fails as on the server; the screen
        // recovers: the print guard holds, the next find runs afresh.
        QCOMPARE(find("实收金额", "<", "abc"), QStringList{});
        QStringList shown = shownTexts(messages.messages());
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith(kGeneral), qPrintable(shown[0]));
        click(form.get(), "BBtn_Print");
        QCOMPARE(shownTexts(messages.messages()), QStringList{"Morvik提示|请查询后再打印！"});
        choose(field, "交款日期"); // the kind is still known
        QVERIFY(date->isVisible());
        QCOMPARE(find("交款日期", "<", "2004-05-01"), QStringList{"10"});

        // 高级查询: the dialog gets the titles; 确定 narrows the list.
        const auto compound = [&](const QStringList& conditions, bool confirm) {
            onModal(
                [&](QWidget* d) {
                    QCOMPARE(d->windowTitle(), QStringLiteral("高级查询"));
                    for (const QString& c : conditions) {
                        if (c.startsWith(u'&')) {
                            choose(child<QComboBox>(d, "Com_lj"), c.mid(1));
                            continue;
                        }
                        choose(child<QComboBox>(d, "Com_jl"), c.section(u'|', 0, 0));
                        choose(child<QComboBox>(d, "Com_tj"), c.section(u'|', 1, 1));
                        child<QLineEdit>(d, "Edit1")->setText(c.section(u'|', 2));
                        click(d, "BitBtn_Add");
                    }
                    saveShot(d, screen + "-dialog");
                    click(d, confirm ? "BitBtn_OK" : "BitBtn_Exit");
                },
                [&] { click(form.get(), "BBtn_Ok"); });
            return gridColumn(grid, 0);
        };
        QCOMPARE(compound({"状态|=|未交款"}, true), QStringList{"101"});
        QCOMPARE(compound({titles[1] + "|=|K01", "&并且", "实收金额|>|30"}, true),
                 QStringList{"10"});
        QCOMPARE(compound({"房号|=|101"}, false), QStringList{"10"}); // 退出 changes nothing
        QCOMPARE(compound({"房号|=|' or '1'='1"}, true), QStringList{});
        QCOMPARE(compound({}, true), sorted({"10", "101", "102", "1'01"}));
        QVERIFY(messages->shown.isEmpty());
        // A value the database cannot convert finds nothing (or fails, as
        // on the server, through the general error display).
        QCOMPARE(compound({"实收金额|=|abc"}, true), QStringList{});
        for (const QString& s : shownTexts(messages.messages()))
            QVERIFY2(s.startsWith(kGeneral), qPrintable(s));
        // A compound query that fails in the database leaves the grid empty;
        // the next one runs afresh.
        const QString table = QString::fromLatin1(kind.table);
        TestDatabase::exec("alter table " + table + " rename to charges_away");
        QCOMPARE(compound({"房号|=|10"}, true), QStringList{});
        shown = shownTexts(messages.messages());
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith(kGeneral), qPrintable(shown[0]));
        TestDatabase::exec("alter table charges_away rename to " + table);
        QCOMPARE(compound({"交款日期|>|2004-5-1"}, true), sorted({"102", "1'01"}));
        QCOMPARE(find("房号", "like", "1%"), sorted({"10", "101", "102", "1'01"}));
        QVERIFY(messages->shown.isEmpty());

        QCOMPARE(snapshot(kind), before);
        click(form.get(), "bitbtn_quit");
        QVERIFY(form->isHidden());
    }
};

QTEST_MAIN(TestChargeQueries)
#include "tst_chargequeries.moc"
