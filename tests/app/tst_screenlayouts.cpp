// Every screen the menu opens: each field a person types in or chooses from
// is named for a screen reader and reached by its label. With
// ZENTAVO_LAYOUTS naming a folder, each screen's layout (every control's
// class, name, place, size, state and text) is written there with a
// picture, as opened and after 新增, so two builds can be compared.
#include "scriptedmessages.h"
#include "session.h"
#include "testdatabase.h"
#include "tmainform.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

QString describe(const QWidget* screen, const QWidget* w) {
    const QPoint at = w->mapTo(screen, QPoint(0, 0));
    QString text;
    if (const auto* l = qobject_cast<const QLabel*>(w))
        text = l->text() + (l->buddy() ? " ->" + l->buddy()->objectName() : QString());
    else if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        text = b->text() + (b->isCheckable() ? QString(" checked=%1").arg(b->isChecked()) : QString());
    else if (const auto* e = qobject_cast<const QLineEdit*>(w))
        text = e->text() + (e->isReadOnly() ? " ro" : "");
    else if (const auto* c = qobject_cast<const QComboBox*>(w))
        text = c->currentText() + QString(" ed=%1 n=%2").arg(c->isEditable()).arg(c->count());
    return QString("%1 %2 @%3,%4 %5x%6 en=%7 vis=%8 acc=[%9] [%10] base=%11")
        .arg(w->metaObject()->className(), w->objectName())
        .arg(at.x())
        .arg(at.y())
        .arg(w->width())
        .arg(w->height())
        .arg(w->isEnabled())
        .arg(w->isVisibleTo(screen))
        .arg(w->accessibleName(), text, w->palette().color(QPalette::Base).name());
}

void dump(QWidget* screen, const QString& name) {
    const QString dir = qEnvironmentVariable("ZENTAVO_LAYOUTS");
    if (dir.isEmpty())
        return;
    QStringList lines;
    for (const QWidget* w : screen->findChildren<QWidget*>())
        lines << describe(screen, w);
    lines.sort();
    QFile f(QDir(dir).filePath(name + ".txt"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QString("size %1x%2\n").arg(screen->width()).arg(screen->height()).toUtf8());
    f.write(lines.join('\n').toUtf8() + '\n');
    screen->grab().save(QDir(dir).filePath(name + ".png"));
}

// The visible fields typed in or chosen from that neither an accessible
// name nor a label (its buddy) names.
QStringList unnamed(QWidget* screen) {
    QSet<QWidget*> labelled;
    for (QLabel* l : screen->findChildren<QLabel*>())
        if (l->buddy() && !l->text().trimmed().isEmpty())
            labelled << l->buddy();
    QStringList out;
    for (QWidget* w : screen->findChildren<QWidget*>()) {
        const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w);
        // The edit inside a combo box or a date picker belongs to it.
        const bool inner = qobject_cast<QComboBox*>(w->parentWidget()) ||
                           qobject_cast<QAbstractSpinBox*>(w->parentWidget());
        if (field && !inner && w->isVisibleTo(screen) && w->accessibleName().trimmed().isEmpty() &&
            !labelled.contains(w))
            out << QString(w->metaObject()->className()) + ":" + w->objectName();
    }
    return out;
}

} // namespace

class TestScreenLayouts : public QObject {
    Q_OBJECT
private slots:
    void everyScreen_data() {
        QTest::addColumn<QString>("action");
        for (const char* a : {"Item_khrz", "Item_htgl", "Item_cbgl", "Item_plcb", "Item_tfgl", "Item_zjgl",
                              "Item_lssf", "Item_rssf", "Item_ydsf", "Item_zdsc", "Item_skgl", "Item_khzh",
                              "Item_kfcx", "Item_czfcx", "Item_zfkfcx", "Item_zfcbcx", "Item_qfcx",
                              "Item_zfjlcx", "Item_zfsfcx", "Item_lssfcx", "Item_rssfcx", "Item_ydsfcx",
                              "Item_qtfytj", "Item_xgkl", "Item_kfdj", "Item_sfxm", "Item_fwjb", "Item_yhqx",
                              "Item_about"})
            QTest::newRow(a) << QString(a);
    }
    void everyScreen() {
        QFETCH(QString, action);
        TestDatabase db;
        ScriptedMessagesScope shown;
        CurrentLoginName = "admin";
        TMainForm w;
        w.show();
        QPointer<QWidget> screen;
        QStringList missing;
        bool looked = false;
        const auto look = [&] {
            looked = true;
            QApplication::processEvents();
            const QString name = screen->metaObject()->className();
            dump(screen, name);
            missing << unnamed(screen);
            if (auto* insert = screen->findChild<QPushButton*>("bitbtn_insert"); insert && insert->isEnabled()) {
                insert->click();
                QApplication::processEvents();
                dump(screen, name + "-2");
                missing << unnamed(screen);
            }
            screen->close();
        };
        const QWidgetList tops = QApplication::topLevelWidgets();
        const QSet<QWidget*> before(tops.cbegin(), tops.cend());
        // A modal screen is looked at from inside its own loop.
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if ((screen = QApplication::activeModalWidget())) {
                poll.stop();
                look();
            }
        });
        poll.start();
        w.findChild<QAction*>(action)->trigger();
        poll.stop();
        if (!looked) {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (!before.contains(top) && top->isVisible() && top != &w)
                    screen = top;
            QVERIFY2(screen, qPrintable(action + " opened nothing"));
            look();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(missing, QStringList());
    }
};

QTEST_MAIN(TestScreenLayouts)
#include "tst_screenlayouts.moc"
