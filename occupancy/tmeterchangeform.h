#pragma once
#include <QDialog>
#include <QString>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;

// 换表登记: records that a room's meter was replaced or went round past
// 9999.99: the old meter's final reading and the new meter's start, on the
// day the new meter counts from. The charging screens then count the usage
// on the old meter up to its final reading and on the new one from its
// start.
class TMeterChangeForm : public QDialog {
    Q_OBJECT
public:
    explicit TMeterChangeForm(const QString& room, QWidget* parent = nullptr);

public slots:
    void bitbtn_postClick();

private:
    QLineEdit* Ed_Fh;
    QComboBox* Com_Meter;
    QDateEdit* DT_Hbrq;
    QLineEdit* Ed_Jbzm;
    QLineEdit* Ed_Xbqm;
    QPushButton* bitbtn_post;
    QPushButton* bitbtn_quit;
};
