// The maintenance cycle on the tenant, room and charge-item screens.
#include "registercases.h"

namespace {

void addScreens(bool withDelete = true) {
    QTest::addColumn<ScreenCase>("screen");
    QTest::newRow("tenants") << tenantCase();
    QTest::newRow("rooms") << roomCase();
    if (withDelete)
        QTest::newRow("charge items") << chargeItemCase();
}

void addScreensBy(const QString& what, const QList<int>& values, bool withChargeItems = true) {
    QTest::addColumn<ScreenCase>("screen");
    QTest::addColumn<int>("value");
    QList<QPair<QString, ScreenCase>> screens{{"tenants", tenantCase()}, {"rooms", roomCase()}};
    if (withChargeItems)
        screens.append({"charge items", chargeItemCase()});
    for (const auto& [name, screen] : screens)
        for (int v : values)
            QTest::addRow("%s, %s %d", qPrintable(name), qPrintable(what), v) << screen << v;
}

} // namespace

class TestRegisterCycle : public QObject {
    Q_OBJECT

private slots:
    void opening_data() { addScreens(); }
    void opening() { QFETCH(ScreenCase, screen); cycle::opening(screen); }

    void insertAndSave_data() { addScreens(); }
    void insertAndSave() { QFETCH(ScreenCase, screen); cycle::insertAndSave(screen); }

    void requiredField_data() {
        QTest::addColumn<ScreenCase>("screen");
        QTest::addColumn<int>("value");
        for (const ScreenCase& s : {tenantCase(), roomCase()})
            for (int i = 0; i < s.required.size(); ++i)
                QTest::addRow("%s", qPrintable(s.required[i].second)) << s << i;
    }
    void requiredField() {
        QFETCH(ScreenCase, screen);
        QFETCH(int, value);
        cycle::requiredField(screen, value);
    }

    void blanksPass_data() { addScreens(false); }
    void blanksPass() { QFETCH(ScreenCase, screen); cycle::blanksPass(screen); }

    // value 0: refused insert, 1: refused modification.
    void refusedSave_data() { addScreensBy("modifying", {0, 1}); }
    void refusedSave() {
        QFETCH(ScreenCase, screen);
        QFETCH(int, value);
        cycle::refusedSave(screen, value == 1);
    }

    void modifyClickedRow_data() { addScreens(); }
    void modifyClickedRow() { QFETCH(ScreenCase, screen); cycle::modifyClickedRow(screen); }

    // value: 0 browse, 1 inserting, 2 modifying.
    void clickLoads_data() { addScreensBy("state", {0, 1, 2}); }
    void clickLoads() {
        QFETCH(ScreenCase, screen);
        QFETCH(int, value);
        cycle::clickLoads(screen, value);
    }

    void movesDoNotLoad_data() { addScreens(); }
    void movesDoNotLoad() { QFETCH(ScreenCase, screen); cycle::movesDoNotLoad(screen); }

    void cancelKeepsTexts_data() { addScreensBy("modifying", {0, 1}); }
    void cancelKeepsTexts() {
        QFETCH(ScreenCase, screen);
        QFETCH(int, value);
        cycle::cancelKeepsTexts(screen, value == 1);
    }

    // value 1: answered Yes, 0: answered No.
    void deleteAnswered_data() { addScreensBy("yes", {0, 1}, false); }
    void deleteAnswered() {
        QFETCH(ScreenCase, screen);
        QFETCH(int, value);
        cycle::deleteAnswered(screen, value == 1);
    }

    void deleteRefused_data() { addScreens(false); }
    void deleteRefused() { QFETCH(ScreenCase, screen); cycle::deleteRefused(screen); }

    void deleteOnEmptyList_data() { addScreens(false); }
    void deleteOnEmptyList() { QFETCH(ScreenCase, screen); cycle::deleteOnEmptyList(screen); }

    void modifyOnEmptyList_data() { addScreens(); }
    void modifyOnEmptyList() { QFETCH(ScreenCase, screen); cycle::modifyOnEmptyList(screen); }

    void leftTransactionRolledBack_data() { addScreens(); }
    void leftTransactionRolledBack() { QFETCH(ScreenCase, screen); cycle::leftTransactionRolledBack(screen); }

    void quitDropsEdit_data() { addScreens(); }
    void quitDropsEdit() { QFETCH(ScreenCase, screen); cycle::quitDropsEdit(screen); }
};

QTEST_MAIN(TestRegisterCycle)
#include "tst_registercycle.moc"
