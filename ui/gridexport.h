#pragma once
#include <QString>

#include <functional>

class QAbstractItemModel;
class QIODevice;
class QTableView;
class QWidget;

// Export of a list as CSV that a spreadsheet opens with its Chinese text
// intact: UTF-8 with a byte-order mark, the column titles as the first line,
// then every row as the grid shows it (the shown words such as "已交款",
// amounts as shown). A text that begins with "=", "+", "-", "@", a tab or a
// carriage return gets a leading apostrophe, so a spreadsheet shows it as
// the text it is and never runs it as a formula; numbers and dates (by the
// column's kind) are written as they are. Fields holding a comma, a quote or
// a line break are quoted and their quotes doubled; lines end in CRLF.

// Writes the model's rows to out. progress(done) is called every few
// thousand rows and may answer false to stop; answers the rows written, or
// -1 when stopped or the device failed.
qint64 writeCsv(QIODevice& out, const QAbstractItemModel& model,
                const std::function<bool(qint64)>& progress = {});

// A text cell as written: with the leading apostrophe when a spreadsheet
// would take it for a formula.
QString guardedText(const QString& text);

// One CSV field, quoted when it must be.
QString csvField(const QString& text);

// Writes the grid's rows to the file at path, replacing it only when the
// whole file was written. Beyond a few thousand rows a progress dialog shows
// and can stop the export. Answers the error text, empty on success.
QString exportGridToFile(QTableView* grid, const QString& path);

// Gives a list grid the context-menu entry "导出…", which asks for a file
// (default name: the window's caption and today's date) and exports to it.
void enableGridExport(QTableView* grid);
