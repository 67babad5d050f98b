#pragma once
// zentavo-bench: each area of the program adds a section (one file with
// ZT_BENCH) that times what its screens do at the scale the program must
// hold, and prints each figure beside the bare engine running the same
// statements, so a reader sees the ratio and not only a time.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

struct BenchOptions {
    int chargeRows = 250000; // rows in each charge table
    QString file;            // the seeded database file
};

using BenchFn = void (*)(const BenchOptions&);
int registerBench(const char* name, int order, BenchFn fn);

#define ZT_BENCH(name, order)                                                                      \
    static void name##_bench(const BenchOptions&);                                                 \
    [[maybe_unused]] static const int name##_registered = registerBench(#name, order, name##_bench); \
    static void name##_bench([[maybe_unused]] const BenchOptions& options)

// Milliseconds that fn takes.
double timeMs(const std::function<void()>& fn);
// A keystroke as the operator makes it: the key pressed and released in
// `field`, from the event to the window painted again with its result.
double keystrokeMs(QWidget* field, char key);
// The same T-SQL statement run on the bare engine: SQLite opened on the same
// file with the program's functions, the statement translated once, every
// row stepped and every column read. Parameters are bound in order.
double bareMs(const QString& tsql, const QStringList& params = {});
// The same, stepping only the first `rows` rows: what a list reads before
// it is shown.
double bareFirstRowsMs(const QString& tsql, int rows, const QStringList& params = {});
// A window opened as the operator opens it: made, shown and painted.
double openMs(QWidget* window);
// The time the window's lists take to read the rest of their rows between
// events after it was shown (each list shows its first rows at once).
double listsCompleteMs(QWidget* window);
// One line: "what: 12.3 ms   (bare engine 10.1 ms, x1.22)".
// The same T-SQL statement run once per parameter row on the bare engine,
// all in one transaction, which is rolled back.
double bareExecMs(const QString& tsql, const QList<QStringList>& rows);
void report(const char* what, double ms, double bare = -1);
long residentKb();
