#include "tplcbform.h"

#include "clock.h"
#include "connection.h"
#include "errordisplay.h"
#include "messages.h"
#include "monthlytables.h"
#include "query.h"
#include "readingsheetmodel.h"
#include "sqlcatalog.h"

#include <QApplication>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kNoticeCaption = QStringLiteral("Morvik提示");
const QString kAppCaption = QStringLiteral("房屋出租管理");

// The same row the single-reading screen stores.
QString insertSql(const QString& table)
{
    return QStringList{QStringLiteral("insert ") + table + QStringLiteral("(fangno,cbrq,lsb,rsb,db,mqb)"),
                       QStringLiteral("values (:fangno,:cbrq,:lsb,:rsb,:db,:mqb)")}
        .join(QLatin1Char('\n'));
}
[[maybe_unused]] const bool kSampled = catalogSample("TPlcbForm insert", insertSql(QStringLiteral("zf_Biaodi202403")));

// A meter reading as the reading tables hold it: up to four digits before
// the point and two after.
bool validReading(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^\\d{1,4}(\\.\\d{0,2})?$"));
    return re.match(text.trimmed()).hasMatch();
}

} // namespace

TPlcbForm::TPlcbForm(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TPlcbForm"));
    setWindowTitle(QStringLiteral("批量抄表"));

    DT_Cbrq = new QDateEdit(Clock::today());
    DT_Cbrq->setObjectName(QStringLiteral("DT_Cbrq"));
    DT_Cbrq->setCalendarPopup(true);
    DT_Cbrq->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    auto* dateLabel = new QLabel(QStringLiteral("抄表日期："));
    dateLabel->setBuddy(DT_Cbrq);
    DT_Cbrq->setAccessibleName(QStringLiteral("抄表日期"));
    Lab_count = new QLabel;
    Lab_count->setObjectName(QStringLiteral("Lab_count"));
    auto* top = new QHBoxLayout;
    top->addWidget(dateLabel);
    top->addWidget(DT_Cbrq);
    top->addSpacing(24);
    top->addWidget(Lab_count, 1);

    m_model = new ReadingSheetModel(this);
    DBGrid1 = new QTableView;
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("抄表单"));
    DBGrid1->setModel(m_model);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                             QAbstractItemView::EditKeyPressed);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->verticalHeader()->setDefaultSectionSize(24);
    DBGrid1->installEventFilter(this);

    bitbtn_post = new QPushButton(QStringLiteral("保存"));
    bitbtn_post->setObjectName(QStringLiteral("bitbtn_post"));
    bitbtn_quit = new QPushButton(QStringLiteral("退出"));
    bitbtn_quit->setObjectName(QStringLiteral("bitbtn_quit"));
    for (QPushButton* b : {bitbtn_post, bitbtn_quit})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bitbtn_post);
    buttons->addSpacing(40);
    buttons->addWidget(bitbtn_quit);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons);
    resize(980, 600);

    connect(bitbtn_post, &QPushButton::clicked, this, &TPlcbForm::bitbtn_postClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TPlcbForm::bitbtn_quitClick);
    // Enter in a cell editor commits it and moves on, as in a spreadsheet.
    connect(DBGrid1->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::SubmitModelCache)
                    moveToNextCell();
            });
    reload();
}

void TPlcbForm::reload()
{
    guarded([&] { m_model->load(Clock::today()); });
    int read = 0;
    for (const auto& row : m_model->rows())
        read += row.readThisMonth ? 1 : 0;
    Lab_count->setText(QStringLiteral("在租房间 %1 间，本月已抄 %2 间").arg(m_model->rowCount()).arg(read));
    DBGrid1->resizeColumnsToContents();
    // Room for a reading of four digits and two decimals in every cell typed.
    for (int c = ReadingSheetModel::kFirstTyped; c < ReadingSheetModel::kStatusColumn; ++c)
        DBGrid1->setColumnWidth(c, qMax(DBGrid1->columnWidth(c), 84));
    if (m_model->rowCount() > 0)
        DBGrid1->setCurrentIndex(m_model->index(0, ReadingSheetModel::kFirstTyped));
}

