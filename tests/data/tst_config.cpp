#include "config.h"
#include "connection.h"
#include "odbcbackend.h"

#include <QElapsedTimer>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestConfig : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString write(const QByteArray& content)
    {
        const QString path = m_dir.filePath(QStringLiteral("iniFw.ini"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        return path;
    }

private slots:
    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected"); // name, databaseName, user, pass

        QTest::newRow("plain") << QByteArray("[server]\nname=S\ndatabaseName=D\nuser=U\npass=P\n")
                               << QStringList{"S", "D", "U", "P"};
        QTest::newRow("values exactly as written")
            << QByteArray("[server]\nname= host\\inst \npass=a;b}c \"q\"\n") << QStringList{" host\\inst ", "", "", "a;b}c \"q\""};
        QTest::newRow("missing keys read empty") << QByteArray("[server]\nname=S\n") << QStringList{"S", "", "", ""};
        QTest::newRow("other sections ignored")
            << QByteArray("[client]\nname=X\n[server]\r\nuser=U\r\n[more]\npass=Y\n") << QStringList{"", "", "U", ""};
        QTest::newRow("key case and blanks around keys")
            << QByteArray("[Server]\n NAME =S\nDatabaseName=库\n") << QStringList{"S", "库", "", ""};
        QTest::newRow("GBK file") << QByteArray("[server]\ndatabaseName=\xb7\xbf\xce\xdd\n") << QStringList{"", "房屋", "", ""};
    }
    void readsValues()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        const ServerConfig c = readServerConfig(write(content));
        QCOMPARE((QStringList{c.name, c.databaseName, c.user, c.pass}), expected);
    }

    void connectionText_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("expected");
        QTest::newRow("example") << "[server]\nname=S\ndatabaseName=D\nuser=U\npass=P\n"
                                 << "Provider=SQLOLEDB.1;Password=P;Persist Security Info=True;User ID=U;Initial Catalog=D;Data Source=S";
        QTest::newRow("no file") << QString()
                                 << "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=;Initial Catalog=;Data Source=";
        QTest::newRow("semicolon unquoted") << "[server]\npass=a;b\n"
                                            << "Provider=SQLOLEDB.1;Password=a;b;Persist Security Info=True;User ID=;Initial Catalog=;Data Source=";
    }
    void connectionText()
    {
        QFETCH(QString, ini);
        QFETCH(QString, expected);
        const QString path = ini.isNull() ? m_dir.filePath(QStringLiteral("absent.ini")) : write(ini.toUtf8());
        QCOMPARE(connectionString(readServerConfig(path)), expected);
    }

    void failingConnectionsReportAtOnce_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("no configuration") << QString();
        QTest::newRow("embedded file in a missing folder") << QStringLiteral("sqlite:/nonexistent/dir/x.db");
        QTest::newRow("server that does not answer") << QStringLiteral("127.0.0.1,1");
    }
    void failingConnectionsReportAtOnce()
    {
        QFETCH(QString, name);
        Connection c;
        QElapsedTimer clock;
        clock.start();
        bool failed = false;
        try {
            c.open({name, {}, {}, {}});
        } catch (const DbError& e) {
            failed = !e.text().isEmpty();
        }
        QVERIFY(failed);
        QVERIFY(!c.isOpen());
        QVERIFY(clock.elapsed() < 20000); // a login timeout, never a hang
    }

    void serverConnectionTextKeepsAwkwardPasswords()
    {
        const QString text = OdbcBackend::odbcConnectionText({"db1\\SQL2000 ", "房屋", "sa", "p;w}d"});
        QVERIFY(text.startsWith(QStringLiteral("DRIVER={FreeTDS};SERVER={db1\\SQL2000};DATABASE={房屋};UID={sa};")));
        QVERIFY(text.contains(QLatin1String("PWD={p;w}}d};")));
    }

    // Which iniFw.ini a run reads, and which database file it names: beside
    // the program when there (a build's bin folder), else the user's own,
    // written with a database in the user's data folder when neither exists.
    void iniFileOfAnInstalledProgram()
    {
        QTemporaryDir home;
        const QString config = home.filePath("config"), data = home.filePath("data"), bin = home.filePath("bin");
        QDir().mkpath(bin);
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        const QString userIni = config + "/zentavo/iniFw.ini";

        QCOMPARE(iniPathForRun(bin), userIni);
        QVERIFY(!QFile::exists(userIni));
        QCOMPARE(prepareIniForRun(bin), userIni);
        QCOMPARE(QFile::permissions(userIni) & 0x0077, QFileDevice::Permissions());
        ServerConfig c = readServerConfig(userIni);
        QCOMPARE(c.name, "sqlite:" + data + "/zentavo/zentavo.db");
        QCOMPARE(Connection::embeddedPath(c), data + "/zentavo/zentavo.db");
        QVERIFY(QFileInfo(data + "/zentavo").isDir());

        // A file of the user's own is never rewritten; its relative path is
        // taken from its own folder.
        QFile f(userIni);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[server]\nname=sqlite:mine.db\n");
        f.close();
        QCOMPARE(prepareIniForRun(bin), userIni);
        QCOMPARE(Connection::embeddedPath(readServerConfig(userIni)), config + "/zentavo/mine.db");

        // One beside the program wins, its database beside it as for `make run`.
        QFile beside(bin + "/iniFw.ini");
        QVERIFY(beside.open(QIODevice::WriteOnly));
        beside.write("[server]\nname=sqlite:zentavo.db\n");
        beside.close();
        QCOMPARE(prepareIniForRun(bin), bin + "/iniFw.ini");
        QCOMPARE(Connection::embeddedPath(readServerConfig(iniPathForRun(bin))), bin + "/zentavo.db");
        // Values made without a file still resolve beside the executable.
        QCOMPARE(Connection::embeddedPath({"sqlite:x.db", {}, {}, {}}),
                 QDir(QCoreApplication::applicationDirPath()).filePath("x.db"));
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
