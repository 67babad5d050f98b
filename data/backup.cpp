#include "backup.h"

#include "clock.h"
#include "connection.h"
#include "dberror.h"
#include "embedded/sqlitefunctions.h"
#include "schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kPagesPerStep = 256;
// A source written to between steps makes SQLite start the copy over; after
// this many restarts the rest is copied in one step under one read lock.
constexpr int kRestartsBeforeOneStep = 3;
constexpr int kBusyStepsBeforeFailing = 4;

// An SQLite handle closed on every path out.
struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

[[noreturn]] void fail(sqlite3* db, const QString& what)
{
    throw DbError(what + QStringLiteral("：") + QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory"));
}

void openHandle(Handle& h, const QString& file, int flags)
{
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &h.db, flags, nullptr) != SQLITE_OK)
        fail(h.db, QStringLiteral("无法打开数据库文件 %1").arg(file));
    sqlite3_busy_timeout(h.db, Connection::busyTimeout());
    // Indexes on the server's collation need it to be read or checked.
    registerServerFunctions(h.db);
}

// Steps a backup to its end, a step at a time so progress can show. The
// destination is written in one transaction, committed only when the copy
// is whole: a failed or stopped copy leaves it as it was. Finishes b.
void stepToEnd(sqlite3_backup* b, sqlite3* to, const BackupProgress& progress)
{
    int rc = SQLITE_OK;
    int restarts = 0;
    int busy = 0;
    int lastRemaining = -1;
    while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        const int pages = restarts >= kRestartsBeforeOneStep ? -1 : kPagesPerStep;
        rc = sqlite3_backup_step(b, pages);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            // Each step already waited the busy timeout: a desk that holds
            // its lock for minutes makes the copy fail rather than hang.
            if (++busy > kBusyStepsBeforeFailing) {
                sqlite3_backup_finish(b);
                throw DbError(QStringLiteral("数据库正被其他用户长时间占用，请稍后再试。"));
            }
            sqlite3_sleep(50);
        } else {
            busy = 0;
        }
        if (rc == SQLITE_DONE)
            break;
        const int total = sqlite3_backup_pagecount(b);
        const int remaining = sqlite3_backup_remaining(b);
        if (lastRemaining >= 0 && remaining > lastRemaining)
            ++restarts;
        lastRemaining = remaining;
        if (progress && !progress(total - remaining, total)) {
            sqlite3_backup_finish(b);
            throw DbError(QStringLiteral("操作已取消。"));
        }
    }
    const int finished = sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE || finished != SQLITE_OK)
        fail(to, QStringLiteral("复制数据失败"));
    // The copy is whole: the progress shows it complete.
    if (progress)
        progress(1, 1);
}

// Copies every page of from into to.
void copyPages(sqlite3* from, sqlite3* to, const BackupProgress& progress)
{
    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    if (!b)
        fail(to, QStringLiteral("复制数据失败"));
    stepToEnd(b, to, progress);
}

// Creates file empty and readable by its owner only, failing when it is
// there already: a name so made belongs to this copy alone.
bool claimFile(const QString& file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// The mark of a copy being written: "NAME.zentavo-part-PID" beside the
// file it becomes.
const QString kPartMark = QStringLiteral(".zentavo-part-");

// The first free name of base + suffix, base + "-2" + suffix, ..., claimed.
QString claimUniqueFile(const QString& base, const QString& suffix)
{
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? base + suffix : QStringLiteral("%1-%2%3").arg(base).arg(n).arg(suffix);
        errno = 0;
        if (claimFile(name))
            return name;
        if (errno != EEXIST)
            throw DbError(QStringLiteral("无法写入文件 %1：%2").arg(name, QString::fromLocal8Bit(std::strerror(errno))));
    }
    throw DbError(QStringLiteral("无法写入文件 %1").arg(base + suffix));
}

