#include "tdb_module.h"

#include "messages.h"

TDB_module* DB_module = nullptr;

TDB_module::TDB_module(const QString& iniPath, QObject* parent)
    : QObject(parent), m_iniPath(iniPath) {
    setObjectName(QStringLiteral("DB_module"));
    DB_module = this;
    DataModuleCreate();
}

TDB_module::~TDB_module() {
    if (DB_module == this)
        DB_module = nullptr;
}

void TDB_module::DataModuleCreate() {
    try {
        ADOCon().close();
        const ServerConfig config = readServerConfig(m_iniPath);
        m_connectionString = ::connectionString(config);
        ADOCon().open(config);
    } catch (const std::exception&) {
        // Whatever went wrong (no file, wrong values, no server), the user
        // is told once; every later database access reports its own error.
        ADOCon().close();
        showNotice(nullptr, QStringLiteral("Morvik提示"),
                   QStringLiteral("可能是数据库设置错误或数据库没有打开，连接失败！"),
                   MsgIcon::Warning);
    }
}
