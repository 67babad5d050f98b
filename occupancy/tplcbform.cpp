#include "tplcbform.h"

#include "clock.h"
#include "connection.h"
#include "errordisplay.h"
#include "messages.h"
#include "monthlytables.h"
#include "query.h"
#include "readingsheetmodel.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QApplication>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kNoticeCaption = QStringLiteral("Morvik提示");
const QString kAppCaption = QStringLiteral("房屋出租管理");

// Enter in a cell editor commits the value to the editor's own cell and
// closes the editor at once, before the next key is read. (The standard
// delegate closes it by a queued call and lets the line edit pass the key on
// to the grid: a quick next key then lands in the old cell, and the grid's
// own Enter handling moves a second time.)
class SheetDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }
};

QString meterTitle(int meter)
{
    static const char* const titles[] = {"冷水表", "热水表", "电表", "煤气表"};
    return QString::fromUtf8(titles[meter]);
}

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

    FieldGrid date;
    DT_Cbrq = date.date({0, 0}, QStringLiteral("抄表日期："), "DT_Cbrq");
    DT_Cbrq->setDate(Clock::today());
    Lab_count = new QLabel;
    Lab_count->setObjectName(QStringLiteral("Lab_count"));
    auto* top = new QHBoxLayout;
    top->addLayout(date.layout());
    top->addSpacing(24);
    top->addWidget(Lab_count, 1);

    m_model = new ReadingSheetModel(this);
    DBGrid1 = new QTableView;
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("抄表单"));
    DBGrid1->setModel(m_model);
    DBGrid1->setItemDelegate(new SheetDelegate(DBGrid1));
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                             QAbstractItemView::EditKeyPressed);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->verticalHeader()->setDefaultSectionSize(24);
    DBGrid1->installEventFilter(this);

    ButtonRow buttons;
    bitbtn_post = buttons.add(QStringLiteral("保存"), "bitbtn_post");
    buttons.addSpacing(40);
    bitbtn_quit = buttons.add(QStringLiteral("退出"), "bitbtn_quit");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons.layout());
    resize(980, 600);

    connect(bitbtn_post, &QPushButton::clicked, this, &TPlcbForm::bitbtn_postClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TPlcbForm::bitbtn_quitClick);
    m_acceptedDate = DT_Cbrq->date();
    connect(DT_Cbrq, &QDateEdit::editingFinished, this, [this] { DT_CbrqEditingFinished(); });
    // Enter in a cell editor commits it and moves on, as in a spreadsheet.
    connect(DBGrid1->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::SubmitModelCache)
                    moveToNextCell();
            });
    reload();
    // Typing starts in the first room's first meter, never in the date.
    DBGrid1->setFocus();
    setTabOrder(DBGrid1, bitbtn_post);
    setTabOrder(bitbtn_post, bitbtn_quit);
    setTabOrder(bitbtn_quit, DT_Cbrq);
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
    // Enter on a cell that is not being edited moves on. Enter in a cell
    // editor is handled once, by the editor's close (which commits the
    // value to its own cell and then moves on); should a key press still
    // reach the grid from an editor, it must not move a second time.
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // While a cell is edited the focus is in its editor, and a key
            // press reaching the grid came from there.
            if (QApplication::focusWidget() == DBGrid1)
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
        QString text = QStringLiteral("保存成功！共保存 %1 个房间的抄表记录。").arg(written);
        // A meter left blank is stored as not read, never as a reading of 0.
        if (!m_partlyRead.isEmpty())
            text += QStringLiteral("\n房号 %1 只填了部分表，未填的表记为未抄。").arg(m_partlyRead.join(QStringLiteral("、")));
        showNotice(this, kAppCaption, text, MsgIcon::NoIcon);
        reload();
    }
}

bool TPlcbForm::dateAcceptable()
{
    const QDate today = Clock::today();
    const QDate from(today.addMonths(-1).year(), today.addMonths(-1).month(), 1);
    const QDate next = today.addMonths(1);
    const QDate to(next.year(), next.month(), next.daysInMonth());
    const QDate date = DT_Cbrq->date();
    if (date >= from && date <= to)
        return true;
    showNotice(this, kNoticeCaption,
               QStringLiteral("抄表日期 %1 不在上月初至下月底之间（%2 至 %3），请重新选择抄表日期。")
                   .arg(date.toString(QStringLiteral("yyyy-MM-dd")), from.toString(QStringLiteral("yyyy-MM-dd")),
                        to.toString(QStringLiteral("yyyy-MM-dd"))),
               MsgIcon::Warning);
    return false;
}

void TPlcbForm::DT_CbrqEditingFinished()
{
    // A date typed by mistake goes back to the one last accepted.
    if (DT_Cbrq->date() == m_acceptedDate)
        return;
    if (dateAcceptable())
        m_acceptedDate = DT_Cbrq->date();
    else
        DT_Cbrq->setDate(m_acceptedDate);
}

