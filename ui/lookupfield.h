#pragma once
#include "query.h"
#include "querymodel.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QLineEdit;
class QTableView;
class QWidget;

// A popup lookup field: an edit paired with a grid of candidates that pops
// up directly beneath it. The candidate query follows every change of the
// edit (its filter parameters get the trimmed text followed by "%"); choosing
// a row in the grid (Enter or double click) copies the row's key into the
// edit and hides the grid. F1 or Down in the edit shows the grid and moves
// the focus into it; a digit typed into the edit moves the current candidate
// to the row whose key equals the text being formed. Escape in the edit or
// the grid does nothing, so the grid stays up until a row is chosen.
//
// Each use configures the edit, the grid, the statements, the key column and
// what Enter in the edit does; the screen keeps its own buttons and steps.
class LookupField : public QObject {
    Q_OBJECT
public:
    // What Enter in the edit does.
    enum class EnterInEdit {
        // Copies the key of the current candidate (the query is not re-run);
        // shows the grid and keeps the focus in the edit.
        CopyCurrentRow,
        // Re-runs the candidate query; with rows, copies the first row's key
        // and shows the grid; with none, shows noRowNotice as a plain notice
        // and hides the grid, the edit keeping its text.
        FirstRowOrNotice,
        // Re-runs the candidate query and copies the first row's key, empty
        // text when there is none; shows the grid.
        FirstRowOrEmpty,
    };

    struct Config {
        QLineEdit* edit = nullptr;
        QTableView* grid = nullptr; // a child of the screen, outside any layout
        QString unfilteredSql;      // run when the screen opens
        QString filteredSql;        // run on every change of the edit
        QStringList filterParams;   // parameters of filteredSql, all given the pattern
        QString keyColumn;
        QList<QueryModel::Column> columns;
        int gridHeight = 120;
        EnterInEdit enter = EnterInEdit::CopyCurrentRow;
        QString noRowNotice; // for FirstRowOrNotice
    };

    static constexpr int kGridWidth = 241;

    // Sets the grid up (read-only whole rows, aqua background, centred column
    // titles, hidden) and watches the edit and the grid. Call open() when the
    // screen is created.
    LookupField(QWidget* screen, Config config);

    // Opens the candidate query with the unfiltered statement and hides the
    // grid. A database failure is thrown.
    void open();
    // Closes and opens the candidate query with its current statement and
    // parameters; the first row becomes current. A failure is thrown.
    void reopen();

    void showGrid();
    void hideGrid();
    bool gridShown() const;

    Query& query() { return m_query; }
    QueryModel& model() { return *m_model; }
    QLineEdit* edit() const { return m_edit; }
    QTableView* grid() const { return m_grid; }

    // The filter pattern for an edit's text: blanks and control characters
    // taken from both ends, then "%". Pattern characters typed stay patterns.
    static QString pattern(const QString& text);

public slots:
    // The edit changed: re-run the filtered statement and show the grid. A
    // database failure goes to the general error display.
    void editChanged();
    // A row of the grid chosen: its key into the edit, grid hidden, focus to
    // the edit.
    void gridChosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool editKey(int key);
    void digitTyped(const QString& digit);
    void enterInEdit();
    void copyKey();

    QPointer<QWidget> m_screen;
    QLineEdit* m_edit;
    QTableView* m_grid;
    Config m_config;
    Query m_query;
    QueryModel* m_model;
};

// A completing search edit: no grid of its own. Every change of the edit runs
// the screen's own search step (which filters its query with pattern() and
// fills the screen's fields); Enter copies the key of the query's current row
// into the edit, so the search runs again with the full number; a digit typed
// moves the query's current row to the row whose key equals the text being
// formed, before the change re-runs the search.
class CompletingSearchEdit : public QObject {
    Q_OBJECT
public:
    struct Config {
        QLineEdit* edit = nullptr;
        Query* query = nullptr; // the screen's search query
        QString keyColumn = QStringLiteral("fangno");
        std::function<void()> search; // a failure goes to the general error display
        bool focusAfterEnter = false;  // put the focus back into the edit after Enter
    };

    CompletingSearchEdit(QObject* parent, Config config);

public slots:
    void editChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Config m_config;
};
