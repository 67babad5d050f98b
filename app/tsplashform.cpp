#include "tsplashform.h"

#include "artwork.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QWindow>

TSplashForm::TSplashForm(QWidget* parent)
    // Not kept on top: a message shown during start-up must not be hidden
    // behind it.
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setFixedSize(441, 235);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(housePicture(QSize(150, 150)));
    picture->setGeometry(22, 28, 150, 150);

    auto* title = new QLabel(QStringLiteral("房屋出租管理系统"), this);
    title->setObjectName(QStringLiteral("Label_title"));
    QFont titleFont = title->font();
    titleFont.setPixelSize(26);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setStyleSheet(QStringLiteral("color: #1040c0;"));
    title->setGeometry(190, 50, 240, 44);

    auto* version = new QLabel(QStringLiteral("版本号：1.0"), this);
    version->setObjectName(QStringLiteral("Label_version"));
    QFont versionFont = version->font();
    versionFont.setPixelSize(14);
    version->setFont(versionFont);
    version->setGeometry(250, 112, 170, 24);

    auto* welcome =
        new QLabel(QStringLiteral("欢迎使用本软件，程序正在连接后台数据库，请稍候..."), this);
    welcome->setObjectName(QStringLiteral("Label_welcome"));
    QFont welcomeFont = welcome->font();
    welcomeFont.setPixelSize(13);
    welcome->setFont(welcomeFont);
    welcome->setAlignment(Qt::AlignCenter);
    welcome->setGeometry(8, 200, 425, 24);
}

void TSplashForm::showAndPaint() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    // The window system must map the window before it can be painted; give
    // it a short moment, then paint at once.
    QDeadlineTimer deadline(500);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TSplashForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient bg(0, 0, 0, height());
    bg.setColorAt(0, QColor(0xf4, 0xf8, 0xfd));
    bg.setColorAt(1, QColor(0xd9, 0xe6, 0xf5));
    p.fillRect(rect(), bg);
    p.setPen(QColor(0x9d, 0xb4, 0xd2));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(0xb8, 0xc9, 0xe0));
    p.drawLine(14, 192, width() - 14, 192);
}
