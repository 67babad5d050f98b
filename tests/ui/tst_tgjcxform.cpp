// The compound-condition dialog driven as a person uses it: fields chosen,
// values typed, connectors chosen, rows deleted, 确定 pressed. Each where
// text it builds is also run after the cold-water list's statement on a
// seeded database, so it is proven to select what the user asked for.
#include "testdatabase.h"
#include "tgjcxform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QStringList kTitles{"房号", "交款日期", "实收金额", "状态"};
const QStringList kFields{"fangno", "Jkrq", "sfj", "status"};

// The cold-water screen's compound statement, which the where text follows.
const QString kColdWaterSql =
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.lsdj,\n"
    "A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status \n"
    "FROM dbo.Zf_Lenshui A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid \n";

void seed() {
    TestDatabase::exec("insert into Zf_Man (manid, manname) values ('K01', '张三')");
    TestDatabase::exec("insert into Zf_Man (manid, manname) values ('K02', '李四')");
    const QStringList rows{
        "'10', 'K01', '2004-04-20', 10, '1'", "'101', 'K01', '2004-05-01', 30, '0'",
        "'102', 'K02', '2004-05-20', 45, '1'", "'1''01', 'K02', '2004-06-15', 50, '1'"};
    for (const QString& r : rows) {
        const QString room = r.section(", ", 0, 0);
        TestDatabase::exec("insert into Zf_Fangjian (fangno, fangprice) values (" + room +
                           ", 500)");
        TestDatabase::exec("insert into Zf_Lenshui (fangno, manid, Jkrq, sfj, status) values (" +
                           r + ")");
    }
}

// The rooms of the charge rows that the statement with this where text lists,
// sorted.
QStringList listedRooms(const QString& where) {
    QStringList rooms;
    for (const QString& row : TestDatabase::rows(kColdWaterSql + where))
        rooms << row.section(QLatin1Char('|'), 1, 1);
    rooms.sort(); // the statement fixes no order
    return rooms;
}

template <class T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

void choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

