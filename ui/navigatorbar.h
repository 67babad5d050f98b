#pragma once
#include <QWidget>

class QToolButton;
class QueryModel;

// The bar of four buttons (first, previous, next, last) that moves a list's
// current row. It only moves the row; screens do not load their controls
// from a move made here. Buttons that cannot move are disabled.
class NavigatorBar : public QWidget {
    Q_OBJECT
public:
    explicit NavigatorBar(QueryModel* model, QWidget* parent = nullptr);

    QToolButton* firstButton() const { return m_first; }
    QToolButton* priorButton() const { return m_prior; }
    QToolButton* nextButton() const { return m_next; }
    QToolButton* lastButton() const { return m_last; }

private:
    void updateButtons();

    QueryModel* m_model;
    QToolButton* m_first;
    QToolButton* m_prior;
    QToolButton* m_next;
    QToolButton* m_last;
};
