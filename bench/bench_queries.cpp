// Queries and statistics: opening each charge query (the whole joined list
// in its grid), a find and a compound query on it, and each statistics
// button over the last year, beside the bare engine on the same statements.
#include "bench.h"
#include "clock.h"
#include "sqlvalue.h"
#include "tczfcxform.h"
#include "tqtfytjform.h"
#include "tsfcxform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QTableView>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

template <class T> T* child(QWidget* w, const char* name) {
    return w->findChild<T*>(QLatin1String(name));
}

void choose(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(combo->findText(text));
}

} // namespace

ZT_BENCH(queries, 40) {
    const std::pair<const char*, std::function<TSfCxForm*()>> screens[] = {
        {"rent", [] { return new TZfSfcxForm; }},
        {"cold water", [] { return new TLsSfCxForm; }},
        {"hot water", [] { return new TRsSfCxForm; }},
        {"electricity", [] { return new TYdSfCxForm; }}};
    for (const auto& [name, make] : screens) {
        const long before = residentKb();
        std::unique_ptr<TSfCxForm> form;
        double open = timeMs([&] { form.reset(make()); });
        open += openMs(form.get());
        const QByteArray what = QByteArray("open ") + name + " charge query, first rows shown";
        report(what.constData(), open, bareFirstRowsMs(form->reportQuery().sql(), 256));
        const double rest = listsCompleteMs(form.get());
        report("  rest of the list read between events", rest, bareMs(form->reportQuery().sql()));
        std::printf("  %d rows, +%ld KB\n", form->reportQuery().count(), residentKb() - before);

        // A find on the room number prefix, bound as the screen binds it.
        choose(child<QComboBox>(form.get(), "Com_first"), QStringLiteral("房号"));
        choose(child<QComboBox>(form.get(), "Com_term"), QStringLiteral("like"));
        child<QComboBox>(form.get(), "Com_result")->setEditText(QStringLiteral("10%"));
        const double find = timeMs([&] { child<QPushButton>(form.get(), "BitBtn_find")->click(); });
        const QByteArray findWhat = QByteArray("  find fangno like '10%' (") +
                                    QByteArray::number(form->reportQuery().count()) + " rows)";
        report(findWhat.constData(), find,
               bareMs(form->reportQuery().sql(), {QStringLiteral("10%")}));
    }

    // Each statistics over the last year.
    TQtFyTjForm stats;
    const QDate today = Clock::today();
    child<QDateEdit>(&stats, "Dt_begin")->setDate(today.addYears(-1));
    const QStringList period{canonicalDateTime(QDateTime(today.addYears(-1), QTime(0, 0))),
                             canonicalDateTime(QDateTime(today, QTime(0, 0)))};
    for (const char* button : {"Button_FW", "Button_Rs", "Button_Ls", "Button_Yd"}) {
        auto* b = child<QPushButton>(&stats, button);
        const double ms = timeMs([&] { b->click(); });
        const QByteArray what = "statistics " + b->text().toUtf8() + " (" +
                                stats.reportQuery().text(QStringLiteral("rs")).toUtf8() + " rows)";
        report(what.constData(), ms, bareMs(stats.reportQuery().sql(), period));
    }

    // The room query over every room, let or not.
    TCzfCxForm rooms;
    const double roomMs = timeMs([&] { child<QPushButton>(&rooms, "BitBtn_find")->click(); });
    report("room query, rooms not let", roomMs,
           bareMs(rooms.reportQuery().sql(), {QStringLiteral("%")}));
}
