#include "tmainform.h"

#include "accessories.h"
#include "artwork.h"
#include "backupactions.h"
#include "clock.h"
#include "messages.h"
#include "monthlytables.h"
#include "sqlcatalog.h"
#include "taboutboxform.h"
#include "tcbglform.h"
#include "tdanjiaform.h"
#include "tfangbasicform.h"
#include "thelpform.h"
#include "thtglform.h"
#include "tkfdjform.h"
#include "tkhrzform.h"
#include "tloginform.h"
#include "tczfcxform.h"
#include "tkfcxform.h"
#include "tplcbform.h"
#include "tqfcxform.h"
#include "tzfsfcxform.h"
#include "tqtfytjform.h"
#include "tsfcxform.h"
#include "tzfcbcxform.h"
#include "tzfkfcxform.h"
#include "ttfglform.h"
#include "tupdatepwform.h"
#include "billingforms.h"
#include "tzjglform.h"
#include "utilitychargeform.h"
#include "tusermanagerf.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

QPointer<TMainForm> MainForm;

namespace {

const QString kObjectsSql = catalogSql("TMainForm ADQIsExists", {"Select  *  From   Sysobjects"});

const QString kExitQuestion = QStringLiteral("确认退出房屋出租管理系统吗？");

// The empty client area: a quiet background with the program's picture.
class Backdrop : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient bg(0, 0, 0, height());
        bg.setColorAt(0, QColor(0xee, 0xf3, 0xfa));
        bg.setColorAt(1, QColor(0xd3, 0xe0, 0xf0));
        p.fillRect(rect(), bg);
        const int side = qMin(220, qMin(width(), height()) / 2);
        if (side < 32)
            return;
        p.setOpacity(0.35);
        const QRect picture(width() / 2 - side / 2, height() / 2 - side / 2 - 20, side, side);
        p.drawPixmap(picture, housePicture(picture.size()));
        p.setOpacity(0.5);
        QFont f = font();
        f.setPixelSize(qMax(14, side / 8));
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(0x30, 0x50, 0x80));
        p.drawText(QRect(0, picture.bottom() + 12, width(), side / 4),
                   Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Zentavo房屋出租管理系统"));
    }
};

QAction* addItem(QMenu* menu, const char* name, const QString& text,
                 QStyle::StandardPixmap icon = QStyle::SP_CustomBase) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    if (icon != QStyle::SP_CustomBase)
        action->setIcon(menu->style()->standardIcon(icon));
    return action;
}