qint64 pragmaInt(sqlite3* db, const char* pragma)
{
    sqlite3_stmt* st = nullptr;
    qint64 v = -1;
    if (sqlite3_prepare_v2(db, pragma, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return v;
}

void ownerOnly(const QString& file)
{
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void removeWithJournal(const QString& file)
{
    QFile::remove(file);
    QFile::remove(file + QStringLiteral("-journal"));
}

bool sameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

} // namespace

void removeStalePartialCopies(const QString& folder)
{
    const QDir dir(folder);
    const QStringList parts = dir.entryList({QLatin1Char('*') + kPartMark + QLatin1Char('*')},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : parts) {
        // The writer's process id ends the name (before "-journal", if
        // that is what this is); a file whose writer still runs is left.
        QString tail = name.mid(name.lastIndexOf(kPartMark) + kPartMark.size());
        if (tail.endsWith(QLatin1String("-journal")))
            tail.chop(8);
        bool ok = false;
        const qint64 pid = tail.toLongLong(&ok);
        if (!ok || pid <= 0)
            continue;
        if (pid != qint64(::getpid()) && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QFile::remove(dir.filePath(name));
    }
}

void backupDatabaseFile(const QString& source, const QString& dest, const BackupProgress& progress)
{
    if (sameFile(source, dest))
        throw DbError(QStringLiteral("备份文件不能是当前数据库文件本身：%1").arg(dest));
    if (!QFileInfo(source).isFile())
        throw DbError(QStringLiteral("数据库文件不存在：%1").arg(source));
    // What a copy stopped by force (the process killed, the power gone)
    // left beside its destination is cleared away first.
    removeStalePartialCopies(QFileInfo(dest).absolutePath());
    Handle from;
    openHandle(from, source, SQLITE_OPEN_READWRITE);
    // Written beside the destination under a name of this process's own
    // and renamed into place when whole, so an earlier backup of the same
    // name survives a failed one. It is owner-only before the first page.
    const QString partial = dest + kPartMark + QString::number(qint64(::getpid()));
    removeWithJournal(partial);
    if (!claimFile(partial))
        throw DbError(QStringLiteral("无法写入文件 %1：%2").arg(dest, QString::fromLocal8Bit(std::strerror(errno))));
    try {
        Handle to;
        openHandle(to, partial, SQLITE_OPEN_READWRITE);
        copyPages(from.db, to.db, progress);
        // A backup is one self-contained file: no write-ahead log beside it.
        if (sqlite3_exec(to.db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(to.db, QStringLiteral("备份失败"));
    } catch (...) {
        removeWithJournal(partial);
        throw;
    }
    // A journal left by an earlier file of that name must not be rolled
    // back into the new one.
    QFile::remove(dest + QStringLiteral("-journal"));
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(dest).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        removeWithJournal(partial);
        throw DbError(QStringLiteral("无法写入文件 %1：%2").arg(dest, why));
    }
}

QString restoreRefusal(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return QStringLiteral("文件不存在：%1").arg(file);
    const QString damaged = QStringLiteral("该文件已损坏或不是数据库文件，不能恢复：%1").arg(file);
    Handle h;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &h.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return QStringLiteral("无法打开文件：%1").arg(file);
    registerServerFunctions(h.db);
    const qint64 id = pragmaInt(h.db, "PRAGMA application_id");
    const qint64 version = pragmaInt(h.db, "PRAGMA user_version");
    QSet<QString> tables;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h.db, "SELECT lower(name) FROM sqlite_master WHERE type='table'", -1, &st, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(st);
        return damaged;
    }
    while (sqlite3_step(st) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (id < 0 || version < 0)
        return damaged;
    // Files made before the id was stamped are known by their tables.
    bool ours = id == Schema::kApplicationId;
    if (id == 0 && version == 0) {
        ours = !tables.isEmpty();
        for (const QString& t : Schema::tableNames())
            ours = ours && tables.contains(t.toLower());
    }
    if (!ours)
        return QStringLiteral("该文件不是本系统的数据库，不能恢复：%1").arg(file);
    if (version > Schema::kVersion)
        return QStringLiteral("该文件由更新版本的程序建立（版本 %1），请先升级程序再恢复。").arg(version);
    QString result;
    st = nullptr;
    if (sqlite3_prepare_v2(h.db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (result != QLatin1String("ok"))
        return QStringLiteral("该文件已损坏（完整性检查未通过），不能恢复：%1").arg(file);
    return {};
}

QString restoreDatabaseFile(const QString& source, const QString& target, const BackupProgress& progress)
{
    if (sameFile(source, target))
        throw DbError(QStringLiteral("所选文件就是当前数据库文件，无需恢复。"));
    const QString refusal = restoreRefusal(source);
    if (!refusal.isEmpty())
        throw DbError(refusal);
    removeStalePartialCopies(QFileInfo(target).absolutePath());

    Handle to;
    openHandle(to, target, SQLITE_OPEN_READWRITE);
    Handle from;
    openHandle(from, source, SQLITE_OPEN_READONLY);

    // A database in write-ahead mode keeps its page size: a file of another
    // page size is first rewritten with the target's (VACUUM INTO), into a
    // private file beside the target that goes when the restore ends.
    QString resized;
    struct Remove {
        QString* file;
        ~Remove()
        {
            if (!file->isEmpty())
                removeWithJournal(*file);
        }
    } removeResized{&resized};
    const qint64 targetPageSize = pragmaInt(to.db, "PRAGMA page_size");
    if (pragmaInt(from.db, "PRAGMA page_size") != targetPageSize) {
        resized = claimUniqueFile(target + QStringLiteral(".resize") + kPartMark + QString::number(qint64(::getpid())),
                                  QString());
        const QByteArray setSize = QStringLiteral("PRAGMA page_size=%1").arg(targetPageSize).toLatin1();
        sqlite3_stmt* st = nullptr;
        if (sqlite3_exec(from.db, setSize.constData(), nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(from.db, "VACUUM INTO ?1", -1, &st, nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            fail(from.db, QStringLiteral("无法读取文件 %1").arg(source));
        }
        const QByteArray name = resized.toUtf8();
        sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            fail(from.db, QStringLiteral("无法读取文件 %1").arg(source));
        sqlite3_close_v2(from.db);
        from.db = nullptr;
        openHandle(from, resized, SQLITE_OPEN_READONLY);
    }

    // The restore takes the target's write lock before anything else (a
    // step of no pages does that), waiting for a desk's save under way.
    // Only then is the safety copy written: no desk can commit between the
    // copy and the restore, so every save is in one or the other.
    sqlite3_backup* b = sqlite3_backup_init(to.db, "main", from.db, "main");
    if (!b)
        fail(to.db, QStringLiteral("恢复失败"));
    int rc = sqlite3_backup_step(b, 0);
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        sqlite3_backup_finish(b);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            throw DbError(QStringLiteral("database is locked"));
        fail(to.db, QStringLiteral("恢复失败"));
    }
    QString kept;
    try {
        // A dated name of its own: a second restore in the same second
        // keeps its own copy beside the first ("-2", "-3", ...).
        kept = claimUniqueFile(target + QLatin1Char('.') +
                                   Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                               QStringLiteral(".bak"));
        backupDatabaseFile(target, kept);
    } catch (...) {
        sqlite3_backup_finish(b);
        if (!kept.isEmpty())
            removeWithJournal(kept);
        throw;
    }
    stepToEnd(b, to.db, progress);
    ownerOnly(target);
    return kept;
}
