#include "tcbglform.h"

#include "clock.h"
#include "connection.h"
#include "errordisplay.h"
#include "lookupfield.h"
#include "roomlookup.h"
#include "maintenance.h"
#include "messages.h"
#include "monthlytables.h"
#include "query.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"
#include "tmeterchangeform.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Statements one line per element, exactly as the program sends them.
// clang-format off
const QString kRoomsSql = catalogSql("TCbglForm rooms", QStringList{
    "select fangno,area,housetype,facetype,sb,fangya,fangprice,",
    "case status when '1' then '已出租' else '未出租' end as status",
    "from fjcb"});

const QString kRoomsFilteredSql = catalogSql("TCbglForm rooms filtered", QStringList{
    "select fangno,area,housetype,facetype,sb,fangya,fangprice,",
    "case status when '1' then '已出租' else '未出租' end as status from fjcb",
    "where fangno like :fangno"});

// The room a reading is stored for: the room of that number, as the
// database spells it, never the text typed.
const QString kRoomSql = catalogSql("TCbglForm room", QStringList{
    "select fangno from fjcb where fangno = :fangno"});
// clang-format on

// The statements over this month's table carry its name, which changes with
// the month; they are built when they run.
QString listSql(const QString& table) {
    return QStringList{"SELECT C.ID, A.manid, B.manname, A.fangno, C.Cbrq, C.lsb, C.rsb,",
                       "C.db, C.mqb FROM " + table + " C",
                       "INNER JOIN  dbo.Zf_Rz A ON C.fangno = A.fangno ",
                       "INNER JOIN  dbo.Zf_Man B ON A.manid = B.manid"}
        .join(QLatin1Char('\n'));
}

QString existsSql(const QString& table) {
    return "select *From " + table + " where fangno =:fangno";
}

QString insertSql(const QString& table) {
    return QStringList{"insert " + table + "(fangno,cbrq,lsb,rsb,db,mqb)",
                       "values (:fangno,:cbrq,:lsb,:rsb,:db,:mqb)"}
        .join(QLatin1Char('\n'));
}

QString updateSql(const QString& table) {
    return QStringList{"update " + table + " set fangno= :fangno,cbrq = :cbrq,",
                       "lsb= :lsb,rsb= :rsb,db = :db,mqb= :mqb where ID=:oldID"}
        .join(QLatin1Char('\n'));
}

// The reading just inserted: the table's highest ID, read in the transaction
// that inserted it, which holds the table's writes until it commits.
QString lastIdSql(const QString& table) {
    return "select max(ID) as ID from " + table;
}

const QString kSampleTable = QStringLiteral("zf_Biaodi202403");
[[maybe_unused]] const bool kSamples = catalogSample("TCbglForm list", listSql(kSampleTable)) &&
                      catalogSample("TCbglForm exists", existsSql(kSampleTable)) &&
                      catalogSample("TCbglForm insert", insertSql(kSampleTable)) &&
                      catalogSample("TCbglForm update", updateSql(kSampleTable)) &&
                      catalogSample("TCbglForm inserted ID", lastIdSql(kSampleTable));

const QString kNoticeCaption = QStringLiteral("Morvik提示");
const QString kAppCaption = QStringLiteral("房屋出租管理");
const QString kFailed = QStringLiteral("操作失败！");

// Thrown inside the save to end it with "操作失败！" when the database itself
// had nothing to refuse; the reason follows on a second line.
struct NotSaved {
    QString reason;
};

// A meter edit that the database cannot take: not a number, or too large
// for its column (four digits before the point).
bool meterRefused(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return !ok || value <= -10000 || value >= 10000;
}

} // namespace

