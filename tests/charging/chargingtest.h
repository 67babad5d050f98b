#pragma once
// What the charging screen tests share: finding controls, reading the
// messages shown, and driving the compound-condition dialog.
#include "scriptedmessages.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

template <class T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

inline void click(QWidget* w, const char* button) {
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
}

// The messages shown since the last call, as "caption|text", then forgotten.
inline QStringList takeMessages(ScriptedMessages& m) {
    QStringList texts;
    for (const ShownMessage& s : m.shown)
        texts << s.caption + QLatin1Char('|') + s.text;
    m.shown.clear();
    return texts;
}

// Enabled state of the named controls, as a string of 1 and 0.
inline QString enabledStates(QWidget* w, const QStringList& names) {
    QString s;
    for (const QString& n : names)
        s += child<QWidget>(w, qPrintable(n))->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

// Presses 查  询 and, in the dialog it opens, adds the one condition
// "title = value" and presses 确定.
inline void queryFor(QWidget* screen, const QString& title, const QString& value) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = nullptr;
        QTRY_VERIFY((dialog = QApplication::activeModalWidget()) != nullptr);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("高级查询"));
        auto* fields = child<QComboBox>(dialog, "Com_jl");
        fields->setCurrentIndex(fields->findText(title));
        auto* op = child<QComboBox>(dialog, "Com_tj");
        op->setCurrentIndex(op->findText(QStringLiteral("=")));
        child<QLineEdit>(dialog, "Edit1")->setText(value);
        click(dialog, "BitBtn_Add");
        click(dialog, "BitBtn_OK");
        answered = true;
    });
    click(screen, "BitBtn_find");
    QVERIFY(answered);
}

// The grid's column titles.
inline QStringList columnTitles(QTableView* grid) {
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    return titles;
}

// With ZENTAVO_SHOTS naming a folder, saves a picture of the screen there.
inline void shot(QWidget* screen, const QString& name) {
    const QString dir = qEnvironmentVariable("ZENTAVO_SHOTS");
    if (!dir.isEmpty())
        screen->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

// The visible edits, combo boxes and date pickers that no label names.
inline QStringList unlabelled(QWidget* screen) {
    QSet<QWidget*> named;
    for (QLabel* label : screen->findChildren<QLabel*>())
        named.insert(label->buddy());
    QStringList missing;
    for (QWidget* w : screen->findChildren<QWidget*>()) {
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QDateEdit*>(w);
        if (input && w->isVisible() && !named.contains(w) && !w->objectName().isEmpty() &&
            !w->objectName().startsWith(QLatin1String("qt_"))) // parts of a date picker
            missing << w->objectName();
    }
    return missing;
}