void press(QWidget* dialog, const char* button) {
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

// One step of a user's session:
//   "+title|operator|value"  choose, type and press 新增
//   "&connector"             choose the connector
//   "-row"                   click that grid row and press 删除
void perform(QWidget* d, const QString& step) {
    const QString arg = step.mid(1);
    if (step.startsWith(u'+')) {
        choose(child<QComboBox>(d, "Com_jl"), arg.section(u'|', 0, 0));
        choose(child<QComboBox>(d, "Com_tj"), arg.section(u'|', 1, 1));
        auto* edit = child<QLineEdit>(d, "Edit1");
        edit->clear();
        QTest::keyClicks(edit, arg.section(u'|', 2));
        press(d, "BitBtn_Add");
    } else if (step.startsWith(u'&')) {
        choose(child<QComboBox>(d, "Com_lj"), arg);
    } else if (step.startsWith(u'-')) {
        auto* grid = child<QTableWidget>(d, "StringGrid1");
        const QRect cell = grid->visualRect(grid->model()->index(arg.toInt(), 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        press(d, "BitBtn_Del");
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

QStringList gridRows(QWidget* d) {
    auto* grid = child<QTableWidget>(d, "StringGrid1");
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        rows << cells.join(u'|');
    }
    return rows;
}

} // namespace

class TestCompoundQuery : public QObject {
    Q_OBJECT

private slots:
    void buildsWhereText_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("grid");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("rooms");
        const QStringList all{"10", "101", "102", "1'01"};

        QTest::newRow("no condition lists every row")
            << QStringList{} << QStringList{"|||"} << "" << all;
        QTest::newRow("one condition") << QStringList{"+房号|=|101"} << QStringList{"房号|=|101|"}
                                       << " where fangno = '101' " << QStringList{"101"};
        QTest::newRow("date and status joined by 并且")
            << QStringList{"+交款日期|>=|2004-5-1", "&并且", "+状态|=|1"}
            << QStringList{"交款日期|>=|2004-5-1|并且", "状态|=|1|并且"}
            << " where Jkrq >= '2004-5-1' and status = '1' " << QStringList{"102", "1'01"};
        QTest::newRow("并且 then 或, in order")
            << QStringList{"+交款日期|>=|2004-5-1", "&并且", "+状态|=|1", "&或", "+房号|=|10"}
            << QStringList{"交款日期|>=|2004-5-1|并且", "状态|=|1|或", "房号|=|10|或"}
            << " where Jkrq >= '2004-5-1' and status = '1' or fangno = '10' "
            << QStringList{"10", "102", "1'01"};
        QTest::newRow("the connector shown chosen again joins the next row")
            << QStringList{"+房号|<>|10", "&并且", "+状态|=|1", "&并且", "+实收金额|<|50"}
            << QStringList{"房号|<>|10|并且", "状态|=|1|并且", "实收金额|<|50|并且"}
            << " where fangno <> '10' and status = '1' and sfj < '50' " << QStringList{"102"};
        QTest::newRow("新增 twice without a connector fills one row")
            << QStringList{"+房号|=|101", "+房号|=|102"} << QStringList{"房号|=|101|"}
            << " where fangno = '101' " << QStringList{"101"};
        QTest::newRow("a connector before any condition adds no row")
            << QStringList{"&或", "+房号|=|101"} << QStringList{"房号|=|101|或"}
            << " where fangno = '101' " << QStringList{"101"};
        QTest::newRow("a trailing connector is not written")
            << QStringList{"+房号|=|101", "&或"} << QStringList{"房号|=|101|或", "|||"}
            << " where fangno = '101' " << QStringList{"101"};
        QTest::newRow("删除 on the only row empties it for 新增")
            << QStringList{"+房号|=|101", "-0", "+房号|=|102"} << QStringList{"房号|=|102|"}
            << " where fangno = '102' " << QStringList{"102"};
        QTest::newRow("deleting the condition above the empty row lets 新增 fill it")
            << QStringList{"+房号|=|101", "&或", "-0", "+房号|=|102"}
            << QStringList{"房号|=|102|或"} << " where fangno = '102' " << QStringList{"102"};
        QTest::newRow("deleting a middle row keeps the others joined")
            << QStringList{"+房号|=|10", "&或", "+房号|=|101", "&或", "+房号|=|102", "-1"}
            << QStringList{"房号|=|10|或", "房号|=|102|或"}
            << " where fangno = '10' or fangno = '102' " << QStringList{"10", "102"};
        QTest::newRow("a quote in the value stays in the value")
            << QStringList{"+房号|=|1'01"} << QStringList{"房号|=|1'01|"}
            << " where fangno = '1''01' " << QStringList{"1'01"};
        QTest::newRow("quotes cannot widen the condition")
            << QStringList{"+房号|=|x' or '1'='1"} << QStringList{"房号|=|x' or '1'='1|"}
            << " where fangno = 'x'' or ''1''=''1' " << QStringList{};
        QTest::newRow("like without a wildcard matches the value only")
            << QStringList{"+房号|like|10"} << QStringList{"房号|like|10|"}
            << " where fangno like '10' " << QStringList{"10"};
    }
    void buildsWhereText() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, grid);
        QFETCH(QString, where);
        QFETCH(QStringList, rooms);
        TestDatabase db;
        seed();
        TLsSfGjCxForm dialog;
        dialog.setFields(kTitles, kFields);
        dialog.show();
        for (const QString& step : steps) {
            perform(&dialog, step);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(gridRows(&dialog), grid);
        press(&dialog, "BitBtn_OK");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.WhereText(), where);
        rooms.sort();
        QCOMPARE(listedRooms(dialog.WhereText()), rooms);
    }

    // Shown modally as a screen shows it: 确定 answers Accepted with the
    // where text; 退出 and the close box answer Rejected and build nothing.
    void modalResult_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("where");
        QTest::newRow("确定") << "BitBtn_OK" << int(QDialog::Accepted) << " where sfj >= '45' ";
        QTest::newRow("退出") << "BitBtn_Exit" << int(QDialog::Rejected) << "";
        QTest::newRow("close box") << "" << int(QDialog::Rejected) << "";
    }
    void modalResult() {
        QFETCH(QString, action);
        QFETCH(int, result);
        QFETCH(QString, where);
        TestDatabase db;
        TYdSfGjcxForm dialog;
        // The screen of the sixth part hands over its field names again at
        // each use, so the list may run longer than the titles.
        dialog.setFields(kTitles, kFields + kFields);
        perform(&dialog, "+实收金额|>=|45");
        bool answered = false;
        QTimer::singleShot(0, [&] {
            QDeadlineTimer deadline(5000);
            while (QApplication::activeModalWidget() != &dialog && !deadline.hasExpired())
                QTest::qWait(10);
            answered = QApplication::activeModalWidget() == &dialog;
            if (action.isEmpty())
                dialog.close();
            else
                press(&dialog, qPrintable(action));
        });
        QCOMPARE(dialog.exec(), result);
        QVERIFY(answered);
        QCOMPARE(dialog.WhereText(), where);
    }

    // Every charge screen's kind of the dialog shows the same controls, with
    // nothing chosen at first, so 新增 fills no row until field and operator
    // are chosen.
    void appearance_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("className");
        QTest::newRow("rent") << 0 << "TZfSfGjcxForm";
        QTest::newRow("cold water") << 1 << "TLsSfGjCxForm";
        QTest::newRow("hot water") << 2 << "TRsSfGjCxForm";
        QTest::newRow("electricity") << 3 << "TYdSfGjcxForm";
    }
    void appearance() {
        QFETCH(int, kind);
        QFETCH(QString, className);
        using Make = TGjcxForm* (*)();
        const Make makers[] = {[]() -> TGjcxForm* { return new TZfSfGjcxForm; },
                               []() -> TGjcxForm* { return new TLsSfGjCxForm; },
                               []() -> TGjcxForm* { return new TRsSfGjCxForm; },
                               []() -> TGjcxForm* { return new TYdSfGjcxForm; }};
        const std::unique_ptr<TGjcxForm> d(makers[kind]());
        QCOMPARE(d->metaObject()->className(), className.toLatin1());
        QCOMPARE(d->windowTitle(), QStringLiteral("高级查询"));
        for (int i = 0; i < kTitles.size(); ++i)
            d->addField(kTitles[i], kFields[i]);
        d->show();
        QCOMPARE(d->minimumSize(), d->maximumSize());

        QMap<QString, QString> labelled; // buddy -> label text
        for (QLabel* l : d->findChildren<QLabel*>())
            labelled[l->buddy() ? l->buddy()->objectName() : QString()] = l->text();
        QCOMPARE(
            labelled,
            (QMap<QString, QString>{
                {"Com_jl", "关键字"}, {"Com_tj", "条件"}, {"Edit1", "数据"}, {"Com_lj", "连接"}}));
        QStringList buttons;
        for (const char* name : {"BitBtn_Add", "BitBtn_Del", "BitBtn_OK", "BitBtn_Exit"})
            buttons << child<QPushButton>(d.get(), name)->text();
        QCOMPARE(buttons, (QStringList{"新增", "删除", "确定", "退出"}));
        auto* grid = child<QTableWidget>(d.get(), "StringGrid1");
        QStringList headers;
        for (int c = 0; c < grid->columnCount(); ++c)
            headers << grid->horizontalHeaderItem(c)->text();
        QCOMPARE(headers, (QStringList{"关键字", "条件", "数值", "连接条件"}));

        QMap<QString, QStringList> lists; // combo -> items, then the index shown
        for (auto* c : d->findChildren<QComboBox*>()) {
            for (int i = 0; i < c->count(); ++i)
                lists[c->objectName()] << c->itemText(i);
            if (!c->isHidden())
                lists[c->objectName()] << QString::number(c->currentIndex());
        }
        QCOMPARE(lists, (QMap<QString, QStringList>{
                            {"Com_jl", kTitles + QStringList{"-1"}},
                            {"Com_tj", {"<", "<=", "=", ">", ">=", "<>", "like", "-1"}},
                            {"Com_lj", {"", "或", "并且", "-1"}},
                            {"fieldname", kFields}}));
        QVERIFY(child<QComboBox>(d.get(), "fieldname")->isHidden());

        auto* operators = child<QComboBox>(d.get(), "Com_tj");
        choose(operators, "=");
        press(d.get(), "BitBtn_Add");
        operators->setCurrentIndex(-1);
        choose(child<QComboBox>(d.get(), "Com_jl"), "房号");
        press(d.get(), "BitBtn_Add");
        QCOMPARE(gridRows(d.get()), QStringList{"|||"});
        QVERIFY(!d->AwaitingConnector());
    }
};

QTEST_MAIN(TestCompoundQuery)
#include "tst_tgjcxform.moc"
