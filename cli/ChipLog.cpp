#include "cli/ChipLog.h"

#include "cli/ExitStatus.h"
#include "device/AddressField.h"
#include "link/SerialDevices.h"
#include "ops/Messages.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kHeader[] = "time,port,adapter,device,file,sha256,configuration_word,serial_number,result,exit_status,"
                       "seconds\n";

// A field as CSV has it: in quotes, its quotes doubled, when it holds a comma, quote or line end.
QString csvField(QString text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString ChipRecord::result() const
{
    const QString name = resultName(status);
    return status != kSuccess && failedWord >= 0 ? QStringLiteral("%1 at word %2").arg(name, hexText(failedWord))
                                                 : name;
}

QString adapterIdentity(const QString &device)
{
    const QString system = QFileInfo(device).canonicalFilePath();
    if (system.isEmpty())
        return {};
    const QList<DetectedPort> named = withStableNames({DetectedPort{system, system, {}, {}}}, kStableNameFolder);
    return named.first().path != system ? QFileInfo(named.first().path).fileName() : QString();
}

QString sha256Of(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

ChipLog::~ChipLog()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString ChipLog::open(const QString &path)
{
    path_ = path;
    // Not blocking on a FIFO nor taking a terminal: only a regular file is a log.
    fd_ = ::open(QFile::encodeName(path).constData(),
                 O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    if (fd_ < 0)
        return QStringLiteral("%1: %2").arg(path, systemReason());
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode))
        return {};
    ::close(fd_);
    fd_ = -1;
    return QStringLiteral("%1: not a regular file").arg(path);
}

QString ChipLog::append(const ChipRecord &record)
{
    const QStringList fields{
        QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
        record.port,
        record.adapter,
        record.deviceType,
        record.file,
        record.fileSha256,
        record.configWord ? Messages::configWordText(*record.configWord) : QString(),
        record.serialNumber ? QString::number(*record.serialNumber) : QString(),
        record.result(),
        QString::number(record.status),
        QString::number(record.seconds, 'f', 1),
    };
    QStringList line;
    for (const QString &field : fields)
        line += csvField(field);
    QByteArray text = line.join(QLatin1Char(',')).toUtf8() + '\n';
    // Held while the file's size says whether the header is still to come, so only one run writes it.
    if (::flock(fd_, LOCK_EX) != 0)
        return QStringLiteral("%1: %2").arg(path_, systemReason());
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && info.st_size == 0)
        text.prepend(kHeader);
    const ssize_t written = ::write(fd_, text.constData(), std::size_t(text.size()));
    QString reason;
    if (written != text.size())
        reason = written < 0 ? systemReason() : QStringLiteral("only part of the line was written");
    else if (::fsync(fd_) != 0)
        reason = systemReason();
    ::flock(fd_, LOCK_UN);
    return reason.isEmpty() ? reason : QStringLiteral("%1: %2").arg(path_, reason);
}
