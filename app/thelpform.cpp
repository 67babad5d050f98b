#include "thelpform.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

THelpForm::THelpForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("THelpForm"));
    setWindowTitle(QStringLiteral("使用说明"));
    resize(720, 640);

    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("Text_help"));
    m_text->setAccessibleName(QStringLiteral("使用说明"));
    m_text->setOpenLinks(false);
    QFile guide(guidePath());
    if (guide.open(QIODevice::ReadOnly))
        m_text->setHtml(QString::fromUtf8(guide.readAll()));
    else
        m_text->setPlainText(QStringLiteral("使用说明没有随程序安装，请重新安装本程序。"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("bitbtn_quit"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    m_text->setFocus();
}
