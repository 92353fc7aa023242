#include "link/SerialDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif

QList<DetectedPort> detectedPorts()
{
    QList<DetectedPort> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.systemLocation(), info.systemLocation(), info.description(), info.manufacturer()});
    return withStableNames(ports, kStableNameFolder);
}

QList<DetectedPort> withStableNames(QList<DetectedPort> ports, const QString &folder)
{
    const QDir links(folder);
    for (const QFileInfo &link : links.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!link.isSymLink())
            continue;
        // udev writes the links relative ("../../ttyUSB0"); the device need not be there any more.
        const QString target = QDir::cleanPath(links.absoluteFilePath(link.symLinkTarget()));
        for (DetectedPort &port : ports) {
            if (port.systemLocation == target && port.path == port.systemLocation)
                port.path = link.absoluteFilePath();
        }
    }
    std::stable_sort(ports.begin(), ports.end(), [](const DetectedPort &a, const DetectedPort &b) {
        return (a.path != a.systemLocation) > (b.path != b.systemLocation);
    });
    return ports;
}

QString describe(const DetectedPort &port)
{
    QStringList details;
    if (port.path != port.systemLocation)
        details << port.systemLocation;
    for (const QString &detail : {port.description, port.manufacturer}) {
        if (!detail.isEmpty())
            details << detail;
    }
    return details.isEmpty() ? port.path
                             : QStringLiteral("%1 (%2)").arg(port.path, details.join(QStringLiteral(", ")));
}

DeviceNode inspectDeviceNode(const QString &path)
{
    DeviceNode node;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0)
        return node;
    node.exists = true;
    node.accessible = ::access(name.constData(), R_OK | W_OK) == 0;
    node.systemName = QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
    if (const group *owner = ::getgrgid(status.st_gid))
        node.group = QString::fromLocal8Bit(owner->gr_name);
    else
        node.group = QString::number(status.st_gid);
#else
    node.exists = QFileInfo::exists(path);
    node.accessible = node.exists;
#endif
    return node;
}

PortFailure explainOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                               const QString &reason, const DeviceNode &node,
                               const QStringList &detected)
{
    PortFailure failure;
    failure.device = device;
    failure.reason = reason;
    if (!node.exists || error == QSerialPort::DeviceNotFoundError) {
        failure.cause = PortFailure::Cause::Missing;
        failure.detected = detected;
    } else if (!node.accessible) {
        failure.cause = PortFailure::Cause::PermissionDenied;
        failure.group = node.group;
        failure.systemName = node.systemName;
    } else if (error == QSerialPort::PermissionError) {
        // The user may open the node, so another program holds it (its lock or exclusive mode).
        failure.cause = PortFailure::Cause::InUse;
    } else {
        failure.cause = PortFailure::Cause::Other;
        failure.detected = detected;
    }
    return failure;
}

PortFailure diagnoseOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                                const QString &reason)
{
    QStringList detected;
    for (const DetectedPort &port : detectedPorts())
        detected << describe(port);
    return explainOpenFailure(device, error, reason, inspectDeviceNode(device), detected);
}

bool requestLowLatency(int fileDescriptor)
{
#ifdef Q_OS_LINUX
    serial_struct serial{};
    if (::ioctl(fileDescriptor, TIOCGSERIAL, &serial) != 0)
        return false;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fileDescriptor, TIOCSSERIAL, &serial) == 0;
#else
    Q_UNUSED(fileDescriptor);
    return false;
#endif
}
