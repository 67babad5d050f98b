// Every statement the program holds runs through the embedded engine on a
// seeded database: selects are opened, other statements are compiled against
// the schema. A statement the engine cannot speak fails here first.
#include "monthlytables.h"
#include "query.h"
#include "sqlcatalog.h"
#include "testdatabase.h"

#include <QTest>

class TestAllStatements : public QObject {
    Q_OBJECT

    static void seed()
    {
        EnsureCurrentBiaodiTables();
        TestDatabase::exec(
            "insert into zf_man(manid,manname,zjm,sex,idcard,iddress,handset,company) "
            "values ('K001','张三','ZS','1','110101199001011234','北京','13800000000','某公司');"
            "insert into zf_fangjian(fangno,area,housetype,facetype,sb,fangya,fangprice,ljf) "
            "values ('101',20,'单房','朝南','床',1000,800,10);"
            "insert into zf_rz(manid,fangno,begindate,enddate,status) values ('K001','101','2024-1-1','2024-12-31','1');"
            "insert into zf_zujin(fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,begindate,enddate,status) "
            "values ('101','K001','2024-3-1',1000,800,10,1810,1810,'2024-1-1','2024-3-31','1');"
            "insert into zf_lenshui(fangno,manid,jkrq,sybd,bybd,sys,lsdj,yfj,sfj,status) "
            "values ('101','K001','2024-3-5',10,15,5,3.5,17.5,17.5,'1');"
            "insert into zf_reshui(fangno,manid,jkrq,sybd,bybd,sys,rsdj,yfj,sfj,status) "
            "values ('101','K001','2024-3-5',1,2,1,18,18,18,'0');"
            "insert into zf_ydsf(fangno,manid,jkrq,sybd,bybd,sys,yddj,yfj,sfj,status) "
            "values ('101','K001','2024-3-5',100,150,50,0.6,30,30,'1');"
            "insert into zf_tf(manid,fangno,begindate,tfdate,tfj,status) values ('K001','101','2023-1-1','2023-12-31',500,'0')");
        TestDatabase::exec(QStringLiteral("insert into %1(fangno,Cbrq,lsb,rsb,db,mqb) values ('101','2024-3-2',15,2,150,3);"
                                          "insert into %2(fangno,Cbrq,lsb,rsb,db,mqb) values ('101','2024-2-2',10,1,100,2)")
                               .arg(BiaodiName, SyBiaodiName));
    }

private slots:
    void everyStatementRuns_data()
    {
        QTest::addColumn<QString>("sql");
        QVERIFY(!catalogStatements().empty());
        int n = 0;
        for (const CatalogStatement& s : catalogStatements())
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(++n).arg(s.owner))) << s.text;
    }
    void everyStatementRuns()
    {
        QFETCH(QString, sql);
        TestDatabase db;
        seed();
        Query q;
        q.setSql(sql);
        try {
            q.compile();
            if (sql.trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive))
                q.open(); // parameters unbound: compared with null
        } catch (const DbError& e) {
            QFAIL(qPrintable(e.text() + QStringLiteral("\n") + sql));
        }
    }
};

QTEST_GUILESS_MAIN(TestAllStatements)
#include "tst_allstatements.moc"
