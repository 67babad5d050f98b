// Arrears and the monthly reading sheet: the arrears screen over every
// charge table, and a sheet of every let room typed and saved in one go.
#include "bench.h"

#include "clock.h"
#include "monthlytables.h"
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
    const double save = timeMs([&] { sheet->findChild<QPushButton*>(QStringLiteral("bitbtn_post"))->click(); });
    SetBiaodiName(Clock::today().year(), Clock::today().month());
    const QString insert = QStringLiteral("insert ") + BiaodiName +
                           QStringLiteral("(fangno,cbrq,lsb,rsb,db,mqb)\nvalues (:fangno,:cbrq,:lsb,:rsb,:db,:mqb)");
    char what[80];
    std::snprintf(what, sizeof what, "save a sheet of %d rooms", model.rowCount());
    report(what, save, bareExecMs(insert, rows));
    delete sheet;
}
