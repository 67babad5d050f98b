#pragma once
#include "querymodel.h"

#include <QString>

#include <functional>

class QObject;
class QRadioButton;
class QTableView;
class QWidget;

// What the read-only query screens share: their result grid and one way of
// running a search, so that a failed statement leaves every
// screen in the same state (query closed, grid empty) and the next search
// starts afresh.
namespace QueryScreen {

inline const QString kNoticeCaption = QStringLiteral("Morvik提示");

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
