#include "config.h"
#include "connection.h"
#include "testdatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Run {
    int code;
    QString out, err;
};

Run console(const QStringList& args, const QByteArray& input = {}, const QString& program = {},
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program.isEmpty() ? QDir(QCoreApplication::applicationDirPath()).filePath("zentavo-sql") : program, args);
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

    // "+" as the server reads it, one statement at a time through the
    // console: texts join, numbers add, a text added to a number converts to
    // the number's type or fails with the server's message, NULL wins, and
    // "+" and "-" group left to right above the comparisons.
    void plusAsTheServerReadsIt_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("result"); // the one value shown, or empty
        QTest::addColumn<QString>("error");  // the server's message, or empty
        const struct {
            const char* sql;
            const char* result;
            const char* error;
        } cases[] = {
            {"select manid + manname from zf_man", "K1张三", ""},
            {"select 'x'+char(65)+'y'", "xAy", ""},
            {"select len(N'a'+char(13)+char(10)+N'b')", "4", ""},
            {"select case when N'a'+char(13)+char(10)+N'b' = 'a' + char(13) + char(10) + 'b' then 1 else 0 end", "1", ""},
            {"select '1' + '2'", "12", ""},
            {"select '1' + 2", "3", ""},
            {"select ' 7 ' + 2", "9", ""},
            {"select '' + 1", "1", ""},
            {"select 1 + 2 * 3", "7", ""},
            {"select '1' + '2' + 3", "15", ""},
            {"select 3 + '1' + '2'", "6", ""},
            {"select 10 - 2 + '3'", "11", ""},
            {"select (1 + 2) + 'a' + 'b'", "", "Conversion failed when converting the varchar value 'a' to data type int."},
            {"select 'a' + (1 + 2)", "", "Conversion failed when converting the varchar value 'a' to data type int."},
            {"select 'x' + 1", "", "Conversion failed when converting the varchar value 'x' to data type int."},
            {"select '1.5' + 1", "", "Conversion failed when converting the varchar value '1.5' to data type int."},
            {"select '1.5' + 1.25", "2.75", ""},
            {"select 'a' + 1.5", "", "Error converting data type varchar to numeric."},
            {"select null + 'a'", "NULL", ""},
            {"select 1 + null", "NULL", ""},
            {"select manname + company from zf_man", "NULL", ""},
            // A text column holding digits is text: joined with text,
            // converted when added to a number.
            {"select handset + manid from zf_man", "123K1", ""},
            {"select handset + '0' from zf_man", "1230", ""},
            {"select handset + 1 from zf_man", "124", ""},
            {"select manname + 1 from zf_man", "", "Conversion failed when converting the varchar value '张三' to data type int."},
            // Numeric columns, whole or not, stay decimals.
            {"select fangya + 1 from zf_fangjian", "1001", ""},
            {"select fangprice + fangya from zf_fangjian", "1800.5", ""},
            {"select fangprice + '0.25' from zf_fangjian", "800.75", ""},
            {"select fangya + '0.25' from zf_fangjian", "1000.25", ""},
            {"select fangprice + 'abc' from zf_fangjian", "", "Error converting data type varchar to numeric."},
            {"select 0.1 + 0.2", "0.3", ""},
            {"select begindate + 1 from zf_rz", "2004-05-02", ""},
            // Below a comparison, inside CASE and in WHERE.
            {"select count(*) from zf_man where manid + 'x' = 'K1x'", "1", ""},
            {"select count(*) from zf_man where manid = 'K' + '1' and 1 + 1 = 2", "1", ""},
            {"select case when handset + '4' like '1234' then manid + '!' end from zf_man", "K1!", ""},
            {"select top 1 manid + '-' + fangno from zf_rz order by manid + fangno", "K1-101", ""},
        };
        for (const auto& c : cases)
            QTest::newRow(c.sql) << QString::fromUtf8(c.sql) << QString::fromUtf8(c.result) << QString::fromUtf8(c.error);
    }
    void plusAsTheServerReadsIt()
    {
        QFETCH(QString, sql);
        QFETCH(QString, result);
        QFETCH(QString, error);
        TestDatabase db;
        TestDatabase::exec(QStringLiteral("insert zf_man(manid,manname,handset) values ('K1','张三','123');"
                                          "insert zf_fangjian(fangno,fangprice,fangya) values ('101',800.5,1000);"
                                          "insert zf_rz(manid,fangno,begindate,status) values ('K1','101','2004-05-01','1')"));
        const Run r = console({"-c", db.writeIni(), "-Q", sql});
        if (error.isEmpty()) {
            QVERIFY2(r.code == 0, qPrintable(r.err));
            const QStringList lines = r.out.split(QLatin1Char('\n'));
            QCOMPARE(lines.value(1), result);
            QCOMPARE(lines.value(2), QStringLiteral("(1 row affected)"));
        } else {
            QVERIFY(r.code != 0);
            QCOMPARE(r.err.trimmed(), error);
        }
    }

    // An unnamed column keeps the text it was written with.
    void plusKeepsTheWrittenColumnName()
    {
        TestDatabase db;
        TestDatabase::exec(QStringLiteral("insert zf_man(manid,manname) values ('K1','张三')"));
        const Run r = console({"-c", db.writeIni(), "-Q",
                               "select top 1 manid + manname, len(manid + 'a'), manid + '号' as named from zf_man"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("manid + manname\tlen(manid + 'a')\tnamed\nK1张三\t3\tK1号\n(1 row affected)\n"));
    }

    void unusableConfigurationFails()
    {
        const Run r = console({"-c", "/nonexistent/iniFw.ini", "-Q", "select 1"});
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.contains("/nonexistent/iniFw.ini"), qPrintable(r.err));
    }

    // A fresh account: the console, copied to a folder of its own, chooses
    // and writes its configuration as the program does, makes the default
    // database with --create, and names the file it read in every failure.
    void freshAccountChoosesAndWritesTheConfiguration()
    {
        QTemporaryDir root;
        const QString bin = root.filePath("bin"), config = root.filePath("config"), data = root.filePath("data");
        QVERIFY(QDir().mkpath(bin));
        const QString program = bin + "/zentavo-sql";
        QVERIFY(QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath("zentavo-sql"), program));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", root.filePath("home"));
        env.insert("XDG_CONFIG_HOME", config);
        env.insert("XDG_DATA_HOME", data);

        // The program's own choice for the same folders.
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME"), oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        qputenv("XDG_DATA_HOME", data.toUtf8());
        const QString ini = iniPathForRun(bin);
        const QString database = QDir(userDataDir()).filePath("zentavo.db");
        qputenv("XDG_CONFIG_HOME", oldConfig);
        qputenv("XDG_DATA_HOME", oldData);
        QCOMPARE(ini, config + "/zentavo/iniFw.ini");

        // Without --create: the default file is written, the missing
        // database refused, both named.
        Run r = console({"-Q", "select 1"}, {}, program, env);
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.contains("Wrote the default configuration " + ini), qPrintable(r.err));
        QVERIFY2(r.err.contains(ini + ": ") && r.err.contains(database) && r.err.contains("--create"), qPrintable(r.err));
        // Owner, group and others: read and write for the owner alone.
        QCOMPARE(int(QFile::permissions(ini) & 0xF0FF), int(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(Connection::embeddedPath(readServerConfig(ini)), database);
        QVERIFY(!QFile::exists(database));

        r = console({"--create", "-Q", "select user_loginname from login_user"}, {}, program, env);
        QCOMPARE(r.code, 0);
        QVERIFY2(!r.err.contains("Wrote"), qPrintable(r.err));
        QCOMPARE(r.out, QString("user_loginname\nadmin\n(1 row affected)\n"));
        QVERIFY(QFile::exists(database));

        // A configuration that names no database: the failure names the file.
        QFile broken(ini);
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("[server]\nname=\n");
        broken.close();
        r = console({"-Q", "select 1"}, {}, program, env);
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.startsWith(ini + ": "), qPrintable(r.err));

        // An iniFw.ini beside the console wins, its relative path taken from there.
        QFile beside(bin + "/iniFw.ini");
        QVERIFY(beside.open(QIODevice::WriteOnly));
        beside.write("[server]\nname=sqlite:here.db\n");
        beside.close();
        r = console({"--create", "-Q", "select count(*) as n from zf_dj"}, {}, program, env);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("n\n4\n(1 row affected)\n"));
        QVERIFY(QFile::exists(bin + "/here.db"));
    }
};

QTEST_GUILESS_MAIN(TestSqlConsole)
#include "tst_sqlconsole.moc"
