#include "link/QtSerialPort.h"

#include "link/PortSettings.h"
#include "link/SerialDevices.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QThread>

namespace {

// The longest reply is ten characters; what lies beyond a few thousand is noise on the line.
constexpr qint64 kReadBufferBytes = 4096;

const QString kNotOpen = QStringLiteral("the port is not open");

constexpr int kOpenAttempts = 4;
constexpr unsigned long kOpenRetryMs = 50;

} // namespace

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

QtSerialPort::QtSerialPort()
{
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { onError(error); });
    port_.setReadBufferSize(kReadBufferBytes);
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] {
        if (!replyAwaited_)
            dropInput();
    });
    // Qt 6.4 reports a device that went away as an error. Qt 6.8 reports nothing: its read
    // notifier fires without end on the hung-up descriptor, each time it wakes the event loop.
    // Asking the descriptor at every wake-up notices the loss on the first of them, and a port
    // that is fine costs one poll() per wake-up.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, &port_, [this] {
            if (port_.isOpen() && hungUp())
                closeAsLost();
        });
    }
}

PortSettings::ChosenDevice QtSerialPort::chosenDevice(int portNumber)
{
    const QString assigned = qEnvironmentVariable(qPrintable(QStringLiteral("DRAVIK_COM%1").arg(portNumber)));
    if (!assigned.isEmpty())
        return {assigned, {}};
    PortSettings::ChosenDevice chosen;
    if (portNumber == 1) {
        chosen = PortSettings::com1Choice();
        if (!chosen.device.isEmpty())
            return chosen;
    }
#ifdef Q_OS_WIN
    chosen.device = QStringLiteral("COM%1").arg(portNumber);
#else
    chosen.device = QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
    return chosen;
}

void QtSerialPort::choosePort(int portNumber)
{
    const PortSettings::ChosenDevice chosen = chosenDevice(portNumber);
    chooseDevice(chosen.device, chosen.problem);
}

void QtSerialPort::chooseDevice(const QString &deviceName, const SettingsProblem &settingsProblem)
{
    device_ = deviceName;
    settingsProblem_ = settingsProblem;
}

void QtSerialPort::setLineSettings(const LineSettings &settings)
{
    port_.setBaudRate(settings.baud);
    port_.setParity(settings.parity == 'E'   ? QSerialPort::EvenParity
                    : settings.parity == 'O' ? QSerialPort::OddParity
                                             : QSerialPort::NoParity);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    port_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
}

void QtSerialPort::setInputLength(int length)
{
    inputLength_ = length;
    applyInputLength();
}

void QtSerialPort::applyInputLength()
{
#ifdef Q_OS_UNIX
    // The terminal reports input only once the awaited length has come (VMIN), so a wait for a
    // six-character reply wakes once rather than for each character.
    termios settings{};
    if (!port_.isOpen() || ::tcgetattr(port_.handle(), &settings) != 0)
        return;
    settings.c_cc[VMIN] = static_cast<cc_t>(qBound(1, inputLength_, 255));
    settings.c_cc[VTIME] = 0;
    ::tcsetattr(port_.handle(), TCSANOW, &settings);
#endif
}

bool QtSerialPort::open()
{
    // A port whose close failed is released here, so that only one is ever held.
    if (port_.isOpen())
        port_.close();
    failure_ = openDevice();
    failure_.settingsProblem = settingsProblem_;
    return failure_.cause == PortFailure::Cause::None;
}

PortFailure QtSerialPort::openDevice()
{
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // Every name of a device is one port: Qt's lock file is named after the name it is given, so
    // it is given the device's own (links followed). The exclusive mode Qt sets does not stop
    // root; a lock on the open device does, and it goes with the descriptor.
    const QString canonical = QDir::isAbsolutePath(device_) ? QFileInfo(device_).canonicalFilePath() : QString();
    port_.setPortName(canonical.isEmpty() ? device_ : canonical);
    // Qt's lock file outlives the device by a moment in a program closing it: Qt closes the
    // device, then removes LCK..name. A pseudo-terminal's number is free again at the close and
    // the next simulator takes the lowest free one, so a port being let go elsewhere is tried
    // again a few times before it counts as in use. A real holder keeps its lock file.
    for (int attempt = 1; !port_.open(QIODevice::ReadWrite); ++attempt) {
        if (attempt == kOpenAttempts || !refusedForQtLockFile(port_.error(), canonical))
            return diagnoseOpenFailure(device_, port_.error(), port_.errorString());
        QThread::msleep(kOpenRetryMs);
    }
#ifdef Q_OS_UNIX
    if (::flock(int(port_.handle()), LOCK_EX | LOCK_NB) != 0) {
        port_.close();
        return PortFailure::of(PortFailure::Cause::InUse, device_, QStringLiteral("it is locked"));
    }
#endif
    applyInputLength();
    requestLowLatency(int(port_.handle()));
    return {};
}

