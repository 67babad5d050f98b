// The files written for the user hold tenants' particulars: a list
// exported to CSV and a printout saved as PDF are readable by their owner
// only, whether new or written over a file that was readable by all.
#include "gridexport.h"
#include "query.h"
#include "querymodel.h"
#include "reportengine.h"
#include "reportpreview.h"
#include "scriptedmessages.h"
#include "testdatabase.h"

#include <QFile>
#include <QPrinter>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

int fileMode(const QString& file)
{
    struct stat st {};
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// A file readable by everyone, as a file the user made elsewhere would be.
void writeOpenFile(const QString& file)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0644) == 0);
}

} // namespace

class TestOwnerFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ::umask(022); }

    void writtenFilesAreOwnerOnly_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("new file") << false;
        QTest::newRow("over a file readable by all") << true;
    }

    void writtenFilesAreOwnerOnly()
    {
        QFETCH(bool, existing);
        TestDatabase db;
        ScriptedMessagesScope messages;
        TestDatabase::exec("insert into Zf_Man (manid, manname, idcard) values ('K01', '张三', '110101199001011234')");
        QTemporaryDir dir;
        const QString csv = dir.filePath("客户.csv");
        const QString pdf = dir.filePath("客户.pdf");
        if (existing) {
            writeOpenFile(csv);
            writeOpenFile(pdf);
        }

        Query q;
        q.setSql("select manid, manname, idcard from zf_man");
        QueryModel model(q, {{"manid", "客户编号"}, {"manname", "客户姓名"}, {"idcard", "身份证号"}});
        model.reopen();
        QTableView grid;
        grid.setModel(&model);
        QCOMPARE(exportGridToFile(&grid, csv), QString());
        QCOMPARE(fileMode(csv), 0600);
        QFile csvFile(csv);
        QVERIFY(csvFile.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(csvFile.readAll()).contains("110101199001011234"));

        ReportLayout layout;
        layout.name = "owner_report";
        layout.reportTitle = "客户";
        layout.detailBand.height = 8;
        ReportItem field;
        field.kind = ItemKind::Field;
        field.text = "idcard";
        layout.detailBand.items << field;
        ReportRenderer renderer(layout, {}, q.result());
        QPrinter printer(QPrinter::HighResolution);
        ReportPreview preview(renderer, &printer);
        try {
            QVERIFY(preview.saveAsPdf(pdf));
        } catch (const ReportError& e) {
            QFAIL(e.what());
        }
        QCOMPARE(fileMode(pdf), 0600);
        QFile pdfFile(pdf);
        QVERIFY(pdfFile.open(QIODevice::ReadOnly));
        QVERIFY(pdfFile.read(4) == "%PDF");
        QCOMPARE(messages->shown.size(), 0);
    }
};

QTEST_MAIN(TestOwnerFiles)
#include "tst_ownerfiles.moc"
