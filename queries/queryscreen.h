#pragma once
#include "querymodel.h"

#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QLineEdit;
class QObject;
class QPushButton;
class QRadioButton;
class QTableView;
class QWidget;

// What the read-only query screens share: their controls built the same way
// and one way of running a search, so that a failed statement leaves every
// screen in the same state (query closed, grid empty) and the next search
// starts afresh.
namespace QueryScreen {

inline const QString kNoticeCaption = QStringLiteral("Morvik提示");

// A button that Enter in an edit never presses.
QPushButton* button(const QString& caption, const char* name);
// An edit, a drop-down list or a date picker with its label to the left
// (the label is the control's buddy and gives its accessible name).
QLineEdit* edit(QGridLayout* grid, int row, int column, const QString& label, const char* name);
// A list that accepts only its items, nothing chosen at first.
QComboBox* dropDown(QGridLayout* grid, int row, int column, const QString& label, const char* name,
                    const QStringList& items);
QDateEdit* datePicker(QGridLayout* grid, int row, int column, const QString& label,
                      const char* name);
QCheckBox* checkBox(const QString& caption, const char* name, bool checked);
QRadioButton* radio(const QString& caption, const char* name, bool checked);
// Runs `chosen` whenever the radio button becomes the chosen one, however
// that happens (a click, Space, the arrow keys, a screen reader's toggle),
// and when it is clicked while already chosen.
void whenChosen(QRadioButton* radio, QObject* context, const std::function<void()>& chosen);
// A read-only whole-row grid over the model.
QTableView* grid(const char* name, QueryModel* model, QWidget* parent);

// Runs one search: the query is closed, `prepare` sets its statement and
// binds its values, and the query opens; the model shows the result. A
// failure goes to the general error display and leaves the query closed and
// the grid empty. Returns true when the query opened.
bool run(QueryModel& model, const std::function<void(Query&)>& prepare);
// Opens the query on the statement it holds, unless it is open already.
bool openIfClosed(QueryModel& model);

// A result before any search, after a failed one or without rows.
bool isEmptyResult(const Query& query);

} // namespace QueryScreen