QMenu* addTopMenu(QMenuBar* bar, const char* name, const QString& title) {
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Zentavo房屋出租管理系统"));
    setWindowIcon(programIcon());
    setCentralWidget(new Backdrop(this));
    buildMenu();
    buildStatusBar();

    Timer_update = new QTimer(this);
    Timer_update->setObjectName(QStringLiteral("Timer_update"));
    Timer_update->setInterval(1000);
    connect(Timer_update, &QTimer::timeout, this, &TMainForm::Timer_updateTimer);

    ADQIsExists.setSql(kObjectsSql);
    ADQSyIsExists.setSql(kObjectsSql);
    MainForm = this;
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* data = addTopMenu(bar, "award_1", QStringLiteral("数据处理"));
    connect(addItem(data, "Item_khrz", QStringLiteral("客户入住"), QStyle::SP_FileDialogNewFolder),
            &QAction::triggered, this, [this] { openScreen<TKhrzForm>(true); });
    connect(addItem(data, "Item_htgl", QStringLiteral("合同管理"), QStyle::SP_FileDialogContentsView),
            &QAction::triggered, this, [this] { openScreen<THtglForm>(true); });
    connect(addItem(data, "Item_cbgl", QStringLiteral("抄表管理"), QStyle::SP_FileDialogListView),
            &QAction::triggered, this, [this] { openScreen<TCbglForm>(true); });
    connect(addItem(data, "Item_plcb", QStringLiteral("批量抄表"), QStyle::SP_FileDialogDetailedView),
            &QAction::triggered, this, [this] { openScreen<TPlcbForm>(true); });
    connect(addItem(data, "Item_tfgl", QStringLiteral("退房管理"), QStyle::SP_ArrowBack),
            &QAction::triggered, this, [this] { openScreen<TTfglForm>(true); });
    data->addSeparator();
    connect(addItem(data, "Item_cxdl", QStringLiteral("重新登陆"), QStyle::SP_BrowserReload),
            &QAction::triggered, this, &TMainForm::ReloginItemClick);
    data->addSeparator();
    connect(addItem(data, "Item_exit", QStringLiteral("退出"), QStyle::SP_DialogCloseButton),
            &QAction::triggered, this, &TMainForm::ExitItemClick);

    QMenu* charges = addTopMenu(bar, "award_2", QStringLiteral("收费项目管理"));
    connect(addItem(charges, "Item_zjgl", QStringLiteral("房租收费管理"), QStyle::SP_DialogApplyButton),
            &QAction::triggered, this, [this] { openScreen<TZjglForm>(true); });
    connect(addItem(charges, "Item_lssf", QStringLiteral("冷水收费管理"), QStyle::SP_DialogApplyButton),
            &QAction::triggered, this, [this] { openScreen<TLsSfForm>(true); });
    connect(addItem(charges, "Item_rssf", QStringLiteral("热水收费管理"), QStyle::SP_DialogApplyButton),
            &QAction::triggered, this, [this] { openScreen<TRsSfForm>(true); });
    connect(addItem(charges, "Item_ydsf", QStringLiteral("用电收费管理"), QStyle::SP_DialogApplyButton),
            &QAction::triggered, this, [this] { openScreen<TYdSfForm>(true); });
    connect(addItem(charges, "Item_zdsc", QStringLiteral("生成本月账单"), QStyle::SP_FileDialogNewFolder),
            &QAction::triggered, this, [this] { openScreen<TBillRunForm>(true); });
    connect(addItem(charges, "Item_skgl", QStringLiteral("收款管理"), QStyle::SP_DialogApplyButton),
            &QAction::triggered, this, [this] { openScreen<TPaymentForm>(true); });
    connect(addItem(charges, "Item_khzh", QStringLiteral("客户账户"), QStyle::SP_FileDialogDetailedView),
            &QAction::triggered, this, [this] { openScreen<TLedgerForm>(true); });

    QMenu* queries = addTopMenu(bar, "award_3", QStringLiteral("查询报表"));
    connect(addItem(queries, "Item_kfcx", QStringLiteral("客户情况查询"), QStyle::SP_FileDialogInfoView),
            &QAction::triggered, this, [this] { openScreen<TKfCxForm>(true); });
    connect(addItem(queries, "Item_czfcx", QStringLiteral("租房情况查询"), QStyle::SP_FileDialogInfoView),
            &QAction::triggered, this, [this] { openScreen<TCzfCxForm>(true); });
    connect(addItem(queries, "Item_zfkfcx", QStringLiteral("客户在住查询"), QStyle::SP_FileDialogInfoView),
            &QAction::triggered, this, [this] { openScreen<TZfKfCxForm>(true); });
    connect(addItem(queries, "Item_zfcbcx", QStringLiteral("租房抄表查询"), QStyle::SP_FileDialogInfoView),
            &QAction::triggered, this, [this] { openScreen<TZfCbCxForm>(true); });
    connect(addItem(queries, "Item_qfcx", QStringLiteral("欠费查询"), QStyle::SP_MessageBoxWarning),
            &QAction::triggered, this, [this] {
                openScreen<TQfCxForm>(true, [this](TQfCxForm* arrears) {
                    connect(arrears, &TQfCxForm::openCharge, this, &TMainForm::openChargeRow);
                });
            });
    connect(addItem(queries, "Item_zfjlcx", QStringLiteral("作废收费查询"), QStyle::SP_TrashIcon),
            &QAction::triggered, this, [this] { openScreen<TZfsfCxForm>(true); });
    queries->addSeparator();
    QMenu* chargeQueries = queries->addMenu(QStringLiteral("收费项目查询"));
    chargeQueries->setObjectName(QStringLiteral("Menu_sfxmcx"));
    connect(addItem(chargeQueries, "Item_zfsfcx", QStringLiteral("房租收费查询")), &QAction::triggered,
            this, [this] { openScreen<TZfSfcxForm>(true); });
    connect(addItem(chargeQueries, "Item_lssfcx", QStringLiteral("冷水收费查询")), &QAction::triggered,
            this, [this] { openScreen<TLsSfCxForm>(true); });
    connect(addItem(chargeQueries, "Item_rssfcx", QStringLiteral("热水收费查询")), &QAction::triggered,
            this, [this] { openScreen<TRsSfCxForm>(true); });
    connect(addItem(chargeQueries, "Item_ydsfcx", QStringLiteral("用电收费查询")), &QAction::triggered,
            this, [this] { openScreen<TYdSfCxForm>(true); });

    QMenu* statistics = addTopMenu(bar, "Menu_tjfx", QStringLiteral("统计分析"));
    connect(addItem(statistics, "Item_qtfytj", QStringLiteral("其它项目统计"),
                    QStyle::SP_FileDialogDetailedView),
            &QAction::triggered, this, [this] { openScreen<TQtFyTjForm>(true); });

    // "修改口令" is a command on the bar itself, with no items under it.
    QAction* password = bar->addAction(QStringLiteral("修改口令"));
    password->setObjectName(QStringLiteral("Item_xgkl"));
    connect(password, &QAction::triggered, this, &TMainForm::UpdatePwItemClick);

    QMenu* maintenance = addTopMenu(bar, "award_4", QStringLiteral("系统维护"));
    // The tenant register does not block the main window; the others do.
    connect(
        addItem(maintenance, "Item_kfdj", QStringLiteral("客户登记信息"), QStyle::SP_DirHomeIcon),
        &QAction::triggered, this, [this] { openScreen<TKfdjForm>(false); });
    connect(addItem(maintenance, "Item_sfxm", QStringLiteral("收费项目信息"),
                    QStyle::SP_FileDialogDetailedView),
            &QAction::triggered, this, [this] { openScreen<TDanJiaForm>(true); });
    connect(addItem(maintenance, "Item_fwjb", QStringLiteral("房屋基本信息"), QStyle::SP_DirIcon),
            &QAction::triggered, this, [this] { openScreen<TFangBasicForm>(true); });
    maintenance->addSeparator();
    connect(
        addItem(maintenance, "Item_yhqx", QStringLiteral("用户权限管理"), QStyle::SP_DriveNetIcon),
        &QAction::triggered, this, [this] { openScreen<TUserManagerF>(true); });
    maintenance->addSeparator();
    connect(addItem(maintenance, "Item_bfsjk", QStringLiteral("备份数据库"), QStyle::SP_DialogSaveButton),
            &QAction::triggered, this, [this] { BackupActions::backupDatabase(this); });
    connect(addItem(maintenance, "Item_hfsjk", QStringLiteral("恢复数据库"), QStyle::SP_DialogOpenButton),
            &QAction::triggered, this, [this] { BackupActions::restoreDatabase(this); });

    QMenu* accessories = addTopMenu(bar, "Menu_fj", QStringLiteral("附件"));
    const struct {
        const char* name;
        QString text;
        Accessory accessory;
        QStyle::StandardPixmap icon;
    } tools[] = {
        {"Item_calc", QStringLiteral("计算器"), Accessory::Calculator, QStyle::SP_ComputerIcon},
        {"Item_notepad", QStringLiteral("记事本"), Accessory::TextEditor, QStyle::SP_FileIcon},
        {"Item_write", QStringLiteral("写字板"), Accessory::WordProcessor, QStyle::SP_FileLinkIcon},
    };
    for (const auto& tool : tools) {
        QAction* action = addItem(accessories, tool.name, tool.text, tool.icon);
        action->setData(int(tool.accessory));
        connect(action, &QAction::triggered, this, &TMainForm::CalculateItemClick);
    }

    QMenu* help = addTopMenu(bar, "Menu_help", QStringLiteral("帮助"));
    QAction* guide = addItem(help, "Item_help", QStringLiteral("使用说明"), QStyle::SP_DialogHelpButton);
    guide->setShortcut(QKeySequence(Qt::Key_F1));
    connect(guide, &QAction::triggered, this, &TMainForm::HelpItemClick);
    connect(addItem(help, "Item_about", QStringLiteral("关于"), QStyle::SP_MessageBoxInformation),
            &QAction::triggered, this, &TMainForm::AboutItemClick);

    m_governed[0] = data;
    m_governed[1] = charges;
    m_governed[2] = queries;
    m_governed[3] = maintenance;
}

