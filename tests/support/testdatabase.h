#pragma once
#include "config.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A fresh database opened as the shared connection, with the clock fixed.
// Each test case makes its own: an embedded file in a temporary folder, or,
// when ZENTAVO_TEST_SERVER names a server ("postgresql:HOST[:PORT]", user
// ZENTAVO_TEST_USER), a new database on it copied from one holding the
// schema, dropped at the end.
class TestDatabase {
public:
    // The server the tests run on, empty for the embedded file.
    static QString server();
    // The configuration naming this case's database (server or file).

    explicit TestDatabase(const QDateTime& now = QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)));
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QString dir() const { return m_dir.path(); }
    QString file() const;
    // The configuration naming this case's database, for a second desk.
    ServerConfig config() const;
    // This case's database on the server (empty for a file).
    QString serverDatabase() const { return m_database; }
    // An iniFw.ini naming this database, written into dir().
    QString writeIni() const;

    // A trigger refusing (with the text "refused") each row an INSERT, UPDATE
    // or DELETE (event) would change in table, or only those matching when
    // ("NEW.fangno = '104'"), made beside the program's own connection as a
    // refusal by the server would come; allow() removes it.
    void refuse(const QString& name, const QString& table, const QString& event, const QString& when = {}) const;
    void allow(const QString& name, const QString& table) const;

    // Runs statements on the shared connection (T-SQL, through the engine).
    static void exec(const QString& sql);
    // The first column of the first row, as plain text ("" when no row).
    static QString scalar(const QString& sql);
    // Every row as its plain texts joined with "|".
    static QStringList rows(const QString& sql);

private:
    QTemporaryDir m_dir;
    QString m_database;
};