int TPlcbForm::save()
{
    // A cell still being edited is committed by taking the focus from it.
    if (QWidget* editor = QApplication::focusWidget(); editor && DBGrid1->isAncestorOf(editor))
        editor->clearFocus();

    if (!dateAcceptable()) {
        DT_Cbrq->setFocus();
        return -1;
    }
    std::vector<int> typed;
    QStringList alreadyRead;
    QStringList marked; // "房号 101 冷水表：低于上月读数"
    QString onlyMarked; // the question when a single reading is marked
    const auto& rows = m_model->rows();
    for (int r = 0; r < int(rows.size()); ++r) {
        if (!ReadingSheetModel::isTyped(rows[r]))
            continue;
        for (int i = 0; i < kMeterCount; ++i) {
            const QString& cell = rows[r].typed[i];
            if (!cell.isEmpty() && !validReading(cell)) {
                DBGrid1->setCurrentIndex(m_model->index(r, ReadingSheetModel::kFirstTyped + i));
                showNotice(this, kNoticeCaption,
                           QStringLiteral("房号 %1 %2的读数“%3”不是有效的表底数（最多四位整数、两位小数）。")
                               .arg(rows[r].fangno, meterTitle(i), cell),
                           MsgIcon::Warning);
                return -1;
            }
        }
        typed.push_back(r);
        if (rows[r].readThisMonth)
            alreadyRead << rows[r].fangno;
        for (int i = 0; i < kMeterCount; ++i) {
            const ReadingAnomaly a = rows[r].meterAnomaly[i];
            if (a == ReadingAnomaly::None)
                continue;
            const QString meter = meterTitle(i);
            marked << QStringLiteral("房号 %1 %2：%3").arg(rows[r].fangno, meter, anomalyNote(a));
            onlyMarked = QStringLiteral("房号 %1 的%2").arg(rows[r].fangno, meter) + anomalyQuestion(a);
        }
    }
    if (typed.empty()) {
        showNotice(this, kNoticeCaption, QStringLiteral("没有填写任何读数。"), MsgIcon::Information);
        return -1;
    }
    // Asked once for every marked reading, each named by room and meter.
    if (!marked.isEmpty()) {
        const QString question = marked.size() == 1
                                     ? onlyMarked
                                     : QStringLiteral("以下读数需要确认：\n") + marked.join(QLatin1Char('\n')) +
                                           QStringLiteral("\n确认保存吗？");
        if (!askYesNo(this, kNoticeCaption, question, MsgIcon::Question))
            return -1;
    }
    bool writeReadAgain = false;
    if (!alreadyRead.isEmpty())
        writeReadAgain = askYesNo(this, kNoticeCaption,
                                  QStringLiteral("其中 %1 个房间本月已抄表（房号 %2），是否再保存一次？\n选“否”则只保存未抄表的房间。")
                                      .arg(alreadyRead.size())
                                      .arg(alreadyRead.join(QStringLiteral("、"))),
                                  MsgIcon::Question);

    std::vector<SheetReading> readings;
    for (const int r : typed) {
        const auto& row = rows[r];
        if (row.readThisMonth && !writeReadAgain)
            continue;
        readings.push_back({row.fangno, row.typed, row.readThisMonth});
    }

    Connection& c = Connection::shared();
    int written = 0;
    try {
        // The table of the month in which the reading is saved.
        const QDate today = Clock::today();
        SetBiaodiName(today.year(), today.month());
        EnsureBiaodiTable(BiaodiName);
        for (;;) {
            const SheetStoreResult result = storeSheetReadings(c, BiaodiName, DT_Cbrq->date(), readings);
            if (result.readMeanwhile.isEmpty()) {
                written = result.written;
                break;
            }
            // Read by another desk since the sheet was opened: asked as for
            // the rooms read already; nothing was written meanwhile.
            m_model->markRead(result.readMeanwhile);
            const bool again = askYesNo(
                this, kNoticeCaption,
                QStringLiteral("房号 %1 在打开本表后已由其他人抄表，是否再保存一次？\n选“否”则不保存这些房间。")
                    .arg(result.readMeanwhile.join(QStringLiteral("、"))),
                MsgIcon::Question);
            std::vector<SheetReading> next;
            for (SheetReading& reading : readings) {
                const bool meanwhile = result.readMeanwhile.contains(reading.fangno);
                if (meanwhile && !again)
                    continue;
                reading.secondAllowed = reading.secondAllowed || meanwhile;
                next.push_back(reading);
            }
            readings = std::move(next);
        }
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
    m_partlyRead.clear();
    for (const SheetReading& reading : readings)
        if (std::any_of(reading.typed.begin(), reading.typed.end(),
                        [](const QString& cell) { return cell.trimmed().isEmpty(); }))
            m_partlyRead << reading.fangno;
    return written;
}

void TPlcbForm::bitbtn_quitClick() { close(); }
