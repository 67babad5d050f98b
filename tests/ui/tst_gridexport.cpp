#include "gridexport.h"
#include "querymodel.h"
#include "testdatabase.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An RFC 4180 reader, independent of the writer: quoted fields may hold
// commas, doubled quotes and line breaks; records end in CRLF.
QList<QStringList> readCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            record << field;
            records << record;
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

} // namespace

class TestGridExport : public QObject {
    Q_OBJECT

private slots:
    // A list with Chinese text, a comma, a quote and a line break is written
    // as shown (titles, shown words, amounts) and read back field for field;
    // a large list is written whole.
    void exportsWhatTheGridShows()
    {
        TestDatabase db;
        TestDatabase::exec(QStringLiteral("insert into Zf_Man (manid, manname, zjm, sex) values "
                                          "('K1', '张三', 'ZS', '1'), ('K2', '李,四', 'LS', '1'),"
                                          "('K3', '王\"五\"', 'WW', '0'), ('K4', '赵\n六', 'ZL', '0')"));
        Query q;
        q.setSql(QStringLiteral("select manid, manname, case sex when '1' then '男' else '女' end as sex, "
                                "cast(30.5 as numeric(12,2)) as rent from Zf_Man order by manid"));
        q.open();
        QueryModel model(q, {{"manid", "客户编号"}, {"manname", "客户姓名"}, {"sex", "性别"}, {"rent", "月租"}});
        QTableView grid;
        bindQueryGrid(&grid, &model);
        QTableView candidates;
        bindQueryGrid(&candidates, &model, false);
        QVERIFY(grid.findChild<QAction*>(QStringLiteral("Act_export")));
        QCOMPARE(grid.findChild<QAction*>(QStringLiteral("Act_export"))->text(), QStringLiteral("导出…"));
        QVERIFY(!candidates.findChild<QAction*>(QStringLiteral("Act_export")));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        QCOMPARE(exportGridToFile(&grid, path), QString());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> records = readCsv(QString::fromUtf8(bytes.mid(3)));
        const QList<QStringList> expected{{"客户编号", "客户姓名", "性别", "月租"},
                                          {"K1", "张三", "男", "30.5"},
                                          {"K2", "李,四", "男", "30.5"},
                                          {"K3", "王\"五\"", "女", "30.5"},
                                          {"K4", "赵\n六", "女", "30.5"}};
        QCOMPARE(records, expected);

        // Past the progress threshold: every row, in order, nothing left over.
        q.setSql(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 12000) "
                                "select i from n"));
        q.open();
        QueryModel big(q, {{"i", "序号"}});
        QTableView bigGrid;
        bindQueryGrid(&bigGrid, &big);
        QCOMPARE(exportGridToFile(&bigGrid, path), QString());
        QFile g(path);
        QVERIFY(g.open(QIODevice::ReadOnly));
        const QList<QStringList> all = readCsv(QString::fromUtf8(g.readAll().mid(3)));
        QCOMPARE(all.size(), 12001);
        QCOMPARE(all.last(), QStringList{"12000"});

        // A folder that cannot be written gives a message and no file.
        QVERIFY(!exportGridToFile(&grid, dir.filePath(QStringLiteral("missing/list.csv"))).isEmpty());
    }

    // Texts a spreadsheet would run as formulas carry a leading apostrophe;
    // amounts and dates stay numbers and dates, "-5" included. Read back by
    // python's csv module, a reader this program has no part in.
    void guardsFormulaTextsAndKeepsNumbers()
    {
        TestDatabase db;
        TestDatabase::exec(QStringLiteral(
            "insert into Zf_Man (manid, manname, zjm, sex) values ('K1', '张三', 'ZS', '1');"
            "insert into Zf_Fangjian (fangno, sb, fangprice, fangya, area) values "
            "('101', '=1+2', 800.5, -5, 12),"
            "('102', '+1', 0, 1000, -0.5),"
            "('103', '-5', -12.25, 0, 30),"
            "('104', '@SUM(A1)', 1, 2, 3),"
            "('105', char(9) + '制表符开头', 1, 2, 3),"
            "('106', char(13) + '回车开头', 1, 2, 3),"
            "('107', '朝阳区-东单 =A1', 1, 2, 3),"
            "('108', '=HYPERLINK(\"http://example.com\",\"点我\")', 1, 2, 3);"
            "insert into Zf_Rz (manid, fangno, begindate, status) values ('K1', '101', '2024-05-01', '1')"));
        Query q;
        q.setSql(QStringLiteral("select f.fangno, f.sb, f.fangprice, f.fangya, f.area, r.begindate "
                                "from Zf_Fangjian f left join Zf_Rz r on r.fangno = f.fangno order by f.fangno"));
        q.open();
        QueryModel model(q, {{"fangno", "房号"}, {"sb", "设备"}, {"fangprice", "房租"},
                             {"fangya", "押金"}, {"area", "面积"}, {"begindate", "起租日期"}});
        QTableView grid;
        bindQueryGrid(&grid, &model);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rooms.csv"));
        QCOMPARE(exportGridToFile(&grid, path), QString());

        // Each cell as python reads it, and whether it reads as a number.
        QProcess python;
        python.start(QStringLiteral("python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import csv, json, sys\n"
                                     "def num(s):\n"
                                     "    try:\n"
                                     "        float(s); return True\n"
                                     "    except ValueError:\n"
                                     "        return False\n"
                                     "rows = list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')))\n"
                                     "print(json.dumps([[[c, num(c)] for c in r] for r in rows]))\n"),
                      path});
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(python.exitCode(), 0);
        const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(rows.size(), 9);
        auto cell = [&](int row, int column) { return rows[row].toArray()[column].toArray()[0].toString(); };
        auto numeric = [&](int row, int column) { return rows[row].toArray()[column].toArray()[1].toBool(); };
        const struct {
            const char* typed;
            const char* written;
        } texts[] = {{"=1+2", "'=1+2"},
                     {"+1", "'+1"},
                     {"-5", "'-5"},
                     {"@SUM(A1)", "'@SUM(A1)"},
                     {"\t制表符开头", "'\t制表符开头"},
                     {"\r回车开头", "'\r回车开头"},
                     {"朝阳区-东单 =A1", "朝阳区-东单 =A1"},
                     {"=HYPERLINK(\"http://example.com\",\"点我\")", "'=HYPERLINK(\"http://example.com\",\"点我\")"}};
        for (int r = 0; r < 8; ++r) {
            QCOMPARE(cell(r + 1, 1), QString::fromUtf8(texts[r].written));
            QCOMPARE(cell(r + 1, 1).mid(cell(r + 1, 1).startsWith(u'\'') ? 1 : 0), QString::fromUtf8(texts[r].typed));
            for (int c = 2; c <= 4; ++c)
                QVERIFY2(numeric(r + 1, c), qPrintable(cell(r + 1, c)));
        }
        QCOMPARE(cell(1, 3), QStringLiteral("-5"));
        QCOMPARE(cell(2, 4), QStringLiteral("-0.5"));
        QCOMPARE(cell(3, 2), QStringLiteral("-12.25"));
        QCOMPARE(cell(1, 5), QStringLiteral("2024-05-01"));
        QCOMPARE(cell(2, 5), QString());
        QCOMPARE(cell(0, 1), QStringLiteral("设备"));
    }
};

QTEST_MAIN(TestGridExport)
#include "tst_gridexport.moc"
