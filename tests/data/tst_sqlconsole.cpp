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
