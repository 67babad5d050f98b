#pragma once
#include "query.h"
#include "querymodel.h"

#include <QAbstractButton>
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <vector>

class QGridLayout;
class QLineEdit;
class QTableView;
class QWidget;

// The record maintenance cycle shared by the register screens: a list of the
// records of one table in a grid, a row of controls showing one record, and
// the buttons 新增 / 修改 / 删除 / 保存 / 取消 / 退出.
//
// Three states, told by the enabled controls:
//   browse     controls disabled; 新增, 修改, 删除 (where deleting is allowed)
//              and 退出 enabled; 保存 and 取消 disabled;
//   inserting  (editMode 1) and modifying (editMode 2): controls enabled,
//              新增 and 删除 disabled, 保存 and 取消 enabled.
//
// A screen builds its widgets, describes them in a Config and calls the
// steps below from its own handlers. Everything that differs between screens
// (which controls are cleared, enabled and loaded, the required fields, the
// statements and their parameters, the texts) lives in the Config.
class RecordMaintenance : public QObject {
    Q_OBJECT
public:
    struct Buttons {
        QAbstractButton* insert = nullptr;
        QAbstractButton* modify = nullptr; // may be absent
        QAbstractButton* remove = nullptr;
        QAbstractButton* post = nullptr;
        QAbstractButton* cancel = nullptr;
        QAbstractButton* quit = nullptr;
    };

    // An editable control: a QLineEdit, a QComboBox (its edit text) or a
    // QCheckBox (ticked stands for "1").
    struct Control {
        QWidget* widget = nullptr;
        QString column;       // list column loadCurrentRow() puts into it; empty: never loaded
        bool cleared = true;  // clearEdits() empties it
        bool editable = true; // enterEditing() enables it
    };

    // A field that must not be empty (a text of blanks passes) for a save.
    struct Required {
        QWidget* control = nullptr;
        QString message;
    };

    // One parameter of the insert or update statement, bound in list order.
    struct Param {
        QString name;
        ParamKind kind = ParamKind::Text;
        int width = 0;                   // declared width of a text parameter
        std::function<QVariant()> value; // the value at the moment of saving
        QString currentColumn;           // when set: that column of the list's current row

        // The text of a control, as typed.
        static Param text(const QString& name, int width, QWidget* control);
        // The text of a control, converted to a decimal by the database.
        static Param decimal(const QString& name, QWidget* control);
        // A value worked out from the controls when saving.
        static Param computed(const QString& name, ParamKind kind, int width,
                              std::function<QVariant()> value);
        // The key of the list's current row at the moment of saving, which
        // selects the row an update changes.
        static Param currentRow(const QString& name, ParamKind kind, int width,
                                const QString& column);
    };

    struct Statement {
        QString sql;
        std::vector<Param> params;
    };

    struct Config {
        QString listSql;
        QList<QueryModel::Column> gridColumns;
        // The table a delete removes the current row from, and its key
        // column, named alike in the list. After a save the list stands on
        // the saved record, found by this key: the value bound to the
        // parameter of that name, else the old key of an update, else (an
        // identity key of an insert) the highest key of the table, read in
        // the save's own transaction.
        QString table;
        QString keyColumn;
        bool loadAtOpen = true;
        bool canDelete = true;
        Buttons buttons;
        std::vector<Control> controls;
        QWidget* firstEdit = nullptr; // focused after 新增
        std::vector<Required> required;
        Statement insert;
        Statement update;
        QString saveFailure;    // empty caption, error icon
        QString deleteQuestion; // caption 警告, Yes/No
        QString deleteFailure;  // caption 错误, error icon
        // Why the delete was refused, told with the list still on the row;
        // a second line under deleteFailure when not empty.
        std::function<QString(const Query& list)> deleteFailureReason;
    };

    // The grid is bound to the list (read-only, whole rows); the navigator
    // bar, when the screen has one, is made over model().
    RecordMaintenance(QDialog* screen, QTableView* grid, Config config);

    Query& list() { return m_list; }
    QueryModel& model() { return m_model; }
    Query& insertStatement() { return m_insert; }
    Query& updateStatement() { return m_update; }
    // 0 at opening, 1 after 新增, 2 after 修改; 保存 reads it.
    int editMode() const { return m_editMode; }

    // The four routines.
    void clearEdits();
    void enterEditing();
    void lockEdits();
    void loadCurrentRow();

    // The steps, called from the screen's handlers. Failures that no step
    // handles itself reach the general error display.
    void open();        // screen created: list opened, browse
    void insert();      // 新增
    void modify();      // 修改 (or a double click where there is no 修改)
    void cellClicked(); // a click on a grid cell, in any state
    void save();        // 保存
    void cancel();      // 取消
    void remove();      // 删除

    // Text of an edit or combo box; "1"/"0" for a check box.
    static QString controlText(const QWidget* control);
    static void setControlText(QWidget* control, const QString& text);

private:
    void setBrowse();
    // Binds and runs the statement; answers the value bound to the
    // parameter named as the key column (null when there is none).
    QVariant bindAndExec(Query& statement, const std::vector<Param>& params);

public:
    // Binds one parameter's value (read from its control, or from the list's
    // current row) to the statement as the parameter's kind says.
    static QVariant bind(Query& statement, const Param& p, const Query& list);

private:
    // The key of the record a save has just written, read in its transaction.
    QVariant savedKey(bool inserting, const QVariant& boundKey, const QVariant& oldKey);
    static void rollbackQuietly();

    QPointer<QDialog> m_screen;
    Config m_config;
    Query m_list;
    Query m_insert;
    Query m_update;
    QueryModel m_model;
    int m_editMode = 0;
};

// The shape every register screen shares: the navigator bar (where it has
// one), the controls above the buttons, the centred row 新增 [修改] 删除 保存
// 取消 退出, and the list's grid, at a fixed size. The buttons and the grid
// run the cycle; a screen describes its fields in the Config and builds
// nothing else.
class MaintenanceScreen : public QDialog {
    Q_OBJECT
public:
    RecordMaintenance& cycle() const { return *m_cycle; }

public slots:
    void bitbtn_insertClick();
    void bitbtn_modifyClick();
    void bitbtn_deleteClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void bitbtn_quitClick();

protected:
    struct Shape {
        const char* grid = "DBGrid1";
        QSize gridSize;
        QList<int> columnWidths;
        bool navigator = false;
        // Without 修改 a double click on a row modifies it and a single
        // click only moves the current row; with it a click loads the row.
        bool withModify = true;
    };

    // A screen closed by 退出 or its window, deleted when closed.
    MaintenanceScreen(QWidget* parent, const char* name, const QString& title);
    ~MaintenanceScreen() override;

    // Builds the buttons, the grid, the cycle over `config` (its buttons
    // filled in here) and the layout: `above` (widgets or layouts, top to
    // bottom) between the navigator and the buttons. Answers the grid.
    QTableView* build(std::initializer_list<QObject*> above, RecordMaintenance::Config config,
                      const Shape& shape);

private:
    RecordMaintenance* m_cycle = nullptr;
};

// The buttons 新增, 修改 (unless withModify is false), 删除, 保存, 取消, 退出,
// named bitbtn_insert ... bitbtn_quit; Enter in an edit presses none of them.
RecordMaintenance::Buttons createMaintenanceButtons(QWidget* parent, bool withModify = true);

// A label and an edit in a grid layout, the label being the edit's buddy
// (a FieldGrid over `grid`).
QLineEdit* addLabelledEdit(QGridLayout* grid, int row, int column, const QString& label,
                           const char* name);
