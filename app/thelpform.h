#pragma once
#include <QDialog>

class QTextBrowser;

// "使用说明": the short guide shipped inside the program, shown in a window
// of its own beside the main window. It walks through a month's work, from
// the registers to the backup.
class THelpForm : public QDialog {
    Q_OBJECT
public:
    explicit THelpForm(QWidget* parent = nullptr);

    // The guide's resource, read by the window and by tests.
    static QString guidePath() { return QStringLiteral(":/help/guide.html"); }

private:
    QTextBrowser* m_text;
};
