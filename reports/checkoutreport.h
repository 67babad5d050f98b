#pragma once
// The check-out settlement, 退房结算单 (layout Tf_Jsd, A4): the let, the
// deposit received, each charge the check-out settled with what the deposit
// paid of it and what stays owing, the deductions with their reasons, the
// refund paid (also in capitals), and lines for the signatures.
//
// TTfglForm  "&P打印"  printCheckOutSettlement(ADQ_Tfgl)  Tf_Jsd
//      the check-out the list stands on (its id), read with its lines
#include "query.h"
#include "reportengine.h"

class QWidget;

const ReportLayout& checkOutSettlementLayout();

// Previews the settlement of the list's current check-out; an empty or
// unopened list gets "请查询后再打印！" and nothing is printed.
void printCheckOutSettlement(Query& list, QWidget* parent);
