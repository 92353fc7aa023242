#include "image/HexSave.h"

#include "image/HexWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO (named pipe)");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}

// The name QSaveFile puts its file in place under: the end of a chain of symbolic links.
QString finalName(const QString &path)
{
    QFileInfo name(path);
    for (int depth = 0; depth < 128 && name.isSymLink(); ++depth)
        name.setFile(name.symLinkTarget());
    return name.filePath();
}

} // namespace

QString saveRefusal(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("No file name was given");
    const QByteArray name = QFile::encodeName(path);
    struct stat target {};
    // Nothing there (or nothing that can be looked at) is a new name: making it says the rest.
    if (::stat(name.constData(), &target) != 0 || S_ISREG(target.st_mode))
        return {};
    struct stat link {};
    const bool throughLink = ::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode);
    return QStringLiteral("%1%2, not a regular file. A save replaces only a regular file or makes a new one")
        .arg(throughLink ? QStringLiteral("a symbolic link to ") : QString(), kindOf(target.st_mode));
}

QString saveObstacle(const QString &path)
{
    if (QString refusal = saveRefusal(path); !refusal.isEmpty())
        return refusal;
    // The temporary file the save writes first, beside the final one.
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.cancelWriting();
    // That temporary file may have no name until it is put in place, so the final name is tried
    // on its own: made and removed again. One that is there already is replaced by renaming.
    const QByteArray name = QFile::encodeName(finalName(path));
    struct stat existing {};
    if (::lstat(name.constData(), &existing) == 0)
        return {};
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    ::unlink(name.constData());
    return {};
}

QString saveHexFile(const QString &path, const ProgramBuffer &PBUF, int lastWord, std::optional<quint16> configWord)
{
    // Renaming the new file over a device or FIFO would replace it, the system's own included.
    if (QString refusal = saveRefusal(path); !refusal.isEmpty())
        return refusal;
    const std::string text = intelHexText(PBUF, lastWord, configWord);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // commit() does not notice when its own final flush fails (a full disk, a size limit) and
    // would put a truncated file in place: flush first and give up if that fails.
    errno = 0;
    if (file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.flush()) {
        // After a short write Qt has no reason of its own ("Unknown error"); the system's is in errno.
        const QString reason = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
        file.cancelWriting();
        return reason;
    }
    return file.commit() ? QString() : file.errorString();
}
