#pragma once
// What the query screen tests share: finding controls, reading a grid as
// the user sees it, choosing in lists, answering a modal dialog, and saving
// a picture of a screen when ZENTAVO_SHOTS names a folder.
#include "scriptedmessages.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <functional>

template <class T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

inline void click(QWidget* w, const char* name) {
    QTest::mouseClick(child<QWidget>(w, name), Qt::LeftButton);
}

// Rows of the grid as shown, cells joined with "|", sorted (the statements
// fix no order).
inline QStringList gridRows(QTableView* grid) {
    const QAbstractItemModel* m = grid->model();
    QStringList rows;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    rows.sort();
    return rows;
}

// One column of the grid as shown, sorted.
inline QStringList gridColumn(QTableView* grid, int column) {
    QStringList cells;
    for (const QString& row : gridRows(grid))
        cells << row.section(u'|', column, column);
    cells.sort();
    return cells;
}

inline QStringList gridTitles(QTableView* grid) {
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    return titles;
}

inline void choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

// The messages shown, each "caption|text".
inline QStringList shownTexts(ScriptedMessages& m) {
    QStringList out;
    for (const ShownMessage& s : m.shown)
        out << s.caption + u'|' + s.text;
    m.shown.clear();
    return out;
}

// Arms `work` to run on the next modal window, then runs `open`, which
// returns when that window closes.
inline void onModal(const std::function<void(QWidget*)>& work, const std::function<void()>& open) {
    QTimer::singleShot(0, [work] {
        QWidget* modal = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((modal = QApplication::activeModalWidget()) != nullptr, 10000);
        work(modal);
    });
    open();
}

inline void saveShot(QWidget* w, const QString& name) {
    const QString dir = qEnvironmentVariable("ZENTAVO_SHOTS");
    if (dir.isEmpty())
        return;
    QApplication::processEvents();
    w->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}
