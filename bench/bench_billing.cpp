// Billing: the month's run over every let room (its preview and its write),
// the payment screen's opening and a keystroke in its tenant field, a
// tenant's ledger of ten years and every bill of a month printed, each beside
// the bare engine running the main statements the step runs.
#include "bench.h"
#include "billing.h"
#include "billingforms.h"
#include "billingreports.h"
#include "clock.h"
#include "ledger.h"
#include "payments.h"
#include "query.h"
#include "scriptedmessages.h"
#include "sqlcatalog.h"

#include <QLineEdit>
#include <QMap>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

// The let rooms and their tenants, as the run reads them.
QList<QStringList> letRooms() {
    Query q;
    q.setSql(catalogText("Billing let rooms"));
    q.open();
    QList<QStringList> rooms;
    for (q.first(); !q.eof(); q.next())
        rooms << QStringList{q.text(QStringLiteral("fangno")).trimmed(), q.text(QStringLiteral("manid")).trimmed()};
    return rooms;
}

// A tenant's charges, ten years' worth: 120 months of rent and utilities.
void seedTenYears(const QString& tenant, const QString& room) {
    Query q;
    q.setSql(QStringLiteral("insert into Zf_Zujin (fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,status) "
                            "values (:fangno,:manid,:jkrq,0,800,10,810,810,'1')"));
    Connection::shared().beginWriteTransaction();
    const QDate start = Clock::today().addYears(-10);
    for (int m = 0; m < 120; ++m) {
        q.setText(QStringLiteral("fangno"), room, 8);
        q.setText(QStringLiteral("manid"), tenant, 10);
        q.setDateTime(QStringLiteral("jkrq"), QDateTime(start.addMonths(m), QTime(0, 0)));
        q.exec();
    }
    Connection::shared().commit();
}

} // namespace

ZT_BENCH(billing, 90) {
    ScriptedMessagesScope messages;
    const QDate month = Clock::today();
    const QList<QStringList> rooms = letRooms();
    const QString format = QStringLiteral("yyyy-MM-dd 00:00:00.000");
    const QDate last = QDate(month.year(), month.month(), 1).addMonths(1).addDays(-1);

    Billing::Proposal proposal;
    const double preview = timeMs([&] { proposal = Billing::propose(month); });
    QList<QStringList> paidTo, intervals;
    for (const QStringList& r : rooms)
        paidTo << QStringList{r[0], r[1], QStringLiteral("1"), QString()};
    report(qPrintable(QStringLiteral("生成本月账单 preview (%1 let rooms: %2 charges, %3 refused)")
                          .arg(rooms.size())
                          .arg(proposal.charges.size())
                          .arg(proposal.unbillable.size())),
           preview,
           bareMs(catalogText("Billing let rooms")) + bareMs(catalogText("Billing tenants with rent")) +
               bareExecMs(catalogText("ChargeBook rent paid up to"), paidTo));

    QMap<QString, int> reasons;
    for (const Billing::Unbillable& u : proposal.unbillable)
        ++reasons[u.reason];
    for (auto it = reasons.cbegin(); it != reasons.cend(); ++it)
        std::printf("  refused: %s × %d\n", qPrintable(it.key()), it.value());

    int written = 0;
    const double write = timeMs([&] { written = Billing::write(proposal); });
    QList<QStringList> rentRows;
    for (const Billing::ProposedCharge& c : proposal.charges)
        if (c.table == Billing::Table::Rent)
            rentRows << QStringList{c.room,
                                    c.tenant,
                                    month.toString(format),
                                    c.deposit.toString(),
                                    c.rent.toString(),
                                    c.refuse.toString(),
                                    c.due.toString(),
                                    c.letStart.startOfDay().toString(format),
                                    last.toString(format),
                                    c.room,
                                    c.tenant,
                                    c.letStart.startOfDay().toString(format),
                                    last.toString(format),
                                    QStringLiteral("0"),
                                    c.tenant};
    report(qPrintable(QStringLiteral("生成本月账单 write (%1 charges)").arg(written)), write,
           bareExecMs(catalogText("Billing insert rent"), rentRows));

    std::unique_ptr<TPaymentForm> pay;
    const double open = timeMs([&] {
        pay = std::make_unique<TPaymentForm>();
        pay->show();
    });
    report("收款管理 open", open);
    const QString tenant = rooms.isEmpty() ? QString() : rooms.first()[1];
    auto* field = pay->findChild<QLineEdit*>(QStringLiteral("Ed_Tenant"));
    const double key = timeMs([&] { field->setText(tenant); });
    report("收款管理 keystroke in the tenant field", key,
           bareMs(catalogText("Billing tenant search"), {tenant + QLatin1Char('%'), tenant + QLatin1Char('%')}) +
               bareMs(catalogText("Payments unsettled charges"), {tenant, tenant, tenant, tenant}) +
               bareMs(catalogText("Ledger charges"), {tenant, tenant, tenant, tenant}) +
               bareMs(catalogText("Ledger payments"), {tenant}));

    if (!rooms.isEmpty())
        seedTenYears(tenant, rooms.first()[0]);
    int lines = 0;
    const double ledger = timeMs([&] { lines = int(Ledger::lines(tenant).size()); });
    report(qPrintable(QStringLiteral("客户账户 ledger of ten years (%1 lines)").arg(lines)), ledger,
           bareMs(catalogText("Ledger charges"), {tenant, tenant, tenant, tenant}) +
               bareMs(catalogText("Ledger payments"), {tenant}));

    QTemporaryDir dir;
    int bills = 0;
    const double print = timeMs([&] { bills = writeMonthlyBillsPdf(dir.filePath("bills.pdf"), month); });
    QList<QStringList> billRows;
    const QDate first(month.year(), month.month(), 1);
    for (const QString& t : billedTenants())
        billRows << QStringList{t, first.startOfDay().toString(format), first.addMonths(1).startOfDay().toString(format)};
    report(qPrintable(QStringLiteral("打印本月账单 (%1 bills to PDF)").arg(bills)), print,
           bareExecMs(catalogText("Jf_Tzd lines"), billRows));
    if (!messages.messages().shown.isEmpty())
        std::printf("  notice: %s\n", qPrintable(messages.messages().shown.last().text));
}
