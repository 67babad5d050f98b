#pragma once
#include <QDialog>
#include <QHash>
#include <QList>
#include <QStringList>

#include <utility>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

// 高级查询: builds a condition of several comparisons joined by 或 / 并且,
// one comparison per grid row, and hands it back as the text of a where
// clause. The dialog knows nothing of tables: the calling screen gives it
// its column titles and the parallel field names and appends WhereText()
// to its own select statement.
//
//   TLsSfGjCxForm dialog(this);
//   dialog.setFields(titles, fieldNames);     // or addField() per column
//   if (dialog.exec() == QDialog::Accepted)   // 确定 (退出 / close box: Rejected)
//       lines << dialog.WhereText();          // "" or " where ..."
//
// A value is spliced between single quotes with its own quotes doubled, so
// a typed quote stays part of the value.
class TGjcxForm : public QDialog {
    Q_OBJECT
public:
    explicit TGjcxForm(QWidget* parent = nullptr);

    // Replaces the field choices: titles become the items of Com_jl, field
    // names the items of the hidden fieldname list (item i belongs to title
    // i; further names beyond the titles are kept but never used).
    void setFields(const QStringList& titles, const QStringList& fieldNames);
    // Appends one field choice.
    void addField(const QString& title, const QString& fieldName);
    // A field whose stored codes the user knows by the words the list shows
    // (已交款 for "1"): the words are offered in the value box when the field
    // is chosen, and a value equal to one of them is compared as its code.
    void setValueCodes(const QString& fieldName,
                       const QList<std::pair<QString, QString>>& wordsAndCodes);

    // "" until 确定 has built it; then "" (no condition) or " where ...".
    QString WhereText() const { return m_whereText; }
    // True while the last grid row holds a condition that still waits for
    // its connector; 新增 fills no row meanwhile.
    bool AwaitingConnector() const { return m_awaitingConnector; }

private slots:
    void BitBtn_AddClick();
    void BitBtn_DelClick();
    void BitBtn_OKClick();
    void BitBtn_ExitClick();
    void Com_ljChange();
    void Com_jlChange();

private:
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    QString fieldNameOf(const QString& title) const;
    QString valueFor(const QString& fieldName, const QString& typed) const;

    QComboBox* Com_jl;
    QComboBox* Com_tj;
    QLineEdit* Edit1;
    QComboBox* Com_lj;
    QComboBox* fieldname;
    QPushButton* BitBtn_Add;
    QPushButton* BitBtn_Del;
    QPushButton* BitBtn_OK;
    QPushButton* BitBtn_Exit;
    QTableWidget* StringGrid1;

    QHash<QString, QList<std::pair<QString, QString>>> m_valueCodes;
    bool m_awaitingConnector = false;
    QString m_whereText;
};

// Each charge query screen opens its own kind of the dialog; they differ in
// nothing but their class.
class TZfSfGjcxForm : public TGjcxForm { // rent
    Q_OBJECT
public:
    explicit TZfSfGjcxForm(QWidget* parent = nullptr);
};

class TLsSfGjCxForm : public TGjcxForm { // cold water
    Q_OBJECT
public:
    explicit TLsSfGjCxForm(QWidget* parent = nullptr);
};

class TRsSfGjCxForm : public TGjcxForm { // hot water
    Q_OBJECT
public:
    explicit TRsSfGjCxForm(QWidget* parent = nullptr);
};

class TYdSfGjcxForm : public TGjcxForm { // electricity
    Q_OBJECT
public:
    explicit TYdSfGjcxForm(QWidget* parent = nullptr);
};
