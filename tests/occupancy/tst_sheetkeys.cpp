// The monthly reading sheet typed with a real keyboard: the screen runs in a
// process of its own on an X server (Xvfb) and xdotool types into it through
// the server, so every key arrives as the program receives it from a person
// (offscreen key events skip the way a key press travels from the cell
// editor to the grid). Each Enter moves exactly one cell, and every value is
// stored under the meter it was typed in.
#include "clock.h"
#include "connection.h"
#include "monthlytables.h"
#include "readingsheetmodel.h"
#include "scriptedmessages.h"
#include "testdatabase.h"
#include "tplcbform.h"

#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <cstdio>

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 0));
const char* const kScreenArg = "--sheet-screen";

// The screen process: opens the database, shows the sheet at the top left
// corner, says where 保存 is and quits once it has been pressed. Messages
// are answered by the scripted service and written to standard output.
int runScreen(int argc, char** argv)
{
    QApplication app(argc, argv);
    Clock::setFixed(kNow);
    Connection::shared().open({QStringLiteral("sqlite:") + QString::fromLocal8Bit(argv[2]), {}, {}, {}});
    ScriptedMessagesScope messages;
    auto* form = new TPlcbForm;
    form->move(0, 0);
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form)) {
        std::fprintf(stdout, "not active\n");
        return 2;
    }
    auto* post = form->findChild<QPushButton*>("bitbtn_post");
    QObject::connect(post, &QPushButton::clicked, &app, [&] {
        for (const ShownMessage& m : messages->shown)
            std::fprintf(stdout, "message %s\n", m.text.toUtf8().constData());
        std::fflush(stdout);
        QTimer::singleShot(0, &app, &QApplication::quit);
    });
    // Nothing may hang the test: the screen gives up after a minute.
    QTimer::singleShot(60000, &app, &QApplication::quit);
    const QPoint at = post->mapToGlobal(post->rect().center());
    std::fprintf(stdout, "ready %d %d\n", at.x(), at.y());
    std::fflush(stdout);
    const int rc = app.exec();
    delete form;
    Connection::shared().close();
    return rc;
}

bool run(const QString& program, const QStringList& args, const QString& display)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    return p.waitForFinished(20000) && p.exitCode() == 0;
}

} // namespace

class TestSheetKeys : public QObject {
    Q_OBJECT

private slots:
    void typedWithRealKeys()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || xdotool.isEmpty())
            QSKIP("Xvfb or xdotool is not installed (scripts/install-deps.sh installs both)");

        TestDatabase db(kNow);
        TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K1','客户1','KH','1');"
                           "insert into Zf_Man (manid,manname,zjm,sex) values ('K2','客户2','KH','1');"
                           "insert into Zf_Fangjian (fangno,fangprice) values ('101',600);"
                           "insert into Zf_Fangjian (fangno,fangprice) values ('102',600);"
                           "insert into Zf_Rz (manid,fangno,begindate,status) values ('K1','101','2026-01-01','1');"
                           "insert into Zf_Rz (manid,fangno,begindate,status) values ('K2','102','2026-01-01','1')");

        // An X server of our own; it tells the display number it took.
        QProcess server;
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp")});
        QVERIFY(server.waitForStarted(10000));
        QString number;
        for (QDeadlineTimer deadline(15000); number.isEmpty() && !deadline.hasExpired();)
            if (server.waitForReadyRead(500))
                number = QString::fromLatin1(server.readAllStandardOutput()).trimmed();
        QVERIFY2(!number.isEmpty(), "Xvfb did not start");
        const QString display = QLatin1Char(':') + number;
        const auto stopServer = qScopeGuard([&] {
            server.terminate();
            server.waitForFinished(5000);
        });

        QProcess screen;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        screen.setProcessEnvironment(env);
        screen.start(QCoreApplication::applicationFilePath(), {QLatin1String(kScreenArg), db.file()});
        QVERIFY(screen.waitForStarted(10000));
        const auto stopScreen = qScopeGuard([&] {
            if (screen.state() != QProcess::NotRunning) {
                screen.kill();
                screen.waitForFinished(5000);
            }
        });
        QString ready;
        for (QDeadlineTimer deadline(30000); !ready.startsWith(QLatin1String("ready")) && !deadline.hasExpired();) {
            if (screen.canReadLine() || screen.waitForReadyRead(500))
                while (screen.canReadLine())
                    ready = QString::fromUtf8(screen.readLine()).trimmed();
            QVERIFY2(screen.state() == QProcess::Running, qPrintable(screen.readAllStandardError()));
        }
        QVERIFY2(ready.startsWith(QLatin1String("ready")), qPrintable(ready));
        const QStringList post = ready.split(QLatin1Char(' '));

        // From room 101's first meter, where the sheet starts: four values
        // with Enter after each, then room 102's cold water only; the first
        // value key by key, the rest as quickly as a practised hand types.
        const auto key = [&](const QStringList& args) {
            QVERIFY2(run(xdotool, args, display), qPrintable(args.join(u' ')));
            QTest::qWait(300);
        };
        key({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("150"), QStringLiteral("11")});
        key({QStringLiteral("key"), QStringLiteral("Return")});
        QStringList quick{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("25")};
        for (const char* value : {"22", "33.5", "44", "55"}) {
            for (const char c : QByteArray(value))
                quick << (c == '.' ? QStringLiteral("period") : QString(QLatin1Char(c)));
            quick << QStringLiteral("Return");
        }
        key(quick);
        key({QStringLiteral("mousemove"), post[1], post[2], QStringLiteral("click"), QStringLiteral("1")});
        QVERIFY(screen.state() == QProcess::NotRunning || screen.waitForFinished(30000));
        const QString out = QString::fromUtf8(screen.readAllStandardOutput());
        const QString err = QString::fromUtf8(screen.readAllStandardError());
        QVERIFY2(out.contains(QStringLiteral("保存成功！共保存 2 个房间的抄表记录。")), qPrintable(out + err));
        QVERIFY2(!err.contains(QLatin1String("closeEditor")), qPrintable(err));

        QCOMPARE(TestDatabase::rows("select fangno,lsb,rsb,db,mqb from zf_Biaodi202612 order by fangno"),
                 (QStringList{"101|11|22|33.5|44", "102|55|||"}));
    }
};

int main(int argc, char** argv)
{
    if (argc >= 3 && qstrcmp(argv[1], kScreenArg) == 0)
        return runScreen(argc, argv);
    QApplication app(argc, argv);
    TestSheetKeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sheetkeys.moc"