bool QtSerialPort::close()
{
    if (!port_.isOpen()) {
        failure_ = PortFailure::other(device_, kNotOpen);
        return false;
    }
    port_.close();
    return true;
}

bool QtSerialPort::dropRts()
{
    if (!port_.isOpen()) {
        failure_ = PortFailure::other(device_, kNotOpen);
        return false;
    }
#ifdef Q_OS_UNIX
    // A pseudo-terminal or a USB adapter without modem lines answers "inappropriate ioctl": it has
    // no RTS to drop, which is no failure.
    int lines = 0;
    if (::ioctl(port_.handle(), TIOCMGET, &lines) == -1 && (errno == ENOTTY || errno == EINVAL))
        return true;
#endif
    if (port_.setRequestToSend(false))
        return true;
    failure_ = PortFailure::other(device_, port_.errorString());
    return false;
}

bool QtSerialPort::isOpen() const
{
    return port_.isOpen();
}

void QtSerialPort::write(const QByteArray &bytes)
{
    // With no port the frame goes nowhere and the wait for its reply runs into the time-out.
    if (!port_.isOpen())
        return;
    qint64 done = 0;
#ifdef Q_OS_UNIX
    // A frame is a few bytes and the system takes them at once; handing them over directly spares
    // the event loop the rounds of QSerialPort's write notifier. Qt queues whatever is left.
    if (port_.bytesToWrite() == 0)
        done = qMax<qint64>(0, ::write(port_.handle(), bytes.constData(), size_t(bytes.size())));
#endif
    if (done < bytes.size()) {
        port_.write(bytes.constData() + done, bytes.size() - done);
        port_.flush();
    }
}

int QtSerialPort::receiveCount()
{
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

void QtSerialPort::discard()
{
    if (port_.isOpen())
        dropInput();
}

void QtSerialPort::dropInput()
{
    // Clears Qt's buffer and what the system has received but not yet passed on. A buffer that
    // was full has stopped QSerialPort taking more from the system; reading the emptied buffer
    // lets it go on.
    port_.clear(QSerialPort::Input);
    port_.read(1);
}

QByteArray QtSerialPort::read()
{
    if (!port_.isOpen())
        return {};
    return inputLength_ > 0 ? port_.read(inputLength_) : port_.readAll();
}

void QtSerialPort::setReplyAwaited(bool awaited)
{
    replyAwaited_ = awaited;
}

void QtSerialPort::setLostHandler(std::function<void()> handler)
{
    lost_ = std::move(handler);
}

QString QtSerialPort::device() const
{
    return device_;
}

SettingsProblem QtSerialPort::settingsProblem() const
{
    return settingsProblem_;
}

PortFailure QtSerialPort::lastFailure() const
{
    return failure_;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    // A vanished device shows as a resource error, a pseudo-terminal whose far end closed as
    // read errors without end. Either way the port is dead: close it so nothing keeps waking
    // the event loop.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
        closeAsLost();
}

bool QtSerialPort::refusedForQtLockFile(QSerialPort::SerialPortError error, const QString &device)
{
    // Qt says "permission" both for a device the user may not open and for its lock file.
#ifdef Q_OS_UNIX
    return error == QSerialPort::PermissionError && !device.isEmpty() &&
           ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
    return false;
#endif
}

bool QtSerialPort::hungUp() const
{
#ifdef Q_OS_UNIX
    // Hang-up and error are reported whatever is asked for.
    pollfd descriptor{int(port_.handle()), 0, 0};
    return ::poll(&descriptor, 1, 0) == 1 && (descriptor.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return false;
#endif
}

void QtSerialPort::closeAsLost()
{
    // The close is posted: the loss is noticed inside the port's own notifier or the event
    // loop's wake-up, and the close deletes the notifier.
    if (lossPending_)
        return;
    lossPending_ = true;
    QMetaObject::invokeMethod(
        &port_,
        [this] {
            lossPending_ = false;
            if (!port_.isOpen())
                return;
            port_.close();
            if (lost_)
                lost_();
        },
        Qt::QueuedConnection);
}
