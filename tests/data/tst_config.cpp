#include "config.h"
#include "connection.h"
#include "odbcbackend.h"

#include <QElapsedTimer>

#include <QFile>
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
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