void TMainForm::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    const int widths[3] = {300, 200, 50};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        if (i < 2) {
            panel->setFixedWidth(widths[i]);
            bar->addWidget(panel);
        } else {
            // The last panel reaches to the window's edge, so the time (which
            // does not fit in 50 pixels with its leading blanks) stays whole.
            panel->setMinimumWidth(widths[i]);
            bar->addWidget(panel, 1);
        }
        m_panels[i] = panel;
    }
}

void TMainForm::applyRights(const MenuRights& rights) {
    for (int i = 0; i < 4; ++i) {
        m_governed[i]->menuAction()->setEnabled(rights[i]);
        m_governed[i]->setEnabled(rights[i]);
    }
}

void TMainForm::FormCreate() {
    // The database's object list as it stands now; the first show tests the
    // reading tables against it.
    guarded([this] {
        ADQIsExists.open();
        ADQSyIsExists.open();
    });
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_firstShowDone) {
        m_firstShowDone = true;
        FormShow();
    }
}

void TMainForm::FormShow() {
    Timer_update->start();
    // A database failure skips the remaining steps; the clock keeps running.
    guarded([this] {
        const QDate today = Clock::today();
        SetBiaodiName(today.year(), today.month());
        SetSyBiaodiName(today.year(), today.month());
        if (!ADQIsExists.locate(QStringLiteral("Name"), BiaodiName))
            EnsureBiaodiTable(BiaodiName);
        if (!ADQSyIsExists.locate(QStringLiteral("Name"), SyBiaodiName))
            EnsureBiaodiTable(SyBiaodiName);
    });
}

