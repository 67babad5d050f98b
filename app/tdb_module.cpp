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
    const QString failed = QStringLiteral("可能是数据库设置错误或数据库没有打开，连接失败！");
    try {
        ADOCon().close();
        const ServerConfig config = readServerConfig(m_iniPath);
        m_connectionString = ::connectionString(config);
        try {
            ADOCon().open(config);
        } catch (const DatabaseFileError& e) {
            // A new, empty database only where the user means it: a mistyped
            // path must not look like the landlord's data was lost.
            if (e.reason() != DatabaseFileError::Reason::Missing ||
                !askYesNo(nullptr, QStringLiteral("Morvik提示"),
                          QStringLiteral("数据库文件不存在：%1。是否新建一个空数据库？").arg(e.path()),
                          MsgIcon::Question))
                throw;
            ADOCon().open(config, Connection::OpenMode::CreateIfMissing);
        }
    } catch (const DatabaseFileError& e) {
        ADOCon().close();
        // A file refused untouched says why; a missing one the user chose
        // not to create is the plain connection failure.
        showNotice(nullptr, QStringLiteral("Morvik提示"),
                   e.reason() == DatabaseFileError::Reason::Missing ? failed
                                                                    : e.text() + QLatin1Char('\n') + failed,
                   MsgIcon::Warning);
    } catch (const std::exception&) {
        // Whatever went wrong (no file, wrong values, no server), the user
        // is told once; every later database access reports its own error.
        ADOCon().close();
        showNotice(nullptr, QStringLiteral("Morvik提示"), failed, MsgIcon::Warning);
    }
}
