// The payment received (实收) on the rent charging screen: what is no number
// or below zero is refused with a message and nothing is written; the
// operator corrects it and the same record saves.
#include "chargingtest.h"
#include "testdatabase.h"
#include "tzjglform.h"

class TestPaymentCheck : public QObject {
    Q_OBJECT

private slots:
    void refusedPayments_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::newRow("negative") << "-1" << "Morvik提示|实收金额不能是负数，请重新填写。";
        QTest::newRow("negative fraction") << " -0.01 " << "Morvik提示|实收金额不能是负数，请重新填写。";
        QTest::newRow("not a number") << "九百" << "Morvik提示|实收金额必须是数字，请重新填写。";
        QTest::newRow("with a separator") << "1,000" << "Morvik提示|实收金额必须是数字，请重新填写。";
        QTest::newRow("zero") << "0" << "";
        QTest::newRow("minus zero") << "-0" << "";
        QTest::newRow("part paid") << "500.5" << "";
    }
    void refusedPayments() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TestDatabase db;
        TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('K01','张三','ZS')");
        TestDatabase::exec("insert into Zf_Fangjian (fangno,fangya,fangprice,Ljf) values ('101',300,600,20)");
        TestDatabase::exec("insert into Zf_Rz (manid,fangno,begindate,status) values ('K01','101','2024-01-15','1')");
        ScriptedMessagesScope scripted;
        ScriptedMessages& m = scripted.messages();
        TZjglForm form;
        QWidget* f = &form;
        f->show();
        click(f, "bitbtn_insert");
        child<QLineEdit>(f, "Ed_fh")->setText("101");
        auto* status = child<QComboBox>(f, "Com_status");
        status->setCurrentIndex(status->findText(QStringLiteral("已交款")));
        auto* paid = child<QLineEdit>(f, "Ed_sszj");
        paid->setText(typed);
        takeMessages(m);
        click(f, "bitbtn_post");
        const QString count = QStringLiteral("select count(*) from Zf_Zujin");
        if (message.isEmpty()) {
            QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|保存成功！"});
            QCOMPARE(TestDatabase::scalar(count), QStringLiteral("1"));
            return;
        }
        QCOMPARE(takeMessages(m), QStringList{message});
        QCOMPARE(TestDatabase::scalar(count), QStringLiteral("0"));
        // Still editing, the typed text selected for correction.
        QVERIFY(child<QPushButton>(f, "bitbtn_post")->isEnabled());
        QCOMPARE(paid->text(), typed);
        QCOMPARE(paid->selectedText(), typed);
        paid->setText("920");
        click(f, "bitbtn_post");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|保存成功！"});
        QCOMPARE(TestDatabase::rows("select fangno, Yf, sf from Zf_Zujin"), QStringList{"101|920|920"});
    }
};

QTEST_MAIN(TestPaymentCheck)
#include "tst_paymentcheck.moc"
