#include "backupactions.h"
#include "connection.h"
#include "scriptedmessages.h"
#include "session.h"
#include "testdatabase.h"
#include "tmainform.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestBackupActions : public QObject {
    Q_OBJECT

private slots:
    // 备份数据库 and 恢复数据库 from the menu: the backup, a refused file, a
    // restore declined and one carried out, read back through the program's
    // own connection.
    void backupAndRestoreFromTheMenu()
    {
        if (!TestDatabase::server().isEmpty())
            QSKIP("The embedded file's backup; a server's is tested below.");
        TestDatabase db;
        ScriptedMessagesScope shown;
        CurrentLoginName = "admin";
        TMainForm w;
        auto trigger = [&w](const char* name) { w.findChild<QAction*>(name)->trigger(); };
        QString answer, suggested;
        bool saving = false;
        BackupActions::setFileChooser([&](QWidget*, bool save, const QString& s) {
            saving = save;
            suggested = s;
            return answer;
        });
        auto lastText = [&] { return shown->shown.isEmpty() ? QString() : shown->shown.last().text; };

        answer = QDir(db.dir()).filePath("copy.db");
        trigger("Item_bfsjk");
        QVERIFY(saving);
        QCOMPARE(QFileInfo(suggested).fileName(), QString("zentavo-备份-20240307.db"));
        QCOMPARE(lastText(), "备份完成：" + answer);
        QCOMPARE(shown->shown.last().caption, QString("房屋出租管理"));
        TestDatabase::exec("update zf_dj set price=77 where djid=1");

        // Not a database: refused before any question.
        const QString junk = QDir(db.dir()).filePath("junk.db");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'j'));
        f.close();
        answer = junk;
        shown->clear();
        trigger("Item_hfsjk");
        QVERIFY(!saving);
        QCOMPARE(shown->shown.size(), 1);
        QVERIFY(lastText().contains("不能恢复"));

        // Declined: nothing changes.
        answer = QDir(db.dir()).filePath("copy.db");
        shown->clear();
        shown->answerNext(MsgAnswer::No);
        trigger("Item_hfsjk");
        QCOMPARE(shown->shown.size(), 1);
        QCOMPARE(shown->shown.first().buttons, MsgButtons::YesNo);
        QVERIFY(lastText().contains("替换"));
        QVERIFY(lastText().contains(db.dir()));
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QString("77"));

        shown->clear();
        shown->answerNext(MsgAnswer::Yes);
        trigger("Item_hfsjk");
        QCOMPARE(lastText(), "恢复完成，当前数据已另存为：" + db.file() + ".20240307-140509.bak");
        QVERIFY(Connection::shared().isOpen());
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QString("3.5"));

        // The backup is offered in the documents folder, or in the home
        // folder of an account that has none.
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
        answer.clear();
        trigger("Item_bfsjk");
        QCOMPARE(QFileInfo(suggested).absolutePath(), home.path());
        QVERIFY(QDir(home.path()).mkdir("Documents"));
        trigger("Item_bfsjk");
        QCOMPARE(QFileInfo(suggested).absolutePath(), home.path() + "/Documents");
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        BackupActions::setFileChooser({});
    }

    // On a PostgreSQL server the same menu items run pg_dump and pg_restore:
    // the backup, a restore declined, a broken file refused with the data
    // kept, and a restore carried out.
    void backupAndRestoreOnServer()
    {
        if (TestDatabase::server().isEmpty())
            QSKIP("Runs against the tests' PostgreSQL server only.");
        TestDatabase db;
        ScriptedMessagesScope shown;
        CurrentLoginName = "admin";
        TMainForm w;
        auto trigger = [&w](const char* name) { w.findChild<QAction*>(name)->trigger(); };
        QString answer, suggested;
        BackupActions::setFileChooser([&](QWidget*, bool, const QString& s) {
            suggested = s;
            return answer;
        });
        auto lastText = [&] { return shown->shown.isEmpty() ? QString() : shown->shown.last().text; };
        QTemporaryDir dir;
        answer = QDir(dir.path()).filePath("copy.dump");
        trigger("Item_bfsjk");
        QCOMPARE(QFileInfo(suggested).fileName(), QString("zentavo-备份-20240307.dump"));
        QCOMPARE(lastText(), "备份完成：" + answer);
        QCOMPARE(QFile(answer).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        TestDatabase::exec("update zf_dj set price=77 where djid=1");

        shown->clear();
        shown->answerNext(MsgAnswer::No);
        trigger("Item_hfsjk");
        QVERIFY(lastText().contains("pg_restore"));
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QString("77"));

        const QString junk = QDir(dir.path()).filePath("junk.dump");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'j'));
        f.close();
        answer = junk;
        shown->clear();
        shown->answerNext(MsgAnswer::Yes);
        trigger("Item_hfsjk");
        QVERIFY2(lastText().startsWith("恢复失败，当前数据未改变"), qPrintable(lastText()));
        QVERIFY(Connection::shared().isOpen());
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QString("77"));

        answer = QDir(dir.path()).filePath("copy.dump");
        shown->clear();
        shown->answerNext(MsgAnswer::Yes);
        trigger("Item_hfsjk");
        QCOMPARE(lastText(), "恢复完成：" + answer);
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QString("3.5"));
        // The program's statements still have the server's meaning there.
        QCOMPARE(TestDatabase::scalar("select count(*) from login_user where user_loginname='ADMIN '"), QString("1"));
        BackupActions::setFileChooser({});
    }
};

QTEST_MAIN(TestBackupActions)
#include "tst_backupactions.moc"
