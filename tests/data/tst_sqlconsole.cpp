#include "testdatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {
struct Run {
    int code;
    QString out, err;
};

Run console(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(QDir(QCoreApplication::applicationDirPath()).filePath("zentavo-sql"), args);
    p.waitForStarted();
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(20000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

class TestSqlConsole : public QObject {
    Q_OBJECT

private slots:
    void singleStatement()
    {
        TestDatabase db;
        const Run r = console({"-c", db.writeIni(), "-Q", "select djid, sfname, price from zf_dj where djid<3"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("djid\tsfname\tprice\n1\t冷水\t3.5\n2\t热水\t18\n(2 rows affected)\n"));
    }

    void batchesFromInput()
    {
        TestDatabase db;
        const Run r = console({"-c", db.writeIni()},
                              "insert zf_man(manid,manname) values ('K1','张三')\n"
                              "go\n"
                              "update zf_dj set price=price+1\n"
                              "GO\n"
                              "select manname from zf_man\n");
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("(1 row affected)\n(4 rows affected)\nmanname\n张三\n(1 row affected)\n"));
    }

    // The count printed is what the statement changed, whatever its form:
    // a WITH before an insert or a delete, a CREATE after an update (which
    // changes nothing however many rows the statement before it changed).
    void rowCountsOfEveryForm_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("with insert select")
            << "with n as (select djid from zf_dj) insert into zf_man (manid, manname) select djid, 'x' from n\n"
               "GO\nselect count(*) as n from zf_man\n"
            << "(4 rows affected)\nn\n4\n(1 row affected)\n";
        QTest::newRow("with delete")
            << "with n as (select djid from zf_dj where djid > 2) delete from zf_dj where djid in (select djid from n)\n"
            << "(2 rows affected)\n";
        QTest::newRow("with select") << "with x as (select 7 as a) select a from x\n"
                                     << "a\n7\n(1 row affected)\n";
        QTest::newRow("create after update")
            << "update zf_dj set price = price + 1\nGO\ncreate table zz (a int)\nGO\ndrop table zz\n"
            << "(4 rows affected)\n(0 rows affected)\n(0 rows affected)\n";
        QTest::newRow("update then create in one batch")
            << "update zf_dj set price = price where djid = 1; create table zz (a int)\n"
            << "(1 row affected)\n";
    }

    void rowCountsOfEveryForm()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        TestDatabase db;
        const Run r = console({"-c", db.writeIni()}, input.toUtf8());
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, output);
    }

    // A backup stopped by force (kill -9) leaves its temporary file; the
    // next backup into that folder clears it away, while a copy still being
    // written by a live process is left alone.
    void killedBackupLeavesNoPartialFile()
    {
        TestDatabase db;
        QProcess gone;
        gone.start("sleep", {"0"});
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString dest = QDir(db.dir()).filePath("copy.db");
        const QString stale = dest + ".zentavo-part-" + QString::number(deadPid);
        const QString live = QDir(db.dir()).filePath("other.db.zentavo-part-") + QString::number(QCoreApplication::applicationPid());
        for (const QString& f : {stale, stale + "-journal", live}) {
            QFile file(f);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        }
        const Run r = console({"-c", db.writeIni(), "--backup", dest});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QVERIFY(QFile::exists(dest));
        QVERIFY(!QFile::exists(stale));
        QVERIFY(!QFile::exists(stale + "-journal"));
        QVERIFY(QFile::exists(live));
        QCOMPARE(QFile::permissions(dest), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser);
        QCOMPARE(QDir(db.dir()).entryList({"copy.db*"}), QStringList{"copy.db"});
    }

    void failureGoesToStandardError()
    {
        TestDatabase db;
        const Run r = console({"-c", db.writeIni()}, "select 1 as a\nGO\nselect * from nosuchtable\nGO\nselect 2\n");
        QVERIFY(r.code != 0);
        QCOMPARE(r.out, QStringLiteral("a\n1\n(1 row affected)\n"));
        QVERIFY(r.err.contains(QLatin1String("nosuchtable")));
    }

    void helpAndVersion()
    {
        const Run version = console({"--version"});
        QCOMPARE(version.code, 0);
        QVERIFY2(version.out.trimmed().startsWith("zentavo-sql 1."), qPrintable(version.out));
        const Run help = console({"--help"});
        QCOMPARE(help.code, 0);
        for (const char* option : {"--create", "--check", "-Q", "-c"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        QVERIFY(console({"--no-such-option"}).code != 0);
    }

    void unusableConfigurationFails()
    {
        const Run r = console({"-c", "/nonexistent/iniFw.ini", "-Q", "select 1"});
        QVERIFY(r.code != 0);
        QVERIFY(!r.err.trimmed().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSqlConsole)
#include "tst_sqlconsole.moc"
