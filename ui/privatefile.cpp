#include "privatefile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString prepareOwnerOnlyFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    // A file that was there keeps its mode through open(): narrow it.
    const int rc = ::fchmod(fd, 0600);
    const int saved = errno;
    ::close(fd);
    return rc == 0 ? QString() : QString::fromLocal8Bit(std::strerror(saved));
}