TCbglForm::TCbglForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TCbglForm"));
    setWindowTitle(QStringLiteral("抄表管理"));

    FieldGrid fields;
    fields.layout()->setHorizontalSpacing(8);
    fields.layout()->setVerticalSpacing(14);
    // The room edit stands alone at the left with empty room beneath it,
    // where its candidate grid pops up; the meters and the date stand to the
    // right of the grid, so it never covers a field still to be filled.
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房 号："), "Ed_Fh");
    Ed_Db = fields.edit({0, 3}, QStringLiteral("电 表："), "Ed_Db");
    Ed_Lsb = fields.edit({0, 5}, QStringLiteral("冷水表："), "Ed_Lsb");
    Ed_Rsb = fields.edit({1, 3}, QStringLiteral("热 水 表："), "Ed_Rsb");
    Ed_Mqb = fields.edit({1, 5}, QStringLiteral("煤气表："), "Ed_Mqb");
    DT_Cbrq = fields.date({2, 3}, QStringLiteral("抄表日期："), "DT_Cbrq");
    for (QWidget* w : {static_cast<QWidget*>(Ed_Fh), static_cast<QWidget*>(Ed_Db),
                       static_cast<QWidget*>(Ed_Lsb), static_cast<QWidget*>(Ed_Rsb),
                       static_cast<QWidget*>(Ed_Mqb), static_cast<QWidget*>(DT_Cbrq)})
        w->setFixedWidth(130);
    // The grid is wider than the room edit: the gap after the edit takes
    // the rest of its width.
    fields.layout()->setColumnMinimumWidth(2, LookupField::kGridWidth - 130 + 4);
    fields.layout()->setColumnMinimumWidth(3, 80);
    fields.layout()->setColumnMinimumWidth(5, 80);

    // Enter belongs to the room lookup, never to a default button.
    ButtonRow buttons(this);
    bitbtn_insert = buttons.add(QStringLiteral("新增"), "bitbtn_insert");
    bitbtn_modify = buttons.add(QStringLiteral("修改"), "bitbtn_modify");
    // No printout of the readings is defined: the button is shown, never enabled.
    BBtn_Print = buttons.add(QStringLiteral("&P打印"), "BBtn_Print", false);
    bitbtn_post = buttons.add(QStringLiteral("保存"), "bitbtn_post");
    bitbtn_cancel = buttons.add(QStringLiteral("取消"), "bitbtn_cancel");
    bitbtn_quit = pushButton(QStringLiteral("退出"), "bitbtn_quit", this);
    // A meter replaced or wrapped is recorded here, for the room in the room
    // edit; the charging screens count the usage across it. It stands before
    // 退出, and Tab reaches it last.
    QPushButton* meterChange = buttons.add(QStringLiteral("换表登记"), "BBtn_Hbdj");
    buttons.add(bitbtn_quit);
    connect(meterChange, &QPushButton::clicked, this, [this] {
        TMeterChangeForm(Ed_Fh->text(), this).exec();
    });

    DBGrid2 = new QTableView(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setMinimumSize(660, 260);
    DBGrid2->setAccessibleName(QStringLiteral("本月抄表"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields.layout());
    // The candidate grid has its room beneath the room edit, beside the
    // meters; a little space before the buttons.
    layout->addSpacing(10);
    layout->addLayout(buttons.layout());
    layout->addWidget(DBGrid2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The candidate grid floats over the other controls, outside the layout.
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));

    for (QLineEdit* edit : {Ed_Fh, Ed_Db, Ed_Lsb, Ed_Rsb, Ed_Mqb})
        connect(edit, &QLineEdit::textChanged, this, [this] { guarded([this] { markReadings(); }); });

    setTabOrder(Ed_Fh, Ed_Db);
    setTabOrder(Ed_Db, Ed_Lsb);
    setTabOrder(Ed_Lsb, Ed_Rsb);
    setTabOrder(Ed_Rsb, Ed_Mqb);
    setTabOrder(Ed_Mqb, DT_Cbrq);
    setTabOrder(DT_Cbrq, DBGrid1);

    LookupField::Config room = ::roomLookup(Ed_Fh, DBGrid1, kRoomsSql, kRoomsFilteredSql, 73);
    room.enter = LookupField::EnterInEdit::FirstRowOrEmpty;
    m_room = new LookupField(this, std::move(room));

    using M = RecordMaintenance;
    M::Config c;
    c.gridColumns = {{"fangno", "房号"}, {"manname", "客户姓名"}, {"Cbrq", "抄表日期"},
                     {"lsb", "冷水表"},  {"rsb", "热水表"},       {"db", "电表"},
                     {"mqb", "煤气表"}};
    c.loadAtOpen = false;
    c.canDelete = false;
    c.buttons.insert = bitbtn_insert;
    c.buttons.modify = bitbtn_modify;
    c.buttons.post = bitbtn_post;
    c.buttons.cancel = bitbtn_cancel;
    c.buttons.quit = bitbtn_quit;
    // The date keeps its value when the edits are cleared; it is loaded by 修改.
    c.controls = {{Ed_Fh, "fangno"}, {Ed_Db, "db"},   {Ed_Lsb, "lsb"},
                  {Ed_Rsb, "rsb"},   {Ed_Mqb, "mqb"}, {DT_Cbrq, QString(), false}};
    c.firstEdit = Ed_Fh;
    m_cycle = new RecordMaintenance(this, DBGrid2, std::move(c));

    const int widths[] = {70, 90, 90, 80, 80, 80, 80};
    for (int i = 0; i < 7; ++i)
        DBGrid2->setColumnWidth(i, widths[i]);

    connect(bitbtn_insert, &QPushButton::clicked, this, &TCbglForm::bitbtn_insertClick);
    connect(bitbtn_modify, &QPushButton::clicked, this, &TCbglForm::bitbtn_modifyClick);
    connect(bitbtn_post, &QPushButton::clicked, this, &TCbglForm::bitbtn_postClick);
    connect(bitbtn_cancel, &QPushButton::clicked, this, &TCbglForm::bitbtn_cancelClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TCbglForm::bitbtn_quitClick);

    FormCreate();
}

