#include "cli/SerialNumbers.h"

#include "device/AddressField.h"
#include "image/HexLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr quint16 kRetlw = 0x3400;

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Closes a descriptor however the function holding it returns.
struct Descriptor {
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int fd;
};

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (count < 0 && errno != EINTR)
            return false;
        done += std::max<ssize_t>(count, 0);
    }
    return true;
}

} // namespace

QList<quint16> SerialRange::wordsFor(quint64 number) const
{
    QList<quint16> result;
    for (int n = words - 1; n >= 0; --n)
        result += quint16(kRetlw | ((number >> (8 * n)) & 0xFF));
    return result;
}

QString SerialRange::describe(quint64 number) const
{
    QStringList values;
    for (const quint16 value : wordsFor(number))
        values += hexText(value);
    return QStringLiteral("%1 (words %2-%3: %4)")
        .arg(number)
        .arg(hexText(address), hexText(lastWord()), values.join(QLatin1Char(' ')));
}

QString SerialRange::overlap(const HexLoadResult &loaded) const
{
    for (int word = address; word <= lastWord(); ++word) {
        if (loaded.storesWord(word))
            return hexText(word);
    }
    return {};
}

SerialNumberFile::SerialNumberFile(QString path, std::optional<quint64> start)
    : path_(std::move(path)), start_(start)
{
}

std::optional<quint64> SerialNumberFile::peek(QString &problem, quint64 limit, quint64 count) const
{
    const std::optional<quint64> next = stored(problem);
    if (next && (*next >= limit || limit - *next < count)) {
        problem = QStringLiteral("the serial numbers are used up: %1 goes on from %2, the words hold numbers up "
                                 "to %3, and %4 are wanted")
                      .arg(path_)
                      .arg(*next)
                      .arg(limit - 1)
                      .arg(count);
        return std::nullopt;
    }
    return next;
}

std::optional<quint64> SerialNumberFile::stored(QString &problem) const
{
    QFile file(path_);
    if (!file.exists()) {
        if (start_)
            return start_;
        problem = QStringLiteral("%1 does not exist (--serial-start N makes it)").arg(path_);
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("%1: %2").arg(path_, file.errorString());
        return std::nullopt;
    }
    // The longest number is 20 digits; anything much longer is not one.
    const QByteArray text = file.read(64).trimmed();
    bool ok = false;
    const quint64 number = text.toULongLong(&ok, 10);
    if (!ok || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        problem = QStringLiteral("%1 holds no decimal number").arg(path_);
        return std::nullopt;
    }
    return number;
}

std::optional<quint64> SerialNumberFile::take(quint64 limit, QString &problem)
{
    const QString lockPath = path_ + QStringLiteral(".lock");
    const Descriptor lock(::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (lock.fd < 0 || ::flock(lock.fd, LOCK_EX) != 0) {
        problem = QStringLiteral("%1: %2").arg(lockPath, systemReason());
        return std::nullopt;
    }
    const std::optional<quint64> number = peek(problem, limit);
    if (!number || !store(*number + 1, problem))
        return std::nullopt;
    return number; // the lock goes with its descriptor
}

bool SerialNumberFile::store(quint64 next, QString &problem)
{
    const QByteArray path = QFile::encodeName(path_);
    const QByteArray temporary = path + ".tmp";
    bool written = false;
    {
        const Descriptor out(::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        written = out.fd >= 0 && writeAll(out.fd, QByteArray::number(next) + '\n') && ::fsync(out.fd) == 0;
    }
    // The rename is on disk only once the folder that holds the name is.
    const QByteArray folder = QFile::encodeName(QFileInfo(path_).absolutePath());
    const Descriptor directory(written && ::rename(temporary.constData(), path.constData()) == 0
                                   ? ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                   : -1);
    if (directory.fd >= 0 && ::fsync(directory.fd) == 0)
        return true;
    problem = QStringLiteral("%1 cannot be moved on to %2: %3").arg(path_).arg(next).arg(systemReason());
    ::unlink(temporary.constData());
    return false;
}
