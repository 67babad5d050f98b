#pragma once
// The print actions: one call per print button. Each checks the list, sets
// the layout's labels (date and month texts, the logged-in user, the amount
// in capitals), shows the print preview maximised and modal, and waits until
// the user closes it. An empty or unopened list gets the button's notice
// ("Morvik提示", warning icon) and nothing is printed. A preview that fails
// is shown by the general error display; the screen goes on. The list's
// current row is the same afterwards as before.
//
// Button -> call; the layout prints these columns of the query (a column the
// result lacks prints empty):
//
// TKfCxForm     "&P打印"  printTenantRoster(ADQ_Kfcx)         KfHmc_report
//      manid manname sex idcard iddress handset company
// TCzfCxForm    "&P打印"  printRoomList(ADQ_CzFcx)            Czf_report
//      fangno area housetype facetype Sb fangya fangprice Ljf
// TZfKfCxForm   "&P打印"  printLettingList(ADQ_Kfcx)          Tf_report
//      fangno manid manname begindate Tfdate Tfj status
// TZfSfcxForm   "&P打印"  printRentPayments(ADQ_Zjgl)         Fz_report
//      fangno manname Jkrq fangya fangprice Ljf Yf sf status
// TLsSfCxForm   "&P打印"  printColdWaterPayments(ADQ_SfCx)    Ls_report
// TRsSfCxForm   "&P打印"  printHotWaterPayments(ADQ_SfCx)     Rs_report
// TYdSfCxForm   "&P打印"  printElectricityPayments(ADQ_SfCx)  YD_report
//      fangno manname Jkrq Sybd Bybd Sys lsdj|rsdj|Yddj Yfj sfj status
// TZjglForm     "&P收据"  printRentReceipt(ADQ_Zjgl)          Qp_Fzsj
//      id manname fangno fangya fangprice Ljf Yf sf Jkrq
// TLsSfForm     "&P收据"  printColdWaterReceipt(ADQ_LsSf)     Qp_LsSfSj
// TRsSfForm     "&P收据"  printHotWaterReceipt(ADQ_RsSf)      Qp_RsSfSj
// TYdSfForm     "&P收据"  printElectricityReceipt(ADQ_YdSf)   Qp_YdSfSj
//      ID manname fangno Sybd Bybd Sys lsdj|rsdj|Yddj Yfj sfj Jkrq
// TQtFyTjForm   "&P打印"  printStatistics(ADQ_Zjtj, Lb_ykh->text(),
//                                        Dt_begin->date(), Dt_end->date())
//      rent: rs fangya fangprice ljf yf sf (QR_Fwzjtj);
//      utilities: rs sys yfj sfj (QR_Sf)
//
// A receipt prints the list's current row only, with that row's amount
// received in capitals. The meter-reading screen has no print action; the
// check-out settlement is printed by checkoutreport.h.
#include "query.h"

#include <QDate>
#include <QString>

class QWidget;

void printTenantRoster(Query& list, QWidget* parent);
void printRoomList(Query& list, QWidget* parent);
void printLettingList(Query& list, QWidget* parent);
void printRentPayments(Query& list, QWidget* parent);
void printColdWaterPayments(Query& list, QWidget* parent);
void printHotWaterPayments(Query& list, QWidget* parent);
void printElectricityPayments(Query& list, QWidget* parent);

void printRentReceipt(Query& list, QWidget* parent);
void printColdWaterReceipt(Query& list, QWidget* parent);
void printHotWaterReceipt(Query& list, QWidget* parent);
void printElectricityReceipt(Query& list, QWidget* parent);

// TQfCxForm     "&P打印"  printArrears(ADQ_Qf, total text)     Qf_report
//      manid manname fangno zt zj ls rs yd hj khhj oldest
void printArrears(Query& summary, const QString& totalText, QWidget* parent);

// TZfCbCxForm   "&P打印"  printReadingList(ADQ_Cbcx)          Cb_report
//      fangno manname Cbrq lsb rsb db mqb
void printReadingList(Query& readings, QWidget* parent);
// THtglForm     "&P打印"  printLeaseList(ADQ_Htgl)            Ht_report
//      fangno manid manname begindate enddate fangprice fangya days zt
void printLeaseList(Query& leases, QWidget* parent);

// `statisticsName` is the name the screen shows for the statistics last run;
// a name that is none of the four prints nothing. The period printed is the
// one the two pickers show now.
void printStatistics(Query& statistics, const QString& statisticsName, const QDate& begin,
                     const QDate& end, QWidget* parent);
