// Charging: each screen opened over its full charge table, and one
// keystroke in its room edit (the whole search step), beside the bare engine
// running the same statements.
#include "bench.h"
#include "clock.h"
#include "monthlytables.h"
#include "query.h"
#include "scriptedmessages.h"
#include "tzjglform.h"
#include "utilitychargeform.h"

#include <QLineEdit>

#include <cstdio>
#include <memory>

namespace {

const QStringList kPattern{QStringLiteral("1000%"), QStringLiteral("1000%")};

template <class Screen> void utilityScreen(const char* name) {
    std::unique_ptr<Screen> screen;
    const double open = timeMs([&] {
        screen = std::make_unique<Screen>();
        screen->show();
    });
    const QString listSql = screen->list().sql();
    report(qPrintable(QStringLiteral("%1 open (%2 rows)")
                          .arg(QLatin1String(name))
                          .arg(screen->list().count())),
           open, bareMs(listSql));

    auto* room = screen->template findChild<QLineEdit*>(QStringLiteral("Ed_Fh"));
    const double key = timeMs([&] { room->setText(QStringLiteral("1000")); });
    // The same statements on the bare engine: the count of this month's
    // readings, the pairing through XmXf and the pair itself.
    const QString count = QStringList{"SELECT A.fangno, B.Zjm, A.Cbrq, A.lsb, A.rsb, A.db,A.mqb",
                                      "from " + BiaodiName + " A INNER JOIN ",
                                      "dbo.Zf_Rz C ON A.fangno = C.fangno INNER JOIN ",
                                      "dbo.Zf_Man B ON C.manid = B.manid ",
                                      "where A.fangno like :fangno or zjm like :zjm"}
                              .join(QLatin1Char('\n'));
    const double bare =
        bareMs(count, kPattern) +
        bareMs(QStringLiteral("select * From XmXf \nwhere fangno like :fangno or zjm like :zjm"),
               kPattern) +
        bareMs(
            QStringLiteral(
                "select max(cbrq)as cbrq From XmXf \nwhere fangno like :fangno or zjm like :zjm"),
            kPattern) +
        bareMs(screen->search().sql(),
               kPattern + QStringList{screen->search().text(QStringLiteral("cbrq"))});
    report(qPrintable(QStringLiteral("%1 keystroke in the room edit").arg(QLatin1String(name))),
           key, bare);
}

} // namespace

ZT_BENCH(charging, 40) {
    ScriptedMessagesScope messages; // a notice must not wait for a click
    utilityScreen<TLsSfForm>("TLsSfForm");
    utilityScreen<TRsSfForm>("TRsSfForm");
    utilityScreen<TYdSfForm>("TYdSfForm");

    std::unique_ptr<TZjglForm> rent;
    const double open = timeMs([&] {
        rent = std::make_unique<TZjglForm>();
        rent->show();
    });
    const QDate today = Clock::today();
    const QDate first(today.year(), today.month(), 1);
    const QString format = QStringLiteral("yyyy-MM-dd 00:00:00.000");
    report(
        qPrintable(QStringLiteral("TZjglForm open (%1 rows this month)").arg(rent->list().count())),
        open,
        bareMs(rent->list().sql(), {first.toString(format), first.addMonths(1).toString(format)}));
    auto* room = rent->findChild<QLineEdit*>(QStringLiteral("Ed_fh"));
    const double key = timeMs([&] { room->setText(QStringLiteral("1000")); });
    const double bare =
        bareMs(rent->search().sql(), kPattern) +
        bareMs(QStringLiteral("select *from dbo.Zf_Zujin where manid= :manid and id< :id"),
               {rent->search().text(QStringLiteral("manid")), QStringLiteral("2147483647")});
    report("TZjglForm keystroke in the room edit", key, bare);
    if (!messages.messages().shown.isEmpty())
        std::printf("  notice: %s\n", qPrintable(messages.messages().shown.last().text));
}
