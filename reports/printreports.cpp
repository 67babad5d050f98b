#include "printreports.h"

#include "clock.h"
#include "errordisplay.h"
#include "messages.h"
#include "session.h"
#include "tbbform_report.h"
#include "texthelpers.h"
#include "chargemoney.h"
#include "decimal.h"
#include "sqlcatalog.h"

#include <utility>

namespace {

const QString kNoticeCaption = QStringLiteral("Morvik提示");
const QString kGuard = QStringLiteral("请查询后再打印！");
// The tenant query and the statistics screen say it without "！".
const QString kPlainGuard = QStringLiteral("请查询后再打印");

enum class Text { Date, Month, User };

// What one print button does: its layout, its notice for an empty list, the
// labels it fills, and for a receipt the label that carries the current
// row's amount in capitals and the column it is taken from.
struct PrintAction {
    const char* layout;
    QString guard;
    QList<std::pair<const char*, Text>> labels;
    const char* capitalsLabel = nullptr;
    const char* amountColumn = nullptr;
    // For a receipt: the payment notice printed instead for an unsettled
    // row, and the charge table the row is read from.
    const char* noticeLayout = nullptr;
    ChargeMoney::Table table = ChargeMoney::Table::Rent;
};

// clang-format off
const PrintAction kTenantRoster{"KfHmc_report", kPlainGuard,
                                {{"QRL_Rq", Text::Date}, {"QRL_Dyr", Text::User}}};
const PrintAction kRoomList{"Czf_report", kGuard,
                            {{"QRL_printdate", Text::Date}, {"QRL_printR", Text::User}}};
const PrintAction kLettingList{"Tf_report", kGuard,
                               {{"QRL_date", Text::Date}, {"QRL_Jbr", Text::User}}};
const PrintAction kRentPayments{"Fz_report", kGuard,
                                {{"QRL_Yf", Text::Month}, {"QRL_Dyrq", Text::Date},
                                 {"QRL_SKr", Text::User}}};
const PrintAction kColdWaterPayments{"Ls_report", kGuard,
                                     {{"QRLJkyf", Text::Month}, {"QRLdyrq", Text::Date},
                                      {"QRLdyr", Text::User}}};
const PrintAction kHotWaterPayments{"Rs_report", kGuard,
                                    {{"QRL_RsJkyf", Text::Month}, {"QRL_Rsdyrq", Text::Date},
                                     {"QRL_Rsdyr", Text::User}}};
const PrintAction kElectricityPayments{"YD_report", kGuard,
                                       {{"QRL_YdJkyf", Text::Month}, {"QRL_Yddyrq", Text::Date},
                                        {"QRL_Yddyr", Text::User}}};
const PrintAction kReadingList{"Cb_report", kGuard,
                               {{"QRL_Cbrq", Text::Date}, {"QRL_Cbdyr", Text::User}}};
const PrintAction kLeaseList{"Ht_report", kGuard,
                             {{"QRL_Htrq", Text::Date}, {"QRL_Htdyr", Text::User}}};
const PrintAction kRentReceipt{"Qp_Fzsj", kGuard, {}, "QRL_RmbDx", "sf", "Qp_FzTzd",
                               ChargeMoney::Table::Rent};
const PrintAction kColdWaterReceipt{"Qp_LsSfSj", kGuard, {}, "QRL_LsRmbdx", "sfj", "Qp_LsTzd",
                                    ChargeMoney::Table::ColdWater};
const PrintAction kHotWaterReceipt{"Qp_RsSfSj", kGuard, {}, "QRL_RsRmbdx", "sfj", "Qp_RsTzd",
                                   ChargeMoney::Table::HotWater};
const PrintAction kElectricityReceipt{"Qp_YdSfSj", kGuard, {}, "QRL_YdRmbdx", "sfj", "Qp_YdTzd",
                                      ChargeMoney::Table::Electricity};

// What a charge row has received and still owes, by the rule every total
// uses.
QString moneySql(ChargeMoney::Table t) {
    return QStringLiteral("select %1 as received, %2 as owed from %3 A where A.ID = :id")
        .arg(ChargeMoney::receivedSql(t, QStringLiteral("A")), ChargeMoney::owedSql(t, QStringLiteral("A")),
             ChargeMoney::tableName(t));
}
[[maybe_unused]] const bool kSampled =
    catalogSample("Payment notice rent money", moneySql(ChargeMoney::Table::Rent)) &&
    catalogSample("Payment notice cold water money", moneySql(ChargeMoney::Table::ColdWater)) &&
    catalogSample("Payment notice hot water money", moneySql(ChargeMoney::Table::HotWater)) &&
    catalogSample("Payment notice electricity money", moneySql(ChargeMoney::Table::Electricity));
// clang-format on

QString textOf(Text t) {
    switch (t) {
    case Text::Date:
        return reportDateText(Clock::today());
    case Text::Month:
        return reportMonthText(Clock::today());
    case Text::User:
        return CurrentLoginName;
    }
    return {};
}

// A list that was never opened, or whose statement failed, counts as empty.
bool hasRows(const Query& list) { return list.isOpen() && !list.isEmpty(); }

void run(const PrintAction& action, Query& list, QWidget* parent) {
    if (!hasRows(list)) {
        showNotice(parent, kNoticeCaption, action.guard, MsgIcon::Warning);
        return;
    }
    guarded([&] {
        TBbForm_report form;
        for (const auto& [name, text] : action.labels)
            form.setLabel(QLatin1String(name), textOf(text));
        int first = 0;
        int count = -1;
        QString layout = QLatin1String(action.layout);
        if (action.capitalsLabel) {
            // A receipt is the current row's, and so is its written amount.
            first = list.row();
            count = 1;
            if (action.noticeLayout &&
                list.text(QStringLiteral("status")).trimmed() != QStringLiteral("已交款")) {
                // Money not received gets a notice of what is owed, never a
                // receipt.
                Query money;
                money.setSql(moneySql(action.table));
                money.setInteger(QStringLiteral("id"), list.integer(QStringLiteral("id")));
                money.open();
                const QString owed = Decimal::parse(money.text(QStringLiteral("owed")))
                                         .value_or(Decimal()).rounded(2).toString();
                form.setLabel(QStringLiteral("QRL_Received"),
                              Decimal::parse(money.text(QStringLiteral("received")))
                                  .value_or(Decimal()).toString());
                form.setLabel(QStringLiteral("QRL_Owed"), owed);
                form.setLabel(QStringLiteral("QRL_OwedDx"), AmountInCapitals(owed.toDouble()));
                layout = QLatin1String(action.noticeLayout);
            } else {
                form.setLabel(QLatin1String(action.capitalsLabel),
                              AmountInCapitals(list.number(QLatin1String(action.amountColumn))));
            }
        }
        form.preview(layout, list.result(), parent, first, count);
    });
}

} // namespace

