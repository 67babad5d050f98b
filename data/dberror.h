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
