#include "testdatabase.h"

#include <QDir>
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
