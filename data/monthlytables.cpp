#include "monthlytables.h"

#include "clock.h"
#include "query.h"

QString BiaodiName;
QString SyBiaodiName;

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
    Query exists(connection);
    exists.setSql(QStringLiteral("Select *  From Sysobjects  Where name='") + name + QStringLiteral("'"));
    exists.open();
    if (!exists.isEmpty())
        return;
    Query create(connection);
    create.setSql(QStringLiteral("CREATE TABLE [dbo].[") + name + QStringLiteral("] (") +
                  QStringLiteral("[ID] [int] IDENTITY (1, 1) NOT NULL ,") +
                  QStringLiteral("[fangno] [char] (8) COLLATE Chinese_PRC_CI_AS NOT NULL ,") +
                  QStringLiteral("[Cbrq] [datetime] NOT NULL ,") + QStringLiteral("[lsb] [numeric](6, 2) NULL ,") +
                  QStringLiteral("[rsb] [numeric](6, 2) NULL ,") + QStringLiteral("[db] [numeric](6, 2) NULL ,") +
                  QStringLiteral("[mqb] [numeric](6, 2) NULL") + QStringLiteral(") ON [PRIMARY]"));
    create.exec();
    Query key(connection);
    key.setSql(QStringLiteral("ALTER TABLE [dbo].[") + name + QStringLiteral("] WITH NOCHECK ADD ") +
               QStringLiteral("CONSTRAINT [PK_") + name + QStringLiteral("] PRIMARY KEY  CLUSTERED") +
               QStringLiteral("([ID])  ON [PRIMARY] "));
    key.exec();
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
    const QDate today = Clock::today();
    SetBiaodiName(today.year(), today.month());
    SetSyBiaodiName(today.year(), today.month());
    // A run that went on into a new month meets a month whose table was not
    // made at start-up; make it first so the redefinition cannot fail.
    EnsureBiaodiTable(BiaodiName);
    EnsureBiaodiTable(SyBiaodiName);
    Query alter;
    alter.setSql(QStringLiteral("Alter view XmXf as SELECT C.manid, D.manname, D.Zjm, C.fangno,B.Cbrq, B.lsb, "
                                "B.rsb,B.db, B.mqb,A.Cbrq AS bycbrq, A.lsb AS bylsb,A.rsb AS byrsb, A.db AS "
                                "bydb,A.mqb AS bymqb FROM dbo.Zf_Man D INNER JOIN dbo.Zf_Rz C ON D.manid = "
                                "C.manid INNER JOIN ") +
                 BiaodiName + QStringLiteral(" A ON C.fangno = A.fangno INNER JOIN ") + SyBiaodiName +
                 QStringLiteral(" B ON A.fangno = B.fangno"));
    alter.exec();
}