void TPlcbForm::moveToNextCell()
{
    const QModelIndex at = DBGrid1->currentIndex();
    if (!at.isValid())
        return;
    int row = at.row();
    int column = at.column() + 1;
    if (column < ReadingSheetModel::kFirstTyped || column >= ReadingSheetModel::kStatusColumn) {
        column = ReadingSheetModel::kFirstTyped;
        row += 1;
    }
    if (row >= m_model->rowCount())
        return;
    DBGrid1->setCurrentIndex(m_model->index(row, column));
}

bool TPlcbForm::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on a cell that is not being edited moves on as well (while a
    // cell is edited its keys go to the editor, not to the grid).
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            moveToNextCell();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPlcbForm::bitbtn_postClick()
{
    const int written = save();
    if (written >= 0) {
        showNotice(this, kAppCaption, QStringLiteral("保存成功！共保存 %1 个房间的抄表记录。").arg(written),
                   MsgIcon::NoIcon);
        reload();
    }
}

int TPlcbForm::save()
{
    // A cell still being edited is committed by taking the focus from it.
    if (QWidget* editor = QApplication::focusWidget(); editor && DBGrid1->isAncestorOf(editor))
        editor->clearFocus();

    std::vector<int> typed;
    int alreadyRead = 0;
    ReadingAnomaly worst = ReadingAnomaly::None;
    const auto& rows = m_model->rows();
    for (int r = 0; r < int(rows.size()); ++r) {
        if (!ReadingSheetModel::isTyped(rows[r]))
            continue;
        for (int i = 0; i < kMeterCount; ++i) {
            const QString& cell = rows[r].typed[i];
            if (!cell.isEmpty() && !validReading(cell)) {
                DBGrid1->setCurrentIndex(m_model->index(r, ReadingSheetModel::kFirstTyped + i));
                showNotice(this, kNoticeCaption,
                           QStringLiteral("房号 %1 的读数“%2”不是有效的表底数（最多四位整数、两位小数）。")
                               .arg(rows[r].fangno, cell),
                           MsgIcon::Warning);
                return -1;
            }
        }
        typed.push_back(r);
        alreadyRead += rows[r].readThisMonth ? 1 : 0;
        if (worst != ReadingAnomaly::BelowLastMonth && rows[r].anomaly != ReadingAnomaly::None)
            worst = rows[r].anomaly;
    }
    if (typed.empty()) {
        showNotice(this, kNoticeCaption, QStringLiteral("没有填写任何读数。"), MsgIcon::Information);
        return -1;
    }
    if (worst != ReadingAnomaly::None && !askYesNo(this, kNoticeCaption, anomalyQuestion(worst), MsgIcon::Question))
        return -1;
    bool writeReadAgain = false;
    if (alreadyRead > 0)
        writeReadAgain = askYesNo(this, kNoticeCaption,
                                  QStringLiteral("其中 %1 个房间本月已抄表，是否再保存一次？\n选“否”则只保存未抄表的房间。")
                                      .arg(alreadyRead),
                                  MsgIcon::Question);

    Connection& c = Connection::shared();
    int written = 0;
    try {
        if (c.inTransaction())
            c.rollback();
        // The table of the month in which the reading is saved.
        const QDate today = Clock::today();
        SetBiaodiName(today.year(), today.month());
        EnsureBiaodiTable(BiaodiName);
        c.beginTransaction();
        Query insert;
        insert.setSql(insertSql(BiaodiName));
        for (const int r : typed) {
            const auto& row = rows[r];
            if (row.readThisMonth && !writeReadAgain)
                continue;
            insert.setText(QStringLiteral("fangno"), row.fangno, 8);
            insert.setDateTime(QStringLiteral("cbrq"), DT_Cbrq->date());
            for (int i = 0; i < kMeterCount; ++i)
                insert.setDecimal(meterColumn(Meter(i)), row.typed[i].isEmpty() ? QStringLiteral("0") : row.typed[i]);
            insert.exec();
            ++written;
        }
        c.commit();
    } catch (const std::exception&) {
        const QString failure = failureMessage(QStringLiteral("操作失败！"));
        try {
            if (c.inTransaction())
                c.rollback();
        } catch (const DbError&) {
            // The failure shown next already says what went wrong.
        }
        showNotice(this, QString(), failure, MsgIcon::Critical);
        return -1;
    }
    return written;
}

void TPlcbForm::bitbtn_quitClick() { close(); }
