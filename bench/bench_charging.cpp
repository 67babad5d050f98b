// Charging: each screen opened over its full charge table, and one
// keystroke in its room edit (from the key event to the window painted again), beside the bare engine
// running the same statements.
#include "bench.h"
#include "clock.h"
#include "monthlytables.h"
#include "query.h"
#include "chargebook.h"
#include "readingseries.h"
#include "sqlcatalog.h"
#include "scriptedmessages.h"
#include "tzjglform.h"
#include "utilitychargeform.h"

#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <memory>

namespace {

// 新增, as the operator presses it before typing a room.
void pressInsert(QWidget* screen) {
    if (auto* insert = screen->findChild<QPushButton*>(QStringLiteral("bitbtn_insert")); insert && insert->isEnabled())
        insert->click();
}

const QStringList kPattern{QStringLiteral("1000%"), QStringLiteral("1000%")};

template <class Screen> void utilityScreen(const char* name, ChargeMoney::Table table, Meter meter) {
    std::unique_ptr<Screen> screen;
    double open = timeMs([&] { screen = std::make_unique<Screen>(); });
    open += openMs(screen.get());
    const QString listSql = screen->list().sql();
    report(qPrintable(QStringLiteral("%1 open, first rows shown").arg(QLatin1String(name))), open,
           bareFirstRowsMs(listSql, 256));
    const double rest = listsCompleteMs(screen.get());
    report(qPrintable(QStringLiteral("  rest of the list read between events (%1 rows)").arg(screen->list().count())),
           rest, bareMs(listSql));

    auto* room = screen->template findChild<QLineEdit*>(QStringLiteral("Ed_Fh"));
    pressInsert(room->window());
    room->setText(QStringLiteral("100"));
    room->setFocus();
    const double key = keystrokeMs(room, '0');
    // The same statements on the bare engine: the lets matching the typed
    // text, the room's readings in this month's and last month's tables
    // (enough for two readings) and its meter changes.
    const QString room1000 = screen->search().isEmpty() ? QStringLiteral("1000")
                                                       : screen->search().text(QStringLiteral("fangno")).trimmed();
    const QString lets = catalogText("UtilityCharge current lets");
    const auto series = [&](const QString& table) {
        return bareMs(QStringLiteral("select ID, Cbrq, %2 as reading from %1 where fangno = :fangno and %2 is not null")
                          .arg(table, meterColumn(meter)),
                      {room1000});
    };
    // This month's and last month's tables, by the clock as the screens name them.
    const QDate today = Clock::today();
    const QString thisMonth = BiaodiTableName(today.year(), today.month());
    const QString lastMonth = BiaodiTableName(today.addMonths(-1).year(), today.addMonths(-1).month());
    const double bare = bareMs(lets, kPattern) + bareMs(catalogText("ReadingSeries month tables")) +
                        series(thisMonth) + series(lastMonth) +
                        bareMs(catalogText("ReadingSeries meter changes"),
                               {room1000, QStringLiteral("lsb"), QStringLiteral("2000-01-01"),
                                QStringLiteral("2100-01-01")});
    report(qPrintable(QStringLiteral("%1 keystroke in the room edit").arg(QLatin1String(name))),
           key, bare);
    std::printf("  the edit reads \"%s\", %d lets found\n", qPrintable(room->text()),
                screen->search().isOpen() ? screen->search().count() : 0);

    // The look-ups a save makes: the room's latest interval of readings and
    // whether a charge already covers it (the charge table at full size).
    std::optional<ReadingInterval> interval;
    const double seriesMs = timeMs([&] { interval = ReadingSeries::latestInterval(room1000, meter); });
    report(qPrintable(QStringLiteral("%1 reading series of one room").arg(QLatin1String(name))), seriesMs,
           bareMs(catalogText("ReadingSeries month tables")) + series(thisMonth) + series(lastMonth));
    if (interval) {
        const double dup = timeMs([&] { ChargeBook::intervalCharged(table, room1000, *interval); });
        const QString legacy = QStringLiteral(
            "select count(*) as n from %1 A where A.fangno = :fangno and A.Sybd = :sybd and A.Bybd = :bybd "
            "and A.Jkrq >= :todate and not exists (select 1 from Zf_ChargeReading L where L.tablename = '%1' "
            "and L.chargeid = A.ID)").arg(ChargeMoney::tableName(table));
        report(qPrintable(QStringLiteral("%1 duplicate-charge look-up").arg(QLatin1String(name))), dup,
               bareMs(catalogText("ChargeBook interval recorded"),
                      {ChargeMoney::tableName(table), interval->to.table, QString::number(interval->to.id),
                       interval->from.table, QString::number(interval->from.id)}) +
                   bareMs(legacy, {room1000, interval->from.value.toString(), interval->to.value.toString(),
                                   interval->to.date.toString(QStringLiteral("yyyy-MM-dd"))}));
    }
}

} // namespace

ZT_BENCH(charging, 40) {
    ScriptedMessagesScope messages; // a notice must not wait for a click
    utilityScreen<TLsSfForm>("TLsSfForm", ChargeMoney::Table::ColdWater, Meter::ColdWater);
    utilityScreen<TRsSfForm>("TRsSfForm", ChargeMoney::Table::HotWater, Meter::HotWater);
    utilityScreen<TYdSfForm>("TYdSfForm", ChargeMoney::Table::Electricity, Meter::Electricity);

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
    pressInsert(room->window());
    room->setText(QStringLiteral("100"));
    room->setFocus();
    const double key = keystrokeMs(room, '0');
    const double bare =
        bareMs(rent->search().sql(), kPattern) +
        bareMs(QStringLiteral("select *from dbo.Zf_Zujin where manid= :manid and id< :id"),
               {rent->search().text(QStringLiteral("manid")), QStringLiteral("2147483647")});
    report("TZjglForm keystroke in the room edit", key, bare);
    // The look-up before a save: is this period already paid for?
    const QString tenant = rent->search().text(QStringLiteral("manid"));
    const QString rentRoom = rent->search().text(QStringLiteral("fangno"));
    const double paid = timeMs([&] {
        ChargeBook::rentAlreadyPaidQuestion(rentRoom, tenant, QVariant(), today, today);
    });
    report("TZjglForm period-already-paid look-up", paid,
           bareMs(catalogText("ChargeBook rent paid up to"), {rentRoom, tenant, QStringLiteral("1"), QString()}) +
               bareMs(catalogText("ChargeBook rent paid this month"),
                      {rentRoom, first.toString(format), first.addMonths(1).toString(format)}));
    if (!messages.messages().shown.isEmpty())
        std::printf("  notice: %s\n", qPrintable(messages.messages().shown.last().text));
}