void printTenantRoster(Query& list, QWidget* parent) { run(kTenantRoster, list, parent); }
void printRoomList(Query& list, QWidget* parent) { run(kRoomList, list, parent); }
void printLettingList(Query& list, QWidget* parent) { run(kLettingList, list, parent); }
void printRentPayments(Query& list, QWidget* parent) { run(kRentPayments, list, parent); }
void printColdWaterPayments(Query& list, QWidget* parent) { run(kColdWaterPayments, list, parent); }
void printHotWaterPayments(Query& list, QWidget* parent) { run(kHotWaterPayments, list, parent); }
void printElectricityPayments(Query& list, QWidget* parent) {
    run(kElectricityPayments, list, parent);
}
void printReadingList(Query& list, QWidget* parent) { run(kReadingList, list, parent); }
void printLeaseList(Query& list, QWidget* parent) { run(kLeaseList, list, parent); }
void printRentReceipt(Query& list, QWidget* parent) { run(kRentReceipt, list, parent); }
void printColdWaterReceipt(Query& list, QWidget* parent) { run(kColdWaterReceipt, list, parent); }
void printHotWaterReceipt(Query& list, QWidget* parent) { run(kHotWaterReceipt, list, parent); }
void printElectricityReceipt(Query& list, QWidget* parent) {
    run(kElectricityReceipt, list, parent);
}

void printStatistics(Query& statistics, const QString& statisticsName, const QDate& begin,
                     const QDate& end, QWidget* parent) {
    if (!hasRows(statistics)) {
        showNotice(parent, kNoticeCaption, kPlainGuard, MsgIcon::Warning);
        return;
    }
    guarded([&] {
        TBbForm_report form;
        if (statisticsName == QStringLiteral("房屋租金情况统计")) {
            form.setLabel(QStringLiteral("QRL_begindate"), reportShortDate(begin));
            form.setLabel(QStringLiteral("QRL_endDate"), reportShortDate(end));
            form.preview(QStringLiteral("QR_Fwzjtj"), statistics.result(), parent);
        } else if (statisticsName == QStringLiteral("热水收费情况统计") ||
                   statisticsName == QStringLiteral("冷水收费情况统计") ||
                   statisticsName == QStringLiteral("用电收费情况统计")) {
            form.setLabel(QStringLiteral("QRL_khy"), statisticsName);
            form.setLabel(QStringLiteral("beginDate"), reportShortDate(begin));
            form.setLabel(QStringLiteral("endDate"), reportShortDate(end));
            form.preview(QStringLiteral("QR_Sf"), statistics.result(), parent);
        } else if (statisticsName == QStringLiteral("收款方式统计")) {
            form.setLabel(QStringLiteral("beginDate"), reportShortDate(begin));
            form.setLabel(QStringLiteral("endDate"), reportShortDate(end));
            form.preview(QStringLiteral("QR_Skfs"), statistics.result(), parent);
        }
    });
}

void printArrears(Query& summary, const QString& totalText, QWidget* parent) {
    if (!hasRows(summary)) {
        showNotice(parent, kNoticeCaption, QStringLiteral("没有欠费记录可打印！"), MsgIcon::Warning);
        return;
    }
    guarded([&] {
        TBbForm_report form;
        form.setLabel(QStringLiteral("QRL_Qfrq"), reportDateText(Clock::today()));
        form.setLabel(QStringLiteral("QRL_Qfhj"), totalText);
        form.setLabel(QStringLiteral("QRL_Qfdyr"), CurrentLoginName);
        form.preview(QStringLiteral("Qf_report"), summary.result(), parent);
    });
}
