#pragma once
#include "query.h"
#include "sqlvalue.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QStringList>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;
class QueryModel;
class TGjcxForm;

// The charge query screens: every row of one charge table with its tenant's
// name, narrowed by one comparison (field, operator, value: 查  询) or by a
// compound condition built in 高级查询. Reads only.
//
// TSfCxForm holds the controls, the grid, the opening list, the field choice,
// the find and the compound query once; each screen gives its table's
// statements, grid columns, caption and dialog class in a ChargeQueryKind.
class TSfCxForm : public QDialog {
    Q_OBJECT
public:
    // One grid column. `condition` is what a find or a compound condition
    // compares: the column of the joined table it comes from where the bare
    // name would be ambiguous (manid) or would not be the stored value
    // (status, shown as a word).
    struct Column {
        QString field;
        QString title;
        QString condition;
    };

    struct ChargeQueryKind {
        const char* objectName;
        QString caption;
        QString listSql;     // the opening list
        QString findPrefix;  // the find: this line, then "field operator :value"
        QString compoundSql; // the compound query: these lines, then the where text
        QList<Column> columns;
        TGjcxForm* (*makeDialog)(QWidget* parent);
        void (*print)(Query& list, QWidget* parent); // the payments list
    };

    ~TSfCxForm() override;

    // The result the print button prints: the list as last narrowed.
    Query& reportQuery() { return m_query; }

    // The words 状态 shows and the stored codes they stand for.
    static QString statusCode(const QString& shownOrTyped);

protected:
    TSfCxForm(const ChargeQueryKind& kind, QWidget* parent);

private slots:
    void Com_firstChange();
    void BitBtn_findClick();
    void BBtn_OkClick();
    void BBtn_PrintClick();
    void bitbtn_quitClick();

private:
    void FormCreate();
    const Column* chosenColumn() const;
    FieldKind kindOf(const QString& field);
    void rememberKinds();

    ChargeQueryKind m_kind;
    Query m_query;
    QueryModel* m_model;
    QHash<QString, FieldKind> m_kinds; // of each field, from the last result opened

    QLabel* m_prompt;
    QComboBox* Com_first;
    QComboBox* Com_term;
    QComboBox* Com_result;
    QDateEdit* DateTP;
    QComboBox* fieldname;
    QPushButton* BitBtn_find;
    QPushButton* BBtn_Ok;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_quit;
    QTableView* DBGrid1;
};

// 租房收费情况查询 over Zf_Zujin.
class TZfSfcxForm : public TSfCxForm {
    Q_OBJECT
public:
    explicit TZfSfcxForm(QWidget* parent = nullptr);
};

// 冷水收费查询 over Zf_Lenshui.
class TLsSfCxForm : public TSfCxForm {
    Q_OBJECT
public:
    explicit TLsSfCxForm(QWidget* parent = nullptr);
};

// 热水收费查询 over Zf_Reshui.
class TRsSfCxForm : public TSfCxForm {
    Q_OBJECT
public:
    explicit TRsSfCxForm(QWidget* parent = nullptr);
};

// 用电收费查询 over Zf_YdSf.
class TYdSfCxForm : public TSfCxForm {
    Q_OBJECT
public:
    explicit TYdSfCxForm(QWidget* parent = nullptr);
};
