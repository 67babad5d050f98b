// Arrears: one line per tenant and room with what is still due of each kind,
// totals equal to the unpaid rows' sums, a tenant who has left kept, the
// filter bound as a parameter, the detail list and its double click.
#include "scriptedmessages.h"
#include "testdatabase.h"
#include "tqfcxform.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

namespace {

void seed()
{
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K1','张三','ZS','1'),"
                       "('K2','李四','LS','0'),('K3','王五','WW','1')");
    TestDatabase::exec("insert into Zf_Fangjian (fangno,fangprice) values ('101',600),('102',800),('103',500)");
    TestDatabase::exec("insert into Zf_Rz (manid,fangno,begindate,status) values ('K1','101','2026-01-01','1'),"
                       "('K3','103','2026-01-01','1')");
    // K2 lived in 102 and has left.
    TestDatabase::exec("insert into zf_tf (manid,fangno,begindate,tfdate,tfj,status) values "
                       "('K2','102','2025-01-01','2026-10-31',300,'0')");
    TestDatabase::exec("insert into Zf_Zujin (fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,status) values "
                       "('101','K1','2026-11-05',0,600,20.5,620.5,200.25,'0'),"
                       "('101','K1','2026-10-05',0,600,20,620,620,'1'),"
                       "('102','K2','2026-09-05',0,800,0,800,0,'0'),"
                       "('103','K3','2026-11-05',0,500,0,500,500,'1')");
    const char* utility = "insert into %1 (fangno,manid,jkrq,sybd,bybd,sys,%2,yfj,sfj,status) values "
                          "('101','K1','%3',0,0,0,1,%4,%6,'%5')";
    const auto add = [&](const char* table, const char* price, const char* date, const char* due, const char* st) {
        // An unpaid row has received nothing; a paid one all of it.
        TestDatabase::exec(QString::fromLatin1(utility).arg(table, price, date, due, st,
                                                            QLatin1String(*st == '1' ? due : "0")));
    };
    add("Zf_Lenshui", "lsdj", "2026-11-30", "30.75", "0");
    add("Zf_Lenshui", "lsdj", "2026-10-31", "12.3", "0");
    add("Zf_Lenshui", "lsdj", "2026-09-30", "99.99", "1");
    add("Zf_Reshui", "rsdj", "2026-11-30", "18", "0");
    TestDatabase::exec("insert into Zf_YdSf (fangno,manid,jkrq,sybd,bybd,sys,yddj,yfj,sfj,status) values "
                       "('102','K2','2026-08-31',0,0,0,1,45.6,45.6,'0')");
    // That row was written before 实收 held money received: its 45.6 counts
    // as nothing received.
    TestDatabase::exec("insert into Zf_MoneyRule (tablename,lastoldid) select 'Zf_YdSf', max(ID) from Zf_YdSf");
}

QStringList shown(QTableView* grid)
{
    QStringList rows;
    const QAbstractItemModel* m = grid->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->data(m->index(r, c)).toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TestArrears : public QObject {
    Q_OBJECT

private slots:
    void walkThrough()
    {
        TestDatabase db(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        ScriptedMessagesScope messages;
        seed();
        auto* form = new TQfCxForm;
        form->show();
        auto* summary = form->findChild<QTableView*>("DBGrid1");
        auto* details = form->findChild<QTableView*>("DBGrid2");
        auto* filter = form->findChild<QLineEdit*>("Ed_Fh");
        auto* total = form->findChild<QLabel*>("Lab_total");

        QCOMPARE(form->windowTitle(), QStringLiteral("欠费查询"));
        QCOMPARE(shown(summary),
                 (QStringList{"K1|张三|101|在住|420.25|43.05|18|0|481.3|481.3|2026-10-31",
                              "K2|李四|102|已退房|800|0|0|45.6|845.6|845.6|2026-08-31"}));
        // The overall total is what every unsettled row still owes: its due
        // less the money received (nothing on the older row), to the fen.
        const QString expected = TestDatabase::scalar(
            "select sum(d) from (select yf - sf as d from Zf_Zujin where status='0' union all "
            "select yfj - sfj from Zf_Lenshui where status='0' union all select yfj - sfj from Zf_Reshui "
            "where status='0' union all select yfj from Zf_YdSf where status='0') x");
        QCOMPARE(expected, QStringLiteral("1326.9"));
        QCOMPARE(total->text(), QStringLiteral("欠费合计：1326.9 元，2 位客户，共 6 笔"));
        QVERIFY(summary->findChild<QAction*>("Act_export"));
        if (qEnvironmentVariableIsSet("ZENTAVO_SCREENSHOTS"))
            form->grab().save(qEnvironmentVariable("ZENTAVO_SCREENSHOTS") + "/tqfcxform.png");

        // The first line's unpaid charges, oldest first; a double click asks
        // for the charge's own screen and row.
        QCOMPARE(shown(details), (QStringList{"冷水|2026-10-31|12.3", "房租|2026-11-05|420.25",
                                               "冷水|2026-11-30|30.75", "热水|2026-11-30|18"}));
        QSignalSpy open(form, &TQfCxForm::openCharge);
        const QPoint second = details->visualRect(details->model()->index(1, 0)).center();
        QTest::mouseClick(details->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(details->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(open.size(), 1);
        QCOMPARE(open[0][0].toInt(), int(TQfCxForm::Rent));
        QCOMPARE(open[0][1].toInt(), TestDatabase::scalar("select id from Zf_Zujin where yf=620.5").toInt());

        summary->setCurrentIndex(summary->model()->index(1, 0));
        QCOMPARE(shown(details), (QStringList{"电费|2026-08-31|45.6", "房租|2026-09-05|800"}));

        // The filter matches room, tenant number or mnemonic code; typed
        // quotes are only text.
        const QStringList before = TestDatabase::rows("select * from Zf_Zujin order by id");
        for (const auto& [text, rows] : std::vector<std::pair<QString, int>>{
                 {"ls", 1}, {"10", 2}, {"K1", 1}, {"' or '1'='1", 0}, {"'", 0}, {"", 2}}) {
            filter->setText(text);
            QTest::mouseClick(form->findChild<QPushButton*>("BitBtn_find"), Qt::LeftButton);
            QCOMPARE(summary->model()->rowCount(), rows);
        }
        QCOMPARE(TestDatabase::rows("select * from Zf_Zujin order by id"), before);
        QVERIFY(messages->shown.isEmpty());

        // Paying a charge takes it off the list.
        TestDatabase::exec("update Zf_YdSf set status='1'");
        QTest::mouseClick(form->findChild<QPushButton*>("BitBtn_find"), Qt::LeftButton);
        QCOMPARE(shown(summary).last(), QStringLiteral("K2|李四|102|已退房|800|0|0|0|800|800|2026-09-05"));
        delete form;
    }
};

QTEST_MAIN(TestArrears)
#include "tst_tqfcxform.moc"