TCbglForm::~TCbglForm() = default;

void TCbglForm::FormCreate() {
    DT_Cbrq->setDate(Clock::today());
    const QDate today = Clock::today();
    SetBiaodiName(today.year(), today.month());
    guarded([this] { m_room->open(); });
    // This month's table, made first when a run has crossed into a new month.
    guarded([] { EnsureBiaodiTable(BiaodiName); });
    m_listTable = BiaodiName;
    m_cycle->list().setSql(listSql(m_listTable));
    m_cycle->open(); // browse, the edits disabled, the list opened
}

void TCbglForm::openList() {
    m_listTable = BiaodiName;
    Query& list = m_cycle->list();
    list.close();
    list.setSql(listSql(m_listTable));
    m_cycle->model().reopen();
}

void TCbglForm::bitbtn_insertClick() {
    // Emptying the room edit lists every room in the candidate grid; an edit
    // that was empty already is listed the same way.
    const bool wasEmpty = Ed_Fh->text().isEmpty();
    m_cycle->insert();
    if (wasEmpty)
        m_room->editChanged();
}

void TCbglForm::bitbtn_modifyClick() {
    m_cycle->modify();
    guarded([this] {
        const Query& list = m_cycle->list();
        if (list.isOpen() && !list.eof() && !list.isNull(QStringLiteral("Cbrq")))
            DT_Cbrq->setDate(list.dateTime(QStringLiteral("Cbrq")).date());
    });
}

void TCbglForm::bitbtn_cancelClick() {
    m_cycle->cancel();
    m_room->hideGrid();
}

void TCbglForm::bitbtn_quitClick() {
    close();
}

