#pragma once
#include <array>
#include "maintenance.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class Decimal;
class QComboBox;
class QDateEdit;
class QDialog;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;
class Query;
class QGridLayout;
class QTableView;
class QueryModel;
class TGjcxForm;

// What the rent and utility charging screens share beyond the record
// maintenance cycle: their controls, the receipt guard and the query dialog.
namespace charging {

// The buttons of a charging screen, left to right: 新增, 修改, 保存, 取消,
// &P收据, 查  询, 作废, named bitbtn_insert ... BitBtn_find, BBtn_Void, in a
// centred row.
struct Buttons {
    QPushButton* insert;
    QPushButton* modify;
    QPushButton* post;
    QPushButton* cancel;
    QPushButton* print;
    QPushButton* find;
    QPushButton* voidCharge; // 作废
    QHBoxLayout* row;
};
Buttons makeButtons(QWidget* screen);

// Lays a charging screen out: its fields, the row of buttons (each stored
// into the screen's pointer, in the order above) and the list below, at
// least `gridWidth` wide, the screen sized to fit. Answers the list.
QTableView* layOutScreen(QWidget* screen, QGridLayout* fields, int gridWidth,
                         const std::array<QPushButton**, 7>& buttons);

// What the status box offers: 已交款 and 未交款.
QStringList statusNames();

// "1" for 已交款, "0" otherwise.
QString statusCode(const QString& shown);

// A text read as an exact decimal; a text that is no number fails as the
// server's conversion does.
Decimal decimalOf(const QString& text);

// Makes the search result's row whose room number is the typed text itself
// current, so that a full number finds its own room before the longer
// numbers that begin with it.
void preferExactRoom(Query& search, const QString& typed);

// A typed amount as it will be stored: rounded to the two places of the
// charge tables and shown so in its edit, so that the screen shows what is
// stored. A text that is no number is left for the database to refuse.
QString storedAmount(QLineEdit* edit);

// Whether the payment typed into edit (实收) may be saved: a number not
// below zero. Otherwise the operator is told so, the edit takes the focus
// with its text selected, and nothing is saved. An empty edit passes: the
// screen's required-field check speaks about it.
bool acceptPayment(QWidget* screen, QLineEdit* edit);

// Shows a compound-condition dialog over the grid's columns; when it closes
// with 确定, the list is reopened with querySql followed by the condition.
// Each field is qualified with the alias of its table in querySql
// (fieldNames), so that a name the two tables share is not ambiguous.
// Makes the charge `id` the current row of the list, reopening the list as
// `querySql` narrowed to that charge when it does not hold it.
void showChargeRow(QueryModel& list, const QString& querySql, int id);

void runQueryDialog(QWidget* screen, TGjcxForm* dialog, QueryModel& list, const QString& querySql,
                    const QStringList& fieldNames);

// Binds the parameters as the maintenance cycle does: each from its value
// function, or from the list's current row.
void bindParams(Query& statement, const std::vector<RecordMaintenance::Param>& params,
                const Query& list);

// A save refused for a reason the operator can mend: the text is shown
// (caption "Morvik提示", warning icon), nothing is written and the edit
// stays under way.
struct SaveRefusal {
    QString text;
};

// The first empty required field's notice, with the focus put there; true
// when every one is filled.
bool requiredFilled(QWidget* screen,
                    const std::vector<std::pair<QWidget*, QString>>& required);

// Runs a save: a transaction that takes the write lock at once, `write`
// inside it (which answers the ID of the row saved), commit. A refusal
// shows its text, a database error `failure`; both roll back and answer 0.
qint64 saveInTransaction(QWidget* screen, const std::function<qint64()>& write,
                         const QString& failure);

// After a save: the success notice, the list read again with its statement
// and standing on the row saved.
void showSaved(QWidget* screen, QueryModel& list, const QString& querySql, qint64 id,
               bool inserted);

// 作废 on a charging screen: the current row of the list, after its reason
// is typed, moves into the voided charges; the list is read again.
void voidCurrentCharge(QWidget* screen, QueryModel& list, int table, const QString& dueColumn);

// The money received proposed for a status: the amount due when 已交款 is
// chosen, 0 when 未交款 is, the amount due while nothing is chosen. A part
// payment already typed (neither the amount due nor 0) stays for 未交款.
QString proposedReceived(const QString& due, const QString& status,
                         const QString& current = QString());

} // namespace charging
