// 换表登记 from 抄表管理: the old meter's final reading and the new meter's
// start, refused when they are no readings or the old meter would end below
// its last reading, stored with who entered it.
#include "monthlytables.h"
#include "scriptedmessages.h"
#include "session.h"
#include "tcbglform.h"
#include "testdatabase.h"
#include "tmeterchangeform.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestMeterChange : public QObject {
    Q_OBJECT

private slots:
    void recordChange() {
        TestDatabase db; // today 2024-03-07
        EnsureCurrentBiaodiTables();
        TestDatabase::exec("insert into Zf_Fangjian (fangno,fangprice) values ('101',600);"
                           "insert into " + SyBiaodiName +
                           " (fangno,Cbrq,lsb) values ('101','2024-02-03',9990)");
        CurrentLoginName = QStringLiteral("admin");
        ScriptedMessagesScope scripted;
        ScriptedMessages& m = scripted.messages();
        TCbglForm screen;
        screen.show();
        QStringList shown;
        bool done = false;
        QTimer::singleShot(0, [&] {
            TMeterChangeForm* d = nullptr;
            QTRY_VERIFY((d = qobject_cast<TMeterChangeForm*>(QApplication::activeModalWidget())) != nullptr);
            QCOMPARE(d->windowTitle(), QStringLiteral("换表登记"));
            // Every field is reached by its label.
            for (const char* name : {"Ed_Fh", "Com_Meter", "DT_Hbrq", "Ed_Jbzm", "Ed_Xbqm"}) {
                auto* w = d->findChild<QWidget*>(QLatin1String(name));
                bool labelled = false;
                for (QLabel* l : d->findChildren<QLabel*>())
                    labelled = labelled || l->buddy() == w;
                QVERIFY2(labelled, name);
            }
            auto* save = d->findChild<QPushButton*>("bitbtn_post");
            d->findChild<QLineEdit*>("Ed_Fh")->setText("101");
            d->findChild<QDateEdit*>("DT_Hbrq")->setDate(QDate(2024, 3, 2));
            for (const char* bad : {"10000", "abc", "-1"}) {
                d->findChild<QLineEdit*>("Ed_Jbzm")->setText(bad);
                QTest::mouseClick(save, Qt::LeftButton);
            }
            d->findChild<QLineEdit*>("Ed_Jbzm")->setText("9980");
            QTest::mouseClick(save, Qt::LeftButton);
            d->findChild<QLineEdit*>("Ed_Jbzm")->setText("9999.99");
            d->findChild<QLineEdit*>("Ed_Fh")->setText("999");
            QTest::mouseClick(save, Qt::LeftButton);
            QVERIFY(d->isVisible());
            d->findChild<QLineEdit*>("Ed_Fh")->setText("101");
            QTest::mouseClick(save, Qt::LeftButton);
            for (const ShownMessage& s : m.shown)
                shown << s.caption + "|" + s.text;
            done = true;
        });
        QTest::mouseClick(screen.findChild<QPushButton*>("BBtn_Hbdj"), Qt::LeftButton);
        QVERIFY(done);
        const QString notReading = QStringLiteral("Morvik提示|旧表止码应为 0 至 9999.99 之间的读数");
        QCOMPARE(shown, (QStringList{notReading, notReading, notReading,
                                     "Morvik提示|旧表止码不能低于换表前的最后读数 9990（2024-02-03）",
                                     "Morvik提示|没有此房号：999", "房屋出租管理|保存成功！"}));
        QCOMPARE(TestDatabase::rows("select fangno,meter,changedate,oldfinal,newstart,operator from Zf_MeterChange"),
                 QStringList{"101|lsb|2024-03-02|9999.99|0|admin"});
    }
};

QTEST_MAIN(TestMeterChange)
#include "tst_tmeterchangeform.moc"
