#include "backupactions.h"

#include "backup.h"
#include "clock.h"
#include "connection.h"
#include "errordisplay.h"
#include "messages.h"
#include "postgres/pgtools.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>

namespace {

const QString kCaption = QStringLiteral("房屋出租管理");
const QString kRefusal = QStringLiteral("Morvik提示");
const QString kFilter = QStringLiteral("数据库文件 (*.db);;所有文件 (*)");

BackupActions::FileChooser& chooser()
{
    static BackupActions::FileChooser c;
    return c;
}

QString chooseFile(QWidget* owner, bool save, const QString& suggested)
{
    if (chooser())
        return chooser()(owner, save, suggested);
    return save ? QFileDialog::getSaveFileName(owner, QStringLiteral("备份数据库"), suggested, kFilter)
                : QFileDialog::getOpenFileName(owner, QStringLiteral("恢复数据库"), suggested, kFilter);
}

// The live file, or empty after telling the user why there is none to copy.
QString embeddedFile(QWidget* owner)
{
    Connection& con = Connection::shared();
    if (con.kind() == Connection::Kind::SqlServer) {
        showNotice(owner, kCaption, QStringLiteral("数据库在服务器上，请使用 SQL Server 自身的备份与恢复功能。"),
                   MsgIcon::Information);
        return {};
    }
    const QString file = con.isOpen() ? Connection::embeddedPath(con.config()) : QString();
    if (file.isEmpty())
        showNotice(owner, kRefusal, QStringLiteral("数据库没有打开，无法进行此操作。"), MsgIcon::Warning);
    return file;
}

QString documentsDir()
{
    // An account without a documents folder (Qt then names the home folder
    // or one that is not there) is offered its home folder instead.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !dir.isEmpty() && QFileInfo(dir).isDir() ? dir : QDir::homePath();
}

// A modal progress window the copy reports to; Cancel stops the copy.
class Progress {
public:
    Progress(QWidget* owner, const QString& label)
        : m_dialog(label, QStringLiteral("取消"), 0, 100, owner)
    {
        m_dialog.setWindowTitle(kCaption);
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(300);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setValue(0);
    }
    BackupProgress callback()
    {
        return [this](int done, int total) {
            m_dialog.setMaximum(qMax(1, total));
            m_dialog.setValue(qMin(done, qMax(1, total)));
            QCoreApplication::processEvents();
            return !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
};

bool onPostgres() { return Connection::shared().kind() == Connection::Kind::PostgreSql; }

const QString kPgFilter = QStringLiteral("PostgreSQL 备份 (*.dump);;所有文件 (*)");

// On a PostgreSQL server the server's own tools copy and restore the
// database; answers whether they are installed, after saying so if not.
bool pgToolReady(QWidget* owner, const QString& tool)
{
    if (!PgTools::toolPath(tool).isEmpty())
        return true;
    showNotice(owner, kCaption,
               QStringLiteral("数据库在 PostgreSQL 服务器上，请使用服务器自带的 pg_dump 备份、pg_restore 恢复。"
                              "本机没有安装 %1（Debian 软件包 postgresql-client）。")
                   .arg(tool),
               MsgIcon::Information);
    return false;
}

void backupOnServer(QWidget* owner)
{
    if (!pgToolReady(owner, QStringLiteral("pg_dump")))
        return;
    const ServerConfig config = Connection::shared().config();
    const QString suggested = QDir(documentsDir()).filePath(
        QStringLiteral("zentavo-备份-%1.dump").arg(Clock::today().toString(QStringLiteral("yyyyMMdd"))));
    const QString dest = chooseFile(owner, true, suggested);
    if (dest.isEmpty())
        return;
    try {
        Progress progress(owner, QStringLiteral("正在用 pg_dump 备份服务器上的数据库……"));
        const BackupProgress step = progress.callback();
        PgTools::dump(config, dest, [&] { return step(0, 0); });
    } catch (const DbError& e) {
        showNotice(owner, kRefusal, QStringLiteral("备份失败：%1").arg(e.text()), MsgIcon::Warning);
        return;
    }
    showNotice(owner, kCaption, QStringLiteral("备份完成：%1").arg(QDir::toNativeSeparators(dest)), MsgIcon::Information);
}

void restoreOnServer(QWidget* owner)
{
    if (!pgToolReady(owner, QStringLiteral("pg_restore")))
        return;
    const ServerConfig config = Connection::shared().config();
    const QString source = chooseFile(owner, false, documentsDir());
    if (source.isEmpty())
        return;
    if (!askYesNo(owner, QStringLiteral("警告"),
                  QStringLiteral("恢复后，服务器上数据库 %1 的全部数据将被所选备份中的数据替换：\n%2\n"
                                 "恢复由 pg_restore 在一个事务中完成，失败时数据不变。其他用户应先退出程序。是否继续恢复？")
                      .arg(config.databaseName, QDir::toNativeSeparators(source)),
                  MsgIcon::Warning))
        return;
    Connection& con = Connection::shared();
    con.close();
    QString failure;
    try {
        Progress progress(owner, QStringLiteral("正在用 pg_restore 恢复服务器上的数据库……"));
        const BackupProgress step = progress.callback();
        PgTools::restore(config, source, [&] { return step(0, 0); });
    } catch (const DbError& e) {
        failure = QStringLiteral("恢复失败，当前数据未改变：%1").arg(e.text());
    }
    try {
        con.open(config);
    } catch (const DbError& e) {
        failure += (failure.isEmpty() ? QString() : QStringLiteral("\n")) +
                   QStringLiteral("数据库无法重新打开：%1").arg(e.text());
    }
    if (!failure.isEmpty()) {
        showNotice(owner, kRefusal, failure, MsgIcon::Warning);
        return;
    }
    showNotice(owner, kCaption, QStringLiteral("恢复完成：%1").arg(QDir::toNativeSeparators(source)), MsgIcon::Information);
}

} // namespace

namespace BackupActions {

void setFileChooser(FileChooser c) { chooser() = std::move(c); }

void backupDatabase(QWidget* owner)
{
    if (onPostgres())
        return backupOnServer(owner);
    const QString source = embeddedFile(owner);
    if (source.isEmpty())
        return;
    const QString suggested = QDir(documentsDir()).filePath(
        QStringLiteral("zentavo-备份-%1.db").arg(Clock::today().toString(QStringLiteral("yyyyMMdd"))));
    const QString dest = chooseFile(owner, true, suggested);
    if (dest.isEmpty())
        return;
    try {
        Progress progress(owner, QStringLiteral("正在备份数据库……"));
        backupDatabaseFile(source, dest, progress.callback());
    } catch (const DbError& e) {
        showNotice(owner, kRefusal, QStringLiteral("备份失败：%1").arg(explainedError(e.text())), MsgIcon::Warning);
        return;
    }
    showNotice(owner, kCaption, QStringLiteral("备份完成：%1").arg(QDir::toNativeSeparators(dest)),
               MsgIcon::Information);
}

void restoreDatabase(QWidget* owner)
{
    if (onPostgres())
        return restoreOnServer(owner);
    const QString target = embeddedFile(owner);
    if (target.isEmpty())
        return;
    const QString source = chooseFile(owner, false, documentsDir());
    if (source.isEmpty())
        return;
    QString refusal;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        refusal = restoreRefusal(source);
        QApplication::restoreOverrideCursor();
    }
    if (refusal.isEmpty() && QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        refusal = QStringLiteral("所选文件就是当前数据库文件，无需恢复。");
    if (!refusal.isEmpty()) {
        showNotice(owner, kRefusal, refusal, MsgIcon::Warning);
        return;
    }
    if (!askYesNo(owner, QStringLiteral("警告"),
                  QStringLiteral("恢复后，当前的全部数据将被所选文件中的数据替换：\n%1\n"
                                 "当前数据库文件会先另存为带日期的副本（.bak），保存在：\n%2\n是否继续恢复？")
                      .arg(QDir::toNativeSeparators(source),
                           QDir::toNativeSeparators(QFileInfo(target).absolutePath())),
                  MsgIcon::Warning))
        return;

    // The shared connection lets go of the file while it is replaced and
    // opens it again afterwards, so every screen reads the restored data
    // (and an older file is brought up to this program's version). The
    // restore waits for a save another desk has under way; the other desks'
    // saves wait for the restore and then go into the restored data.
    Connection& con = Connection::shared();
    const ServerConfig config = con.config();
    con.close();
    QString kept;
    QString failure;
    try {
        Progress progress(owner, QStringLiteral("正在恢复数据库……"));
        kept = restoreDatabaseFile(source, target, progress.callback());
    } catch (const DbError& e) {
        failure = QStringLiteral("恢复失败，当前数据未改变：%1").arg(explainedError(e.text()));
    }
    try {
        con.open(config);
    } catch (const DbError& e) {
        failure += (failure.isEmpty() ? QString() : QStringLiteral("\n")) +
                   QStringLiteral("数据库无法重新打开：%1").arg(e.text());
    }
    if (!failure.isEmpty()) {
        showNotice(owner, kRefusal, failure, MsgIcon::Warning);
        return;
    }
    showNotice(owner, kCaption, QStringLiteral("恢复完成，当前数据已另存为：%1").arg(QDir::toNativeSeparators(kept)),
               MsgIcon::Information);
}

} // namespace BackupActions
