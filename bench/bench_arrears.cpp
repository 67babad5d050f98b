// Arrears and the monthly reading sheet: the arrears screen over every
// charge table, and a sheet of every let room typed and saved in one go.
#include "bench.h"

#include "clock.h"
#include "connection.h"
#include "monthlytables.h"
#include "query.h"
#include "readingsheetmodel.h"
#include "scriptedmessages.h"
#include "sqlcatalog.h"
#include "tplcbform.h"
#include "tqfcxform.h"

#include <QPushButton>

#include <cstdio>

ZT_BENCH(arrears, 60)
{
    ScriptedMessagesScope messages; // answers Yes, shows nothing

    TQfCxForm* arrears = nullptr;
    const double open = timeMs([&] { arrears = new TQfCxForm; });
    report("open arrears (lines, totals, details)", open,
           bareMs(catalogText("TQfCxForm summary"), {"%", "%", "%"}) +
               bareMs(catalogText("TQfCxForm details"), {"K00000", "1000"}));
    std::printf("  %d tenant-room lines\n", arrears->summary().count());
    delete arrears;

    TPlcbForm* sheet = nullptr;
    const double openSheet = timeMs([&] { sheet = new TPlcbForm; });
    report("open reading sheet", openSheet);
    ReadingSheetModel& model = sheet->sheet();
    QList<QStringList> rows;
    const QString date = Clock::today().toString(Qt::ISODate);
    // Last month's reading plus two months' usage: above the seeded reading
    // of this month's first day, so the month's bills find a usual usage.
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int c = 0; c < kMeterCount; ++c) {
            const QString last = model.data(model.index(r, 2 + c)).toString();
            model.setData(model.index(r, ReadingSheetModel::kFirstTyped + c),
                          QString::number(last.toDouble() + 25, 'f', 2));
        }
        rows << QStringList{model.rows()[r].fangno, date, "1", "1", "1", "1"};
    }
    // The writes alone, as the save makes them (the statement that stores a
    // room's first reading of the month, in one transaction), into next
    // month's table, which is dropped again: first the bare engine, then
    // the program.
    const QDate next = Clock::today().addMonths(1);
    SetBiaodiName(next.year(), next.month());
    EnsureBiaodiTable(BiaodiName);
    const QString nextTable = BiaodiName;
    std::vector<SheetReading> readings;
    QList<QStringList> firstRows;
    for (const auto& row : model.rows()) {
        readings.push_back({row.fangno, row.typed, false});
        firstRows << QStringList{row.fangno, next.toString(Qt::ISODate), row.typed[0], row.typed[1],
                                 row.typed[2],  row.typed[3],            row.fangno};
    }
    const QString insertFirst = QStringLiteral("insert %1(fangno,cbrq,lsb,rsb,db,mqb)\n"
                                               "select :fangno,:cbrq,:lsb,:rsb,:db,:mqb\n"
                                               "where not exists (select ID from %1 where fangno = :room)")
                                    .arg(nextTable);
    const double bareWrites = bareExecMs(insertFirst, firstRows);
    const double writes = timeMs([&] { storeSheetReadings(Connection::shared(), nextTable, next, readings); });
    char writesWhat[80];
    std::snprintf(writesWhat, sizeof writesWhat, "store a sheet's %d readings", int(readings.size()));
    report(writesWhat, writes, bareWrites);
    Query drop;
    drop.setSql(QStringLiteral("drop table ") + nextTable);
    drop.exec();

    const double save = timeMs([&] { sheet->findChild<QPushButton*>(QStringLiteral("bitbtn_post"))->click(); });
    char what[80];
    std::snprintf(what, sizeof what, "save a sheet of %d rooms, shown again", model.rowCount());
    // The click's whole time: the writes above, then the sheet read again.
    report(what, save);
    delete sheet;
}
