#include "tzfcbcxform.h"

#include "clock.h"
#include "errordisplay.h"
#include "messages.h"
#include "monthlytables.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The reading tables that exist, one look at the catalogue per search.
const QString kTablesSql = catalogSql("TZfCbCxForm tables", QStringList{
    "Select name From Sysobjects where name like 'zf_Biaodi%'"});

const QString kNothingFound = QStringLiteral("没有符合条件的记录");

// One month's readings with the usage since the month before (the latest
// reading of the same room there); usage is empty where last month has no
// table or no reading.
QString monthSql(const QDate& month, const QString& table, const QString& previous, int part) {
    const QString ym = month.toString(QStringLiteral("yyyy-MM"));
    QStringList meters;
    for (const char* m : {"lsb", "rsb", "db", "mqb"}) {
        const QString col = QLatin1String(m);
        const QString usage = col == QLatin1String("db") ? QStringLiteral("dbys")
                                                         : col.left(col.size() - 1) + QStringLiteral("ys");
        meters << "C." + col + ", " +
                      (previous.isEmpty() ? "CAST(NULL AS numeric(10, 2))"
                                          : "round(C." + col + " - P." + col + ", 2)") +
                      " as " + usage;
    }
    QStringList lines{"SELECT '" + ym + "' as yf, C.fangno, B.manname, C.Cbrq,",
                      meters.join(QStringLiteral(", ")),
                      "FROM " + table + " C"};
    if (!previous.isEmpty())
        lines << "LEFT JOIN " + previous + " P ON P.fangno = C.fangno AND P.ID =" <<
            "  (select max(Q.ID) from " + previous + " Q where Q.fangno = C.fangno)";
    lines << "LEFT JOIN dbo.Zf_Rz A ON A.fangno = C.fangno"
          << "LEFT JOIN dbo.Zf_Man B ON B.manid = A.manid"
          << QStringLiteral("where C.fangno like :fangno%1").arg(part);
    return lines.join(QLatin1Char('\n'));
}

[[maybe_unused]] const bool kSamples = catalogSample(
    "TZfCbCxForm search",
    TZfCbCxForm::searchSql(QDate(2024, 2, 1), QDate(2024, 3, 1),
                           {"zf_Biaodi202402", "zf_Biaodi202403"}));

} // namespace

QString TZfCbCxForm::searchSql(const QDate& from, const QDate& to, const QStringList& tables) {
    QSet<QString> exists;
    for (const QString& t : tables)
        exists.insert(t.toLower());
    QStringList parts;
    for (QDate m(from.year(), from.month(), 1); m <= to; m = m.addMonths(1)) {
        const QString table = BiaodiTableName(m.year(), m.month());
        if (!exists.contains(table.toLower()))
            continue;
        const QDate before = m.addMonths(-1);
        const QString previous = BiaodiTableName(before.year(), before.month());
        parts << monthSql(m, table, exists.contains(previous.toLower()) ? previous : QString(),
                          int(parts.size()) + 1);
    }
    if (parts.isEmpty())
        return {};
    return parts.join(QStringLiteral("\nUNION ALL\n")) + QStringLiteral("\nORDER BY 2, 1, 4");
}