void TMainForm::Timer_updateTimer() {
    static const char* const weekdays[] = {"星期一", "星期二", "星期三", "星期四",
                                           "星期五", "星期六", "星期日"};
    const QDateTime now = Clock::now();
    const QDate date = now.date();
    m_panels[0]->setText(QStringLiteral("当前用户：") + CurrentLoginName);
    m_panels[2]->setText(QStringLiteral("     ") + now.time().toString(QStringLiteral("hh:mm:ss")));
    m_panels[1]->setText(QStringLiteral("  %1年%2月%3日 %4")
                             .arg(date.year(), 4, 10, QLatin1Char('0'))
                             .arg(date.month(), 2, 10, QLatin1Char('0'))
                             .arg(date.day(), 2, 10, QLatin1Char('0'))
                             .arg(QString::fromUtf8(weekdays[date.dayOfWeek() - 1])));
}

bool TMainForm::confirmExit() {
    return askYesNo(this, QStringLiteral("确认"), kExitQuestion, MsgIcon::Question);
}

void TMainForm::ExitItemClick() {
    if (confirmExit())
        TerminateApplication();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (confirmExit()) {
        event->accept();
        TerminateApplication();
    } else {
        event->ignore();
    }
}

void TMainForm::ReloginItemClick() {
    guarded([this] {
        if (!LoginForm) {
            auto* login = new TLoginForm(this);
            connect(login, &TLoginForm::loggedIn, this, &TMainForm::applyRights);
        }
        LoginForm->show();
        LoginForm->raise();
        LoginForm->activateWindow();
    });
}

void TMainForm::UpdatePwItemClick() {
    openScreen<TUpdatePWForm>(true);
}

void TMainForm::AboutItemClick() {
    // A fresh window each time, destroyed when it closes.
    auto* about = new TAboutBoxForm(this);
    about->exec();
}

void TMainForm::HelpItemClick() {
    // Not blocking, so the guide can stay open beside the work.
    openScreen<THelpForm>(false);
}

void TMainForm::CalculateItemClick() {
    const auto* item = qobject_cast<QAction*>(sender());
    if (!item)
        return;
    const auto accessory = Accessory(item->data().toInt());
    if (!launchAccessory(accessory))
        showNotice(this, QStringLiteral("Morvik提示！"),
                   QStringLiteral("系统未安装此应用程序!\n") + accessoryMissingHint(accessory),
                   MsgIcon::Warning);
}

void TMainForm::openChargeRow(int kind, int id) {
    const auto onRow = [id](auto* screen) { screen->showChargeRow(id); };
    switch (kind) {
    case TQfCxForm::Rent:
        openScreen<TZjglForm>(true, std::function<void(TZjglForm*)>(onRow));
        break;
    case TQfCxForm::ColdWater:
        openScreen<TLsSfForm>(true, std::function<void(TLsSfForm*)>(onRow));
        break;
    case TQfCxForm::HotWater:
        openScreen<TRsSfForm>(true, std::function<void(TRsSfForm*)>(onRow));
        break;
    case TQfCxForm::Electricity:
        openScreen<TYdSfForm>(true, std::function<void(TYdSfForm*)>(onRow));
        break;
    }
}
