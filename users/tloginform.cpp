#include "tloginform.h"

#include "screenbuilder.h"

#include "connection.h"
#include "errordisplay.h"
#include "messages.h"
#include "query.h"
#include "sqlcatalog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TLoginForm> LoginForm;

namespace {

const QString kUsersSql = catalogSql("TLoginForm users", {"select * from login_user"});
const QString kCheckSql = catalogSql(
    "TLoginForm check",
    {"select * from login_user where user_loginname=:username and user_password=:password"});

const QString kCaption = QStringLiteral("Morvik提示");

// A small padlock drawn beside the fields.
QPixmap padlockPicture(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPen shackle(QColor(0x55, 0x6b, 0x8d), s * 0.09);
    p.setPen(shackle);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(s * 0.28, s * 0.10, s * 0.44, s * 0.50), 0, 180 * 16);
    p.drawLine(QPointF(s * 0.28, s * 0.35), QPointF(s * 0.28, s * 0.48));
    p.drawLine(QPointF(s * 0.72, s * 0.35), QPointF(s * 0.72, s * 0.48));
    QLinearGradient body(0, s * 0.45, 0, s * 0.95);
    body.setColorAt(0, QColor(0xf6, 0xc3, 0x4a));
    body.setColorAt(1, QColor(0xd8, 0x93, 0x1c));
    p.setPen(QPen(QColor(0x9a, 0x66, 0x10), s * 0.03));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(s * 0.16, s * 0.45, s * 0.68, s * 0.48), s * 0.08, s * 0.08);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5a, 0x3a, 0x08));
    p.drawEllipse(QPointF(s * 0.5, s * 0.64), s * 0.06, s * 0.06);
    p.drawRect(QRectF(s * 0.475, s * 0.66, s * 0.05, s * 0.14));
    return pm;
}

// The login's labels are bold and blue.
void styleFieldLabel(QLabel* label) {
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: blue;"));
}

} // namespace

TLoginForm::TLoginForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("LoginForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("系统登录"));
    setFixedSize(311, 156);

    auto* picture = new QLabel(this);
    picture->setPixmap(padlockPicture(48));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    FieldGrid fields;
    Combo_name = fields.add(Cell(0, 0), QStringLiteral("用户名："), new QComboBox, "Combo_name");
    Combo_name->setEditable(false);
    Combo_name->setToolTip(QStringLiteral("用户名输入"));
    MEd_password = fields.edit(Cell(1, 0), QStringLiteral("密  码："), "MEd_password");
    for (QWidget* field : {static_cast<QWidget*>(Combo_name), static_cast<QWidget*>(MEd_password)})
        styleFieldLabel(fields.labelOf(field));
    fields.layout()->setColumnStretch(1, 1);
    MEd_password->setEchoMode(QLineEdit::Password);

    BitBtn_Ok = new QPushButton(QStringLiteral("确定"), this);
    BitBtn_Ok->setObjectName(QStringLiteral("BitBtn_Ok"));
    BitBtn_Exit = new QPushButton(QStringLiteral("退出"), this);
    BitBtn_Exit->setObjectName(QStringLiteral("BitBtn_Exit"));

    ST_TS = new QLabel(this);
    ST_TS->setObjectName(QStringLiteral("ST_TS"));
    ST_TS->setStyleSheet(QStringLiteral("color: red;"));


    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(fields.layout(), 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn_Ok);
    buttons->addWidget(BitBtn_Exit);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 8);
    layout->addLayout(top);
    layout->addWidget(ST_TS);
    layout->addStretch();
    layout->addLayout(buttons);

    // Enter in the list moves to the password, Enter in the password moves
    // to "确定"; only Enter on the button itself runs the check.
    Combo_name->installEventFilter(this);
    MEd_password->installEventFilter(this);

    connect(BitBtn_Ok, &QPushButton::clicked, this, &TLoginForm::BitBtn_OkClick);
    connect(BitBtn_Exit, &QPushButton::clicked, this, &TLoginForm::BitBtn_ExitClick);

    LoginForm = this;
    FormCreate();
}

TLoginForm::~TLoginForm() = default;

void TLoginForm::FormCreate() {
    // A database failure (no connection) leaves the list empty; the general
    // error display tells the user why.
    guarded([this] {
        Query users;
        users.setSql(kUsersSql);
        users.open();
        for (bool more = users.first(); more; more = users.next())
            Combo_name->addItem(users.text(QStringLiteral("user_loginname")));
    });
}

void TLoginForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TLoginForm::FormShow() {
    Combo_name->setFocus();
    if (Combo_name->count() > 0)
        Combo_name->setCurrentIndex(0);
}

bool TLoginForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == Combo_name) {
                MEd_password->setFocus();
                return true;
            }
            if (watched == MEd_password) {
                BitBtn_Ok->setFocus();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TLoginForm::BitBtn_OkClick() {
    // A database failure abandons the attempt without counting it.
    guarded([this] { checkLogin(); });
}

void TLoginForm::checkLogin() {
    // The check copies the shared connection's values. When that connection
    // could not be opened at start-up nobody may log in, whatever the second
    // connection would say: the data layer's "closed" error is reported.
    Connection::shared().backend();

    Connection own;
    own.open(Connection::shared().config());
    Query check(own);
    check.setSql(kCheckSql);
    check.setText(QStringLiteral("username"), TrimBlanks(Combo_name->currentText()));
    check.setText(QStringLiteral("password"), TrimBlanks(MEd_password->text()));
    check.open();
    if (check.isEmpty()) {
        loginFailed();
        return;
    }

    CurrentLoginName = TrimBlanks(Combo_name->currentText());
    CurrentPassword = check.text(QStringLiteral("user_password"));
    MenuRights rights{};
    for (int i = 0; i < 4; ++i)
        rights[i] =
            check.text(QStringLiteral("award_%1").arg(i + 1)).trimmed() == QLatin1String("1");
    emit loggedIn(rights);
    accept();
}

void TLoginForm::loginFailed() {
    ++m_failures;
    if (m_failures > 2) {
        showNotice(nullptr, kCaption,
                   QStringLiteral("对不起！三次输入口令不正确，系统将自动关闭。"),
                   MsgIcon::Warning);
        reject();
        TerminateApplication();
        return;
    }
    showNotice(this, kCaption, QStringLiteral("输入口令不正确，请重新输入！"), MsgIcon::Warning);
    ST_TS->setText(
        QStringLiteral("Morvik提示：用户名或密码不正确，你还有%1次机会。").arg(3 - m_failures));
    MEd_password->setFocus();
}

void TLoginForm::BitBtn_ExitClick() {
    reject();
    TerminateApplication();
}
