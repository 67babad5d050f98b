#pragma once
#include <QDialog>
#include <QString>

class QLineEdit;

// 作废收费: shows the charge about to be voided and asks why. 确定 with an
// empty reason is refused with a notice; the dialog stays open.
class VoidChargeDialog : public QDialog {
    Q_OBJECT
public:
    VoidChargeDialog(const QString& charge, QWidget* parent);
    QString reason() const;

private:
    void accept() override;
    QLineEdit* Ed_Zfyy;
};