void TCbglForm::bitbtn_postClick() {
    const int mode = m_cycle->editMode();
    if (mode != 1 && mode != 2)
        return;
    if (Ed_Fh->text().isEmpty()) {
        showNotice(this, kNoticeCaption, QStringLiteral("请填写房号"), MsgIcon::Information);
        Ed_Fh->setFocus();
        return;
    }
    // An empty meter is read as zero, and shows the zero it stores. Only a
    // correction leaves a meter that was never read (stored empty, as the
    // reading sheet stores an unread meter) empty: a zero there would turn
    // "not read" into a reading.
    for (QLineEdit* meter : {Ed_Rsb, Ed_Lsb, Ed_Db, Ed_Mqb})
        if (meter->text().isEmpty() && !(mode == 2 && unreadInCurrentRow(meter)))
            meter->setText(QStringLiteral("0"));

    // Nothing is refused: meters get replaced. But a reading below last
    // month's or far above the usual usage is saved only when confirmed.
    ReadingAnomaly anomaly = ReadingAnomaly::None;
    if (!guarded([&] { anomaly = markReadings(); }))
        return;
    if (anomaly != ReadingAnomaly::None &&
        !askYesNo(this, kNoticeCaption, anomalyQuestion(anomaly), MsgIcon::Question))
        return;

    if (!save())
        return; // still inserting or modifying, with the typed values

    // Saved, or the second reading of the month declined: back to browse. The
    // candidate grid of the now disabled room edit goes too.
    m_cycle->cancel();
    m_room->hideGrid();
}

bool TCbglForm::unreadInCurrentRow(const QLineEdit* meter) const {
    const Query& list = m_cycle->list();
    if (!list.isOpen() || list.eof())
        return false;
    const QString column = meter == Ed_Lsb   ? QStringLiteral("lsb")
                           : meter == Ed_Rsb ? QStringLiteral("rsb")
                           : meter == Ed_Db  ? QStringLiteral("db")
                                             : QStringLiteral("mqb");
    return list.isNull(column);
}

QString TCbglForm::foundRoom() const {
    Query room;
    room.setSql(kRoomSql);
    room.setText(QStringLiteral("fangno"), Ed_Fh->text().trimmed(), 10);
    room.open();
    if (room.isEmpty())
        throw NotSaved{QStringLiteral("房号“%1”没有登记，请从房间列表中选取已登记的房间。")
                           .arg(Ed_Fh->text().trimmed())};
    return room.text(QStringLiteral("fangno"));
}

