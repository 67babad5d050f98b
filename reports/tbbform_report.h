#pragma once
#include "reportengine.h"

#include <QHash>
#include <QString>

#include <memory>

class QWidget;

// The report form: every printed layout of the program, held as data, and
// the label texts one print action sets before it previews one of them. A
// print action creates the form, sets labels, previews, and lets it go; the
// form itself is never shown.
//
// Layouts by name:
//   lists       KfHmc_report (tenants), Czf_report (rooms), Tf_report (lettings),
//               Fz_report (rent), Ls_report / Rs_report / YD_report (cold water,
//               hot water, electricity payments) - the printer's default paper;
//   receipts    Qp_Fzsj (rent), Qp_LsSfSj / Qp_RsSfSj / Qp_YdSfSj (utilities) -
//               one detail band of 119 mm, two to an A4 page;
//   statistics  QR_Fwzjtj (rent), QR_Sf (cold water, hot water, electricity) - A4.
class TBbForm_report {
public:
    static QString caption() { return QStringLiteral("收费项目报表"); }

    // The layout of that name; throws ReportError for a name it does not hold.
    static const ReportLayout& layout(const QString& name);
    static QStringList layoutNames();

    void setLabel(const QString& name, const QString& text) { m_labels.insert(name, text); }
    const QHash<QString, QString>& labels() const { return m_labels; }

    // The layout bound to rows [first, first + count) of a result, with the
    // labels set so far.
    ReportRenderer renderer(const QString& layoutName, std::shared_ptr<const ResultSet> rows,
                            int first = 0, int count = -1) const;
    // Shows that in the print preview and waits until it is closed. Throws
    // ReportError when the preview failed.
    void preview(const QString& layoutName, std::shared_ptr<const ResultSet> rows, QWidget* parent,
                 int first = 0, int count = -1) const;

private:
    QHash<QString, QString> m_labels;
};
