#pragma once
#include "config.h"
#include "connection.h"

#include <QObject>

// The data module: created once per run, it opens ADOCon, the one database
// connection every screen uses, from iniFw.ini beside the program.
class TDB_module : public QObject {
    Q_OBJECT
public:
    // Opens the connection at once (DataModuleCreate). A failure is shown as
    // "可能是数据库设置错误或数据库没有打开，连接失败！" and start-up goes on with a
    // closed connection.
    explicit TDB_module(const QString& iniPath = iniPathBesideExecutable(),
                        QObject* parent = nullptr);
    ~TDB_module() override;

    static Connection& ADOCon() { return Connection::shared(); }
    // The ADO-style connection text built from the configuration.
    const QString& connectionString() const { return m_connectionString; }
    bool connected() const { return ADOCon().isOpen(); }

private:
    void DataModuleCreate();

    QString m_iniPath;
    QString m_connectionString;
};

// The data module of the run, null before start-up creates it.
extern TDB_module* DB_module;