bool TCbglForm::save() {
    const bool inserting = m_cycle->editMode() == 1;
    Connection& connection = Connection::shared();
    bool declined = false;
    try {
        // The reading goes into this month's table by the clock now, whatever
        // the date picker shows; the table is made when the month is new.
        const QDate today = Clock::today();
        SetBiaodiName(today.year(), today.month());
        EnsureBiaodiTable(BiaodiName);
        if (connection.inTransaction())
            connection.rollback();

        const QString room = foundRoom();
        const auto bindReading = [&](Query& q) {
            q.setText(QStringLiteral("fangno"), room, 8);
            q.setDateTime(QStringLiteral("cbrq"), QDateTime(DT_Cbrq->date(), QTime(0, 0)));
            const std::pair<const char*, QLineEdit*> meters[] = {
                {"lsb", Ed_Lsb}, {"rsb", Ed_Rsb}, {"db", Ed_Db}, {"mqb", Ed_Mqb}};
            // Still empty only where a correction keeps an unread meter.
            for (const auto& [column, edit] : meters) {
                if (edit->text().isEmpty())
                    q.setNull(QLatin1String(column), ParamKind::Decimal);
                else
                    q.setDecimal(QLatin1String(column), edit->text());
            }
        };
        QVariant savedId;

        if (inserting) {
            // The question is asked before the transaction begins: while it
            // is open, the other desks' saves would wait for the answer.
            Query exists;
            exists.setSql(existsSql(BiaodiName));
            exists.setText(QStringLiteral("fangno"), room, 8);
            exists.open();
            if (!exists.isEmpty() &&
                !askOkCancel(this, kNoticeCaption, QStringLiteral("抄表每月只能一次！确认要退房吗？"),
                             MsgIcon::NoIcon)) {
                declined = true;
            } else {
                connection.beginTransaction();
                Query insert;
                insert.setSql(insertSql(BiaodiName));
                bindReading(insert);
                insert.exec();
                Query last;
                last.setSql(lastIdSql(BiaodiName));
                last.open();
                savedId = last.value(QStringLiteral("ID"));
            }
        } else {
            connection.beginTransaction();
            // The row current in the list now, found by its ID. The ID only
            // names a row of the table the list was read from; in another
            // month's table it would name some other room's reading.
            const Query& list = m_cycle->list();
            if (BiaodiName.compare(m_listTable, Qt::CaseInsensitive) != 0 || !list.isOpen() ||
                list.eof())
                throw NotSaved{QStringLiteral("列表中没有本月可修改的抄表记录，请取消后重新选取要修改的记录。")};
            Query update;
            update.setSql(updateSql(BiaodiName));
            bindReading(update);
            savedId = list.value(QStringLiteral("ID"));
            update.setInteger(QStringLiteral("oldID"), savedId);
            if (update.exec() == 0)
                throw NotSaved{QStringLiteral("要修改的抄表记录已不在了，请取消后重新选取。")};
        }
        if (!declined)
            connection.commit();
        m_savedId = savedId;
    } catch (...) {
        QString reason;
        try {
            throw;
        } catch (const NotSaved& notSaved) {
            reason = notSaved.reason;
        } catch (const DbError& error) {
            bool meters = false;
            for (QLineEdit* meter : {Ed_Db, Ed_Lsb, Ed_Rsb, Ed_Mqb})
                meters = meters || meterRefused(meter->text());
            reason = meters ? QStringLiteral("表数须是小于 10000 的数字，请改正后再保存。")
                            : explainedError(error.text());
        } catch (...) {
        }
        try {
            if (connection.inTransaction())
                connection.rollback();
        } catch (const DbError&) {
            // The failure shown already says what went wrong.
        }
        showNotice(this, QString(), reason.isEmpty() ? kFailed : kFailed + QLatin1Char('\n') + reason,
                   MsgIcon::Critical);
        return false;
    }
    if (declined)
        return true;

    showNotice(this, kAppCaption, inserting ? QStringLiteral("保存成功！") : QStringLiteral("修改成功！"),
               MsgIcon::NoIcon);
    // Saved: a failure to read the list again is not a failed save. The list
    // stands on the reading saved, which the edits still show, so that the
    // next 修改 corrects that reading.
    guarded([this] {
        openList();
        if (!m_savedId.isNull())
            m_cycle->model().locate(QStringLiteral("ID"), plainText(m_savedId));
    });
    return true;
}

ReadingAnomaly TCbglForm::markReadings() {
    const QString room = Ed_Fh->text().trimmed();
    const std::pair<QLineEdit*, Meter> meters[] = {{Ed_Lsb, Meter::ColdWater},
                                                   {Ed_Rsb, Meter::HotWater},
                                                   {Ed_Db, Meter::Electricity},
                                                   {Ed_Mqb, Meter::Gas}};
    ReadingAnomaly worst = ReadingAnomaly::None;
    // The history is read only once there is a reading to judge, so typing
    // the room number alone costs nothing.
    bool anyReading = false;
    for (const auto& [edit, meter] : meters) {
        bool ok = false;
        edit->text().trimmed().toDouble(&ok);
        anyReading = anyReading || ok;
    }
    if (anyReading && !room.isEmpty() &&
        (!m_history || room.compare(m_historyRoom, Qt::CaseInsensitive) != 0)) {
        m_history = ReadingHistory::load(Clock::today(), room);
        m_historyRoom = room;
    }
    for (const auto& [edit, meter] : meters) {
        bool ok = false;
        const double reading = edit->text().trimmed().toDouble(&ok);
        const ReadingAnomaly a = ok && !room.isEmpty() && m_history &&
                                         room.compare(m_historyRoom, Qt::CaseInsensitive) == 0
                                     ? m_history->judge(room, meter, reading)
                                     : ReadingAnomaly::None;
        edit->setStyleSheet(a == ReadingAnomaly::None ? QString()
                                                      : QStringLiteral("background-color: #ffd6d6;"));
        edit->setToolTip(anomalyNote(a));
        if (a == ReadingAnomaly::BelowLastMonth || (a != ReadingAnomaly::None && worst == ReadingAnomaly::None))
            worst = a;
    }
    return worst;
}
