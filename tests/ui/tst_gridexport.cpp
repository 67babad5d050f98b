#include "gridexport.h"
#include "querymodel.h"
#include "testdatabase.h"

#include <QAction>
#include <QFile>
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
};

QTEST_MAIN(TestGridExport)
#include "tst_gridexport.moc"
