#pragma once
#include <QString>
#include <stdexcept>

// The one failure type of the data layer. It carries the database's own
// error text, which the screens show or replace with their own message.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// An embedded database file that the program will not open: missing (and
// not to be created), not this program's database, or made by a newer
// version of it. The file is left as it was.
class DatabaseFileError : public DbError {
public:
    enum class Reason { Missing, Foreign, Newer };
    DatabaseFileError(Reason reason, const QString& path, const QString& text)
        : DbError(text), m_reason(reason), m_path(path) {}
    Reason reason() const { return m_reason; }
    const QString& path() const { return m_path; }

private:
    Reason m_reason;
    QString m_path;
};
