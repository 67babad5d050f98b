#pragma once
#include <QDialog>

class TDanJiaForm : public QDialog {
    Q_OBJECT
public:
    explicit TDanJiaForm(QWidget* parent = nullptr);
    ~TDanJiaForm() override;
};
