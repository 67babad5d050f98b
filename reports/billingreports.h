#pragma once
// The printouts of payments and monthly billing:
//
// 收款收据 (layout Sk_Sj): one payment — every charge it settled with the
//   part paid, the total in capitals, the way of payment and what the tenant
//   still owes.
// 缴费通知单 (layout Jf_Tzd): one tenant's charges of a month with readings,
//   usage and price, the balance owed from before, and the total due.
// 对账单 (layout Dz_D): a tenant's ledger over a period with the opening and
//   closing balance.
//
// The bills of every let room of a month print one or two tenants to a sheet.
#include "reportengine.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>

class QPagedPaintDevice;
class QWidget;

const ReportLayout& paymentReceiptLayout();
const ReportLayout& monthlyBillLayout();
const ReportLayout& statementLayout();

// The renderers, read from the database now.
std::unique_ptr<ReportRenderer> paymentReceipt(qint64 paymentId);
std::unique_ptr<ReportRenderer> monthlyBill(const QString& tenant, const QDate& month);
std::unique_ptr<ReportRenderer> tenantStatement(const QString& tenant, const QDate& from, const QDate& to);

// The tenants who have a let room, in room order.
QStringList billedTenants();

// Paints the bill of each tenant of billedTenants() onto the device,
// `perSheet` to a sheet (1: each on a page of its own; 2: two to a sheet, one
// above the other with a line to cut along; a bill too long for its place
// goes on in the next); `progress` (done, total) may answer false to stop.
// Answers the bills painted.
int paintMonthlyBills(QPagedPaintDevice& device, const QDate& month,
                      const std::function<bool(int, int)>& progress = {}, int perSheet = 1);
// The same into a PDF file (A4); the file is removed when stopped.
int writeMonthlyBillsPdf(const QString& path, const QDate& month,
                         const std::function<bool(int, int)>& progress = {}, int perSheet = 1);

// Preview actions of the screens.
void printPaymentReceipt(qint64 paymentId, QWidget* parent);
void printMonthlyBill(const QString& tenant, const QDate& month, QWidget* parent);
void printTenantStatement(const QString& tenant, const QDate& from, const QDate& to, QWidget* parent);
