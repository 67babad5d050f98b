#include "navigatorbar.h"

#include "querymodel.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace {

QToolButton* makeButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon,
                        const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

NavigatorBar::NavigatorBar(QueryModel* model, QWidget* parent) : QWidget(parent), m_model(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_first = makeButton(this, "first", QStyle::SP_MediaSkipBackward, QStringLiteral("第一条"));
    m_prior = makeButton(this, "prior", QStyle::SP_MediaSeekBackward, QStringLiteral("上一条"));
    m_next = makeButton(this, "next", QStyle::SP_MediaSeekForward, QStringLiteral("下一条"));
    m_last = makeButton(this, "last", QStyle::SP_MediaSkipForward, QStringLiteral("最后一条"));
    for (QToolButton* b : {m_first, m_prior, m_next, m_last})
        layout->addWidget(b);
    layout->addStretch();

    connect(m_first, &QToolButton::clicked, m_model, [this] { m_model->first(); });
    connect(m_prior, &QToolButton::clicked, m_model, [this] { m_model->prior(); });
    connect(m_next, &QToolButton::clicked, m_model, [this] { m_model->next(); });
    connect(m_last, &QToolButton::clicked, m_model, [this] { m_model->last(); });
    connect(m_model, &QueryModel::currentRowChanged, this, &NavigatorBar::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &NavigatorBar::updateButtons);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &NavigatorBar::updateButtons);
    updateButtons();
}

void NavigatorBar::updateButtons() {
    const int row = m_model->currentRow();
    const bool more = m_model->hasRowAfter(row);
    m_first->setEnabled(row > 0);
    m_prior->setEnabled(row > 0);
    m_next->setEnabled(more);
    m_last->setEnabled(more);
}
