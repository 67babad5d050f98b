#include "monthlytables.h"

#include "clock.h"
#include "query.h"
#include "sqlcatalog.h"

QString BiaodiName;
QString SyBiaodiName;

namespace {

QString existsSql(const QString& name)
{
    return QStringLiteral("Select *  From Sysobjects  Where name='") + name + QStringLiteral("'");
}

QString createSql(const QString& name)
{
    return QStringLiteral("CREATE TABLE [dbo].[") + name + QStringLiteral("] (") +
           QStringLiteral("[ID] [int] IDENTITY (1, 1) NOT NULL ,") +
           QStringLiteral("[fangno] [char] (8) COLLATE Chinese_PRC_CI_AS NOT NULL ,") +
           QStringLiteral("[Cbrq] [datetime] NOT NULL ,") + QStringLiteral("[lsb] [numeric](6, 2) NULL ,") +
           QStringLiteral("[rsb] [numeric](6, 2) NULL ,") + QStringLiteral("[db] [numeric](6, 2) NULL ,") +
           QStringLiteral("[mqb] [numeric](6, 2) NULL") + QStringLiteral(") ON [PRIMARY]");
}

QString keySql(const QString& name)
{
    return QStringLiteral("ALTER TABLE [dbo].[") + name + QStringLiteral("] WITH NOCHECK ADD ") +
           QStringLiteral("CONSTRAINT [PK_") + name + QStringLiteral("] PRIMARY KEY  CLUSTERED") +
           QStringLiteral("([ID])  ON [PRIMARY] ");
}

// The readings are joined and searched by room: the room pairs the month's
// reading with last month's and with the occupancy.
QString indexSql(const QString& name)
{
    return QStringLiteral("CREATE INDEX [IX_") + name + QStringLiteral("_fangno] ON [dbo].[") + name +
           QStringLiteral("] ([fangno])");
}

QString alterViewSql(const QString& thisMonth, const QString& lastMonth)
{
    return QStringLiteral("Alter view XmXf as SELECT C.manid, D.manname, D.Zjm, C.fangno,B.Cbrq, B.lsb, "
                          "B.rsb,B.db, B.mqb,A.Cbrq AS bycbrq, A.lsb AS bylsb,A.rsb AS byrsb, A.db AS "
                          "bydb,A.mqb AS bymqb FROM dbo.Zf_Man D INNER JOIN dbo.Zf_Rz C ON D.manid = "
                          "C.manid INNER JOIN ") +
           thisMonth + QStringLiteral(" A ON C.fangno = A.fangno INNER JOIN ") + lastMonth +
           QStringLiteral(" B ON A.fangno = B.fangno");
}

// Representative instances for the test that runs every statement.
const bool kSamples = catalogSample("EnsureBiaodiTable exists", existsSql(QStringLiteral("zf_Biaodi199901"))) &&
                      catalogSample("EnsureBiaodiTable create and key",
                                    createSql(QStringLiteral("zf_Biaodi199901")) + QLatin1Char(';') +
                                        keySql(QStringLiteral("zf_Biaodi199901")) + QLatin1Char(';') +
                                        indexSql(QStringLiteral("zf_Biaodi199901"))) &&
                      catalogSample("AlterXmXfView", alterViewSql(QStringLiteral("zf_Biaodi202403"),
                                                                  QStringLiteral("zf_Biaodi202402")));

} // namespace

QString BiaodiTableName(int year, int month)
{
    return QStringLiteral("zf_Biaodi%1%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
}

void SetBiaodiName(int year, int month) { BiaodiName = BiaodiTableName(year, month); }

void SetSyBiaodiName(int year, int month)
{
    SyBiaodiName = month == 1 ? BiaodiTableName(year - 1, 12) : BiaodiTableName(year, month - 1);
}

void EnsureBiaodiTable(const QString& name) { EnsureBiaodiTable(Connection::shared(), name); }

void EnsureBiaodiTable(Connection& connection, const QString& name)
{
    auto exists = [&] {
        Query q(connection);
        q.setSql(existsSql(name));
        q.open();
        return !q.isEmpty();
    };
    if (exists())
        return;
    // The table and its key are made together, under the write lock and after
    // a second look: two desks starting in the same moment make it once, and
    // a table is never left without its key.
    const bool own = !connection.inTransaction();
    if (own)
        connection.beginWriteTransaction();
    try {
        if (!exists()) {
            Query create(connection);
            create.setSql(createSql(name));
            create.exec();
            Query key(connection);
            key.setSql(keySql(name));
            key.exec();
            Query index(connection);
            index.setSql(indexSql(name));
            index.exec();
        }
        if (own)
            connection.commit();
    } catch (...) {
        if (own)
            connection.rollback();
        throw;
    }
}

void EnsureCurrentBiaodiTables()
{
    const QDate today = Clock::today();
    SetBiaodiName(today.year(), today.month());
    SetSyBiaodiName(today.year(), today.month());
    EnsureBiaodiTable(BiaodiName);
    EnsureBiaodiTable(SyBiaodiName);
}

void AlterXmXfView()
{
    // A run that went on into a new month meets a month whose table was not
    // made at start-up; make both first so the redefinition cannot fail.
    EnsureCurrentBiaodiTables();
    Query alter;
    alter.setSql(alterViewSql(BiaodiName, SyBiaodiName));
    alter.exec();
}
