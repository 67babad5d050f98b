#pragma once
#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A fresh embedded database in a temporary folder, opened as the shared
// connection, with the clock fixed. Each test case makes its own.
class TestDatabase {
public:
    explicit TestDatabase(const QDateTime& now = QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)));
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QString dir() const { return m_dir.path(); }
    QString file() const;
    // An iniFw.ini naming this database, written into dir().
    QString writeIni() const;

    // Runs statements on the shared connection (T-SQL, through the engine).
    static void exec(const QString& sql);
    // The first column of the first row, as plain text ("" when no row).
    static QString scalar(const QString& sql);
    // Every row as its plain texts joined with "|".
    static QStringList rows(const QString& sql);

private:
    QTemporaryDir m_dir;
};
