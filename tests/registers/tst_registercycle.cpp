// The maintenance cycle on the tenant, room and charge-item screens.
#include "registercases.h"

namespace {

void addScreens(const QList<int>& values = {0}) {
    QTest::addColumn<ScreenCase>("screen");
    QTest::addColumn<int>("value");
    for (const auto& [name, screen] :
         {std::pair{"tenants", tenantCase()}, std::pair{"rooms", roomCase()},
          std::pair{"charge items", chargeItemCase()}})
        for (int v : values)
            QTest::addRow("%s %d", name, v) << screen << v;
}

} // namespace

class TestRegisterCycle : public QObject {
    Q_OBJECT

private slots:
    void opening_data() { addScreens(); }
    void opening() {
        QFETCH(ScreenCase, screen);
        cycle::opening(screen);
    }

    void insertCancelSave_data() { addScreens(); }
    void insertCancelSave() {
        QFETCH(ScreenCase, screen);
        cycle::insertCancelSave(screen);
    }

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

    // value 0: refused insert, 1: refused modification.
    void refusedSave_data() { addScreens({0, 1}); }
    void refusedSave() {
        QFETCH(ScreenCase, screen);
        QFETCH(int, value);
        cycle::refusedSave(screen, value == 1);
    }

    void modifyAfterMoves_data() { addScreens(); }
    void modifyAfterMoves() {
        QFETCH(ScreenCase, screen);
        cycle::modifyAfterMoves(screen);
    }

    void deleteRows_data() {
        QTest::addColumn<ScreenCase>("screen");
        QTest::newRow("tenants") << tenantCase();
        QTest::newRow("rooms") << roomCase();
    }
    void deleteRows() {
        QFETCH(ScreenCase, screen);
        cycle::deleteRows(screen);
    }

    void standsOnSaved_data() { addScreens(); }
    void standsOnSaved() {
        QFETCH(ScreenCase, screen);
        cycle::standsOnSaved(screen);
    }

    void emptyList_data() { addScreens(); }
    void emptyList() {
        QFETCH(ScreenCase, screen);
        cycle::emptyList(screen);
    }

    void transactionsAndQuit_data() { addScreens(); }
    void transactionsAndQuit() {
        QFETCH(ScreenCase, screen);
        cycle::transactionsAndQuit(screen);
    }
};

QTEST_MAIN(TestRegisterCycle)
#include "tst_registercycle.moc"