TZfCbCxForm::TZfCbCxForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TZfCbCxForm"));
    setWindowTitle(QStringLiteral("租房抄表查询"));

    auto* inputs = new QGridLayout;
    FieldGrid fields(inputs);
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房号："), "Ed_Fh");
    Ed_Fh->setPlaceholderText(QStringLiteral("空为全部房间"));
    DT_begin = fields.date({0, 2}, QStringLiteral("起始月份："), "DT_begin");
    DT_end = fields.date({0, 4}, QStringLiteral("终止月份："), "DT_end");
    for (QDateEdit* d : {DT_begin, DT_end}) {
        d->setDisplayFormat(QStringLiteral("yyyy-MM"));
        d->setCalendarPopup(false);
    }
    const QDate today = Clock::today();
    DT_end->setDate(QDate(today.year(), today.month(), 1));
    DT_begin->setDate(DT_end->date().addMonths(-5));
    inputs->setColumnStretch(6, 1);

    ButtonRow buttons(nullptr, ButtonRow::Place::Right);
    BitBtn_find = buttons.add(QStringLiteral("查  询"), "BitBtn_find");
    BBtn_Print = buttons.add(QStringLiteral("&P打印"), "BBtn_Print");
    bitbtn_quit = buttons.add(QStringLiteral("退出"), "bitbtn_quit");

    m_model = new QueryModel(ADQ_Cbcx,
                             {{"yf", "月份"},
                              {"fangno", "房号"},
                              {"manname", "客户姓名"},
                              {"Cbrq", "抄表日期"},
                              {"lsb", "冷水表"},
                              {"lsys", "冷水用量"},
                              {"rsb", "热水表"},
                              {"rsys", "热水用量"},
                              {"db", "电表"},
                              {"dbys", "用电量"},
                              {"mqb", "煤气表"},
                              {"mqys", "煤气用量"}},
                             this);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_model, this);
    DBGrid1->setMinimumSize(960, 360);
    for (int c = 0; c < m_model->columnCount(); ++c)
        DBGrid1->setColumnWidth(c, c == 3 ? 92 : 76);
    DBGrid1->setAccessibleName(QStringLiteral("抄表记录"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addLayout(buttons.layout());
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Ed_Fh, &QLineEdit::returnPressed, this, &TZfCbCxForm::BitBtn_findClick);
    connect(BitBtn_find, &QPushButton::clicked, this, &TZfCbCxForm::BitBtn_findClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &TZfCbCxForm::BBtn_PrintClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &QDialog::close);
    Ed_Fh->setFocus();
}

TZfCbCxForm::~TZfCbCxForm() = default;

void TZfCbCxForm::BitBtn_findClick() {
    const QDate from(DT_begin->date().year(), DT_begin->date().month(), 1);
    const QDate to(DT_end->date().year(), DT_end->date().month(), 1);
    if (from > to) {
        showNotice(this, QueryScreen::kNoticeCaption,
                   QStringLiteral("起始月份晚于终止月份，请重新选择月份。"), MsgIcon::Warning);
        DT_begin->setFocus();
        return;
    }
    if (from.addMonths(kMaxMonths) <= to) {
        showNotice(this, QueryScreen::kNoticeCaption,
                   QStringLiteral("一次最多查询 %1 个月，请缩短月份范围。").arg(kMaxMonths),
                   MsgIcon::Warning);
        DT_begin->setFocus();
        return;
    }
    // Only the months whose reading table exists take part.
    QString sql;
    if (!guarded([&] {
            Query tables;
            tables.setSql(kTablesSql);
            tables.open();
            QStringList names;
            for (bool more = tables.first(); more; more = tables.next())
                names << tables.text(QStringLiteral("name"));
            sql = searchSql(from, to, names);
        }))
        return;
    if (sql.isEmpty()) {
        ADQ_Cbcx.close();
        m_model->refresh();
        showNotice(this, QueryScreen::kNoticeCaption,
                   QStringLiteral("%1至%2没有抄表记录。")
                       .arg(from.toString(QStringLiteral("yyyy年M月")),
                            to.toString(QStringLiteral("yyyy年M月"))),
                   MsgIcon::Warning);
        Ed_Fh->setFocus();
        return;
    }
    const bool ok = QueryScreen::run(*m_model, [&](Query& q) {
        q.setSql(sql);
        const QString pattern = Ed_Fh->text().trimmed() + QLatin1Char('%');
        for (const QString& name : q.paramNames())
            q.setText(name, pattern, 10);
    });
    if (ok && ADQ_Cbcx.isEmpty())
        showNotice(this, QueryScreen::kNoticeCaption, kNothingFound, MsgIcon::Warning);
    Ed_Fh->setFocus();
}

void TZfCbCxForm::BBtn_PrintClick() {
    printReadingList(ADQ_Cbcx, this);
}
